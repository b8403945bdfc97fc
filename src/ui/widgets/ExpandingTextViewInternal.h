#pragma once

#include "platform/uikit/text_view.h"

// The text view inside the expanding text view: setting its text scrolls it as
// needed even while its scrolling is off.
class ExpandingTextViewInternal : public ui::TextView {
public:
    using ui::TextView::TextView;
    void setText(const QString& text) override;
};
