#pragma once

#include "platform/uikit/scroll_view.h"

#include <memory>

class QXNewGuidViewItem;
class QXNewGuidViewItem1;
class QXNewGuidViewItem2;
class QXNewGuidViewItem3;

// The first-launch guide: one tall page of pictures over the window. Scrolling down plays
// the three sections' entrance animations one after the other, scrolling up their reverse;
// the green "开始找房" button at the bottom removes the guide.
class QXNewGuidView : public ui::View, public ui::ScrollViewDelegate {
public:
    static std::shared_ptr<QXNewGuidView> create(const ui::Rect& frame);
    explicit QXNewGuidView(const ui::Rect& frame);

    // Removes the guide from its superview.
    void goToClose();
    void scrollViewDidScroll(ui::ScrollView& scrollView) override;
    // Sends the pages what the move from `oldY` to `newY` calls for.
    void contentOffsetChanged(double newY, double oldY);

    [[nodiscard]] ui::ScrollView* mainScroll() const { return mainScroll_.get(); }
    [[nodiscard]] QXNewGuidViewItem1* guidItemView1() const { return guidItemView1_.get(); }
    [[nodiscard]] QXNewGuidViewItem2* guidItemView2() const { return guidItemView2_.get(); }
    [[nodiscard]] QXNewGuidViewItem3* guidItemView3() const { return guidItemView3_.get(); }

private:
    void setupScrollView(const ui::Rect& frame);
    void setupGoToHomeButton();
    [[nodiscard]] QXNewGuidViewItem& page(int index) const;

    std::shared_ptr<ui::ScrollView> mainScroll_;
    std::shared_ptr<QXNewGuidViewItem1> guidItemView1_;
    std::shared_ptr<QXNewGuidViewItem2> guidItemView2_;
    std::shared_ptr<QXNewGuidViewItem3> guidItemView3_;
    double lastOffsetY_ = 0;
};
