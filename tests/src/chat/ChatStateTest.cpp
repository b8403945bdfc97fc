// What the chat screen makes of the stored messages and of uploads that go wrong.
#include "CallsOnTheirWay.h"
#include "ChatScreenFixture.h"

#include "analytics/StatClick.h"
#include "platform/uikit/tap_gesture_recognizer.h"

#include "chat/QXInputTelPhoneNumberViewController.h"
#include "chat/QXMessageAudioCell.h"
#include "chat/QXMessageImageCell.h"
#include "chat/QXMessageTextAndMobileCell.h"
#include "chat/QXMessageTextCell.h"
#include "chat/QXMessageVcardCell.h"
#include "chat/URLAudio.h"
#include "houses/broker/QXAgentInfoController.h"
#include "houses/detail/QXPostDetailNew.h"
#include "houses/photos/ImageScrollPageController.h"
#include "map/URLPic.h"
#include "ui/richtext/RichTextView.h"

#include "IMChat/qximlib/qximdata/util/QXIMUtil.h"

#include "platform/foundation/file_manager.h"
#include "platform/uikit/application.h"
#include "platform/uikit/image.h"
#include "platform/uikit/menu_controller.h"
#include "platform/uikit/pasteboard.h"
#include "platform/uikit/string_drawing.h"

#include <QImage>

#include <algorithm>

namespace {

class ChatStateTest : public ChatScreenFixture {
protected:
    void SetUp() override {
        ChatScreenFixture::SetUp();
        startMessaging();
    }
    // The remote picture view inside a bubble.
    static URLPic* pictureIn(QXMessageCell& cell) {
        std::vector<ui::View*> views{&cell};
        while (!views.empty()) {
            ui::View* view = views.back();
            views.pop_back();
            if (auto* picture = dynamic_cast<URLPic*>(view)) return picture;
            for (const auto& sub : view->subviews()) views.push_back(sub.get());
        }
        return nullptr;
    }
    // The image host's requests for the picture at `path` on it.
    [[nodiscard]] int imageRequests(const QString& path) {
        return int(
            server().requests(QByteArray(standin::paths::kImageHost) + '/' + path.toUtf8()).size());
    }
    // The open chat's bar: 成交记录, then 去记录 in the alert that asks; the number's screen, or
    // null when it did not open.
    std::shared_ptr<QXInputTelPhoneNumberViewController> openDealRecord() {
        if (!driver_->tapText("成交记录")) return nullptr;
        settle();
        if (!alerts_->pressButton("去记录")) return nullptr;
        settle();
        return std::dynamic_pointer_cast<QXInputTelPhoneNumberViewController>(
            navigation_->topViewController());
    }
    // The number's screen over a chat, its field tapped: the number pad up. Null when it did
    // not open or take the tap.
    std::shared_ptr<QXInputTelPhoneNumberViewController> editDealRecordNumber() {
        openChat();
        auto screen = openDealRecord();
        if (!screen || !driver_->tap(screen->telePhoneField())) return nullptr;
        settle();
        return screen;
    }
};

TEST_F(ChatStateTest, AReloadKeepsEachStoredStateAndOnlyAFailedMessageOffersAResend) {
    store(kBroker, QStringLiteral("在路上的"), 300, true, 0, 0, QXIMMessage::kSending);
    store(kBroker, QStringLiteral("没发出去的"), 200, true, 0, 0, QXIMMessage::kFailed);
    store(kBroker, QStringLiteral("发出去的"), 100, true);
    auto chat = openChat(talkRow(kBroker));
    ASSERT_EQ(chat->chatData().size(), 3);
    EXPECT_EQ(chat->chatData()[0].sendingState, QXIMMessage::kSending);
    EXPECT_EQ(chat->chatData()[1].sendingState, QXIMMessage::kFailed);
    EXPECT_EQ(chat->chatData()[2].sendingState, QXIMMessage::kSent);
    settle();
    EXPECT_TRUE(cellAt(*chat, 0)->resendOrDownButton()->isHidden());
    EXPECT_FALSE(cellAt(*chat, 1)->resendOrDownButton()->isHidden());
    EXPECT_TRUE(cellAt(*chat, 2)->resendOrDownButton()->isHidden());
    // The one on its way ignores a resend.
    cellAt(*chat, 0)->resendMessage();
    EXPECT_EQ(alerts_->visibleAlert(), nullptr);
    EXPECT_TRUE(sentPackets().isEmpty());
}

TEST_F(ChatStateTest, TheNewestMessagesShowInTimeOrderBelowTheMoreRowAndLabelsFollowHourGaps) {
    QXIMDatabase::shared().queue().inTransaction([&](JSSQLite& db, bool&) {
        for (int n = 0; n < 10005; ++n) {
            db.executeUpdate(
                "INSERT INTO msgs (u_id, t_id, f_id, m_id, to_id, m_content, u_time, m_state) "
                "VALUES (?, ?, '880001', ?, ?, '[\"hi\"]', ?, 0)",
                {own(), brokerTalk(), qint64(100 + n), own(), qint64(1700000000 + n * 10)});
        }
    });
    store(kBroker, QStringLiteral("一小时后"), 0, false);
    auto chat = openChat();
    ASSERT_EQ(chat->chatData().size(), 10000);
    EXPECT_TRUE(chat->hasMore());
    EXPECT_EQ(chat->chatData().first().uTime, 1700000000 + 6 * 10) << "the oldest left out";
    EXPECT_EQ(chat->chatData().last().contentsJson().toList().value(0), "一小时后");
    EXPECT_EQ(chat->numberOfRowsInSection(*chat->chatTable(), 0), 10001);
    EXPECT_EQ(chat->heightForRowAtIndexPath(*chat->chatTable(), {0, 0}), 40);
    EXPECT_EQ(chat->cellForRowAtIndexPath(*chat->chatTable(), {0, 0})->textLabel()->text(),
              "more..");
    EXPECT_FALSE(chat->chatData().first().showTime.isEmpty()) << "the first always";
    EXPECT_TRUE(chat->chatData()[1].showTime.isEmpty()) << "ten seconds later";
    EXPECT_FALSE(chat->chatData().last().showTime.isEmpty()) << "after a long gap";
}

TEST_F(ChatStateTest, ThreeThousandSixHundredSecondsApartShareALabelOneMoreDoesNot) {
    store(kBroker, QStringLiteral("一"), 3 * 3600, false);
    store(kBroker, QStringLiteral("二"), 2 * 3600, false);
    store(kBroker, QStringLiteral("三"), 3600 - 1, false);
    auto chat = openChat(talkRow(kBroker));
    ASSERT_EQ(chat->chatData().size(), 3);
    EXPECT_TRUE(chat->chatData()[1].showTime.isEmpty());
    EXPECT_FALSE(chat->chatData()[2].showTime.isEmpty());
}

TEST_F(ChatStateTest, UploadsThatFailOrAnswerAnUnknownEndingFailTheMessageWithAResend) {
    auto chat = openChat();
    const auto localPicture = [&] {
        const QXIMMessage message =
            store(kBroker, QVariantList{"pic", QVariantMap{{"pic_url", "file://p1"}}}, 0, true, 0,
                  0, QXIMMessage::kSending);
        chat->reloadChatList();
        return message.m_sid;
    };
    const auto stateOf = [&](qint64 localId) {
        for (const QXIMMessage& message : chat->chatData())
            if (message.m_sid == localId) return message.sendingState;
        return 99;
    };
    const qint64 upperCase = localPicture();
    chat->uploadReturnResultUserInfo(QVariantMap{{"data", "uploads/1.JPG"}},
                                     QVariantMap{{"m_sid", upperCase}});
    EXPECT_EQ(stateOf(upperCase), QXIMMessage::kFailed);
    const qint64 noData = localPicture();
    chat->uploadReturnResultUserInfo(QVariantMap{{"status", 0}}, QVariantMap{{"m_sid", noData}});
    EXPECT_EQ(stateOf(noData), QXIMMessage::kFailed);
    settle();
    EXPECT_TRUE(sentPackets().isEmpty());

    // The server refuses the upload itself.
    server().setFault({.prefix = standin::paths::kDataShare, .status = 500});
    QImage photo(8, 8, QImage::Format_RGB32);
    photo.fill(Qt::red);
    const QString path = QXIMUtil::getPicCacheDirectory() + "/p2";
    ASSERT_TRUE(photo.save(path, "JPG"));
    const qint64 refused =
        store(kBroker, QVariantList{"pic", QVariantMap{{"pic_url", "file://p2"}}}, 0, true, 0, 0,
              QXIMMessage::kSending)
            .m_sid;
    chat->reloadChatList();
    ViewControllerUpload::uploadData(chat, QByteArray("jpeg"), 0,
                                     QVariantMap{{"temp-path", path}, {"m_sid", refused}});
    ASSERT_TRUE(runMainLoopUntil([&] { return stateOf(refused) == QXIMMessage::kFailed; }));
    EXPECT_TRUE(QFile::exists(path)) << "kept for the resend";

    // The resend uploads the same file again and sends it once it is up.
    server().setFaults({});
    settle();
    QXMessageCell* cell = nullptr;
    for (int row = 0; row < int(chat->chatData().size()); ++row)
        if (chat->chatData()[row].m_sid == refused) cell = cellAt(*chat, row);
    ASSERT_NE(cell, nullptr);
    ASSERT_TRUE(driver_->tap(cell->resendOrDownButton()));
    ASSERT_TRUE(alerts_->pressButton("是"));
    ASSERT_TRUE(runMainLoopUntil([&] { return sentPackets().size() == 1; }));
    const QString url = sentItem(0).value(1).toMap().value("pic_url").toString();
    EXPECT_TRUE(QFile::exists(URLPic::getHightQualityLocImagePath(url)));
    EXPECT_FALSE(QFile::exists(path)) << "moved to the uploaded picture's name";
}

TEST_F(ChatStateTest, APictureCellHearsOnlyTheFailureOfThePictureItShowsNow) {
    server().setFault({.prefix = "/img/broken/", .status = 500});
    const auto picture = [&](const char* path) {
        return QVariantList{"pic", QVariantMap{{"pic_url", server().url(path)}}, ""};
    };
    const auto makeCell = [] {
        return std::dynamic_pointer_cast<QXMessageImageCell>(
            QXMessageCell::makeCell("QXMessageImageCell"));
    };
    // Its own picture failing offers the download.
    const auto failed = makeCell();
    ASSERT_NE(failed, nullptr);
    failed->setContents(picture("/img/broken/1.jpg"));
    ASSERT_TRUE(runMainLoopUntil([&] { return !failed->urlImageView()->isDownloading(); }));
    EXPECT_FALSE(failed->resendOrDownButton()->isHidden());

    // Reused for a message without a picture before the failure of the one it showed came in.
    const auto reused = makeCell();
    reused->setContents(picture("/img/broken/2.jpg"));
    reused->setContents(QVariantList{});
    ASSERT_TRUE(runMainLoopUntil([&] { return !reused->urlImageView()->isDownloading(); }));
    EXPECT_TRUE(reused->resendOrDownButton()->isHidden());
}

TEST_F(ChatStateTest, AReceivedLocalAddressIsRefusedWhileTheUsersOwnShowsItsFile) {
    QImage photo(16, 12, QImage::Format_RGB32);
    photo.fill(Qt::blue);
    ASSERT_TRUE(photo.save(QXIMUtil::getPicCacheDirectory() + "/mine", "PNG"));
    store(kBroker, QVariantList{"pic", QVariantMap{{"pic_url", "file://mine"}}}, 30, true);
    store(kBroker, QVariantList{"pic", QVariantMap{{"pic_url", "file://mine"}}}, 20, false);
    store(kBroker, QVariantList{"pic", QVariantMap{{"pic_url", "file://../../secret.png"}}}, 10,
          false);
    store(kBroker, QVariantList{"sound", QVariantMap{{"src", "file://mine"}, {"duration", 2}}}, 5,
          false);
    auto chat = openChat(talkRow(kBroker));
    settle();
    const auto pictureOf = [&](int row) {
        return dynamic_cast<QXMessageImageCell*>(cellAt(*chat, row))->urlImageView()->image();
    };
    const auto placeholder = ui::Image::imageNamed("找房占位80x60.png");
    ASSERT_TRUE(pictureOf(0));
    EXPECT_EQ(pictureOf(0)->size(), ui::Size(16, 12)) << "the user's own picture being sent";
    EXPECT_EQ(pictureOf(1), placeholder);
    EXPECT_EQ(pictureOf(2), placeholder);
    auto* voice = dynamic_cast<QXMessageAudioCell*>(cellAt(*chat, 3));
    ASSERT_NE(voice, nullptr);
    EXPECT_TRUE(voice->audioView()->path().isEmpty());
    EXPECT_TRUE(voice->audioView()->name().isEmpty());
}

TEST_F(ChatStateTest, ATappedPictureOpensFullScreenWithItsSaveButton) {
    const QString url = server().root() + "/pictures/chat-photo.jpg";
    store(kBroker, QVariantList{"pic", QVariantMap{{"pic_url", url}}}, 10, false);
    auto chat = openChat(talkRow(kBroker));
    settle();
    auto* cell = dynamic_cast<QXMessageImageCell*>(cellAt(*chat, 0));
    ASSERT_NE(cell, nullptr);
    ASSERT_EQ(cell->urlImageView()->URLString(), url);
    cell->handleTapGesture();
    settle(1);
    auto stack =
        std::dynamic_pointer_cast<ui::NavigationController>(tabs_->presentedViewController());
    ASSERT_NE(stack, nullptr);
    auto pager = std::dynamic_pointer_cast<ImageScrollPageController>(stack->topViewController());
    ASSERT_NE(pager, nullptr);
    EXPECT_EQ(pager->imageNames(), QStringList{url});
    EXPECT_NE(pager->saveButton(), nullptr) << "a chat's picture can be saved";
}

TEST_F(ChatStateTest, DeletingTheOnlyMessageDeletesTheTalkWhileAnEarlierOneLeavesItsLastMessage) {
    store(kBroker, QStringLiteral("第一条"), 20, false);
    store(kBroker, QStringLiteral("第二条"), 10, false);
    auto chat = openChat(talkRow(kBroker));
    chat->deleteContentAtIndex(0);
    EXPECT_EQ(talkRow(kBroker).value("l_content").toString(), R"(["第二条"])");
    chat->deleteContentAtIndex(0);
    EXPECT_TRUE(talkRow(kBroker).isEmpty());
    EXPECT_TRUE(chat->chatData().isEmpty());
}

}  // namespace

namespace {

TEST_F(ChatStateTest, ALongPressOffersCopyAndDeleteButANoticeOffersNothing) {
    store(kBroker, QStringLiteral("可以拷贝的话"), 30, false);
    store(kBroker, QVariantList{"notice", QVariantMap{{"type", "normal"}, {"text", "通知"}}}, 20,
          false);
    auto chat = openChat(talkRow(kBroker));
    settle();
    auto& menu = ui::MenuController::sharedMenuController();
    const auto pressOn = [&](int row) {
        const ui::View* bubble = cellAt(*chat, row)->chatBgView();
        driver_->longPressAt(bubble->convertPointToView({20, 20}, nullptr));
        settle();
    };
    pressOn(0);
    ASSERT_TRUE(menu.isMenuVisible());
    EXPECT_EQ(menu.visibleTitles(), (QStringList{"拷贝", "删除"}));
    ASSERT_TRUE(menu.performItem("拷贝"));
    EXPECT_EQ(ui::Pasteboard::generalPasteboard().string(), "可以拷贝的话");
    pressOn(1);
    EXPECT_FALSE(menu.isMenuVisible()) << "a notice can be neither copied nor deleted";
    pressOn(0);
    ASSERT_TRUE(menu.performItem("删除"));
    settle();
    ASSERT_EQ(chat->chatData().size(), 1);
    EXPECT_EQ(
        QXIMDatabase::shared().messagesListByTalkId(brokerTalk(), own(), 4999999999, 10).size(), 1);
}

}  // namespace

namespace {

// With the keyboard up, a long press on a bubble puts the keyboard down: the list grows and
// scrolls to its end, and the bubble's 拷贝/删除 menu goes along with the bubble.
TEST_F(ChatStateTest, ABubblesMenuFollowsTheBubbleWhenTheKeyboardGoesDown) {
    for (int n = 0; n < 12; ++n)
        store(kBroker, QStringLiteral("第%1条消息").arg(n), 100 - n, n % 2 == 1);
    auto chat = openChat(talkRow(kBroker));
    settle();
    ASSERT_TRUE(driver_->tap(chat->containerView()->textView()));
    settle();
    ASSERT_TRUE(ui::Keyboard::shared().isVisible());
    auto& menu = ui::MenuController::sharedMenuController();
    const ui::View* bubble = cellAt(*chat, 11)->chatBgView();
    const ui::Rect before = bubble->convertRectToView(bubble->bounds(), nullptr);
    driver_->longPressAt(before.origin + ui::Point(20, 20));
    window_->layoutIfNeeded();  // a frame shows the menu before the list comes down
    settle();
    EXPECT_FALSE(ui::Keyboard::shared().isVisible());
    ASSERT_TRUE(menu.isMenuVisible());
    EXPECT_EQ(menu.visibleTitles(), (QStringList{"拷贝", "删除"}));
    const ui::Rect after = bubble->convertRectToView(bubble->bounds(), nullptr);
    EXPECT_GT(after.minY() - before.minY(), 100) << "the bubble came down with the list";
    EXPECT_NEAR(menu.menuFrame().maxY(), after.minY() - 8, 0.5) << "above the bubble, now";
    EXPECT_NEAR(menu.menuFrame().midX(), after.midX(), 0.5);
    ASSERT_TRUE(driver_->tapText("拷贝"));
    EXPECT_EQ(ui::Pasteboard::generalPasteboard().string(), "第11条消息");
}

// A bubble that messages arriving push out of the list takes its menu along: the menu does not
// follow its cell to the message the cell shows next.
TEST_F(ChatStateTest, ABubblePushedAwayByArrivingMessagesTakesItsMenuAlong) {
    for (int n = 0; n < 12; ++n)
        store(kBroker, QStringLiteral("第%1条消息").arg(n), 5000 - n, n % 2 == 1);
    const qint64 base = qint64(clock().timeIntervalSince1970()) - 5000;
    auto chat = openChat(talkRow(kBroker));
    settle();
    const std::vector<ui::IndexPath> shown = chat->chatTable()->indexPathsForVisibleRows();
    ASSERT_GE(shown.size(), 3u);
    const int row = shown[shown.size() / 2].row;
    const ui::View* bubble = cellAt(*chat, row)->chatBgView();
    driver_->longPressAt(bubble->convertPointToView({20, 20}, nullptr));
    settle();
    auto& menu = ui::MenuController::sharedMenuController();
    ASSERT_TRUE(menu.isMenuVisible());
    cellAt(*chat, shown.back().row)->resignFirstResponder();
    EXPECT_TRUE(menu.isMenuVisible()) << "another bubble's menu it is not";

    messaging_.write({{"to", kUser}, {"count", 20}, {"updateTime", base + 100}});
    ASSERT_TRUE(runMainLoopUntil([&] {
        drainMainLoop();
        return chat->chatData().size() == 32;
    }));
    settle();
    EXPECT_FALSE(menu.isMenuVisible());
    EXPECT_EQ(chat->chatTable()->indexPathsForVisibleRows().back().row, 31);
}

// A long press in the middle of a bubble taller than the screen shows its menu on the screen, at
// the top of the part of the bubble that the list shows.
TEST_F(ChatStateTest, ALongPressOnABubbleTallerThanTheScreenShowsItsMenuOnTheScreen) {
    store(kBroker, QString(900, u'长'), 30, false);
    auto chat = openChat(talkRow(kBroker));
    settle();
    const ui::View* bubble = cellAt(*chat, 0)->chatBgView();
    const ui::Rect whole = bubble->convertRectToView(bubble->bounds(), nullptr);
    const ui::TableView& list = *chat->chatTable();
    const ui::Rect shown = list.convertRectToView(list.bounds(), nullptr);
    ASSERT_LT(whole.minY(), shown.minY());
    ASSERT_GT(whole.maxY(), shown.maxY() - 20);
    auto& menu = ui::MenuController::sharedMenuController();
    driver_->longPressAt({whole.midX(), shown.midY()});
    settle();
    ASSERT_TRUE(menu.isMenuVisible());
    EXPECT_EQ(menu.visibleTitles(), (QStringList{"拷贝", "删除"}));
    EXPECT_TRUE(window_->bounds().contains(menu.menuFrame())) << "on the screen";
    EXPECT_NEAR(menu.menuFrame().maxY(), shown.minY() - 8, 0.5) << "above what shows of it";
    ASSERT_TRUE(driver_->tapText("删除"));
    settle();
    EXPECT_TRUE(chat->chatData().isEmpty());
}

TEST_F(ChatStateTest, TheCallButtonDialsOnlyAPhoneNumberTheServerGave) {
    QStringList dialled;
    ui::Application::sharedApplication().setOpenURLHandler([&](const QUrl& url) {
        dialled << url.toString();
        return true;
    });
    const auto withPhone = [&](const QString& phone) {
        QVariantMap talk = brokerTalkInfo();
        talk["o_user"] =
            QStringLiteral(R"({"id":"880001","name":"王先生","phone":"%1"})").arg(phone);
        auto chat = openChat(talk);
        const auto* call = driver_->findByText(QStringLiteral("电话"));
        if (call) driver_->tap(call);
        navigation_->popViewControllerAnimated(false);
        settle();
    };
    withPhone("13812345678");
    withPhone("021-5555 6666<script>");
    withPhone("x");
    ui::Application::sharedApplication().setOpenURLHandler({});
    EXPECT_EQ(dialled, QStringList{"tel://13812345678"});
}

TEST_F(ChatStateTest, TheCallAlertDialsTheBrokerAndATapBesideTheBubblesPutsThePanelAway) {
    QStringList dialled;
    ui::Application::sharedApplication().setOpenURLHandler([&](const QUrl& url) {
        dialled << url.toString();
        return true;
    });
    QVariantMap talk = brokerTalkInfo();
    talk["o_user"] = QStringLiteral(R"({"id":"880001","name":"王先生","phone":"13812345678"})");
    auto chat = openChat(talk);
    const auto answer = [&](int tag, int button) {
        auto alert = std::make_shared<ui::AlertView>(
            "", "拨打经纪人电话？", std::static_pointer_cast<ui::AlertViewDelegate>(chat), "取消",
            QStringList{"拨打"});
        alert->setTag(tag);
        alert->show();
        settle();
        ASSERT_TRUE(alerts_->pressButtonAtIndex(button));
        settle();
    };
    answer(QXMessageController::kCallTag, 0);
    answer(7, 1);
    EXPECT_TRUE(dialled.isEmpty());
    answer(QXMessageController::kCallTag, 1);
    EXPECT_EQ(dialled, QStringList{"tel://13812345678"});
    EXPECT_TRUE(StatClick::records().last().toMap().value("id") == "chat_bn_callling");
    ui::Application::sharedApplication().setOpenURLHandler({});

    // The screen keeps its recogniser off every view; laid on the table, a tap there puts
    // the picture panel away.
    ASSERT_NE(chat->singleTap(), nullptr);
    EXPECT_EQ(chat->singleTap()->view(), nullptr);
    ASSERT_TRUE(driver_->tap(chat->containerView()->imageButton()));
    settle();
    ASSERT_FALSE(chat->sendImagePanel()->isHidden());
    // A view that hears nothing of its own: a tap on it changes nothing until the
    // recogniser is laid on it.
    auto probe = std::make_shared<ui::View>(ui::Rect(0, 250, 320, 40));
    chat->view()->addSubview(probe);
    ASSERT_TRUE(driver_->tap(probe.get()));
    settle();
    ASSERT_FALSE(chat->sendImagePanel()->isHidden());
    probe->addGestureRecognizer(chat->singleTap());
    ASSERT_TRUE(driver_->tap(probe.get()));
    settle();
    EXPECT_TRUE(chat->sendImagePanel()->isHidden());
}

}  // namespace

namespace {

TEST_F(ChatStateTest, APostCardOpensThatPostsDetailFetchedByItsPuid) {
    const QVariantMap card = standin::ChatBroker::cardData(server().root()).toVariantMap();
    store(kBroker, QVariantList{"url", card, ""}, 60, false);
    auto chat = openChat(talkRow(kBroker));
    ASSERT_EQ(chat->chatData().size(), 1);
    // Where bar and bubbles sit once the keyboard went down in the chat.
    ASSERT_TRUE(driver_->tap(chat->containerView()->textView()));
    settle();
    chat->singleTapCellViewGesture();
    settle();
    ASSERT_FALSE(ui::Keyboard::shared().isVisible());
    const ui::Rect bar = chat->containerView()->frame();
    const ui::Rect table = chat->chatTable()->frame();
    // The card is tapped while the keyboard is up.
    ASSERT_TRUE(driver_->tap(chat->containerView()->textView()));
    settle();
    ASSERT_TRUE(ui::Keyboard::shared().isVisible());
    ASSERT_LT(chat->containerView()->frame().origin.y, bar.origin.y);
    QXMessageCell* cell = cellAt(*chat, int(chat->chatData().size()) - 1);
    ASSERT_TRUE(dynamic_cast<QXMessageVcardCell*>(cell));
    cell->handleTapGesture();
    settle();
    auto detail = std::dynamic_pointer_cast<QXPostDetailNew>(navigation_->topViewController());
    ASSERT_TRUE(detail);
    EXPECT_EQ(detail->puid(), card["puid"].toString());
    EXPECT_EQ(detail->fromType(), 1) << "the detail counts its favourite as a chat's";
    ASSERT_TRUE(runMainLoopUntil([&] { return detail->isGetDetailFinish(); }));
    EXPECT_EQ(detail->post()["title"], card["title"]) << "the card's post, as the list shows it";

    // Back in the chat, bar and bubbles sit as they do without the keyboard, which went.
    navigation_->popViewControllerAnimated(true);
    settle();
    EXPECT_EQ(navigation_->topViewController(), chat);
    EXPECT_FALSE(ui::Keyboard::shared().isVisible());
    EXPECT_EQ(chat->containerView()->frame(), bar);
    EXPECT_EQ(chat->chatTable()->frame(), table);
}

TEST_F(ChatStateTest, TheBrokersPictureOpensTheShopWhoseChatButtonReturnsToThisTalk) {
    auto chat = openChat();
    ASSERT_TRUE(runMainLoopUntil([&] { return chat->agentTag() == 1; }));
    URLPic* picture = nullptr;
    for (const auto& view : chat->headerView()->subviews())
        if (auto* found = dynamic_cast<URLPic*>(view.get())) picture = found;
    ASSERT_NE(picture, nullptr);
    ASSERT_TRUE(driver_->tap(picture));
    settle(1);

    // The shop page is given the data the chat fetched and asks for none of its own.
    auto page = std::dynamic_pointer_cast<QXAgentInfoController>(navigation_->topViewController());
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->agentId(), "880001");
    EXPECT_FALSE(page->dataInfo().value("baseInfo").toMap().isEmpty());
    EXPECT_EQ(requestsOf("GetUserPrivilegeByUserId"), 1);

    // Without a post of its own the chat button leads back to the talk and starts no other.
    ASSERT_TRUE(driver_->tap(page->beginConnectionBt()));
    settle(1);
    EXPECT_EQ(navigation_->topViewController(), chat);
    EXPECT_EQ(navigation_->viewControllers().size(), 1u);
    EXPECT_EQ(requestsOf("GetPostList"), 0) << "no post is looked for to start another talk";
}

TEST_F(ChatStateTest, ADealRecordedFromTheBarOpensItsPageAndTheBarOpensItFromThenOn) {
    const QString page = server().root() + "/deal/" + own() + "-880001.html";
    auto chat = openChat();
    auto screen = openDealRecord();
    ASSERT_NE(screen, nullptr);
    ASSERT_TRUE(driver_->tap(screen->telePhoneField()));
    ASSERT_TRUE(driver_->type("13812345678"));
    screen->telePhoneField()->resignFirstResponder();
    ASSERT_TRUE(driver_->tapText("确定"));
    ASSERT_TRUE(waitFor([&] { return !host_->pages.isEmpty(); }));

    QStringList calls;
    for (const auto& request : server().requests(standin::paths::kDataShare)) {
        if (request.body.contains("insertAgentUserTransaction"))
            calls << QString::fromUtf8(request.header("interface") + ' ' + request.body);
    }
    EXPECT_EQ(calls, QStringList{"HousingRequestInfo class={\"SearchHousingRequest\":{"
                                 "\"insertAgentUserTransaction\":[\"" +
                                 own() + "\",\"880001\",\"13812345678\"]}}"});
    EXPECT_EQ(host_->pages, QStringList{"成交记录 " + page});
    EXPECT_EQ(navigation_->viewControllers().size(), 3u) << "the page over the number's screen";

    // Back in the chat the bar opens the page without asking again.
    navigation_->popToViewController(chat, false);
    settle();
    ASSERT_TRUE(driver_->tapText("成交记录"));
    settle();
    EXPECT_EQ(alerts_->visibleAlert(), nullptr);
    EXPECT_EQ(host_->pages.size(), 2);
    EXPECT_EQ(host_->pages.last(), "成交记录 " + page);

    // A chat opened later finds the deal the server keeps.
    auto later = openChat();
    EXPECT_TRUE(waitFor([&] { return later->url() == page; }));
}

// The alert that refuses a number leaves the number pad up beneath it, as the screen showed
// it, yet neither the desktop's keys nor the pad take anything to the field while it is up;
// once it is answered, typing goes on where it stopped.
TEST_F(ChatStateTest, KeysTypedWhileTheDealRecordsAlertIsUpReachNoFieldBeneathIt) {
    auto screen = editDealRecordNumber();
    ASSERT_NE(screen, nullptr);
    ui::TextField* field = screen->telePhoneField();
    ASSERT_TRUE(driver_->tapKey("1"));
    ASSERT_TRUE(driver_->type("23"));
    ASSERT_TRUE(driver_->tapText("确定"));
    settle();
    ASSERT_NE(alerts_->visibleAlert(), nullptr);
    EXPECT_EQ(alerts_->visibleAlert()->message(), QXInputTelPhoneNumberViewController::kBadNumber);
    EXPECT_TRUE(field->isFirstResponder());
    EXPECT_TRUE(ui::Keyboard::shared().isVisible()) << "the number pad stays up beneath it";

    EXPECT_FALSE(driver_->type("45"));
    EXPECT_FALSE(driver_->pressBackspace());
    EXPECT_FALSE(driver_->tapKey("4"));
    EXPECT_EQ(field->text(), "123");

    ASSERT_TRUE(alerts_->pressButton("确定"));
    EXPECT_TRUE(driver_->type("45"));
    EXPECT_EQ(field->text(), "12345");
    EXPECT_EQ(navigation_->topViewController(), screen);
}

// The number's field has a number pad: of what the desktop's keyboard and input method bring
// it takes only digits, so the number it sends is the one typed; the screen rests meanwhile.
TEST_F(ChatStateTest, TheDealRecordsNumberTakesOnlyDigitsFromTheDesktop) {
    auto screen = editDealRecordNumber();
    ASSERT_NE(screen, nullptr);
    ui::TextField* field = screen->telePhoneField();
    ASSERT_TRUE(driver_->type("129"));
    ASSERT_TRUE(driver_->compose({"n", "ni"}, "你"));
    ASSERT_TRUE(driver_->type("a45"));
    EXPECT_EQ(field->text(), "12945");
    field->setText({});
    ASSERT_TRUE(driver_->type(QStringLiteral("138 1234 ５６７８")));
    EXPECT_EQ(field->text(), "13812345678");
    // The chat's opening calls have been answered (the stream alone stays open): the screen
    // beneath draws each frame until they are.
    ASSERT_TRUE(waitFor([] {
        return std::ranges::all_of(pathsOfCallsOnTheirWay(), [](const QString& path) {
            return path == standin::paths::kStreamReceive;
        });
    }));
    EXPECT_TRUE(restsIdle()) << "the number typed, the pad up";
}

}  // namespace

namespace {

TEST_F(ChatStateTest, TextBubblesShowEveryCharacterOfTheLinesTheyWereMeasuredFor) {
    // Lines of sixteen characters fill the 230 points a text is measured in: wider than a
    // label of 222 would be.
    const QString line = QStringLiteral("周末下午两点可以去看看这套房子吗");
    const QString lines = line + QStringLiteral("房东说家具家电都留下押一付三可以");
    ASSERT_EQ(lines.size(), 32);
    // A linked text of one line between 222 and 230 points wide.
    const ui::Font font = ui::Font::systemFontOfSize(QXMessageTextCell::kFontSize);
    const auto width = [&](const QString& text) {
        return ui::StringDrawing::sizeWithFont(text, font).width;
    };
    QString linked = QStringLiteral("电话13812345678");
    while (width(linked + QStringLiteral("房")) <= 222) linked += QStringLiteral("房");
    while (width(linked) <= 222) linked += QLatin1Char('a');
    ASSERT_LE(width(linked), 230);
    store(kBroker, line, 30, true);
    store(kBroker, lines, 20, false);
    store(kBroker, linked, 10, false);
    auto chat = openChat(talkRow(kBroker));
    settle();
    for (const int row : {0, 1}) {
        auto* cell = dynamic_cast<QXMessageTextCell*>(cellAt(*chat, row));
        ASSERT_NE(cell, nullptr);
        EXPECT_EQ(driver_->textOf(cell->messageLabel()).remove('\n'), row == 0 ? line : lines);
    }
    auto* cell = dynamic_cast<QXMessageTextAndMobileCell*>(cellAt(*chat, 2));
    ASSERT_NE(cell, nullptr);
    RichTextView* text = nullptr;
    for (const auto& view : cell->chatBgView()->subviews())
        if (auto* found = dynamic_cast<RichTextView*>(view.get())) text = found;
    ASSERT_NE(text, nullptr);
    const ui::Size frame = text->frame().size;
    EXPECT_LE(text->suggestedSizeConstrainedToSize({frame.width, 1e6}).height, frame.height)
        << "the linked line does not break again below the bubble";

    // A text of a hundred thousand characters shows its first thousand and "…", with no link
    // for the number at its end that it does not show, in a bubble as tall as they are; Copy
    // takes the whole text.
    const QString huge = QStringLiteral("房东急租，拎包入住。").repeated(10'000) + "13812345678";
    store(kBroker, huge, 5, false);
    chat->reloadChatList();
    settle();
    auto* cut = dynamic_cast<QXMessageTextCell*>(cellAt(*chat, 3));
    ASSERT_NE(cut, nullptr);
    EXPECT_EQ(cut->messageLabel()->text(), huge.left(1000) + QStringLiteral("…"));
    EXPECT_LT(chat->chatTable()->rectForRowAtIndexPath({0, 3}).size.height, 2000);
    cut->copy();
    EXPECT_EQ(ui::Pasteboard::generalPasteboard().string(), huge);
    const QString house = QString::fromUtf8("\xF0\x9F\x8F\xA0");
    EXPECT_EQ(QXMessageTextCell::shownText(house.repeated(1001)), house.repeated(1000) + "…")
        << "a character is never cut in two";
}

TEST_F(ChatStateTest, AReusedPictureBubbleOpensOnlyItsOwnPicture) {
    QImage photo(16, 12, QImage::Format_RGB32);
    photo.fill(Qt::green);
    ASSERT_TRUE(photo.save(QXIMUtil::getPicCacheDirectory() + "/left-behind", "PNG"));
    const QString url = server().root() + "/pictures/chat-photo.jpg";
    store(kBroker, QVariantList{"pic", QVariantMap{{"pic_url", url}}}, 20, false);
    store(kBroker, QVariantList{"pic", QVariantMap{{"pic_url", "file://left-behind"}}}, 10, true, 0,
          0, QXIMMessage::kFailed);
    auto chat = openChat(talkRow(kBroker));
    settle();
    auto* cell = dynamic_cast<QXMessageImageCell*>(cellAt(*chat, 0));
    ASSERT_NE(cell, nullptr);
    ASSERT_EQ(cell->urlImageView()->URLString(), url);
    // The bubble of the remote picture is given the failed local one, as the table does when
    // it reuses a bubble.
    const QXIMMessage& local = chat->chatData().at(1);
    cell->setIndex(1);
    cell->setContents(local.contentsJson().toList().value(0));
    cell->setMessage(local);
    EXPECT_TRUE(cell->urlImageView()->URLString().isEmpty());
    cell->handleTapGesture();
    settle(1);
    EXPECT_EQ(tabs_->presentedViewController(), nullptr) << "no other message's picture opens";
}

TEST_F(ChatStateTest, APictureThatFailedIsAskedAgainAndItsPlainFailureIsTold) {
    // A post card's picture view has no failure picture: its failed first try still leads to
    // the plain address, and so to the picture.
    const QVariantMap card = standin::ChatBroker::cardData(server().root()).toVariantMap();
    const QString img = card.value("img").toString();
    ASSERT_FALSE(img.isEmpty());
    ASSERT_FALSE(img.startsWith("http")) << "a path on the image host";
    server().setFault({.prefix = QByteArray(standin::paths::kImageHost) + '/' + img.toUtf8(),
                       .status = 500,
                       .times = 1});
    store(kBroker, QVariantList{"url", card, ""}, 60, false);
    auto chat = openChat(talkRow(kBroker));
    URLPic* picture = pictureIn(*cellAt(*chat, 0));
    ASSERT_NE(picture, nullptr);
    ASSERT_TRUE(runMainLoopUntil([&] {
        drainMainLoop();
        return picture->image() != nullptr && !picture->isDownloading();
    }));
    EXPECT_EQ(imageRequests(img), 2);

    // Failing for good, the plain attempt is told once; asked again, it downloads again.
    server().setFault({.prefix = standin::paths::kImageHost, .status = 404});
    auto view = std::make_shared<URLPic>(ui::Rect(0, 0, 72, 54));
    window_->addSubview(view);
    const QString address = server().root() + standin::paths::kImageHost + "/chat/missing.jpg";
    QStringList failures;
    view->requestURL(address, [&](const QString& failed, const QString&) { failures << failed; });
    ASSERT_TRUE(runMainLoopUntil([&] { return !failures.isEmpty(); }));
    settle();
    EXPECT_EQ(failures, QStringList{address});
    const int asked = imageRequests("chat/missing.jpg");
    server().setFaults({});
    view->requestURL(address);
    ASSERT_TRUE(runMainLoopUntil([&] { return imageRequests("chat/missing.jpg") == asked + 1; }));
}

TEST_F(ChatStateTest, APictureMadeFromItsAddressAsksAtOnceKeepsItsFileAndHearsTaps) {
    struct Taps final : URLPicDelegate {
        void urlPictureSingleTapped(URLPic&) override { ++count; }
        int count = 0;
    };
    const QString url = server().url("/img/house/5.jpg");
    auto picture = URLPic::initWithURLString(url);
    EXPECT_EQ(picture->frame(), ui::Rect(0, 0, 320, 320));
    EXPECT_EQ(picture->sourceFrame(), ui::Rect(0, 0, 320, 320));
    EXPECT_TRUE(picture->clipsToBounds());
    EXPECT_EQ(picture->URLString(), url) << "asked at once";
    ASSERT_TRUE(settleUntil([&] { return !picture->isDownloading() && picture->image(); }));
    EXPECT_TRUE(ns::FileManager::fileExistsAtPath(URLPic::getHightQualityLocImagePath(url)));

    auto taps = std::make_shared<Taps>();
    picture->setDelegate(taps);
    auto holder = std::make_shared<ui::View>(ui::Rect(0, 0, 320, 320));
    holder->addSubview(picture);
    auto chat = openChat();
    chat->view()->addSubview(holder);
    settle();
    ASSERT_TRUE(driver_->tap(picture.get()));
    EXPECT_EQ(taps->count, 1);

    // The frame a picture was made with stays its source, wherever it goes later.
    URLPic small(ui::Rect(10, 20, 60, 60));
    small.setFrame({0, 0, 100, 100});
    EXPECT_EQ(small.sourceFrame(), ui::Rect(10, 20, 60, 60));
}

}  // namespace
