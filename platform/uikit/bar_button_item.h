#pragma once

#include "platform/uikit/bar_item.h"
#include "platform/uikit/color.h"

#include <functional>
#include <memory>
#include <optional>

namespace ui {

class Button;
class View;

enum class BarButtonItemStyle { Plain = 0, Bordered = 1, Done = 2 };

// The platform's ready-made items, as it numbers those the app uses.
enum class BarButtonSystemItem {
    Done = 0,
    Cancel = 1,
    Edit = 2,
    Save = 3,
    Add = 4,
    FlexibleSpace = 5,
    FixedSpace = 6,
};

// An item of a navigation bar or tool bar: a title, an image, a custom view,
// or a space (fixed width or flexible). Tapping it runs its action.
class BarButtonItem : public BarItem, public std::enable_shared_from_this<BarButtonItem> {
public:
    using Action = std::function<void(BarButtonItem& item)>;

    // Points between a bar's edge and its outermost item, and between items.
    static constexpr double kEdgeMargin = 16;
    static constexpr double kSpacing = 8;

    [[nodiscard]] static std::shared_ptr<BarButtonItem> itemWithTitle(const QString& title,
                                                                      BarButtonItemStyle style,
                                                                      Action action);
    [[nodiscard]] static std::shared_ptr<BarButtonItem> itemWithImage(std::shared_ptr<Image> image,
                                                                      BarButtonItemStyle style,
                                                                      Action action);
    [[nodiscard]] static std::shared_ptr<BarButtonItem> itemWithCustomView(
        std::shared_ptr<View> view);
    [[nodiscard]] static std::shared_ptr<BarButtonItem> itemWithSystemItem(BarButtonSystemItem item,
                                                                           Action action = {});

    BarButtonItem() = default;
    ~BarButtonItem() override;

    [[nodiscard]] BarButtonItemStyle style() const { return style_; }
    void setStyle(BarButtonItemStyle style);
    [[nodiscard]] const std::shared_ptr<View>& customView() const { return customView_; }
    void setCustomView(std::shared_ptr<View> view);
    // The width of a fixed space (negative widths pull the next item outwards),
    // or of the item's button when positive.
    [[nodiscard]] double width() const { return width_; }
    void setWidth(double width);
    [[nodiscard]] const Color& tintColor() const { return tintColor_; }
    void setTintColor(const Color& color);
    [[nodiscard]] const std::optional<BarButtonSystemItem>& systemItem() const {
        return systemItem_;
    }
    [[nodiscard]] bool isSpace() const;
    [[nodiscard]] bool isFlexibleSpace() const;
    void setAction(Action action) { action_ = std::move(action); }

    // The view a bar shows for the item: its custom view, or a button made for
    // its title or image (none for spaces).
    [[nodiscard]] std::shared_ptr<View> barView();
    // Runs the action, as a tap on the item does.
    void performAction();

private:
    void updateButton();

    BarButtonItemStyle style_ = BarButtonItemStyle::Plain;
    std::optional<BarButtonSystemItem> systemItem_;
    std::shared_ptr<View> customView_;
    std::shared_ptr<Button> button_;
    Color tintColor_;
    Action action_;
    double width_ = 0;
};

}  // namespace ui
