#pragma once

#include "platform/uikit/view.h"

#include <memory>

namespace ui {
class ImageView;
class Label;
class Layer;
class ScrollView;
}  // namespace ui

// Told when the user let go of a list pulled down far enough.
class RefreshViewDelegate {
public:
    virtual ~RefreshViewDelegate() = default;
    virtual void refreshViewDidCallBack() {}
};

// A pull-down header for a table that does not watch the table itself: its owner
// forwards three scroll callbacks. At rest it shows a grey picture; pulled beyond
// 80 points a still ring; while loading the ring turns with the logo over it.
class RefreshView : public ui::View {
public:
    static constexpr double kTriggerDistance = 80.0;
    static constexpr double kAnimationDuration = 0.3;
    static constexpr int kRingTag = 8888;

    // Made for `owner` and put behind its cells.
    [[nodiscard]] static std::shared_ptr<RefreshView> initWithOwner(
        const std::shared_ptr<ui::ScrollView>& owner, std::weak_ptr<RefreshViewDelegate> delegate);
    explicit RefreshView(const ui::Rect& frame);

    [[nodiscard]] std::shared_ptr<ui::View> loadingIconView(const ui::Rect& frame);
    void startLoading();
    void stopLoading();
    void scrollViewWillBeginDragging(ui::ScrollView& scrollView);
    void scrollViewDidScroll(ui::ScrollView& scrollView);
    void scrollViewDidEndDragging(ui::ScrollView& scrollView, bool willDecelerate);
    static void pauseLayer(ui::Layer& layer);
    static void resumeLayer(ui::Layer& layer);

    [[nodiscard]] bool isLoading() const { return isLoading_; }
    [[nodiscard]] bool isDragging() const { return isDragging_; }
    [[nodiscard]] std::shared_ptr<ui::ScrollView> owner() const { return owner_.lock(); }
    void setOwner(std::weak_ptr<ui::ScrollView> owner) { owner_ = std::move(owner); }
    void setDelegate(std::weak_ptr<RefreshViewDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    [[nodiscard]] ui::Label* refreshStatusLabel() const { return refreshStatusLabel_.get(); }
    [[nodiscard]] ui::ImageView* grayImageView() const { return grayImageView_.get(); }
    [[nodiscard]] ui::View* loadingIcon() const { return loadingIconView_.get(); }

private:
    [[nodiscard]] ui::Layer* ringLayer() const;

    std::shared_ptr<ui::Label> refreshStatusLabel_;
    std::shared_ptr<ui::ImageView> grayImageView_;
    std::shared_ptr<ui::View> loadingIconView_;
    std::weak_ptr<ui::ScrollView> owner_;
    std::weak_ptr<RefreshViewDelegate> delegate_;
    bool isLoading_ = false;
    bool isDragging_ = false;
};
