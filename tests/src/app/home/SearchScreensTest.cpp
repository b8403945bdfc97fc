// The keyword search as a person reaches it in the app: from the home screen's magnifier to
// the search entry, its history and suggestions, the results with their counts and bar, and
// the post list's own search field; each state against its reference picture.
#include "../AppShellFixture.h"

#include "app/QXTabBarController.h"
#include "app/XXNavigationController.h"
#include "houses/list/QXPostList.h"
#include "houses/query/SearchHistory.h"
#include "houses/search/SearchListViewController.h"
#include "houses/search/SearchViewController.h"
#include "houses/shared/QXPostListCell.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/table_view_cell.h"
#include "ui/image/UIImageView+NetKit.h"

#include "ReferenceImage.h"

class SearchScreensTest : public AppShellFixture {
protected:
    void SetUp() override {
        AppShellFixture::SetUp();
        SearchHistory::record(QStringLiteral("采光好"));
        SearchHistory::record(QStringLiteral("近地铁"));
        // The one-time trusted-house banner would cover the rows.
        defaults().setObject(QStringLiteral("1"), QStringLiteral("fangXinFangFlag"));
        launchAfterGuide();
    }
    [[nodiscard]] XXNavigationController& homeStack() {
        return static_cast<XXNavigationController&>(
            *app().tabBarController()->viewControllers().at(0));
    }
    // Lets the clock and the loop run until `done`, a tenth of a second at a time.
    bool settleUntil(const std::function<bool()>& done) {
        const bool ok = runUntilAnswered([&] { return done() && !homeStack().isTransitioning(); },
                                         [&] { driver().wait(0.1); });
        driver().wait(1);
        return ok;
    }
    // Every thumbnail the table shows is its downloaded picture, not the placeholder.
    static bool thumbnailsShown(ui::TableView& table) {
        for (ui::TableViewCell* cell : table.visibleCells()) {
            auto* row = dynamic_cast<QXPostListCell*>(cell);
            if (!row || !row->content()) continue;
            const QString url = row->content()->value("image").toString();
            if (url.isEmpty()) continue;
            // As the cache keeps it for the row's picture view, 62 x 46 points at scale 2.
            const auto cached = ImageViewNetKit::nk_sharedImageCache().cachedImageForRequest(
                ns::URLRequest(QUrl(url)), QSize(124, 92));
            const auto shown = row->thumbnailView()->image();
            if (!cached || !shown || shown->pixels() != cached->pixels()) return false;
        }
        return true;
    }
    bool matches(const char* name) {
        return matchesReferenceImage(driver().screenshot(2)->pixels(), "src/app/home/reference",
                                     QString::fromLatin1(name));
    }
};

TEST_F(SearchScreensTest, FromTheHomeScreenToTheResults) {
    ASSERT_TRUE(driver().tap(driver().findByAccessibilityLabel(QStringLiteral("搜索"))));
    std::shared_ptr<SearchViewController> entry;
    ASSERT_TRUE(settleUntil([&] {
        entry = std::dynamic_pointer_cast<SearchViewController>(homeStack().topViewController());
        return entry && entry->mainTField()->isFirstResponder();
    }));
    EXPECT_TRUE(matches("search_entry_history.png"));

    ASSERT_TRUE(driver().type(QStringLiteral("地铁")));
    ASSERT_TRUE(settleUntil([&] { return !entry->resultArray().isEmpty(); }));
    EXPECT_TRUE(matches("search_entry_suggestions.png"));

    entry->mainTField()->setText(QStringLiteral("近地铁"));
    ASSERT_TRUE(driver().pressReturn());
    std::shared_ptr<SearchListViewController> results;
    ASSERT_TRUE(settleUntil([&] {
        results =
            std::dynamic_pointer_cast<SearchListViewController>(homeStack().topViewController());
        return results && results->quickFilterView() && !results->loadingShown() &&
               !results->isLoading() && thumbnailsShown(*results->mainTbl());
    }));
    EXPECT_TRUE(matches("search_results.png"));
    ASSERT_TRUE(driver().tap(results->quickFilterView()->button(0)));
    ASSERT_TRUE(settleUntil([] { return true; }));
    EXPECT_TRUE(matches("search_results_counts.png"));
}

TEST_F(SearchScreensTest, ThePostListsOwnSearchField) {
    ASSERT_TRUE(driver().tapText(QStringLiteral("好房子")));
    std::shared_ptr<QXPostList> list;
    ASSERT_TRUE(settleUntil([&] {
        list = std::dynamic_pointer_cast<QXPostList>(homeStack().topViewController());
        return list && list->paging().nowListNum > 0 && thumbnailsShown(*list->listTbl());
    }));
    ASSERT_TRUE(driver().tap(driver().findByAccessibilityLabel(QStringLiteral("搜索"))));
    ASSERT_TRUE(settleUntil([&] { return list->isSearching(); }));
    EXPECT_TRUE(matches("list_search_history.png"));
}
