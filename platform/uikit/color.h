#pragma once

#include <QColor>

#include <memory>

namespace ui {

class Image;

// A colour with alpha, or a pattern image repeated from the origin of whatever it
// fills. The default colour is "no colour" (the platform's nil): it fills nothing,
// unlike the clear colour, which is a colour with alpha 0.
class Color {
public:
    Color() = default;

    // Components from 0 to 1, as the platform takes them.
    [[nodiscard]] static Color colorWithRed(double red, double green, double blue,
                                            double alpha = 1);
    [[nodiscard]] static Color colorWithWhite(double white, double alpha = 1);
    // Components from 0 to 255, the form the app's colour helpers write.
    [[nodiscard]] static Color rgb(int red, int green, int blue, double alpha = 1);
    [[nodiscard]] static Color colorWithPatternImage(std::shared_ptr<Image> image);

    [[nodiscard]] static Color blackColor();
    [[nodiscard]] static Color darkGrayColor();
    [[nodiscard]] static Color grayColor();
    [[nodiscard]] static Color lightGrayColor();
    [[nodiscard]] static Color whiteColor();
    [[nodiscard]] static Color redColor();
    [[nodiscard]] static Color greenColor();
    [[nodiscard]] static Color blueColor();
    [[nodiscard]] static Color cyanColor();
    [[nodiscard]] static Color yellowColor();
    [[nodiscard]] static Color magentaColor();
    [[nodiscard]] static Color orangeColor();
    [[nodiscard]] static Color purpleColor();
    [[nodiscard]] static Color brownColor();
    [[nodiscard]] static Color clearColor();
    [[nodiscard]] static Color groupTableViewBackgroundColor();

    [[nodiscard]] bool isValid() const { return valid_; }
    [[nodiscard]] bool isPattern() const { return pattern_ != nullptr; }
    [[nodiscard]] const std::shared_ptr<Image>& patternImage() const { return pattern_; }
    [[nodiscard]] double red() const { return red_; }
    [[nodiscard]] double green() const { return green_; }
    [[nodiscard]] double blue() const { return blue_; }
    [[nodiscard]] double alpha() const { return alpha_; }
    // Nothing shows through it: a colour of alpha 1 (patterns count as not opaque).
    [[nodiscard]] bool isOpaque() const { return valid_ && !pattern_ && alpha_ >= 1; }
    // Draws nothing: no colour, or alpha 0.
    [[nodiscard]] bool isInvisible() const { return !valid_ || alpha_ <= 0; }

    [[nodiscard]] Color colorWithAlphaComponent(double alpha) const;
    // Straight interpolation of the components, for animations.
    [[nodiscard]] Color interpolated(const Color& to, double fraction) const;

    [[nodiscard]] QColor toQt() const;
    [[nodiscard]] static Color fromQt(const QColor& color);

    friend bool operator==(const Color& a, const Color& b);

private:
    bool valid_ = false;
    double red_ = 0, green_ = 0, blue_ = 0, alpha_ = 0;
    std::shared_ptr<Image> pattern_;
};

}  // namespace ui
