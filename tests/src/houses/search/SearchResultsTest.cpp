// The keyword search results against the stand-in: counts, pages and filters of the first
// load, paging on every road, failures, the time-out, new keywords and stale replies, the
// quick-filter bar with its category column and the full filter screen.
#include "SearchFixture.h"

#include "houses/detail/QXPostDetailNew.h"
#include "houses/query/FilterCondition.h"
#include "houses/shared/MoreRowCell.h"

#include <QFile>

namespace paths = standin::paths;

class SearchResultsTest : public SearchFixture {
protected:
    void SetUp() override {
        SearchFixture::SetUp();
        host_->resetCurrentStreet();
    }
    // Waits for the reply to a page request sent after `before` requests.
    void waitForSearchPage(SearchListViewController& results, std::size_t before) {
        ASSERT_TRUE(waitFor([&] { return searches() > before && !results.isLoading(); }));
    }
    [[nodiscard]] std::size_t counts() { return calls("GetWebSearchCount").size(); }
};

TEST_F(SearchResultsTest, TheFirstLoadCountsThenAsksThePageAndTheFilters) {
    auto results = openResults(QStringLiteral("近地铁"));
    const auto count = calls("GetWebSearchCount");
    ASSERT_EQ(count.size(), 1u);
    EXPECT_EQ(count[0].method, "GET");
    EXPECT_EQ(count[0].query, "keywords=%E8%BF%91%E5%9C%B0%E9%93%81&searchAll=1");
    EXPECT_EQ(count[0].header("contentformat"), "json");
    EXPECT_EQ(count[0].header("cityScriptIndex"), "100");
    EXPECT_EQ(count[0].header("searchAll"), "1");
    EXPECT_FALSE(count[0].hasHeader("SeqId"));

    const auto page = calls("SearchPostsByJson2");
    ASSERT_EQ(page.size(), 1u);
    EXPECT_FALSE(page[0].hasHeader("cityScriptIndex"));
    EXPECT_FALSE(page[0].header("SeqId").isEmpty());
    const QJsonObject args = argsOf(page[0]);
    EXPECT_EQ(args["categoryId"], "7");
    EXPECT_EQ(args["majorCategoryScriptIndex"], "1");
    EXPECT_EQ(args["pageIndex"], "0");
    EXPECT_EQ(titleKeyword(args), "近地铁");
    EXPECT_TRUE(args["queryFilters"].toArray().isEmpty());
    EXPECT_EQ(calls("GetMajorCategoryFilter").size(), 1u);

    EXPECT_EQ(results->page().listArray.size(), 20);
    for (const QVariant& post : results->page().listArray)
        EXPECT_TRUE(post.toMap()["title"].toString().contains("近地铁"));
    EXPECT_EQ(results->quickFilterKeyArray(),
              (QStringList{"categoryFilter", "district_id", "price", "more"}));
    QuickFilterView* bar = results->quickFilterView();
    EXPECT_EQ(bar->titleAtIndex(0), "租房");
    EXPECT_EQ(bar->titleAtIndex(2), "租金");
    EXPECT_EQ(bar->titleAtIndex(3), "更多");
    EXPECT_TRUE(results->noticeText().isEmpty());
    EXPECT_FALSE(results->loadingShown());

    // The category column lists the counts of every kind.
    ASSERT_TRUE(driver_->tap(bar->button(0)));
    settle();
    ui::TableView* majors = bar->dropDown(0)->column(1);
    ASSERT_NE(majors, nullptr);
    ASSERT_EQ(majors->numberOfRowsInSection(0), 3);
    const QVariantList sizes =
        results->categoryFilterArray().first().toMap()["MajorCountList"].toList();
    window_->layoutIfNeeded();
    EXPECT_EQ(majors->cellForRowAtIndexPath({0, 0})->detailTextLabel()->text(),
              sizes[0].toMap()["Size"].toString() + "条");
}

TEST_F(SearchResultsTest, ResultsDrawNothingAtRestShownOrBeneathAnotherScreen) {
    host_->wifi = false;  // no thumbnails still to come
    auto results = openResults(QStringLiteral("近地铁"));
    ASSERT_FALSE(results->page().listArray.isEmpty());
    EXPECT_TRUE(restsIdle()) << "the results shown";
    navigation_->pushViewController(std::make_shared<ui::ViewController>(), false);
    EXPECT_TRUE(restsIdle()) << "the results beneath another screen";
}

TEST_F(SearchResultsTest, NoCountsSayNothingFoundAtOnceAndFailuresSaySo) {
    auto results = openResults(QStringLiteral("火星上的房子"));
    EXPECT_EQ(results->noticeText(), "没有相关筛选信息，请重新筛选吧");
    EXPECT_TRUE(calls("SearchPostsByJson2").empty());
    clock().advance(ns::seconds(61));
    drainMainLoop();
    EXPECT_TRUE(results->timeOutText().isEmpty()) << "no time-out after the notice";

    server().setFault({.prefix = paths::kDataShare, .status = 500, .times = 1});
    results = openResults(QStringLiteral("近地铁"));
    EXPECT_EQ(results->noticeText(), "网络不稳定,稍后再试吧...");

    // A failed first page empties the list and asks for another search, as an empty one does;
    // only a failed count (above) says the network is unsteady.
    server().setFault({.prefix = paths::kDataShare, .status = 502, .times = 1});
    std::size_t before = searches();
    const std::size_t countsBefore = counts();
    results->mainTF()->setText(QStringLiteral("近地铁"));
    server().setFaults({});
    results->textfieldSearchEvent();
    ASSERT_TRUE(waitFor([&] { return counts() > countsBefore; }));
    ASSERT_TRUE(waitFor([&] { return searches() > before && !results->isLoading(); }));
    EXPECT_FALSE(results->page().listArray.isEmpty());
    server().setFault({.prefix = paths::kDataShare, .status = 502, .times = 1});
    before = searches();
    results->startLoading();
    waitForSearchPage(*results, before);
    EXPECT_TRUE(results->page().listArray.isEmpty());
    EXPECT_EQ(results->noticeText(), "没有相关筛选信息，请重新筛选吧");
}

TEST_F(SearchResultsTest, PagesComeByTheMoreRowTheDetailAndAFailedPageIsAskedAgain) {
    auto results = openResults(QStringLiteral("采光好"));
    ASSERT_TRUE(results->page().isHaveMoreData);
    ui::TableView* table = results->mainTbl();
    EXPECT_EQ(table->numberOfRowsInSection(0), 21);

    // The detail opens on the tapped post and pages on through the results.
    window_->layoutIfNeeded();
    ASSERT_TRUE(driver_->tap(table->cellForRowAtIndexPath({0, 1})));
    settle();
    auto detail = std::dynamic_pointer_cast<QXPostDetailNew>(navigation_->topViewController());
    ASSERT_NE(detail, nullptr);
    EXPECT_EQ(detail->title(), "信息详情") << "the detail names itself, whoever opened it";
    EXPECT_EQ(detail->currentIndex(), 1);
    EXPECT_EQ(detail->post(), results->page().listArray[1].toMap());
    bool loaded = false;
    int answers = 0;
    std::size_t before = searches();
    results->postDetailNewLoadMoreData([&](bool ok) {
        loaded = ok;
        ++answers;
    });
    results->postDetailNewLoadMoreData([&](bool ok) {
        loaded = loaded && ok;
        ++answers;
    });
    ASSERT_TRUE(waitFor([&] { return answers == 2; }));
    EXPECT_TRUE(loaded);
    EXPECT_EQ(searches(), before + 1) << "a second ask waits for the page on its way";
    EXPECT_EQ(lastPage()["pageIndex"], "1");
    EXPECT_EQ(results->page().listArray.size(), 40);
    navigation_->popViewControllerAnimated(false);
    settle();

    // Scrolling to the end asks for the next page; when it fails the posts stay and the
    // same page is asked for again.
    server().setFault({.prefix = paths::kDataShare, .status = 500, .times = 1});
    before = searches();
    table->scrollToRowAtIndexPath({0, 40}, ui::TableViewScrollPosition::Bottom, false);
    window_->layoutIfNeeded();
    waitForSearchPage(*results, before);
    EXPECT_EQ(results->page().listArray.size(), 40);
    EXPECT_EQ(results->page().nowPage, 1);
    EXPECT_TRUE(results->noticeText().isEmpty()) << "never over the loaded posts";
    window_->layoutIfNeeded();
    ui::TableViewCell* more = table->cellForRowAtIndexPath({0, 40});
    ASSERT_NE(more, nullptr);
    EXPECT_EQ(dynamic_cast<ui::Label*>(more->viewWithTag(MoreRowCell::kLabelTag))->text(),
              "获取更多信息");
    before = searches();
    ASSERT_TRUE(driver_->tap(more));
    waitForSearchPage(*results, before);
    EXPECT_EQ(lastPage()["pageIndex"], "2");
    EXPECT_GT(results->page().listArray.size(), 40);

    // Pull-to-refresh brings page 0 again in place of the list.
    before = searches();
    results->startLoading();
    waitForSearchPage(*results, before);
    EXPECT_EQ(lastPage()["pageIndex"], "0");
    EXPECT_EQ(results->page().listArray.size(), 20);
}

TEST_F(SearchResultsTest, ASearchThatTakesAMinuteTimesOutAndCanBeSearchedAgain) {
    // The server holds the first search's answer for good.
    server().setFault({.prefix = paths::kDataShare, .hold = true, .times = 1});
    auto results = std::make_shared<SearchListViewController>();
    results->setKeyword(QStringLiteral("近地铁"));
    navigation_->setViewControllers({std::make_shared<ui::ViewController>(), results}, false);
    ASSERT_TRUE(waitFor([&] { return counts() == 1; }));
    EXPECT_TRUE(results->loadingShown());
    clock().advance(ns::seconds(SearchListViewController::kTimeOut));
    drainMainLoop();
    EXPECT_FALSE(results->loadingShown());
    EXPECT_EQ(results->timeOutText(), "您搜索超时,请重新搜索");
    ASSERT_TRUE(driver_->tapText("重新搜索"));
    waitForResults(*results);
    EXPECT_TRUE(results->timeOutText().isEmpty());
    EXPECT_EQ(results->page().listArray.size(), 20);
    EXPECT_EQ(counts(), 2u);
}

TEST_F(SearchResultsTest, ANewKeywordReplacesTheOldSearchAndItsLateReplies) {
    auto results = openResults(QStringLiteral("近地铁"));
    std::size_t before = searches();
    ASSERT_TRUE(driver_->tap(results->quickFilterView()->button(2)));
    settle();
    chooseIn(results->quickFilterView(), 2, 1);
    waitForSearchPage(*results, before);
    EXPECT_EQ(results->page().filterConditionDic.keys(), QStringList{"price"});

    // Typing shows the suggestions over the results; back first folds them away.
    ASSERT_TRUE(driver_->tap(results->mainTF()));
    EXPECT_FALSE(results->suggestionTable()->isHidden());
    results->mainTF()->setText(QString());
    ASSERT_TRUE(driver_->type("采光"));
    ASSERT_TRUE(waitFor([&] { return !results->searchArray().isEmpty(); }));
    ASSERT_TRUE(driver_->tap(driver_->findByAccessibilityLabel("返回")));
    settle();
    EXPECT_TRUE(results->suggestionTable()->isHidden());
    EXPECT_EQ(navigation_->topViewController(), results);

    // The old keyword's counts come late; the new keyword's results stay.
    server().setFault({.prefix = paths::kDataShare, .hold = true, .times = 1});
    results->mainTF()->setText(QStringLiteral("精装修"));
    results->textfieldSearchEvent();
    ASSERT_TRUE(waitFor([&] { return counts() == 2; }));
    results->mainTF()->setText(QStringLiteral("采光好"));
    results->textfieldSearchEvent();
    waitForResults(*results);
    ASSERT_TRUE(letHeldRepliesArrive());
    driver_->wait(1);
    EXPECT_EQ(results->keyword(), "采光好");
    EXPECT_TRUE(results->page().filterConditionDic.isEmpty()) << "a new search, no conditions";
    for (const QVariant& post : results->page().listArray)
        EXPECT_TRUE(post.toMap()["title"].toString().contains("采光好"));
    EXPECT_EQ(titleKeyword(lastPage()), "采光好");
    EXPECT_EQ(SearchHistory::keywords(), (QStringList{"采光好", "精装修"}));

    // The second back leaves without animation.
    ASSERT_TRUE(driver_->tap(driver_->findByAccessibilityLabel("返回")));
    EXPECT_EQ(navigation_->viewControllers().size(), 1u);
}

TEST_F(SearchResultsTest, TheBarSwitchesKindsAndTurnsChoicesIntoConditions) {
    auto results = openResults(QStringLiteral("近地铁"));
    QuickFilterView* bar = results->quickFilterView();
    std::size_t before = searches();
    chooseIn(bar, 2, 1);
    waitForSearchPage(*results, before);
    EXPECT_EQ(bar->titleAtIndex(2), "1500元以下");

    // Another kind: no conditions, its own filters and page 0.
    const std::size_t filtersBefore = calls("GetMajorCategoryFilter").size();
    before = searches();
    chooseIn(bar, 0, 0, 0);
    chooseIn(bar, 0, 1, 1);
    waitForSearchPage(*results, before);
    ASSERT_TRUE(waitFor([&] { return calls("GetMajorCategoryFilter").size() > filtersBefore; }));
    waitForResults(*results);
    EXPECT_EQ(lastPage()["majorCategoryScriptIndex"], "3");
    EXPECT_TRUE(lastPage()["queryFilters"].toArray().isEmpty());
    EXPECT_EQ(results->categoryTitle(), "合租房");
    EXPECT_EQ(bar->titleAtIndex(0), "合租房");
    EXPECT_EQ(bar->defaultSelectRowDic()[0], (QStringList{"0", "1"}));
    EXPECT_EQ(bar->defaultSelectRowDic()[2], QStringList{"0"});

    // A street sends district and street; the any street of the any district removes both.
    const auto city = host_->currentCity();
    int row = 1;
    while (row < int(city->Districts.size()) &&
           city->Districts[std::size_t(row)]->Streets.size() < 3)
        ++row;
    const auto district = city->Districts[std::size_t(row)];
    before = searches();
    chooseIn(bar, 1, row, 0);
    chooseIn(bar, 1, 2, 1);
    waitForSearchPage(*results, before);
    EXPECT_EQ(results->page().filterConditionDic.keys(), (QStringList{"district_id", "street_id"}));
    EXPECT_EQ(bar->titleAtIndex(1), district->Streets[2]->name());
    before = searches();
    chooseIn(bar, 1, 0, 0);
    chooseIn(bar, 1, 0, 1);
    waitForSearchPage(*results, before);
    EXPECT_TRUE(results->page().filterConditionDic.isEmpty());
    EXPECT_EQ(bar->titleAtIndex(1), "区域不限");

    // The filter screen's conditions replace the bar's, and the titles follow them.
    ASSERT_TRUE(driver_->tap(bar->button(3)));
    settle();
    auto screen =
        std::dynamic_pointer_cast<FilterMainViewControl>(navigation_->topViewController());
    ASSERT_NE(screen, nullptr);
    const FilterItem price = results->filter()->getFilterWithKey("price");
    ASSERT_NE(price, nullptr);
    // As the filter screen's value list writes a choice.
    price->insert("v", price->value("vs").toList()[2].toMap()["v"]);
    price->insert("firstSectionRow", 2);
    before = searches();
    ASSERT_TRUE(driver_->tap(screen->finishBtn()));
    waitForSearchPage(*results, before);
    EXPECT_EQ(results->page().filterConditionDic.keys(), QStringList{"price"});
    EXPECT_EQ(bar->titleAtIndex(2), price->value("vs").toList()[2].toMap()["n"].toString());
    EXPECT_EQ(bar->defaultSelectRowDic()[2].first(), "2");
}

TEST_F(SearchResultsTest, AnOddKeywordReachesTheServerIntactInTheAddressAndTheBody) {
    const QString keyword = QStringLiteral("他说\"近地铁\"&便宜 +100% 😀\\");
    auto results = openResults(keyword);
    const auto count = calls("GetWebSearchCount");
    ASSERT_EQ(count.size(), 1u);
    EXPECT_EQ(standin::FormFields(count[0].query).text("keywords"), keyword);
    EXPECT_EQ(results->noticeText(), "没有相关筛选信息，请重新筛选吧");

    // The page of a category: the keyword as the server decodes the body.
    SearchPage page;
    page.nowMasterIndex = "7";
    page.filterConditionDic["price"] = FilterCondition::make("price", "a\"b&c");
    const QByteArray body = page.body(100, keyword).toUtf8();
    QJsonParseError error;
    const QJsonObject args =
        QJsonDocument::fromJson(standin::FormFields(body).value("jsonArgs"), &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError);
    EXPECT_EQ(titleKeyword(args), keyword);
    EXPECT_EQ(args["queryFilters"].toArray()[0].toObject()["value"], "a\"b&c");
}

TEST_F(SearchResultsTest, FiltersThatFailAfterThePostsCameLeaveThePostsShown) {
    auto results = openResults(QStringLiteral("近地铁"));
    ASSERT_FALSE(results->page().listArray.isEmpty());
    // Definitions that are not cached and fail to come: no bar change, no notice over posts.
    QFile::remove(tovikFilters2::cachePath());
    server().setFault({.prefix = paths::kDataShare, .status = 500, .times = 1});
    const std::size_t before = calls("GetMajorCategoryFilter").size();
    results->loadFilterArrayWithMasterId("7");
    ASSERT_TRUE(waitFor([&] {
        return calls("GetMajorCategoryFilter").size() > before && results->isHadLoadFilter() &&
               !results->loadingShown();
    }));
    EXPECT_TRUE(results->noticeText().isEmpty());
    EXPECT_EQ(results->quickFilterKeyArray().size(), 4) << "the bar keeps its columns";
}
