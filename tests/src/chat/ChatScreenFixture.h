#pragma once

#include "chat/ChatHost.h"
#include "chat/ChatNeighbourScreens.h"
#include "chat/QXMessageCell.h"
#include "chat/QXMessageController.h"
#include "chat/QXVoicePlayer.h"

#include "IMChat/qximlib/QXIMDatabase.h"
#include "IMChat/qximlib/QXIMService.h"
#include "IMChat/qximlib/QXIMUser.h"
#include "net/QXNetContext.h"
#include "net/QXNetDefaultContext.h"
#include "net/transport/Json.h"
#include "util/categories/Tolerant.h"

#include "MessagingStandin.h"
#include "ReferenceImage.h"
#include "ScreenFixture.h"
#include "standin/ChatBroker.h"

#include "platform/media/audio_device.h"
#include "platform/media/audio_session.h"
#include "platform/media/file_audio_device.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image_picker_controller.h"
#include "platform/uikit/keyboard.h"
#include "platform/uikit/label.h"
#include "platform/uikit/table_view.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QUrlQuery>

// What the chat asks of the app, noted for the tests.
class RecordingChatHost : public ChatHost {
public:
    void setUnreadBadge(int count) override { badges.push_back(count); }
    void startListenNetWorkStatus() override { ++networkWatches; }
    std::shared_ptr<ui::ViewController> makeWebPage(const QString& title,
                                                    const QString& url) override {
        pages << title + " " + url;
        return ChatNeighbourScreens::titledPage(title, url);
    }
    std::vector<int> badges;
    int networkWatches = 0;
    QStringList pages;
};

// A signed-in messaging user with the service running against the stand-in, a window with a
// navigation stack (inside a tab shell whose second tab holds the stack), audio on files.
class ChatScreenFixture : public ScreenFixture<> {
protected:
    ChatScreenFixture() : ScreenFixture(Settling{.handlePostedFirst = true, .seconds = 0.3}) {}

    static constexpr qint64 kUser = 9000000000042;
    static constexpr qint64 kBroker = 880001;

    void SetUp() override {
        microphone_ = referenceImagePath("src/chat/data", "spoken-note.wav");
        ScreenFixture::SetUp();
        context_ = std::make_shared<QXNetDefaultContext>();
        context_->setConnectionReachabil(true);
        QXNetContext::install(context_);
        host_ = std::make_shared<RecordingChatHost>();
        ChatHost::install(host_);
        av::AudioSession::sharedInstance().reset();
        av::AudioDevice::install(
            std::make_shared<av::FileAudioDevice>(microphone_, sandboxPath() + "/speaker.wav"));
        MessagingStandin::signIn(kUser);
        auto home = std::make_shared<ui::NavigationController>();
        home->setViewControllers({ChatNeighbourScreens::titledPage("首页", "home")}, false);
        home->tabBarItem()->setTitle(QStringLiteral("首页"));
        showInTabShell(QStringLiteral("沟通"), {home});
    }

    void TearDown() override {
        closeScreens();
        QXVoicePlayer::forceRelease();
        QXIMService::forceRelease();
        QXIMUser::shared().setUserId(QXIMUser::getDefaultUserid());
        ChatHost::install(nullptr);
        QXNetContext::install(nullptr);
        av::AudioDevice::install(nullptr);
        av::AudioSession::sharedInstance().reset();
        ui::ImagePickerController::setLibraryPath({});
        ScreenFixture::TearDown();
    }

    // Starts the messaging service and waits for its stream. What the service told as it
    // started (its welcome messages) is handled too: told later, it would reload a screen
    // at a moment of its own.
    void startMessaging() {
        service_ = QXIMService::shared();
        ASSERT_TRUE(runMainLoopUntil([&] { return messaging_.openStreams(kUser) >= 1; }));
        drainMainLoop();
    }

    [[nodiscard]] static QString own() { return QString::number(kUser); }
    [[nodiscard]] static QString brokerTalk() { return QStringLiteral("880001-") + own(); }
    // A talk record for the broker as an opener makes one.
    [[nodiscard]] static QVariantMap brokerTalkInfo() {
        return {{"t_id", brokerTalk()},
                {"u_id", own()},
                {"r_id", "10086_1_1009_1"},
                {"o_user", R"({"id":"880001","name":"王先生","phone":"13812345678",)"
                           R"("picUrl":"avatars/brokers/880001.jpg","creditScore":4})"}};
    }

    // Pushes a chat screen over the talk and lets it settle.
    std::shared_ptr<QXMessageController> openChat(const QVariantMap& talk = brokerTalkInfo()) {
        auto chat = std::make_shared<QXMessageController>(talk);
        navigation_->pushViewController(chat, false);
        driver_->wait(0.5);
        return chat;
    }

    // The sendmsg posts the stand-in received, their bodies parsed.
    [[nodiscard]] QVariantList sentPackets() {
        QVariantList packets;
        for (const auto& request : server().requests(standin::paths::kMessageApi)) {
            if (!request.query.contains("op=sendmsg")) continue;
            packets << json_JSON(QVariant(QString::fromUtf8(request.body)));
        }
        return packets;
    }
    // The first contents item of sent packet `index`: [kind, data, fallback] or a text.
    [[nodiscard]] QVariantList sentItem(int index) {
        return Tolerant(sentPackets().value(index))["msgs"][0]["contents"][0].toList();
    }
    [[nodiscard]] int requestsOf(const QByteArray& interface) {
        int count = 0;
        for (const auto& request : server().requests(standin::paths::kDataShare))
            if (request.header("interface") == interface) ++count;
        return count;
    }
    // The stored messages of the broker's talk, oldest first.
    [[nodiscard]] static QXIMDatabase::Rows storedMessages() {
        return QXIMDatabase::shared().messagesListByTalkId(brokerTalk(), own(), 4999999999, 20000);
    }
    // Stores a message of the talk with broker `other` as the service would have: sent by
    // the user (`mine`) or received, `secondsAgo` before the clock's now, with the unread count
    // it adds to its talk. A server id of 0 leaves it without one.
    QXIMMessage store(qint64 other, const QVariant& firstElement, qint64 secondsAgo, bool mine,
                      int unread = 0, qint64 serverId = -1, int state = QXIMMessage::kSent) {
        QXIMMessage message =
            messageOf(other, firstElement, secondsAgo, mine, unread, serverId, state);
        QXIMDatabase::shared().saveMessage(message, false);
        QXIMDatabase::shared().saveMessageIntoTalkTable(message);
        return message;
    }
    // The same message, not stored.
    QXIMMessage messageOf(qint64 other, const QVariant& firstElement, qint64 secondsAgo, bool mine,
                          int unread = 0, qint64 serverId = -1, int state = QXIMMessage::kSent) {
        QXIMMessage message;
        message.userId = own();
        message.talkId = QStringLiteral("%1-%2").arg(other).arg(kUser);
        message.fromId = mine ? own() : QString::number(other);
        message.toId = mine ? QString::number(other) : own();
        message.needId = QStringLiteral("10086_1_1009_1");
        message.otherUser = QString::fromUtf8(
            QJsonDocument(standin::ChatBroker::profile(other)).toJson(QJsonDocument::Compact));
        message.setContents(json_JSONString(QVariantList{firstElement}));
        message.uTime = qint64(clock().timeIntervalSince1970()) - secondsAgo;
        message.messageId = serverId < 0 ? ++lastServerId_ : serverId;
        message.sendingState = state;
        message.unread = unread;
        message.completeMessage = QStringLiteral("{}");
        return message;
    }
    // The talk row of broker `other`, as the list hands it to the chat.
    [[nodiscard]] static QVariantMap talkRow(qint64 other) {
        return QXIMDatabase::shared()
            .talkInfoExist(QStringLiteral("%1-%2").arg(other).arg(kUser), own())
            .value(0);
    }

    [[nodiscard]] QXMessageCell* cellAt(QXMessageController& chat, int row) {
        return dynamic_cast<QXMessageCell*>(
            chat.chatTable()->cellForRowAtIndexPath(ui::IndexPath(0, row)));
    }

    qint64 lastServerId_ = 5000;
    QString microphone_;
    std::shared_ptr<QXNetDefaultContext> context_;
    std::shared_ptr<RecordingChatHost> host_;
    std::shared_ptr<QXIMService> service_;
    MessagingStandin messaging_{server()};
};
