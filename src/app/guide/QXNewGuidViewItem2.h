#pragma once

#include "app/guide/QXNewGuidViewItem.h"

// The guide's second page: a map with a person and a pin, three icons rising from below.
class QXNewGuidViewItem2 : public QXNewGuidViewItem {
public:
    static std::shared_ptr<QXNewGuidViewItem2> create(const ui::Rect& frame);
    explicit QXNewGuidViewItem2(const ui::Rect& frame);

    void showAnimation() override;
    void showRevertAnimation() override;
    [[nodiscard]] static ui::Point getIconPoint(int index, bool isStart);

    [[nodiscard]] ui::ImageView* centerView() const { return centerView_.get(); }
    [[nodiscard]] ui::ImageView* personView() const { return personView_.get(); }
    [[nodiscard]] ui::ImageView* mapPointView() const { return mapPointView_.get(); }
    [[nodiscard]] ui::ImageView* multiCircleView() const { return multiCircleView_.get(); }

protected:
    std::shared_ptr<ui::ImageView> createView(int n) override;

private:
    void setupCenterLV();
    std::shared_ptr<ui::ImageView> centerView_;
    std::shared_ptr<ui::ImageView> personView_;
    std::shared_ptr<ui::ImageView> mapPointView_;
    std::shared_ptr<ui::ImageView> multiCircleView_;
};
