#pragma once

#include "platform/uikit/attributed_string.h"

#include <QString>
#include <QUrl>

#include <optional>

// What a tap on rich text hit, handed to the view's delegate.
struct RichTextTouchData {
    // The address of the link under the finger, if any.
    std::optional<QUrl> url;
    // For a tap on a line that holds a link: the last link run's name ("_link"), its
    // attributes and its rectangle in text form ("{{x, y}, {width, height}}").
    QString dataName;
    std::optional<ui::StringAttributes> dataAttributes;
    QString dataFrame;

    [[nodiscard]] bool isEmpty() const { return !url && dataName.isEmpty(); }
};
