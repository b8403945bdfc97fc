#pragma once

#include "platform/uikit/color.h"
#include "platform/uikit/geometry.h"

#include <memory>

namespace ui {

class Image;

// What navigation, tab and search bars share of their look: whether they are translucent, the
// tint of their items, the tint of the bar itself and a background picture that takes the
// place of that tint. A bar hears of a change through the two hooks.
class BarLook {
public:
    virtual ~BarLook() = default;

    [[nodiscard]] bool isTranslucent() const { return translucent_; }
    void setTranslucent(bool translucent);
    [[nodiscard]] const Color& tintColor() const { return tintColor_; }
    void setTintColor(const Color& color);
    [[nodiscard]] const Color& barTintColor() const { return barTintColor_; }
    void setBarTintColor(const Color& color);
    [[nodiscard]] const std::shared_ptr<Image>& backgroundImage() const { return background_; }
    void setBackgroundImage(std::shared_ptr<Image> image);

protected:
    BarLook() = default;
    // The tint of the items: the bar's own, else the platform's blue.
    [[nodiscard]] Color itemTint() const;
    // The colour of the bar when it shows no picture: its bar tint, else `fallback`, a little
    // see-through when translucent.
    [[nodiscard]] Color groundColor(const Color& fallback) const;
    // Draws the bar's picture over `rect`, or fills `rect` with the ground colour; true when
    // it drew the picture.
    bool paintGround(const Rect& rect, const Color& fallback) const;

private:
    // The translucency, the bar tint or the picture changed.
    virtual void groundDidChange() = 0;
    // The items' tint changed.
    virtual void tintDidChange() = 0;

    std::shared_ptr<Image> background_;
    Color tintColor_;
    Color barTintColor_;
    bool translucent_ = true;
};

}  // namespace ui
