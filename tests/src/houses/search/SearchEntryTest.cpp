// The keyword search entry: the history while the field is empty, suggestions while typing,
// the results it opens and what it records.
#include "SearchFixture.h"

#include "net/QXIMRequest.h"
#include "platform/foundation/operation_queue.h"
#include "platform/uikit/menu_controller.h"
#include "platform/uikit/string_drawing.h"

#include <QUrlQuery>

#include <cmath>

namespace paths = standin::paths;

class SearchEntryTest : public SearchFixture {
protected:
    std::shared_ptr<SearchViewController> openEntry() {
        entry_ = std::make_shared<SearchViewController>();
        navigation_->setViewControllers({std::make_shared<ui::ViewController>()}, false);
        navigation_->pushViewController(entry_, false);
        settle();
        return entry_;
    }
    // The results screen the entry pushed, once it is on top.
    std::shared_ptr<SearchListViewController> results() {
        settle();
        return std::dynamic_pointer_cast<SearchListViewController>(
            navigation_->topViewController());
    }
    std::shared_ptr<SearchViewController> entry_;
};

TEST_F(SearchEntryTest, TypingShowsSuggestionsAndAnEmptyFieldTheHistory) {
    openEntry();
    EXPECT_TRUE(entry_->mainTField()->isFirstResponder());
    EXPECT_TRUE(entry_->mainTbl()->isHidden()) << "no history yet";
    EXPECT_TRUE(entry_->hidesBottomBarWhenPushed());

    ASSERT_TRUE(driver_->type("地铁"));
    ASSERT_TRUE(waitFor([&] { return !entry_->resultArray().isEmpty(); }));
    EXPECT_FALSE(entry_->mainTbl()->isHidden()) << "the first suggestions show the table";
    EXPECT_EQ(argsOf(calls("ajaxSuggestion").back()).keys(),
              (QStringList{"cityScriptIndex", "keyword"}));
    // Pasting over a selection asks for the text the field will hold.
    entry_->mainTField()->setSelectedRange({0, 2});
    ui::Pasteboard::generalPasteboard().setString(QStringLiteral("采光"));
    entry_->mainTField()->performAction(QStringLiteral("paste"));
    ASSERT_TRUE(waitFor([&] {
        return suggested().contains("采光") &&
               entry_->resultArray().value(0).toMap()["text"].toString().contains("采光");
    }));
    const QStringList rows = rowTexts(*entry_->mainTbl());
    ASSERT_FALSE(rows.isEmpty());
    for (const QString& row : rows) EXPECT_TRUE(row.contains("采光")) << row.toStdString();

    // Deleting the text shows the history again; a late reply of the old text stays out.
    SearchHistory::record(QStringLiteral("近地铁"));
    static_cast<ui::ViewController&>(*entry_).viewWillAppear(false);
    entry_->mainTField()->setSelectedRange({0, 2});
    ASSERT_TRUE(driver_->pressBackspace());
    EXPECT_TRUE(entry_->isShowHistory());
    driver_->wait(0.5);
    EXPECT_EQ(rowTexts(*entry_->mainTbl()), (QStringList{"近地铁", "清除历史记录"}));

    // A reply still on its way when the text is deleted never replaces the history.
    server().setFault({.prefix = paths::kDataShare, .hold = true, .times = 1});
    const qsizetype asked = suggested().size();
    ASSERT_TRUE(driver_->type("采"));
    ASSERT_TRUE(waitFor([&] { return suggested().size() == asked + 1; }));
    entry_->mainTField()->setSelectedRange({0, 1});
    ASSERT_TRUE(driver_->pressBackspace());
    server().releaseHeld();
    // The call is over, answered or cancelled, and what it handed the main loop handled.
    const auto calls = QXIMRequest::shared().httpClient()->operationQueue();
    ASSERT_TRUE(runMainLoopUntil([&] { return calls->operations().empty(); }));
    drainMainLoop();
    settle();
    EXPECT_TRUE(entry_->isShowHistory()) << "the deleted text's suggestions came in";
    EXPECT_EQ(rowTexts(*entry_->mainTbl()), (QStringList{"近地铁", "清除历史记录"}));
}

TEST_F(SearchEntryTest, AKeywordOpensItsResultsAndIsRecordedTrimmed) {
    openEntry();
    entry_->mainTField()->setText(QStringLiteral("  \n "));
    ASSERT_TRUE(driver_->tap(entry_->searchButton()));
    settle();
    ASSERT_NE(alerts_->visibleAlert(), nullptr);
    EXPECT_EQ(alerts_->visibleAlert()->message(), "请输入关键字！");
    ASSERT_TRUE(alerts_->pressButtonAtIndex(0));
    EXPECT_EQ(navigation_->topViewController(), entry_);

    entry_->mainTField()->setText(QStringLiteral(" 近地铁 "));
    ASSERT_TRUE(driver_->pressReturn());
    auto shown = results();
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->keyword(), "近地铁");
    EXPECT_EQ(SearchHistory::keywords(), QStringList{"近地铁"});
    waitForResults(*shown);
    EXPECT_EQ(titleKeyword(lastPage()), "近地铁");

    // Back from the results, the history holds the search; a history keyword opens its
    // results without moving in the history.
    SearchHistory::record(QStringLiteral("采光好"));
    navigation_->popViewControllerAnimated(false);
    settle();
    entry_->mainTField()->setText(QString());
    ASSERT_TRUE(driver_->tap(entry_->mainTField()));
    ASSERT_TRUE(driver_->type("x"));
    ASSERT_TRUE(driver_->pressBackspace());
    settle();
    EXPECT_EQ(rowTexts(*entry_->mainTbl()), (QStringList{"采光好", "近地铁", "清除历史记录"}));
    window_->layoutIfNeeded();
    ASSERT_TRUE(driver_->tap(entry_->mainTbl()->cellForRowAtIndexPath({0, 1})));
    shown = results();
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->keyword(), "近地铁");
    EXPECT_EQ(SearchHistory::keywords(), (QStringList{"采光好", "近地铁"})) << "not moved";
}

// Four lines pasted into the keyword field become one line, a blank for each line break: the
// field shows them all, and the search and the history take the keyword as it shows.
TEST_F(SearchEntryTest, FourPastedLinesAreSearchedAndRecordedAsTheOneLineShown) {
    openEntry();
    MyTextField* field = entry_->mainTField();
    ui::Pasteboard::generalPasteboard().setString(QStringLiteral("近地铁\n采光好\n南北通透\n满五"));
    driver_->longPressAt(field->convertPointToView(field->bounds().center(), nullptr));
    ASSERT_TRUE(driver_->tapText("粘贴"));
    const QString keyword = QStringLiteral("近地铁 采光好 南北通透 满五");
    EXPECT_EQ(field->text(), keyword);
    EXPECT_EQ(driver_->textOf(field), keyword);
    ASSERT_TRUE(driver_->pressReturn());
    auto shown = results();
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->keyword(), keyword);
    EXPECT_EQ(SearchHistory::keywords(), QStringList{keyword});
    waitForResults(*shown);
    const auto counted = calls("GetWebSearchCount");
    ASSERT_FALSE(counted.empty());
    EXPECT_EQ(QUrlQuery(QString::fromUtf8(counted.back().query))
                  .queryItemValue("keywords", QUrl::FullyDecoded),
              keyword)
        << "the search asks for it";
}

// A long press in the keyword field puts the caret under the finger and the edit menu over the
// caret, as in a text view; what is pasted then goes in there.
TEST_F(SearchEntryTest, ALongPressPutsTheCaretUnderTheFingerAndTheMenuOverIt) {
    openEntry();
    MyTextField* field = entry_->mainTField();
    ASSERT_TRUE(driver_->type(QStringLiteral("近地铁采光好")));
    settle();
    const ui::Rect text = field->editingRectForBounds(field->bounds());
    const double lineHeight = field->font().lineHeight();
    const double lineTop = text.minY() + std::round((text.size.height - lineHeight) / 2);
    const double caretX =
        text.minX() +
        ui::StringDrawing::sizeWithFont(QStringLiteral("近地铁"), field->font()).width;
    const ui::Rect caret =
        field->convertRectToView(ui::Rect(caretX, lineTop, 2, lineHeight), nullptr);
    ui::Pasteboard::generalPasteboard().setString(QStringLiteral("南向"));
    driver_->longPressAt({caret.minX() + 1, caret.midY()});
    EXPECT_EQ(field->selectedRange(), (ui::Range{3, 0}));
    auto& menu = ui::MenuController::sharedMenuController();
    ASSERT_TRUE(menu.isMenuVisible());
    EXPECT_EQ(menu.visibleTitles(), (QStringList{"选择", "全选", "粘贴"}));
    EXPECT_NEAR(menu.menuFrame().midX(), caret.midX(), 0.5) << "over the caret";
    const double above = caret.minY() - 8 - menu.menuFrame().maxY();
    const double below = menu.menuFrame().minY() - caret.maxY() - 8;
    EXPECT_TRUE(std::abs(above) < 0.5 || std::abs(below) < 0.5) << above << " " << below;
    ASSERT_TRUE(driver_->tapText("粘贴"));
    EXPECT_EQ(field->text(), QStringLiteral("近地铁南向采光好"));
}

TEST_F(SearchEntryTest, ASuggestionIsRecordedAndTheClearSheetEmptiesTheHistory) {
    SearchHistory::record(QStringLiteral("采光好"));
    openEntry();
    EXPECT_FALSE(entry_->mainTbl()->isHidden());
    EXPECT_EQ(rowTexts(*entry_->mainTbl()), (QStringList{"采光好", "清除历史记录"}));

    // "取消" changes nothing; "确定" empties and hides the table.
    for (const char* answer : {"取消", "确定"}) {
        window_->layoutIfNeeded();
        ASSERT_TRUE(driver_->tap(entry_->mainTbl()->cellForRowAtIndexPath({0, 1})));
        settle();
        ASSERT_NE(alerts_->visibleSheet(), nullptr);
        ASSERT_TRUE(alerts_->pressButton(QString::fromUtf8(answer)));
        settle();
        if (QString::fromUtf8(answer) == "取消") {
            EXPECT_EQ(SearchHistory::keywords(), QStringList{"采光好"});
        }
    }
    EXPECT_TRUE(SearchHistory::keywords().isEmpty());
    EXPECT_TRUE(entry_->mainTbl()->isHidden());

    ASSERT_TRUE(driver_->type("近地"));
    ASSERT_TRUE(waitFor([&] { return !entry_->resultArray().isEmpty(); }));
    const QString text = entry_->resultArray().value(0).toMap()["text"].toString();
    window_->layoutIfNeeded();
    ASSERT_TRUE(driver_->tap(entry_->mainTbl()->cellForRowAtIndexPath({0, 0})));
    auto shown = results();
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->keyword(), text);
    EXPECT_EQ(SearchHistory::keywords(), QStringList{text});
}

TEST_F(SearchEntryTest, TheBackButtonCancelsTheSuggestionsAndLeaves) {
    openEntry();
    server().setFault({.prefix = paths::kDataShare, .hold = true, .times = 1});
    ASSERT_TRUE(driver_->type("地"));
    ASSERT_TRUE(waitFor([&] { return suggested().size() == 1; }));
    ASSERT_TRUE(driver_->tap(driver_->findByAccessibilityLabel("返回")));
    settle();
    EXPECT_EQ(navigation_->viewControllers().size(), 1u);
    // The cancelled reply reaches no one: the screen is gone and nothing failed.
    ASSERT_TRUE(letHeldRepliesArrive());
    driver_->wait(0.5);
    EXPECT_TRUE(entry_->resultArray().isEmpty());
}
