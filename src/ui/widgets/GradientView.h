#pragma once

#include "platform/uikit/graphics_context.h"
#include "platform/uikit/view.h"

#include <optional>
#include <vector>

// A view painted with a colour gradient (linear top to bottom, or radial), clipped
// to a rectangle with none, the top, the bottom or all corners rounded, and, while
// selected, a title-bar shadow strip over it. The default gradient is the app's blue.
class GradientView : public ui::View {
public:
    enum Type { kLinear = 0, kRadial = 1 };
    enum CellType { kTopRounded = 1, kBottomRounded = 2, kAllRounded = 3 };

    explicit GradientView(const ui::Rect& frame = {},
                          std::optional<ui::Gradient> gradient = std::nullopt);

    [[nodiscard]] const ui::Gradient& gradient() const { return gradient_; }
    // Components: four floats (red, green, blue, alpha) per colour; `size` in bytes, so
    // size / 16 colours, spread evenly. Clears `selected`.
    void setColors(const std::vector<float>& components, std::size_t size);

    [[nodiscard]] int type() const { return type_; }
    void setType(int type);
    [[nodiscard]] bool extendsPastStart() const { return extendsPastStart_; }
    void setExtendsPastStart(bool extends);
    [[nodiscard]] bool extendsPastEnd() const { return extendsPastEnd_; }
    void setExtendsPastEnd(bool extends);
    [[nodiscard]] unsigned cellType() const { return cellType_; }
    void setCellType(unsigned cellType);
    [[nodiscard]] int cornerRadius() const { return cornerRadius_; }
    void setCornerRadius(int radius);
    [[nodiscard]] bool selected() const { return selected_; }
    void setSelected(bool selected);

    [[nodiscard]] unsigned drawingOptions() const;
    void setClipInContext(ui::GraphicsContext& context, const ui::Rect& rect) const;
    static void CGContextAddTopRoundedRect(ui::GraphicsContext& context, const ui::Rect& rect,
                                           int radius);
    static void CGContextAddBottomRoundedRect(ui::GraphicsContext& context, const ui::Rect& rect,
                                              int radius);
    static void CGContextAddRoundedRect(ui::GraphicsContext& context, const ui::Rect& rect,
                                        int radius);
    // Paints over the clip's bounding box, then restores the state setClip saved.
    void drawInContext(ui::GraphicsContext& context) const;
    void drawRect(const ui::Rect& rect) override;

private:
    ui::Gradient gradient_;
    int type_ = kLinear;
    unsigned cellType_ = 0;
    int cornerRadius_ = 10;
    bool extendsPastStart_ = true;
    bool extendsPastEnd_ = true;
    bool selected_ = true;
};
