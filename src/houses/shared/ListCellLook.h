#pragma once

#include "platform/uikit/color.h"
#include "platform/uikit/font.h"

#include <memory>

namespace ui {
class Label;
class TableViewCell;
}  // namespace ui

// What the list rows share: their text colours and the plain labels they are made of.
class ListCellLook {
public:
    [[nodiscard]] static ui::Color dark() { return ui::Color::rgb(51, 51, 51); }
    [[nodiscard]] static ui::Color grey() { return ui::Color::rgb(153, 153, 153); }
    [[nodiscard]] static ui::Color orange() { return ui::Color::rgb(247, 127, 0); }
    // A label of that font and colour on a clear background.
    [[nodiscard]] static std::shared_ptr<ui::Label> label(const ui::Font& font,
                                                          const ui::Color& colour);
    // A post row's backgrounds: white, light grey while selected.
    static void styleRow(ui::TableViewCell& cell);
    // A post row's text labels: the title, the two grey lines on the left, the orange price
    // and the grey line under it on the right.
    static void makeTextLabels(std::shared_ptr<ui::Label>& left1, std::shared_ptr<ui::Label>& left2,
                               std::shared_ptr<ui::Label>& left3,
                               std::shared_ptr<ui::Label>& right2,
                               std::shared_ptr<ui::Label>& right3);
};
