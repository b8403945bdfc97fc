#pragma once

#include "platform/uikit/label.h"

// A label that puts its text at the top, the middle or the bottom of its bounds.
class VerticallyAlignedLabel : public ui::Label {
public:
    enum VerticalAlignment { kTop = 0, kMiddle = 1, kBottom = 2 };

    explicit VerticallyAlignedLabel(const ui::Rect& frame = {});

    [[nodiscard]] int verticalAlignment() const { return verticalAlignment_; }
    void setVerticalAlignment(int alignment);

    [[nodiscard]] ui::Rect textRectForBounds(const ui::Rect& bounds,
                                             int numberOfLines) const override;
    void drawTextInRect(const ui::Rect& rect) override;
    // Highlighted text casts no shadow; resting text a shadow one point down.
    void setHighlighted(bool highlighted) override;

private:
    int verticalAlignment_ = kTop;
};
