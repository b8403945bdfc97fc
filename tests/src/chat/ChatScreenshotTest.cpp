#include "ChatScreenFixture.h"

#include "chat/QXChatTextView.h"
#include "chat/URLAudio.h"
#include "chat/VoiceHUD.h"
#include "map/URLPic.h"

#include "platform/uikit/image.h"
#include "platform/uikit/menu_controller.h"
#include "platform/uikit/screen.h"
#include "platform/uikit/text_view.h"

namespace {

class ChatScreenshotTest : public ChatScreenFixture {
protected:
    void SetUp() override {
        ChatScreenFixture::SetUp();
        startMessaging();
    }

    // Every picture and voice of the screen has come.
    bool mediaLoaded() {
        for (ui::View* view :
             driver_->findAll([](ui::View& v) { return dynamic_cast<URLPic*>(&v); }))
            if (static_cast<URLPic*>(view)->isDownloading()) return false;
        for (ui::View* view :
             driver_->findAll([](ui::View& v) { return dynamic_cast<URLAudio*>(&v); }))
            if (static_cast<URLAudio*>(view)->isLoading()) return false;
        return true;
    }
    void settleMedia() {
        ASSERT_TRUE(settleUntil([&] { return mediaLoaded(); }, 0.1));
        settle();
    }
    ::testing::AssertionResult matches(const QString& name) {
        return matchesReferenceImage(driver_->screenshot()->pixels(), "src/chat/reference", name);
    }
    // A talk with the broker holding a message of every kind.
    void storeEveryKind() {
        store(kBroker, QStringLiteral("您好，请问阳光花园那套两居还在吗？"), 3 * 3600, true);
        store(kBroker, standin::ChatBroker::greeting(kBroker), 3 * 3600 - 10, false);
        store(kBroker,
              QVariantList{"pic", QVariantMap{{"pic_url", "chat/3.jpg"}, {"success", "1"}}, ""},
              3 * 3600 - 20, false);
        store(
            kBroker,
            QVariantList{
                "sound",
                QVariantMap{{"src", server().root() + "/img/test/voice.amr"}, {"duration", 3}}, ""},
            3 * 3600 - 30, false);
        store(
            kBroker,
            QVariantList{"url", standin::ChatBroker::cardData(server().root()).toVariantMap(), ""},
            40 * 60, false);
        store(
            kBroker,
            QVariantList{"notice",
                         QVariantMap{{"type", "normal"}, {"text", "王先生已确认您的看房预约"}}, ""},
            30 * 60, false);
    }
};

TEST_F(ChatScreenshotTest, AChatWithTextPhonePictureVoiceCardAndNoticeBubbles) {
    storeEveryKind();
    auto chat = openChat(talkRow(kBroker));
    ASSERT_EQ(chat->chatData().size(), 6);
    settleMedia();
    // The newest messages show first.
    EXPECT_TRUE(matches("chat_conversation_latest.png"));
    chat->chatTable()->setContentOffset({0, 0});
    settleMedia();
    EXPECT_TRUE(matches("chat_conversation_earliest.png"));
}

TEST_F(ChatScreenshotTest, TheInputBarRisesWithTheKeyboard) {
    store(kBroker, standin::ChatBroker::greeting(kBroker), 600, false);
    auto chat = openChat(talkRow(kBroker));
    ASSERT_TRUE(chat->containerView()->textView()->internalTextView()->becomeFirstResponder());
    settle(0.5);
    ASSERT_TRUE(driver_->type(QStringLiteral("明天下午三点方便看房吗")));
    settleMedia();
    EXPECT_EQ(chat->containerView()->frame().origin.y, 153);
    EXPECT_TRUE(matches("chat_input_keyboard.png"));
}

// A text copied from a bubble pastes into the input bar through the bar's own edit menu, which a
// long press shows above the bar's caret once the bar has risen with the keyboard.
TEST_F(ChatScreenshotTest, ATextCopiedFromABubblePastesIntoTheInputBarThroughItsEditMenu) {
    store(kBroker, QStringLiteral("阳光花园三室两厅，南北通透"), 600, false);
    auto chat = openChat(talkRow(kBroker));
    settleMedia();
    ui::MenuController& menu = ui::MenuController::sharedMenuController();
    const ui::View* bubble = cellAt(*chat, 0)->chatBgView();
    driver_->longPressAt(bubble->convertPointToView({20, 20}, nullptr));
    ASSERT_TRUE(driver_->tapText("拷贝"));

    ui::TextView* field = chat->containerView()->textView()->internalTextView();
    driver_->longPressAt(field->convertPointToView(field->bounds().center(), nullptr));
    settleMedia();
    EXPECT_TRUE(field->isFirstResponder());
    EXPECT_EQ(chat->containerView()->frame().origin.y, 153) << "risen with the keyboard";
    ASSERT_EQ(menu.visibleTitles(), QStringList{"粘贴"});
    const ui::Rect caret = field->convertRectToView(field->caretRect(), nullptr);
    EXPECT_NEAR(menu.menuFrame().maxY(), caret.minY() - 8, 0.5) << "above the caret";
    EXPECT_TRUE(matches("chat_input_menu.png"));
    ASSERT_TRUE(driver_->tapText("粘贴"));
    EXPECT_EQ(field->text(), "阳光花园三室两厅，南北通透");
}

TEST_F(ChatScreenshotTest, TheRecordingOverlayShowsTheLevelWhileTheTalkButtonIsHeld) {
    store(kBroker, standin::ChatBroker::greeting(kBroker), 600, false);
    auto chat = openChat(talkRow(kBroker));
    chat->containerView()->switchMode();
    settleMedia();
    ui::Button* talk = chat->containerView()->inputButton();
    const ui::Point at = talk->convertPointToView(
        {talk->bounds().size.width / 2, talk->bounds().size.height / 2}, nullptr);
    window_->touchDown(at);
    ASSERT_TRUE(chat->recordAudio()->isRecording());
    // A moment of the recorded voice at a speaking level.
    clock().advance(1150ms);
    EXPECT_GT(chat->recordAudio()->soundMeters(), 20);
    EXPECT_TRUE(matches("chat_recording.png"));
    window_->touchUp(at);
}

}  // namespace
