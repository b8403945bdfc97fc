#pragma once

#include "platform/uikit/index_path.h"
#include "platform/uikit/scroll_view.h"
#include "platform/uikit/table_view_cell.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

namespace ui {

class TableView;

enum class TableViewStyle { Plain = 0, Grouped = 1 };
enum class TableViewCellSeparatorStyle { None = 0, SingleLine = 1, SingleLineEtched = 2 };
enum class TableViewScrollPosition { None = 0, Top = 1, Middle = 2, Bottom = 3 };
// How rows and sections come and go, as the platform names its animations.
enum class TableViewRowAnimation {
    Fade = 0,
    Right = 1,
    Left = 2,
    Top = 3,
    Bottom = 4,
    None = 5,
    Middle = 6,
    Automatic = 100,
};

// Answers what a table shows. The row count and the cell are required.
class TableViewDataSource {
public:
    virtual ~TableViewDataSource() = default;
    virtual int numberOfSectionsInTableView(TableView&) { return 1; }
    virtual int numberOfRowsInSection(TableView&, int section) = 0;
    // Usually a cell dequeued by its reuse identifier, or a new one.
    virtual std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView&,
                                                                 const IndexPath& indexPath) = 0;
    virtual QString titleForHeaderInSection(TableView&, int section) {
        (void)section;
        return {};
    }
    virtual QString titleForFooterInSection(TableView&, int section) {
        (void)section;
        return {};
    }
    // Rows can be deleted (by swiping or in edit mode) only when this answers
    // true, as on the platform only data sources that commit edits allow it.
    virtual bool canEditRowAtIndexPath(TableView&, const IndexPath& indexPath) {
        (void)indexPath;
        return false;
    }
    virtual void commitEditingStyle(TableView&, TableViewCellEditingStyle style,
                                    const IndexPath& indexPath) {
        (void)style, (void)indexPath;
    }
    // The section index on the right edge; none without titles.
    virtual QStringList sectionIndexTitlesForTableView(TableView&) { return {}; }
    virtual int sectionForSectionIndexTitle(TableView&, const QString& title, int index) {
        (void)title;
        return index;
    }
};

// Hears a table and shapes its rows. Every method is optional; heights that
// answer kAutomaticDimension leave the choice to the table.
class TableViewDelegate : public ScrollViewDelegate {
public:
    static constexpr double kAutomaticDimension = -1;

    virtual double heightForRowAtIndexPath(TableView&, const IndexPath& indexPath) {
        (void)indexPath;
        return kAutomaticDimension;
    }
    virtual double heightForHeaderInSection(TableView&, int section) {
        (void)section;
        return kAutomaticDimension;
    }
    virtual double heightForFooterInSection(TableView&, int section) {
        (void)section;
        return kAutomaticDimension;
    }
    virtual std::shared_ptr<View> viewForHeaderInSection(TableView&, int section) {
        (void)section;
        return nullptr;
    }
    virtual std::shared_ptr<View> viewForFooterInSection(TableView&, int section) {
        (void)section;
        return nullptr;
    }
    virtual void willDisplayCell(TableView&, TableViewCell& cell, const IndexPath& indexPath) {
        (void)cell, (void)indexPath;
    }
    virtual bool shouldHighlightRowAtIndexPath(TableView&, const IndexPath& indexPath) {
        (void)indexPath;
        return true;
    }
    // The row to select instead, or none to select nothing.
    virtual std::optional<IndexPath> willSelectRowAtIndexPath(TableView&,
                                                              const IndexPath& indexPath) {
        return indexPath;
    }
    virtual void didSelectRowAtIndexPath(TableView&, const IndexPath& indexPath) {
        (void)indexPath;
    }
    virtual std::optional<IndexPath> willDeselectRowAtIndexPath(TableView&,
                                                                const IndexPath& indexPath) {
        return indexPath;
    }
    virtual void didDeselectRowAtIndexPath(TableView&, const IndexPath& indexPath) {
        (void)indexPath;
    }
    virtual void accessoryButtonTappedForRowWithIndexPath(TableView&, const IndexPath& indexPath) {
        (void)indexPath;
    }
    virtual TableViewCellEditingStyle editingStyleForRowAtIndexPath(TableView&,
                                                                    const IndexPath& indexPath) {
        (void)indexPath;
        return TableViewCellEditingStyle::Delete;
    }
    virtual QString titleForDeleteConfirmationButtonForRowAtIndexPath(TableView&,
                                                                      const IndexPath& indexPath) {
        (void)indexPath;
        return QStringLiteral("删除");
    }
    virtual void willBeginEditingRowAtIndexPath(TableView&, const IndexPath& indexPath) {
        (void)indexPath;
    }
    virtual void didEndEditingRowAtIndexPath(TableView&, const IndexPath& indexPath) {
        (void)indexPath;
    }
};

// A vertical list of sections of rows, each row a cell. Only the rows on
// screen have cells: cells leaving the screen go to a pool by reuse
// identifier and come back from dequeueReusableCellWithIdentifier. Rows have
// heights of their own; plain tables keep the current section's header at the
// top while its rows scroll under it.
//
// Rows are selected by a tap, deleted by a leftward swipe (or the delete
// control in edit mode) and the confirmation button, inserted and deleted with
// named animations (0.3 s on the clock). Updates whose counts disagree with
// the data source reload the whole table instead of failing.
class TableView : public ScrollView {
public:
    static constexpr double kDefaultRowHeight = 44;
    static constexpr double kPlainHeaderHeight = 22;
    static constexpr double kGroupedHeaderHeight = 35;
    static constexpr double kGroupedFooterHeight = 10;
    static constexpr double kUpdateDuration = 0.3;
    static constexpr double kIndexWidth = 15;

    explicit TableView(const Rect& frame = {}, TableViewStyle style = TableViewStyle::Plain);
    ~TableView() override;

    [[nodiscard]] TableViewStyle style() const { return style_; }
    [[nodiscard]] std::shared_ptr<TableViewDataSource> dataSource() const {
        return dataSource_.lock();
    }
    void setDataSource(std::weak_ptr<TableViewDataSource> dataSource);
    [[nodiscard]] std::shared_ptr<TableViewDelegate> tableDelegate() const {
        return tableDelegate_.lock();
    }
    // Also the scroll view's delegate.
    void setDelegate(std::weak_ptr<TableViewDelegate> delegate);

    [[nodiscard]] double rowHeight() const { return rowHeight_; }
    void setRowHeight(double height);
    [[nodiscard]] double sectionHeaderHeight() const { return sectionHeaderHeight_; }
    void setSectionHeaderHeight(double height);
    [[nodiscard]] double sectionFooterHeight() const { return sectionFooterHeight_; }
    void setSectionFooterHeight(double height);
    [[nodiscard]] TableViewCellSeparatorStyle separatorStyle() const { return separatorStyle_; }
    void setSeparatorStyle(TableViewCellSeparatorStyle style);
    [[nodiscard]] const Color& separatorColor() const { return separatorColor_; }
    void setSeparatorColor(const Color& color);
    [[nodiscard]] const EdgeInsets& separatorInset() const { return separatorInset_; }
    void setSeparatorInset(const EdgeInsets& insets);
    [[nodiscard]] const std::shared_ptr<View>& backgroundView() const { return backgroundView_; }
    void setBackgroundView(std::shared_ptr<View> view);
    [[nodiscard]] const std::shared_ptr<View>& tableHeaderView() const { return headerView_; }
    void setTableHeaderView(std::shared_ptr<View> view);
    [[nodiscard]] const std::shared_ptr<View>& tableFooterView() const { return footerView_; }
    void setTableFooterView(std::shared_ptr<View> view);
    [[nodiscard]] const Color& sectionIndexColor() const { return indexColor_; }
    void setSectionIndexColor(const Color& color);

    // Data.
    void reloadData();
    void reloadSections(const std::set<int>& sections, TableViewRowAnimation animation);
    void reloadRowsAtIndexPaths(const std::vector<IndexPath>& indexPaths,
                                TableViewRowAnimation animation);
    void insertRowsAtIndexPaths(const std::vector<IndexPath>& indexPaths,
                                TableViewRowAnimation animation);
    void deleteRowsAtIndexPaths(const std::vector<IndexPath>& indexPaths,
                                TableViewRowAnimation animation);
    void insertSections(const std::set<int>& sections, TableViewRowAnimation animation);
    void deleteSections(const std::set<int>& sections, TableViewRowAnimation animation);
    // Groups inserts and deletes into one update (deletes name old rows,
    // inserts new ones, as on the platform).
    void beginUpdates();
    void endUpdates();
    [[nodiscard]] int numberOfSections() const { return int(sections_.size()); }
    [[nodiscard]] int numberOfRowsInSection(int section) const;

    // Cells.
    [[nodiscard]] std::shared_ptr<TableViewCell> dequeueReusableCellWithIdentifier(
        const QString& identifier);
    // The cell on screen for a row, or none.
    [[nodiscard]] TableViewCell* cellForRowAtIndexPath(const IndexPath& indexPath);
    [[nodiscard]] std::vector<TableViewCell*> visibleCells();
    [[nodiscard]] std::vector<IndexPath> indexPathsForVisibleRows();
    [[nodiscard]] std::optional<IndexPath> indexPathForCell(const TableViewCell* cell) const;
    [[nodiscard]] std::optional<IndexPath> indexPathForRowAtPoint(Point point) const;
    [[nodiscard]] std::vector<IndexPath> indexPathsForRowsInRect(const Rect& rect) const;
    [[nodiscard]] Rect rectForRowAtIndexPath(const IndexPath& indexPath) const;
    [[nodiscard]] Rect rectForSection(int section) const;
    [[nodiscard]] Rect rectForHeaderInSection(int section) const;
    [[nodiscard]] Rect rectForFooterInSection(int section) const;
    [[nodiscard]] View* headerViewForSection(int section) const;
    [[nodiscard]] View* footerViewForSection(int section) const;
    // How many cells the table holds, on screen and in the pools.
    [[nodiscard]] std::size_t cellCount() const;

    // Selection.
    [[nodiscard]] bool allowsSelection() const { return allowsSelection_; }
    void setAllowsSelection(bool allows) { allowsSelection_ = allows; }
    [[nodiscard]] bool allowsMultipleSelection() const { return allowsMultipleSelection_; }
    void setAllowsMultipleSelection(bool allows) { allowsMultipleSelection_ = allows; }
    [[nodiscard]] bool allowsSelectionDuringEditing() const { return selectDuringEditing_; }
    void setAllowsSelectionDuringEditing(bool allows) { selectDuringEditing_ = allows; }
    [[nodiscard]] std::optional<IndexPath> indexPathForSelectedRow() const;
    [[nodiscard]] std::vector<IndexPath> indexPathsForSelectedRows() const;
    // By program: the delegate is not told.
    void selectRowAtIndexPath(const std::optional<IndexPath>& indexPath, bool animated,
                              TableViewScrollPosition position);
    void deselectRowAtIndexPath(const IndexPath& indexPath, bool animated);
    void scrollToRowAtIndexPath(const IndexPath& indexPath, TableViewScrollPosition position,
                                bool animated);
    void scrollToNearestSelectedRowAtScrollPosition(TableViewScrollPosition position,
                                                    bool animated);

    // Editing.
    [[nodiscard]] bool isEditing() const { return editing_; }
    void setEditing(bool editing) { setEditing(editing, false); }
    virtual void setEditing(bool editing, bool animated);
    // The row whose delete confirmation shows, if any.
    [[nodiscard]] std::optional<IndexPath> rowShowingDeleteConfirmation() const;
    // What a leftward swipe over a row does: asks the data source and shows the
    // confirmation button; false when the row cannot be deleted.
    bool beginSwipeToDelete(const IndexPath& indexPath);

    void layoutSubviews() override;
    void touchesBegan(const TouchSet& touches, const Event* event) override;
    void touchesMoved(const TouchSet& touches, const Event* event) override;
    void touchesEnded(const TouchSet& touches, const Event* event) override;
    void touchesCancelled(const TouchSet& touches, const Event* event) override;

protected:
    void handlePan(PanGestureRecognizer& pan) override;
    [[nodiscard]] bool panShouldBegin(Point translation) override;

private:
    class IndexBar;
    struct Section {
        double top = 0;
        double headerHeight = 0;
        double footerHeight = 0;
        int rows = 0;
        // Tops of the rows (relative to the table) and one more: the rows' end.
        std::vector<double> rowTops;
        // The rows' heights as the delegate gave them.
        std::vector<double> rowHeights;
        QString headerTitle;
        QString footerTitle;
        [[nodiscard]] double rowsTop() const { return top + headerHeight; }
        [[nodiscard]] double rowsBottom() const {
            return rowTops.empty() ? rowsTop() : rowTops.back();
        }
        [[nodiscard]] double bottom() const { return rowsBottom() + footerHeight; }
    };
    struct Update {
        std::set<IndexPath> deletedRows;
        std::set<IndexPath> insertedRows;
        std::set<int> deletedSections;
        std::set<int> insertedSections;
        std::set<IndexPath> reloadedRows;
        TableViewRowAnimation animation = TableViewRowAnimation::Automatic;
    };

    // Lays the sections out, asking the delegate for every row's height, or, with
    // `keptHeights` (by section, then row; NaN for rows to ask), only for the rows without one.
    void rebuildGeometry(const std::vector<std::vector<double>>& keptHeights = {});
    // The heights of the rows an update keeps, at their new places: the update asks only for
    // the rows it inserts or reloads.
    [[nodiscard]] std::vector<std::vector<double>> keptRowHeights(const Update& update,
                                                                  int newSections) const;
    // Applies a change with its animation at once or, between beginUpdates and endUpdates, adds
    // it to the batch, which then animates as the change does.
    void recordUpdate(TableViewRowAnimation animation, const std::function<void(Update&)>& change);
    void applyUpdate(const Update& update);
    [[nodiscard]] std::optional<IndexPath> mapThroughUpdate(const IndexPath& old,
                                                            const Update& update) const;
    [[nodiscard]] double rowHeightFor(const IndexPath& indexPath);
    void updateVisibleCells();
    void layoutHeadersAndFooters();
    void configureCell(TableViewCell& cell, const IndexPath& indexPath);
    void enqueue(const std::shared_ptr<TableViewCell>& cell);
    void recycleAllCells();
    void tapRow(const IndexPath& indexPath);
    void showDeleteConfirmation(const IndexPath& indexPath);
    void endSwipeToDelete();
    void commitDelete(const IndexPath& indexPath);
    void updateIndexBar();
    [[nodiscard]] bool isValid(const IndexPath& indexPath) const;
    [[nodiscard]] double contentHeight() const;
    [[nodiscard]] std::shared_ptr<View> makeHeaderFooter(int section, bool header);

    TableViewStyle style_;
    std::weak_ptr<TableViewDataSource> dataSource_;
    std::weak_ptr<TableViewDelegate> tableDelegate_;
    std::vector<Section> sections_;
    std::map<IndexPath, std::shared_ptr<TableViewCell>> visible_;
    std::map<QString, std::vector<std::shared_ptr<TableViewCell>>> pools_;
    std::map<int, std::shared_ptr<View>> headers_;
    std::map<int, std::shared_ptr<View>> footers_;
    std::set<IndexPath> selected_;
    std::shared_ptr<View> backgroundView_;
    std::shared_ptr<View> headerView_;
    std::shared_ptr<View> footerView_;
    std::shared_ptr<IndexBar> indexBar_;
    std::optional<Update> pendingUpdate_;
    int updateDepth_ = 0;
    double rowHeight_ = kDefaultRowHeight;
    double sectionHeaderHeight_;
    double sectionFooterHeight_;
    TableViewCellSeparatorStyle separatorStyle_ = TableViewCellSeparatorStyle::SingleLine;
    Color separatorColor_ = Color::colorWithWhite(0.78);
    EdgeInsets separatorInset_{0, TableViewCell::kMargin, 0, 0};
    Color indexColor_;
    // The row under a finger that may become a tap.
    std::optional<IndexPath> touchedRow_;
    Point touchStart_;
    std::optional<IndexPath> confirming_;
    std::optional<IndexPath> swipeRow_;
    bool swiping_ = false;
    bool editing_ = false;
    bool editingBySwipe_ = false;
    bool allowsSelection_ = true;
    bool allowsMultipleSelection_ = false;
    bool selectDuringEditing_ = false;
    bool geometryValid_ = false;
    bool dataLoaded_ = false;
};

}  // namespace ui
