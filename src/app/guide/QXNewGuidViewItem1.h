#pragma once

#include "app/guide/QXNewGuidViewItem.h"

// The guide's first page: a house with a child and a dark circle sliding in, and three
// icons popping up under it.
class QXNewGuidViewItem1 : public QXNewGuidViewItem {
public:
    static std::shared_ptr<QXNewGuidViewItem1> create(const ui::Rect& frame);
    explicit QXNewGuidViewItem1(const ui::Rect& frame);

    void showAnimation() override;
    void showRevertAnimation() override;
    [[nodiscard]] static ui::Point getIconPoint(int index, bool isStart);

    [[nodiscard]] ui::ImageView* centerView() const { return centerView_.get(); }
    [[nodiscard]] ui::ImageView* childImgView() const { return childImgView_.get(); }
    [[nodiscard]] ui::ImageView* blackCircleView() const { return blackCircleView_.get(); }

protected:
    std::shared_ptr<ui::ImageView> createView(int n) override;

private:
    void setupCenterLV();
    std::shared_ptr<ui::ImageView> centerView_;
    std::shared_ptr<ui::ImageView> childImgView_;
    std::shared_ptr<ui::ImageView> blackCircleView_;
};
