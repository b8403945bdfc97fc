// Promoting a broker's post, or withdrawing its promotion, on the user server from the
// broker's post list: the quota, the call as the server receives it, and what the list does
// with each answer.
#include "../community/CommunityFixture.h"

#include "houses/broker/PromotionListViewController.h"
#include "standin/FormFields.h"
#include "standin/Promotions.h"
#include "ui/widgets/LoadingOverlay.h"

class BrokerPromotionTest : public CommunityFixture {
protected:
    // A broker of the test city with a few rent posts, fewer than the quota.
    static qint64 broker() {
        for (const auto& candidate : standin::SamplePeople::brokersOfCity(kCity)) {
            const auto posts = standin::Posts::ofPoster(candidate.userId, 1).size();
            if (posts >= 3 && posts < 10) return candidate.userId;
        }
        return 0;
    }
    static int postsOf(qint64 userId) {
        std::size_t posts = 0;
        for (const int kind : {1, 3, 5}) posts += standin::Posts::ofPoster(userId, kind).size();
        return int(posts);
    }
    void open(qint64 brokerId) {
        list_ = std::make_shared<PromotionListViewController>(1, "出租房源", QVariantMap(),
                                                              QString::number(brokerId));
        push(list_);
        ASSERT_TRUE(waitFor([&] { return list_->nowPostListCount() > 0; }));
    }
    // The alert that starts the change, answered with `button`.
    void answerPromotionAlert(int button) {
        auto alert = std::make_shared<ui::AlertView>(
            "", "确定要修改推广吗？", std::static_pointer_cast<ui::AlertViewDelegate>(list_),
            "取消", QStringList{"确定"});
        alert->setTag(PromotionListViewController::kPromotionAlertTag);
        alert->show();
        settle();
        ASSERT_TRUE(alerts_->pressButtonAtIndex(button));
        settle();
    }
    [[nodiscard]] std::vector<standin::RecordedRequest> updates() {
        return server().requests("/users/");
    }
    [[nodiscard]] bool overlayShows() const {
        return list_->view()->viewWithTag(LoadingOverlay::kTag) != nullptr;
    }
    void logOn() {
        context().setLogonState({.loginID = 77, .sessionID = "session 7", .userId = 77});
    }

    std::shared_ptr<PromotionListViewController> list_;
};

TEST_F(BrokerPromotionTest, AWithdrawnPromotionLeavesTheListAndTheQuotaFollows) {
    const qint64 id = broker();
    ASSERT_NE(id, 0);
    logOn();
    open(id);
    const int live = postsOf(id);

    // The quota comes with the broker's privileges.
    list_->checkAndHandle([list = list_](const QVariant& reply) { list->showTip(reply); });
    ASSERT_TRUE(waitFor([&] { return !list_->promotionQuotaText().isEmpty(); }));
    EXPECT_EQ(calls("GetUserPrivilegeByUserId").back().body,
              "cityScriptIndex=100&categoryId=7&feeType=1&ucUserId=" + QByteArray::number(id) +
                  "&pg=2&pi=1");
    EXPECT_EQ(list_->maxLiveCount(), unsigned(standin::Promotions::kMaxLiveCount));
    EXPECT_EQ(list_->promotionQuotaText(), QStringLiteral("今日推广0套，还有%1个推广位可用")
                                               .arg(standin::Promotions::kMaxLiveCount - live));

    // A list of type 1 withdraws; button 0 of the alert changes nothing.
    const QVariantMap post = list_->postList().at(1).toMap();
    list_->setCurPostInfo(post);
    const int shown = list_->nowPostListCount();
    const qint64 count = list_->postCount();
    answerPromotionAlert(0);
    EXPECT_TRUE(updates().empty());
    answerPromotionAlert(1);
    EXPECT_TRUE(overlayShows() || alerts_->visibleAlert()) << "the change is under way";
    ASSERT_TRUE(waitFor([&] { return alerts_->visibleAlert() != nullptr; }));
    EXPECT_EQ(alertMessage(), "取消推广成功");
    EXPECT_FALSE(overlayShows());

    const auto sentUpdates = updates();
    ASSERT_EQ(sentUpdates.size(), 1u);
    const standin::RecordedRequest& update = sentUpdates[0];
    EXPECT_EQ(update.method, "POST");
    EXPECT_EQ(update.path, "/users/" + QByteArray::number(id) + "/posts/100/7/" +
                               post["house_id"].toByteArray() + "/update");
    EXPECT_EQ(update.query, "post_session_id=session%207&&major_category_script_index=1");
    EXPECT_EQ(update.body, "feeType=1&pg=2&pi=1&operationType=2");
    for (const char* name : {"customerID", "clientAgent", "model", "userId", "versionId"})
        EXPECT_FALSE(update.header(name).isEmpty()) << name;
    EXPECT_EQ(update.header("interface"), "") << "the call names no interface";
    EXPECT_FALSE(update.hasHeader("cityScriptIndex"));
    EXPECT_EQ(update.header("customerID"), "710");

    // The row goes, the counts drop, the quota is the server's.
    EXPECT_EQ(list_->nowPostListCount(), shown - 1);
    EXPECT_EQ(list_->postCount(), count - 1);
    EXPECT_FALSE(list_->postList().contains(post));
    EXPECT_EQ(list_->tableView()->numberOfRowsInSection(0),
              list_->numberOfRowsInSection(*list_->tableView(), 0));
    EXPECT_EQ(list_->promotionQuotaText(), QStringLiteral("今日推广0套，还有%1个推广位可用")
                                               .arg(standin::Promotions::kMaxLiveCount - live + 1));
    dismissAlert();

    // A list of type 2 promotes.
    list_->setListType(2);
    const QVariantMap next = list_->postList().at(0).toMap();
    list_->setCurPostInfo(next);
    answerPromotionAlert(1);
    ASSERT_TRUE(waitFor([&] { return alerts_->visibleAlert() != nullptr; }));
    EXPECT_EQ(alertMessage(), "推广成功");
    EXPECT_EQ(standin::FormFields(updates().back().body).text("operationType"), "1");
    EXPECT_EQ(list_->promotionQuotaText(), QStringLiteral("今日推广1套，还有%1个推广位可用")
                                               .arg(standin::Promotions::kMaxLiveCount - live));
    EXPECT_EQ(list_->nowPostListCount(), shown - 2);
}

TEST_F(BrokerPromotionTest, ARefusedOrFailedChangeKeepsTheListAndSaysSo) {
    const qint64 id = broker();
    open(id);
    const QVariantMap post = list_->postList().at(0).toMap();
    list_->setCurPostInfo(post);
    const int shown = list_->nowPostListCount();

    // Logged off: the server refuses.
    answerPromotionAlert(1);
    ASSERT_TRUE(waitFor([&] { return alerts_->visibleAlert() != nullptr; }));
    EXPECT_EQ(alertMessage(), "网络异常，请稍后再试");
    EXPECT_FALSE(overlayShows());
    EXPECT_EQ(list_->nowPostListCount(), shown);
    EXPECT_TRUE(list_->promotionQuotaText().isEmpty());
    dismissAlert();

    // The call fails: the same, and nothing is taken for done.
    logOn();
    server().setFault({.prefix = "/users/", .status = 500, .times = 1});
    answerPromotionAlert(1);
    ASSERT_TRUE(waitFor([&] { return alerts_->visibleAlert() != nullptr; }));
    EXPECT_EQ(alertMessage(), "网络异常，请稍后再试");
    EXPECT_FALSE(overlayShows());
    EXPECT_EQ(list_->nowPostListCount(), shown);
    dismissAlert();
    EXPECT_EQ(updates().size(), 2u);

    // A post no longer in the list changes only the quota.
    list_->updateUI(-1, QVariantMap{{"premieredCount", 2}, {"liveCount", 5}});
    settle();
    EXPECT_EQ(alertMessage(), "取消推广成功");
    EXPECT_EQ(list_->nowPostListCount(), shown);
    EXPECT_EQ(list_->promotionQuotaText(), "今日推广2套，还有-5个推广位可用")
        << "without the privileges the quota is 0";
}
