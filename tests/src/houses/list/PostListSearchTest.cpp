// The post list's keyword search: the field in the title bar, the history and suggestions
// over the dimmed list, the searches it starts and leaving it.
#include "../search/SearchFixture.h"

namespace paths = standin::paths;

class PostListSearchTest : public SearchFixture {
protected:
    // Opens the rent list and its search field.
    MyTextField& openSearch() {
        open();
        auto* button = driver_->findByAccessibilityLabel(QStringLiteral("搜索"));
        EXPECT_NE(button, nullptr);
        driver_->tap(button);
        settle();
        return *list_->vTitleSearchBar()->field();
    }
    [[nodiscard]] bool overlayShown() { return !list_->grayView()->isHidden(); }
};

TEST_F(PostListSearchTest, TheSuggestionKeywordIsTheTextTheFieldWillHold) {
    MyTextField& field = openSearch();
    EXPECT_TRUE(list_->isSearching());
    EXPECT_TRUE(field.isFirstResponder());
    EXPECT_TRUE(overlayShown());
    EXPECT_EQ(field.tag(), QXPostList::kSearchFieldTag);
    EXPECT_EQ(events(), QStringList{"house_bn_search"});

    ASSERT_TRUE(driver_->type("地铁"));
    ASSERT_TRUE(typeAt(field, 1, "口"));
    // A request still queued when the next is sent may be replaced before it goes out, and
    // two that went out may arrive in either order.
    ASSERT_TRUE(waitFor([&] { return suggested().contains("地口铁"); }));
    for (const QString& each : suggested()) EXPECT_TRUE(each == "地铁" || each == "地口铁");
    const QJsonObject args = argsOf(calls("ajaxSuggestion").back());
    EXPECT_EQ(args.keys(), (QStringList{"categoryId", "cityScriptIndex", "keyword",
                                        "majorCategoryScriptIndex"}));
    EXPECT_EQ(args["categoryId"], "7");
    EXPECT_EQ(args["majorCategoryScriptIndex"], "1");
    EXPECT_TRUE(calls("ajaxSuggestion").back().header("SeqId").isEmpty());

    // A typed-over selection and a deletion of several characters.
    field.setSelectedRange({0, 2});
    ASSERT_TRUE(driver_->type("近"));
    field.setSelectedRange({0, 1});
    ASSERT_TRUE(driver_->pressBackspace());
    ASSERT_TRUE(waitFor([&] { return suggested().contains("铁"); }));
    EXPECT_EQ(suggested().size(), suggested().filter("铁").size()) << "no other text asked";

    // Suggestions show with their counts; a tap on one searches it.
    field.setText(QString());
    ASSERT_TRUE(typeAt(field, 0, "近地铁"));
    ASSERT_TRUE(waitFor([&] { return !list_->searchHistoryDelegate()->isShowHistory(); }));
    ui::TableView* table = list_->searchHistoryTable();
    ASSERT_GT(table->numberOfRowsInSection(0), 0);
    window_->layoutIfNeeded();
    ui::TableViewCell* first = table->cellForRowAtIndexPath({0, 0});
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->detailTextLabel()->text().endsWith("条"));
    const std::size_t before = searches();
    ASSERT_TRUE(driver_->tap(first));
    waitForPage(before);
    EXPECT_EQ(list_->keyword(), first->textLabel()->text());
    EXPECT_FALSE(overlayShown());
    EXPECT_EQ(SearchHistory::keywords(), QStringList{list_->keyword()});
}

TEST_F(PostListSearchTest, AKeywordWithQuotesAndAmpersandReachesTheServerUnchanged) {
    MyTextField& field = openSearch();
    const QString keyword = QStringLiteral("他说\"近地铁\"&便宜 +100% 😀\\");
    field.setText(keyword);
    std::size_t before = searches();
    ASSERT_TRUE(driver_->pressReturn());
    waitForPage(before);
    const auto sent = calls("SearchPostsByJson2").back();
    const QByteArray json = standin::FormFields(sent.body).value("jsonArgs");
    QJsonParseError error;
    const QJsonDocument parsed = QJsonDocument::fromJson(json, &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << json.toStdString();
    EXPECT_EQ(titleKeyword(parsed.object()), keyword);
    EXPECT_EQ(list_->paging().nowListNum, 0);
    EXPECT_EQ(SearchHistory::keywords(), QStringList{keyword});

    // The suggestion request carries it unchanged too.
    ASSERT_TRUE(field.becomeFirstResponder());
    ASSERT_TRUE(driver_->type("!"));
    ASSERT_TRUE(waitFor([&] { return !suggested().isEmpty(); }));
    EXPECT_EQ(suggested().last(), keyword + "!");
}

TEST_F(PostListSearchTest, LeavingTheSearchShowsPageZeroOfTheWholeList) {
    MyTextField& field = openSearch();
    field.setText(QStringLiteral("  近地铁 "));
    std::size_t before = searches();
    ASSERT_TRUE(driver_->tap(list_->vTitleSearchBar()->button().get()));
    waitForPage(before);
    EXPECT_EQ(list_->keyword(), "近地铁") << "trimmed";
    EXPECT_EQ(titleKeyword(lastPage()), "近地铁");
    ASSERT_TRUE(list_->paging().isHaveMoreData);
    before = searches();
    list_->postDetailNewLoadMoreData(nullptr);
    waitForPage(before);
    EXPECT_EQ(lastPage()["pageIndex"], "1");
    for (const QVariant& post : list_->paging().contentArray)
        EXPECT_TRUE(post.toMap()["title"].toString().contains("近地铁"));

    // The back button leaves the search before the list.
    before = searches();
    ASSERT_TRUE(driver_->tap(driver_->findByAccessibilityLabel("返回")));
    waitForPage(before);
    EXPECT_FALSE(list_->isSearching());
    EXPECT_EQ(list_->keyword(), QString());
    EXPECT_EQ(lastPage()["pageIndex"], "0");
    EXPECT_TRUE(lastPage()["andKeywords"].toArray().isEmpty());
    EXPECT_EQ(list_->paging().nowListNum, 20);
    EXPECT_FALSE(overlayShown());
    EXPECT_NE(list_->navigationItem().titleView(), list_->vTitleSearchBar()->view());
    EXPECT_NE(list_->navigationItem().rightBarButtonItem(), nullptr) << "the search button";
    // Out of the search, the back button leaves the list.
    auto below = std::make_shared<ui::ViewController>();
    navigation_->setViewControllers({below, list_}, false);
    settle();
    ASSERT_TRUE(driver_->tap(driver_->findByAccessibilityLabel("返回")));
    settle();
    EXPECT_EQ(navigation_->topViewController(), below);
}

TEST_F(PostListSearchTest, TheHistoryIsSearchedClearedAndEmptySearchesAreRefused) {
    MyTextField& field = openSearch();
    ui::TableView* table = list_->searchHistoryTable();
    EXPECT_TRUE(list_->searchHistoryDelegate()->isShowHistory());
    EXPECT_EQ(table->numberOfRowsInSection(0), 0) << "no history, no clear row";

    // Blanks only: refused, nothing asked.
    field.setText(QStringLiteral("   "));
    std::size_t before = searches();
    ASSERT_TRUE(driver_->tap(list_->vTitleSearchBar()->button().get()));
    settle();
    ASSERT_NE(alerts_->visibleAlert(), nullptr);
    EXPECT_EQ(alerts_->visibleAlert()->message(), "请输入关键字！");
    ASSERT_TRUE(alerts_->pressButtonAtIndex(0));
    EXPECT_EQ(searches(), before);

    SearchHistory::record(QStringLiteral("采光好"));
    SearchHistory::record(QStringLiteral("近地铁"));
    field.setText(QString());
    ASSERT_TRUE(field.resignFirstResponder());
    ASSERT_TRUE(field.becomeFirstResponder());
    settle();
    EXPECT_EQ(rowTexts(*table), (QStringList{"近地铁", "采光好", "清除历史记录"}));

    // A history row searches its keyword and the field shows it.
    window_->layoutIfNeeded();
    before = searches();
    ASSERT_TRUE(driver_->tap(table->cellForRowAtIndexPath({0, 1})));
    waitForPage(before);
    EXPECT_EQ(titleKeyword(lastPage()), "采光好");
    EXPECT_EQ(field.text(), "采光好");
    EXPECT_FALSE(field.isFirstResponder());
    EXPECT_EQ(SearchHistory::keywords(), (QStringList{"采光好", "近地铁"}));

    // The clear row asks first: "取消" keeps the history, "确定" empties it.
    ASSERT_TRUE(field.becomeFirstResponder());
    field.setText(QString());
    list_->textFieldShouldBeginEditing(field);
    settle();
    for (const char* answer : {"取消", "确定"}) {
        window_->layoutIfNeeded();
        ui::TableViewCell* clear = table->cellForRowAtIndexPath({0, 2});
        ASSERT_NE(clear, nullptr);
        ASSERT_TRUE(driver_->tap(clear));
        settle();
        ASSERT_NE(alerts_->visibleSheet(), nullptr);
        EXPECT_EQ(alerts_->visibleSheet()->title(), "确定删除历史记录吗?");
        ASSERT_TRUE(alerts_->pressButton(QString::fromUtf8(answer)));
        settle();
    }
    EXPECT_TRUE(SearchHistory::keywords().isEmpty());
    EXPECT_EQ(table->numberOfRowsInSection(0), 0);

    // Return on an empty field leaves the search and reloads the whole list from page 0.
    before = searches();
    ASSERT_TRUE(driver_->pressReturn());
    waitForPage(before);
    EXPECT_FALSE(list_->isSearching());
    EXPECT_EQ(lastPage()["pageIndex"], "0");
    EXPECT_TRUE(lastPage()["andKeywords"].toArray().isEmpty());
}

TEST_F(PostListSearchTest, ASuggestionFailureNeverCoversPostsAndACancelIsNoFailure) {
    MyTextField& field = openSearch();
    // Ended editing: typing asks nothing more.
    list_->textFieldShouldEndEditing(field);
    list_->shouldChangeCharactersInRange(field, {0, 0}, QStringLiteral("地"));
    drainMainLoop();
    EXPECT_TRUE(suggested().isEmpty());
    list_->textFieldShouldBeginEditing(field);

    server().setFault({.prefix = paths::kDataShare, .status = 500, .times = 1});
    ASSERT_TRUE(driver_->type("近"));
    ASSERT_TRUE(waitFor([&] { return suggested().size() == 1; }));
    driver_->wait(0.5);
    EXPECT_FALSE(errorShown()) << "the list has posts";

    // A suggestion the server holds, replaced by a newer one, is only a cancel.
    server().setFault({.prefix = paths::kDataShare, .hold = true, .times = 1});
    ASSERT_TRUE(driver_->type("地"));
    ASSERT_TRUE(waitFor([&] { return suggested().contains("近地"); }));
    ASSERT_TRUE(driver_->type("铁"));
    ASSERT_TRUE(waitFor([&] {
        return suggested().contains("近地铁") && !list_->searchHistoryDelegate()->isShowHistory();
    }));
    ASSERT_TRUE(letHeldRepliesArrive());
    EXPECT_FALSE(errorShown());

    // With no posts on the list, the failure says so.
    list_->paging().contentArray.clear();
    list_->paging().nowListNum = 0;
    server().setFault({.prefix = paths::kDataShare, .status = 503, .times = 1});
    ASSERT_TRUE(driver_->type("口"));
    ASSERT_TRUE(waitFor([&] { return errorShown(); }));
    EXPECT_EQ(errorText(), "您的网络不稳定，请稍后再试");
}

TEST_F(PostListSearchTest, AKeywordSurvivesAChangeOfUser) {
    MyTextField& field = openSearch();
    field.setText(QStringLiteral("采光好"));
    std::size_t before = searches();
    ASSERT_TRUE(driver_->pressReturn());
    waitForPage(before);
    before = searches();
    ns::NotificationCenter::defaultCenter().post(QStringLiteral("kUserChangedNotification"));
    ASSERT_TRUE(waitFor([&] { return searches() > before && list_->paging().nowListNum > 0; }));
    EXPECT_EQ(titleKeyword(lastPage()), "采光好");
    EXPECT_TRUE(list_->isSearching());
    EXPECT_EQ(list_->navigationItem().titleView(), list_->vTitleSearchBar()->view());
}
