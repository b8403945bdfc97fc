#pragma once

#include "platform/uikit/table_view_cell.h"

#include <memory>

namespace ui {
class ImageView;
class Label;
}  // namespace ui
class QXNeedHistoryItem;

// The card of one published need in the need history: when it was sent, the place, the
// price and house types, how many brokers answered, a red mark when its daily push has new
// houses and a mark when its push was switched off.
class QXNeedHistroyCell : public ui::TableViewCell {
public:
    static inline const QString kReuseIdentifier = QStringLiteral("QXNeedHistroyCell");
    static constexpr double kHeight = 95;

    QXNeedHistroyCell();

    void setAddRequestListCellWithItem(const QXNeedHistoryItem& item);

    [[nodiscard]] ui::Label* timeString() const { return timeString_.get(); }
    [[nodiscard]] ui::Label* needString() const { return needString_.get(); }
    [[nodiscard]] ui::Label* priceLabel() const { return priceLabel_.get(); }
    [[nodiscard]] ui::Label* houseDoorLabel() const { return houseDoorLabel_.get(); }
    [[nodiscard]] ui::Label* cellLeftTypeNameLabel() const { return cellLeftTypeNameLabel_.get(); }
    [[nodiscard]] ui::Label* agentNumLabel() const { return agentNumLabel_.get(); }
    [[nodiscard]] ui::Label* houseNumLabel() const { return houseNumLabel_.get(); }
    [[nodiscard]] ui::Label* bottomBgLabel() const { return bottomBgLabel_.get(); }
    [[nodiscard]] ui::Label* pushFlagLbl() const { return pushFlagLbl_.get(); }
    [[nodiscard]] ui::ImageView* cellBg() const { return cellBg_.get(); }
    [[nodiscard]] ui::ImageView* bottomIconView() const { return bottomIconView_.get(); }
    [[nodiscard]] ui::ImageView* bottomLineView() const { return bottomLineView_.get(); }
    [[nodiscard]] ui::ImageView* topLineView() const { return topLineView_.get(); }
    [[nodiscard]] ui::ImageView* subscribeRefreshImgView() const {
        return subscribeRefreshImgView_.get();
    }

private:
    std::shared_ptr<ui::Label> timeString_;
    std::shared_ptr<ui::Label> needString_;
    std::shared_ptr<ui::Label> priceLabel_;
    std::shared_ptr<ui::Label> houseDoorLabel_;
    std::shared_ptr<ui::Label> cellLeftTypeNameLabel_;
    std::shared_ptr<ui::Label> agentNumLabel_;
    std::shared_ptr<ui::Label> houseNumLabel_;
    std::shared_ptr<ui::Label> bottomBgLabel_;
    std::shared_ptr<ui::Label> pushFlagLbl_;
    std::shared_ptr<ui::ImageView> cellBg_;
    std::shared_ptr<ui::ImageView> bottomIconView_;
    std::shared_ptr<ui::ImageView> bottomLineView_;
    std::shared_ptr<ui::ImageView> topLineView_;
    std::shared_ptr<ui::ImageView> subscribeRefreshImgView_;
};
