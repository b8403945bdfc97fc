#include "platform/uikit/bar_look.h"

#include "platform/uikit/graphics_context.h"
#include "platform/uikit/image.h"

namespace ui {

void BarLook::setTranslucent(bool translucent) {
    translucent_ = translucent;
    groundDidChange();
}

void BarLook::setTintColor(const Color& color) {
    tintColor_ = color;
    tintDidChange();
}

void BarLook::setBarTintColor(const Color& color) {
    barTintColor_ = color;
    groundDidChange();
}

void BarLook::setBackgroundImage(std::shared_ptr<Image> image) {
    background_ = std::move(image);
    groundDidChange();
}

Color BarLook::itemTint() const {
    return tintColor_.isValid() ? tintColor_ : Color::colorWithRed(0, 0.478, 1);
}

Color BarLook::groundColor(const Color& fallback) const {
    const Color tint = barTintColor_.isValid() ? barTintColor_ : fallback;
    return translucent_ ? tint.colorWithAlphaComponent(0.96) : tint;
}

bool BarLook::paintGround(const Rect& rect, const Color& fallback) const {
    if (background_) {
        background_->drawInRect(rect);
        return true;
    }
    if (auto* context = GraphicsContext::current()) {
        context->setFillColor(groundColor(fallback));
        context->fillRect(rect);
    }
    return false;
}

}  // namespace ui
