// The houses of one community: the filters' choices first, then pages of twenty, choices,
// paging that neither skips nor repeats a page, the failures, and the detail hand-off.
#include "CommunityFixture.h"

#include "houses/community/QXCommunityDetailController.h"
#include "houses/community/QXCommunityImageView.h"
#include "houses/community/QXLeisiFangList.h"
#include "houses/detail/QXPostDetailNew.h"
#include "platform/uikit/activity_indicator_view.h"
#include "platform/uikit/screen.h"
#include "ui/widgets/LoadingOverlay.h"

namespace {

QString classOf(const standin::RecordedRequest& request) {
    return QString::fromUtf8(standin::FormFields(request.body).value("class"));
}

// A reply of `count` houses in all, holding the houses `from` to `to` of the sample. It
// answers the filters' choices too, so that it can stand in for the first two replies.
QByteArray pageReply(int from, int to, int count) {
    QJsonArray houses;
    const auto& sample = standin::Posts::postsOf(100, 1);
    for (int i = from; i < to; ++i) houses.append(sample[std::size_t(i)].record);
    const QJsonObject reply{
        {"success", 1},
        {"data", QJsonObject{{"HousingVars",
                              QJsonObject{{"getUrlPriceRange", QJsonObject{{"1", "1000元以下"}}}}},
                             {"XiaoquDetailPageModelForMobile",
                              QJsonObject{{"getXiaoquRentHouse",
                                           QJsonObject{{"rent", houses}, {"count", count}}}}}}}};
    return QJsonDocument(reply).toJson(QJsonDocument::Compact);
}

}  // namespace

class CommunityHouseListTest : public CommunityFixture {
protected:
    void open(int major, const QVariantMap& community) {
        list_ = std::make_shared<QXLeisiFangList>(7, major, "出租房", community, true);
        list_->setDomainValue(community.value("domain").toString());
        push(list_);
        waitForPage();
    }
    void openRich(int major = 1) {
        const auto& community = richCommunity();
        open(major, {{"domain", community.cityPinyin}, {"pinyin", community.pinyin}});
    }
    // Waits until no page is on its way and the loading view is gone.
    void waitForPage() {
        ASSERT_TRUE(waitFor([&] {
            return list_->isViewLoaded() && !list_->isLoadingPage() &&
                   !list_->view()->viewWithTag(LoadingOverlay::kTag);
        }));
    }
    // Chooses row `row` of the drop-down of button `index`.
    void pick(int index, int row) {
        QuickFilterView* bar = list_->filterView();
        if (bar->dropDown(index)->isHidden()) {
            ASSERT_TRUE(driver_->tap(bar->button(index)));
            settle();
        }
        ui::TableView* table = bar->dropDown(index)->column(0);
        table->scrollToRowAtIndexPath({0, row}, ui::TableViewScrollPosition::Middle, false);
        window_->layoutIfNeeded();
        ASSERT_TRUE(driver_->tap(table->cellForRowAtIndexPath({0, row})));
        settle();
        waitForPage();
    }
    [[nodiscard]] QStringList dropDownRows(int index) {
        const auto rows = list_->qfViewDataForSection(*list_->filterView(), index, 0);
        QStringList texts;
        if (rows) {
            for (const auto& row : *rows) texts << row.text;
        }
        return texts;
    }
    [[nodiscard]] std::size_t pages() { return calls("HousingXiaoquInfo").size(); }

    std::shared_ptr<QXLeisiFangList> list_;
};

TEST_F(CommunityHouseListTest, TheFiltersComeFirstThenTheCommunitysHouses) {
    const auto& community = richCommunity();
    openRich();
    const auto filters = calls("HousingListPageInfo");
    ASSERT_EQ(filters.size(), 1u);
    EXPECT_EQ(classOf(filters[0]),
              QString("{\"HousingVars\":{\"getUrlPriceRange\":[\"%1\",\"1\"],\"_property\":"
                      "[\"HUXING_SHI_SEARCH\", \"AREA_TYPE_IN_URL\"]}}")
                  .arg(community.cityPinyin));
    EXPECT_FALSE(filters[0].header("ClientTimeStamp").isEmpty());
    EXPECT_TRUE(filters[0].header("cityScriptIndex").isEmpty());
    EXPECT_EQ(list_->filterView()->titleAtIndex(0), "租金不限");
    EXPECT_EQ(list_->filterView()->titleAtIndex(2), "面积不限");
    EXPECT_EQ(dropDownRows(0).mid(0, 3), (QStringList{"不限", "1000元以下", "1000-2000元"}));

    const auto sent = calls("HousingXiaoquInfo");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(classOf(sent[0]),
              QString("{\"XiaoquDetailPageModelForMobile\":{\"getXiaoquRentHouse\":"
                      "[1,20],\"_classArgs\":[\"%1\", {\"pinyin\":\"%2\"}]}}")
                  .arg(community.cityPinyin, community.pinyin));
    EXPECT_TRUE(sent[0].header("ClientTimeStamp").isEmpty());
    const auto rents = standin::Posts::ofCommunity(community.id, 1);
    EXPECT_EQ(list_->nowListNum(), int(rents.size()));
    EXPECT_FALSE(list_->hasMore()) << "every house of the community fits one page";
    EXPECT_EQ(list_->tableView()->numberOfRowsInSection(0), int(rents.size()));
}

TEST_F(CommunityHouseListTest, ChoicesNarrowTheHousesFromPageOne) {
    openRich();
    const std::size_t before = pages();
    pick(0, 3);
    pick(1, 2);
    pick(2, 1);
    EXPECT_EQ(pages(), before + 3);
    EXPECT_TRUE(classOf(calls("HousingXiaoquInfo").back())
                    .contains("{\"pinyin\":\"" + richCommunity().pinyin +
                              "\",\"rent_price\":3,\"huxing_shi\":\"2\",\"area\":1}]"));
    EXPECT_EQ(list_->filterView()->titleAtIndex(1), "二室");
    // "不限" takes the choice back, and the button its title.
    pick(1, 0);
    EXPECT_EQ(list_->filterView()->titleAtIndex(1), "房型不限");
    EXPECT_FALSE(list_->filterSelectedData().contains("HUXING_SHI_SEARCH"));
    EXPECT_TRUE(
        classOf(calls("HousingXiaoquInfo").back()).contains("\"rent_price\":3,\"area\":1}"));
    EXPECT_TRUE(classOf(calls("HousingXiaoquInfo").back()).contains("[1,20]"));

    list_.reset();
    openRich(5);
    EXPECT_EQ(list_->filterView()->titleAtIndex(0), "售价不限");
    pick(0, 1);
    EXPECT_TRUE(classOf(calls("HousingXiaoquInfo").back()).contains("\"sell_price\":1}"));
}

TEST_F(CommunityHouseListTest, ChoicesSortByCodeAndEmptyFiltersLoseTheirButtons) {
    replyOnce(
        {{"data", QJsonObject{{"HousingVars",
                               QJsonObject{{"getUrlPriceRange",
                                            QJsonObject{{"10", "十"}, {"2", "二"}, {"1", "一"}}},
                                           {"HUXING_SHI_SEARCH", QJsonObject{}}}}}}});
    openRich();
    EXPECT_EQ(list_->filterKeys(), (QStringList{"getUrlPriceRange", "AREA_TYPE_IN_URL"}));
    EXPECT_EQ(list_->filterDefaultTitles(), (QStringList{"租金不限", "面积不限"}));
    EXPECT_EQ(dropDownRows(0), (QStringList{"不限", "一", "二", "十"}));
    EXPECT_TRUE(dropDownRows(1).isEmpty()) << "a filter the reply leaves out has no choices";
}

TEST_F(CommunityHouseListTest, PagesAreNeitherSkippedNorAskedTwiceNorCoveredByAFailure) {
    const auto& community = richCommunity();
    server().setFault(
        {.prefix = standin::paths::kDataShare, .body = pageReply(0, 20, 45), .times = 2});
    open(1, {{"domain", community.cityPinyin}, {"pinyin", community.pinyin}});
    EXPECT_EQ(list_->nowListNum(), 20);
    EXPECT_TRUE(list_->hasMore());
    EXPECT_EQ(list_->tableView()->numberOfRowsInSection(0), 21) << "the more row";

    // Two asks for the next page while the server holds it send one request; both hear it.
    server().setFault({.prefix = standin::paths::kDataShare,
                       .hold = true,
                       .body = pageReply(20, 40, 45),
                       .times = 1});
    std::vector<bool> heard;
    const std::size_t before = pages();
    list_->postDetailNewLoadMoreData([&](bool loaded) { heard.push_back(loaded); });
    ASSERT_TRUE(runMainLoopUntil([&] { return pages() == before + 1; }));
    list_->postDetailNewLoadMoreData([&](bool loaded) { heard.push_back(loaded); });
    EXPECT_TRUE(heard.empty());
    server().releaseHeld();
    ASSERT_TRUE(waitFor([&] { return heard.size() == 2; }));
    EXPECT_EQ(heard, (std::vector<bool>{true, true}));
    EXPECT_EQ(pages(), before + 1);
    EXPECT_TRUE(classOf(calls("HousingXiaoquInfo").back()).contains("[2,20]"));
    EXPECT_EQ(list_->nowListNum(), 40);

    // A failed third page keeps the forty in view and is asked for again.
    server().setFault({.prefix = standin::paths::kDataShare, .status = 500, .times = 1});
    list_->postDetailNewLoadMoreData([&](bool loaded) { heard.push_back(loaded); });
    ASSERT_TRUE(waitFor([&] { return heard.size() == 3; }));
    EXPECT_FALSE(heard.back());
    EXPECT_TRUE(noticeOf(*list_).isEmpty()) << "the houses loaded stay in view";
    EXPECT_EQ(list_->nowPage(), 2);
    EXPECT_EQ(list_->tableView()->numberOfRowsInSection(0), 41);
    server().setFault(
        {.prefix = standin::paths::kDataShare, .body = pageReply(40, 40, 45), .times = 1});
    list_->postDetailNewLoadMoreData([&](bool loaded) { heard.push_back(loaded); });
    ASSERT_TRUE(waitFor([&] { return heard.size() == 4; }));
    EXPECT_TRUE(classOf(calls("HousingXiaoquInfo").back()).contains("[3,20]"));
    // That page came back empty: the list ends there, without a more row to ask again.
    EXPECT_FALSE(list_->hasMore());
    EXPECT_EQ(list_->tableView()->numberOfRowsInSection(0), 40);
    list_->postDetailNewLoadMoreData([&](bool loaded) { heard.push_back(loaded); });
    EXPECT_FALSE(heard.back());
}

TEST_F(CommunityHouseListTest, FailuresEndTheLoadingViewWithANotice) {
    const auto& community = richCommunity();
    const QVariantMap place{{"domain", community.cityPinyin}, {"pinyin", community.pinyin}};
    // Choices without "HousingVars": nothing to build the bar from, and no endless loading.
    replyOnce({{"data", QJsonObject{}}});
    open(1, place);
    EXPECT_EQ(noticeOf(*list_), "网络不稳定,稍后再试吧...");
    EXPECT_EQ(list_->tableView(), nullptr);

    server().setFault({.prefix = standin::paths::kDataShare, .status = 503, .times = 1});
    open(1, place);
    EXPECT_EQ(noticeOf(*list_), "网络不稳定,稍后再试吧...");
    EXPECT_FALSE(list_->isQuickFiter());

    const std::size_t before = pages();
    open(1, {{"domain", community.cityPinyin}});
    EXPECT_EQ(noticeOf(*list_), "暂无该小区信息");
    EXPECT_EQ(pages(), before) << "no key, no request";

    // A pull that fails lets the header go, so that it can be pulled again.
    open(1, place);
    server().setFault({.prefix = standin::paths::kDataShare, .status = 500});
    list_->refreshViewDidCallBack();
    EXPECT_TRUE(list_->refreshView()->isLoading());
    waitForPage();
    EXPECT_FALSE(list_->refreshView()->isLoading());
    EXPECT_EQ(noticeOf(*list_), "网络不稳定,稍后再试吧...");
    server().setFaults({});

    // A community without houses says so.
    server().setFault(
        {.prefix = standin::paths::kDataShare, .body = pageReply(0, 0, 0), .times = 2});
    open(1, place);
    EXPECT_EQ(noticeOf(*list_), "没有相关筛选信息，请重新筛选吧");
}

TEST_F(CommunityHouseListTest, TheListAndThePagesPhotosNeverCancelEachOther) {
    const auto& community = richCommunity();
    // The server holds every reply: the photos are on their way when the base record is in,
    // and meanwhile a house list opens and is left.
    server().setFault({.prefix = standin::paths::kDataShare, .hold = true});
    auto page = QXCommunityDetailController::forPost(postIn(community), true);
    push(page);
    ASSERT_TRUE(runMainLoopUntil([&] { return pages() >= 1; }));
    server().releaseHeld();
    ASSERT_TRUE(waitFor([&] { return !page->detailData().isEmpty(); }));
    ASSERT_TRUE(page->photoInfoData().isEmpty());
    page->gotoChuzufang();
    settle();
    auto list = std::dynamic_pointer_cast<QXLeisiFangList>(navigation_->topViewController());
    ASSERT_NE(list, nullptr);
    navigation_->popViewControllerAnimated(false);
    settle();
    server().clearFaultsAndReleaseHeld();
    ASSERT_TRUE(waitFor([&] { return !page->photoInfoData().isEmpty(); }))
        << "the page's photos survive the list's leaving";
    EXPECT_EQ(page->imagePicker()->allImageURL(), page->photoInfoData());
}

TEST_F(CommunityHouseListTest, AHouseOpensItsDetailWhichPagesThroughTheList) {
    const auto& community = richCommunity();
    openRich();
    ui::TableViewCell* first = list_->tableView()->cellForRowAtIndexPath({0, 0});
    ASSERT_NE(first, nullptr);
    ASSERT_TRUE(driver_->tap(first));
    settle();
    auto detail = std::dynamic_pointer_cast<QXPostDetailNew>(navigation_->topViewController());
    ASSERT_NE(detail, nullptr);
    EXPECT_EQ(detail->post().value("domain").toString(), community.cityPinyin);
    EXPECT_EQ(detail->post().value("CategoryId").toInt(), 7);
    EXPECT_EQ(detail->post().value("puid"),
              list_->postDetailNewContentArray().value(0).toMap().value("puid"));
    EXPECT_EQ(detail->currentIndex(), 0);
    EXPECT_EQ(detail->title(), "信息详情") << "the detail names itself once it loads";
}

TEST_F(CommunityHouseListTest, TheRelatedHousesOfAPostComeTenWithoutABar) {
    const standin::SamplePost& post = standin::Posts::postsOf(100, 1).front();
    list_ = std::make_shared<QXLeisiFangList>(
        7, 1, QString(),
        QVariantMap{{"is_premier", 0}, {"city_index", 2}, {"puid", QString::number(post.puid)}},
        false);
    push(list_);
    waitForPage();
    const auto sent = calls("HousingListPageInfo");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(
        classOf(sent[0]),
        QString("{\"HousingRecommendForMobile\":{\"_classArgs\":[{\"city_code\":300,"
                "\"major_index\":1,\"puid\":\"%1\",\"agent\":0}],\"getRelatedHouseList\":[10]}}")
            .arg(post.puid));
    EXPECT_EQ(list_->filterView(), nullptr);
    EXPECT_LE(list_->nowListNum(), 10);
    EXPECT_FALSE(list_->hasMore());
}

TEST_F(CommunityHouseListTest, TheFullerLoadingViewShowsTheCategorysTextOnceAndComesToTheFront) {
    openRich();
    list_->addLoadingViewDefault();
    ui::View* cover = list_->view()->viewWithTag(QXLeisiFangList::kDefaultLoadingTag);
    ASSERT_NE(cover, nullptr);
    EXPECT_EQ(cover->frame(), ui::Rect(0, 0, 320, ui::Screen::mainScreen().bounds().height() - 60));
    auto* spinner = dynamic_cast<ui::ActivityIndicatorView*>(
        cover->viewWithTag(QXLeisiFangList::kDefaultSpinnerTag));
    ASSERT_NE(spinner, nullptr);
    EXPECT_TRUE(spinner->isAnimating());
    EXPECT_NE(driver_->findByText("加载中..."), nullptr);
    EXPECT_NE(driver_->findByText("正在为您查找房源，请稍候"), nullptr)
        << "the text the bundle gives housing (category 7)";

    // A second call adds none and brings the one shown to the front; removing it does nothing.
    list_->view()->addSubview(std::make_shared<ui::View>(ui::Rect(0, 0, 10, 10)));
    list_->addLoadingViewDefault();
    int covers = 0;
    for (const auto& child : list_->view()->subviews())
        covers += child->tag() == QXLeisiFangList::kDefaultLoadingTag ? 1 : 0;
    EXPECT_EQ(covers, 1);
    EXPECT_EQ(list_->view()->subviews().back().get(), cover);
    list_->removeLoadingDefault();
    EXPECT_EQ(list_->view()->viewWithTag(QXLeisiFangList::kDefaultLoadingTag), cover);

    // A category the bundle has no text for shows none.
    auto other = std::make_shared<QXLeisiFangList>(
        3, 1, QString(), QVariantMap{{"domain", "x"}, {"pinyin", "y"}}, true);
    push(other);
    other->addLoadingViewDefault();
    EXPECT_EQ(driver_->findByText("正在为您查找房源，请稍候"), nullptr);
    EXPECT_NE(other->view()->viewWithTag(QXLeisiFangList::kDefaultLoadingTag), nullptr);
}
