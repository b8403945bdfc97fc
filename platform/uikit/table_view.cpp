#include "platform/uikit/table_view.h"

#include "platform/uikit/button.h"
#include "platform/uikit/event.h"
#include "platform/uikit/graphics_context.h"
#include "platform/uikit/label.h"
#include "platform/uikit/pan_gesture_recognizer.h"
#include "platform/uikit/string_drawing.h"
#include "platform/uikit/touch.h"

#include <QDebug>

#include <algorithm>
#include <cmath>

namespace ui {

namespace {

constexpr double kTapSlop = 10;        // points a finger may move and still tap a row
constexpr double kSwipeDistance = 20;  // points leftwards that show the delete button
constexpr double kGroupedGap = 10;

int countBelow(const std::set<int>& values, int limit) {
    return int(std::distance(values.begin(), values.lower_bound(limit)));
}

// Where an old section goes once `deleted` old sections and `inserted` new ones are applied.
int mapSection(int section, const std::set<int>& deleted, const std::set<int>& inserted) {
    section -= countBelow(deleted, section);
    for (int added : inserted) {
        if (added <= section) ++section;
    }
    return section;
}

}  // namespace

// The section index along the right edge: a touch on a title scrolls to its section.
class TableView::IndexBar : public View {
public:
    explicit IndexBar(TableView& table) : table_(table) {
        setBackgroundColor(Color::clearColor());
        setContentMode(ContentMode::Redraw);
    }

    void setTitles(const QStringList& titles) {
        titles_ = titles;
        setNeedsDisplay();
    }
    [[nodiscard]] const QStringList& titles() const { return titles_; }

    void drawRect(const Rect&) override {
        GraphicsContext* context = GraphicsContext::current();
        if (!context || titles_.isEmpty()) return;
        const Font font = Font::boldSystemFontOfSize(11);
        const double line = font.lineHeight();
        const double top = std::max(0.0, (bounds().size.height - line * titles_.size()) / 2);
        context->setFillColor(table_.sectionIndexColor().isValid()
                                  ? table_.sectionIndexColor()
                                  : Color::colorWithRed(0, 0.478, 1));
        for (int i = 0; i < titles_.size(); ++i) {
            StringDrawing::drawInRect(titles_[i],
                                      Rect(0, top + i * line, bounds().size.width, line), font,
                                      LineBreakMode::Clip, TextAlignment::Center);
        }
    }

    void touchesBegan(const TouchSet& touches, const Event*) override { jump(touches); }
    void touchesMoved(const TouchSet& touches, const Event*) override { jump(touches); }
    void touchesEnded(const TouchSet&, const Event*) override {}
    void touchesCancelled(const TouchSet&, const Event*) override {}

private:
    void jump(const TouchSet& touches) {
        if (touches.empty() || titles_.isEmpty()) return;
        const double y = (*touches.begin())->locationInView(this).y;
        const double line = Font::boldSystemFontOfSize(11).lineHeight();
        const double top = std::max(0.0, (bounds().size.height - line * titles_.size()) / 2);
        const int index = std::clamp(int((y - top) / line), 0, int(titles_.size()) - 1);
        auto dataSource = table_.dataSource();
        if (!dataSource) return;
        const int section = dataSource->sectionForSectionIndexTitle(table_, titles_[index], index);
        if (section < 0 || section >= table_.numberOfSections()) return;
        const Rect rect = table_.rectForSection(section);
        Point offset(table_.contentOffset().x, rect.origin.y - table_.contentInset().top);
        offset.y = std::min(offset.y, table_.maximumContentOffset().y);
        table_.setContentOffset(offset);
    }

    TableView& table_;
    QStringList titles_;
};

TableView::TableView(const Rect& frame, TableViewStyle style)
    : ScrollView(frame),
      style_(style),
      sectionHeaderHeight_(style == TableViewStyle::Plain ? kPlainHeaderHeight
                                                          : kGroupedHeaderHeight),
      sectionFooterHeight_(style == TableViewStyle::Plain ? kPlainHeaderHeight
                                                          : kGroupedFooterHeight) {
    setAlwaysBounceVertical(true);
    setBackgroundColor(style == TableViewStyle::Plain ? Color::whiteColor()
                                                      : Color::groupTableViewBackgroundColor());
}

TableView::~TableView() = default;

void TableView::setDataSource(std::weak_ptr<TableViewDataSource> dataSource) {
    dataSource_ = std::move(dataSource);
    dataLoaded_ = false;
    setNeedsLayout();
}

void TableView::setDelegate(std::weak_ptr<TableViewDelegate> delegate) {
    tableDelegate_ = delegate;
    ScrollView::setDelegate(std::weak_ptr<ScrollViewDelegate>(delegate.lock()));
    geometryValid_ = false;
    setNeedsLayout();
}

void TableView::setRowHeight(double height) {
    rowHeight_ = height;
    geometryValid_ = false;
    setNeedsLayout();
}

void TableView::setSectionHeaderHeight(double height) {
    sectionHeaderHeight_ = height;
    geometryValid_ = false;
    setNeedsLayout();
}

void TableView::setSectionFooterHeight(double height) {
    sectionFooterHeight_ = height;
    geometryValid_ = false;
    setNeedsLayout();
}

void TableView::setSeparatorStyle(TableViewCellSeparatorStyle style) {
    separatorStyle_ = style;
    for (const auto& [indexPath, cell] : visible_) configureCell(*cell, indexPath);
}

void TableView::setSeparatorColor(const Color& color) {
    separatorColor_ = color;
    for (const auto& [indexPath, cell] : visible_) configureCell(*cell, indexPath);
}

void TableView::setSeparatorInset(const EdgeInsets& insets) {
    separatorInset_ = insets;
    for (const auto& [indexPath, cell] : visible_) configureCell(*cell, indexPath);
}

void TableView::setBackgroundView(std::shared_ptr<View> view) {
    if (backgroundView_) backgroundView_->removeFromSuperview();
    backgroundView_ = std::move(view);
    if (backgroundView_) {
        backgroundView_->setUserInteractionEnabled(false);
        insertSubviewAtIndex(backgroundView_, 0);
    }
    setNeedsLayout();
}

void TableView::setTableHeaderView(std::shared_ptr<View> view) {
    if (headerView_) headerView_->removeFromSuperview();
    headerView_ = std::move(view);
    if (headerView_) addSubview(headerView_);
    geometryValid_ = false;
    setNeedsLayout();
}

void TableView::setTableFooterView(std::shared_ptr<View> view) {
    if (footerView_) footerView_->removeFromSuperview();
    footerView_ = std::move(view);
    if (footerView_) addSubview(footerView_);
    geometryValid_ = false;
    setNeedsLayout();
}

void TableView::setSectionIndexColor(const Color& color) {
    indexColor_ = color;
    if (indexBar_) indexBar_->setNeedsDisplay();
}

// --- Geometry -------------------------------------------------------------

double TableView::rowHeightFor(const IndexPath& indexPath) {
    if (auto delegate = tableDelegate_.lock()) {
        const double height = delegate->heightForRowAtIndexPath(*this, indexPath);
        if (height >= 0) return height;
    }
    return rowHeight_;
}

void TableView::rebuildGeometry(const std::vector<std::vector<double>>& keptHeights) {
    geometryValid_ = true;
    auto dataSource = dataSource_.lock();
    auto delegate = tableDelegate_.lock();
    const int count = dataSource ? std::max(0, dataSource->numberOfSectionsInTableView(*this)) : 0;
    const bool plain = style_ == TableViewStyle::Plain;
    std::vector<Section> sections(static_cast<std::size_t>(count));
    double y = headerView_ ? headerView_->frame().size.height : 0;
    for (int s = 0; s < count; ++s) {
        Section& section = sections[std::size_t(s)];
        section.top = y;
        section.rows = std::max(0, dataSource->numberOfRowsInSection(*this, s));
        section.headerTitle = dataSource->titleForHeaderInSection(*this, s);
        section.footerTitle = dataSource->titleForFooterInSection(*this, s);
        double header = delegate ? delegate->heightForHeaderInSection(*this, s) : -1;
        if (header < 0) {
            const bool hasHeader = !section.headerTitle.isEmpty() ||
                                   (delegate && delegate->viewForHeaderInSection(*this, s));
            header = plain ? (hasHeader ? sectionHeaderHeight_ : 0)
                           : (hasHeader || s == 0 ? sectionHeaderHeight_ : kGroupedGap);
        }
        section.headerHeight = header;
        y += header;
        section.rowTops.reserve(std::size_t(section.rows) + 1);
        section.rowHeights.reserve(std::size_t(section.rows));
        const std::vector<double>* kept =
            std::size_t(s) < keptHeights.size() ? &keptHeights[std::size_t(s)] : nullptr;
        for (int r = 0; r < section.rows; ++r) {
            double height =
                kept && std::size_t(r) < kept->size() ? (*kept)[std::size_t(r)] : std::nan("");
            if (std::isnan(height)) height = rowHeightFor({s, r});
            section.rowTops.push_back(y);
            section.rowHeights.push_back(height);
            y += height;
        }
        section.rowTops.push_back(y);
        double footer = delegate ? delegate->heightForFooterInSection(*this, s) : -1;
        if (footer < 0) {
            const bool hasFooter = !section.footerTitle.isEmpty() ||
                                   (delegate && delegate->viewForFooterInSection(*this, s));
            footer = plain ? (hasFooter ? sectionFooterHeight_ : 0)
                           : (hasFooter ? sectionFooterHeight_ + kGroupedGap : kGroupedGap);
        }
        section.footerHeight = footer;
        y += footer;
    }
    sections_ = std::move(sections);
    setContentSize(Size(bounds().size.width, contentHeight()));
}

std::vector<std::vector<double>> TableView::keptRowHeights(const Update& update,
                                                           int newSections) const {
    std::vector<std::vector<double>> kept(std::size_t(std::max(0, newSections)));
    for (int s = 0; s < numberOfSections(); ++s) {
        if (update.deletedSections.contains(s)) continue;
        const int ns = mapSection(s, update.deletedSections, update.insertedSections);
        if (ns < 0 || ns >= newSections) continue;
        const Section& old = sections_[std::size_t(s)];
        // The changes of the section in row order: rows leave by their old places and come
        // by their new ones.
        auto deleted = update.deletedRows.lower_bound({s, 0});
        auto reloaded = update.reloadedRows.lower_bound({s, 0});
        auto inserted = update.insertedRows.lower_bound({ns, 0});
        std::vector<double>& heights = kept[std::size_t(ns)];
        int oldRow = 0;
        for (int row = 0;; ++row) {
            if (inserted != update.insertedRows.end() && *inserted == IndexPath(ns, row)) {
                heights.push_back(std::nan(""));
                ++inserted;
                continue;
            }
            while (deleted != update.deletedRows.end() && *deleted == IndexPath(s, oldRow)) {
                ++deleted;
                ++oldRow;
            }
            if (oldRow >= old.rows) break;
            const bool reload =
                reloaded != update.reloadedRows.end() && *reloaded == IndexPath(s, oldRow);
            if (reload) ++reloaded;
            heights.push_back(reload ? std::nan("") : old.rowHeights[std::size_t(oldRow)]);
            ++oldRow;
        }
    }
    return kept;
}

double TableView::contentHeight() const {
    double height = sections_.empty() ? (headerView_ ? headerView_->frame().size.height : 0)
                                      : sections_.back().bottom();
    if (footerView_) height += footerView_->frame().size.height;
    return height;
}

int TableView::numberOfRowsInSection(int section) const {
    return section >= 0 && section < numberOfSections() ? sections_[std::size_t(section)].rows : 0;
}

bool TableView::isValid(const IndexPath& indexPath) const {
    return indexPath.section >= 0 && indexPath.section < numberOfSections() && indexPath.row >= 0 &&
           indexPath.row < sections_[std::size_t(indexPath.section)].rows;
}

Rect TableView::rectForRowAtIndexPath(const IndexPath& indexPath) const {
    if (!isValid(indexPath)) return Rect();
    const Section& section = sections_[std::size_t(indexPath.section)];
    const double top = section.rowTops[std::size_t(indexPath.row)];
    return Rect(0, top, bounds().size.width, section.rowTops[std::size_t(indexPath.row) + 1] - top);
}

Rect TableView::rectForSection(int section) const {
    if (section < 0 || section >= numberOfSections()) return Rect();
    const Section& s = sections_[std::size_t(section)];
    return Rect(0, s.top, bounds().size.width, s.bottom() - s.top);
}

Rect TableView::rectForHeaderInSection(int section) const {
    if (section < 0 || section >= numberOfSections()) return Rect();
    const Section& s = sections_[std::size_t(section)];
    return Rect(0, s.top, bounds().size.width, s.headerHeight);
}

Rect TableView::rectForFooterInSection(int section) const {
    if (section < 0 || section >= numberOfSections()) return Rect();
    const Section& s = sections_[std::size_t(section)];
    return Rect(0, s.rowsBottom(), bounds().size.width, s.footerHeight);
}

std::vector<IndexPath> TableView::indexPathsForRowsInRect(const Rect& rect) const {
    std::vector<IndexPath> found;
    const double top = rect.minY();
    const double bottom = rect.maxY();
    for (int s = 0; s < numberOfSections(); ++s) {
        const Section& section = sections_[std::size_t(s)];
        if (section.rowsBottom() <= top || section.rows == 0) continue;
        if (section.rowsTop() >= bottom) break;
        // The first row that ends below the top.
        const auto& tops = section.rowTops;
        auto first = std::upper_bound(tops.begin() + 1, tops.end(), top);
        for (auto it = first; it != tops.end(); ++it) {
            const double rowTop = *(it - 1);
            if (rowTop >= bottom) break;
            if (*it > rowTop || rowTop >= top) {
                found.emplace_back(s, int(it - tops.begin()) - 1);
            }
        }
    }
    return found;
}

std::optional<IndexPath> TableView::indexPathForRowAtPoint(Point point) const {
    if (point.x < 0 || point.x >= bounds().size.width) return std::nullopt;
    for (const IndexPath& indexPath : indexPathsForRowsInRect(Rect(0, point.y, 1, 0.001))) {
        if (rectForRowAtIndexPath(indexPath).contains(Point(0, point.y))) return indexPath;
    }
    return std::nullopt;
}

// --- Cells ----------------------------------------------------------------

std::shared_ptr<TableViewCell> TableView::dequeueReusableCellWithIdentifier(
    const QString& identifier) {
    auto found = pools_.find(identifier);
    if (found == pools_.end() || found->second.empty()) return nullptr;
    auto cell = std::move(found->second.back());
    found->second.pop_back();
    cell->prepareForReuse();
    return cell;
}

void TableView::enqueue(const std::shared_ptr<TableViewCell>& cell) {
    if (!cell) return;
    if (cell->superview() == this) cell->removeFromSuperview();
    cell->setAlpha(1);
    if (!cell->reuseIdentifier().isEmpty()) pools_[cell->reuseIdentifier()].push_back(cell);
}

void TableView::recycleAllCells() {
    for (const auto& [indexPath, cell] : std::map(visible_)) enqueue(cell);
    visible_.clear();
}

std::size_t TableView::cellCount() const {
    std::size_t count = visible_.size();
    for (const auto& [identifier, pool] : pools_) count += pool.size();
    return count;
}

void TableView::configureCell(TableViewCell& cell, const IndexPath& indexPath) {
    cell.setFrame(rectForRowAtIndexPath(indexPath));
    cell.setSelected(selected_.contains(indexPath), false);
    cell.setSeparator(separatorStyle_ != TableViewCellSeparatorStyle::None, separatorColor_,
                      separatorInset_);
    const bool editingShown = editing_ && !editingBySwipe_;
    cell.setEditing(editingShown, false);
    bool control = false;
    if (editingShown) {
        auto dataSource = dataSource_.lock();
        auto delegate = tableDelegate_.lock();
        control = dataSource && dataSource->canEditRowAtIndexPath(*this, indexPath) &&
                  (!delegate || delegate->editingStyleForRowAtIndexPath(*this, indexPath) ==
                                    TableViewCellEditingStyle::Delete);
    }
    std::weak_ptr<TableViewCell> weakCell = cell.weakAs<TableViewCell>();
    cell.setEditingControl(control, [weak = weakAs<TableView>(), weakCell] {
        auto self = weak.lock();
        auto cell = weakCell.lock();
        if (!self || !cell) return;
        if (auto indexPath = self->indexPathForCell(cell.get())) {
            if (self->confirming_ == indexPath) {
                self->endSwipeToDelete();
            } else {
                self->showDeleteConfirmation(*indexPath);
            }
        }
    });
}

void TableView::updateVisibleCells() {
    auto dataSource = dataSource_.lock();
    const auto needed = indexPathsForRowsInRect(bounds());
    // Cells leaving the screen go to the pools first, so that new rows reuse them.
    for (auto it = visible_.begin(); it != visible_.end();) {
        if (!std::binary_search(needed.begin(), needed.end(), it->first)) {
            if (confirming_ == it->first) endSwipeToDelete();
            enqueue(it->second);
            it = visible_.erase(it);
        } else {
            ++it;
        }
    }
    if (!dataSource) return;
    auto delegate = tableDelegate_.lock();
    for (const IndexPath& indexPath : needed) {
        auto found = visible_.find(indexPath);
        if (found != visible_.end()) {
            found->second->setFrame(rectForRowAtIndexPath(indexPath));
            continue;
        }
        auto cell = dataSource->cellForRowAtIndexPath(*this, indexPath);
        if (!cell) {
            qWarning().noquote() << "table data source gave no cell for row"
                                 << indexPath.toString();
            continue;
        }
        configureCell(*cell, indexPath);
        const std::size_t below = backgroundView_ && backgroundView_->superview() == this ? 1 : 0;
        insertSubviewAtIndex(cell, below);
        visible_[indexPath] = cell;
        if (delegate) delegate->willDisplayCell(*this, *cell, indexPath);
    }
}

TableViewCell* TableView::cellForRowAtIndexPath(const IndexPath& indexPath) {
    if (needsLayout()) layoutIfNeeded();
    auto found = visible_.find(indexPath);
    return found == visible_.end() ? nullptr : found->second.get();
}

std::vector<TableViewCell*> TableView::visibleCells() {
    if (needsLayout()) layoutIfNeeded();
    std::vector<TableViewCell*> cells;
    for (const auto& [indexPath, cell] : visible_) cells.push_back(cell.get());
    return cells;
}

std::vector<IndexPath> TableView::indexPathsForVisibleRows() {
    if (needsLayout()) layoutIfNeeded();
    std::vector<IndexPath> rows;
    for (const auto& [indexPath, cell] : visible_) rows.push_back(indexPath);
    return rows;
}

std::optional<IndexPath> TableView::indexPathForCell(const TableViewCell* cell) const {
    for (const auto& [indexPath, shown] : visible_) {
        if (shown.get() == cell) return indexPath;
    }
    return std::nullopt;
}

View* TableView::headerViewForSection(int section) const {
    auto found = headers_.find(section);
    return found == headers_.end() ? nullptr : found->second.get();
}

View* TableView::footerViewForSection(int section) const {
    auto found = footers_.find(section);
    return found == footers_.end() ? nullptr : found->second.get();
}

std::shared_ptr<View> TableView::makeHeaderFooter(int section, bool header) {
    auto delegate = tableDelegate_.lock();
    if (delegate) {
        auto view = header ? delegate->viewForHeaderInSection(*this, section)
                           : delegate->viewForFooterInSection(*this, section);
        if (view) return view;
    }
    const Section& s = sections_[std::size_t(section)];
    const QString& title = header ? s.headerTitle : s.footerTitle;
    if (title.isEmpty()) return nullptr;
    auto view = std::make_shared<View>();
    auto label = std::make_shared<Label>();
    label->setText(title);
    label->setBackgroundColor(Color::clearColor());
    if (style_ == TableViewStyle::Plain) {
        view->setBackgroundColor(Color::colorWithWhite(0.97));
        label->setFont(Font::boldSystemFontOfSize(14));
        label->setTextColor(Color::colorWithWhite(0.2));
    } else {
        view->setBackgroundColor(Color::clearColor());
        label->setFont(Font::systemFontOfSize(14));
        label->setTextColor(Color::colorWithWhite(0.43));
    }
    label->setAutoresizingMask(kAutoresizingFlexibleWidth | kAutoresizingFlexibleHeight);
    view->addSubview(label);
    view->setAssociatedValue("ui.tableHeaderLabel", label);
    return view;
}

void TableView::layoutHeadersAndFooters() {
    const Rect visible = bounds();
    const double width = visible.size.width;
    const bool plain = style_ == TableViewStyle::Plain;
    const double pinnedTop = visible.origin.y + contentInset().top;
    const double pinnedBottom = visible.maxY() - contentInset().bottom;
    for (int s = 0; s < numberOfSections(); ++s) {
        const Section& section = sections_[std::size_t(s)];
        const bool onScreen = section.bottom() > visible.minY() && section.top < visible.maxY();
        for (const bool header : {true, false}) {
            auto& cache = header ? headers_ : footers_;
            const double height = header ? section.headerHeight : section.footerHeight;
            auto found = cache.find(s);
            if (!onScreen || height <= 0) {
                if (found != cache.end() && found->second->superview() == this)
                    found->second->removeFromSuperview();
                continue;
            }
            if (found == cache.end()) found = cache.emplace(s, makeHeaderFooter(s, header)).first;
            const auto& view = found->second;
            if (!view) continue;
            double y = header ? section.top : section.rowsBottom();
            // A plain table keeps the header of the section at the top in view
            // until the section's end pushes it away, and its footer at the bottom in
            // view until the section's start pulls it along.
            if (header && plain) {
                y = std::max(y, std::min(pinnedTop, section.bottom() - height));
            } else if (plain) {
                y = std::max(section.top + section.headerHeight,
                             std::min(y, pinnedBottom - height));
            }
            view->setFrame(Rect(0, y, width, height));
            if (auto* label = view->associated<std::shared_ptr<Label>>("ui.tableHeaderLabel")) {
                const double inset = TableViewCell::kMargin;
                (*label)->setFrame(plain ? Rect(inset, 0, width - 2 * inset, height)
                                         : Rect(inset, std::max(0.0, height - 30),
                                                width - 2 * inset, std::min(height, 30.0)));
            }
            if (view->superview() != this) addSubview(view);
            bringSubviewToFront(view.get());
        }
    }
}

void TableView::updateIndexBar() {
    auto dataSource = dataSource_.lock();
    const QStringList titles =
        dataSource ? dataSource->sectionIndexTitlesForTableView(*this) : QStringList();
    if (titles.isEmpty()) {
        if (indexBar_) indexBar_->removeFromSuperview();
        indexBar_.reset();
        return;
    }
    if (!indexBar_) indexBar_ = std::make_shared<IndexBar>(*this);
    indexBar_->setTitles(titles);
    if (indexBar_->superview() != this) addSubview(indexBar_);
}

void TableView::layoutSubviews() {
    if (!dataLoaded_) reloadData();
    if (!geometryValid_) rebuildGeometry();
    if (contentSize().width != bounds().size.width)
        setContentSize(Size(bounds().size.width, contentHeight()));
    ScrollView::layoutSubviews();
    const Rect visible = bounds();
    if (backgroundView_) backgroundView_->setFrame(visible);
    if (headerView_) {
        headerView_->setFrame(Rect(0, 0, visible.size.width, headerView_->frame().size.height));
    }
    if (footerView_) {
        const double top = sections_.empty() ? (headerView_ ? headerView_->frame().size.height : 0)
                                             : sections_.back().bottom();
        footerView_->setFrame(Rect(0, top, visible.size.width, footerView_->frame().size.height));
    }
    updateVisibleCells();
    layoutHeadersAndFooters();
    if (indexBar_) {
        indexBar_->setFrame(Rect(visible.maxX() - kIndexWidth,
                                 visible.origin.y + contentInset().top, kIndexWidth,
                                 visible.size.height - contentInset().top - contentInset().bottom));
        bringSubviewToFront(indexBar_.get());
    }
}

// --- Data -----------------------------------------------------------------

void TableView::reloadData() {
    const auto keep = sharedView();
    dataLoaded_ = true;
    endSwipeToDelete();
    recycleAllCells();
    for (auto* cache : {&headers_, &footers_}) {
        for (const auto& [section, view] : *cache) {
            if (view && view->superview() == this) view->removeFromSuperview();
        }
        cache->clear();
    }
    selected_.clear();
    pendingUpdate_.reset();
    updateDepth_ = 0;
    rebuildGeometry();
    updateIndexBar();
    setNeedsLayout();
}

void TableView::reloadSections(const std::set<int>& sections, TableViewRowAnimation) {
    if (!dataLoaded_) return reloadData();
    std::vector<IndexPath> rows;
    for (const auto& [indexPath, cell] : visible_) {
        if (sections.contains(indexPath.section)) rows.push_back(indexPath);
    }
    for (int section : sections) {
        for (auto* cache : {&headers_, &footers_}) {
            auto found = cache->find(section);
            if (found == cache->end()) continue;
            if (found->second && found->second->superview() == this)
                found->second->removeFromSuperview();
            cache->erase(found);
        }
    }
    for (const IndexPath& indexPath : rows) {
        enqueue(visible_[indexPath]);
        visible_.erase(indexPath);
    }
    std::erase_if(selected_, [&](const IndexPath& p) { return sections.contains(p.section); });
    rebuildGeometry();
    setNeedsLayout();
}

void TableView::reloadRowsAtIndexPaths(const std::vector<IndexPath>& indexPaths,
                                       TableViewRowAnimation animation) {
    if (updateDepth_ > 0) {
        pendingUpdate_->reloadedRows.insert(indexPaths.begin(), indexPaths.end());
        return;
    }
    Update update;
    update.reloadedRows.insert(indexPaths.begin(), indexPaths.end());
    update.animation = animation;
    applyUpdate(update);
}

void TableView::insertRowsAtIndexPaths(const std::vector<IndexPath>& indexPaths,
                                       TableViewRowAnimation animation) {
    recordUpdate(animation, [&](Update& update) {
        update.insertedRows.insert(indexPaths.begin(), indexPaths.end());
    });
}

void TableView::deleteRowsAtIndexPaths(const std::vector<IndexPath>& indexPaths,
                                       TableViewRowAnimation animation) {
    recordUpdate(animation, [&](Update& update) {
        update.deletedRows.insert(indexPaths.begin(), indexPaths.end());
    });
}

void TableView::insertSections(const std::set<int>& sections, TableViewRowAnimation animation) {
    recordUpdate(animation, [&](Update& update) {
        update.insertedSections.insert(sections.begin(), sections.end());
    });
}

void TableView::deleteSections(const std::set<int>& sections, TableViewRowAnimation animation) {
    recordUpdate(animation, [&](Update& update) {
        update.deletedSections.insert(sections.begin(), sections.end());
    });
}

void TableView::recordUpdate(TableViewRowAnimation animation,
                             const std::function<void(Update&)>& change) {
    if (updateDepth_ > 0) {
        change(*pendingUpdate_);
        pendingUpdate_->animation = animation;
        return;
    }
    Update update;
    change(update);
    update.animation = animation;
    applyUpdate(update);
}

void TableView::beginUpdates() {
    if (updateDepth_++ == 0) pendingUpdate_ = Update{};
}

void TableView::endUpdates() {
    if (updateDepth_ == 0) return;
    if (--updateDepth_ > 0) return;
    const Update update = *pendingUpdate_;
    pendingUpdate_.reset();
    applyUpdate(update);
}

std::optional<IndexPath> TableView::mapThroughUpdate(const IndexPath& old,
                                                     const Update& update) const {
    if (update.deletedSections.contains(old.section) || update.deletedRows.contains(old))
        return std::nullopt;
    const int section = mapSection(old.section, update.deletedSections, update.insertedSections);
    int row = old.row;
    for (const IndexPath& deleted : update.deletedRows) {
        if (deleted.section == old.section && deleted.row < old.row) --row;
    }
    for (const IndexPath& inserted : update.insertedRows) {
        if (inserted.section == section && inserted.row <= row) ++row;
    }
    return IndexPath(section, row);
}

void TableView::applyUpdate(const Update& update) {
    const auto keep = sharedView();
    if (!dataLoaded_ || !geometryValid_) {
        reloadData();
        return;
    }
    auto dataSource = dataSource_.lock();
    if (!dataSource) return;

    // The data source must already hold the new rows: check the counts.
    const int oldSections = numberOfSections();
    const int newSections = std::max(0, dataSource->numberOfSectionsInTableView(*this));
    bool consistent = newSections == oldSections - int(update.deletedSections.size()) +
                                         int(update.insertedSections.size());
    for (int s = 0; consistent && s < oldSections; ++s) {
        if (update.deletedSections.contains(s)) continue;
        const int ns = mapSection(s, update.deletedSections, update.insertedSections);
        const int deleted = int(std::count_if(update.deletedRows.begin(), update.deletedRows.end(),
                                              [&](const IndexPath& p) { return p.section == s; }));
        const int inserted =
            int(std::count_if(update.insertedRows.begin(), update.insertedRows.end(),
                              [&](const IndexPath& p) { return p.section == ns; }));
        const int expected = sections_[std::size_t(s)].rows - deleted + inserted;
        consistent = ns < newSections && dataSource->numberOfRowsInSection(*this, ns) == expected;
    }
    if (!consistent) {
        qWarning().noquote() << "table update disagrees with the data source's counts; reloading";
        reloadData();
        return;
    }

    if (confirming_) {
        const auto mapped = mapThroughUpdate(*confirming_, update);
        if (!mapped) {
            endSwipeToDelete();
        } else {
            confirming_ = mapped;
        }
    }
    std::set<IndexPath> selected;
    for (const IndexPath& indexPath : selected_) {
        if (auto mapped = mapThroughUpdate(indexPath, update)) selected.insert(*mapped);
    }
    selected_ = std::move(selected);
    if (!update.insertedSections.empty() || !update.deletedSections.empty()) {
        for (auto* cache : {&headers_, &footers_}) {
            for (const auto& [section, view] : *cache) {
                if (view && view->superview() == this) view->removeFromSuperview();
            }
            cache->clear();
        }
    }

    rebuildGeometry(keptRowHeights(update, newSections));
    const TableViewRowAnimation animation = update.animation;
    const bool animated = animation != TableViewRowAnimation::None;
    const double width = bounds().size.width;
    std::map<IndexPath, std::shared_ptr<TableViewCell>> kept;
    std::vector<std::pair<std::shared_ptr<TableViewCell>, Rect>> moved;
    std::vector<std::shared_ptr<TableViewCell>> leaving;
    for (const auto& [indexPath, cell] : visible_) {
        auto mapped = mapThroughUpdate(indexPath, update);
        if (!mapped || update.reloadedRows.contains(indexPath)) {
            leaving.push_back(cell);
            continue;
        }
        kept[*mapped] = cell;
        moved.emplace_back(cell, rectForRowAtIndexPath(*mapped));
    }
    visible_ = std::move(kept);
    // A content that shrank under the offset brings the offset back.
    if (!isDragging() && contentOffset().y > maximumContentOffset().y) {
        setContentOffset(Point(contentOffset().x, maximumContentOffset().y));
    }

    if (!animated) {
        for (const auto& cell : leaving) enqueue(cell);
        for (const auto& [cell, frame] : moved) cell->setFrame(frame);
        updateVisibleCells();
        layoutHeadersAndFooters();
        return;
    }
    std::set<TableViewCell*> before;
    for (const auto& [indexPath, cell] : visible_) before.insert(cell.get());
    updateVisibleCells();
    std::vector<TableViewCell*> arriving;
    for (const auto& [indexPath, cell] : visible_) {
        if (!before.contains(cell.get())) arriving.push_back(cell.get());
    }
    // Cells going away stay on top of the others until their animation ends.
    for (const auto& cell : leaving) bringSubviewToFront(cell.get());
    for (TableViewCell* cell : arriving) {
        const Rect final = cell->frame();
        switch (animation) {
            case TableViewRowAnimation::Left:
                cell->setFrame(final.offsetBy(-width, 0));
                break;
            case TableViewRowAnimation::Right:
                cell->setFrame(final.offsetBy(width, 0));
                break;
            default:
                cell->setAlpha(0);
                break;
        }
    }
    View::animateWithDuration(
        kUpdateDuration,
        [&] {
            for (const auto& [cell, frame] : moved) cell->setFrame(frame);
            for (TableViewCell* cell : arriving) {
                cell->setAlpha(1);
                cell->setFrame(rectForRowAtIndexPath(*indexPathForCell(cell)));
            }
            for (const auto& cell : leaving) {
                switch (animation) {
                    case TableViewRowAnimation::Left:
                        cell->setFrame(cell->frame().offsetBy(-width, 0));
                        break;
                    case TableViewRowAnimation::Right:
                        cell->setFrame(cell->frame().offsetBy(width, 0));
                        break;
                    case TableViewRowAnimation::Top:
                    case TableViewRowAnimation::Bottom:
                    case TableViewRowAnimation::Middle: {
                        const Rect frame = cell->frame();
                        const double y = animation == TableViewRowAnimation::Top ? frame.minY()
                                         : animation == TableViewRowAnimation::Bottom
                                             ? frame.maxY()
                                             : frame.midY();
                        cell->setFrame(Rect(frame.origin.x, y, frame.size.width, 0));
                        cell->setAlpha(0);
                        break;
                    }
                    default:
                        cell->setAlpha(0);
                        break;
                }
            }
            layoutHeadersAndFooters();
        },
        [weak = weakAs<TableView>(), leaving](bool) {
            auto self = weak.lock();
            for (const auto& cell : leaving) {
                if (self && cell->superview() == self.get() &&
                    !self->indexPathForCell(cell.get())) {
                    self->enqueue(cell);
                } else if (!self) {
                    cell->removeFromSuperview();
                }
            }
        });
}

// --- Selection ------------------------------------------------------------

std::optional<IndexPath> TableView::indexPathForSelectedRow() const {
    if (selected_.empty()) return std::nullopt;
    return *selected_.begin();
}

std::vector<IndexPath> TableView::indexPathsForSelectedRows() const {
    return {selected_.begin(), selected_.end()};
}

void TableView::selectRowAtIndexPath(const std::optional<IndexPath>& indexPath, bool animated,
                                     TableViewScrollPosition position) {
    if (!indexPath) {
        for (const IndexPath& selected : std::set(selected_))
            deselectRowAtIndexPath(selected, animated);
        return;
    }
    if (!isValid(*indexPath)) return;
    if (!allowsMultipleSelection_) {
        for (const IndexPath& selected : std::set(selected_)) {
            if (selected != *indexPath) deselectRowAtIndexPath(selected, animated);
        }
    }
    selected_.insert(*indexPath);
    if (auto found = visible_.find(*indexPath); found != visible_.end())
        found->second->setSelected(true, animated);
    if (position != TableViewScrollPosition::None)
        scrollToRowAtIndexPath(*indexPath, position, animated);
}

void TableView::deselectRowAtIndexPath(const IndexPath& indexPath, bool animated) {
    selected_.erase(indexPath);
    if (auto found = visible_.find(indexPath); found != visible_.end())
        found->second->setSelected(false, animated);
}

void TableView::scrollToRowAtIndexPath(const IndexPath& indexPath, TableViewScrollPosition position,
                                       bool animated) {
    if (needsLayout()) layoutIfNeeded();
    if (!isValid(indexPath)) return;
    const Rect row = rectForRowAtIndexPath(indexPath);
    const EdgeInsets& inset = contentInset();
    const double viewHeight = bounds().size.height - inset.top - inset.bottom;
    const double viewTop = contentOffset().y + inset.top;
    double y = contentOffset().y;
    if (position == TableViewScrollPosition::None) {
        if (row.minY() < viewTop) {
            position = TableViewScrollPosition::Top;
        } else if (row.maxY() > viewTop + viewHeight) {
            position = TableViewScrollPosition::Bottom;
        }
    }
    switch (position) {
        case TableViewScrollPosition::Top:
            y = row.minY() - inset.top;
            break;
        case TableViewScrollPosition::Middle:
            y = row.midY() - viewHeight / 2 - inset.top;
            break;
        case TableViewScrollPosition::Bottom:
            y = row.maxY() - viewHeight - inset.top;
            break;
        case TableViewScrollPosition::None:
            break;
    }
    y = std::clamp(y, minimumContentOffset().y, maximumContentOffset().y);
    setContentOffset(Point(contentOffset().x, y), animated);
}

void TableView::scrollToNearestSelectedRowAtScrollPosition(TableViewScrollPosition position,
                                                           bool animated) {
    if (auto selected = indexPathForSelectedRow())
        scrollToRowAtIndexPath(*selected, position, animated);
}

void TableView::tapRow(const IndexPath& indexPath) {
    if (editing_ ? !selectDuringEditing_ : !allowsSelection_) return;
    auto delegate = tableDelegate_.lock();
    std::optional<IndexPath> target = indexPath;
    if (delegate) target = delegate->willSelectRowAtIndexPath(*this, indexPath);
    if (!target || !isValid(*target)) return;
    if (allowsMultipleSelection_ && selected_.contains(*target)) {
        std::optional<IndexPath> leaving = *target;
        if (delegate) leaving = delegate->willDeselectRowAtIndexPath(*this, *target);
        if (!leaving) return;
        deselectRowAtIndexPath(*leaving, false);
        if (delegate) delegate->didDeselectRowAtIndexPath(*this, *leaving);
        return;
    }
    if (!allowsMultipleSelection_) {
        for (const IndexPath& old : std::set(selected_)) {
            if (old == *target) continue;
            deselectRowAtIndexPath(old, false);
            if (delegate) delegate->didDeselectRowAtIndexPath(*this, old);
        }
    }
    selected_.insert(*target);
    if (auto found = visible_.find(*target); found != visible_.end())
        found->second->setSelected(true, false);
    if (delegate) delegate->didSelectRowAtIndexPath(*this, *target);
}

void TableView::touchesBegan(const TouchSet& touches, const Event*) {
    if (touches.empty()) return;
    const Point point = (*touches.begin())->locationInView(this);
    touchedRow_.reset();
    // A touch anywhere else while a delete button shows only puts it away.
    if (confirming_) {
        endSwipeToDelete();
        return;
    }
    const auto indexPath = indexPathForRowAtPoint(point);
    if (!indexPath) return;
    auto delegate = tableDelegate_.lock();
    if (delegate && !delegate->shouldHighlightRowAtIndexPath(*this, *indexPath)) return;
    if (editing_ ? !selectDuringEditing_ : !allowsSelection_) return;
    touchedRow_ = indexPath;
    touchStart_ = point;
    if (auto found = visible_.find(*indexPath); found != visible_.end())
        found->second->setHighlighted(true, false);
}

void TableView::touchesMoved(const TouchSet& touches, const Event*) {
    if (!touchedRow_ || touches.empty()) return;
    const Point point = (*touches.begin())->locationInView(this);
    if (std::hypot(point.x - touchStart_.x, point.y - touchStart_.y) > kTapSlop) {
        if (auto found = visible_.find(*touchedRow_); found != visible_.end())
            found->second->setHighlighted(false, false);
        touchedRow_.reset();
    }
}

void TableView::touchesEnded(const TouchSet& touches, const Event*) {
    if (!touchedRow_ || touches.empty()) return;
    const IndexPath row = *touchedRow_;
    touchedRow_.reset();
    if (auto found = visible_.find(row); found != visible_.end())
        found->second->setHighlighted(false, false);
    const Point point = (*touches.begin())->locationInView(this);
    if (indexPathForRowAtPoint(point) == row) tapRow(row);
}

void TableView::touchesCancelled(const TouchSet&, const Event*) {
    if (!touchedRow_) return;
    if (auto found = visible_.find(*touchedRow_); found != visible_.end())
        found->second->setHighlighted(false, false);
    touchedRow_.reset();
}

// --- Editing --------------------------------------------------------------

void TableView::setEditing(bool editing, bool animated) {
    if (editingBySwipe_) endSwipeToDelete();
    if (editing == editing_) return;
    endSwipeToDelete();
    editing_ = editing;
    for (const auto& [indexPath, cell] : visible_) {
        configureCell(*cell, indexPath);
        cell->setEditing(editing, animated);
    }
    setNeedsLayout();
}

std::optional<IndexPath> TableView::rowShowingDeleteConfirmation() const {
    return confirming_;
}

bool TableView::beginSwipeToDelete(const IndexPath& indexPath) {
    auto dataSource = dataSource_.lock();
    auto delegate = tableDelegate_.lock();
    if (!dataSource || !isValid(indexPath) ||
        !dataSource->canEditRowAtIndexPath(*this, indexPath) ||
        (delegate && delegate->editingStyleForRowAtIndexPath(*this, indexPath) !=
                         TableViewCellEditingStyle::Delete)) {
        return false;
    }
    if (confirming_) endSwipeToDelete();
    if (!editing_) {
        // Swiping enters edit mode for the one row, as on the platform.
        editing_ = true;
        editingBySwipe_ = true;
        if (delegate) delegate->willBeginEditingRowAtIndexPath(*this, indexPath);
    }
    showDeleteConfirmation(indexPath);
    return true;
}

void TableView::showDeleteConfirmation(const IndexPath& indexPath) {
    TableViewCell* cell = cellForRowAtIndexPath(indexPath);
    if (!cell) return;
    auto delegate = tableDelegate_.lock();
    if (confirming_ && confirming_ != indexPath) {
        if (auto found = visible_.find(*confirming_); found != visible_.end())
            found->second->hideDeleteConfirmation();
    }
    const QString title =
        delegate ? delegate->titleForDeleteConfirmationButtonForRowAtIndexPath(*this, indexPath)
                 : QStringLiteral("删除");
    confirming_ = indexPath;
    std::weak_ptr<TableViewCell> weakCell = cell->weakAs<TableViewCell>();
    cell->showDeleteConfirmation(title, [weak = weakAs<TableView>(), weakCell] {
        auto self = weak.lock();
        auto cell = weakCell.lock();
        if (!self || !cell) return;
        if (auto indexPath = self->indexPathForCell(cell.get())) self->commitDelete(*indexPath);
    });
}

void TableView::endSwipeToDelete() {
    if (!confirming_) return;
    const IndexPath row = *confirming_;
    confirming_.reset();
    if (auto found = visible_.find(row); found != visible_.end())
        found->second->hideDeleteConfirmation();
    if (editingBySwipe_) {
        editing_ = false;
        editingBySwipe_ = false;
        if (auto delegate = tableDelegate_.lock())
            delegate->didEndEditingRowAtIndexPath(*this, row);
    }
}

void TableView::commitDelete(const IndexPath& indexPath) {
    const auto keep = sharedView();
    auto dataSource = dataSource_.lock();
    if (!dataSource) return;
    if (auto found = visible_.find(indexPath); found != visible_.end())
        found->second->hideDeleteConfirmation();
    const bool bySwipe = editingBySwipe_;
    confirming_.reset();
    dataSource->commitEditingStyle(*this, TableViewCellEditingStyle::Delete, indexPath);
    if (bySwipe && editingBySwipe_) {
        editing_ = false;
        editingBySwipe_ = false;
        if (auto delegate = tableDelegate_.lock())
            delegate->didEndEditingRowAtIndexPath(*this, indexPath);
    }
}

bool TableView::panShouldBegin(Point translation) {
    const bool horizontal = std::abs(translation.x) > std::abs(translation.y);
    if (horizontal && confirming_) return true;
    if (horizontal && translation.x < 0 && panGestureRecognizer()) {
        const Point start = panGestureRecognizer()->locationInView(this) - translation;
        if (auto indexPath = indexPathForRowAtPoint(start)) {
            auto dataSource = dataSource_.lock();
            if (dataSource && dataSource->canEditRowAtIndexPath(*this, *indexPath)) return true;
        }
    }
    return ScrollView::panShouldBegin(translation);
}

void TableView::handlePan(PanGestureRecognizer& pan) {
    const Point translation = pan.translationInView(this);
    switch (pan.state()) {
        case GestureRecognizerState::Began: {
            const bool horizontal = std::abs(translation.x) > std::abs(translation.y);
            if (horizontal && confirming_ && translation.x > 0) {
                endSwipeToDelete();
                swiping_ = true;
                return;
            }
            if (horizontal && translation.x < 0) {
                const Point start = pan.locationInView(this) - translation;
                if (auto indexPath = indexPathForRowAtPoint(start)) {
                    auto dataSource = dataSource_.lock();
                    if (dataSource && dataSource->canEditRowAtIndexPath(*this, *indexPath)) {
                        swiping_ = true;
                        swipeRow_ = indexPath;
                        return;
                    }
                }
            }
            if (confirming_) endSwipeToDelete();
            break;
        }
        case GestureRecognizerState::Ended:
        case GestureRecognizerState::Cancelled:
            if (swiping_) {
                swiping_ = false;
                const auto row = std::exchange(swipeRow_, std::nullopt);
                if (row && pan.state() == GestureRecognizerState::Ended &&
                    translation.x <= -kSwipeDistance) {
                    beginSwipeToDelete(*row);
                }
                return;
            }
            break;
        default:
            if (swiping_) return;
            break;
    }
    ScrollView::handlePan(pan);
}

}  // namespace ui
