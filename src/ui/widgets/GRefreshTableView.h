#pragma once

#include "platform/uikit/view.h"

#include <QString>
#include <QVariantMap>

#include <memory>
#include <optional>

namespace ui {
class ActivityIndicatorView;
class Label;
class Layer;
class ScrollView;
}  // namespace ui

class GRefreshTableView;

enum GPullRefreshState {
    GPullRefreshPulling = 0,
    GPullRefreshNormal = 1,
    GPullRefreshLoading = 2,
};

// What a refresh strip asks of its owner; every method is optional.
class GRefreshTableDelegate {
public:
    virtual ~GRefreshTableDelegate() = default;
    virtual void pullRefreshTableDidTriggerRefresh(GRefreshTableView&) {}
    virtual bool pullRefreshTableDataSourceIsLoading(GRefreshTableView&) { return false; }
    // Nothing: the last-updated label keeps its text.
    virtual std::optional<QString> pullRefreshTableDataSourceLastUpdatedText(GRefreshTableView&) {
        return std::nullopt;
    }
};

// A strip above (header) or below the end of (footer) a scroll view's content that
// asks its delegate to load when the user drags 65 points past the edge and lets go,
// keeping itself visible with a 60-point inset until the load has finished. One
// strip serves one load: finishing detaches the delegate.
class GRefreshTableView : public ui::View {
public:
    enum Type { kHeader = 0, kFooter = 1 };
    static constexpr double kPullThreshold = 65.0;
    static constexpr double kLoadingInset = 60.0;
    static constexpr double kArrowDuration = 0.18;
    static constexpr double kLoadingInsetDuration = 0.2;
    static constexpr double kFinishDuration = 0.3;
    static constexpr double kAutoRefreshOffset = -70.0;
    static inline const QString kNormalKey = QStringLiteral("kGPullRefreshNormal");
    static inline const QString kPullingKey = QStringLiteral("kGPullRefreshPulling");
    static inline const QString kLoadingKey = QStringLiteral("kGPullRefreshLoading");

    explicit GRefreshTableView(const ui::Rect& frame, int type = kHeader);

    [[nodiscard]] int type() const { return type_; }
    [[nodiscard]] GPullRefreshState state() const { return state_; }
    void setState(GPullRefreshState state);
    void resetState();
    void refreshLastUpdatedDate();

    [[nodiscard]] const QVariantMap& statusLabelTexts() const { return texts_; }
    void setStatusLabelTexts(const QVariantMap& texts);
    [[nodiscard]] const ui::EdgeInsets& defaultInset() const { return defaultInset_; }
    void setDefaultInset(const ui::EdgeInsets& inset) { defaultInset_ = inset; }
    [[nodiscard]] std::shared_ptr<GRefreshTableDelegate> delegate() const {
        return delegate_.lock();
    }
    void setDelegate(std::weak_ptr<GRefreshTableDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    [[nodiscard]] bool autoRefresh() const { return autoRefresh_; }

    void pullRefreshScrollViewDidScroll(ui::ScrollView& scrollView);
    void pullRefreshScrollViewDidEndDragging(ui::ScrollView& scrollView);
    void setRefreshLoadingState(ui::ScrollView& scrollView);
    void pullRefreshScrollViewDataSourceDidFinishedLoading(ui::ScrollView& scrollView);
    void pullRefreshScrollViewDataSourceDidFinishedLoading(ui::ScrollView& scrollView,
                                                           ui::Point finishedOffset);
    void autoRefreshOnScroll(ui::ScrollView& scrollView);
    [[nodiscard]] static std::shared_ptr<ui::BasicAnimation> getOpacityAnimation(double from,
                                                                                 double to);

    [[nodiscard]] ui::Label* lastUpdatedLabel() const { return lastUpdatedLabel_.get(); }
    [[nodiscard]] ui::Label* statusLabel() const { return statusLabel_.get(); }
    [[nodiscard]] ui::Layer* arrowImage() const { return arrowImage_.get(); }
    [[nodiscard]] ui::ActivityIndicatorView* activityView() const { return activityView_.get(); }

private:
    void initView(const ui::Rect& frame);
    // The resting look, the arrow turning back over `arrowDuration` when it was pulled.
    void showNormalLook(double arrowDuration);
    [[nodiscard]] QString textFor(const QString& key, const QString& fallback) const;
    [[nodiscard]] ui::Transform3D normalArrow() const;
    [[nodiscard]] ui::Transform3D pullingArrow() const;
    [[nodiscard]] bool delegateIsLoading();

    std::weak_ptr<GRefreshTableDelegate> delegate_;
    GPullRefreshState state_ = GPullRefreshNormal;
    std::shared_ptr<ui::Label> lastUpdatedLabel_;
    std::shared_ptr<ui::Label> statusLabel_;
    std::shared_ptr<ui::Layer> arrowImage_;
    std::shared_ptr<ui::ActivityIndicatorView> activityView_;
    bool autoRefresh_ = false;
    int type_ = kHeader;
    QVariantMap texts_;
    ui::EdgeInsets defaultInset_;
};
