#include "platform/uikit/color.h"

#include <algorithm>

namespace ui {

namespace {
double clamp01(double value) {
    return std::clamp(value, 0.0, 1.0);
}
}  // namespace

Color Color::colorWithRed(double red, double green, double blue, double alpha) {
    Color color;
    color.valid_ = true;
    color.red_ = clamp01(red);
    color.green_ = clamp01(green);
    color.blue_ = clamp01(blue);
    color.alpha_ = clamp01(alpha);
    return color;
}

Color Color::colorWithWhite(double white, double alpha) {
    return colorWithRed(white, white, white, alpha);
}

Color Color::rgb(int red, int green, int blue, double alpha) {
    return colorWithRed(red / 255.0, green / 255.0, blue / 255.0, alpha);
}

Color Color::colorWithPatternImage(std::shared_ptr<Image> image) {
    if (!image) return {};
    Color color = colorWithWhite(0, 1);
    color.pattern_ = std::move(image);
    return color;
}

Color Color::blackColor() {
    return colorWithWhite(0);
}
Color Color::darkGrayColor() {
    return colorWithWhite(1.0 / 3);
}
Color Color::grayColor() {
    return colorWithWhite(0.5);
}
Color Color::lightGrayColor() {
    return colorWithWhite(2.0 / 3);
}
Color Color::whiteColor() {
    return colorWithWhite(1);
}
Color Color::redColor() {
    return colorWithRed(1, 0, 0);
}
Color Color::greenColor() {
    return colorWithRed(0, 1, 0);
}
Color Color::blueColor() {
    return colorWithRed(0, 0, 1);
}
Color Color::cyanColor() {
    return colorWithRed(0, 1, 1);
}
Color Color::yellowColor() {
    return colorWithRed(1, 1, 0);
}
Color Color::magentaColor() {
    return colorWithRed(1, 0, 1);
}
Color Color::orangeColor() {
    return colorWithRed(1, 0.5, 0);
}
Color Color::purpleColor() {
    return colorWithRed(0.5, 0, 0.5);
}
Color Color::brownColor() {
    return colorWithRed(0.6, 0.4, 0.2);
}
Color Color::clearColor() {
    return colorWithWhite(0, 0);
}
Color Color::groupTableViewBackgroundColor() {
    return colorWithRed(0.937, 0.937, 0.957);
}

Color Color::colorWithAlphaComponent(double alpha) const {
    if (!valid_) return {};
    Color color = *this;
    color.alpha_ = clamp01(alpha);
    return color;
}

Color Color::interpolated(const Color& to, double f) const {
    // Animating from or to "no colour" goes through the clear colour.
    const Color from = valid_ ? *this : to.colorWithAlphaComponent(0);
    const Color target = to.valid_ ? to : from.colorWithAlphaComponent(0);
    Color color = colorWithRed(from.red_ + (target.red_ - from.red_) * f,
                               from.green_ + (target.green_ - from.green_) * f,
                               from.blue_ + (target.blue_ - from.blue_) * f,
                               from.alpha_ + (target.alpha_ - from.alpha_) * f);
    color.pattern_ = f < 1 ? from.pattern_ : target.pattern_;
    return color;
}

QColor Color::toQt() const {
    if (!valid_) return QColor(Qt::transparent);
    return QColor::fromRgbF(float(red_), float(green_), float(blue_), float(alpha_));
}

Color Color::fromQt(const QColor& color) {
    if (!color.isValid()) return {};
    return colorWithRed(color.redF(), color.greenF(), color.blueF(), color.alphaF());
}

bool operator==(const Color& a, const Color& b) {
    if (!a.valid_ || !b.valid_) return a.valid_ == b.valid_;
    return a.red_ == b.red_ && a.green_ == b.green_ && a.blue_ == b.blue_ && a.alpha_ == b.alpha_ &&
           a.pattern_ == b.pattern_;
}

}  // namespace ui
