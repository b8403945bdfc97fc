#pragma once

#include "platform/uikit/control.h"

namespace ui {

// A row of dots, one per page, the current one brighter. A tap left of the
// middle goes a page back, right of it a page on (value changed).
class PageControl : public Control {
public:
    static constexpr double kDotDiameter = 7;
    static constexpr double kDotSpacing = 9;

    explicit PageControl(const Rect& frame = {});

    [[nodiscard]] int numberOfPages() const { return numberOfPages_; }
    void setNumberOfPages(int pages);
    [[nodiscard]] int currentPage() const { return currentPage_; }
    void setCurrentPage(int page);
    [[nodiscard]] bool hidesForSinglePage() const { return hidesForSinglePage_; }
    void setHidesForSinglePage(bool hides);
    // When set, a tap changes currentPage but the dots wait for updateCurrentPageDisplay.
    [[nodiscard]] bool defersCurrentPageDisplay() const { return defers_; }
    void setDefersCurrentPageDisplay(bool defers) { defers_ = defers; }
    void updateCurrentPageDisplay();
    [[nodiscard]] const Color& pageIndicatorTintColor() const { return dotColor_; }
    void setPageIndicatorTintColor(const Color& color);
    [[nodiscard]] const Color& currentPageIndicatorTintColor() const { return currentDotColor_; }
    void setCurrentPageIndicatorTintColor(const Color& color);

    [[nodiscard]] Size sizeForNumberOfPages(int pages) const;
    [[nodiscard]] Size sizeThatFits(Size size) const override;
    void drawRect(const Rect& rect) override;
    void endTrackingWithTouch(Touch* touch, const Event* event) override;

private:
    int numberOfPages_ = 0;
    int currentPage_ = 0;
    int displayedPage_ = 0;
    bool hidesForSinglePage_ = false;
    bool defers_ = false;
    Color dotColor_ = Color::colorWithWhite(1, 0.3);
    Color currentDotColor_ = Color::whiteColor();
};

}  // namespace ui
