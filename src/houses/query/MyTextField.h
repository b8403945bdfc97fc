#pragma once

#include "platform/uikit/text_field.h"

// The keyword field of the search title bars: its text starts 2 points from the left edge
// and its left view sits in a fixed 17-point square; it keeps no state of its own.
class MyTextField : public ui::TextField {
public:
    using ui::TextField::TextField;

    [[nodiscard]] ui::Rect borderRectForBounds(const ui::Rect& bounds) const override;
    [[nodiscard]] ui::Rect textRectForBounds(const ui::Rect& bounds) const override;
    [[nodiscard]] ui::Rect editingRectForBounds(const ui::Rect& bounds) const override;
    [[nodiscard]] ui::Rect leftViewRectForBounds(const ui::Rect& bounds) const override;
};
