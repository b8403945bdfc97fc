#pragma once

#include "platform/uikit/table_view_cell.h"

// The district list's row: the standard row with its arrow at (291, 18) and its text moved to
// the row's left edge plus 20 points.
class SizableImageCellc : public ui::TableViewCell {
public:
    using ui::TableViewCell::TableViewCell;

    void layoutSubviews() override;
};
