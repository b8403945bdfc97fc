#include "needs/SizableImageCellc.h"

#include "platform/uikit/label.h"

void SizableImageCellc::layoutSubviews() {
    ui::TableViewCell::layoutSubviews();
    if (accessoryView()) accessoryView()->setFrame(ui::Rect(291, 18, 9, 13));
    ui::Rect text = textLabel()->frame();
    text.origin = {20, 0};
    textLabel()->setFrame(text);
}
