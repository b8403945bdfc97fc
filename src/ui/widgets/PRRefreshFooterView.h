#pragma once

#include "ui/widgets/PRRefreshBaseView.h"

// Pull up at the end of a list to load more: the strip follows the end of the
// content (or the bottom of the visible area when the content is shorter). Once its owner
// says nothing more comes, it says so, without arrow or spinner, and pulls load nothing
// until the owner loads the list afresh.
class PRRefreshFooterView : public PRRefreshBaseView {
public:
    static constexpr double kEndRefreshingDelay = 0.3;
    static inline const QString kIdleText = QStringLiteral("上拉可以加载更多数据");
    static inline const QString kNoMoreDataText = QStringLiteral("没有更多数据");

    [[nodiscard]] static std::shared_ptr<PRRefreshFooterView> footer();
    PRRefreshFooterView();

    void setFrame(const ui::Rect& frame) override;
    void setScrollView(const std::shared_ptr<ui::ScrollView>& scrollView) override;
    void setState(PRRefreshState state) override;
    void adjustFrame();
    // Ends a refresh (after the footer's delay) or an idle spell with nothing more to load.
    void endRefreshingWithNoMoreData();
    // A list loaded afresh: pulls load more again.
    void resetNoMoreData();

    [[nodiscard]] int lastRefreshCount() const { return lastRefreshCount_; }
    // How much taller the content is than the visible area (negative when shorter).
    [[nodiscard]] double contentBreakView() const;

protected:
    [[nodiscard]] int viewType() const override { return 1; }
    [[nodiscard]] double validY() const override;
    [[nodiscard]] double endRefreshingDelay() const override { return kEndRefreshingDelay; }
    void contentSizeChanged() override;
    void contentOffsetChanged() override;

private:
    // The idle look: the prompt to pull with the arrow, or the end of the list without.
    void showIdle();

    int lastRefreshCount_ = 0;
    bool noMoreData_ = false;
};
