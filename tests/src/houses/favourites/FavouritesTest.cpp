// Favourites: the rule every saver keeps, the detail's button, the favourites tab and the
// remark editor, over a real message store.
#include "../detail/DetailScreenFixture.h"
#include "ReferenceImage.h"

#include "houses/detail/QXAddSignController.h"
#include "houses/favourites/QXHistoryCell.h"
#include "houses/favourites/QXHistoryController.h"
#include "houses/shared/HouseFavourites.h"
#include "net/transport/Json.h"
#include "platform/foundation/notification_center.h"
#include "platform/uikit/label.h"
#include "platform/uikit/menu_controller.h"
#include "platform/uikit/pasteboard.h"
#include "platform/uikit/text_layout.h"
#include "platform/uikit/text_view.h"
#include "ui/widgets/FloatView.h"

using namespace standin;

class FavouritesTest : public DetailScreenFixture {
protected:
    void SetUp() override {
        DetailScreenFixture::SetUp();
        for (const QString& name : {HouseFavourites::kAddHistoryNotification,
                                    HouseFavourites::kSignChangedNotification}) {
            observations_.push_back(ns::NotificationCenter::defaultCenter().addObserver(
                name, [this, name](const ns::Notification&) { posted_ << name; }));
        }
    }
    void TearDown() override {
        observations_.clear();
        history_.reset();
        DetailScreenFixture::TearDown();
    }

    [[nodiscard]] static int savedCount() {
        return QXIMDatabase::shared().historyCountByUserId(HouseFavourites::userIdText());
    }
    // Takes a saved post out, saves another, as the photo pager's button does.
    static HouseFavourites::Outcome toggle(const QVariantMap& post) {
        return HouseFavourites::isSaved(post) ? HouseFavourites::remove(post)
                                              : HouseFavourites::add(post);
    }
    [[nodiscard]] static QVariantMap numbered(int i) {
        return {{"puid", QString::number(900000 + i)},
                {"title", QString("房源%1").arg(i)},
                {"major_category", 1}};
    }
    // Runs one statement on the store, as a damaged or locked file would behave.
    static void onStore(const QString& statement) {
        QXIMDatabase::shared().queue().inDatabase(
            [&](JSSQLite& db) { ASSERT_TRUE(db.executeUpdate(statement)); });
    }
    // The favourites tab as the root of the stack.
    void showHistory() {
        history_ = std::make_shared<QXHistoryController>();
        navigation_->setViewControllers({history_}, false);
        settle();
    }
    // Saves a sample post and opens its remark editor.
    std::shared_ptr<QXAddSignController> openRemarkOfSavedPost() {
        const QVariantMap post = listPost(1);
        EXPECT_EQ(HouseFavourites::add(post), HouseFavourites::Outcome::Done);
        posted_.clear();
        auto editor = std::make_shared<QXAddSignController>();
        editor->setPuid(post["puid"].toString());
        navigation_->setViewControllers({std::make_shared<ui::ViewController>(), editor}, false);
        settle();
        return editor;
    }
    [[nodiscard]] QString floatMessage() {
        auto* message = window_->viewWithTag(FloatView::kFloatMessageTag);
        return message ? driver_->textOf(message->subviews().front().get()) : QString();
    }
    [[nodiscard]] QXHistoryCell* row(int index) {
        return dynamic_cast<QXHistoryCell*>(
            history_->listTable()->cellForRowAtIndexPath({0, index}));
    }

    QStringList posted_;
    std::vector<std::shared_ptr<ns::NotificationCenter::Observation>> observations_;
    std::shared_ptr<QXHistoryController> history_;
};

TEST_F(FavouritesTest, TheFiftyFirstSaveIsRefusedButARemovalAlwaysGoes) {
    for (int i = 0; i < 49; ++i) {
        ASSERT_EQ(HouseFavourites::add(numbered(i)), HouseFavourites::Outcome::Done);
    }
    EXPECT_EQ(posted_.size(), 49);
    const QVariantMap post = listPost(1);
    show(QXPostDetailNew::initWithContent(post, 7, 1));
    ASSERT_NE(detail_->favBtn(), nullptr);
    EXPECT_EQ(detail_->favBtn()->currentTitle(), "收藏");
    ASSERT_TRUE(driver_->tap(detail_->favBtn()));
    EXPECT_EQ(detail_->favBtn()->currentTitle(), "备注") << "the fiftieth is taken";
    EXPECT_EQ(floatMessage(), "收藏成功");
    EXPECT_EQ(savedCount(), 50);
    EXPECT_TRUE(events().isEmpty()) << "a list's detail logs no chat event";

    auto another = QXPostDetailNew::initWithContent(
        listPost(1,
                 [&](const SamplePost& p) {
                     return p.record["puid"].toString() != post["puid"].toString();
                 }),
        7, 1);
    another->setFromType(1);
    show(another);
    ASSERT_TRUE(driver_->tap(detail_->favBtn()));
    EXPECT_EQ(alertMessage(), "客官，您收藏的房源超出限制，请管理看房记中的房源后再做添加");
    dismissAlert();
    EXPECT_EQ(detail_->favBtn()->currentTitle(), "收藏");
    EXPECT_EQ(savedCount(), 50);
    EXPECT_EQ(events(), QStringList{"chat_houses_collect"});
    EXPECT_EQ(posted_.size(), 50);

    // At the limit a saved post still goes, and each change is announced.
    EXPECT_EQ(toggle(post), HouseFavourites::Outcome::Done);
    EXPECT_EQ(posted_.size(), 51);
    EXPECT_EQ(toggle(post), HouseFavourites::Outcome::Done);
    EXPECT_EQ(posted_.size(), 52);
    EXPECT_EQ(HouseFavourites::add({{"title", "no puid"}}), HouseFavourites::Outcome::Failed);
}

// The store keeps a post as JSON text: one the writer cannot write whole is not saved at all
// (a row that does not read back would count as a favourite nobody can open).
TEST_F(FavouritesTest, APostTooDeepToWriteWholeIsNotSavedAndTheScreenStaysAsItWas) {
    QVariantMap post = listPost(1);
    QVariant member = QStringLiteral("底");
    for (int level = 0; level < 130; ++level) member = QVariantList{member};
    post["extra"] = member;
    show(QXPostDetailNew::initWithContent(post, 7, 1));
    ASSERT_NE(detail_->favBtn(), nullptr);
    ASSERT_TRUE(driver_->tap(detail_->favBtn()));
    EXPECT_EQ(detail_->favBtn()->currentTitle(), "收藏");
    EXPECT_TRUE(floatMessage().isEmpty()) << floatMessage().toStdString();
    EXPECT_EQ(savedCount(), 0);
    EXPECT_TRUE(posted_.isEmpty());
    EXPECT_EQ(HouseFavourites::add(post), HouseFavourites::Outcome::Failed);
}

TEST_F(FavouritesTest, TheDetailsButtonFollowsTheStoreWheneverItAppears) {
    const QVariantMap post = listPost(3);
    show(QXPostDetailNew::initWithContent(post, 7, 3));
    ASSERT_TRUE(driver_->tap(detail_->favBtn()));
    ASSERT_EQ(detail_->favBtn()->currentTitle(), "备注");
    // Saved as the whole post under its kind.
    const auto rows = QXIMDatabase::shared().historyListByUserId("0");
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0]["c_id"].toInt(), 3);
    EXPECT_EQ(json_JSON(rows[0]["content"]).toMap()["title"], post["title"]);

    // The remark button opens the editor for this post.
    ASSERT_TRUE(driver_->tap(detail_->favBtn()));
    settle();
    auto editor = std::dynamic_pointer_cast<QXAddSignController>(navigation_->topViewController());
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->puid(), post["puid"]);
    EXPECT_EQ(events().back(), "house_detail_remark");
    // Taken out elsewhere meanwhile: back on the detail the button offers to save again.
    ASSERT_EQ(HouseFavourites::remove({{"puid", post["puid"]}}), HouseFavourites::Outcome::Done);
    editor->goBack();
    settle();
    EXPECT_EQ(detail_->favBtn()->currentTitle(), "收藏");
}

TEST_F(FavouritesTest, TheTabListsNewestFirstWithRemarksAndOpensTheSavedCopy) {
    showHistory();
    EXPECT_EQ(history_->title(), "看房记");
    EXPECT_NE(history_->view()->viewWithTag(QXHistoryController::kNoInfoTag), nullptr);
    ASSERT_TRUE(driver_->tap(history_->rightButton()));
    EXPECT_EQ(alertMessage(), "收藏房源后才能进行编辑哦");
    dismissAlert();
    EXPECT_EQ(history_->rightButton()->currentTitle(), "编辑");
    EXPECT_FALSE(history_->listTable()->isEditing());

    // Saving while the tab shows reloads it at once.
    const QVariantMap rent = listPost(1, [](const SamplePost& p) { return p.hasImage; });
    const QVariantMap share = listPost(3, [](const SamplePost& p) { return p.hasImage; });
    const QVariantMap sale = listPost(5, [](const SamplePost& p) { return p.hasImage; });
    for (const auto* post : {&rent, &share, &sale}) {
        ASSERT_EQ(HouseFavourites::add(*post), HouseFavourites::Outcome::Done);
        clock().advance(10s);
    }
    ASSERT_TRUE(QXIMDatabase::shared().updateHistorySign("周六下午看房，房东姓王", "0",
                                                         share["puid"].toString()));
    ns::NotificationCenter::defaultCenter().post(HouseFavourites::kSignChangedNotification);
    settle();
    ASSERT_EQ(history_->listData().size(), 3);
    EXPECT_EQ(history_->view()->viewWithTag(QXHistoryController::kNoInfoTag), nullptr);
    EXPECT_EQ(row(0)->left1Lbl()->text(), sale["title"]) << "newest first";
    EXPECT_EQ(history_->listTable()->rectForRowAtIndexPath({0, 1}).size.height, 90);
    EXPECT_EQ(row(1)->bottomLabel()->text(), "周六下午看房，房东姓王");
    EXPECT_FALSE(row(1)->signIcon()->isHidden());
    EXPECT_EQ(history_->listTable()->rectForRowAtIndexPath({0, 2}).size.height, 70);
    EXPECT_TRUE(row(2)->bottomLabel()->isHidden());
    EXPECT_EQ(row(2)->lineView()->frame(), ui::Rect(0, 69.5, 320, 0.5)) << "under the last row";
    EXPECT_EQ(row(0)->lineView()->frame(), ui::Rect(10, 69.5, 300, 0.5));
    ASSERT_TRUE(waitFor([&] {
        const auto loading = ui::Image::imageNamed("信息列表-加载中.png");
        for (int i = 0; i < 3; ++i) {
            if (!row(i) || !row(i)->thumbnailView()->image() ||
                row(i)->thumbnailView()->image() == loading)
                return false;
        }
        return true;
    }));
    EXPECT_TRUE(matchesReferenceImage(driver_->screenshot(2)->pixels(), "src/houses/reference",
                                      "favourites.png"));

    ASSERT_TRUE(driver_->tap(row(0)));
    settle();
    auto detail = std::dynamic_pointer_cast<QXPostDetailNew>(navigation_->topViewController());
    ASSERT_NE(detail, nullptr);
    EXPECT_EQ(detail->post()["puid"], sale["puid"]);
    EXPECT_EQ(detail->masterIndex(), 7);
    EXPECT_EQ(detail->majorIndex(), 5);
    EXPECT_EQ(events().back(), "bn_house_detail");

    // Changed while the tab is covered: it reloads when it shows again.
    ASSERT_EQ(HouseFavourites::remove({{"puid", rent["puid"]}}), HouseFavourites::Outcome::Done);
    EXPECT_EQ(history_->listData().size(), 3);
    navigation_->popViewControllerAnimated(false);
    settle();
    EXPECT_EQ(history_->listData().size(), 2);
}

TEST_F(FavouritesTest, AnUnreadableRowStaysUntilTheUserDeletesItAndFailedDeletesKeepRows) {
    ASSERT_TRUE(QXIMDatabase::shared().saveHistoryContent("{\"puid\":", "0", "777", 1));
    ASSERT_EQ(HouseFavourites::add(listPost(1)), HouseFavourites::Outcome::Done);
    showHistory();
    ASSERT_EQ(history_->listData().size(), 2);
    EXPECT_EQ(savedCount(), 2) << "nothing was deleted behind the user's back";
    const int unreadable = row(0)->left1Lbl()->text() == "该房源信息已无法读取" ? 0 : 1;
    EXPECT_EQ(row(unreadable)->left1Lbl()->text(), "该房源信息已无法读取");
    ASSERT_TRUE(driver_->tap(row(unreadable)));
    EXPECT_TRUE(alertMessage().startsWith("该房源信息已无法读取"));
    dismissAlert();
    EXPECT_EQ(navigation_->viewControllers().size(), 1u) << "nothing to open";

    ASSERT_TRUE(driver_->tap(history_->rightButton()));
    EXPECT_EQ(history_->rightButton()->currentTitle(), "完成");
    history_->commitEditingStyle(*history_->listTable(), ui::TableViewCellEditingStyle::Delete,
                                 {0, unreadable});
    settle();
    EXPECT_EQ(history_->listData().size(), 1);
    EXPECT_EQ(savedCount(), 1);

    // A store that refuses the delete keeps the row on screen.
    onStore("CREATE TRIGGER keep BEFORE DELETE ON history BEGIN SELECT RAISE(ABORT, 'kept'); END");
    history_->commitEditingStyle(*history_->listTable(), ui::TableViewCellEditingStyle::Delete,
                                 {0, 0});
    EXPECT_EQ(alertMessage(), "删除失败，请稍后再试");
    dismissAlert();
    EXPECT_EQ(history_->listData().size(), 1);
    EXPECT_EQ(history_->listTable()->numberOfRowsInSection(0), 1);
    onStore("DROP TRIGGER keep");

    // The last row gone: the picture shows and the edit mode ends.
    history_->commitEditingStyle(*history_->listTable(), ui::TableViewCellEditingStyle::Delete,
                                 {0, 0});
    settle();
    EXPECT_TRUE(history_->listData().isEmpty());
    EXPECT_NE(history_->view()->viewWithTag(QXHistoryController::kNoInfoTag), nullptr);
    EXPECT_EQ(history_->rightButton()->currentTitle(), "编辑");
    EXPECT_FALSE(history_->listTable()->isEditing());
}

TEST_F(FavouritesTest, ARemarkKeeps200CharactersAndOnlyAChangeIsSavedAndAnnounced) {
    const QString puid = listPost(1)["puid"].toString();
    auto editor = openRemarkOfSavedPost();
    ui::TextView& input = *editor->inputView();
    EXPECT_EQ(editor->title(), "备注");
    EXPECT_TRUE(input.text().isEmpty());
    EXPECT_FALSE(editor->placeholderLabel()->isHidden());
    {
        // The hint shows whole within its label.
        const ui::Label& hint = *editor->placeholderLabel();
        ui::TextLayout::Options options;
        options.width = hint.bounds().size.width;
        options.height = hint.bounds().size.height;
        options.maximumLines = hint.numberOfLines();
        options.mode = hint.lineBreakMode();
        EXPECT_FALSE(ui::TextLayout(hint.text(), hint.font(), options).isTruncated());
    }
    settle();
    EXPECT_TRUE(matchesReferenceImage(driver_->screenshot(2)->pixels(), "src/houses/reference",
                                      "remark_editor.png"));

    // Typing stops at 200 characters; an emoji is one of them; deleting is always possible.
    const QString house = QString::fromUtf8("\xF0\x9F\x8F\xA0");
    input.setText(QString(199, u'好'));
    EXPECT_TRUE(editor->shouldChangeTextInRange(input, {199, 0}, house));
    input.setText(QString(199, u'好') + house);
    EXPECT_FALSE(editor->shouldChangeTextInRange(input, {201, 0}, "a"));
    EXPECT_TRUE(editor->shouldChangeTextInRange(input, {0, 1}, ""));
    EXPECT_TRUE(editor->shouldChangeTextInRange(input, {0, 2}, "ab")) << "replacing in place";
    // A paste of 250 keeps the first 200, never half an emoji.
    input.setText(QString(199, u'好') + house + house + QString(49, u'好'));
    editor->textViewDidChange(input);
    EXPECT_EQ(input.text(), QString(199, u'好') + house);
    EXPECT_TRUE(editor->placeholderLabel()->isHidden());

    ASSERT_TRUE(driver_->tap(editor->okButton()));
    settle();
    EXPECT_EQ(QXIMDatabase::shared().historySignByUserId("0", puid), QString(199, u'好') + house);
    EXPECT_EQ(posted_, QStringList{HouseFavourites::kSignChangedNotification});
    EXPECT_EQ(events().back(), "house_remark_confirm");
    EXPECT_EQ(navigation_->viewControllers().size(), 1u);

    // Opened again it shows the remark; confirming it unchanged announces nothing.
    editor = std::make_shared<QXAddSignController>();
    editor->setPuid(puid);
    navigation_->pushViewController(editor, false);
    settle();
    EXPECT_EQ(editor->inputView()->text(), QString(199, u'好') + house);
    EXPECT_TRUE(editor->placeholderLabel()->isHidden());
    editor->finishedInput();
    settle();
    EXPECT_EQ(posted_.size(), 1);
    EXPECT_EQ(navigation_->viewControllers().size(), 1u);
}

TEST_F(FavouritesTest, ARemarkIsMendedWhereATapPutsTheCaret) {
    const QString puid = listPost(1)["puid"].toString();
    auto editor = openRemarkOfSavedPost();
    ui::TextView& input = *editor->inputView();
    input.setText("采光好安静");
    const ui::Rect caret = input.caretRectForPosition(3);
    driver_->tapAt(input.convertPointToView(caret.center() + ui::Point(2, 0), nullptr));
    ASSERT_TRUE(input.isFirstResponder());
    driver_->type("，");
    ASSERT_TRUE(driver_->tap(editor->okButton()));
    settle();
    EXPECT_EQ(QXIMDatabase::shared().historySignByUserId("0", puid), "采光好，安静");
}

// The 200 count the remark after each key: a skin tone typed after the last emoji of a full
// remark goes in, as the remark still holds 200 characters, and so does a family typed key by
// key after 199, stored whole; a key that makes a 201st does not, nor do two letters typed over
// one emoji selected.
TEST_F(FavouritesTest, AKeyThatJoinsTheLastCharacterOfAFullRemarkGoesIn) {
    const QString puid = listPost(1)["puid"].toString();
    auto editor = openRemarkOfSavedPost();
    ui::TextView& input = *editor->inputView();
    const QString full = QString(199, u'好');
    const QString thumb = QString::fromUtf8("\xF0\x9F\x91\x8D");  // 👍
    const QString tone = QString::fromUtf8("\xF0\x9F\x8F\xBD");   // 🏽
    input.setText(full + thumb);
    ASSERT_TRUE(driver_->tap(&input));
    ASSERT_TRUE(input.isFirstResponder());
    input.setSelectedRange({input.text().size(), 0});
    ASSERT_TRUE(driver_->type(tone));
    EXPECT_EQ(input.text(), full + thumb + tone);
    ASSERT_TRUE(driver_->type("a"));
    EXPECT_EQ(input.text(), full + thumb + tone) << "a 201st character";
    input.setSelectedRange({199, 4});
    ASSERT_TRUE(driver_->type("ab"));
    EXPECT_EQ(input.text(), full + thumb + tone) << "two letters over one emoji";
    ASSERT_TRUE(driver_->type("a"));
    EXPECT_EQ(input.text(), full + "a");
    // A remark stored longer still loses characters.
    input.setText(QString(250, u'好'));
    ASSERT_TRUE(driver_->pressBackspace());
    EXPECT_EQ(input.text(), QString(200, u'好'));

    input.setText(full);
    const QString joiner = QStringLiteral("\u200D");
    for (const QString& key :
         {QString::fromUtf8("\xF0\x9F\x91\xA8"), joiner, QString::fromUtf8("\xF0\x9F\x91\xA9"),
          joiner, QString::fromUtf8("\xF0\x9F\x91\xA7")})
        ASSERT_TRUE(driver_->type(key));
    const QString family = QString::fromUtf8(
        "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7");
    EXPECT_EQ(input.text(), full + family);
    ASSERT_TRUE(driver_->tap(editor->okButton()));
    settle();
    EXPECT_EQ(QXIMDatabase::shared().historySignByUserId("0", puid), full + family);
}

// A long press in the remark shows the edit menu with what the state allows; a paste keeps its
// lines and obeys the 200 characters as typing does: over a selection it takes the selection's
// place, and past the limit it changes nothing.
TEST_F(FavouritesTest, ALongPressInARemarkShowsTheEditMenuAndAPasteKeepsTheLimit) {
    auto editor = openRemarkOfSavedPost();
    ui::TextView& input = *editor->inputView();
    ui::MenuController& menu = ui::MenuController::sharedMenuController();
    ui::Pasteboard& pasteboard = ui::Pasteboard::generalPasteboard();
    const auto pressIn = [&] {
        menu.setMenuVisible(false);
        driver_->longPressAt(
            input.convertPointToView(input.bounds().origin + ui::Point(60, 20), nullptr));
        return menu.visibleTitles();
    };
    pasteboard.setStrings({});
    EXPECT_EQ(pressIn(), QStringList()) << "no text, nothing to paste";
    EXPECT_TRUE(input.isFirstResponder());
    pasteboard.setString(QStringLiteral("南向主卧\n房东周六下午在家"));
    EXPECT_EQ(pressIn(), QStringList{"粘贴"});
    ASSERT_TRUE(driver_->tapText("粘贴"));
    EXPECT_EQ(input.text(), "南向主卧\n房东周六下午在家");
    EXPECT_TRUE(editor->placeholderLabel()->isHidden());
    EXPECT_EQ(pressIn(), (QStringList{"选择", "全选", "粘贴"}));
    settle();
    EXPECT_TRUE(matchesReferenceImage(driver_->screenshot(2)->pixels(), "src/houses/reference",
                                      "remark_editor_menu.png"));
    ASSERT_TRUE(driver_->tapText("全选"));
    EXPECT_EQ(pressIn(), (QStringList{"剪切", "拷贝", "粘贴"}));

    // 150 characters selected give their place to 200.
    input.setText(QString(150, u'好'));
    input.setSelectedRange({0, 150});
    pasteboard.setString(QString(200, u'房'));
    EXPECT_EQ(pressIn(), (QStringList{"剪切", "拷贝", "粘贴"}));
    ASSERT_TRUE(driver_->tapText("粘贴"));
    EXPECT_EQ(input.text(), QString(200, u'房'));
    // Full, it takes no more, pasted or typed.
    pasteboard.setString(QStringLiteral("安静"));
    EXPECT_EQ(pressIn(), (QStringList{"选择", "全选", "粘贴"}));
    ASSERT_TRUE(driver_->tapText("粘贴"));
    ASSERT_TRUE(driver_->type(QStringLiteral("安静")));
    EXPECT_EQ(input.text(), QString(200, u'房'));
}

TEST_F(FavouritesTest, ARemarkTheStoreCouldNotKeepIsToldAndStaysOnScreen) {
    const QString puid = listPost(1)["puid"].toString();
    auto editor = openRemarkOfSavedPost();

    onStore("CREATE TRIGGER locked BEFORE UPDATE ON history BEGIN SELECT RAISE(ABORT, 'x'); END");
    editor->inputView()->setText("南向主卧");
    editor->finishedInput();
    EXPECT_EQ(alertMessage(), "备注保存失败，请稍后再试");
    dismissAlert();
    EXPECT_EQ(navigation_->topViewController(), editor) << "the text waits to be sent again";
    EXPECT_EQ(editor->inputView()->text(), "南向主卧");
    EXPECT_TRUE(posted_.isEmpty());
    onStore("DROP TRIGGER locked");

    // Taken out of the favourites meanwhile: there is no row to hold it.
    ASSERT_EQ(HouseFavourites::remove({{"puid", puid}}), HouseFavourites::Outcome::Done);
    posted_.clear();
    editor->finishedInput();
    EXPECT_EQ(alertMessage(), "该房源已不在看房记中，备注未能保存");
    dismissAlert();
    EXPECT_TRUE(posted_.isEmpty());
    // Leaving by the back button saves nothing.
    editor->goBack();
    settle();
    EXPECT_EQ(navigation_->viewControllers().size(), 1u);
}

TEST_F(FavouritesTest, AMarkSetOnItsCheckboxIsStoredAndTheTextLayoutKeepsItsColumns) {
    ASSERT_EQ(HouseFavourites::add(numbered(1)), HouseFavourites::Outcome::Done);
    showHistory();
    ASSERT_EQ(history_->listData().size(), 1);
    QXHistoryCell* cell = row(0);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->checkboxView(), nullptr) << "no cell shows a checkbox of its own";
    auto checkbox = std::make_shared<ui::Button>(ui::Rect(250, 20, 30, 30));
    cell->setCheckboxView(checkbox);
    const auto stored = [] {
        return QXIMDatabase::shared()
            .historyListByUserId(HouseFavourites::userIdText())
            .value(0)
            .value("b_time")
            .toLongLong();
    };
    ASSERT_TRUE(driver_->tap(checkbox.get()));
    settle();
    EXPECT_GT(stored(), 0) << "marked: the time of marking";
    EXPECT_EQ(events().back(), "house_list_remark");
    EXPECT_TRUE(row(0)->checkboxViewSelected()) << "the list shows what the store kept";
    EXPECT_TRUE(checkbox->isSelected());
    ASSERT_TRUE(driver_->tap(checkbox.get()));
    settle();
    EXPECT_LT(stored(), 0) << "cleared: minus the time";
    EXPECT_FALSE(row(0)->checkboxViewSelected());

    // A mark the store did not write changes nothing on screen.
    onStore("DROP TABLE history");
    const QStringList before = events();
    history_->historyCellCheckboxSelected(*row(0), true);
    EXPECT_EQ(events().size(), before.size() + 1);
    EXPECT_EQ(history_->listData().size(), 1) << "no reload";

    // Without thumbnails a row is text in columns: title, place, time, price and the third
    // line's right-hand text, left of the have-pictures icon when the post has pictures.
    QXHistoryCell text;
    text.setFrame({0, 0, 320, 70});
    text.setContent({{"masterId", 7},
                     {"majorId", 1},
                     {"left1", "整租 两室"},
                     {"left2", "朝阳"},
                     {"left3", "3分钟前"},
                     {"right2", "0元/月"},
                     {"right3", "89㎡"},
                     {"haveImage", true}});
    text.setIsShowWifiImage(false);
    text.layoutIfNeeded();
    EXPECT_EQ(text.left1Lbl()->frame(), ui::Rect(8, 8, 304, 20));
    EXPECT_EQ(text.left2Lbl()->frame(), ui::Rect(8, 29, 250, 16));
    EXPECT_EQ(text.left3Lbl()->frame(), ui::Rect(8, 46, 205, 16));
    EXPECT_EQ(text.right2Lbl()->frame(), ui::Rect(220, 29, 90, 16));
    EXPECT_EQ(text.right2Lbl()->text(), "面议");
    EXPECT_EQ(text.right3Lbl()->frame(), ui::Rect(197, 46, 90, 16));
    EXPECT_FALSE(text.right3Lbl()->isHidden());
    EXPECT_FALSE(text.haveImageView()->isHidden());
    EXPECT_EQ(text.haveImageView()->frame(), ui::Rect(290, 46, 18, 18));
    EXPECT_TRUE(text.thumbnailView()->isHidden());
    text.setContent({{"masterId", 7}, {"majorId", 1}, {"right3", "89㎡"}});
    text.layoutIfNeeded();
    EXPECT_EQ(text.right3Lbl()->frame().origin.x, 220) << "without pictures, no room for the icon";
    EXPECT_TRUE(text.haveImageView()->isHidden());
}
