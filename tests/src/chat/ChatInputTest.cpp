// The input bar and the recording overlay on their own.
#include "chat/QXChatTextView.h"
#include "chat/VoiceHUD.h"

#include "ReferenceImage.h"
#include "SandboxTest.h"

#include "platform/foundation/file_manager.h"
#include "platform/media/audio_device.h"
#include "platform/media/audio_session.h"
#include "platform/media/file_audio_device.h"
#include "platform/uikit/button.h"
#include "platform/uikit/keyboard.h"
#include "platform/uikit/menu_controller.h"
#include "platform/uikit/pasteboard.h"
#include "platform/uikit/screen.h"
#include "platform/uikit/test_driver.h"
#include "platform/uikit/text_view.h"
#include "platform/uikit/view_controller.h"
#include "platform/uikit/window.h"

#include <QFile>

namespace {

struct BarEvents : QXChatTextViewDelegate {
    void chatTextViewFinishedInput(QXChatTextView&, const QString& text) override { sent << text; }
    void chatTextViewWillSwitchVoiceChat(QXChatTextView&) override { ++switches; }
    void chatTextViewWillSendImage(QXChatTextView&) override { ++pictures; }
    void chatTextViewChangedCenter(QXChatTextView&, ui::Point, bool isResign) override {
        moves.push_back(isResign);
    }
    QStringList sent;
    int switches = 0;
    int pictures = 0;
    std::vector<bool> moves;
};

class ChatInputBarTest : public SandboxTest {
protected:
    void SetUp() override {
        SandboxTest::SetUp();
        window_ = std::make_shared<ui::Window>();
        window_->makeKeyAndVisible();
        screen_ = std::make_shared<ui::ViewController>();
        window_->setRootViewController(screen_);
        bar_ = QXChatTextView::initWithFrame({0, 368, 320, 48});
        bar_->setDelegate(events_);
        screen_->view()->addSubview(bar_);
        driver_ = std::make_unique<ui::TestDriver>(window_);
    }
    void TearDown() override {
        ui::Screen::mainScreen().setHeight(480);
        driver_.reset();
        window_.reset();
        SandboxTest::TearDown();
    }
    // Asks the bar about replacing `range` of the text with `text`, as the field does.
    bool edit(ui::Range range, const QString& text) {
        return bar_->expandingTextViewShouldChangeTextInRange(*bar_->textView(), range, text);
    }

    std::shared_ptr<ui::Window> window_;
    std::shared_ptr<ui::ViewController> screen_;
    std::shared_ptr<QXChatTextView> bar_;
    std::shared_ptr<BarEvents> events_ = std::make_shared<BarEvents>();
    std::unique_ptr<ui::TestDriver> driver_;
};

TEST_F(ChatInputBarTest, TheTextStopsAtTwoHundredCharactersWhateverTheEdit) {
    bar_->textView()->setText(QString(199, 'a'));
    EXPECT_TRUE(edit({199, 0}, "b")) << "one more fits";
    bar_->textView()->setText(QString(200, 'a'));
    EXPECT_FALSE(edit({200, 0}, "b"));
    EXPECT_EQ(bar_->textView()->text().size(), 200);

    bar_->textView()->setText(QString(180, 'a'));
    EXPECT_FALSE(edit({180, 0}, QString(50, 'z')));
    EXPECT_EQ(bar_->textView()->text(), QString(180, 'a') + QString(20, 'z'));

    bar_->textView()->setText(QString(50, 'a'));
    EXPECT_FALSE(edit({0, 50}, QString(300, 'z'))) << "the whole text selected";
    EXPECT_EQ(bar_->textView()->text(), QString(50, 'a'));

    // Characters as the reader counts them: an emoji is one, and no cut halves it.
    const QString grin = QString::fromUcs4(U"\U0001F600");
    bar_->textView()->setText(QString(199, u'好'));
    EXPECT_TRUE(edit({199, 0}, grin)) << "one more character fits";
    bar_->textView()->setText(QString(198, u'好'));
    EXPECT_FALSE(edit({198, 0}, grin + grin + grin));
    EXPECT_EQ(bar_->textView()->text(), QString(198, u'好') + grin + grin);
    EXPECT_FALSE(edit({198, 4}, "abc")) << "two emoji selected are two characters";
    EXPECT_EQ(bar_->textView()->text(), QString(198, u'好') + "ab");
    bar_->textView()->setText(QString(199, u'好') + grin + grin);
    EXPECT_FALSE(edit({0, 0}, "a")) << "a text set longer is cut";
    EXPECT_EQ(bar_->textView()->text(), QString(199, u'好') + grin);
}

// The 200 count the text after the edit: a skin tone typed after the last emoji of a full text
// goes in, as the text still holds 200 characters; a key that makes a 201st does not, and a paste
// takes of its start what joins and fits.
TEST_F(ChatInputBarTest, AKeyThatJoinsTheLastCharacterOfAFullTextGoesIn) {
    ui::TextView& field = *bar_->textView()->internalTextView();
    ASSERT_TRUE(field.becomeFirstResponder());
    driver_->wait(0.5);
    const QString full = QString(199, u'好');
    const QString thumb = QString::fromUtf8("\xF0\x9F\x91\x8D");  // 👍
    const QString tone = QString::fromUtf8("\xF0\x9F\x8F\xBD");   // 🏽
    bar_->textView()->setText(full + thumb);
    ASSERT_TRUE(driver_->type(tone));
    EXPECT_EQ(field.text(), full + thumb + tone);
    ASSERT_TRUE(driver_->type("a"));
    EXPECT_EQ(field.text(), full + thumb + tone) << "a 201st character";

    bar_->textView()->setText(full + thumb);
    bar_->textView()->scrollRangeToVisible({field.text().size(), 0});
    driver_->wait(0.5);
    ui::Pasteboard::generalPasteboard().setString(tone + "ab");
    driver_->longPressAt(field.convertPointToView(field.caretRect().center(), nullptr));
    ASSERT_TRUE(driver_->tapText("粘贴"));
    EXPECT_EQ(field.text(), full + thumb + tone);
}

// A paste that grows the bar to three lines and beyond shows the caret's line, the last, and
// no blank below the text; one cut at 200 characters leaves the caret after what went in, and in
// view.
TEST_F(ChatInputBarTest, APasteShowsTheLineOfTheCaretAfterWhatWentIn) {
    ui::TextView& field = *bar_->textView()->internalTextView();
    ui::MenuController& menu = ui::MenuController::sharedMenuController();
    ui::Pasteboard& pasteboard = ui::Pasteboard::generalPasteboard();
    const auto pasteAtCaret = [&](const QString& text) {
        pasteboard.setString(text);
        menu.setMenuVisible(false);
        driver_->wait(0.5);
        driver_->longPressAt(field.convertPointToView(field.caretRect().center(), nullptr));
        ASSERT_TRUE(driver_->tapText("粘贴"));
        driver_->wait(0.5);
        window_->layoutIfNeeded();
    };
    // Whether the caret shows whole inside the field.
    const auto caretShows = [&] {
        const ui::Rect caret = field.caretRect();
        return caret.minY() >= field.bounds().minY() - 0.01 &&
               caret.maxY() <= field.bounds().maxY() + 0.01;
    };
    const auto blankBelow = [&] {
        return field.contentOffset().y + field.bounds().size.height - field.contentSize().height;
    };
    ASSERT_TRUE(field.becomeFirstResponder());
    driver_->wait(0.5);
    pasteAtCaret(QStringLiteral("近地铁\n采光好\n南北通透\n满五"));
    EXPECT_EQ(bar_->textView()->frame().size.height, bar_->textView()->maxHeight());
    EXPECT_LE(blankBelow(), 0.01);
    EXPECT_TRUE(caretShows());
    EXPECT_GT(field.contentOffset().y, 0) << "the first line scrolled away";

    bar_->textView()->setText({});
    ASSERT_TRUE(driver_->type(QString(190, u'好')));
    driver_->wait(0.5);
    ASSERT_TRUE(caretShows());
    pasteAtCaret(QString(30, u'房'));
    EXPECT_EQ(field.text(), QString(190, u'好') + QString(10, u'房'));
    EXPECT_EQ(field.selectedRange(), (ui::Range{200, 0}));
    EXPECT_TRUE(caretShows()) << "at the end";
    EXPECT_LE(blankBelow(), 0.01);

    // In the middle, the caret stays after what went in.
    bar_->textView()->setText(QString(195, u'好'));
    field.setSelectedRange({10, 0});
    field.scrollRangeToVisible({10, 0});
    pasteAtCaret(QStringLiteral("abcdefghij"));
    EXPECT_EQ(field.text(), QString(10, u'好') + "abcde" + QString(185, u'好'));
    EXPECT_EQ(field.selectedRange(), (ui::Range{15, 0}));
    EXPECT_TRUE(caretShows()) << "in the middle";
}

// A long press in the bar shows the edit menu a text field shows, with what the state allows
// (with nothing to select or paste, no menu). What is pasted is cut at 200 characters as typed
// text is, never inside an emoji.
TEST_F(ChatInputBarTest, ALongPressShowsTheEditMenuAndAPasteStopsAtTwoHundredCharacters) {
    ui::TextView& field = *bar_->textView()->internalTextView();
    ui::MenuController& menu = ui::MenuController::sharedMenuController();
    ui::Pasteboard& pasteboard = ui::Pasteboard::generalPasteboard();
    // A long press on the bar at rest (a bar that grows or moves takes no touch).
    const auto pressIn = [&] {
        menu.setMenuVisible(false);
        driver_->wait(0.5);
        driver_->longPressAt(field.convertPointToView(field.bounds().center(), nullptr));
        return menu.visibleTitles();
    };
    pasteboard.setStrings({});
    EXPECT_EQ(pressIn(), QStringList()) << "no text, nothing to paste";
    EXPECT_TRUE(field.isFirstResponder());
    pasteboard.setString(QStringLiteral("明天"));
    EXPECT_EQ(pressIn(), QStringList({"粘贴"}));
    ASSERT_TRUE(driver_->tapText("粘贴"));
    EXPECT_EQ(field.text(), "明天");
    pasteboard.setStrings({});
    EXPECT_EQ(pressIn(), QStringList({"选择", "全选"}));
    pasteboard.setString(QStringLiteral("下午"));
    EXPECT_EQ(pressIn(), QStringList({"选择", "全选", "粘贴"}));
    ASSERT_TRUE(driver_->tapText("全选"));
    EXPECT_EQ(field.selectedRange(), (ui::Range{0, 2}));
    EXPECT_EQ(pressIn(), QStringList({"剪切", "拷贝", "粘贴"}));
    pasteboard.setStrings({});
    EXPECT_EQ(pressIn(), QStringList({"剪切", "拷贝"}));
    ASSERT_TRUE(driver_->tapText("剪切"));
    EXPECT_EQ(field.text(), "");
    EXPECT_EQ(pasteboard.string(), "明天");

    // Typed or pasted, what passes 200 characters is cut where the 200th ends.
    const QString grin = QString::fromUcs4(U"\U0001F600");
    for (const bool pasted : {false, true}) {
        SCOPED_TRACE(pasted ? "pasted" : "typed");
        bar_->textView()->setText(QString(199, u'好'));
        if (pasted) {
            pasteboard.setString(grin + "ab");
            pressIn();
            ASSERT_TRUE(driver_->tapText("粘贴"));
        } else {
            ASSERT_TRUE(driver_->type(grin + "ab"));
        }
        // At the caret: where the press put it, or the end.
        EXPECT_EQ(QString(field.text()).remove(grin), QString(199, u'好'));
        EXPECT_EQ(field.text().size(), 201) << "the emoji whole, and nothing after it";
    }
}

TEST_F(ChatInputBarTest, VoiceModeKeepsTheTypedTextAsideAndHoldingTheTalkButtonLocksTheButtons) {
    ASSERT_TRUE(bar_->textView()->internalTextView()->becomeFirstResponder());
    driver_->wait(0.5);
    ASSERT_TRUE(driver_->type(QStringLiteral("下午三点")));
    ASSERT_TRUE(driver_->tap(bar_->voiceButton()));
    driver_->wait(0.5);
    EXPECT_TRUE(bar_->isVoiceMode());
    EXPECT_TRUE(bar_->inputButton()->isEnabled());
    EXPECT_TRUE(bar_->textView()->text().isEmpty());
    EXPECT_FALSE(ui::Keyboard::shared().isVisible());
    EXPECT_EQ(events_->switches, 1);

    // While the talk button is held the other buttons do nothing.
    const ui::Point talk = bar_->inputButton()->convertPointToView({110, 16}, nullptr);
    window_->touchDown(talk);
    EXPECT_EQ(bar_->chatViewState(), QXChatTextView::kTalking);
    bar_->switchMode();
    bar_->moreAction();
    EXPECT_TRUE(bar_->isVoiceMode());
    EXPECT_EQ(events_->pictures, 0);
    window_->touchUp(talk);
    EXPECT_EQ(bar_->inputButton()->currentTitle(), "按住 说话");

    ASSERT_TRUE(driver_->tap(bar_->voiceButton()));
    driver_->wait(0.5);
    EXPECT_FALSE(bar_->isVoiceMode());
    EXPECT_EQ(bar_->textView()->text(), QStringLiteral("下午三点"));
    EXPECT_FALSE(bar_->inputButton()->isEnabled());
    EXPECT_FALSE(ui::Keyboard::shared().isVisible()) << "the keyboard stays down";

    ASSERT_TRUE(bar_->textView()->internalTextView()->becomeFirstResponder());
    driver_->wait(0.5);
    ASSERT_TRUE(driver_->pressReturn());
    EXPECT_EQ(events_->sent, QStringList{QStringLiteral("下午三点")});
    EXPECT_EQ(bar_->textView()->text(), QStringLiteral("下午三点")) << "the owner clears it";
}

// A message of two lines: up to the first and End put the caret after its last character,
// where it shows, and what is typed then follows that character.
TEST_F(ChatInputBarTest, EndOnTheFirstOfTwoLinesTypesAfterItsLastCharacter) {
    ui::TextView* field = bar_->textView()->internalTextView();
    ASSERT_TRUE(field->becomeFirstResponder());
    driver_->wait(0.5);
    const QString message = QStringLiteral("我对您的房源很感兴趣，请尽快联系我");
    ASSERT_TRUE(driver_->type(message));
    driver_->wait(0.5);
    const double firstLine = field->caretRectForPosition(0).minY();
    qsizetype endOfFirst = 1;
    while (endOfFirst < message.size() &&
           field->caretRectForPosition(endOfFirst).minY() == firstLine) {
        ++endOfFirst;
    }
    ASSERT_LT(endOfFirst, message.size()) << "two lines";

    ASSERT_TRUE(driver_->pressCaretKey(ui::CaretMovement::Up));
    ASSERT_TRUE(driver_->pressCaretKey(ui::CaretMovement::LineEnd));
    EXPECT_EQ(field->selectedRange().location, endOfFirst);
    // Whether the caret's blue shows in the middle of `caret`.
    const auto caretShowsIn = [&](const ui::Rect& caret) {
        const ui::Point middle = field->convertPointToView(caret.center(), nullptr);
        const QColor shown =
            driver_->screenshot(2)->pixels().pixelColor(int(middle.x * 2), int(middle.y * 2));
        return shown.blue() > 200 && shown.red() < 80;
    };
    EXPECT_EQ(field->caretRect().minY(), firstLine);
    EXPECT_TRUE(caretShowsIn(field->caretRect())) << "at the first line's end";
    EXPECT_FALSE(caretShowsIn(field->caretRectForPosition(endOfFirst))) << "not the second's start";
    ASSERT_TRUE(driver_->type("Z"));
    EXPECT_EQ(field->text(), message.left(endOfFirst) + "Z" + message.mid(endOfFirst));
}

TEST_F(ChatInputBarTest, OnATallScreenTheBarSitsOnTheKeyboard) {
    ui::Screen::mainScreen().setHeight(568);
    ASSERT_TRUE(bar_->textView()->internalTextView()->becomeFirstResponder());
    driver_->wait(0.5);
    EXPECT_EQ(bar_->frame().origin.y, 505 - 48 - ui::Keyboard::kHeight);
    EXPECT_EQ(events_->moves, std::vector<bool>{false});
    bar_->resignFirstResponder();
    driver_->wait(0.5);
    EXPECT_EQ(bar_->frame().origin.y, 455 + 50 - 48);
    EXPECT_EQ(events_->moves, (std::vector<bool>{false, true}));
}

struct RecorderEvents : VoiceHUDDelegate {
    void voiceRecorded(VoiceHUD&, const QString& path, double length) override {
        recorded.emplace_back(path, length);
    }
    void voiceRecordCancelledByUser(VoiceHUD&) override { ++cancels; }
    std::vector<std::pair<QString, double>> recorded;
    int cancels = 0;
};

class VoiceHUDTest : public SandboxTest {
protected:
    void SetUp() override {
        SandboxTest::SetUp();
        av::AudioSession::sharedInstance().reset();
        av::AudioDevice::install(std::make_shared<av::FileAudioDevice>(
            referenceImagePath("src/chat/data", "spoken-note.wav"), sandboxPath() + "/out.wav"));
        window_ = std::make_shared<ui::Window>();
        window_->makeKeyAndVisible();
        hud_ = VoiceHUD::initWithParentView(window_.get());
        hud_->setDelegate(events_);
        window_->addSubview(hud_);
        driver_ = std::make_unique<ui::TestDriver>(window_);
    }
    void TearDown() override {
        driver_.reset();
        hud_.reset();
        window_.reset();
        av::AudioDevice::install(nullptr);
        av::AudioSession::sharedInstance().reset();
        SandboxTest::TearDown();
    }
    [[nodiscard]] QString path() const { return sandboxPath() + "/1780300800"; }

    std::shared_ptr<ui::Window> window_;
    std::shared_ptr<VoiceHUD> hud_;
    std::shared_ptr<RecorderEvents> events_ = std::make_shared<RecorderEvents>();
    std::unique_ptr<ui::TestDriver> driver_;
};

TEST_F(VoiceHUDTest, UnderASecondIsTooShortAndASecondOrMoreIsHandedOver) {
    hud_->startForFilePath(path());
    EXPECT_EQ(hud_->alpha(), 1);
    clock().advance(900ms);
    hud_->finishRecording();
    EXPECT_TRUE(events_->recorded.empty());
    EXPECT_TRUE(driver_->findByText("时间过短，请重新录制"));
    EXPECT_EQ(hud_->alpha(), 0);

    hud_->startForFilePath(path());
    clock().advance(1000ms);
    hud_->finishRecording();
    ASSERT_EQ(events_->recorded.size(), 1u);
    EXPECT_EQ(events_->recorded[0].first, path());
    EXPECT_GE(events_->recorded[0].second, 1.0 - 1e-9);
    EXPECT_TRUE(hud_->recorderFilePath().isEmpty());
}

TEST_F(VoiceHUDTest, SixtySecondsEndTheRecordingByItselfAndAnOldFileIsReplaced) {
    QFile old(path());
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(100000, 'x'));
    old.close();
    hud_->startForFilePath(path());
    clock().advance(61s);
    EXPECT_FALSE(hud_->isRecording());
    ASSERT_EQ(events_->recorded.size(), 1u);
    EXPECT_GT(events_->recorded[0].second, 60.0);
    EXPECT_LT(events_->recorded[0].second, 60.2);
    QFile recorded(path());
    ASSERT_TRUE(recorded.open(QIODevice::ReadOnly));
    EXPECT_EQ(recorded.read(4), "RIFF") << "the recording, not the old file";
    EXPECT_EQ(recorded.size(), 44 + 60 * 16000) << "sixty seconds and not a sample more";
}

TEST_F(VoiceHUDTest, CancellingTellsOnlyTheCancelAndLeavesThePartialFile) {
    hud_->startForFilePath(path());
    clock().advance(1500ms);
    hud_->setRecordingType(VoiceHUD::kReleaseToCancel);
    hud_->cancelRecording();
    EXPECT_EQ(events_->cancels, 1);
    EXPECT_TRUE(events_->recorded.empty());
    EXPECT_TRUE(ns::FileManager::fileExistsAtPath(path()));
    EXPECT_EQ(hud_->alpha(), 0);
}

TEST_F(VoiceHUDTest, WithoutAMicrophoneOrPermissionNothingIsRecorded) {
    av::AudioDevice::install(
        std::make_shared<av::FileAudioDevice>(QString(), sandboxPath() + "/o.wav"));
    hud_->startForFilePath(path());
    EXPECT_FALSE(hud_->isRecording());
    EXPECT_TRUE(driver_->findByText(VoiceHUD::kNoInput));

    av::AudioSession::sharedInstance().setRecordPermissionAnswer(false);
    EXPECT_TRUE(hud_->canRecord()) << "yes while the user has not answered";
    drainMainLoop();
    EXPECT_FALSE(hud_->canRecord());
}

}  // namespace
