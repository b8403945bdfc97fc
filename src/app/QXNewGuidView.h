#pragma once

#include "platform/uikit/view.h"

// The first-launch guide in its least form: a full-window page that says what the app does,
// with the green "开始找房" button at the bottom that removes it.
class QXNewGuidView : public ui::View {
public:
    explicit QXNewGuidView(const ui::Rect& frame);
    // Removes the guide from its superview.
    void goToClose();
};
