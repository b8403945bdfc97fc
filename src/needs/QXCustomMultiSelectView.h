#pragma once

#include "platform/uikit/view.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

namespace ui {
class Button;
class Image;
}  // namespace ui

// A grid of toggle buttons, one per item, in rows of at most maxNumberOfColumns; the widths
// in a row follow the lengths of their titles. The need form chooses its house types and
// extra terms with it. Each button's tag is its item's index plus one.
class QXCustomMultiSelectView : public ui::View {
public:
    static constexpr double kDefaultButtonHeight = 44;
    static constexpr double kFittedRowHeight = 44;
    static inline const ui::Color kDefaultTitleColor = ui::Color::rgb(92, 99, 103);

    explicit QXCustomMultiSelectView(const ui::Rect& frame);

    [[nodiscard]] const QStringList& items() const { return items_; }
    // Lays the grid out again; choices of titles that stay at their place are kept.
    void setItems(const QStringList& items);
    void setMaxNumberOfColumns(int columns);
    // 0 means kDefaultButtonHeight.
    void setButtonHeight(double height);
    void setHMargin(double margin);
    void setVMargin(double margin);
    void setButtonNomralImage(std::shared_ptr<ui::Image> image);
    void setButtonHighLightImage(std::shared_ptr<ui::Image> image);
    void setButtonTitleColor(const ui::Color& color);

    // The chosen buttons, in item order.
    [[nodiscard]] const std::vector<std::shared_ptr<ui::Button>>& selectButtons() const {
        return selectButtons_;
    }
    // The chosen titles, in item order.
    [[nodiscard]] QStringList selectedItems();
    [[nodiscard]] const std::vector<std::shared_ptr<ui::Button>>& buttons() const {
        return buttons_;
    }

    void layoutSubviews() override;
    // The view's width; rows of kFittedRowHeight with a vertical margin around each.
    [[nodiscard]] ui::Size sizeThatFits(ui::Size size) const override;

private:
    void relayout();
    void itemTapped(ui::Button& button);
    void refreshSelection();
    [[nodiscard]] int columns() const;
    [[nodiscard]] int rows() const;

    QStringList items_;
    int maxNumberOfColumns_ = 1;
    double buttonHeight_ = 0;
    double hMargin_ = 0;
    double vMargin_ = 0;
    std::shared_ptr<ui::Image> normalImage_;
    std::shared_ptr<ui::Image> selectedImage_;
    std::optional<ui::Color> titleColor_;
    std::vector<std::shared_ptr<ui::Button>> buttons_;
    std::vector<std::shared_ptr<ui::Button>> selectButtons_;
    // The grid is built again only when something it depends on changed.
    bool stale_ = true;
    double laidOutWidth_ = -1;
};
