#include "houses/query/MyTextField.h"

#include "ui/widgets/PlatformVersion.h"

ui::Rect MyTextField::borderRectForBounds(const ui::Rect& bounds) const {
    return {0, 0, bounds.size.width, bounds.size.height};
}

ui::Rect MyTextField::textRectForBounds(const ui::Rect& bounds) const {
    if (PlatformVersion::isVersion7OrLater())
        return {2, bounds.origin.y, bounds.size.width, bounds.size.height};
    // Older systems centre the line themselves less well: the text is placed by its size.
    return {2, (bounds.size.height - font().pointSize()) * 0.5 - 2, bounds.size.width - 28,
            bounds.size.height};
}

ui::Rect MyTextField::editingRectForBounds(const ui::Rect& bounds) const {
    return textRectForBounds(bounds);
}

ui::Rect MyTextField::leftViewRectForBounds(const ui::Rect&) const {
    return {10, 7.5, 17, 17};
}
