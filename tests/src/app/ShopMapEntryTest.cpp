#include "app/QXAppChatScreenOpener.h"
#include "app/QXAppDelegate.h"
#include "app/ShopMapEntry.h"
#include "chat/QXMessageController.h"
#include "houses/broker/QXAgentInfoController.h"

#include "IMChat/qximlib/QXIMDatabase.h"

#include "SandboxTest.h"

namespace {

const QString kShopUser = "42";
const QString kTalk = "8000001234-42";

class ShopMapEntryTest : public SandboxTest {
protected:
    void TearDown() override {
        QXAppDelegate::resetShared();
        SandboxTest::TearDown();
    }
};

TEST_F(ShopMapEntryTest, AnswersBeforeLaunchWithoutACityStateOrAStoredTalk) {
    QXAppDelegate& delegate = QXAppDelegate::sharedAppDelegate();
    const ShopMapContext context = ShopMapEntry::context(delegate);
    EXPECT_EQ(context.cityId(), 0);
    context.setDragBack(false);
    EXPECT_FALSE(delegate.isShouldDragBackGesture());
    context.setDragBack(true);
    EXPECT_TRUE(delegate.isShouldDragBackGesture());
    EXPECT_TRUE(context.strLocation().isEmpty());
    EXPECT_EQ(context.locationState(), UserLocationFailed);
    EXPECT_FALSE(context.cityIndexWithName("上海市"));
    ASSERT_TRUE(QXIMDatabase::shared().openDatabase(kShopUser));
    EXPECT_FALSE(context.storedPostReference(kTalk, kShopUser)) << "no such talk";

    // A broker of the map opens the broker's page about the shop's post.
    const auto page = std::dynamic_pointer_cast<QXAgentInfoController>(
        context.makeBrokerPage("8000001234", "80000012347_1_1009_0"));
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->agentId(), "8000001234");
    EXPECT_EQ(page->postId(), "80000012347_1_1009_0");
}

TEST_F(ShopMapEntryTest, AStoredTalkGivesItsPostReferenceAndLosesItsUnreadMark) {
    QXIMDatabase& store = QXIMDatabase::shared();
    ASSERT_TRUE(store.openDatabase(kShopUser));
    QXIMMessage message;
    message.userId = kShopUser;
    message.talkId = kTalk;
    message.fromId = "8000001234";
    message.toId = kShopUser;
    message.needId = "80000012347_1_1009_0";
    message.otherUser = R"({"id":"8000001234"})";
    message.messageId = 7;
    message.uTime = 1000;
    message.setContents("[\"hi\"]");
    ASSERT_TRUE(store.saveMessageIntoTalkTable(message));
    const int unread = store.talkUnReadCountWithUserId(kShopUser);

    const ShopMapContext context = ShopMapEntry::context(QXAppDelegate::sharedAppDelegate());
    EXPECT_EQ(context.storedPostReference(kTalk, kShopUser), QString("80000012347_1_1009_0"));
    context.clearUnread(kTalk);
    EXPECT_LE(store.talkUnReadCountWithUserId(kShopUser), unread);
    EXPECT_EQ(store.talkInfoExist(kTalk, kShopUser).value(0).value("l_read").toInt(), 0);
}

}  // namespace

namespace {

TEST_F(ShopMapEntryTest, TheMapAndTheHousingScreensOpenTheChatScreenOfTheTalk) {
    const QVariantMap talk{
        {"t_id", kTalk}, {"u_id", kShopUser}, {"o_user", R"({"id":"8000001234"})"}};
    const auto fromMap =
        ShopMapEntry::context(QXAppDelegate::sharedAppDelegate()).makeChat(talk, "李经理");
    const auto* chat = dynamic_cast<QXMessageController*>(fromMap.get());
    ASSERT_NE(chat, nullptr);
    EXPECT_EQ(chat->talkInfo().value("t_id"), kTalk);
    EXPECT_TRUE(chat->hidesBottomBarWhenPushed());

    QXAppChatScreenOpener opener;
    const auto fromDetail = opener.makeChatScreen(talk, "李经理", true, true);
    ASSERT_NE(fromDetail, nullptr);
    EXPECT_TRUE(static_cast<QXMessageController&>(*fromDetail).hiddenAgentView());
    EXPECT_EQ(fromDetail->title(), "李经理");
    EXPECT_EQ(opener.talkIdShownBy(*fromDetail), kTalk);
    EXPECT_EQ(opener.talkIdShownBy(ui::ViewController()), "");
}

}  // namespace
