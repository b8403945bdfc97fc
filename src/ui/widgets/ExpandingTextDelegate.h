#pragma once

#include "platform/uikit/geometry.h"

#include <QString>

// What a growing text input tells its delegate; every method is optional. The live
// widget and its older variant share it, each with its own type.
template <class Widget>
class ExpandingTextDelegateOf {
public:
    virtual ~ExpandingTextDelegateOf() = default;
    virtual bool expandingTextViewShouldBeginEditing(Widget&) { return true; }
    virtual bool expandingTextViewShouldEndEditing(Widget&) { return true; }
    virtual void expandingTextViewDidBeginEditing(Widget&) {}
    virtual void expandingTextViewDidEndEditing(Widget&) {}
    virtual bool expandingTextViewShouldChangeTextInRange(Widget&, ui::Range range,
                                                          const QString& text) {
        (void)range, (void)text;
        return true;
    }
    // Answering true to a line break refuses it (the chat bar sends the message there).
    virtual bool expandingTextViewShouldReturn(Widget&) { return false; }
    virtual void expandingTextViewDidChange(Widget&) {}
    virtual void expandingTextViewWillChangeHeight(Widget&, double height) { (void)height; }
    virtual void expandingTextViewDidChangeHeight(Widget&, double height) { (void)height; }
    virtual void expandingTextViewDidChangeSelection(Widget&) {}
};
