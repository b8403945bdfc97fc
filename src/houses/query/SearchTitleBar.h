#pragma once

#include "houses/query/MyTextField.h"

#include <QString>

#include <functional>
#include <memory>

namespace ui {
class Button;
class View;
class ViewController;
}  // namespace ui

// The title view of the screens that search: a clear 260 x 44 view holding the keyword
// field at (0, 6), 204 x 32, and the "搜索" button at (211, 6), 43 x 32, beside it. The
// field has a clear background, the 14-point system font, the placeholder " 输入关键词搜索",
// the search return key and the picture "分类-搜索框.png" stretched from its centre behind
// it, its left-view mode always (with no left view); the screen sets its delegate.
class SearchTitleBar {
public:
    static inline const QString kPlaceholder = QStringLiteral(" 输入关键词搜索");
    // `buttonPicture` is the button's background ("button34px.png" on the post list,
    // "buttonB高34.png" on the search screens); its pressed look is the picture of the
    // same name with "-点击态". `search` runs on a tap of the button.
    SearchTitleBar(const QString& buttonPicture, std::function<void()> search);

    [[nodiscard]] const std::shared_ptr<ui::View>& view() const { return view_; }
    [[nodiscard]] const std::shared_ptr<MyTextField>& field() const { return field_; }
    [[nodiscard]] const std::shared_ptr<ui::Button>& button() const { return button_; }
    // Gives the field the keyboard once the screen's navigation bar shows the title view.
    void focus(ui::ViewController& screen) const;

private:
    std::shared_ptr<ui::View> view_;
    std::shared_ptr<MyTextField> field_;
    std::shared_ptr<ui::Button> button_;
};
