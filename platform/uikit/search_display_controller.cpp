#include "platform/uikit/search_display_controller.h"

#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/search_bar.h"
#include "platform/uikit/table_view.h"
#include "platform/uikit/view_controller.h"

namespace ui {

namespace {

// Dims the screen under an active search; a tap on it ends the search.
class DimmingView : public View {
public:
    explicit DimmingView(SearchBar& bar) : bar_(bar) {
        setBackgroundColor(Color::colorWithWhite(0, 0.4));
    }
    void touchesBegan(const TouchSet&, const Event*) override {}
    void touchesEnded(const TouchSet&, const Event*) override { bar_.cancel(); }

private:
    SearchBar& bar_;
};

}  // namespace

SearchDisplayController::SearchDisplayController(std::shared_ptr<SearchBar> searchBar,
                                                 std::shared_ptr<ViewController> contentsController)
    : searchBar_(std::move(searchBar)), contents_(contentsController) {
    if (searchBar_) searchBar_->setDisplayController(this);
}

SearchDisplayController::~SearchDisplayController() {
    if (searchBar_) searchBar_->setDisplayController(nullptr);
    if (results_) results_->removeFromSuperview();
    if (dimming_) dimming_->removeFromSuperview();
}

TableView* SearchDisplayController::searchResultsTableView() {
    if (!results_) {
        results_ = std::make_shared<TableView>(Rect(), TableViewStyle::Plain);
        results_->setDataSource(resultsDataSource_);
        results_->setDelegate(resultsDelegate_);
        if (auto delegate = delegate_.lock())
            delegate->didLoadSearchResultsTableView(*this, *results_);
    }
    return results_.get();
}

void SearchDisplayController::setSearchResultsDataSource(
    std::weak_ptr<TableViewDataSource> dataSource) {
    resultsDataSource_ = std::move(dataSource);
    if (results_) results_->setDataSource(resultsDataSource_);
}

void SearchDisplayController::setSearchResultsDelegate(std::weak_ptr<TableViewDelegate> delegate) {
    resultsDelegate_ = std::move(delegate);
    if (results_) results_->setDelegate(resultsDelegate_);
}

Rect SearchDisplayController::coveredArea(View& contents) const {
    const Rect all = contents.bounds();
    if (!searchBar_ || !searchBar_->isDescendantOfView(&contents)) return all;
    const Rect bar = searchBar_->convertRectToView(searchBar_->bounds(), &contents);
    return Rect(all.origin.x, bar.maxY(), all.size.width, std::max(0.0, all.maxY() - bar.maxY()));
}

void SearchDisplayController::setActive(bool active, bool animated) {
    if (active == active_ || !searchBar_) return;
    auto delegate = delegate_.lock();
    auto contents = contents_.lock();
    NavigationController* navigation = contents ? contents->navigationController() : nullptr;
    if (active) {
        if (delegate) delegate->searchDisplayControllerWillBeginSearch(*this);
        active_ = true;
        if (navigation && !navigation->isNavigationBarHidden()) {
            navigation->setNavigationBarHidden(true, animated);
            navigation->view()->layoutIfNeeded();
            hidNavigationBar_ = true;
        }
        searchBar_->setShowsCancelButton(true, animated);
        if (contents) {
            dimming_ = std::make_shared<DimmingView>(*searchBar_);
            dimming_->setFrame(coveredArea(*contents->view()));
            contents->view()->addSubview(dimming_);
        }
        if (!searchBar_->isEditing()) searchBar_->becomeFirstResponder();
        if (!searchBar_->text().isEmpty()) updateResults(searchBar_->text());
        if (delegate) delegate->searchDisplayControllerDidBeginSearch(*this);
        return;
    }
    if (delegate) delegate->searchDisplayControllerWillEndSearch(*this);
    active_ = false;
    searchBar_->setText(QString());
    searchBar_->resignFirstResponder();
    searchBar_->setShowsCancelButton(false, animated);
    if (dimming_) dimming_->removeFromSuperview();
    dimming_.reset();
    if (results_ && results_->superview()) {
        results_->removeFromSuperview();
        if (delegate) delegate->didHideSearchResultsTableView(*this, *results_);
    }
    if (hidNavigationBar_ && navigation) navigation->setNavigationBarHidden(false, animated);
    hidNavigationBar_ = false;
    if (delegate) delegate->searchDisplayControllerDidEndSearch(*this);
}

void SearchDisplayController::searchBarDidBeginEditing() {
    setActive(true, true);
}

void SearchDisplayController::searchTextDidChange(const QString& text) {
    updateResults(text);
}

void SearchDisplayController::searchBarCancelled() {
    setActive(false, true);
}

void SearchDisplayController::updateResults(const QString& text) {
    if (!active_) return;
    auto delegate = delegate_.lock();
    TableView* table = searchResultsTableView();
    if (text.isEmpty()) {
        if (table->superview()) {
            table->removeFromSuperview();
            if (delegate) delegate->didHideSearchResultsTableView(*this, *table);
        }
        return;
    }
    const bool reload = !delegate || delegate->shouldReloadTableForSearchString(*this, text);
    auto contents = contents_.lock();
    if (!table->superview() && contents) {
        if (delegate) delegate->willShowSearchResultsTableView(*this, *table);
        table->setFrame(coveredArea(*contents->view()));
        contents->view()->addSubview(results_);
    }
    if (reload) table->reloadData();
}

}  // namespace ui
