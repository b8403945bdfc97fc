#include "platform/uikit/page_control.h"

#include "platform/uikit/graphics_context.h"
#include "platform/uikit/touch.h"

namespace ui {

PageControl::PageControl(const Rect& frame) : Control(frame) {}

void PageControl::setNumberOfPages(int pages) {
    numberOfPages_ = std::max(0, pages);
    setCurrentPage(currentPage_);
    setNeedsDisplay();
}

void PageControl::setCurrentPage(int page) {
    currentPage_ = std::clamp(page, 0, std::max(0, numberOfPages_ - 1));
    displayedPage_ = currentPage_;
    setNeedsDisplay();
}

void PageControl::setHidesForSinglePage(bool hides) {
    hidesForSinglePage_ = hides;
    setNeedsDisplay();
}

void PageControl::updateCurrentPageDisplay() {
    displayedPage_ = currentPage_;
    setNeedsDisplay();
}

void PageControl::setPageIndicatorTintColor(const Color& color) {
    dotColor_ = color;
    setNeedsDisplay();
}

void PageControl::setCurrentPageIndicatorTintColor(const Color& color) {
    currentDotColor_ = color;
    setNeedsDisplay();
}

Size PageControl::sizeForNumberOfPages(int pages) const {
    if (pages <= 0) return {0, 37};
    return {pages * kDotDiameter + (pages - 1) * kDotSpacing, 37};
}

Size PageControl::sizeThatFits(Size) const {
    return sizeForNumberOfPages(numberOfPages_);
}

void PageControl::drawRect(const Rect&) {
    auto* context = GraphicsContext::current();
    if (!context || numberOfPages_ <= 0 || (hidesForSinglePage_ && numberOfPages_ == 1)) return;
    const Size size = sizeForNumberOfPages(numberOfPages_);
    const Rect b = bounds();
    double x = b.origin.x + (b.size.width - size.width) / 2;
    const double y = b.midY() - kDotDiameter / 2;
    for (int page = 0; page < numberOfPages_; ++page) {
        context->setFillColor(page == displayedPage_ ? currentDotColor_ : dotColor_);
        context->fillEllipseInRect({x, y, kDotDiameter, kDotDiameter});
        x += kDotDiameter + kDotSpacing;
    }
}

void PageControl::endTrackingWithTouch(Touch* touch, const Event*) {
    if (!touch || !isTouchInside() || numberOfPages_ <= 0) return;
    if (hidesForSinglePage_ && numberOfPages_ == 1) return;
    const int step = touch->locationInView(this).x < bounds().midX() ? -1 : 1;
    const int page = std::clamp(currentPage_ + step, 0, numberOfPages_ - 1);
    if (page == currentPage_) return;
    currentPage_ = page;
    if (!defers_) displayedPage_ = page;
    setNeedsDisplay();
    sendActionsForControlEvents(kControlEventValueChanged);
}

}  // namespace ui
