#include "UIKitTest.h"

#include "platform/foundation/notification_center.h"
#include "platform/uikit/action_sheet.h"
#include "platform/uikit/alert_test_driver.h"
#include "platform/uikit/alert_view.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/keyboard.h"
#include "platform/uikit/keyboard_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/menu_controller.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/pasteboard.h"
#include "platform/uikit/scroll_view.h"
#include "platform/uikit/search_bar.h"
#include "platform/uikit/search_display_controller.h"
#include "platform/uikit/string_drawing.h"
#include "platform/uikit/table_view.h"
#include "platform/uikit/test_driver.h"
#include "platform/uikit/text_field.h"
#include "platform/uikit/text_layout.h"
#include "platform/uikit/text_view.h"
#include "platform/uikit/window.h"

#include <QRectF>
#include <QStringList>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <random>

namespace {

using ui::Point;
using ui::Range;
using ui::Rect;
using ui::TextField;

class FieldLog : public ui::TextFieldDelegate {
public:
    bool textFieldShouldBeginEditing(TextField&) override {
        log << "shouldBegin";
        return allowBegin;
    }
    void textFieldDidBeginEditing(TextField&) override { log << "didBegin"; }
    bool textFieldShouldEndEditing(TextField&) override {
        log << "shouldEnd";
        return allowEnd;
    }
    void textFieldDidEndEditing(TextField&) override { log << "didEnd"; }
    bool shouldChangeCharactersInRange(TextField& field, Range range,
                                       const QString& replacement) override {
        log << QString("change{%1,%2}'%3'").arg(range.location).arg(range.length).arg(replacement);
        if (limit > 0) {
            // A length limit that trims the change itself, as the chat bar does.
            const qsizetype outside = field.text().size() - range.length;
            if (outside + replacement.size() > limit) {
                field.setText(field.text().left(range.location) +
                              replacement.left(limit - outside) + field.text().mid(range.end()));
                return false;
            }
        }
        return !refuse.isEmpty() ? !replacement.contains(refuse) : true;
    }
    bool textFieldShouldClear(TextField&) override {
        log << "shouldClear";
        return true;
    }
    bool textFieldShouldReturn(TextField&) override {
        log << "shouldReturn";
        return true;
    }

    std::string take() { return std::exchange(log, {}).join(' ').toStdString(); }
    QStringList log;
    QString refuse;
    qsizetype limit = 0;
    bool allowBegin = true;
    bool allowEnd = true;
};

class TextInputTest : public UIKitTest {
protected:
    void SetUp() override {
        UIKitTest::SetUp();
        window_ = std::make_shared<ui::Window>();
        window_->makeKeyAndVisible();
        field_ = std::make_shared<TextField>(Rect(10, 100, 300, 31));
        field_->setBorderStyle(ui::TextBorderStyle::RoundedRect);
        field_->setDelegate(log_);
        window_->addSubview(field_);
        driver_ = std::make_unique<ui::TestDriver>(window_);
        for (const QString& name :
             {ui::kKeyboardWillShowNotification, ui::kKeyboardDidShowNotification,
              ui::kKeyboardWillHideNotification, ui::kKeyboardDidHideNotification}) {
            observations_.push_back(ns::NotificationCenter::defaultCenter().addObserver(
                name, [this](const ns::Notification& n) {
                    const QRectF end = n.userInfo.value(ui::kKeyboardFrameEndUserInfoKey).toRectF();
                    keyboardLog_ << QString("%1@%2").arg(n.name.mid(10).chopped(12)).arg(end.y());
                }));
        }
    }
    void TearDown() override {
        if (ui::Responder* responder = window_->firstResponder()) responder->resignFirstResponder();
        window_.reset();
        clock().advance(1s);
        UIKitTest::TearDown();
    }
    std::string keyboard() { return std::exchange(keyboardLog_, {}).join(' ').toStdString(); }

    std::shared_ptr<ui::Window> window_;
    std::shared_ptr<TextField> field_;
    std::shared_ptr<FieldLog> log_ = std::make_shared<FieldLog>();
    std::unique_ptr<ui::TestDriver> driver_;
    std::vector<std::shared_ptr<ns::NotificationCenter::Observation>> observations_;
    QStringList keyboardLog_;
};

TEST_F(TextInputTest, ComposedChineseGoesThroughTheDelegateMarkedThenCommitted) {
    int changes = 0;
    field_->addTarget(this, ui::kControlEventEditingChanged,
                      [&](ui::Control&, const ui::Event*) { ++changes; });
    EXPECT_TRUE(driver_->tap(field_.get()));
    EXPECT_EQ(log_->take(), "shouldBegin didBegin");

    // Midway the field shows the marked text.
    ui::Window& window = *window_;
    EXPECT_TRUE(window.setMarkedText("zu", Range{2, 0}));
    EXPECT_EQ(field_->text(), "zu");
    EXPECT_EQ(field_->markedTextRange(), (Range{0, 2}));
    EXPECT_TRUE(driver_->compose({"zuf", "zufang"}, "租房"));
    EXPECT_EQ(
        log_->take(),
        "change{0,0}'zu' change{0,2}'zuf' change{0,3}'zufang' change{0,6}'' change{0,0}'租房'");
    EXPECT_EQ(field_->text(), "租房");
    EXPECT_FALSE(field_->markedTextRange());
    EXPECT_EQ(changes, 5);

    // A delegate that refuses the committed text keeps the field as it was.
    log_->refuse = "房";
    EXPECT_TRUE(driver_->compose({"f", "fa", "fang"}, "房"));
    EXPECT_EQ(field_->text(), "租房");
    EXPECT_EQ(log_->take(),
              "change{2,0}'f' change{2,1}'fa' change{2,2}'fang' change{2,4}'' change{2,0}'房'");
    EXPECT_EQ(changes, 9) << "the refused commit changed nothing";
    EXPECT_TRUE(driver_->pressBackspace());
    EXPECT_EQ(field_->text(), "租");
}

// Where, in the window, the caret of `field` stands before `position`, a little to the right.
Point justAfter(const TextField& field, qsizetype position) {
    const Rect frame = field.frame();
    const double inset = 7;  // the rounded border's
    const double x =
        ui::StringDrawing::sizeWithFont(field.text().left(position), field.font()).width;
    return {frame.origin.x + inset + x + 2, frame.center().y};
}

TEST_F(TextInputTest, ATapPutsTheCaretWhereItLandsAndTypingDeletingAndComposingActThere) {
    field_->setText("北京朝阳区");
    driver_->tapAt(justAfter(*field_, 2));
    ASSERT_TRUE(field_->isFirstResponder());
    EXPECT_EQ(field_->selectedRange(), (Range{2, 0})) << "not at the end";
    EXPECT_TRUE(driver_->type("市"));
    EXPECT_EQ(field_->text(), "北京市朝阳区");
    EXPECT_EQ(field_->selectedRange(), (Range{3, 0}));
    log_->take();

    // Typing and deleting act at the caret, the arrows move it a character at a time.
    EXPECT_TRUE(driver_->pressCaretKey(ui::CaretMovement::Left));
    EXPECT_TRUE(driver_->pressCaretKey(ui::CaretMovement::Left));
    EXPECT_TRUE(driver_->pressBackspace());
    EXPECT_EQ(field_->text(), "京市朝阳区");
    EXPECT_EQ(log_->take(), "change{0,1}''");
    EXPECT_TRUE(driver_->pressCaretKey(ui::CaretMovement::Left));
    EXPECT_EQ(field_->selectedRange(), (Range{0, 0})) << "no further than the start";
    for (int i = 0; i < 9; ++i) driver_->pressCaretKey(ui::CaretMovement::Right);
    EXPECT_EQ(field_->selectedRange(), (Range{5, 0})) << "nor than the end";
    // One line: up (and Home) go to its start, down (and End) to its end.
    driver_->pressCaretKey(ui::CaretMovement::Up);
    EXPECT_EQ(field_->selectedRange(), (Range{0, 0}));
    driver_->pressCaretKey(ui::CaretMovement::Down);
    EXPECT_EQ(field_->selectedRange(), (Range{5, 0}));

    // The input method composes at the caret; moving the caret ends a composition as shown.
    driver_->tapAt(justAfter(*field_, 3));
    EXPECT_TRUE(driver_->compose({"zh", "zhong"}, "中"));
    EXPECT_EQ(field_->text(), "京市朝中阳区");
    EXPECT_EQ(log_->take(), "change{3,0}'zh' change{3,2}'zhong' change{3,5}'' change{3,0}'中'");
    EXPECT_TRUE(ui::Window::keyWindow()->setMarkedText("a", Range{1, 0}));
    EXPECT_TRUE(driver_->pressCaretKey(ui::CaretMovement::Left));
    EXPECT_FALSE(field_->markedTextRange());
    EXPECT_EQ(field_->text(), "京市朝中a阳区");
    EXPECT_EQ(field_->selectedRange(), (Range{4, 0}));
    EXPECT_TRUE(ui::Window::keyWindow()->setMarkedText("b", Range{1, 0}));
    driver_->tapAt(justAfter(*field_, 1));
    EXPECT_FALSE(field_->markedTextRange()) << "so does a tap";
    EXPECT_EQ(field_->text(), "京市朝中ba阳区");

    // A selection collapses to its start or its end.
    field_->setSelectedRange({1, 3});
    driver_->pressCaretKey(ui::CaretMovement::Left);
    EXPECT_EQ(field_->selectedRange(), (Range{1, 0}));
    field_->setSelectedRange({1, 3});
    driver_->pressCaretKey(ui::CaretMovement::Right);
    EXPECT_EQ(field_->selectedRange(), (Range{4, 0}));

    // A character is what the reader sees as one: a letter with its accent, a pair of
    // surrogates.
    field_->setText(QString("a") + "e\u0301" + QString::fromUcs4(U"\U00020000") + "b");
    driver_->pressCaretKey(ui::CaretMovement::Left);
    driver_->pressCaretKey(ui::CaretMovement::Left);
    EXPECT_EQ(field_->selectedRange(), (Range{3, 0}));
    EXPECT_TRUE(driver_->pressBackspace());
    EXPECT_EQ(field_->text(), QString("a") + QString::fromUcs4(U"\U00020000") + "b");
    driver_->pressCaretKey(ui::CaretMovement::Right);
    EXPECT_EQ(field_->selectedRange(), (Range{3, 0}));

    // A tap on a field not yet editing lands in its text as it showed, before a long text
    // scrolled to the caret at its end.
    ASSERT_TRUE(field_->resignFirstResponder());
    EXPECT_FALSE(driver_->pressCaretKey(ui::CaretMovement::Left)) << "no text input has keys";
    field_->setText(QString(30, QChar(0x623F)));
    driver_->tapAt(justAfter(*field_, 2));
    ASSERT_TRUE(field_->isFirstResponder());
    EXPECT_EQ(field_->selectedRange(), (Range{2, 0}));
}

TEST_F(TextInputTest, TheNumberPadsKeysTypeAndDeleteAtTheCaret) {
    field_->setKeyboardType(ui::KeyboardType::NumberPad);
    field_->setText("13900");
    driver_->tapAt(justAfter(*field_, 2));
    clock().advance(250ms);
    ASSERT_TRUE(driver_->tapKey("8"));
    ASSERT_TRUE(driver_->tapKey("删除"));
    ASSERT_TRUE(driver_->tapKey("删除"));
    ASSERT_TRUE(driver_->tapKey("5"));
    EXPECT_EQ(field_->text(), "15900");
}

TEST_F(TextInputTest, ATapInATextViewPutsTheCaretOnTheLineItLandsAndTheArrowsGoAcrossLines) {
    // Not yet laid out nor given a text, a text view has a line for the caret.
    auto blank = std::make_shared<ui::TextView>(Rect(10, 140, 300, 100));
    window_->addSubview(blank);
    ASSERT_TRUE(blank->becomeFirstResponder());
    driver_->pressCaretKey(ui::CaretMovement::Down);
    driver_->pressCaretKey(ui::CaretMovement::LineEnd);
    EXPECT_EQ(blank->selectedRange(), (Range{0, 0}));
    EXPECT_EQ(blank->caretRect().minY(), 8);
    blank->removeFromSuperview();

    struct Selections : ui::TextViewDelegate {
        void textViewDidChangeSelection(ui::TextView&) override { ++changes; }
        int changes = 0;
    };
    auto selections = std::make_shared<Selections>();
    auto text = std::make_shared<ui::TextView>(Rect(10, 140, 300, 100));
    text->setFont(ui::Font::systemFontOfSize(14));
    text->setDelegate(selections);
    text->setText("采光很好\n楼层较高，安静");
    window_->addSubview(text);
    window_->layoutIfNeeded();
    const double line = text->font().lineHeight();
    // The window point a little right of where `position` of `row` starts.
    const auto at = [&](int row, qsizetype position, double below = 0.5) {
        const Rect caret = text->caretRectForPosition(position);
        EXPECT_EQ(caret.origin.y, 8 + row * line);
        return text->convertPointToView({caret.origin.x + 2, caret.origin.y + line * below},
                                        nullptr);
    };

    // A tap on the second line, between 层 and 较, then the missing 也.
    driver_->tapAt(at(1, 7));
    ASSERT_TRUE(text->isFirstResponder());
    EXPECT_EQ(text->selectedRange(), (Range{7, 0}));
    EXPECT_EQ(selections->changes, 1);
    driver_->type("也");
    EXPECT_EQ(text->text(), "采光很好\n楼层也较高，安静");
    EXPECT_TRUE(driver_->pressBackspace());
    EXPECT_TRUE(driver_->pressBackspace());
    EXPECT_EQ(text->text(), "采光很好\n楼较高，安静");

    // Up and down keep to the caret's place along the line; beyond the first and last lines
    // they go to the text's start and end.
    driver_->pressCaretKey(ui::CaretMovement::Up);
    EXPECT_EQ(text->selectedRange(), (Range{1, 0}));
    driver_->pressCaretKey(ui::CaretMovement::Down);
    EXPECT_EQ(text->selectedRange(), (Range{6, 0}));
    driver_->pressCaretKey(ui::CaretMovement::Down);
    EXPECT_EQ(text->selectedRange(), (Range{11, 0}));
    driver_->pressCaretKey(ui::CaretMovement::LineStart);
    EXPECT_EQ(text->selectedRange(), (Range{5, 0}));
    driver_->pressCaretKey(ui::CaretMovement::LineEnd);
    EXPECT_EQ(text->selectedRange(), (Range{11, 0}));
    driver_->pressCaretKey(ui::CaretMovement::Up);
    EXPECT_EQ(text->selectedRange(), (Range{4, 0})) << "the first line is shorter";
    driver_->pressCaretKey(ui::CaretMovement::Up);
    EXPECT_EQ(text->selectedRange(), (Range{0, 0}));
    driver_->pressCaretKey(ui::CaretMovement::Down);
    driver_->pressCaretKey(ui::CaretMovement::Left);
    EXPECT_EQ(text->selectedRange(), (Range{4, 0})) << "over the line break";
    EXPECT_EQ(selections->changes, 10);

    // Below the last line a tap goes to the nearest place on it, above the first to the first.
    driver_->tapAt(text->convertPointToView({290, 90}, nullptr));
    EXPECT_EQ(text->selectedRange(), (Range{11, 0}));
    driver_->tapAt(text->convertPointToView({0, 1}, nullptr));
    EXPECT_EQ(text->selectedRange(), (Range{0, 0}));

    // Wrapped lines: the end of one is the start of the next, and the caret there shows on
    // the line it went to; a caret moved out of view brings the text along.
    text->setText(QString(60, QChar(0x6C49)));
    text->setFrame(Rect(10, 140, 300, 40));
    window_->layoutIfNeeded();
    const auto row = [&](qsizetype position) {
        return std::lround((text->caretRectForPosition(position).origin.y - 8) / line);
    };
    const auto caretRow = [&] { return std::lround((text->caretRect().origin.y - 8) / line); };
    ASSERT_EQ(row(60), 2) << "three lines";
    qsizetype endOfSecond = 60;
    while (row(endOfSecond - 1) == 2) --endOfSecond;
    const double rightOfSecond = text->caretRectForPosition(endOfSecond - 1).maxX();
    driver_->pressCaretKey(ui::CaretMovement::LineEnd);
    EXPECT_EQ(text->selectedRange(), (Range{60, 0}));
    EXPECT_GT(text->contentOffset().y, 0) << "the end in view";
    driver_->pressCaretKey(ui::CaretMovement::Up);
    EXPECT_EQ(text->selectedRange(), (Range{endOfSecond, 0}));
    EXPECT_EQ(caretRow(), 1) << "after the second line's last character";
    EXPECT_GT(text->caretRect().minX(), rightOfSecond);
    EXPECT_LE(text->contentOffset().y, text->caretRect().minY()) << "its line in view";
    driver_->pressCaretKey(ui::CaretMovement::LineStart);
    driver_->pressCaretKey(ui::CaretMovement::LineEnd);
    EXPECT_EQ(text->selectedRange(), (Range{endOfSecond, 0}));
    EXPECT_EQ(caretRow(), 1);
    driver_->pressCaretKey(ui::CaretMovement::Down);
    EXPECT_EQ(text->selectedRange(), (Range{60, 0})) << "from the end to the end";
    driver_->pressCaretKey(ui::CaretMovement::Up);
    driver_->pressCaretKey(ui::CaretMovement::Right);
    driver_->pressCaretKey(ui::CaretMovement::Left);
    EXPECT_EQ(text->selectedRange(), (Range{endOfSecond, 0}));
    EXPECT_EQ(caretRow(), 2) << "the left arrow goes to a character's start";
    driver_->pressCaretKey(ui::CaretMovement::Left);
    EXPECT_EQ(caretRow(), 1);
    for (int i = 0; i < 4; ++i) driver_->pressCaretKey(ui::CaretMovement::Up);
    EXPECT_EQ(text->selectedRange(), (Range{0, 0}));
    EXPECT_EQ(text->contentOffset().y, 0) << "the start in view";
    driver_->tapAt(text->convertPointToView({295, 8 + line * 1.5}, nullptr));
    EXPECT_EQ(text->selectedRange(), (Range{endOfSecond, 0})) << "right of the second line";
    EXPECT_EQ(caretRow(), 1);

    // A selection ends after its last character, and starts before its first, also where
    // a line wraps: the second line selected, End stays on it.
    const Range second{endOfSecond / 2, endOfSecond / 2};
    text->setSelectedRange(second);
    text->setContentOffset({0, 0});
    text->scrollRangeToVisible(second);
    EXPECT_NEAR(text->contentOffset().y, 8 + line, 0.01) << "the second line, not the third";
    driver_->pressCaretKey(ui::CaretMovement::LineEnd);
    EXPECT_EQ(text->selectedRange(), (Range{endOfSecond, 0}));
    EXPECT_EQ(caretRow(), 1);
    // A composition that wraps onto the third line, its first character selected.
    EXPECT_TRUE(window_->setMarkedText("汉字", Range{0, 1}));
    EXPECT_EQ(text->selectedRange(), (Range{endOfSecond, 1}));
    EXPECT_EQ(caretRow(), 2);
    window_->unmarkText();
}

// The places the caret may stand in `text`: the edges of its characters as the reader sees
// them, its start and end included.
std::vector<qsizetype> caretPlacesOf(const QString& text) {
    std::vector<qsizetype> places{0};
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    for (qsizetype next = finder.toNextBoundary(); next > 0; next = finder.toNextBoundary()) {
        places.push_back(next);
    }
    return places;
}

// A text of Latin words, Chinese, blanks (some where a line wraps), line breaks (some making
// empty lines) and characters of two units, `units` long or a little more.
QString randomText(std::mt19937& random, int units) {
    const QStringList pieces =
        QStringLiteral("我对您的房源|很感兴趣，|请尽快联系我|a|Wang|flat| |  |\n|\n\n|🏠|𠮷房")
            .split('|');
    QString text;
    while (text.size() < units) text += pieces[qsizetype(random() % pieces.size())];
    return text;
}

// At any width and whatever the text, End puts the caret after the last character of its
// line and shows it there, where a tap right of the line puts it, also where the line wraps
// and the next one starts at the same position; typing there goes on from that character.
// Home goes to the line's start, the up and down arrows from a line's end to the next line
// and the one before, and no key or tap puts the caret inside a character.
TEST_F(TextInputTest, EndPutsTheCaretAfterItsLinesLastCharacterAtAnyWidth) {
    std::mt19937 random(20240611);
    auto view = std::make_shared<ui::TextView>(Rect(0, 20, 300, 240));
    view->setFont(ui::Font::systemFontOfSize(14));
    window_->addSubview(view);
    const double line = view->font().lineHeight();
    for (int round = 0; round < 100; ++round) {
        const QString text = randomText(random, 10 + int(random() % 50));
        const double width = 30 + double(random() % 270);
        view->setFrame(Rect(0, 20, width, 240));
        view->setText(text);
        window_->layoutIfNeeded();
        if (view->contentSize().height > 240 - line) continue;  // typing never scrolls it
        SCOPED_TRACE(QString("width %1, \"%2\"").arg(width).arg(text).toStdString());
        const std::vector<qsizetype> places = caretPlacesOf(text);
        const auto rowOf = [&](const Rect& caret) {
            return std::lround((caret.minY() - 8) / line);
        };
        const auto caretRow = [&] { return rowOf(view->caretRect()); };
        const auto caretAt = [&] { return view->selectedRange().location; };
        const auto expectACaretPlace = [&] {
            EXPECT_TRUE(std::ranges::binary_search(places, caretAt())) << caretAt();
        };
        // The first and last place each row shows a caret before (not after) a character at.
        std::vector<std::pair<qsizetype, qsizetype>> rows;
        for (const qsizetype place : places) {
            const auto row = std::size_t(rowOf(view->caretRectForPosition(place)));
            if (row >= rows.size()) rows.resize(row + 1, {place, place});
            rows[row].second = place;
        }
        // The lines a label of the text's width shows.
        const QStringList lines = ui::TextLayout(text, view->font(),
                                                 {.width = width - 2 * ui::TextView::kLinePadding,
                                                  .mode = ui::LineBreakMode::WordWrap})
                                      .lineTexts();
        ASSERT_EQ(qsizetype(rows.size()), lines.size());
        for (std::size_t row = 0; row < rows.size(); ++row) {
            SCOPED_TRACE("row " + std::to_string(row));
            const auto [start, last] = rows[row];
            const bool wraps = last < text.size() && text[last] != u'\n';
            const qsizetype end = wraps ? *std::ranges::upper_bound(places, last) : last;
            EXPECT_EQ(text.mid(start, end - start).trimmed(), lines[qsizetype(row)]);
            const double middle = 8 + (double(row) + 0.5) * line;
            const auto tapRightOfTheLine = [&] {
                driver_->tapAt(view->convertPointToView({width - 1, middle}, nullptr));
            };

            tapRightOfTheLine();
            ASSERT_TRUE(view->isFirstResponder());
            EXPECT_EQ(caretAt(), end);
            EXPECT_EQ(caretRow(), long(row));
            const Rect tapped = view->caretRect();
            if (last < end) {
                const double lastStart = view->caretRectForPosition(last).minX();
                if (text[last].isSpace()) {
                    EXPECT_GE(tapped.minX(), lastStart) << "a blank may reach the edge";
                } else {
                    EXPECT_GT(tapped.minX(), lastStart) << "after the last character";
                }
            }
            driver_->tapAt(view->convertPointToView({width / 3, middle}, nullptr));
            driver_->pressCaretKey(ui::CaretMovement::LineStart);
            EXPECT_EQ(caretAt(), start);
            EXPECT_EQ(caretRow(), long(row));
            driver_->pressCaretKey(ui::CaretMovement::LineEnd);
            EXPECT_EQ(caretAt(), end);
            EXPECT_EQ(view->caretRect(), tapped) << "where the tap put it";
            driver_->pressCaretKey(ui::CaretMovement::LineEnd);
            EXPECT_EQ(view->caretRect(), tapped) << "End again stays";

            driver_->pressCaretKey(ui::CaretMovement::Down);
            expectACaretPlace();
            if (row + 1 < rows.size()) {
                EXPECT_EQ(caretRow(), long(row + 1)) << "down to the next line";
            } else {
                EXPECT_EQ(caretAt(), text.size());
            }
            tapRightOfTheLine();
            driver_->pressCaretKey(ui::CaretMovement::Up);
            expectACaretPlace();
            if (row > 0) {
                EXPECT_EQ(caretRow(), long(row - 1)) << "up to the line before";
            } else {
                EXPECT_EQ(caretAt(), 0);
            }

            tapRightOfTheLine();
            driver_->type("Z");
            EXPECT_EQ(view->text(), text.left(end) + "Z" + text.mid(end));
            const Rect typed = view->caretRectForPosition(end);
            EXPECT_EQ(view->caretRect().minY(), typed.minY()) << "the caret follows the Z";
            EXPECT_GT(view->caretRect().minX(), typed.minX());
            driver_->pressBackspace();
            ASSERT_EQ(view->text(), text);
            driver_->pressReturn();
            EXPECT_EQ(caretRow(), long(row + 1)) << "a line break starts a line";
            EXPECT_EQ(view->caretRect().minX(), view->caretRectForPosition(0).minX());
            driver_->pressBackspace();
            ASSERT_EQ(view->text(), text);
        }
    }
}

// Home and the up arrow go from a selection's start, End and the down arrow from its end, each
// from the line it shows on (a selection starts on the line it starts, also where that line
// begins at a wrap, and ends on the line of its last character); the selection collapses to the
// caret they put, which shows on the line said.
TEST_F(TextInputTest, HomeUpEndAndDownGoFromTheEndsOfASelectionAcrossWrappedLines) {
    auto text = std::make_shared<ui::TextView>(Rect(10, 20, 300, 200));
    text->setFont(ui::Font::systemFontOfSize(14));
    text->setText(QString(80, QChar(0x6C49)));
    window_->addSubview(text);
    window_->layoutIfNeeded();
    const double line = text->font().lineHeight();
    const auto rowOf = [&](const Rect& caret) { return std::lround((caret.minY() - 8) / line); };
    // Where each line starts: lines of one character repeated hold as many each.
    std::vector<qsizetype> starts{0};
    for (qsizetype at = 1; at < 80; ++at) {
        if (rowOf(text->caretRectForPosition(at)) > long(starts.size()) - 1) starts.push_back(at);
    }
    ASSERT_EQ(starts.size(), 4u);
    const qsizetype second = starts[1];
    const qsizetype third = starts[2];
    const qsizetype fourth = starts[3];
    ASSERT_GT(80 - fourth, 3);
    ASSERT_TRUE(text->becomeFirstResponder());

    struct Case {
        Range selection;
        ui::CaretMovement key;
        qsizetype caret;
        long row;
    };
    using enum ui::CaretMovement;
    const Case cases[] = {
        // From the middle of the first line to the middle of the second.
        {{3, second}, LineStart, 0, 0},
        {{3, second}, Up, 0, 0},
        {{3, second}, LineEnd, third, 1},
        {{3, second}, Down, third + 3, 2},
        // From the middle of the second line to the middle of the third.
        {{second + 3, second}, LineStart, second, 1},
        {{second + 3, second}, Up, 3, 0},
        {{second + 3, second}, LineEnd, fourth, 2},
        {{second + 3, second}, Down, fourth + 3, 3},
        // From the start of the second line, where the first wraps into it.
        {{second, 5}, LineStart, second, 1},
        {{second, 5}, Up, 0, 0},
        // To the end of the second line, where it wraps into the third.
        {{3, third - 3}, LineEnd, third, 1},
        {{3, third - 3}, Down, fourth, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QString("{%1,%2} key %3")
                         .arg(c.selection.location)
                         .arg(c.selection.length)
                         .arg(int(c.key))
                         .toStdString());
        text->setSelectedRange(c.selection);
        ASSERT_TRUE(driver_->pressCaretKey(c.key));
        EXPECT_EQ(text->selectedRange(), (Range{c.caret, 0}));
        EXPECT_EQ(rowOf(text->caretRect()), c.row);
    }
}

// A centred or right-aligned text view lays each wrapped line out by its own width within the
// lines' width (the view's, less the padding on each side): the text is drawn there, the caret
// stands there and a tap lands there.
TEST_F(TextInputTest, ACentredOrRightAlignedTextViewPlacesEachLineByItsOwnWidth) {
    auto text = std::make_shared<ui::TextView>(Rect(10, 60, 300, 120));
    const ui::Font font = ui::Font::systemFontOfSize(14);
    text->setFont(font);
    const QString written = QString(30, QChar(0x623F)) + QStringLiteral("\n采光好");
    text->setText(written);
    window_->addSubview(text);
    window_->layoutIfNeeded();
    const double left = ui::TextView::kLinePadding;
    const double width = 300 - 2 * ui::TextView::kLinePadding;
    const double lineHeight = font.lineHeight();
    const std::vector<Range> lines =
        ui::TextLayout(written, font, {.width = width, .mode = ui::LineBreakMode::WordWrap})
            .lineRanges();
    ASSERT_EQ(lines.size(), 3u) << "a full line, the rest of it, a short one";
    const auto widthOf = [&](const QString& piece) {
        return ui::StringDrawing::sizeWithFont(piece, font).width;
    };

    for (const auto alignment : {ui::TextAlignment::Center, ui::TextAlignment::Right}) {
        SCOPED_TRACE(int(alignment));
        ASSERT_TRUE(text->resignFirstResponder());
        text->setTextAlignment(alignment);
        // Where each line starts, by its own width.
        std::vector<double> lineStarts;
        for (const Range& range : lines) {
            const double room = width - widthOf(written.mid(range.location, range.length));
            lineStarts.push_back(left + (alignment == ui::TextAlignment::Center ? room / 2 : room));
        }
        // The text is drawn there: each line's ink lies between its start and its end.
        const QImage shot = driver_->screenshot(2)->pixels();
        for (std::size_t l = 0; l < lines.size(); ++l) {
            SCOPED_TRACE("line " + std::to_string(l));
            const double lineWidth = widthOf(written.mid(lines[l].location, lines[l].length));
            const double top = 60 + 8 + double(l) * lineHeight;
            int inkLeft = shot.width();
            int inkRight = -1;
            for (int y = int(top * 2); y < int((top + lineHeight) * 2); ++y) {
                for (int x = 20; x < 620; ++x) {
                    if (qGray(shot.pixel(x, y)) >= 100) continue;
                    inkLeft = std::min(inkLeft, x);
                    inkRight = std::max(inkRight, x);
                }
            }
            ASSERT_GE(inkRight, 0) << "nothing drawn";
            EXPECT_NEAR(inkLeft / 2.0, 10 + lineStarts[l], 2);
            EXPECT_NEAR(inkRight / 2.0, 10 + lineStarts[l] + lineWidth, 2);
        }
        // The caret stands there, before each character and after the last.
        for (std::size_t l = 0; l < lines.size(); ++l) {
            const Range range = lines[l];
            for (qsizetype at = range.location; at <= range.end(); ++at) {
                const double x =
                    lineStarts[l] + widthOf(written.mid(range.location, at - range.location));
                if (at == range.end() && l + 1 < lines.size() && at == lines[l + 1].location)
                    continue;  // the next line's start
                EXPECT_NEAR(text->caretRectForPosition(at).minX(), std::min(x, left + width), 0.5)
                    << "line " << l << " position " << at;
            }
        }
        // A tap lands there: just right of the second character's end on each line.
        for (std::size_t l = 0; l < lines.size(); ++l) {
            const double x = lineStarts[l] + widthOf(written.mid(lines[l].location, 2)) + 1;
            driver_->tapAt(
                text->convertPointToView({x, 8 + (double(l) + 0.5) * lineHeight}, nullptr));
            ASSERT_TRUE(text->isFirstResponder());
            EXPECT_EQ(text->selectedRange(), (Range{lines[l].location + 2, 0})) << "line " << l;
        }
    }
}

TEST_F(TextInputTest, KeyboardShowsForTextInputsAndStaysWhileFocusMoves) {
    auto second = std::make_shared<TextField>(Rect(10, 150, 300, 31));
    window_->addSubview(second);
    EXPECT_TRUE(field_->becomeFirstResponder());
    log_->take();
    EXPECT_TRUE(ui::Keyboard::shared().isVisible());
    EXPECT_EQ(ui::Keyboard::shared().frame(), Rect(0, 264, 320, 216));
    EXPECT_EQ(keyboard(), "WillShow@264");
    clock().advance(250ms);
    EXPECT_EQ(keyboard(), "DidShow@264");
    ASSERT_NE(ui::Keyboard::shared().view(), nullptr);
    EXPECT_EQ(ui::Keyboard::shared().view()->frame(), Rect(0, 264, 320, 216));

    EXPECT_TRUE(driver_->tap(second.get()));
    EXPECT_TRUE(second->isFirstResponder());
    EXPECT_EQ(log_->take(), "shouldEnd didEnd");
    clock().advance(1s);
    EXPECT_EQ(keyboard(), "") << "moving between fields keeps the keyboard up";

    // A delegate may keep the field from beginning or from ending.
    log_->allowBegin = false;
    EXPECT_FALSE(driver_->tap(field_.get()) && field_->isFirstResponder());
    log_->allowBegin = true;
    EXPECT_TRUE(field_->becomeFirstResponder());
    log_->allowEnd = false;
    EXPECT_FALSE(field_->resignFirstResponder());
    EXPECT_FALSE(second->becomeFirstResponder());
    log_->allowEnd = true;
    EXPECT_TRUE(field_->resignFirstResponder());
    EXPECT_EQ(keyboard(), "WillHide@480");
    clock().advance(250ms);
    EXPECT_EQ(keyboard(), "DidHide@480");
    EXPECT_FALSE(ui::Keyboard::shared().isVisible());
    EXPECT_EQ(ui::Keyboard::shared().view()->superview(), nullptr);
}

TEST_F(TextInputTest, TheKeyboardsLetterKeysTypeWithShiftSpaceDeleteAndReturn) {
    field_->setReturnKeyType(ui::ReturnKeyType::Search);
    ASSERT_TRUE(driver_->tap(field_.get()));
    clock().advance(250ms);
    ui::KeyboardView& keys = *ui::Keyboard::shared().view();
    EXPECT_EQ(keys.plane(), ui::KeyboardView::Plane::Letters);
    EXPECT_FALSE(driver_->tapKey("换行")) << "the return key says what it does";
    log_->take();
    for (const char* label : {"⇧", "b", "e", "i", "空格", "j", "i", "n", "g", "x"}) {
        ASSERT_TRUE(driver_->tapKey(label)) << label;
    }
    ASSERT_TRUE(driver_->tapKey("删除"));
    EXPECT_EQ(field_->text(), "Bei jing") << "shift holds for one letter";
    EXPECT_TRUE(matchesReference(driver_->screenshot()->pixels(), "keyboard_letters.png"));
    EXPECT_EQ(log_->log.count(QStringLiteral("change{8,1}''")), 1) << "delete asks the delegate";
    ASSERT_TRUE(driver_->tapKey("搜索"));
    ASSERT_FALSE(log_->log.isEmpty());
    EXPECT_EQ(log_->log.last(), "shouldReturn");
    EXPECT_EQ(field_->text(), "Bei jing") << "a field's return key adds no line";

    // A finger that slides from one key to another types the key where it lifts; one that
    // lifts above the keyboard types nothing.
    const ui::KeyboardView::Key q = *keys.keyLabelled("q");
    const ui::KeyboardView::Key w = *keys.keyLabelled("w");
    const auto onScreen = [&](const ui::KeyboardView::Key& key) {
        return keys.convertPointToView(key.frame.center(), nullptr);
    };
    window_->touchDown(onScreen(q));
    window_->touchMove(onScreen(w));
    window_->touchUp(onScreen(w));
    EXPECT_EQ(field_->text(), "Bei jingw");
    window_->touchDown(onScreen(q));
    window_->touchMove({onScreen(q).x, 120});
    window_->touchUp({onScreen(q).x, 120});
    EXPECT_EQ(field_->text(), "Bei jingw");

    // With the field gone the keys type nowhere.
    ASSERT_TRUE(field_->resignFirstResponder());
    EXPECT_FALSE(driver_->tapKey("a"));
}

TEST_F(TextInputTest, TheKeyboardsPlanesTypeDigitsPunctuationAndSymbols) {
    ASSERT_TRUE(field_->becomeFirstResponder());
    clock().advance(250ms);
    ui::KeyboardView& keys = *ui::Keyboard::shared().view();
    EXPECT_FALSE(driver_->tapKey("1")) << "letters first";
    ASSERT_TRUE(driver_->tapKey("123"));
    EXPECT_EQ(keys.plane(), ui::KeyboardView::Plane::Digits);
    EXPECT_TRUE(matchesReference(driver_->screenshot()->pixels(), "keyboard_digits.png"));
    for (const char* label : {"1", "0", "-", "¥", "\"", "?"}) ASSERT_TRUE(driver_->tapKey(label));
    ASSERT_TRUE(driver_->tapKey("#+="));
    for (const char* label : {"[", "#", "_", "€"}) ASSERT_TRUE(driver_->tapKey(label));
    ASSERT_TRUE(driver_->tapKey("123"));
    ASSERT_TRUE(driver_->tapKey("ABC"));
    ASSERT_TRUE(driver_->tapKey("z"));
    EXPECT_EQ(field_->text(), "10-¥\"?[#_€z");

    // Every key lies inside the keyboard, none over another.
    for (const auto plane : {ui::KeyboardView::Plane::Letters, ui::KeyboardView::Plane::Digits,
                             ui::KeyboardView::Plane::Symbols}) {
        keys.setPlane(plane);
        const auto& all = keys.keys();
        for (std::size_t i = 0; i < all.size(); ++i) {
            EXPECT_TRUE(keys.bounds().contains(all[i].frame)) << all[i].label.toStdString();
            for (std::size_t j = i + 1; j < all.size(); ++j) {
                EXPECT_FALSE(all[i].frame.intersects(all[j].frame))
                    << all[i].label.toStdString() << " " << all[j].label.toStdString();
            }
        }
    }
}

TEST_F(TextInputTest, AFieldThatAsksForANumberPadGetsOne) {
    auto phone = std::make_shared<TextField>(Rect(10, 150, 300, 31));
    phone->setBorderStyle(ui::TextBorderStyle::RoundedRect);
    phone->setPlaceholder(QStringLiteral("请输入手机号码"));
    phone->setKeyboardType(ui::KeyboardType::NumberPad);
    window_->addSubview(phone);
    ASSERT_TRUE(field_->becomeFirstResponder());
    clock().advance(250ms);
    ui::KeyboardView& keys = *ui::Keyboard::shared().view();

    // Moving to the phone field keeps the keyboard up with the number pad.
    ASSERT_TRUE(driver_->tap(phone.get()));
    clock().advance(250ms);
    EXPECT_EQ(keys.plane(), ui::KeyboardView::Plane::NumberPad);
    EXPECT_FALSE(driver_->tapKey("a"));
    EXPECT_FALSE(driver_->tapKey("换行")) << "a number pad has no return key";
    EXPECT_FALSE(driver_->tapKey(".")) << "nor a point";
    for (const char* label : {"1", "3", "8", "0", "0", "删除", "9"}) {
        ASSERT_TRUE(driver_->tapKey(label)) << label;
    }
    EXPECT_EQ(phone->text(), "13809");
    EXPECT_TRUE(matchesReference(driver_->screenshot()->pixels(), "keyboard_number_pad.png"));

    // Back in the plain field: letters again; a decimal pad has its point, a phone pad a plus.
    ASSERT_TRUE(driver_->tap(field_.get()));
    EXPECT_EQ(keys.plane(), ui::KeyboardView::Plane::Letters);
    phone->setKeyboardType(ui::KeyboardType::DecimalPad);
    ASSERT_TRUE(driver_->tap(phone.get()));
    ASSERT_TRUE(driver_->tapKey("."));
    phone->setKeyboardType(ui::KeyboardType::PhonePad);
    ASSERT_TRUE(driver_->tap(field_.get()));
    ASSERT_TRUE(driver_->tap(phone.get()));
    ASSERT_TRUE(driver_->tapKey("+"));
    EXPECT_EQ(phone->text(), "13809.+");
    phone->setKeyboardType(ui::KeyboardType::NumbersAndPunctuation);
    ASSERT_TRUE(driver_->tap(field_.get()));
    ASSERT_TRUE(driver_->tap(phone.get()));
    EXPECT_EQ(keys.plane(), ui::KeyboardView::Plane::Digits);
}

// The desktop's keys, its input method and the pasteboard bring any text; a field with a
// number pad takes of it only what the pad's keys type. A full-width digit (an input
// method's full-width mode) is its digit and "。" a decimal pad's point, so that what the
// user meant is not misread; text of which nothing is left changes nothing.
TEST_F(TextInputTest, APadTakesFromTheDesktopOnlyWhatItsKeysType) {
    field_->setKeyboardType(ui::KeyboardType::NumberPad);
    int exits = 0;
    field_->addTarget(this, ui::kControlEventEditingDidEndOnExit,
                      [&](ui::Control&, const ui::Event*) { ++exits; });
    ASSERT_TRUE(driver_->tap(field_.get()));
    ASSERT_TRUE(driver_->type("129"));
    log_->take();
    EXPECT_TRUE(driver_->type("你"));
    EXPECT_TRUE(driver_->type("a"));
    EXPECT_TRUE(driver_->compose({"n", "ni"}, "你"));
    EXPECT_EQ(log_->take(), "") << "nothing was proposed";
    EXPECT_TRUE(driver_->type("45"));
    EXPECT_EQ(field_->text(), "12945");
    EXPECT_TRUE(driver_->type("6a7 8-"));
    EXPECT_TRUE(driver_->type(QStringLiteral("０９")));
    EXPECT_EQ(field_->text(),
              "12945678"
              "09");
    EXPECT_TRUE(driver_->pressReturn());
    EXPECT_EQ(log_->take(), "change{3,0}'45' change{5,0}'678' change{8,0}'09'")
        << "return asks nothing";
    EXPECT_EQ(exits, 0);
    EXPECT_TRUE(field_->isFirstResponder());

    // A composition shows what the pad types of it, its selection where it falls there.
    EXPECT_TRUE(window_->setMarkedText("1x2y", Range{3, 1}));
    EXPECT_EQ(field_->text(),
              "1294567809"
              "12");
    EXPECT_EQ(field_->markedTextRange(), (Range{10, 2}));
    EXPECT_EQ(field_->selectedRange(), (Range{12, 0}));
    EXPECT_TRUE(window_->setMarkedText("x1y2", Range{1, 2}));
    EXPECT_EQ(field_->selectedRange(), (Range{10, 1}));
    EXPECT_TRUE(window_->setMarkedText("zhong", Range{5, 0}));
    EXPECT_FALSE(field_->markedTextRange()) << "nothing of it shows";
    EXPECT_EQ(field_->text(), "1294567809");

    // Over a selection, letters leave it as it was; a paste takes the digits of a number
    // written with spaces or dashes, or nothing when it has none.
    field_->setSelectedRange({0, 3});
    EXPECT_TRUE(driver_->type("abc"));
    EXPECT_EQ(field_->text(), "1294567809");
    EXPECT_EQ(field_->selectedRange(), (Range{0, 3}));
    ui::Pasteboard::generalPasteboard().setString("没有号码");
    field_->performAction("paste");
    EXPECT_EQ(field_->text(), "1294567809");
    ui::Pasteboard::generalPasteboard().setString("138-1234 5678");
    field_->performAction("paste");
    EXPECT_EQ(field_->text(), "138123456784567809");

    // The decimal pad has its point, the phone pad its plus; neither has the other's.
    field_->setText({});
    field_->setKeyboardType(ui::KeyboardType::DecimalPad);
    EXPECT_TRUE(driver_->type(QStringLiteral("3。5+．２5")));
    EXPECT_EQ(field_->text(), "3.5.25");
    field_->setText({});
    field_->setKeyboardType(ui::KeyboardType::PhonePad);
    EXPECT_TRUE(driver_->type(QStringLiteral("＋86 138.0")));
    EXPECT_EQ(field_->text(), "+861380");

    // Other keyboards take what they are given, and their return key.
    for (const auto type : {ui::KeyboardType::Default, ui::KeyboardType::NumbersAndPunctuation,
                            ui::KeyboardType::NamePhonePad}) {
        field_->setText({});
        field_->setKeyboardType(type);
        EXPECT_TRUE(driver_->type(QStringLiteral("a你１。")));
        EXPECT_EQ(field_->text(), QStringLiteral("a你１。")) << int(type);
    }
    EXPECT_TRUE(driver_->pressReturn());
    EXPECT_EQ(exits, 1);

    // A text view with a number pad types no line break.
    auto digits = std::make_shared<ui::TextView>(Rect(10, 140, 300, 100));
    digits->setKeyboardType(ui::KeyboardType::NumberPad);
    window_->addSubview(digits);
    ASSERT_TRUE(digits->becomeFirstResponder());
    EXPECT_TRUE(driver_->type("1a"));
    EXPECT_TRUE(driver_->pressReturn());
    EXPECT_TRUE(driver_->type("2"));
    EXPECT_EQ(digits->text(), "12");
}

TEST_F(TextInputTest, AKeyboardThatChangesHeightSlidesToItsNewFrame) {
    struct HeightBack {
        ~HeightBack() { ui::Keyboard::shared().setHeight(ui::Keyboard::kHeight); }
    } heightBack;
    // A height set while the keyboard is down tells nothing until it shows.
    ui::Keyboard::shared().setHeight(252);
    clock().advance(1s);
    EXPECT_EQ(keyboard(), "");
    EXPECT_TRUE(field_->becomeFirstResponder());
    clock().advance(250ms);
    EXPECT_EQ(keyboard(), "WillShow@228 DidShow@228");

    // Up, it slides to each new height; a change in the middle of a slide ends that slide
    // without its did-show.
    ui::Keyboard::shared().setHeight(216);
    clock().advance(100ms);
    ui::Keyboard::shared().setHeight(290);
    clock().advance(250ms);
    EXPECT_EQ(keyboard(), "WillShow@264 WillShow@190 DidShow@190");
    EXPECT_EQ(ui::Keyboard::shared().frame(), Rect(0, 190, 320, 290));
    EXPECT_EQ(ui::Keyboard::shared().view()->frame(), Rect(0, 190, 320, 290));
    ui::Keyboard::shared().setHeight(290);
    EXPECT_EQ(keyboard(), "") << "the same height again moves nothing";
    EXPECT_TRUE(field_->resignFirstResponder());
    clock().advance(250ms);
    EXPECT_EQ(keyboard(), "WillHide@480 DidHide@480");
}

TEST_F(TextInputTest, ReturnClearButtonAndLengthLimit) {
    int exits = 0;
    field_->addTarget(this, ui::kControlEventEditingDidEndOnExit,
                      [&](ui::Control&, const ui::Event*) { ++exits; });
    field_->setClearButtonMode(ui::TextFieldViewMode::WhileEditing);
    field_->setReturnKeyType(ui::ReturnKeyType::Send);
    field_->becomeFirstResponder();
    driver_->type("北京");
    field_->layoutIfNeeded();
    ASSERT_NE(field_->clearButton(), nullptr);
    log_->take();
    EXPECT_TRUE(driver_->tap(field_->clearButton()));
    EXPECT_EQ(field_->text(), "");
    EXPECT_EQ(log_->take(), "shouldClear") << "clearing asks no change of characters";

    // The limit trims a paste to what fits and refuses the paste itself.
    log_->limit = 5;
    driver_->type("上海");
    driver_->type("一二三四五");
    EXPECT_EQ(field_->text(), "上海一二三");
    log_->take();

    EXPECT_TRUE(driver_->pressReturn());
    EXPECT_EQ(log_->take(), "shouldReturn shouldEnd didEnd");
    EXPECT_EQ(exits, 1);
    EXPECT_FALSE(field_->isFirstResponder());
    EXPECT_EQ(field_->text(), "上海一二三") << "return types nothing into a field";
}

TEST_F(TextInputTest, SecureEntryShowsBulletsAndOffersNoCopy) {
    field_->setSecureTextEntry(true);
    field_->becomeFirstResponder();
    driver_->type("mima");
    EXPECT_EQ(field_->shownText(), QString(4, QChar(0x2022)));
    EXPECT_EQ(field_->text(), "mima");
    field_->setSelectedRange({0, 4});
    EXPECT_FALSE(field_->canPerformAction("copy"));
}

TEST_F(TextInputTest, EditMenuPastesCopiesAndHidesOnATapOutside) {
    ui::Pasteboard::generalPasteboard().setString("朝阳区");
    driver_->longPressAt(Point(100, 115));
    ui::MenuController& menu = ui::MenuController::sharedMenuController();
    ASSERT_TRUE(menu.isMenuVisible());
    EXPECT_TRUE(field_->isFirstResponder());
    EXPECT_EQ(menu.visibleTitles(), QStringList({"粘贴"}));
    EXPECT_TRUE(driver_->tapText("粘贴"));
    EXPECT_FALSE(menu.isMenuVisible());
    EXPECT_EQ(field_->text(), "朝阳区");
    EXPECT_EQ(log_->take(), "shouldBegin didBegin change{0,0}'朝阳区'");

    field_->setSelectedRange({0, 2});
    menu.setTargetRect(field_->bounds(), field_.get());
    menu.setMenuVisible(true);
    EXPECT_EQ(menu.visibleTitles(), QStringList({"剪切", "拷贝", "粘贴"}));
    EXPECT_TRUE(menu.performItem("拷贝"));
    EXPECT_EQ(ui::Pasteboard::generalPasteboard().string(), "朝阳");
    menu.setMenuVisible(true);
    driver_->tapAt(Point(160, 400));
    EXPECT_FALSE(menu.isMenuVisible());
}

// A field is one line: what is pasted into it has each line break made a blank (a carriage
// return with its line feed is one break), so that it holds what it shows. A text view takes
// the lines as they are; one whose text may not be selected offers nothing to copy or select.
TEST_F(TextInputTest, PastedLinesBecomeOneLineInAFieldAndStayLinesInATextView) {
    const QString lines = QStringLiteral("近地铁\r\n采光好\n安静\r南向\u2028精装\u2029满五");
    ui::Pasteboard::generalPasteboard().setString(lines);
    ASSERT_TRUE(field_->becomeFirstResponder());
    log_->take();
    field_->performAction("paste");
    EXPECT_EQ(field_->text(), "近地铁 采光好 安静 南向 精装 满五");
    EXPECT_EQ(log_->take(), "change{0,0}'近地铁 采光好 安静 南向 精装 满五'");

    auto text = std::make_shared<ui::TextView>(Rect(10, 140, 300, 100));
    window_->addSubview(text);
    ASSERT_TRUE(text->becomeFirstResponder());
    ASSERT_TRUE(text->canPerformAction("paste"));
    text->performAction("paste");
    EXPECT_EQ(text->text(), lines);
    EXPECT_TRUE(text->canPerformAction("select"));
    text->setSelectedRange({0, 3});
    EXPECT_TRUE(text->canPerformAction("copy"));
    text->setSelectable(false);
    for (const char* action : {"copy", "cut", "select", "selectAll"})
        EXPECT_FALSE(text->canPerformAction(action)) << action;
    text->setSelectedRange({0, 0});
    EXPECT_FALSE(text->canPerformAction("select"));
    EXPECT_TRUE(text->canPerformAction("paste"));
}

// A long press in a text view shows the edit menu a field shows. Without a selection it puts
// the caret under the finger, as a tap does, and the menu shows just above the caret; a
// selection stays, for the menu to copy or cut, and the menu shows above its first line.
TEST_F(TextInputTest, ALongPressInATextViewPutsTheCaretThereAndShowsTheEditMenuAboveIt) {
    ui::Pasteboard::generalPasteboard().setStrings({});
    auto text = std::make_shared<ui::TextView>(Rect(10, 140, 300, 120));
    text->setFont(ui::Font::systemFontOfSize(14));
    text->setText("采光很好\n楼层较高，安静\n近地铁");
    window_->addSubview(text);
    window_->layoutIfNeeded();
    ui::MenuController& menu = ui::MenuController::sharedMenuController();
    const double line = text->font().lineHeight();
    const auto onScreen = [&](const Rect& rect) { return text->convertRectToView(rect, nullptr); };

    // Between 安 and 静 on the second line.
    const Rect caret = onScreen(text->caretRectForPosition(11));
    driver_->longPressAt({caret.minX() + 2, caret.midY()});
    ASSERT_TRUE(menu.isMenuVisible());
    EXPECT_TRUE(text->isFirstResponder());
    EXPECT_EQ(text->selectedRange(), (Range{11, 0}));
    EXPECT_EQ(menu.visibleTitles(), QStringList({"选择", "全选"}));
    EXPECT_NEAR(menu.menuFrame().maxY(), caret.minY() - 8, 0.5) << "just above the caret";
    EXPECT_NEAR(menu.menuFrame().midX(), caret.midX(), 0.5);

    // 全选 shows the menu again, over the selection: above its first line.
    ASSERT_TRUE(driver_->tapText("全选"));
    EXPECT_EQ(text->selectedRange(), (Range{0, 16}));
    ASSERT_TRUE(menu.isMenuVisible());
    EXPECT_EQ(menu.visibleTitles(), QStringList({"剪切", "拷贝"}));
    const Rect first = onScreen(text->caretRectForPosition(0));
    EXPECT_NEAR(menu.menuFrame().maxY(), first.minY() - 8, 0.5) << "above the first line";

    // Put away by a tap beside it, the selection stays under a press on its last line.
    driver_->tapAt(Point(160, 400));
    EXPECT_FALSE(menu.isMenuVisible());
    const Rect third = onScreen(text->caretRectForPosition(14));
    driver_->longPressAt({third.minX() + 2, third.midY()});
    EXPECT_EQ(text->selectedRange(), (Range{0, 16}));
    EXPECT_EQ(menu.visibleTitles(), QStringList({"剪切", "拷贝"}));
    EXPECT_NEAR(menu.menuFrame().maxY(), first.minY() - 8, 0.5) << "above the first line";
    EXPECT_NEAR(third.minY() - onScreen(text->caretRectForPosition(0)).minY(), 2 * line, 0.01);
    ASSERT_TRUE(driver_->tapText("剪切"));
    EXPECT_EQ(text->text(), "");
    EXPECT_EQ(ui::Pasteboard::generalPasteboard().string(), "采光很好\n楼层较高，安静\n近地铁");
}

// A long press in a field puts the caret under the finger, in the text as it showed before
// editing began (a text wider than the field showed its start), and the edit menu just above the
// caret. 全选 shows the menu again over the selection, over what of it shows in the field; a
// press keeps a selection.
TEST_F(TextInputTest, ALongPressInAFieldPutsTheCaretThereAndShowsTheEditMenuAboveIt) {
    ui::Pasteboard::generalPasteboard().setStrings({});
    const QString text = QStringLiteral("朝阳区望京西园三区二一二号楼南向两居室近地铁十四号线");
    field_->setText(text);
    window_->layoutIfNeeded();
    const Rect textRect = field_->textRectForBounds(field_->bounds());
    ASSERT_GT(ui::StringDrawing::sizeWithFont(text, field_->font()).width, textRect.size.width);
    ui::MenuController& menu = ui::MenuController::sharedMenuController();

    // Between 区 and 望 as the field shows its text before editing.
    const double lineTop =
        std::round((field_->bounds().size.height - field_->font().lineHeight()) / 2);
    const Point between = field_->convertPointToView(
        {textRect.minX() + ui::StringDrawing::sizeWithFont(text.left(3), field_->font()).width,
         lineTop},
        nullptr);
    driver_->longPressAt(between + Point(1, 4));
    ASSERT_TRUE(field_->isFirstResponder());
    EXPECT_EQ(field_->selectedRange(), (Range{3, 0}));
    ASSERT_TRUE(menu.isMenuVisible());
    EXPECT_EQ(menu.visibleTitles(), QStringList({"选择", "全选"}));
    EXPECT_NEAR(menu.menuFrame().maxY(), between.y - 8, 0.5) << "just above the caret";
    EXPECT_NEAR(menu.menuFrame().midX(), between.x + 1, 0.5);

    ASSERT_TRUE(driver_->tapText("全选"));
    EXPECT_EQ(field_->selectedRange(), (Range{0, text.size()}));
    ASSERT_TRUE(menu.isMenuVisible());
    EXPECT_EQ(menu.visibleTitles(), QStringList({"剪切", "拷贝"}));
    EXPECT_NEAR(menu.menuFrame().midX(), field_->convertRectToView(textRect, nullptr).midX(), 1)
        << "over what of the selection shows";

    driver_->tapAt(Point(160, 400));
    EXPECT_FALSE(menu.isMenuVisible());
    driver_->longPressAt(between + Point(1, 4));
    EXPECT_EQ(field_->selectedRange(), (Range{0, text.size()}));
    EXPECT_EQ(menu.visibleTitles(), QStringList({"剪切", "拷贝"}));

    // Selected by program, a view that is not the first responder shows no menu: the menu
    // would offer what the first responder does.
    menu.setMenuVisible(false);
    auto note = std::make_shared<ui::TextView>(Rect(10, 140, 300, 60));
    note->setText(QStringLiteral("近地铁"));
    note->setEditable(false);
    window_->addSubview(note);
    note->performAction("selectAll");
    EXPECT_EQ(note->selectedRange(), (Range{0, 3}));
    EXPECT_FALSE(menu.isMenuVisible());
}

// The edit menu points at what of its target shows and follows it: a target that moves takes
// the menu along at the window's next layout, one partly scrolled out of a list has the menu
// point at its part that shows, and one out of sight or out of the window has it go. With room
// neither above nor below (a target taller than the window), it shows inside what shows of the
// target, at its top.
TEST_F(TextInputTest, TheEditMenuFollowsWhatItPointsAtOrGoes) {
    ui::Pasteboard::generalPasteboard().setString(QStringLiteral("朝阳区"));
    ASSERT_TRUE(field_->becomeFirstResponder());
    auto list = std::make_shared<ui::ScrollView>(Rect(0, 200, 320, 200));
    list->setContentSize({320, 1000});
    auto pin = std::make_shared<ui::View>(Rect(100, 100, 120, 30));
    list->addSubview(pin);
    window_->addSubview(list);
    ui::MenuController& menu = ui::MenuController::sharedMenuController();
    menu.setTargetRect(pin->bounds(), pin.get());
    menu.setMenuVisible(true);
    ASSERT_TRUE(menu.isMenuVisible());
    EXPECT_EQ(menu.menuFrame().maxY(), 300 - 8);
    EXPECT_EQ(menu.menuFrame().midX(), 160);

    list->setContentOffset({0, 60});
    window_->layoutIfNeeded();
    EXPECT_EQ(menu.menuFrame().maxY(), 240 - 8) << "scrolled along";
    pin->setFrame(Rect(0, 100, 120, 30));
    window_->layoutIfNeeded();
    EXPECT_EQ(menu.menuFrame().midX(), 60) << "moved along";
    // Ten points of it show below the list's top.
    list->setContentOffset({0, 120});
    window_->layoutIfNeeded();
    EXPECT_EQ(menu.menuFrame().maxY(), 200 - 8) << "above the part that shows";
    list->setContentOffset({0, 400});
    window_->layoutIfNeeded();
    EXPECT_FALSE(menu.isMenuVisible()) << "out of sight";

    list->setContentOffset({0, 0});
    menu.setMenuVisible(true);
    ASSERT_TRUE(menu.isMenuVisible());
    pin->removeFromSuperview();
    window_->layoutIfNeeded();
    EXPECT_FALSE(menu.isMenuVisible()) << "out of the window";
    int shows = 0;
    const auto told = ns::NotificationCenter::defaultCenter().addObserver(
        ui::kMenuControllerWillShowMenuNotification, [&](const ns::Notification&) { ++shows; });
    menu.setMenuVisible(true);
    EXPECT_FALSE(menu.isMenuVisible()) << "nothing to point at";
    EXPECT_EQ(shows, 0) << "nor is it told to show";

    // From 60 points down to below the window's bottom: no room above or below.
    auto tall = std::make_shared<ui::View>(Rect(0, 60, 320, 900));
    window_->addSubview(tall);
    menu.setTargetRect(tall->bounds(), tall.get());
    menu.setMenuVisible(true);
    ASSERT_TRUE(menu.isMenuVisible());
    EXPECT_EQ(menu.menuFrame().minY(), 60 + 8) << "inside, at the top of what shows";
    menu.setMenuVisible(false);
}

// A text view that changes height shows no blank below its text and, while editing, the caret's
// line: four lines pasted into a view of one line that then grows to three show the last three,
// the caret on the last; shrunk to one line again it shows the caret's; narrower and taller at
// once, it shows the caret on the line it wraps to there.
TEST_F(TextInputTest, ATextViewThatChangesHeightShowsItsTextToItsEndAndTheCaretsLine) {
    auto text = std::make_shared<ui::TextView>(Rect(10, 140, 300, 34));
    text->setFont(ui::Font::systemFontOfSize(14));
    window_->addSubview(text);
    window_->layoutIfNeeded();
    const double line = text->font().lineHeight();
    const auto caretShows = [&] {
        const Rect shown = text->bounds();
        const Rect caret = text->caretRect();
        return caret.minY() >= shown.minY() - 0.01 && caret.maxY() <= shown.maxY() + 0.01;
    };
    const auto blankBelow = [&] {
        return text->contentOffset().y + text->bounds().size.height - text->contentSize().height;
    };
    ASSERT_TRUE(text->becomeFirstResponder());
    ui::Pasteboard::generalPasteboard().setString(QStringLiteral("近地铁\n采光好\n南北通透\n满五"));
    text->performAction("paste");
    EXPECT_TRUE(caretShows());

    text->setFrame(Rect(10, 140, 300, 3 * line + 16));
    window_->layoutIfNeeded();
    EXPECT_NEAR(blankBelow(), 0, 0.01);
    EXPECT_TRUE(caretShows());
    EXPECT_NEAR(text->contentOffset().y, line, 0.01) << "the last three lines";

    text->setFrame(Rect(10, 140, 300, 34));
    window_->layoutIfNeeded();
    EXPECT_TRUE(caretShows()) << "shrunk";

    text->setText(QStringLiteral("楼层较高，安静，房东周六下午在家，可以随时看房，近地铁"));
    text->setFrame(Rect(10, 140, 300, 3 * line + 16));
    window_->layoutIfNeeded();
    text->setFrame(Rect(10, 140, 100, 3 * line + 20));
    window_->layoutIfNeeded();
    ASSERT_GT(text->contentSize().height, 5 * line);
    EXPECT_TRUE(caretShows()) << "narrower";
}

TEST_F(TextInputTest, TextViewTypesLinesThroughItsDelegateAndGrows) {
    struct ViewLog : ui::TextViewDelegate {
        bool shouldChangeTextInRange(ui::TextView&, Range, const QString& text) override {
            asked << text;
            return text != "\n" || allowBreaks;
        }
        void textViewDidChange(ui::TextView&) override { ++changes; }
        QStringList asked;
        int changes = 0;
        bool allowBreaks = true;
    };
    auto viewLog = std::make_shared<ViewLog>();
    auto text = std::make_shared<ui::TextView>(Rect(50, 300, 220, 40));
    text->setFont(ui::Font::systemFontOfSize(14));
    text->setReturnKeyType(ui::ReturnKeyType::Send);
    text->setDelegate(viewLog);
    window_->addSubview(text);
    EXPECT_TRUE(driver_->tap(text.get()));
    EXPECT_TRUE(text->isFirstResponder());
    const double oneLine = text->contentSize().height;
    driver_->type("你好");
    driver_->pressReturn();
    driver_->type("再见");
    EXPECT_EQ(text->text(), "你好\n再见");
    EXPECT_EQ(viewLog->asked, QStringList({"你好", "\n", "再见"}));
    EXPECT_EQ(viewLog->changes, 3);
    EXPECT_NEAR(text->contentSize().height, oneLine + text->font().lineHeight(), 0.01);
    EXPECT_EQ(text->sizeThatFits(ui::Size(220, 0)).height, std::ceil(text->contentSize().height));
    const Rect caret = text->caretRectForPosition(text->text().size());
    EXPECT_EQ(caret.origin.y, 8 + text->font().lineHeight()) << "on the second line";

    viewLog->allowBreaks = false;
    driver_->pressReturn();
    EXPECT_EQ(text->text(), "你好\n再见");
    // A long line wraps at the view's width.
    text->setText(QString(40, QChar(0x6C49)));
    EXPECT_NEAR(text->contentSize().height, oneLine + 2 * text->font().lineHeight(), 0.01)
        << "three lines";
}

TEST_F(TextInputTest, SearchDisplayControllerShowsResultsForTheTypedText) {
    struct Results : ui::TableViewDataSource, ui::SearchDisplayDelegate {
        int numberOfRowsInSection(ui::TableView&, int) override { return int(matches.size()); }
        std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView&,
                                                                 const ui::IndexPath& p) override {
            auto cell = std::make_shared<ui::TableViewCell>();
            cell->textLabel()->setText(matches[std::size_t(p.row)]);
            return cell;
        }
        bool shouldReloadTableForSearchString(ui::SearchDisplayController&,
                                              const QString& text) override {
            matches.clear();
            for (const QString city : {"北京", "北海", "上海"}) {
                if (city.startsWith(text)) matches.push_back(city);
            }
            return true;
        }
        std::vector<QString> matches;
    };
    window_->clearFirstResponder();
    auto screen = std::make_shared<ui::ViewController>();
    auto navigation = ui::NavigationController::withRootViewController(screen);
    window_->setRootViewController(navigation);
    auto bar = std::make_shared<ui::SearchBar>(Rect(0, 64, 320, 44));
    screen->view()->addSubview(bar);
    auto results = std::make_shared<Results>();
    ui::SearchDisplayController search(bar, screen);
    search.setSearchResultsDataSource(results);
    search.setDelegate(results);

    EXPECT_TRUE(driver_->tap(bar->textField()));
    EXPECT_TRUE(search.isActive());
    EXPECT_TRUE(navigation->isNavigationBarHidden());
    ASSERT_NE(bar->cancelButton(), nullptr);
    EXPECT_EQ(search.searchResultsTableView()->superview(), nullptr) << "no text yet";
    driver_->type("北");
    ASSERT_NE(search.searchResultsTableView()->superview(), nullptr);
    EXPECT_EQ(search.searchResultsTableView()->numberOfRowsInSection(0), 2);
    EXPECT_NE(driver_->findByText("北海"), nullptr);
    clock().advance(300ms);  // the cancel button has slid in
    EXPECT_TRUE(driver_->tap(bar->cancelButton()));
    EXPECT_FALSE(search.isActive());
    EXPECT_EQ(bar->text(), "");
    EXPECT_FALSE(navigation->isNavigationBarHidden());
    EXPECT_EQ(search.searchResultsTableView()->superview(), nullptr);
}

TEST_F(TextInputTest, AlertWithTextInputTakesTheKeyboardAndGatesItsButton) {
    struct Gate : ui::AlertViewDelegate {
        bool alertViewShouldEnableFirstOtherButton(ui::AlertView& alert) override {
            return !alert.textFieldAtIndex(0)->text().isEmpty();
        }
        void clickedButtonAtIndex(ui::AlertView& alert, int index) override {
            entered = index == 1 ? alert.textFieldAtIndex(0)->text() : QString();
        }
        QString entered;
    };
    auto gate = std::make_shared<Gate>();
    auto alert = std::make_shared<ui::AlertView>("备注", "", gate, "取消", QStringList{"确定"});
    alert->setAlertViewStyle(ui::AlertViewStyle::PlainTextInput);
    alert->show();
    ASSERT_NE(alert->textFieldAtIndex(0), nullptr);
    EXPECT_EQ(alert->textFieldAtIndex(1), nullptr);
    EXPECT_TRUE(alert->textFieldAtIndex(0)->isFirstResponder());
    EXPECT_FALSE(alert->buttonAtIndex(1)->isEnabled());
    driver_->type("采光好");
    EXPECT_TRUE(alert->buttonAtIndex(1)->isEnabled());
    ui::AlertTestDriver alerts(*driver_);
    EXPECT_TRUE(alerts.pressButton("确定"));
    EXPECT_EQ(gate->entered, "采光好");
    EXPECT_FALSE(ui::Keyboard::shared().isVisible());
}

// While an alert or a sheet is up, keys go to a field of its own or nowhere: the field
// beneath keeps the keys and its number pad, which stays up under the dimmed screen, yet takes
// nothing typed, composed, deleted or moved. Keys reach it again as soon as the last alert's
// button is pressed, not while a newer alert fades above an older one still up.
TEST_F(TextInputTest, NoKeyReachesAFieldBeneathAnAlertOrASheet) {
    field_->setKeyboardType(ui::KeyboardType::NumberPad);
    ASSERT_TRUE(driver_->tap(field_.get()));
    ASSERT_TRUE(driver_->type("123"));
    clock().advance(250ms);
    const auto alert = [](const QString& message) {
        auto shown = std::make_shared<ui::AlertView>(
            "", message, std::weak_ptr<ui::AlertViewDelegate>(), "确定");
        shown->show();
        return shown;
    };
    const auto expectNoKeyReachesTheField = [&](const char* when) {
        SCOPED_TRACE(when);
        EXPECT_EQ(window_->keyResponder(), nullptr);
        EXPECT_FALSE(driver_->type("45"));
        EXPECT_FALSE(driver_->pressBackspace());
        EXPECT_FALSE(driver_->compose({"4"}, "4"));
        EXPECT_FALSE(driver_->pressReturn());
        EXPECT_FALSE(driver_->pressCaretKey(ui::CaretMovement::Left));
        // The number pad lies beneath the backdrop; a tap that reaches it while a newer alert
        // fades above an older one types nothing either.
        driver_->tapKey("4");
        EXPECT_EQ(field_->text(), "123");
        EXPECT_EQ(field_->selectedRange(), (Range{3, 0}));
        EXPECT_TRUE(field_->isFirstResponder());
        EXPECT_TRUE(ui::Keyboard::shared().isVisible());
    };

    const auto older = alert("请输入正确的手机号码");
    expectNoKeyReachesTheField("an alert");
    EXPECT_FALSE(driver_->tapKey("4")) << "the backdrop covers the number pad";
    clock().advance(200ms);
    const auto newer = alert("当前网络不可用，请检查网络设置");
    expectNoKeyReachesTheField("a newer alert above it");
    ASSERT_TRUE(newer->pressButtonAtIndex(0));
    expectNoKeyReachesTheField("the newer fading above the older, hidden but still up");
    clock().advance(200ms);
    ASSERT_FALSE(older->isHidden());
    expectNoKeyReachesTheField("the older shown again");
    ASSERT_TRUE(older->pressButtonAtIndex(0));
    EXPECT_EQ(window_->keyResponder(), field_.get()) << "the last alert is fading";
    EXPECT_TRUE(driver_->type("4"));
    clock().advance(200ms);
    EXPECT_TRUE(driver_->tapKey("5"));
    EXPECT_EQ(field_->text(), "12345");

    auto sheet = std::make_shared<ui::ActionSheet>("", std::weak_ptr<ui::ActionSheetDelegate>(),
                                                   "取消", QString(), QStringList{"拨打"});
    sheet->showInView(window_.get());
    EXPECT_EQ(window_->keyResponder(), nullptr) << "a sheet covers the field too";
    EXPECT_FALSE(driver_->type("6"));
    EXPECT_EQ(field_->text(), "12345");
    sheet->dismissWithClickedButtonIndex(sheet->cancelButtonIndex(), false);
    EXPECT_TRUE(driver_->type("6"));
    EXPECT_EQ(field_->text(), "123456");
}

// A view that the app adds on top of the window (a banner, a guide) while an alert is up lies
// above the alert but is no alert: it uncovers nothing. The field beneath takes no key, the
// alert's own field takes them, and touches go to the view where it is and to the alert's
// backdrop around it; once the alert goes, the keys are the field's again beside the view.
TEST_F(TextInputTest, AViewAddedAboveAnAlertUncoversNoFieldBeneathIt) {
    field_->setKeyboardType(ui::KeyboardType::NumberPad);
    ASSERT_TRUE(driver_->tap(field_.get()));
    ASSERT_TRUE(driver_->type("123"));
    clock().advance(250ms);
    auto alert = std::make_shared<ui::AlertView>("", "请输入正确的手机号码",
                                                 std::weak_ptr<ui::AlertViewDelegate>(), "确定");
    alert->show();
    clock().advance(200ms);
    auto banner = std::make_shared<ui::Button>(Rect(180, 0, 140, 20));
    int bannerTaps = 0;
    banner->addTarget(this, ui::kControlEventTouchUpInside,
                      [&](ui::Control&, const ui::Event*) { ++bannerTaps; });
    window_->addSubview(banner);
    ASSERT_EQ(window_->subviews().back(), banner);

    EXPECT_EQ(window_->keyResponder(), nullptr);
    EXPECT_FALSE(driver_->type("45"));
    EXPECT_FALSE(driver_->pressBackspace());
    EXPECT_FALSE(driver_->compose({"4"}, "4"));
    EXPECT_FALSE(driver_->tapKey("4")) << "the backdrop still covers the number pad";
    EXPECT_FALSE(driver_->tap(field_.get()));
    EXPECT_EQ(field_->text(), "123");
    EXPECT_TRUE(driver_->tap(banner.get()));
    EXPECT_EQ(bannerTaps, 1) << "the view above takes the touches that land on it";
    EXPECT_TRUE(field_->isFirstResponder());

    // An alert that asks for text, shown beneath a view added later, keeps its keys.
    auto asking = std::make_shared<ui::AlertView>(
        "备注", "", std::weak_ptr<ui::AlertViewDelegate>(), "取消", QStringList{"确定"});
    asking->setAlertViewStyle(ui::AlertViewStyle::PlainTextInput);
    asking->show();
    window_->addSubview(banner);
    ASSERT_EQ(window_->subviews().back(), banner);
    ui::TextField* note = asking->textFieldAtIndex(0);
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(window_->keyResponder(), note);
    EXPECT_TRUE(driver_->type("安静"));
    EXPECT_EQ(note->text(), "安静");
    EXPECT_EQ(field_->text(), "123");
    asking->dismissWithClickedButtonIndex(0, false);
    ASSERT_TRUE(field_->becomeFirstResponder());
    EXPECT_EQ(window_->keyResponder(), nullptr) << "the first alert is still up";

    // The alert fading out takes nothing, the view above it or not.
    ASSERT_TRUE(alert->pressButtonAtIndex(0));
    EXPECT_EQ(window_->keyResponder(), field_.get());
    EXPECT_TRUE(driver_->type("45"));
    EXPECT_EQ(field_->text(), "12345");
    clock().advance(200ms);
    EXPECT_EQ(window_->keyResponder(), field_.get());
}

}  // namespace
