// Paging through the post list on screen: the three roads to the next page never skip a
// page, and the detail's last post is the row shown when the list comes back.
#include "PostListScreenFixture.h"

#include "houses/detail/QXPostDetailNew.h"
#include "platform/uikit/activity_indicator_view.h"

namespace paths = standin::paths;

class PostListPagesTest : public PostListScreenFixture {
protected:
    // The next reply to the list is a page of `count` of the first page's posts out of `total`.
    void serveNextPage(int total, int count) {
        QJsonArray posts;
        for (int i = 0; i < count; ++i) {
            posts.append(
                QJsonObject::fromVariantMap(firstPage_.value(i % firstPage_.size()).toMap()));
        }
        const QJsonObject page{{"total", total}, {"posts", posts}};
        server().setFault({.prefix = paths::kDataShare,
                           .body = QJsonDocument(page).toJson(QJsonDocument::Compact),
                           .times = 1});
    }
    [[nodiscard]] QString lastPageIndex() {
        return argsOf(calls("SearchPostsByJson2").back())["pageIndex"].toString();
    }
    // Scrolls the table past its end, as a finger does, a few scroll events at a time.
    void scrollPastTheEnd() {
        ui::TableView* table = list_->listTbl();
        const double end = table->contentSize().height - table->frame().size.height;
        for (double beyond : {10.0, 30.0, 50.0}) table->setContentOffset({0, end + beyond}, false);
    }

    QVariantList firstPage_;
};

TEST_F(PostListPagesTest, FortyFivePostsComeInThreePagesWhateverRoadAsksAndHowOften) {
    open();
    firstPage_ = list_->paging().contentArray;
    ASSERT_EQ(firstPage_.size(), 20);

    serveNextPage(45, 20);
    std::size_t before = searches();
    list_->refreshViewDidCallBack();
    ASSERT_TRUE(waitFor([&] { return searches() > before && !list_->refreshView()->isLoading(); }));
    EXPECT_EQ(lastPageIndex(), "0");
    EXPECT_EQ(list_->listTbl()->numberOfRowsInSection(0), 21) << "20 posts and the more row";

    // Two taps on the more row before its page came: one request, page 1.
    serveNextPage(45, 20);
    before = searches();
    list_->didSelectRowAtIndexPath(*list_->listTbl(), {0, 20});
    list_->didSelectRowAtIndexPath(*list_->listTbl(), {0, 20});
    ASSERT_TRUE(waitFor([&] { return list_->paging().nowListNum == 40; }));
    EXPECT_EQ(searches(), before + 1);
    EXPECT_EQ(lastPageIndex(), "1");

    // Scrolling past the end while that page loads, and the detail asking meanwhile: one
    // request for page 2, and the detail hears when it is in.
    serveNextPage(45, 5);
    before = searches();
    scrollPastTheEnd();
    std::optional<bool> detailLoaded;
    list_->postDetailNewLoadMoreData([&](bool loaded) {
        detailLoaded = loaded;
        EXPECT_EQ(list_->paging().nowListNum, 45) << "told only once the page is in";
    });
    EXPECT_FALSE(detailLoaded.has_value());
    scrollPastTheEnd();
    waitForPage(before);
    ASSERT_TRUE(waitFor([&] { return detailLoaded.has_value(); }));
    EXPECT_TRUE(*detailLoaded);
    EXPECT_EQ(searches(), before + 1);
    EXPECT_EQ(lastPageIndex(), "2");
    EXPECT_EQ(list_->paging().nowListNum, 45);
    EXPECT_EQ(list_->listTbl()->numberOfRowsInSection(0), 45) << "the more row is gone";
    EXPECT_EQ(events(), QStringList{"house_bn_next"}) << "one next page, counted once";

    // Nothing is left: scrolling asks for nothing, the detail hears NO at once.
    before = searches();
    scrollPastTheEnd();
    detailLoaded.reset();
    list_->postDetailNewLoadMoreData([&](bool loaded) { detailLoaded = loaded; });
    ASSERT_TRUE(detailLoaded.has_value());
    EXPECT_FALSE(*detailLoaded);
    drainMainLoop();
    EXPECT_EQ(searches(), before);
}

TEST_F(PostListPagesTest, AFreshPageOnItsWayIsNotReplacedByANextPage) {
    open();
    firstPage_ = list_->paging().contentArray;
    // A choice in the bar asks for a fresh first page; a scroll past the end of the old rows
    // meanwhile must not append the new query's second page to them. The server holds the
    // replies until both have happened.
    server().setFault({.prefix = paths::kDataShare, .hold = true});
    std::size_t before = searches();
    choose(1, 1);
    scrollPastTheEnd();
    server().clearFaultsAndReleaseHeld();
    waitForPage(before);
    EXPECT_EQ(searches(), before + 1);
    EXPECT_EQ(lastPageIndex(), "0");
    EXPECT_EQ(lastConditions()["price"], "_1500");
    for (const QVariant& post : list_->paging().contentArray) {
        EXPECT_LT(post.toMap()["price"].toMap()["v"].toDouble(), 1500) << "only the new query";
    }
}

TEST_F(PostListPagesTest, TheDetailsLastPostIsShownWhenTheListComesBack) {
    open();
    ASSERT_TRUE(driver_->tap(list_->listTbl()->cellForRowAtIndexPath({0, 1})));
    settle();
    auto detail = std::dynamic_pointer_cast<QXPostDetailNew>(navigation_->topViewController());
    ASSERT_NE(detail, nullptr);
    detail->setCurrentIndex(15);  // paged on to the sixteenth post
    ASSERT_EQ(list_->listTbl()->cellForRowAtIndexPath({0, 15}), nullptr) << "out of sight";
    // The stack keeps the detail through the list's appearance; the list scrolls anyway.
    navigation_->popViewControllerAnimated(false);
    settle();
    ASSERT_NE(list_->listTbl()->cellForRowAtIndexPath({0, 15}), nullptr);
    const ui::Rect row = list_->listTbl()->rectForRowAtIndexPath({0, 15});
    const ui::TableView& table = *list_->listTbl();
    EXPECT_NEAR(row.origin.y + row.size.height / 2,
                table.contentOffset().y + table.frame().size.height / 2, 1)
        << "in the middle";

    // Told once: dropping the detail later does not scroll the list at its next appearance.
    list_->listTbl()->setContentOffset({0, 0}, false);
    detail.reset();
    navigation_->pushViewController(std::make_shared<ui::ViewController>(), false);
    settle();
    navigation_->popViewControllerAnimated(false);
    settle();
    EXPECT_EQ(list_->listTbl()->contentOffset().y, 0);
}

TEST_F(PostListPagesTest, TheMoreRowSaysItIsLoadingUntilThePageComesEvenAfterAReload) {
    open();
    ui::TableView* table = list_->listTbl();
    const auto moreRow = [&](int row) -> std::pair<QString, bool> {
        table->scrollToRowAtIndexPath({0, row}, ui::TableViewScrollPosition::Bottom, false);
        window_->layoutIfNeeded();
        ui::TableViewCell* cell = table->cellForRowAtIndexPath({0, row});
        if (!cell) return {};
        auto* label = dynamic_cast<ui::Label*>(cell->viewWithTag(QXPostList::kMoreLabelTag));
        auto* spinner = dynamic_cast<ui::ActivityIndicatorView*>(
            cell->viewWithTag(QXPostList::kMoreSpinnerTag));
        return {label ? label->text() : QString(), spinner && spinner->isAnimating()};
    };
    EXPECT_EQ(moreRow(20), std::make_pair(QStringLiteral("获取更多信息"), false));
    std::optional<bool> loaded;
    list_->postDetailNewLoadMoreData([&](bool ok) { loaded = ok; });
    EXPECT_EQ(moreRow(20), std::make_pair(QStringLiteral("正在加载..."), true));
    // The list comes back from the detail and reloads its table before the page is in.
    table->reloadData();
    EXPECT_EQ(moreRow(20), std::make_pair(QStringLiteral("正在加载..."), true));
    ASSERT_TRUE(waitFor([&] { return loaded.has_value(); }));
    EXPECT_EQ(moreRow(40), std::make_pair(QStringLiteral("获取更多信息"), false));
}
