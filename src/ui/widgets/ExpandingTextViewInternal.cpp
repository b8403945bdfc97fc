#include "ui/widgets/ExpandingTextViewInternal.h"

void ExpandingTextViewInternal::setText(const QString& text) {
    const bool scrolls = isScrollEnabled();
    setScrollEnabled(true);
    ui::TextView::setText(text);
    setScrollEnabled(scrolls);
}
