// The community page against the stand-in: what it asks for, what it shows of a sample
// community, the sections of thin or odd records, and its failures.
#include "CommunityFixture.h"

#include "ReferenceImage.h"
#include "houses/community/QXChartView.h"
#include "houses/community/QXCommunityDetailController.h"
#include "houses/community/QXCommunityImageView.h"
#include "houses/community/QXLeisiFangList.h"
#include "map/QXMapView.h"
#include "net/EndpointTable.h"
#include "net/QXIMRequest.h"
#include "platform/uikit/scroll_view.h"
#include "ui/image/ImageView.h"
#include "ui/widgets/LoadingOverlay.h"

namespace {

const QString kMoreArrow = QStringLiteral("详情页下箭头.png");

QString pageClassOf(const standin::RecordedRequest& request) {
    return QString::fromUtf8(standin::FormFields(request.body).value("class"));
}

}  // namespace

class CommunityPageTest : public CommunityFixture {
protected:
    // Opens the page of `community` from one of its posts and waits for its base reply.
    void open(const standin::SampleCommunity& community, bool showLists = true) {
        page_ = QXCommunityDetailController::forPost(postIn(community), showLists);
        openPage();
    }
    void openPage() {
        sentAt_ = ns::Clock::shared().timeIntervalSince1970();
        push(page_);
        // The loading overlay goes when the reply is in.
        ASSERT_TRUE(waitFor([&] {
            return page_->isViewLoaded() && !page_->view()->viewWithTag(LoadingOverlay::kTag);
        }));
    }
    // Opens a page whose base reply is `base`, `facilities` and `prices`.
    void openWith(const QJsonObject& base, const QJsonValue& facilities = QJsonArray(),
                  const QJsonValue& prices = QJsonArray()) {
        replyOnce(
            {{"success", 1},
             {"data",
              QJsonObject{{"XiaoquModel", QJsonObject{{"getXiaoquBaseInfoByCityPinyin", base}}},
                          {"XiaoquDetailPageModel", QJsonObject{{"getXiaoquPeitao", facilities}}},
                          {"XiaoquPriceModel", QJsonObject{{"getXiaoquPrice", prices}}}}}});
        page_ = std::make_shared<QXCommunityDetailController>();
        page_->setCityKey("beijing");
        page_->setCommunityPinyin("somewhere");
        page_->setShowOtherListEntrance(true);
        openPage();
    }
    [[nodiscard]] ui::ScrollView& scroll() { return *page_->mainScrollView(); }
    [[nodiscard]] int moreButtons() {
        int count = 0;
        for (const auto& child : scroll().subviews()) {
            auto* button = dynamic_cast<ui::Button*>(child.get());
            if (!button || button->subviews().empty()) continue;
            for (const auto& inner : button->subviews()) {
                auto* image = dynamic_cast<ui::ImageView*>(inner.get());
                if (image && image->image() && image->image() == ui::Image::imageNamed(kMoreArrow))
                    ++count;
            }
        }
        return count;
    }
    [[nodiscard]] ui::Label* labelStartingWith(const QString& text) {
        for (const auto& child : scroll().subviews()) {
            auto* label = dynamic_cast<ui::Label*>(child.get());
            if (label && label->text().startsWith(text)) return label;
        }
        return nullptr;
    }
    [[nodiscard]] QXMapView* map() {
        for (const auto& child : scroll().subviews()) {
            if (auto* found = dynamic_cast<QXMapView*>(child.get())) return found;
        }
        return nullptr;
    }

    std::shared_ptr<QXCommunityDetailController> page_;
    double sentAt_ = 0;
};

TEST_F(CommunityPageTest, ASampleCommunityShowsItsPricePhotosHousesAndTrend) {
    const auto& community = richCommunity();
    const QJsonObject base = standin::CommunityCalls::baseInfo(community);
    open(community);
    ASSERT_TRUE(waitFor([&] { return !page_->photoInfoData().isEmpty(); }));
    EXPECT_EQ(page_->title(), "小区详情");

    // One call for the record, facilities and prices, one for the photos.
    const auto sent = calls("HousingXiaoquInfo");
    ASSERT_EQ(sent.size(), 2u);
    const double end = sentAt_ - 432000;
    const QString city = community.cityPinyin;
    const QString key = community.pinyin;
    const QString args = QString("[\"%1\", {\"pinyin\":\"%2\"}]").arg(city, key);
    EXPECT_EQ(
        pageClassOf(sent[0]),
        QString("{\"XiaoquModel\":{\"getXiaoquBaseInfoByCityPinyin\":[\"%1\", \"%2\"]}, "
                "\"XiaoquDetailPageModel\":{\"getXiaoquPeitao\":\"NULL\", \"_classArgs\":%3}, "
                "\"XiaoquPriceModel\":{\"getXiaoquPrice\":[\"%4\", \"%5\"], \"_classArgs\":%3}}")
            .arg(city, key, args)
            .arg(QString::asprintf("%.0f", end - 300 * 86400.0), QString::asprintf("%.0f", end)));
    EXPECT_EQ(pageClassOf(sent[1]),
              QString("{\"XiaoquPhotoModel\":{\"getXiaoquPhotoInfoByXiaoquId\":"
                      "[\"%1\"], \"_classArgs\":%2}}")
                  .arg(community.id)
                  .arg(args));
    QStringList names;
    for (const QByteArray& name : sent[0].headerNames()) names << QString::fromLatin1(name);
    names.removeAll("token");
    names.removeAll("Host");
    names.removeAll("Content-Length");
    names.removeAll("Connection");
    EXPECT_EQ(names.mid(0, 9),
              (QStringList{"customerId", "clientAgent", "model", "userId", "versionId",
                           "contentformat", "agency", "interface", "Accept-Encoding"}));

    // The tile: price, change, the photos (paths on the image host, and whole addresses).
    QXCommunityImageView* tile = page_->imagePicker();
    ASSERT_NE(tile, nullptr);
    EXPECT_EQ(tile->type(), 1);
    EXPECT_EQ(tile->avgPrice(), base["avg_price"].toString() + "元/㎡");
    const double change = base["avg_price_change"].toDouble();
    EXPECT_EQ(tile->changeGoesDown(), change < 0);
    EXPECT_EQ(tile->changeText(), QString::asprintf("%.1f%%", std::abs(change) * 100));
    EXPECT_EQ(tile->imageURL(), EndpointTable::imageHost() + "/" + base["thumb_image"].toString());
    const QStringList photos = tile->allImageURL();
    ASSERT_EQ(photos.size(), base["photo_num"].toString().toInt());
    EXPECT_EQ(photos.first(),
              EndpointTable::imageHost() + QString("/posts/xq%1-0.jpg").arg(community.id));
    EXPECT_EQ(photos.last(),
              server().root() +
                  QString("/img/posts/xq%1-%2.jpg").arg(community.id).arg(photos.size() - 1));

    // The houses the stand-in holds for it, by kind.
    EXPECT_EQ(rowValue(scroll(), "二  手 房"),
              QString("%1套").arg(standin::Posts::ofCommunity(community.id, 5).size()));
    EXPECT_EQ(rowValue(scroll(), "出  租 房"),
              QString("%1套").arg(standin::Posts::ofCommunity(community.id, 1).size()));
    EXPECT_EQ(rowValue(scroll(), "合  租 房"),
              QString("%1套").arg(standin::Posts::ofCommunity(community.id, 3).size()));
    EXPECT_EQ(rowValue(scroll(), "开  发 商"), base["developer"].toString());
    EXPECT_EQ(rowValue(scroll(), "所在区域"),
              community.districtName + " - " + community.streetName);
    EXPECT_EQ(rowValue(scroll(), "小区地址"), base["address"].toString());
    ASSERT_NE(labelStartingWith("竣工时间"), nullptr);
    EXPECT_EQ(labelStartingWith("竣工时间")->text(), "竣工时间: " + base["finish_at"].toString());
    EXPECT_EQ(
        dynamic_cast<ui::Label*>(scroll().viewWithTag(QXCommunityDetailController::kPropTypeTag))
            ->text(),
        base["prop_type"].toString());

    // The trend of its last six months, under its name.
    ASSERT_NE(page_->chartView(), nullptr);
    EXPECT_EQ(page_->chartView()->groupsData().value(0).toList().size(), 6);
    EXPECT_EQ(page_->chartView()->groupsData().value(0).toList().last(),
              page_->priceInfoData().last());
    EXPECT_NE(labelStartingWith(community.name + "房价走势"), nullptr);
    EXPECT_GE(scroll().contentSize().height, scroll().frame().size.height + 50);
}

TEST_F(CommunityPageTest, TheArrowFollowsTheChangeUpDownOrFlat) {
    for (const auto& [name, sign] :
         {std::pair{"up", 1}, std::pair{"down", -1}, std::pair{"flat", 0}}) {
        const auto& community =
            communityWhere([sign](const auto&, const QJsonObject& base, const QJsonArray& prices) {
                const double change = base["avg_price_change"].toDouble();
                return prices.size() > 1 && (sign > 0   ? change > 0
                                             : sign < 0 ? change < 0
                                                        : change == 0);
            });
        open(community);
        QXCommunityImageView* tile = page_->imagePicker();
        ASSERT_NE(tile, nullptr) << name;
        EXPECT_EQ(tile->changeGoesDown(), sign < 0) << name;
        EXPECT_EQ(tile->changeText() == "0.0%", sign == 0) << name;
    }
}

TEST_F(CommunityPageTest, ThinAndOddRecordsLeaveTheirSectionsOut) {
    const QString longName = QString("碧").repeated(25);
    const QString fifty = QString("介").repeated(50);
    openWith({{"id", 7},
              {"photo_num", "0"},
              {"name", longName},
              {"finish_at", ""},
              {"plot_ratio", 0},
              {"green_ratio", 0.35},
              {"description", fifty},
              {"latlng", "b116.40,39.90"},
              {"sell_num", "3"},
              {"rent_num", ""},
              {"share_num", "1"},
              {"avg_price", "0"}},
             QJsonArray{QJsonObject{{"equip_id", 9}, {"content", "面馆"}},
                        QJsonObject{{"equip_id", 3}, {"content", "派出所"}},
                        QJsonObject{{"equip_id", "9"}, {"content", "小吃"}},
                        QJsonObject{{"equip_id", 9}}},
             "none");
    EXPECT_EQ(calls("HousingXiaoquInfo").size(), 1u) << "no photos, no photo request";
    EXPECT_EQ(page_->imagePicker()->type(), 0) << "no picture";
    EXPECT_TRUE(page_->imagePicker()->avgPrice().isEmpty());
    EXPECT_EQ(page_->chartView(), nullptr) << "prices that are no list";
    // The name continues on a second line; the section is 62 high.
    EXPECT_EQ(labelStartingWith("竣工时间")->frame().origin.y, 62 + 5.5);
    EXPECT_EQ(labelStartingWith("竣工时间")->text(), "竣工时间: 暂无信息");
    EXPECT_EQ(rowValue(scroll(), "开  发 商"), "暂无信息");
    EXPECT_TRUE(rowValue(scroll(), "容  积 率").isNull());
    EXPECT_EQ(rowValue(scroll(), "绿  化 率"), "35%");
    EXPECT_EQ(rowValue(scroll(), "美\u3000\u3000食"), "面馆,小吃");
    EXPECT_TRUE(rowValue(scroll(), "出  租 房").isNull()) << "an empty count draws no row";
    EXPECT_EQ(rowValue(scroll(), "合  租 房"), "1套");
    EXPECT_EQ(rowValue(scroll(), "小区介绍"), fifty) << "fifty characters stay whole";
    EXPECT_EQ(moreButtons(), 0);
    ASSERT_NE(map(), nullptr);
    EXPECT_EQ(map()->location(), "39.90,116.40");
    EXPECT_TRUE(rowValue(scroll(), "所在区域").isNull());
}

TEST_F(CommunityPageTest, MoreButtonsShowTheirSectionsInFull) {
    const QString introduction = QString("介").repeated(51);
    openWith({{"id", 7},
              {"photo_num", "0"},
              {"name", "四季花园"},
              {"thumb_image", "posts/xq7.jpg"},
              {"description", introduction},
              {"latlng", "116.40"}},
             QJsonArray{QJsonObject{{"equip_id", 9}, {"content", "a"}},
                        QJsonObject{{"equip_id", 7}, {"content", "b"}},
                        QJsonObject{{"equip_id", 8}, {"content", "c"}},
                        QJsonObject{{"equip_id", 4}, {"content", "d"}}});
    QXCommunityImageView* tile = page_->imagePicker();
    EXPECT_EQ(tile->type(), 1);
    EXPECT_EQ(rowValue(scroll(), "小区介绍"), introduction.left(50) + "...");
    EXPECT_TRUE(rowValue(scroll(), "银\u3000\u3000行").isNull()) << "three rows until asked";
    EXPECT_EQ(moreButtons(), 2);
    EXPECT_EQ(map(), nullptr) << "a place without a comma";

    page_->detailOpenBtnEvent();
    EXPECT_EQ(rowValue(scroll(), "小区介绍"), introduction);
    EXPECT_EQ(moreButtons(), 1);
    page_->nearbyInfoOpenBtnEvent();
    EXPECT_EQ(rowValue(scroll(), "银\u3000\u3000行"), "d");
    EXPECT_EQ(moreButtons(), 0);
    EXPECT_EQ(page_->imagePicker(), tile) << "the tile is kept, moved, never made again";
    EXPECT_EQ(tile->superview(), &scroll());
}

TEST_F(CommunityPageTest, FailuresShowTheirNoticesAndLeavingCancelsTheCall) {
    replyOnce({{"success", 0}});
    open(richCommunity());
    EXPECT_EQ(noticeOf(*page_), "暂无该小区信息");
    EXPECT_EQ(page_->view()->viewWithTag(LoadingOverlay::kTag), nullptr);
    EXPECT_EQ(rowsOf(scroll()), 0);

    openWith(QJsonObject());
    EXPECT_TRUE(noticeOf(*page_).isEmpty()) << "an empty record is a record";
    replyOnce({{"success", 1}, {"data", QJsonObject{{"XiaoquModel", QJsonObject{}}}}});
    open(richCommunity());
    EXPECT_EQ(noticeOf(*page_), "暂无该小区信息");

    server().setFault({.prefix = standin::paths::kDataShare, .status = 500, .times = 1});
    open(richCommunity());
    EXPECT_EQ(noticeOf(*page_), "您的网络不稳定，请稍后再试");
    EXPECT_EQ(page_->view()->viewWithTag(LoadingOverlay::kTag), nullptr);

    // Leaving while the record is on its way gives up the call, which tells the page nothing.
    server().setFault({.prefix = standin::paths::kDataShare, .hold = true, .times = 1});
    const std::size_t before = calls("HousingXiaoquInfo").size();
    page_ = QXCommunityDetailController::forPost(postIn(richCommunity()), true);
    push(page_);
    ASSERT_TRUE(waitFor([&] { return calls("HousingXiaoquInfo").size() > before; }));
    navigation_->popViewControllerAnimated(false);
    bool anyRunning = false;
    for (const auto& queued : QXIMRequest::shared().httpClient()->operationQueue()->operations())
        anyRunning = anyRunning || !queued->isCancelled();
    EXPECT_FALSE(anyRunning);
    ASSERT_TRUE(waitFor([&] {
        return QXIMRequest::shared().httpClient()->operationQueue()->operations().empty();
    }));
    EXPECT_TRUE(noticeOf(*page_).isEmpty());
    EXPECT_TRUE(page_->detailData().isEmpty());
}

TEST_F(CommunityPageTest, ACountRowOpensTheCommunitysHousesOfItsKind) {
    const auto& community = richCommunity();
    open(community);
    // The count rows are the first tappable rows: sale, rent, shared rent.
    std::vector<ui::Button*> rows;
    for (const auto& child : scroll().subviews()) {
        if (auto* button = dynamic_cast<ui::Button*>(child.get())) rows.push_back(button);
    }
    ASSERT_GE(rows.size(), 3u);
    const struct {
        int major;
        const char* title;
        const char* event;
    } kinds[] = {{5, "二手房", "xiaoqu_bn_sold"},
                 {1, "出租房", "xiaoqu_bn_rent"},
                 {3, "合租房", "xiaoqu_bn_rentshare"}};
    for (std::size_t i = 0; i < std::size(kinds); ++i) {
        scroll().setContentOffset({0, 0});
        ASSERT_TRUE(driver_->tap(rows[i]));
        settle();
        auto list = std::dynamic_pointer_cast<QXLeisiFangList>(navigation_->topViewController());
        ASSERT_NE(list, nullptr) << kinds[i].title;
        EXPECT_EQ(list->majorId(), kinds[i].major);
        EXPECT_EQ(list->showTitle(), kinds[i].title);
        EXPECT_EQ(list->domainValue(), community.cityPinyin);
        EXPECT_EQ(list->xiaoquInfo(),
                  (QVariantMap{{"domain", community.cityPinyin}, {"pinyin", community.pinyin}}));
        EXPECT_EQ(events().value(int(i)), kinds[i].event);
        navigation_->popViewControllerAnimated(false);
        settle();
    }
    EXPECT_EQ(events().size(), 3);
}

TEST_F(CommunityPageTest, ReferenceCommunityPageWithItsTrend) {
    open(richCommunity());
    ASSERT_TRUE(waitFor([&] {
        return !page_->photoInfoData().isEmpty() &&
               !page_->imagePicker()->imageView()->isDefaultImage();
    }));
    EXPECT_TRUE(matchesReferenceImage(driver_->screenshot(2)->pixels(), "src/houses/reference",
                                      "community_page.png"));
    // Scrolled to its end: the facilities, introduction, place and the trend chart.
    scroll().setContentOffset(
        {0, scroll().contentSize().height - scroll().frame().size.height - 50});
    ASSERT_NE(map(), nullptr);
    ASSERT_TRUE(waitFor([&] {
        (void)driver_->screenshot();
        return !map()->mapView()->isLoadingTiles() && map()->mapView()->cachedTileCount() > 0;
    }));
    EXPECT_TRUE(matchesReferenceImage(driver_->screenshot(2)->pixels(), "src/houses/reference",
                                      "community_page_trend.png"));
}
