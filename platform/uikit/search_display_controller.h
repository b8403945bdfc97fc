#pragma once

#include "platform/uikit/geometry.h"

#include <QString>

#include <memory>

namespace ui {

class SearchBar;
class SearchDisplayController;
class TableView;
class TableViewDataSource;
class TableViewDelegate;
class View;
class ViewController;

// Hears a search display controller. Every method is optional.
class SearchDisplayDelegate {
public:
    virtual ~SearchDisplayDelegate() = default;
    virtual void searchDisplayControllerWillBeginSearch(SearchDisplayController&) {}
    virtual void searchDisplayControllerDidBeginSearch(SearchDisplayController&) {}
    virtual void searchDisplayControllerWillEndSearch(SearchDisplayController&) {}
    virtual void searchDisplayControllerDidEndSearch(SearchDisplayController&) {}
    // Whether the results table reloads for the new search text.
    virtual bool shouldReloadTableForSearchString(SearchDisplayController&, const QString& text) {
        (void)text;
        return true;
    }
    virtual void didLoadSearchResultsTableView(SearchDisplayController&, TableView&) {}
    virtual void willShowSearchResultsTableView(SearchDisplayController&, TableView&) {}
    virtual void didHideSearchResultsTableView(SearchDisplayController&, TableView&) {}
};

// Runs a search over a screen: when its search bar starts editing it becomes
// active (the navigation bar hides, the bar shows its cancel button, the
// screen dims); while there is text, a results table covers the screen under
// the bar, reloaded for each new text when the delegate agrees; cancel ends
// it all.
class SearchDisplayController {
public:
    SearchDisplayController(std::shared_ptr<SearchBar> searchBar,
                            std::shared_ptr<ViewController> contentsController);
    ~SearchDisplayController();
    SearchDisplayController(const SearchDisplayController&) = delete;
    SearchDisplayController& operator=(const SearchDisplayController&) = delete;

    [[nodiscard]] SearchBar* searchBar() const { return searchBar_.get(); }
    [[nodiscard]] std::shared_ptr<ViewController> searchContentsController() const {
        return contents_.lock();
    }
    // Made on first use.
    [[nodiscard]] TableView* searchResultsTableView();
    void setSearchResultsDataSource(std::weak_ptr<TableViewDataSource> dataSource);
    void setSearchResultsDelegate(std::weak_ptr<TableViewDelegate> delegate);
    [[nodiscard]] std::shared_ptr<SearchDisplayDelegate> delegate() const {
        return delegate_.lock();
    }
    void setDelegate(std::weak_ptr<SearchDisplayDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    [[nodiscard]] bool isActive() const { return active_; }
    void setActive(bool active, bool animated = false);

private:
    friend class SearchBar;
    void searchBarDidBeginEditing();
    void searchTextDidChange(const QString& text);
    void searchBarCancelled();
    void updateResults(const QString& text);
    [[nodiscard]] Rect coveredArea(View& contents) const;

    std::shared_ptr<SearchBar> searchBar_;
    std::weak_ptr<ViewController> contents_;
    std::weak_ptr<SearchDisplayDelegate> delegate_;
    std::weak_ptr<TableViewDataSource> resultsDataSource_;
    std::weak_ptr<TableViewDelegate> resultsDelegate_;
    std::shared_ptr<TableView> results_;
    std::shared_ptr<View> dimming_;
    bool active_ = false;
    bool hidNavigationBar_ = false;
};

}  // namespace ui
