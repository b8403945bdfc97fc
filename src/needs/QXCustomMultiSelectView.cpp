#include "needs/QXCustomMultiSelectView.h"

#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/label.h"

#include <cmath>
#include <set>

QXCustomMultiSelectView::QXCustomMultiSelectView(const ui::Rect& frame) : ui::View(frame) {}

void QXCustomMultiSelectView::setItems(const QStringList& items) {
    items_ = items;
    stale_ = true;
    setNeedsLayout();
}

void QXCustomMultiSelectView::setMaxNumberOfColumns(int columns) {
    maxNumberOfColumns_ = columns;
    stale_ = true;
    setNeedsLayout();
}

void QXCustomMultiSelectView::setButtonHeight(double height) {
    buttonHeight_ = height;
    stale_ = true;
    setNeedsLayout();
}

void QXCustomMultiSelectView::setHMargin(double margin) {
    hMargin_ = margin;
    stale_ = true;
    setNeedsLayout();
}

void QXCustomMultiSelectView::setVMargin(double margin) {
    vMargin_ = margin;
    stale_ = true;
    setNeedsLayout();
}

void QXCustomMultiSelectView::setButtonNomralImage(std::shared_ptr<ui::Image> image) {
    normalImage_ = std::move(image);
    stale_ = true;
    setNeedsLayout();
}

void QXCustomMultiSelectView::setButtonHighLightImage(std::shared_ptr<ui::Image> image) {
    selectedImage_ = std::move(image);
    stale_ = true;
    setNeedsLayout();
}

void QXCustomMultiSelectView::setButtonTitleColor(const ui::Color& color) {
    titleColor_ = color;
    stale_ = true;
    setNeedsLayout();
}

int QXCustomMultiSelectView::columns() const {
    return std::max(1, maxNumberOfColumns_);
}

int QXCustomMultiSelectView::rows() const {
    return int(std::ceil(double(items_.size()) / columns()));
}

QStringList QXCustomMultiSelectView::selectedItems() {
    refreshSelection();
    QStringList titles;
    for (const auto& button : selectButtons_) titles << button->titleForState(ui::kControlStateNormal);
    return titles;
}

void QXCustomMultiSelectView::layoutSubviews() {
    ui::View::layoutSubviews();
    if (!stale_ && bounds().width() == laidOutWidth_) return;
    relayout();
}

// Each pass builds the buttons anew and takes the earlier ones away, so a button never
// hides behind an older one and nothing piles up however often the grid is laid out; a
// title that stays at its place stays chosen.
void QXCustomMultiSelectView::relayout() {
    stale_ = false;
    laidOutWidth_ = bounds().width();
    std::set<int> chosen;
    for (const auto& button : buttons_) {
        const int index = button->tag() - 1;
        if (button->isSelected() && index < items_.size() &&
            items_.at(index) == button->titleForState(ui::kControlStateNormal))
            chosen.insert(button->tag());
        button->removeFromSuperview();
    }
    buttons_.clear();

    const double height = buttonHeight_ == 0 ? kDefaultButtonHeight : buttonHeight_;
    const int perRow = columns();
    const int rowCount = rows();
    const auto count = int(items_.size());
    const auto weak = weakAs<QXCustomMultiSelectView>();
    for (int row = 0; row < rowCount; ++row) {
        const int inRow = row < rowCount - 1 ? perRow : count - perRow * (rowCount - 1);
        qsizetype letters = 0;
        for (int k = 0; k < inRow; ++k) letters += items_.at(row * perRow + k).size();
        const double width = laidOutWidth_ - (inRow - 1) * hMargin_;
        double x = 0;
        for (int k = 0; k < perRow && row * perRow + k < count; ++k) {
            const int index = row * perRow + k;
            const QString& title = items_.at(index);
            const double buttonWidth = letters == 0 ? 0 : width * double(title.size()) / letters;
            auto button = ui::Button::buttonWithType(ui::ButtonType::System);
            button->setTitle(title, ui::kControlStateNormal);
            button->setFont(ui::Font::systemFontOfSize(14));
            button->titleLabel()->setBackgroundColor(ui::Color::clearColor());
            button->setTag(index + 1);
            button->setFrame(ui::Rect(x + k * hMargin_, row * (height + vMargin_) + vMargin_,
                                      buttonWidth, height));
            button->setBackgroundImage(normalImage_, ui::kControlStateNormal);
            button->setBackgroundImage(selectedImage_, ui::kControlStateSelected);
            button->setTitleColor(titleColor_.value_or(kDefaultTitleColor), ui::kControlStateNormal);
            button->setTitleColor(ui::Color::whiteColor(), ui::kControlStateSelected);
            button->setSelected(chosen.contains(index + 1));
            button->addTarget(this, ui::kControlEventTouchUpInside,
                              [weak](ui::Control& sender, const ui::Event*) {
                                  if (auto self = weak.lock())
                                      self->itemTapped(static_cast<ui::Button&>(sender));
                              });
            insertSubviewAtIndex(button, 0);
            buttons_.push_back(button);
            x += buttonWidth;
        }
    }
    refreshSelection();
    const ui::Size fitted = sizeThatFits(bounds().size);
    if (fitted.height != bounds().height()) {
        ui::Rect frame = this->frame();
        frame.size = fitted;
        setFrame(frame);
        laidOutWidth_ = bounds().width();
    }
}

void QXCustomMultiSelectView::itemTapped(ui::Button& button) {
    button.setSelected(!button.isSelected());
    refreshSelection();
}

void QXCustomMultiSelectView::refreshSelection() {
    selectButtons_.clear();
    for (const auto& button : buttons_)
        if (button->isSelected()) selectButtons_.push_back(button);
}

ui::Size QXCustomMultiSelectView::sizeThatFits(ui::Size) const {
    const int rowCount = rows();
    return {bounds().width(), rowCount * kFittedRowHeight + (rowCount + 1) * vMargin_};
}
