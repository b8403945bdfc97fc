#include "ChatScreenFixture.h"

#include "chat/QXChatTextView.h"
#include "chat/QXMessageAudioCell.h"
#include "chat/QXMessageImageCell.h"
#include "chat/QXMessageTextCell.h"
#include "chat/URLAudio.h"
#include "chat/VoiceHUD.h"
#include "houses/photos/ImageOperController.h"
#include "houses/photos/ImageScrollPageController.h"
#include "map/URLPic.h"
#include "standin/ChatBroker.h"

#include "IMChat/qximlib/qximdata/util/QXIMUtil.h"

#include "platform/foundation/file_manager.h"
#include "platform/foundation/notification_center.h"
#include "platform/uikit/application.h"
#include "platform/uikit/image.h"
#include "platform/uikit/keyboard.h"
#include "platform/uikit/text_view.h"

#include <QDir>
#include <QImage>

namespace {

class ChatConversationTest : public ChatScreenFixture {
protected:
    void SetUp() override {
        ChatScreenFixture::SetUp();
        startMessaging();
    }

    // Types `text` into the input bar and presses the return key.
    void typeAndSend(QXMessageController& chat, const QString& text) {
        ASSERT_TRUE(chat.containerView()->textView()->internalTextView()->becomeFirstResponder());
        settle();
        ASSERT_TRUE(driver_->type(text));
        ASSERT_TRUE(driver_->pressReturn());
    }
    [[nodiscard]] static ui::Point centreInWindow(const ui::View& view) {
        const ui::Rect bounds = view.bounds();
        return view.convertPointToView({bounds.size.width / 2, bounds.size.height / 2}, nullptr);
    }
    // Holds the talk button for `length` on the clock: a voice message.
    void recordVoice(QXMessageController& chat, std::chrono::milliseconds length) {
        if (!chat.containerView()->isVoiceMode()) chat.containerView()->switchMode();
        settle();
        const ui::Point at = centreInWindow(*chat.containerView()->inputButton());
        window_->touchDown(at);
        clock().advance(length);
        window_->touchUp(at);
    }
    // A photo in the photo library.
    void fillLibrary() {
        QDir().mkpath(sandboxPath() + "/library");
        QImage photo(64, 48, QImage::Format_RGB32);
        photo.fill(QColor(30, 120, 200));
        ASSERT_TRUE(photo.save(sandboxPath() + "/library/room.png"));
        ui::ImagePickerController::setLibraryPath(sandboxPath() + "/library");
    }
    // The library's photo `index` (by name) picked through the picture panel.
    void pickPhoto(QXMessageController& chat, int index = 0) {
        fillLibrary();
        ASSERT_TRUE(driver_->tap(chat.containerView()->imageButton()));
        settle();
        ASSERT_FALSE(chat.sendImagePanel()->isHidden());
        ASSERT_TRUE(driver_->tap(driver_->findByAccessibilityLabel(QStringLiteral("照片"))));
        settle();
        auto picker =
            std::dynamic_pointer_cast<ui::ImagePickerController>(tabs_->presentedViewController());
        ASSERT_NE(picker, nullptr);
        EXPECT_TRUE(chat.sendImagePanel()->isHidden()) << "the panel goes with the choice";
        picker->pickImageAtIndex(index);
        settle(0.5);
    }
    [[nodiscard]] int uploads() { return requestsOf("UploadImages"); }
    [[nodiscard]] static int countOf(const QXIMDatabase::Rows& rows, const QString& contents) {
        return int(std::count_if(rows.begin(), rows.end(), [&](const QVariantMap& row) {
            return row.value("m_content").toString() == contents;
        }));
    }
};

TEST_F(ChatConversationTest, TypedTextGoesOutOnceShowsSentAndTheBrokersAnswerFollowsOnTheStream) {
    auto chat = openChat();
    typeAndSend(*chat, QStringLiteral("请问\"阳光\"小区还有房吗"));
    const QString sent = R"(["请问\"阳光\"小区还有房吗"])";
    ASSERT_TRUE(runMainLoopUntil([&] {
        const auto rows = storedMessages();
        return countOf(rows, sent) >= 1 && rows.size() >= 2;
    })) << storedMessages().size();
    EXPECT_EQ(countOf(storedMessages(), sent), 1);
    // Sent once, its name with quotes intact in the one packet.
    const QVariantList packets = sentPackets();
    ASSERT_EQ(packets.size(), 1);
    const QVariantMap packet = packets[0].toMap();
    EXPECT_EQ(packet.value("fromUser").toMap().value("id").toString(), own());
    EXPECT_EQ(packet.value("msgs").toList().value(0).toMap().value("contents"),
              QVariant(QVariantList{QStringLiteral("请问\"阳光\"小区还有房吗")}));
    EXPECT_TRUE(chat->containerView()->textView()->text().isEmpty());
    // The contact record went with it, as the user's, about the talk's need.
    const auto contact = [&] {
        for (const auto& request : server().requests(standin::paths::kDataShare)) {
            const QString body = QUrl::fromPercentEncoding(request.body);
            if (body.contains("insertAgentUserContact")) return body;
        }
        return QString();
    };
    ASSERT_TRUE(runMainLoopUntil([&] { return !contact().isEmpty(); }));
    EXPECT_TRUE(contact().contains(QStringLiteral(R"(["%1","880001","user","10086"])").arg(own())))
        << contact().toStdString();

    // Shown as sent, then the broker's greeting under it (the talk names a post the server
    // does not have, so it is about no house); a failed send or a row too many is wrong at
    // once.
    ASSERT_TRUE(runMainLoopUntil([&] {
        drainMainLoop();
        const auto& data = chat->chatData();
        const bool failed = !data.isEmpty() && data[0].sendingState == QXIMMessage::kFailed;
        return failed || data.size() > 2 ||
               (data.size() == 2 && data[0].sendingState == QXIMMessage::kSent &&
                data[0].messageId > 0);
    }));
    const auto& data = chat->chatData();
    ASSERT_EQ(data.size(), 2);
    EXPECT_EQ(data[0].sendingState, QXIMMessage::kSent);
    EXPECT_EQ(data[1].fromId, "880001");
    EXPECT_EQ(data[1].contentsJson().toList().value(0).toString(),
              standin::ChatBroker::greeting(kBroker, standin::ChatBroker::TalkSubject::Nothing));
    settle();
    auto* mine = cellAt(*chat, 0);
    ASSERT_NE(mine, nullptr);
    EXPECT_TRUE(mine->isMyself());
    EXPECT_TRUE(mine->resendOrDownButton()->isHidden());
    auto* answer = cellAt(*chat, 1);
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer->className(), "QXMessageTextAndMobileCell") << "the greeting holds a phone";
    EXPECT_FALSE(answer->isMyself());
    // Read while shown: the talk keeps no unread messages (the count is cleared on another
    // queue, so that the screen never waits for the store).
    const auto unread = [] {
        const auto talk = QXIMDatabase::shared().talkInfoExist(brokerTalk(), own());
        return talk.size() == 1 ? talk[0].value("l_read").toInt() : -1;
    };
    EXPECT_TRUE(runMainLoopUntil([&] { return unread() == 0; })) << unread();
}

TEST_F(ChatConversationTest, NothingGoesOutForBlankTextOrAnAttachmentMarkAndTheBarKeepsIt) {
    auto chat = openChat();
    typeAndSend(*chat, QStringLiteral("   "));
    chat->chatTextViewFinishedInput(*chat->containerView(), QStringLiteral("图\uFFFC片"));
    settle();
    EXPECT_TRUE(sentPackets().isEmpty());
    EXPECT_TRUE(chat->chatData().isEmpty());

    context_->setConnectionReachabil(false);
    chat->senderTextToServer(QStringLiteral("你好"));
    EXPECT_EQ(alerts_->visibleAlert()->title(), "网络不可用");
    EXPECT_TRUE(storedMessages().isEmpty()) << "nothing stored without a network";
}

TEST_F(ChatConversationTest, AVoiceRecordedFromTheMicrophoneFileGoesOutAsAmrWithItsLength) {
    auto chat = openChat();
    ASSERT_TRUE(driver_->tap(chat->containerView()->voiceButton()));
    settle();
    ui::Button* talk = chat->containerView()->inputButton();
    ASSERT_TRUE(chat->containerView()->isVoiceMode());
    const ui::Point at = centreInWindow(*talk);
    window_->touchDown(at);
    EXPECT_EQ(talk->currentTitle(), "松开 结束");
    EXPECT_TRUE(chat->recordAudio()->isRecording());
    const QString recording = chat->recordAudio()->recorderFilePath();
    clock().advance(2s);
    window_->touchUp(at);
    EXPECT_FALSE(chat->recordAudio()->isRecording());
    EXPECT_EQ(talk->currentTitle(), "按住 说话");

    // The upload carries the AMR file: the magic and 100 frames of 12.2 kbit/s.
    ASSERT_TRUE(runMainLoopUntil([&] { return sentPackets().size() == 1; }));
    const auto uploads = [&] {
        std::vector<standin::RecordedRequest> found;
        for (const auto& request : server().requests(standin::paths::kDataShare))
            if (request.header("interface") == "UploadImages") found.push_back(request);
        return found;
    }();
    ASSERT_EQ(uploads.size(), 1u);
    const QByteArray body = uploads[0].body;
    const qsizetype magic = body.indexOf("#!AMR\n");
    ASSERT_GE(magic, 0);
    EXPECT_TRUE(body.contains("filename=\"imageName.amr\""));
    EXPECT_EQ(body.count(char(0x3C)) >= 100, true);

    const QVariantList item = sentItem(0);
    ASSERT_EQ(item.value(0).toString(), "sound");
    const QVariantMap data = item.value(1).toMap();
    EXPECT_NEAR(data.value("duration").toDouble(), 2.0, 0.051);
    const QString url = data.value("src").toString();
    EXPECT_TRUE(url.startsWith(server().root()) && url.endsWith(".amr")) << url.toStdString();
    EXPECT_EQ(item.value(2).toString(), "有语音" + url);
    // The voice is kept under the name of its address, for playing without a download.
    EXPECT_TRUE(ns::FileManager::fileExistsAtPath(QXIMUtil::getAmrCacheDirectory() + "/" +
                                                  QXIMUtil::MD5Encode(url)));
    EXPECT_TRUE(ns::FileManager::fileExistsAtPath(recording)) << "the recording stays for playing";
    // The broker thanks for it.
    ASSERT_TRUE(runMainLoopUntil([&] {
        drainMainLoop();
        return chat->chatData().size() == 2;
    }));
    // The user's own voice is never one still to hear.
    settle();
    QXMessageAudioCell* own = nullptr;
    for (int row = 0; row < chat->chatTable()->numberOfRowsInSection(0) && !own; ++row)
        own = dynamic_cast<QXMessageAudioCell*>(cellAt(*chat, row));
    ASSERT_NE(own, nullptr);
    EXPECT_TRUE(own->unreadIcon()->isHidden());
}

TEST_F(ChatConversationTest, ATooShortRecordingOrOneDraggedAwaySendsNothing) {
    auto chat = openChat();
    chat->containerView()->switchMode();
    settle();
    ui::Button* talk = chat->containerView()->inputButton();
    const ui::Point at = centreInWindow(*talk);
    window_->touchDown(at);
    clock().advance(900ms);
    EXPECT_TRUE(chat->recordAudio()->isRecording());
    window_->touchUp(at);
    EXPECT_FALSE(chat->recordAudio()->isRecording());
    EXPECT_TRUE(driver_->findByText("时间过短，请重新录制"));

    window_->touchDown(at);
    clock().advance(1500ms);
    window_->touchMove({at.x, at.y - 150});
    EXPECT_EQ(chat->recordAudio()->recordingType(), VoiceHUD::kReleaseToCancel);
    window_->touchUp({at.x, at.y - 150});
    settle();
    EXPECT_FALSE(chat->recordAudio()->isRecording());
    EXPECT_TRUE(storedMessages().isEmpty());
    EXPECT_EQ(requestsOf("UploadImages"), 0);
}

TEST_F(ChatConversationTest, AReceivedVoiceDownloadsOnceAndPlaysThroughThePlayer) {
    auto chat = openChat();
    messaging_.write({{"to", kUser}, {"kind", "voice"}, {"root", server().root()}});
    ASSERT_TRUE(runMainLoopUntil(
        [&] {
            drainMainLoop();
            return chat->chatData().size() == 1;
        },
        5s))
        << storedMessages().size() << " unack " << messaging_.unacknowledged(kUser) << " streams "
        << messaging_.openStreams(kUser) << " reqs "
        << server().requests(standin::paths::kStreamReceive).size();
    settle();
    auto* cell = dynamic_cast<QXMessageAudioCell*>(cellAt(*chat, 0));
    ASSERT_NE(cell, nullptr);
    EXPECT_FALSE(cell->unreadIcon()->isHidden()) << "never played";
    EXPECT_EQ(cell->durationLabel()->text(), "3\"");
    ASSERT_TRUE(runMainLoopUntil([&] { return cell->audioView()->localExist(); }));
    const QString name = cell->audioView()->name();
    ASSERT_TRUE(driver_->tap(cell->chatBgView()));
    ASSERT_TRUE(runMainLoopUntil([&] { return QXVoicePlayer::shared().isPlaying(); }));
    EXPECT_EQ(QXVoicePlayer::shared().playingName(), name);
    EXPECT_TRUE(cell->unreadIcon()->isHidden());
    EXPECT_TRUE(cell->audioView()->isAnimating());
    clock().advance(4s);
    EXPECT_FALSE(QXVoicePlayer::shared().isPlaying());
    EXPECT_FALSE(cell->audioView()->isAnimating());
    // Played once: the stored play count keeps the dot away after a reload.
    chat->reloadChatList();
    EXPECT_EQ(chat->chatData()[0].messageReadCount, 1);
    settle();
    EXPECT_TRUE(dynamic_cast<QXMessageAudioCell*>(cellAt(*chat, 0))->unreadIcon()->isHidden());
    EXPECT_EQ(requestsOf("UploadImages"), 0);
}

TEST_F(ChatConversationTest, APictureFromTheLibraryGoesUpAsJpegAndOutWithItsAddress) {
    fillLibrary();
    auto chat = openChat();
    ASSERT_TRUE(driver_->tap(chat->containerView()->imageButton()));
    settle();
    ASSERT_FALSE(chat->sendImagePanel()->isHidden());
    // The phone has no camera: 拍照 says so and opens no picker.
    ASSERT_TRUE(driver_->tap(driver_->findByAccessibilityLabel(QStringLiteral("拍照"))));
    settle();
    EXPECT_EQ(tabs_->presentedViewController(), nullptr);
    ASSERT_NE(alerts_->visibleAlert(), nullptr);
    EXPECT_EQ(alerts_->visibleAlert()->message(), "设备无法打开照相机");
    ASSERT_TRUE(alerts_->pressButton("确定"));
    settle();
    ASSERT_TRUE(driver_->tap(driver_->findByAccessibilityLabel(QStringLiteral("照片"))));
    settle();
    auto picker =
        std::dynamic_pointer_cast<ui::ImagePickerController>(tabs_->presentedViewController());
    ASSERT_NE(picker, nullptr);
    EXPECT_TRUE(chat->sendImagePanel()->isHidden());
    picker->pickImageAtIndex(0);
    settle(0.5);
    ASSERT_TRUE(runMainLoopUntil([&] { return sentPackets().size() == 1; }));
    const QVariantList item = sentItem(0);
    ASSERT_EQ(item.value(0).toString(), "pic");
    const QString url = item.value(1).toMap().value("pic_url").toString();
    EXPECT_TRUE(url.endsWith(".jpg")) << url.toStdString();
    EXPECT_EQ(item.value(1).toMap().value("success").toString(), "1");
    for (const auto& request : server().requests(standin::paths::kDataShare)) {
        if (request.header("interface") != "UploadImages") continue;
        EXPECT_TRUE(request.body.contains("Content-Type: image/pjpeg"));
        EXPECT_TRUE(request.body.contains("\xFF\xD8\xFF")) << "JPEG data";
    }
    // The local file became the cache file of the uploaded picture.
    EXPECT_TRUE(ns::FileManager::fileExistsAtPath(URLPic::getHightQualityLocImagePath(url)));
    ASSERT_TRUE(runMainLoopUntil([&] {
        drainMainLoop();
        return chat->chatData().size() == 2 && chat->chatData()[0].sendingState == 0;
    }));
}

TEST_F(ChatConversationTest, KillingTheServerMidSendFailsTheMessageAndOneResendDeliversItOnce) {
    auto chat = openChat();
    // The server holds the send's answer until it stops.
    server().setFault({.prefix = standin::paths::kMessageApi, .hold = true, .times = 1});
    chat->senderTextToServer(QStringLiteral("明天下午能看房吗"));
    ASSERT_TRUE(
        runMainLoopUntil([&] { return !server().requests(standin::paths::kMessageApi).empty(); }));
    server().stop();
    ASSERT_TRUE(runMainLoopUntil([&] {
        drainMainLoop();
        return !chat->chatData().isEmpty() &&
               chat->chatData()[0].sendingState == QXIMMessage::kFailed;
    }));
    settle();
    auto* cell = cellAt(*chat, 0);
    ASSERT_NE(cell, nullptr);
    EXPECT_FALSE(cell->resendOrDownButton()->isHidden());
    // After a reload the failed message still offers its resend.
    chat->reloadChatList();
    settle();
    EXPECT_FALSE(cellAt(*chat, 0)->resendOrDownButton()->isHidden());

    ASSERT_TRUE(restartServer(standinArguments())) << server().error().toStdString();
    ASSERT_TRUE(driver_->tap(cellAt(*chat, 0)->resendOrDownButton()));
    settle();
    ASSERT_NE(alerts_->visibleAlert(), nullptr);
    EXPECT_EQ(alerts_->visibleAlert()->message(), "重发该消息");
    ASSERT_TRUE(alerts_->pressButton("是"));
    ASSERT_TRUE(runMainLoopUntil([&] {
        drainMainLoop();
        return !chat->chatData().isEmpty() && chat->chatData()[0].messageId > 0;
    }));
    EXPECT_EQ(sentPackets().size(), 1) << "delivered once by the new server";
    const auto rows = storedMessages();
    EXPECT_EQ(countOf(rows, R"(["明天下午能看房吗"])"), 1) << "stored once";
    settle();
    EXPECT_TRUE(cellAt(*chat, 0)->resendOrDownButton()->isHidden());
}

TEST_F(ChatConversationTest, APictureAndAVoiceStillGoingUpWhenTheChatClosesOfferTheirResendLater) {
    auto chat = openChat();
    // The calls of the opening have reached the server: the uploads alone wait.
    ASSERT_TRUE(runMainLoopUntil([&] {
        return requestsOf("GetUserPrivilegeByUserId") == 1 && requestsOf("HousingRequestInfo") == 1;
    }));
    server().setFault({.prefix = standin::paths::kDataShare, .hold = true, .times = 2});
    recordVoice(*chat, 2s);
    ASSERT_TRUE(runMainLoopUntil([&] { return uploads() == 1; }));
    pickPhoto(*chat);
    ASSERT_TRUE(runMainLoopUntil([&] { return uploads() == 2; }));
    ASSERT_EQ(chat->chatData().size(), 2);
    chat->goBack();
    // The stack held the screen alone: it is gone before the cancelled uploads answer.
    chat.reset();
    settle(1);

    auto again = openChat(talkRow(kBroker));
    settle();
    ASSERT_EQ(again->chatData().size(), 2);
    for (int row = 0; row < 2; ++row) {
        EXPECT_EQ(again->chatData()[row].sendingState, QXIMMessage::kFailed) << row;
        EXPECT_FALSE(cellAt(*again, row)->resendOrDownButton()->isHidden()) << row;
    }
    EXPECT_TRUE(sentPackets().isEmpty());
}

// The stand-in keeping its uploads in the sandbox, as scripts/run.sh starts it for a demo.
class ChatKeptUploadsTest : public ChatConversationTest {
protected:
    [[nodiscard]] QStringList standinArguments() const override {
        return {QStringLiteral("--images"), sandboxPath() + QStringLiteral("/standin-images")};
    }
    // A second photo in the library, after the first by name.
    void addToLibrary(const QColor& colour) {
        QImage photo(64, 48, QImage::Format_RGB32);
        photo.fill(colour);
        ASSERT_TRUE(photo.save(sandboxPath() + "/library/study.png"));
    }
    // The address of the picture the user sent in the server's packet `index`, once every row
    // shows it sent.
    QString sentPicture(QXMessageController& chat, int index) {
        if (!runMainLoopUntil([&] { return sentPackets().size() > index; })) return {};
        const QString url = sentItem(index).value(1).toMap().value("pic_url").toString();
        const bool sent = runMainLoopUntil([&] {
            drainMainLoop();
            return std::all_of(chat.chatData().begin(), chat.chatData().end(),
                               [](const QXIMMessage& row) { return row.sendingState == 0; });
        });
        return sent ? url : QString();
    }
    // Opens the picture of `url` full screen from its bubble: the picture the page shows,
    // or nothing once the page offers to try again.
    std::shared_ptr<ui::Image> openFullScreen(QXMessageController& chat, const QString& url) {
        settle();
        QXMessageImageCell* bubble = nullptr;
        for (int row = 0; row < chat.chatData().size() && !bubble; ++row) {
            auto* cell = dynamic_cast<QXMessageImageCell*>(cellAt(chat, row));
            if (cell && cell->urlImageView()->URLString() == url) bubble = cell;
        }
        if (!bubble) return nullptr;
        bubble->handleTapGesture();
        settle(1);
        auto stack =
            std::dynamic_pointer_cast<ui::NavigationController>(tabs_->presentedViewController());
        auto pager =
            stack ? std::dynamic_pointer_cast<ImageScrollPageController>(stack->topViewController())
                  : nullptr;
        auto page = pager ? pager->pageAt(0) : nullptr;
        if (!page) return nullptr;
        const bool settled = runMainLoopUntil([&] {
            drainMainLoop();
            const ui::View* retry = page->view()->viewWithTag(ImageOperController::kRetryTag);
            return page->imageView()->image() || (retry && !retry->isHidden());
        });
        return settled ? page->imageView()->image() : nullptr;
    }
    // Whether the middle of the picture has `colour`, as a JPEG keeps it.
    static bool hasColour(const std::shared_ptr<ui::Image>& picture, const QColor& colour) {
        if (!picture) return false;
        const QImage pixels = picture->uprightPixels();
        const QColor middle = pixels.pixelColor(pixels.width() / 2, pixels.height() / 2);
        return std::abs(middle.red() - colour.red()) <= 12 &&
               std::abs(middle.green() - colour.green()) <= 12 &&
               std::abs(middle.blue() - colour.blue()) <= 12;
    }
};

// A picture the user sent opens full screen after the stand-in restarts on its folder and
// port, as it does when the demo is launched again; the picture sent after the restart gets an
// address of its own, and neither shows the other.
TEST_F(ChatKeptUploadsTest, ASentPictureOpensFullScreenAfterTheServerRestartsOnItsFiles) {
    const QColor room(30, 120, 200);
    const QColor study(200, 60, 40);
    auto chat = openChat();
    ASSERT_NO_FATAL_FAILURE(pickPhoto(*chat));
    const QString first = sentPicture(*chat, 0);
    ASSERT_FALSE(first.isEmpty());

    const int port = server().port();
    server().stop();
    ASSERT_TRUE(server().start(port, standinArguments())) << server().error().toStdString();
    chat->goBack();
    chat.reset();
    settle();
    // Nothing of the pictures stays in memory, as after a relaunch.
    ns::NotificationCenter::defaultCenter().post(
        ui::kApplicationDidReceiveMemoryWarningNotification);
    chat = openChat(talkRow(kBroker));
    ASSERT_NO_FATAL_FAILURE(addToLibrary(study));
    ASSERT_NO_FATAL_FAILURE(pickPhoto(*chat, 1));
    const QString second = sentPicture(*chat, 0);  // the restarted server's first
    ASSERT_FALSE(second.isEmpty());
    EXPECT_NE(second.toStdString(), first.toStdString());

    EXPECT_TRUE(hasColour(openFullScreen(*chat, first), room)) << first.toStdString();
    tabs_->dismissViewControllerAnimated(false);
    settle();
    EXPECT_TRUE(hasColour(openFullScreen(*chat, second), study)) << second.toStdString();
}

TEST_F(ChatConversationTest, APlayedVoiceStaysHeardWhenTheNextMessageArrives) {
    auto chat = openChat();
    messaging_.write({{"to", kUser}, {"kind", "voice"}, {"root", server().root()}});
    ASSERT_TRUE(runMainLoopUntil([&] {
        drainMainLoop();
        return chat->chatData().size() == 1;
    }));
    settle();
    auto* cell = dynamic_cast<QXMessageAudioCell*>(cellAt(*chat, 0));
    ASSERT_NE(cell, nullptr);
    ASSERT_TRUE(runMainLoopUntil([&] { return cell->audioView()->localExist(); }));
    ASSERT_TRUE(driver_->tap(cell->chatBgView()));
    ASSERT_TRUE(runMainLoopUntil([&] { return QXVoicePlayer::shared().isPlaying(); }));
    clock().advance(4s);
    messaging_.write({{"to", kUser}, {"text", "听到了吗"}});
    ASSERT_TRUE(runMainLoopUntil([&] {
        drainMainLoop();
        return chat->chatData().size() == 2;
    }));
    settle();
    EXPECT_EQ(chat->chatData()[0].messageReadCount, 1);
    EXPECT_TRUE(dynamic_cast<QXMessageAudioCell*>(cellAt(*chat, 0))->unreadIcon()->isHidden());
}

// A chat screen that counts the row heights its table asks for.
class CountingChat : public QXMessageController {
public:
    using QXMessageController::QXMessageController;
    double heightForRowAtIndexPath(ui::TableView& table, const ui::IndexPath& indexPath) override {
        ++heightsAsked;
        return QXMessageController::heightForRowAtIndexPath(table, indexPath);
    }
    int heightsAsked = 0;
};

// Arrivals cost what they add: the rows that stayed keep their heights, the bubbles that moved
// know their new places, and the newest message shows at the bottom.
TEST_F(ChatConversationTest, ArrivingMessagesAskOnlyTheirOwnRowsHeights) {
    for (int n = 0; n < 40; ++n) store(kBroker, QStringLiteral("第%1条").arg(n), 5000 - n, n % 2);
    const qint64 base = qint64(clock().timeIntervalSince1970()) - 5000;
    auto chat = std::make_shared<CountingChat>(talkRow(kBroker));
    navigation_->pushViewController(chat, false);
    settle();
    const int opened = chat->heightsAsked;
    messaging_.write({{"to", kUser}, {"count", 60}, {"updateTime", base + 100}});
    ASSERT_TRUE(runMainLoopUntil([&] {
        drainMainLoop();
        return chat->chatData().size() == 100;
    }));
    settle();
    // One that was written earlier goes among those shown before: the bubbles below it move.
    messaging_.write({{"to", kUser}, {"text", "早先的消息"}, {"updateTime", base + 20}});
    ASSERT_TRUE(runMainLoopUntil([&] {
        drainMainLoop();
        return chat->chatData().size() == 101;
    }));
    settle();
    EXPECT_EQ(chat->heightsAsked - opened, 61);
    EXPECT_EQ(chat->chatData()[21].contentsJson().toList().value(0).toString(), "早先的消息");
    ui::TableView* table = chat->chatTable();
    const std::vector<ui::IndexPath> shown = table->indexPathsForVisibleRows();
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back().row, 100) << "the newest at the bottom";
    for (const ui::IndexPath& row : shown) EXPECT_EQ(cellAt(*chat, row.row)->index(), row.row);
}

// A talk of more messages than a load reads shows the "more" row above them: arrivals take
// their own rows under it, and the bubbles know their places among the messages.
TEST_F(ChatConversationTest, WithTheMoreRowShowingArrivalsLandInTheirOwnRows) {
    QXIMDatabase::ReceivedPacket packet;
    for (int n = 0; n < 10'000; ++n)
        packet.items.append(
            {messageOf(kBroker, QStringLiteral("第%1条").arg(n), 20'000 - n, false)});
    packet.otherUser =
        QString::fromUtf8(QJsonDocument(standin::ChatBroker::profile(kBroker)).toJson());
    packet.completeMessage = QStringLiteral("{}");
    ASSERT_TRUE(QXIMDatabase::shared().saveReceivedPacket(packet).committed);
    auto chat = openChat(talkRow(kBroker));
    ASSERT_TRUE(chat->hasMore());
    ui::TableView* table = chat->chatTable();
    ASSERT_EQ(table->numberOfRowsInSection(0), 10'001);

    // Between the last two stored messages: the one row before the newest.
    const qint64 base = qint64(clock().timeIntervalSince1970()) - 20'000;
    messaging_.write({{"to", kUser}, {"text", "早先的消息"}, {"updateTime", base + 9'998}});
    ASSERT_TRUE(runMainLoopUntil([&] {
        drainMainLoop();
        return chat->chatData().size() != 10'000;
    }));
    settle();
    ASSERT_EQ(chat->chatData().size(), 10'001);
    EXPECT_EQ(chat->chatData()[9'999].contentsJson().toList().value(0).toString(), "早先的消息");
    ASSERT_EQ(table->numberOfRowsInSection(0), 10'002);
    const std::vector<ui::IndexPath> shown = table->indexPathsForVisibleRows();
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back().row, 10'001) << "the newest at the bottom";
    for (const ui::IndexPath& row : shown) {
        auto* bubble = cellAt(*chat, row.row);
        ASSERT_NE(bubble, nullptr) << row.row;
        EXPECT_EQ(bubble->index(), row.row - 1);
    }
    auto* arrived = dynamic_cast<QXMessageTextCell*>(cellAt(*chat, 10'000));
    ASSERT_NE(arrived, nullptr);
    EXPECT_EQ(arrived->messageLabel()->text(), "早先的消息");
}

TEST_F(ChatConversationTest, WithThePicturePanelOpenTheNewestMessageShowsAndTheFieldTakesOneTap) {
    for (int n = 0; n < 20; ++n) store(kBroker, QStringLiteral("第%1条").arg(n), 100 - n, n % 2);
    auto chat = openChat(talkRow(kBroker));
    ASSERT_TRUE(driver_->tap(chat->containerView()->imageButton()));
    settle();
    ASSERT_FALSE(chat->sendImagePanel()->isHidden());
    const ui::Rect bar = chat->containerView()->frame();
    EXPECT_EQ(chat->chatTable()->frame().maxY(), bar.origin.y) << "the table ends at the bar";
    ui::TableView* table = chat->chatTable();
    const ui::Rect last = table->rectForRowAtIndexPath({0, table->numberOfRowsInSection(0) - 1});
    EXPECT_LE(table->convertPointToView({0, last.maxY()}, nullptr).y,
              chat->containerView()->convertPointToView({0, 0}, nullptr).y + 0.5)
        << "the newest message above the bar";

    ASSERT_TRUE(driver_->tap(chat->containerView()->textView()));
    settle();
    EXPECT_TRUE(ui::Keyboard::shared().isVisible()) << "the first tap brings the keyboard";
    EXPECT_TRUE(chat->containerView()->textView()->internalTextView()->isFirstResponder());
    EXPECT_TRUE(chat->sendImagePanel()->isHidden());
}

}  // namespace
