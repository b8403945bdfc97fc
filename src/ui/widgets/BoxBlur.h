#pragma once

#include <memory>

namespace ui {
class Image;
}

// The image extension that blurs: three passes of a square box over the pixels,
// the edge pixels extended. Strengths from 0 to 1 give boxes of up to 161 pixels;
// anything outside that range gives the middle box of 81.
namespace BoxBlur {

[[nodiscard]] int boxSizeForStrength(double strength);

}  // namespace BoxBlur

// A new opaque image of scale 1; none when the pixels cannot be had.
[[nodiscard]] std::shared_ptr<ui::Image> blurredImage(const ui::Image& image, double strength);
