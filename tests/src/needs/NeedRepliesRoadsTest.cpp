// The screens a need's recommended houses open, driven with house rows that carry only what
// the replies screen reads of them: the house's detail, its photos in the pager and its
// broker's shop page, each about the whole post or the need.
#include "NeedScreenFixture.h"

#include "needs/QXHouseSourceCell.h"

#include "chat/QXMessageController.h"
#include "houses/broker/QXAgentInfoController.h"
#include "houses/detail/QXPostDetailNew.h"
#include "houses/photos/ImageOperController.h"
#include "houses/photos/ImagePickerView.h"
#include "houses/photos/ImageScrollPageController.h"
#include "houses/photos/QXFCHouseSourceInfoBottomView.h"
#include "houses/shared/ChatScreenOpener.h"
#include "standin/PostDetailCalls.h"
#include "ui/image/ImageView.h"

#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/table_view.h"

namespace {

// The chat screens as the app makes them.
class ChatOpener final : public ChatScreenOpener {
public:
    std::shared_ptr<ui::ViewController> makeChatScreen(const QVariantMap& talkInfo,
                                                       const QString& title, bool, bool) override {
        auto chat = std::make_shared<QXMessageController>(talkInfo);
        chat->setTitle(title);
        return chat;
    }
};

}  // namespace

class NeedRepliesRoadsTest : public NeedScreenFixture {
protected:
    void SetUp() override {
        NeedScreenFixture::SetUp();
        ChatScreenOpener::install(std::make_shared<ChatOpener>());
    }
    void TearDown() override {
        ChatScreenOpener::install(nullptr);
        NeedScreenFixture::TearDown();
    }

    // Publishes a need whose houses have photos and opens its replies, the houses served as
    // the service lists them: the fields the rows and their actions read, nothing more.
    void openWithListedHouses() {
        const auto [district, name] = brokerDistrict();
        needId_ = publish("1", district, "[2]", "-1").value("postId").toString();
        storeNeed(needId_, "1", district, "[2]", "-1", "不限", name, 1700000000);
        const qint64 subscription = subscribe(needId_);
        QVariant reply;
        QXNetConnection::sharedInstance().requestSubscribeHouseListWithRequestId(
            needId_, 1, subscription, [&](const QVariant& answer) { reply = answer; }, {});
        ASSERT_TRUE(runMainLoopUntil([&] { return reply.isValid(); }));
        QJsonArray rows;
        for (const QVariant& whole :
             Tolerant(reply)["data"]["NevoruSubscribe"]["getSubscribeHouseList"]["list"].toList()) {
            QJsonObject row;
            for (const char* key :
                 {"puid", "userId", "person", "phone", "photo", "companyName", "creditScore",
                  "houseImages", "title", "houseAttribute", "price"}) {
                row.insert(key, QJsonValue::fromVariant(whole.toMap().value(key)));
            }
            if (row["houseImages"].toArray().isEmpty()) continue;
            rows.append(row);
        }
        ASSERT_FALSE(rows.isEmpty()) << "a house with photos";
        house_ = rows.first().toObject().toVariantMap();
        const QJsonObject listed{
            {"data",
             QJsonObject{{"NevoruSubscribe",
                          QJsonObject{{"getSubscribeHouseList", QJsonObject{{"page", 1},
                                                                            {"total", rows.size()},
                                                                            {"list", rows}}}}}}}};
        server().setFault({.prefix = standin::paths::kDataShare,
                           .body = QJsonDocument(listed).toJson(QJsonDocument::Compact),
                           .times = 1});
        screen_ = openReplies(needId_, false);
        ASSERT_TRUE(runMainLoopUntil([&] {
            settle(0.05);
            return !screen_->houseSourceArray().isEmpty();
        }));
        // The matching panel leaves the rows to the user.
        settle(QXBrokerReplyViewController::kMatchingSeconds + 0.5);
    }
    [[nodiscard]] QXHouseSourceCell* firstRow() {
        return dynamic_cast<QXHouseSourceCell*>(
            screen_->houseSourceTableView()->cellForRowAtIndexPath(ui::IndexPath(0, 0)));
    }
    [[nodiscard]] QString puid() const { return house_.value("puid").toString(); }
    [[nodiscard]] std::shared_ptr<ImageScrollPageController> presentedPager() {
        // The tab shell presents it, over the replies.
        auto presented = tabs_->presentedViewController();
        auto* stack = dynamic_cast<ui::NavigationController*>(presented.get());
        return stack ? std::dynamic_pointer_cast<ImageScrollPageController>(
                           stack->viewControllers().front())
                     : nullptr;
    }

    QString needId_;
    QVariantMap house_;
    std::shared_ptr<QXBrokerReplyViewController> screen_;
};

TEST_F(NeedRepliesRoadsTest, ARecommendedHouseOpensTheWholePostFetchedByItsPuid) {
    openWithListedHouses();
    ASSERT_TRUE(driver_->tap(firstRow()->houseDetailInfoView()));
    settle();
    auto detail = std::dynamic_pointer_cast<QXPostDetailNew>(navigation_->topViewController());
    ASSERT_TRUE(detail);
    ASSERT_TRUE(waitFor([&] { return detail->isGetDetailFinish(); }));
    ASSERT_EQ(callsOf("GetPost").size(), 1u) << "the post is fetched by its puid";
    EXPECT_EQ(callsOf("GetPost")[0].header("puid"), puid());
    const QVariantMap post = detail->post();
    EXPECT_EQ(post.value("puid").toString(), puid());
    EXPECT_FALSE(post.value("user_id").toString().isEmpty()) << "the poster one can talk to";
    EXPECT_FALSE(post.value("postunixtime").toString().isEmpty()) << "an age, not 01-01 00:00";
    EXPECT_TRUE(detail->imagePicker()) << "the post's photos";
    EXPECT_GE(detail->viewContentDict().value("info").toList().size(), 4)
        << "the rows of the whole post";
}

TEST_F(NeedRepliesRoadsTest, ThePagerOverTheRepliesDrawsNothingAtRestOnceItsPhotosCame) {
    openWithListedHouses();
    // The replies' notice has faded: the screen beneath has settled.
    ASSERT_TRUE(settleUntil(
        [&] { return !screen_->view()->viewWithTag(QXBrokerReplyViewController::kToastTag); },
        0.5));
    settlePictures();
    ASSERT_TRUE(driver_->tap(firstRow()->houseImagePickerView()->imageViewArray()[0].get()));
    settle(1);
    const auto pager = presentedPager();
    ASSERT_TRUE(pager);
    ASSERT_TRUE(waitFor([&] {
        if (pager->dictContainAllData().isEmpty()) return false;
        for (int slot = 0; slot < pager->numberOfSlots(); ++slot) {
            const auto page = pager->pageAt(slot);
            if (page && page->isViewLoaded() && !page->imageView()->image()) return false;
        }
        return picturesLoaded();
    }));
    releaseMessaging();
    // The poster's card comes from calls of its own, and its picture after them.
    ASSERT_TRUE(waitForCallsAndPictures());
    EXPECT_TRUE(restsIdle());
}

TEST_F(NeedRepliesRoadsTest, ARecommendedHousesPhotosOpenThePagerAboutTheNeed) {
    openWithListedHouses();
    ImagePickerView* strip = firstRow()->houseImagePickerView();
    ASSERT_EQ(strip->imageViewArray().size(), 3u);
    ASSERT_TRUE(driver_->tap(strip->imageViewArray()[0].get()));
    settle(1);
    const auto pager = presentedPager();
    ASSERT_TRUE(pager) << "the pager shows over the replies";
    EXPECT_EQ(pager->postIdFromFindHouseRequestDetailPage(), needId_);
    EXPECT_EQ(pager->houseSourceInfoBottomView()->titleLbl()->text(), house_.value("title"));
    EXPECT_EQ(pager->houseSourceInfoBottomView()->priceLbl()->text(), house_.value("price"));

    // The whole post completes the photos, the thumbnails' photos not twice, before the
    // info page.
    ASSERT_TRUE(waitFor([&] { return !pager->dictContainAllData().isEmpty(); }));
    EXPECT_EQ(callsOf("GetPost").back().header("puid"), puid());
    const int photos =
        standin::PostDetailCalls::detailRecord(puid().toLongLong(), {})["image_count"].toInt();
    EXPECT_EQ(pager->imageNames().size(), std::min(photos, 17));
    EXPECT_TRUE(pager->hasInfoPage());
    EXPECT_EQ(pager->numberOfSlots(), pager->imageNames().size() + 1);
    // A photo shown full screen is asked for at the page's size, not enlarged from the
    // thumbnail.
    ASSERT_TRUE(pager->pageAt(0));
    const QString shown = pager->pageAt(0)->imageName();
    EXPECT_TRUE(
        shown.contains(QStringLiteral("_%1-").arg(int(pager->scrollView()->frame().size.width))))
        << shown.toStdString();

    // The chat from the pager is about the need.
    pager->goToImPage();
    settle(1);
    auto* stack = pager->navigationController();
    ASSERT_TRUE(stack);
    auto chat = std::dynamic_pointer_cast<QXMessageController>(stack->topViewController());
    ASSERT_TRUE(chat);
    EXPECT_EQ(chat->talkInfo().value("r_id").toString(), needId_);
    EXPECT_EQ(chat->talkInfo().value("t_id").toString(),
              house_.value("userId").toString() + "-" + own());
}

TEST_F(NeedRepliesRoadsTest, TheBrokerPageOfARecommendedHouseTalksAboutTheNeed) {
    openWithListedHouses();
    ASSERT_TRUE(driver_->tap(firstRow()->brokerHeadView()));
    ASSERT_TRUE(waitFor([&] {
        return std::dynamic_pointer_cast<QXAgentInfoController>(navigation_->topViewController()) !=
               nullptr;
    }));
    auto page = std::dynamic_pointer_cast<QXAgentInfoController>(navigation_->topViewController());
    EXPECT_EQ(page->agentId(), house_.value("userId").toString());
    EXPECT_EQ(page->postId(), needId_);
    page->sendMessageToAgent();
    settle(1);
    auto chat = std::dynamic_pointer_cast<QXMessageController>(navigation_->topViewController());
    ASSERT_TRUE(chat);
    EXPECT_EQ(chat->talkInfo().value("r_id").toString(), needId_)
        << "the talk counts among the need's replies";
    EXPECT_TRUE(callsOf("GetPostList").empty()) << "no post of the broker's own stands in";
}
