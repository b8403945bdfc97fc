#include "ChatScreenFixture.h"

#include "chat/ChatHost.h"
#include "chat/QXBrokerItem.h"
#include "chat/QXChatListCell.h"
#include "chat/QXChatListController.h"
#include "map/URLPic.h"

#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"

namespace {

class ChatListTest : public ChatScreenFixture {
protected:
    void SetUp() override {
        ChatScreenFixture::SetUp();
        startMessaging();
        // The service account's two welcome messages are the first talk.
        ASSERT_TRUE(runMainLoopUntil(
            [&] { return QXIMDatabase::shared().talkUnReadCountWithUserId(own()) == 2; }));
    }

    void openList() {
        list_ = std::make_shared<QXChatListController>();
        navigation_->setViewControllers({list_}, false);
        settle();
    }
    [[nodiscard]] QXChatListCell* rowOf(int row) {
        return dynamic_cast<QXChatListCell*>(
            list_->chatTable()->cellForRowAtIndexPath(ui::IndexPath(0, row)));
    }
    // The row showing the broker's name.
    [[nodiscard]] QXChatListCell* rowNamed(const QString& name) {
        for (int row = 0; row < list_->chatTable()->numberOfRowsInSection(0); ++row) {
            QXChatListCell* cell = rowOf(row);
            if (cell && cell->name() && cell->name()->text() == name) return cell;
        }
        return nullptr;
    }
    [[nodiscard]] int lastBadge() const {
        return host_->badges.empty() ? -1 : host_->badges.back();
    }
    bool picturesLoaded() {
        for (ui::View* view :
             driver_->findAll([](ui::View& v) { return dynamic_cast<URLPic*>(&v); }))
            if (static_cast<URLPic*>(view)->isDownloading()) return false;
        return true;
    }

    std::shared_ptr<QXChatListController> list_;
};

TEST_F(ChatListTest, TalksShowNewestFirstWithPreviewsAgesAndUnreadBadges) {
    store(880001, QStringLiteral("您好，房子还在"), 7200, false, 3);
    store(880002, QVariantList{"pic", QVariantMap{{"pic_url", "chat/2.jpg"}}, "有图片"}, 600, false,
          1);
    store(880003, QVariantList{"url", QVariantMap{{"title", "整租两居"}}, ""}, 2 * 86400, false,
          12);
    store(880004, QVariantList{"sound", QVariantMap{{"src", "x.amr"}}, ""}, 5 * 86400, false, 0);
    store(880005, QVariantList{"notice", QVariantMap{{"type", "block"}}, ""}, 6 * 86400, false,
          150);
    openList();
    ASSERT_EQ(list_->chatData().size(), 6);
    // The service account's talk is pinned on top.
    EXPECT_TRUE(list_->chatData()[0].toMap().value("t_id").toString().startsWith(
        QXIMMessage::serviceUserId()));
    ASSERT_TRUE(runMainLoopUntil([&] { return lastBadge() == 2 + 3 + 1 + 12 + 150; }));

    QXChatListCell* text = rowNamed("王先生");
    QXChatListCell* picture = rowNamed("李女士");
    QXChatListCell* card = rowNamed("张先生");
    QXChatListCell* voice = rowNamed("陈小姐");
    ASSERT_TRUE(text && picture && card && voice);
    EXPECT_EQ(text->lastInfoLabel()->text(), "您好，房子还在");
    EXPECT_EQ(text->time()->text(), "3小时前");
    EXPECT_EQ(text->infoCount()->text(), "3");
    EXPECT_EQ(text->iconImageView()->frame().size.width, 22);
    EXPECT_EQ(text->companyName()->text(), "安居房产");
    EXPECT_EQ(text->companyAddress()->text(), "浦东陆家嘴");
    EXPECT_EQ(picture->lastInfoLabel()->text(), "[图片]");
    EXPECT_EQ(picture->lastInfoLabel()->textColor(), ui::Color::rgb(86, 186, 34));
    EXPECT_EQ(card->lastInfoLabel()->text(), "[房源]");
    EXPECT_EQ(card->time()->text(), "3天前");
    EXPECT_EQ(card->iconImageView()->frame().size.width, 30.5);
    EXPECT_EQ(voice->lastInfoLabel()->text(), "[语音]");
    EXPECT_TRUE(voice->infoCount()->isHidden()) << "nothing unread";
    ASSERT_TRUE(settleUntil([&] { return picturesLoaded(); }, 0.1));
    settle();
    EXPECT_TRUE(matchesReferenceImage(driver_->screenshot()->pixels(), "src/chat/reference",
                                      "chat_list.png"));

    // Scrolled to its end, the list shows its last talk whole above the tab bar that the
    // screen reaches under.
    ui::TableView* table = list_->chatTable();
    const double end = table->contentSize().height - table->bounds().size.height;
    ASSERT_GT(end, 0) << "more talks than fit";
    table->setContentOffset({0, end});
    settle();
    const ui::Rect last = table->convertRectToView(
        table->rectForRowAtIndexPath(ui::IndexPath(0, int(list_->chatData().size()) - 1)),
        list_->view().get());
    EXPECT_LE(last.origin.y + last.size.height,
              list_->view()->bounds().size.height - ChatHost::shared()->tabBarHeight());

    // Another user's talks (the service account's alone, as after a logon) show from the top,
    // not at the offset the list before was scrolled to.
    for (const qint64 other : {880001, 880002, 880003, 880004, 880005})
        ASSERT_TRUE(QXIMDatabase::shared().deleteTalksInfo(
            own(), QStringLiteral("%1-%2").arg(other).arg(kUser)));
    ns::NotificationCenter::defaultCenter().post(QXChatListController::kUserChangedNotification);
    settle();
    ASSERT_EQ(list_->chatData().size(), 1);
    EXPECT_EQ(table->contentOffset().y, 0) << "the one talk shows whole below the bar";
}

// A row that showed a broker, then the service account's own picture, shows the broker's
// picture again when it shows him again: never the picture of the row it was before.
TEST_F(ChatListTest, AReusedRowShowsItsOwnBrokersPicture) {
    const auto item = [](const QString& picture) {
        return QXBrokerItem({{"o_user", QStringLiteral(R"({"picUrl":"%1"})").arg(picture)}});
    };
    const auto cell = QXChatListCell::make(QXChatListCell::kTalkRowTag, "chatListTableCell");
    const QXBrokerItem broker = item(server().root() + "/img/avatars/brokers/880001.jpg");
    cell->setChatListCellWithDic(broker);
    ASSERT_TRUE(runMainLoopUntil([&] { return !cell->HeadImage()->isDownloading(); }));
    const auto brokerPicture = cell->HeadImage()->image();
    ASSERT_NE(brokerPicture, nullptr);
    cell->setChatListCellWithDic(item(QStringLiteral("file://Nevoru官方2.2.1@2x.png")));
    const auto ownPicture = cell->HeadImage()->image();
    EXPECT_NE(ownPicture, brokerPicture);
    cell->setChatListCellWithDic(broker);
    ASSERT_TRUE(runMainLoopUntil([&] { return !cell->HeadImage()->isDownloading(); }));
    ASSERT_NE(cell->HeadImage()->image(), nullptr);
    EXPECT_NE(cell->HeadImage()->image(), ownPicture);
}

TEST_F(ChatListTest, OpeningATalkClearsItsCountAndNewMessagesUpdateTheRowAndTheTabBadge) {
    store(880001, QStringLiteral("您好"), 600, false, 2);
    openList();
    ASSERT_TRUE(runMainLoopUntil([&] { return lastBadge() == 4; }));
    QXChatListCell* row = rowNamed("王先生");
    ASSERT_NE(row, nullptr);
    ASSERT_TRUE(driver_->tap(row));
    settle(0.5);
    auto chat = std::dynamic_pointer_cast<QXMessageController>(navigation_->topViewController());
    ASSERT_NE(chat, nullptr);
    EXPECT_EQ(talkRow(880001).value("l_read").toInt(), 0);
    EXPECT_EQ(chat->chatData().size(), 1);

    navigation_->popViewControllerAnimated(false);
    settle(0.5);
    ASSERT_TRUE(runMainLoopUntil([&] { return lastBadge() == 2; }));
    // The broker writes while the list shows: its row and the tab count it at once.
    messaging_.write({{"to", kUser}, {"text", "还在吗？"}, {"root", server().root()}});
    ASSERT_TRUE(runMainLoopUntil([&] {
        drainMainLoop();
        QXChatListCell* updated = rowNamed("王先生");
        return lastBadge() == 3 && updated && updated->infoCount()->text() == "1" &&
               updated->lastInfoLabel()->text() == "还在吗？";
    }));
}

TEST_F(ChatListTest, TheTeamsAnswerKeepsItsRowsNameAndPicture) {
    openList();
    QXChatListCell* team = rowNamed(QStringLiteral("Nevoru找房团队"));
    ASSERT_NE(team, nullptr);
    const auto picture = team->HeadImage()->image();
    ASSERT_NE(picture, nullptr);
    ASSERT_TRUE(driver_->tap(team));
    settle(0.5);
    auto chat = std::dynamic_pointer_cast<QXMessageController>(navigation_->topViewController());
    ASSERT_NE(chat, nullptr);
    chat->senderTextToServer(QStringLiteral("你好"));
    // The welcome's two, the user's and the team's notice of receipt.
    const QString teamTalk = QXIMMessage::serviceUserId() + u'-' + own();
    ASSERT_TRUE(runMainLoopUntil([&] {
        return QXIMDatabase::shared()
                   .messagesListByTalkId(teamTalk, own(), 4999999999, 10)
                   .size() == 4;
    }));
    navigation_->popViewControllerAnimated(false);
    settle(0.5);

    team = rowOf(0);
    ASSERT_NE(team, nullptr);
    EXPECT_EQ(team->name()->text(), QStringLiteral("Nevoru找房团队"));
    EXPECT_EQ(team->lastInfoLabel()->text(),
              QStringLiteral("您好，这里是Nevoru找房客服，您的留言我们已收到，会尽快回复。"));
    EXPECT_EQ(team->HeadImage()->image(), picture);
}

TEST_F(ChatListTest, TheUnreadCountShowsUpToNinetyNineThenNinetyNinePlus) {
    const auto cell = QXChatListCell::make(QXChatListCell::kTalkRowTag, "talk");
    QXBrokerItem item{QVariantMap{}};
    item.BrokerNameString = QStringLiteral("王先生");
    const struct {
        const char* count;
        const char* shown;
        double width;
    } counts[] = {{"9", "9", 22}, {"10", "10", 30.5}, {"99", "99", 30.5}, {"100", "99+", 30.5}};
    for (const auto& unread : counts) {
        item.BrokerTipCount = unread.count;
        cell->setChatListCellWithDic(item);
        EXPECT_FALSE(cell->infoCount()->isHidden()) << unread.count;
        EXPECT_EQ(cell->infoCount()->text(), unread.shown) << unread.count;
        EXPECT_EQ(cell->infoCount()->frame().size.width, unread.width) << unread.count;
    }
    item.BrokerTipCount = "0";
    cell->setChatListCellWithDic(item);
    EXPECT_TRUE(cell->infoCount()->isHidden());
}

TEST_F(ChatListTest, SwipingATalkAwayDeletesItAndItsMessagesAndAnEmptyListShowsItsPicture) {
    store(880001, QStringLiteral("您好"), 600, false, 1);
    openList();
    ASSERT_EQ(list_->chatData().size(), 2);
    EXPECT_EQ(list_->titleForDeleteConfirmationButtonForRowAtIndexPath(*list_->chatTable(), {0, 1}),
              "删除");
    list_->commitEditingStyle(*list_->chatTable(), ui::TableViewCellEditingStyle::Delete, {0, 1});
    EXPECT_TRUE(
        QXIMDatabase::shared().talkInfoExist(QStringLiteral("880001-") + own(), own()).isEmpty());
    EXPECT_TRUE(storedMessages().isEmpty());
    ASSERT_TRUE(runMainLoopUntil([&] { return lastBadge() == 2; }));
    list_->commitEditingStyle(*list_->chatTable(), ui::TableViewCellEditingStyle::Delete, {0, 0});
    list_->loadListData();
    ASSERT_NE(list_->nonView(), nullptr);
    EXPECT_TRUE(list_->chatTable()->isHidden());
    // The rows' delete animations end here, not on a later test's clock: a running animation
    // left behind would have that test's window draw every frame.
    settle();
}

TEST_F(ChatListTest, OfflineTheFailureRowLeadsTheListCannotBeOpenedOrSwipedAndItsRetryChecks) {
    store(880001, QStringLiteral("您好"), 600, false, 1);
    openList();
    context_->setConnectionReachabil(false);
    clock().advance(5s);
    settle();
    ASSERT_FALSE(list_->isNetConnect());
    ASSERT_EQ(list_->chatTable()->numberOfRowsInSection(0), 3);
    QXChatListCell* failure = rowOf(0);
    ASSERT_NE(failure, nullptr);
    EXPECT_EQ(failure->tag(), QXChatListCell::kNetFailRowTag);
    EXPECT_FALSE(list_->canEditRowAtIndexPath(*list_->chatTable(), {0, 0}));
    EXPECT_TRUE(list_->canEditRowAtIndexPath(*list_->chatTable(), {0, 1}));
    list_->didSelectRowAtIndexPath(*list_->chatTable(), {0, 0});
    EXPECT_EQ(navigation_->topViewController(), list_);
    // The talks keep their places below it.
    EXPECT_EQ(rowNamed("王先生"), rowOf(2));

    ASSERT_TRUE(driver_->tapText(QStringLiteral("重试")));
    EXPECT_EQ(host_->networkWatches, 1);
    ASSERT_NE(alerts_->visibleAlert(), nullptr);
    EXPECT_EQ(alerts_->visibleAlert()->title(), "联网失败");

    context_->setConnectionReachabil(true);
    clock().advance(5s);
    EXPECT_EQ(list_->chatTable()->numberOfRowsInSection(0), 2);
}

TEST(ChatListCellTest, AgesPreviewsAndBrokerItems) {
    const auto secondsAgo = [](qint64 seconds) {
        return QXChatListCell::timeToNow(
            QString::number(qint64(ns::Clock::shared().timeIntervalSince1970()) - seconds));
    };
    ns::Clock::install(std::make_shared<ns::ManualClock>());
    EXPECT_EQ(secondsAgo(-30), "刚刚");
    EXPECT_EQ(secondsAgo(600).size(), 5) << "a clock time";
    EXPECT_EQ(secondsAgo(3601), "2小时前");
    EXPECT_EQ(secondsAgo(86400), "25小时前");
    EXPECT_EQ(secondsAgo(86401), "2天前");
    EXPECT_EQ(secondsAgo(259200), "4天前");
    EXPECT_EQ(secondsAgo(4 * 86400).size(), 5) << "month and day";
    ns::Clock::install(nullptr);

    bool typed = false;
    EXPECT_EQ(QXChatListCell::previewOf(R"(["好的"])", &typed), "好的");
    EXPECT_FALSE(typed);
    EXPECT_EQ(QXChatListCell::previewOf(R"([["mov",{}]])", &typed), "");
    EXPECT_TRUE(typed);
    EXPECT_FALSE(QXChatListCell::previewOf("", &typed));
    EXPECT_FALSE(QXChatListCell::previewOf("[not json", &typed));
    EXPECT_FALSE(QXChatListCell::previewOf("[7]", &typed));

    const QXBrokerItem bare({{"l_content", R"(["x"])"}, {"l_read", 3}, {"u_time", 4102444800LL}});
    EXPECT_TRUE(bare.BrokerNameString.isEmpty());
    EXPECT_TRUE(bare.BrokerCompanyAddress.isNull());
    EXPECT_EQ(bare.BrokerTipCount, "3");
    EXPECT_EQ(bare.BrokerTime, "4102444800") << "a time after 2038 reads whole";
    const auto item = [](const QString& picture) {
        return QXBrokerItem(
            {{"o_user",
              QStringLiteral(R"({"picUrl":"%1","districtName":"浦东","streetName":"金桥"})")
                  .arg(picture)}});
    };
    EXPECT_EQ(item("file://a.png").BrokerImageUrl, "file://a.png");
    EXPECT_EQ(item("http://h/a.png").BrokerImageUrl, "http://h/a.png");
    EXPECT_TRUE(item("avatars/a.jpg").BrokerImageUrl.endsWith("/img/avatars/a.jpg"));
    EXPECT_EQ(item("").BrokerCompanyAddress, "浦东金桥");
}

}  // namespace
