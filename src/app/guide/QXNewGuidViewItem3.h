#pragma once

#include "app/guide/QXNewGuidViewItem.h"

// The guide's third page: a phone, a person sliding in beside it and four icons fanning
// out from one point.
class QXNewGuidViewItem3 : public QXNewGuidViewItem {
public:
    static std::shared_ptr<QXNewGuidViewItem3> create(const ui::Rect& frame);
    explicit QXNewGuidViewItem3(const ui::Rect& frame);

    void showAnimation() override;
    void showRevertAnimation() override;
    [[nodiscard]] static ui::Point getIconPoint(int index, bool isStart);

    [[nodiscard]] ui::ImageView* phoneView() const { return phoneView_.get(); }
    [[nodiscard]] ui::ImageView* personView() const { return personView_.get(); }

protected:
    std::shared_ptr<ui::ImageView> createView(int n) override;

private:
    void setupCenterLV();
    std::shared_ptr<ui::ImageView> phoneView_;
    std::shared_ptr<ui::ImageView> personView_;
};
