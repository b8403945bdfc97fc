#include "houses/query/QuickFilterView.h"

#include <algorithm>

#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/screen.h"
#include "platform/uikit/table_view_cell.h"
#include "platform/uikit/tap_gesture_recognizer.h"

namespace {

constexpr double kFilterAnimationDuration = 0.3;

std::shared_ptr<ui::ImageView> stretchedImage(const QString& name, int leftCap, int topCap) {
    auto image = ui::Image::imageNamed(name);
    return std::make_shared<ui::ImageView>(
        image ? image->stretchableImageWithLeftCapWidth(leftCap, topCap) : nullptr);
}

}  // namespace

QuickFilterView::QuickFilterView(const ui::Rect& frame)
    : ui::View(frame), height_(frame.size.height) {
    setBackgroundColor(ui::Color::clearColor());
}

bool QuickFilterView::hasMoreButton() {
    const auto owner = delegate();
    return owner && owner->filterKeyForQfView(*this).contains(QStringLiteral("more"));
}

int QuickFilterView::dropDownCount() {
    const auto owner = delegate();
    if (!owner) return 0;
    const int buttons = owner->numOfSelectSectionInQFView(*this);
    // At most three drop-downs; a "更多" button opens none.
    return std::min(3, hasMoreButton() ? buttons - 1 : buttons);
}

void QuickFilterView::initialize() {
    const auto owner = delegate();
    if (!owner) return;
    const int count = owner->numOfSelectSectionInQFView(*this);
    const bool more = hasMoreButton();

    auto strip = std::make_shared<ui::View>(ui::Rect(0, 0, 320, kBarHeight));
    strip->setBackgroundColor(ui::Color::rgb(234, 234, 234));
    strip->setTag(kStripTag);
    if (auto tile = ui::Image::imageNamed(QStringLiteral("标签平铺.png"))) {
        auto tiled = std::make_shared<ui::ImageView>(tile);
        tiled->setFrame(strip->bounds());
        strip->addSubview(tiled);
    }
    addSubview(strip);

    const double screenWidth = ui::Screen::mainScreen().bounds().size.width;
    buttonWidths_.clear();
    for (int i = 0; i < count; ++i) {
        if (more) {
            buttonWidths_.push_back(i == count - 1 ? kMoreWidth
                                                   : (screenWidth - kMoreWidth) / (count - 1));
        } else {
            buttonWidths_.push_back(screenWidth / count);
        }
    }
    double x = 0;
    for (int i = 0; i < count; ++i) {
        const double width = buttonWidths_[std::size_t(i)];
        if (i > 0) {
            auto line = std::make_shared<ui::ImageView>(
                ui::Image::imageNamed(QStringLiteral("标签分割线.png")));
            line->setFrame({x, 0, 2, kBarHeight});
            strip->addSubview(line);
            x += 1;
        }
        auto button = std::make_shared<ui::Button>(ui::Rect(x, 0, width, kBarHeight));
        if (auto grey = ui::Image::imageNamed(QStringLiteral("点击灰色.png"))) {
            button->setBackgroundImage(grey->stretchableImageWithLeftCapWidth(0, 20),
                                       ui::kControlStateHighlighted);
        }
        button->setTag(kButtonTag + i);
        button->addTarget(this, ui::kControlEventTouchUpInside,
                          [this, i](ui::Control&, const ui::Event*) { btnTouch(i); });
        const QString title = owner->qfViewTitleForIndex(*this, i);
        const bool isMore = title == QStringLiteral("更多");
        auto label = std::make_shared<ui::Label>(isMore ? ui::Rect(0, 0, width, kBarHeight)
                                                        : ui::Rect(10, 0, width - 30, kBarHeight));
        label->setFont(ui::Font::systemFontOfSize(14));
        label->setTextColor(ui::Color::rgb(51, 51, 51));
        label->setTextAlignment(ui::TextAlignment::Center);
        label->setBackgroundColor(ui::Color::clearColor());
        label->setTag(kTitleTag);
        label->setText(title);
        button->addSubview(label);
        if (!isMore) {
            auto arrow = std::make_shared<ui::ImageView>(
                ui::Image::imageNamed(QStringLiteral("标签箭头.png")));
            // Each separator pushes the buttons after it right by a point: the last arrow keeps
            // its inset from the bar's edge rather than from its button's, so that it stays whole.
            const double inBar = strip->bounds().size.width - x;
            arrow->setFrame({std::min(width, inBar) - 15, 16, 12, 10});
            button->addSubview(arrow);
        }
        strip->addSubview(button);
        x += width;
    }

    auto mask = std::make_shared<ui::View>(ui::Rect(0, kBarHeight, 320, height_ - kBarHeight));
    mask->setBackgroundColor(ui::Color::colorWithWhite(0, 0.2));
    mask->setTag(kMaskTag);
    mask->setHidden(true);
    mask->addGestureRecognizer(std::make_shared<ui::TapGestureRecognizer>(
        this, [this](ui::GestureRecognizer&) { rebackAllQFTbl(); }));
    addSubview(mask);

    const int dropDowns = dropDownCount();
    double before = 0;
    for (int j = 0; j < dropDowns; ++j) {
        auto table = std::make_shared<QuickFilterTbl>(kClosedFrame);
        table->setBar(this);
        table->setTag(kDropDownTag + j);
        table->setHidden(true);
        addSubview(table);
        const double width = buttonWidths_[std::size_t(j)];
        auto triangle = std::make_shared<ui::ImageView>(
            ui::Image::imageNamed(QStringLiteral("快速筛选-三角.png")));
        triangle->setFrame({before + (width - 16) / 2, kBarHeight, 16, 10});
        triangle->setTag(kTriangleTag + j);
        triangle->setHidden(true);
        addSubview(triangle);
        before += width;
    }
    resetFrame();
    bringSubviewToFront(strip.get());
}

void QuickFilterView::reloadData() {
    while (!subviews().empty()) subviews().back()->removeFromSuperview();
    initialize();
}

QuickFilterTbl* QuickFilterView::dropDown(int index) {
    for (const auto& view : subviews()) {
        if (view->tag() == kDropDownTag + index) return dynamic_cast<QuickFilterTbl*>(view.get());
    }
    return nullptr;
}

ui::Button* QuickFilterView::button(int index) {
    return dynamic_cast<ui::Button*>(viewWithTag(kButtonTag + index));
}

QString QuickFilterView::titleAtIndex(int index) {
    ui::Button* b = button(index);
    auto* label = b ? dynamic_cast<ui::Label*>(b->viewWithTag(kTitleTag)) : nullptr;
    return label ? label->text() : QString();
}

void QuickFilterView::reloadAtIndex(int index) {
    if (QuickFilterTbl* table = dropDown(index)) table->reloadSectionAtIndex(0);
}

void QuickFilterView::reloadQFTblAtIndex(int index) {
    if (QuickFilterTbl* table = dropDown(index)) table->reloadSectionAtIndex(1);
}

void QuickFilterView::resetTitleForIndex(int index, const QString& title) {
    ui::Button* b = button(index);
    if (auto* label = b ? dynamic_cast<ui::Label*>(b->viewWithTag(kTitleTag)) : nullptr) {
        label->setText(title);
    }
}

void QuickFilterView::setDefaultSelectRow() {
    const auto owner = delegate();
    if (!owner) return;
    const int buttons = owner->numOfSelectSectionInQFView(*this);
    for (int i = 0; i < buttons; ++i) {
        QuickFilterTbl* table = dropDown(i);
        const auto stored = defaultSelectRowDic_.find(i);
        if (!table || stored == defaultSelectRowDic_.end()) continue;
        for (int c = 0; c < table->numOfSection() && c < stored->second.size(); ++c) {
            if (c == 1) table->reloadSectionAtIndex(1);
            table->setRowForIndex(stored->second.at(c).toInt(), c);
        }
    }
}

void QuickFilterView::resetDefaultDic() {
    for (auto& [index, rows] : defaultSelectRowDic_) {
        for (QString& row : rows) row = QStringLiteral("0");
    }
}

void QuickFilterView::setErshouSelectRow(const QList<int>& rows) {
    QuickFilterTbl* table = dropDown(0);
    const auto owner = delegate();
    if (!table || !owner || rows.size() < 2) return;
    table->setRowForIndex(rows[0], 0);
    const auto data = table->dataDic().find(0);
    owner->qfViewDidSelectRightSection(
        *this, 0, ui::IndexPath(0, rows[0]),
        data == table->dataDic().end() ? QuickFilterRows() : data->second);
    table->setRowForIndex(rows[1], 1);
}

void QuickFilterView::rebackAllQFTbl() {
    for (int j = 0; j < 3; ++j) {
        if (QuickFilterTbl* table = dropDown(j)) {
            table->setHidden(true);
            table->setFrame(kClosedFrame);
        }
        if (ui::View* triangle = viewWithTag(kTriangleTag + j)) triangle->setHidden(true);
    }
    if (ui::View* mask = viewWithTag(kMaskTag)) mask->setHidden(true);
    resetFrame();
}

void QuickFilterView::rebackQFTblAtIndex(int index) {
    QuickFilterTbl* table = dropDown(index);
    if (!table) return;
    ui::View* mask = viewWithTag(kMaskTag);
    ui::View* triangle = viewWithTag(kTriangleTag + index);
    const auto weakTable = table->weakAs<QuickFilterTbl>();
    const auto weakSelf = weakAs<QuickFilterView>();
    ui::View::animateWithDuration(
        kFilterAnimationDuration,
        [table, mask, triangle] {
            table->setFrame(kClosedFrame);
            if (mask) mask->setHidden(true);
            if (triangle) triangle->setHidden(true);
        },
        [weakTable, weakSelf](bool) {
            if (auto t = weakTable.lock()) t->setHidden(true);
            if (auto self = weakSelf.lock()) self->resetFrame();
        });
}

void QuickFilterView::resetFrame() {
    bool open = false;
    for (int j = 0; j < dropDownCount(); ++j) {
        if (QuickFilterTbl* table = dropDown(j); table && !table->isHidden()) open = true;
    }
    ui::Rect frame = this->frame();
    frame.size.height = open ? height_ : kBarHeight;
    setFrame(frame);
}

void QuickFilterView::btnTouch(int index) {
    if (ui::View* parent = superview()) {
        parent->bringSubviewToFront(this);
        if (ui::View* shadow = parent->viewWithTag(10101);
            shadow && shadow->superview() == parent) {
            parent->bringSubviewToFront(shadow);
        }
    }
    const auto owner = delegate();
    if (!owner) return;
    const QStringList keys = owner->filterKeyForQfView(*this);
    const int buttons = owner->numOfSelectSectionInQFView(*this);
    if (index == buttons - 1 && keys.value(index) == QStringLiteral("more")) {
        owner->moreBtnTouchForQFView(*this);
        return;
    }
    QuickFilterTbl* tapped = dropDown(index);
    if (!tapped) return;
    for (int j = 0; j < dropDownCount(); ++j) {
        if (j == index) continue;
        if (QuickFilterTbl* other = dropDown(j)) {
            other->setHidden(true);
            other->setFrame(kClosedFrame);
        }
        if (ui::View* triangle = viewWithTag(kTriangleTag + j)) triangle->setHidden(true);
    }
    const bool opening = tapped->isHidden();
    ui::View* mask = viewWithTag(kMaskTag);
    if (mask) mask->setHidden(!opening);
    ui::View* triangle = viewWithTag(kTriangleTag + index);
    if (triangle) bringSubviewToFront(triangle);
    tapped->setHidden(false);
    const auto weakSelf = weakAs<QuickFilterView>();
    ui::View::animateWithDuration(
        kFilterAnimationDuration,
        [tapped, triangle, opening] {
            tapped->setFrame(opening ? kOpenFrame : kClosedFrame);
            if (triangle) triangle->setHidden(!opening);
        },
        [weakSelf](bool) {
            auto self = weakSelf.lock();
            if (!self) return;
            for (int j = 0; j < self->dropDownCount(); ++j) {
                if (QuickFilterTbl* table = self->dropDown(j);
                    table && table->frame().origin.y != kOpenFrame.origin.y) {
                    table->setHidden(true);
                }
            }
            self->resetFrame();
        });
}

std::optional<QuickFilterRows> QuickFilterView::dataForQFTbl(QuickFilterTbl& table, int section) {
    const auto owner = delegate();
    if (!owner) return std::nullopt;
    return owner->qfViewDataForSection(*this, table.tag() - kDropDownTag, section);
}

int QuickFilterView::numberOfSectionInQFTbl(QuickFilterTbl& table) {
    const auto owner = delegate();
    if (!owner) return 0;
    const int index = table.tag() - kDropDownTag;
    const int columns = owner->numOfSectionInQFView(*this, index);
    QStringList& rows = defaultSelectRowDic_[index];
    if (rows.isEmpty()) {
        if (owner->filterKeyForQfView(*this).value(index) == QStringLiteral("latlng")) {
            rows = {QStringLiteral("2")};
        } else {
            for (int c = 0; c < columns; ++c) rows << QStringLiteral("0");
        }
    }
    return columns;
}

void QuickFilterView::qfTblDidSelect(QuickFilterTbl& table, int style, const ui::IndexPath& path) {
    const auto owner = delegate();
    if (!owner) return;
    const int index = table.tag() - kDropDownTag;
    const auto data = table.dataDic().find(style);
    const QuickFilterRows rows = data == table.dataDic().end() ? QuickFilterRows() : data->second;
    if (table.numOfSection() == 2) {
        if (style == 0) {
            owner->qfViewDidSelectRightSection(*this, index, path, rows);
        } else {
            owner->qfViewDidSelectSection(*this, index, path, rows);
            rebackQFTblAtIndex(index);
        }
    } else if (table.numOfSection() == 1) {
        owner->qfViewDidSelectSection(*this, index, path, rows);
        rebackQFTblAtIndex(index);
    }
}

QuickFilterTbl::QuickFilterTbl(const ui::Rect& frame) : ui::View(frame) {
    setBackgroundColor(ui::Color::rgb(250, 250, 250));
}

ui::TableView* QuickFilterTbl::column(int section) const {
    for (const auto& view : subviews()) {
        if (view->tag() == kColumnTag + section) return dynamic_cast<ui::TableView*>(view.get());
    }
    return nullptr;
}

void QuickFilterTbl::layoutSubviews() {
    ui::View::layoutSubviews();
    build();
}

void QuickFilterTbl::build() {
    if (built_ || !bar_) return;
    built_ = true;
    numOfSection_ = bar_->numberOfSectionInQFTbl(*this);
    if (numOfSection_ <= 0) return;
    double width = frame().size.width / numOfSection_;
    double x = 0;
    for (int c = 0; c < numOfSection_; ++c) {
        if (numOfSection_ >= 2 && QuickFilterView::widthOfSectionForQFTbl(c) > 0) {
            width = QuickFilterView::widthOfSectionForQFTbl(c);
        }
        if (auto rows = bar_->dataForQFTbl(*this, c); rows && !rows->empty()) dataDic_[c] = *rows;
        auto table = std::make_shared<ui::TableView>(ui::Rect(x, 1, width, 258 - 1));
        table->setTag(kColumnTag + c);
        table->setSeparatorStyle(ui::TableViewCellSeparatorStyle::None);
        table->setBackgroundColor(c == 0 ? ui::Color::rgb(250, 250, 250)
                                         : ui::Color::rgb(242, 242, 242));
        if (c == 0) {
            if (auto line = ui::Image::imageNamed(QStringLiteral("快捷下拉线.png"))) {
                auto background =
                    std::make_shared<ui::ImageView>(line->stretchableImageWithLeftCapWidth(1, 0));
                background->setFrame(table->bounds());
                table->setBackgroundView(background);
            }
        }
        table->setDataSource(weakAs<QuickFilterTbl>());
        table->setDelegate(weakAs<QuickFilterTbl>());
        addSubview(table);
        x += width;
    }
}

void QuickFilterTbl::reloadSectionAtIndex(int section) {
    if (!bar_) return;
    if (auto rows = bar_->dataForQFTbl(*this, section); rows && !rows->empty()) {
        dataDic_[section] = *rows;
    }
    if (ui::TableView* table = column(section)) table->reloadData();
}

void QuickFilterTbl::setDefaultSelectRow() {
    setRowForIndex(0, 0);
    setRowForIndex(0, 1);
}

void QuickFilterTbl::setRowForIndex(int row, int section) {
    ui::TableView* table = column(section);
    if (!table || row < 0 || table->numberOfRowsInSection(0) <= row) return;
    table->selectRowAtIndexPath(ui::IndexPath(0, row), false, ui::TableViewScrollPosition::Middle);
}

int QuickFilterTbl::numberOfRowsInSection(ui::TableView& table, int) {
    const auto rows = dataDic_.find(table.tag() - kColumnTag);
    return rows == dataDic_.end() ? 0 : int(rows->second.size());
}

std::shared_ptr<ui::TableViewCell> QuickFilterTbl::cellForRowAtIndexPath(
    ui::TableView& table, const ui::IndexPath& path) {
    const int section = table.tag() - kColumnTag;
    const QString identifier =
        section == 0 ? QStringLiteral("cellStyle1") : QStringLiteral("cellStyle2");
    auto cell = table.dequeueReusableCellWithIdentifier(identifier);
    if (!cell) {
        cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Value1, identifier);
        const double x = numOfSection_ == 1 ? 25 : 20;
        if (section == 0) {
            cell->setBackgroundView(stretchedImage(QStringLiteral("快捷白按钮.png"), 5, 21));
            auto selected = stretchedImage(QStringLiteral("快速筛选A.png"), 5, 21);
            selected->setBackgroundColor(ui::Color::rgb(255, 255, 255));
            cell->setSelectedBackgroundView(selected);
        } else {
            cell->setBackgroundColor(ui::Color::clearColor());
            auto selected = std::make_shared<ui::View>();
            selected->setBackgroundColor(ui::Color::clearColor());
            auto image = stretchedImage(QStringLiteral("右按钮点击.png"), 3, 0);
            image->setFrame({0, 0, table.bounds().size.width, kRowHeight - 3});
            image->setBackgroundColor(ui::Color::rgb(110, 165, 90));
            selected->addSubview(image);
            cell->setSelectedBackgroundView(selected);
        }
        auto label = std::make_shared<ui::Label>(
            section == 0 ? ui::Rect(x, 0, table.bounds().size.width - x - 10, kRowHeight - 2)
                         : ui::Rect(30, 0, 100, kRowHeight - 2));
        label->setFont(ui::Font::systemFontOfSize(14));
        label->setTextColor(ui::Color::rgb(64, 64, 64));
        if (section != 0) label->setHighlightedTextColor(ui::Color::whiteColor());
        label->setBackgroundColor(ui::Color::clearColor());
        label->setTag(1);
        cell->contentView()->addSubview(label);
        cell->detailTextLabel()->setFont(ui::Font::systemFontOfSize(14));
        cell->detailTextLabel()->setTextColor(ui::Color::rgb(153, 153, 153));
        cell->detailTextLabel()->setHighlightedTextColor(ui::Color::blackColor());
    }
    auto* label = dynamic_cast<ui::Label*>(cell->contentView()->viewWithTag(1));
    const auto rows = dataDic_.find(section);
    QString text, detail;
    if (rows != dataDic_.end() && path.row < int(rows->second.size())) {
        const QuickFilterRow& row = rows->second[std::size_t(path.row)];
        text = section == 0 ? row.firstColumnText() : row.otherColumnText();
        if (section != 0 && row.isDictionary && row.dictionary.contains(QStringLiteral("Size"))) {
            detail = row.dictionary.value(QStringLiteral("Size")).toString() + QStringLiteral("条");
        }
    }
    if (label) label->setText(text);
    cell->detailTextLabel()->setText(detail);
    return cell;
}

void QuickFilterTbl::didSelectRowAtIndexPath(ui::TableView& table, const ui::IndexPath& path) {
    const int section = table.tag() - kColumnTag;
    if (bar_) bar_->qfTblDidSelect(*this, section == 0 ? 0 : 1, path);
    // Marked after the owner has filled the second column anew: a reload clears the mark.
    if (section == 0 && numOfSection_ > 1) setRowForIndex(0, 1);
}
