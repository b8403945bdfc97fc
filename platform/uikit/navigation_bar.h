#pragma once

#include "platform/uikit/bar_look.h"
#include "platform/uikit/text_attributes.h"
#include "platform/uikit/view.h"

#include <functional>
#include <memory>
#include <vector>

namespace ui {

class Button;
class Image;
class ImageView;
class Label;
class NavigationItem;

enum class BarStyle { Default = 0, Black = 1 };

// The bar at the top of a navigation stack: it shows the top item's title (or
// title view) between its left and right items, and a back button titled after
// the item below when the top item has no left item of its own. Its background
// (image, tint or the default translucent white) reaches up over the status bar
// when the bar sits just below it.
//
// Subclasses may draw in drawRect; the background, as on the platform, lies
// above that drawing.
class NavigationBar : public View, public BarLook {
public:
    static constexpr double kHeight = 44;
    static constexpr double kTitleFontSize = 17;

    // Defaults for every bar that has no value of its own.
    struct Appearance {
        TextAttributes titleTextAttributes;
        std::shared_ptr<Image> backgroundImage;
        Color barTintColor;
    };
    [[nodiscard]] static Appearance& appearance();

    NavigationBar();
    explicit NavigationBar(const Rect& frame);
    ~NavigationBar() override;

    // The item stack; the last is on top.
    [[nodiscard]] const std::vector<std::shared_ptr<NavigationItem>>& items() const {
        return items_;
    }
    void setItems(std::vector<std::shared_ptr<NavigationItem>> items, bool animated = false);
    void pushNavigationItem(std::shared_ptr<NavigationItem> item, bool animated = false);
    std::shared_ptr<NavigationItem> popNavigationItemAnimated(bool animated = false);
    [[nodiscard]] std::shared_ptr<NavigationItem> topItem() const;
    [[nodiscard]] std::shared_ptr<NavigationItem> backItem() const;

    [[nodiscard]] BarStyle barStyle() const { return barStyle_; }
    void setBarStyle(BarStyle style);
    [[nodiscard]] const TextAttributes& titleTextAttributes() const { return titleAttributes_; }
    void setTitleTextAttributes(const TextAttributes& attributes);

    // Run when the back button is tapped (the navigation controller pops).
    void setBackAction(std::function<void()> action) { backAction_ = std::move(action); }
    // The views shown now, for tests and the driver.
    [[nodiscard]] Label* titleLabel() const { return titleLabel_.get(); }
    [[nodiscard]] Button* backButton() const;

    void layoutSubviews() override;
    [[nodiscard]] Size sizeThatFits(Size size) const override;

private:
    void itemsChanged();
    void watch(const std::shared_ptr<NavigationItem>& item);
    void updateBackground();
    void groundDidChange() override { updateBackground(); }
    void tintDidChange() override { itemsChanged(); }
    [[nodiscard]] Font titleFont() const;
    [[nodiscard]] Color titleColor() const;

    std::vector<std::shared_ptr<NavigationItem>> items_;
    std::vector<std::shared_ptr<View>> shown_;
    std::shared_ptr<ImageView> backgroundView_;
    std::shared_ptr<Label> titleLabel_;
    std::shared_ptr<Button> backButton_;
    TextAttributes titleAttributes_;
    std::function<void()> backAction_;
    BarStyle barStyle_ = BarStyle::Default;
};

}  // namespace ui
