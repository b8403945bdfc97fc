#pragma once

#include "platform/uikit/table_view_cell.h"

#include <functional>
#include <memory>

class QXMapDetailModel;
class URLPic;

namespace ui {
class Button;
class Label;
}  // namespace ui

// A 72-point row of a shop's broker list: photo, name, credit stars, online state, how many
// people contacted the broker, and the chat button.
class QXMapDetailCell : public ui::TableViewCell {
public:
    static inline const QString kReuseIdentifier = QStringLiteral("QXMapDetailCell");
    static constexpr double kRowHeight = 72;

    QXMapDetailCell();

    [[nodiscard]] const std::shared_ptr<QXMapDetailModel>& connectModel() const {
        return connectModel_;
    }
    // Shows the broker; a reused row shows only the new broker's data.
    void setConnectModel(std::shared_ptr<QXMapDetailModel> model);

    [[nodiscard]] URLPic* headImage() const { return HeadImage_.get(); }
    [[nodiscard]] ui::Label* nameLabel() const { return nameLabel_.get(); }
    [[nodiscard]] ui::Label* onlineLabel() const { return onlineLabel_.get(); }
    [[nodiscard]] ui::Label* numContectLabel() const { return numContectLabel_.get(); }
    [[nodiscard]] ui::View* evaluateNumView() const { return evaluateNumView_.get(); }
    [[nodiscard]] ui::Button* connectBt() const { return connectBt_.get(); }

    // The chat button's action.
    std::function<void(QXMapDetailCell&)> block;

private:
    void fillFromModel();

    std::shared_ptr<QXMapDetailModel> connectModel_;
    std::shared_ptr<URLPic> HeadImage_;
    std::shared_ptr<ui::Label> nameLabel_;
    std::shared_ptr<ui::View> evaluateNumView_;
    std::shared_ptr<ui::Label> onlineLabel_;
    std::shared_ptr<ui::Label> numContectLabel_;
    std::shared_ptr<ui::Button> connectBt_;
};

// A row of `total` stars of which the first `level` are lit.
class CreditStarView : public ui::View {
public:
    static constexpr double kStarSide = 12;
    CreditStarView(int level, int total);
    void drawRect(const ui::Rect& rect) override;
    [[nodiscard]] int level() const { return level_; }

private:
    int level_;
    int total_;
};
