#pragma once

#include "ui/widgets/PRRefreshBaseView.h"

// Pull up at the end of a list to load more: the strip follows the end of the
// content (or the bottom of the visible area when the content is shorter).
class PRRefreshFooterView : public PRRefreshBaseView {
public:
    static constexpr double kEndRefreshingDelay = 0.3;

    [[nodiscard]] static std::shared_ptr<PRRefreshFooterView> footer();
    PRRefreshFooterView();

    void setFrame(const ui::Rect& frame) override;
    void setScrollView(const std::shared_ptr<ui::ScrollView>& scrollView) override;
    void setState(PRRefreshState state) override;
    void adjustFrame();

    [[nodiscard]] int lastRefreshCount() const { return lastRefreshCount_; }
    // How much taller the content is than the visible area (negative when shorter).
    [[nodiscard]] double contentBreakView() const;

protected:
    [[nodiscard]] int viewType() const override { return 1; }
    [[nodiscard]] double validY() const override;
    [[nodiscard]] double endRefreshingDelay() const override { return kEndRefreshingDelay; }
    void contentSizeChanged() override;

private:
    int lastRefreshCount_ = 0;
};
