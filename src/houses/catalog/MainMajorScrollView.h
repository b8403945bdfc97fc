#pragma once

#include "platform/uikit/scroll_view.h"
#include "platform/uikit/view.h"

#include <memory>
#include <vector>

namespace ui {
class Button;
class ImageView;
class PageControl;
}  // namespace ui

// Whoever hears the choice of a major category in the grid.
class MainMajorScrollViewDelegate {
public:
    virtual ~MainMajorScrollViewDelegate() = default;
    // `button`'s tag is the major category's position in its master.
    virtual void majorClick(ui::Button& button) = 0;
};

// The major categories of one master category as a paged grid of buttons, twelve a page
// (four rows of three), under a strip with an arrow and a shadow, with page dots below when
// there is more than one page. The names come from the list catalog, or from the near-by
// catalog when `fromNearBy` is set.
class MainMajorScrollView : public ui::View, public ui::ScrollViewDelegate {
public:
    static constexpr int kNoPages = -500;
    static constexpr int kButtonsPerPage = 12;
    static constexpr int kColumns = 3;
    static constexpr double kPageWidth = 320;
    static constexpr double kRowHeight = 44;
    static constexpr double kGridTop = 12;
    static constexpr double kDotsHeight = 15;

    // The grid of a master category's kinds; `masterIndex` kNoPages builds the frame alone.
    [[nodiscard]] static std::shared_ptr<MainMajorScrollView> initWithFrame(
        const ui::Rect& frame, int masterIndex, bool fromNearBy = false);
    // The frame alone: the strips, the empty grid and the hidden page control.
    MainMajorScrollView(const ui::Rect& frame, bool fromNearBy);

    void reCreateMajorScorllView(const ui::Rect& frame, int masterIndex);
    void changePage();
    void scrollViewDidScroll(ui::ScrollView& scrollView) override;

    void setBtnDelegate(std::weak_ptr<MainMajorScrollViewDelegate> delegate) {
        btnDelegate_ = std::move(delegate);
    }
    [[nodiscard]] bool fromNearBy() const { return fromNearBy_; }
    void setFromNearBy(bool nearBy) { fromNearBy_ = nearBy; }
    [[nodiscard]] int selfMasterIndex() const { return selfMasterIndex_; }
    [[nodiscard]] int selfMajorIndex() const { return selfMajorIndex_; }
    void setSelfMajorIndex(int index) { selfMajorIndex_ = index; }
    [[nodiscard]] ui::ScrollView* tagScrollView() const { return tagScrollView_.get(); }
    [[nodiscard]] ui::PageControl* pageControl() const { return pageControl_.get(); }
    [[nodiscard]] ui::ImageView* arrowImgView() const { return arrowImgView_.get(); }
    [[nodiscard]] const std::vector<std::shared_ptr<ui::Button>>& buttons() const {
        return buttons_;
    }
    // The dot pictures over the page control, one per page.
    [[nodiscard]] const std::vector<std::shared_ptr<ui::ImageView>>& dots() const { return dots_; }

private:
    void showDots();

    std::shared_ptr<ui::ScrollView> tagScrollView_;
    std::shared_ptr<ui::PageControl> pageControl_;
    std::shared_ptr<ui::ImageView> arrowImgView_;
    std::vector<std::shared_ptr<ui::Button>> buttons_;
    std::vector<std::shared_ptr<ui::ImageView>> dots_;
    std::weak_ptr<MainMajorScrollViewDelegate> btnDelegate_;
    int selfMasterIndex_ = 0;
    int selfMajorIndex_ = 0;
    bool fromNearBy_ = false;
};
