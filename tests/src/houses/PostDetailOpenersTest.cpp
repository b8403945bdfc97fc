// The post detail as a broker's post list and a community's house list open it, driven with
// rows that carry only what those lists show: the detail stands on the whole post, offers no
// way back into the community's lists, and keeps the community list's city key.
#include "community/CommunityFixture.h"

#include "houses/broker/PromotionListViewController.h"
#include "houses/community/QXCommunityDetailController.h"
#include "houses/community/QXLeisiFangList.h"
#include "houses/detail/QXPostDetailNew.h"
#include "houses/photos/ImagePickerView.h"
#include "houses/photos/ImageScrollPageController.h"
#include "houses/photos/QXFCHouseSourceInfoBottomView.h"
#include "standin/BrokerCalls.h"
#include "ui/image/ImageView.h"
#include "ui/widgets/LoadingOverlay.h"

namespace {

// `record` with only the fields `keys`.
QJsonObject only(const QJsonObject& record, std::initializer_list<const char*> keys) {
    QJsonObject row;
    for (const char* key : keys) {
        if (record.contains(key)) row.insert(key, record[key]);
    }
    return row;
}

// The value of the detail's information row labelled `key`.
QString infoRow(const QXPostDetailNew& detail, const QString& key) {
    for (const QVariant& row : detail.viewContentDict().value("info").toList()) {
        if (row.toMap().contains(key)) return row.toMap().value(key).toString();
    }
    return {};
}

}  // namespace

class PostDetailOpenersTest : public CommunityFixture {
protected:
    [[nodiscard]] std::shared_ptr<QXPostDetailNew> shownDetail() {
        return std::dynamic_pointer_cast<QXPostDetailNew>(navigation_->topViewController());
    }
    [[nodiscard]] std::shared_ptr<ImageScrollPageController> presentedPager() {
        auto* stack = dynamic_cast<ui::NavigationController*>(
            window_->rootViewController()->presentedViewController().get());
        return stack ? std::dynamic_pointer_cast<ImageScrollPageController>(
                           stack->viewControllers().front())
                     : nullptr;
    }
};

TEST_F(PostDetailOpenersTest, ABrokersSalePostOpensWholeByItsPuidWithoutTheCommunitysLists) {
    // A broker of the test city with sale posts of photos, listed as the broker calls list them.
    const standin::SamplePost* sale = nullptr;
    for (const auto& broker : standin::SamplePeople::brokersOfCity(kCity)) {
        for (const standin::SamplePost* post : standin::Posts::ofPoster(broker.userId, 5)) {
            if (post->hasImage && post->record.contains("pinyin")) sale = post;
        }
        if (sale) break;
    }
    ASSERT_TRUE(sale);
    const QJsonObject row =
        only(standin::BrokerCalls::listRecord(*sale),
             {"type", "huxing_shi", "huxing_ting", "house_type_format", "area", "district_name",
              "street_name", "title", "price", "thumb_img", "price_format", "post_at", "puid"});
    const QJsonObject reply{{"errCode", 0},
                            {"biotopes", QJsonArray()},
                            {"page", QJsonObject{{"count", 1}, {"posts", QJsonArray{row}}}}};
    server().setFault({.prefix = standin::paths::kDataShare,
                       .body = QJsonDocument(reply).toJson(QJsonDocument::Compact),
                       .times = 2});
    auto list = std::make_shared<PromotionListViewController>(5, "二手房房源", QVariantMap(),
                                                              QString::number(sale->posterId));
    push(list);
    ASSERT_TRUE(waitFor([&] { return list->nowPostListCount() == 1; }));

    ASSERT_TRUE(driver_->tap(list->tableView()->cellForRowAtIndexPath({0, 0})));
    settle();
    auto detail = shownDetail();
    ASSERT_TRUE(detail);
    ASSERT_TRUE(waitFor([&] { return detail->isGetDetailFinish(); }));
    ASSERT_EQ(calls("GetPost").size(), 1u) << "the post is fetched by its puid";
    EXPECT_EQ(calls("GetPost")[0].header("puid"), row["puid"].toString().toUtf8());
    EXPECT_TRUE(infoRow(*detail, "售价").contains("元/平米"))
        << infoRow(*detail, "售价").toStdString();
    EXPECT_FALSE(detail->showOtherListEntrance());

    // The pager from it shows the post's price.
    auto* strip = dynamic_cast<ImagePickerView*>(detail->imagePicker());
    ASSERT_TRUE(strip);
    ASSERT_FALSE(strip->imageViewArray().empty());
    ASSERT_TRUE(driver_->tap(strip->imageViewArray()[0].get()));
    settle(1);
    auto pager = presentedPager();
    ASSERT_TRUE(pager);
    const QVariantMap price = detail->post().value("price").toMap();
    EXPECT_EQ(pager->houseSourceInfoBottomView()->priceLbl()->text(),
              price.value("v").toString() + price.value("u").toString());
    pager->back();
    settle(1);

    // Its community page offers no lists of the community, so no loop back to them.
    detail->goToXiaoquInfo();
    settle();
    EXPECT_TRUE(events().contains("house_bn_xiaoqu2"));
    EXPECT_FALSE(events().contains("house_bn_xiaoqu1"));
    auto community =
        std::dynamic_pointer_cast<QXCommunityDetailController>(navigation_->topViewController());
    ASSERT_TRUE(community);
    EXPECT_FALSE(community->showOtherListEntrance());
}

TEST_F(PostDetailOpenersTest, ACommunitysHouseOpensWithoutItsListsAndEveryPostKeepsTheCityKey) {
    const auto& community = richCommunity();
    const auto& houses = standin::Posts::ofCommunity(community.id, 1);
    ASSERT_GE(houses.size(), 2u);
    QJsonArray rows;
    for (const standin::SamplePost* house : houses) {
        rows.append(only(house->record,
                         {"puid", "title", "price", "area", "huxing", "district_name",
                          "street_name", "thumb_img", "icons", "premier_status", "refresh_at"}));
    }
    const QJsonObject reply{
        {"data",
         QJsonObject{{"HousingVars", QJsonObject{{"getUrlPriceRange", QJsonObject()}}},
                     {"XiaoquDetailPageModelForMobile",
                      QJsonObject{{"getXiaoquRentHouse",
                                   QJsonObject{{"rent", rows}, {"count", rows.size()}}}}}}}};
    server().setFault({.prefix = standin::paths::kDataShare,
                       .body = QJsonDocument(reply).toJson(QJsonDocument::Compact),
                       .times = 2});
    const QString cityKey = community.cityPinyin;
    auto list = std::make_shared<QXLeisiFangList>(
        7, 1, "出租房", QVariantMap{{"domain", cityKey}, {"pinyin", community.pinyin}}, true);
    list->setDomainValue(cityKey);
    push(list);
    ASSERT_TRUE(waitFor([&] {
        return list->nowListNum() == int(rows.size()) && !list->isLoadingPage() &&
               !list->view()->viewWithTag(LoadingOverlay::kTag);
    }));

    ASSERT_TRUE(driver_->tap(list->tableView()->cellForRowAtIndexPath({0, 0})));
    settle();
    auto detail = shownDetail();
    ASSERT_TRUE(detail);
    EXPECT_FALSE(detail->showOtherListEntrance());
    EXPECT_EQ(detail->post().value("domain").toString(), cityKey);
    // The whole post is fetched beside the row it shows first.
    ASSERT_TRUE(waitFor([&] { return !calls("GetPost").empty(); }));
    EXPECT_EQ(calls("GetPost")[0].header("puid"), rows[0].toObject()["puid"].toString().toUtf8());
    ASSERT_TRUE(waitFor([&] { return detail->post().contains("user_id"); }));
    EXPECT_EQ(detail->post().value("domain").toString(), cityKey);

    // The next post of the list carries the list's city key too.
    detail->loadNextData();
    settle(1.5);
    EXPECT_EQ(detail->post().value("puid"), rows[1].toObject()["puid"].toVariant());
    EXPECT_EQ(detail->post().value("domain").toString(), cityKey);

    detail->goToXiaoquInfo();
    settle();
    EXPECT_TRUE(events().contains("house_bn_xiaoqu2"));
    EXPECT_FALSE(events().contains("house_bn_xiaoqu1"));
    auto page =
        std::dynamic_pointer_cast<QXCommunityDetailController>(navigation_->topViewController());
    ASSERT_TRUE(page);
    EXPECT_FALSE(page->showOtherListEntrance()) << "no count rows back into the lists";
}
