#pragma once

#include "platform/uikit/view.h"

#include <QString>

#include <functional>
#include <memory>

namespace ui {
class ActivityIndicatorView;
class ImageView;
class Label;
class ScrollView;
}  // namespace ui

class PRRefreshBaseView;

enum PRRefreshState {
    PRRefreshStatePulling = 1,
    PRRefreshStateIdle = 2,
    PRRefreshStateRefreshing = 3,
    PRRefreshStatePending = 4,
};

// Hears a pull-to-refresh view; every method is optional.
class PRRefreshBaseViewDelegate {
public:
    virtual ~PRRefreshBaseViewDelegate() = default;
    virtual void refreshViewBeginRefreshing(PRRefreshBaseView&) {}
    virtual void refreshViewEndRefreshing(PRRefreshBaseView&) {}
    virtual void refreshViewStateChange(PRRefreshBaseView&, PRRefreshState) {}
};

// A 64-point strip that turns an over-scroll of a scroll view into a refresh: it
// watches the scroll view's content offset, shows an arrow, a spinner and two
// labels, and reports through a delegate and three blocks. It lives as a subview of
// the scroll view. Its observers end with whichever of the two goes first, so a
// forgotten free() never leaves the scroll view calling a view that is gone.
class PRRefreshBaseView : public ui::View {
public:
    static constexpr double kViewHeight = 64.0;
    static constexpr double kStateAnimationDuration = 0.25;

    using ViewBlock = std::function<void(PRRefreshBaseView&)>;
    using StateBlock = std::function<void(PRRefreshBaseView&, PRRefreshState)>;

    PRRefreshBaseView();
    ~PRRefreshBaseView() override;
    // A refresh view of type T already watching `scrollView`.
    template <class T>
    [[nodiscard]] static std::shared_ptr<T> initWithScrollView(
        const std::shared_ptr<ui::ScrollView>& scrollView) {
        auto view = std::make_shared<T>();
        view->setScrollView(scrollView);
        return view;
    }

    void setFrame(const ui::Rect& frame) override;
    void setBounds(const ui::Rect& bounds) override;
    void layoutSubviews() override;
    void willMoveToSuperview(ui::View* newSuperview) override;

    [[nodiscard]] std::shared_ptr<ui::ScrollView> scrollView() const { return scrollView_.lock(); }
    virtual void setScrollView(const std::shared_ptr<ui::ScrollView>& scrollView);

    void beginRefreshing();
    void endRefreshing();
    void endRefreshingWithoutIdle() { endRefreshing(); }
    [[nodiscard]] bool isRefreshing() const { return state_ == PRRefreshStateRefreshing; }
    // Stops watching the scroll view.
    virtual void free();

    [[nodiscard]] PRRefreshState state() const { return state_; }
    virtual void setState(PRRefreshState state);
    [[nodiscard]] const ui::EdgeInsets& scrollViewInitInset() const { return scrollViewInitInset_; }
    [[nodiscard]] int totalDataCountInScrollView() const;

    [[nodiscard]] ui::Label* statusLabel() const { return statusLabel_.get(); }
    [[nodiscard]] ui::Label* lastUpdateTimeLabel() const { return lastUpdateTimeLabel_.get(); }
    [[nodiscard]] ui::ImageView* arrowImage() const { return arrowImage_.get(); }
    [[nodiscard]] ui::ActivityIndicatorView* activityView() const { return activityView_.get(); }

    void setDelegate(std::weak_ptr<PRRefreshBaseViewDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    void setBeginRefreshingBlock(ViewBlock block) { beginRefreshingBlock_ = std::move(block); }
    void setRefreshStateChangeBlock(StateBlock block) {
        refreshStateChangeBlock_ = std::move(block);
    }
    void setEndStateChangeBlock(ViewBlock block) { endStateChangeBlock_ = std::move(block); }

protected:
    // -1 for views above the content (the pulled distance counts positive), 1 below.
    [[nodiscard]] virtual int viewType() const { return -1; }
    // The multiplied offset up to which nothing happens.
    [[nodiscard]] virtual double validY() const { return 0; }
    // Seconds endRefreshing waits before going idle.
    [[nodiscard]] virtual double endRefreshingDelay() const { return 0; }
    virtual void contentOffsetChanged();
    virtual void contentSizeChanged() {}
    void dropLastUpdateTimeLabel();
    // Animates the arrow to `transform` and the scroll view's inset to `inset`.
    void animateArrowAndInset(double duration, const ui::AffineTransform& arrow,
                              const ui::EdgeInsets& inset);

    ui::EdgeInsets scrollViewInitInset_;

private:
    void reportStateChange();

    std::weak_ptr<ui::ScrollView> scrollView_;
    std::shared_ptr<ui::Label> lastUpdateTimeLabel_;
    std::shared_ptr<ui::Label> statusLabel_;
    std::shared_ptr<ui::ImageView> arrowImage_;
    std::shared_ptr<ui::ActivityIndicatorView> activityView_;
    PRRefreshState state_ = PRRefreshStateIdle;
    bool hasInitInset_ = false;
    std::weak_ptr<PRRefreshBaseViewDelegate> delegate_;
    ViewBlock beginRefreshingBlock_;
    StateBlock refreshStateChangeBlock_;
    ViewBlock endStateChangeBlock_;
};
