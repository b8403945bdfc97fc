#pragma once

#include <QString>
#include <QStringList>

// Formatting a text from an array: each "%@" of the format takes the next element, in
// order ("%%" is a literal "%"). Surplus elements are ignored; a "%@" without an element
// left stays empty rather than reading past the array.
class QXTools {
public:
    [[nodiscard]] static QString stringWithFormat(const QString& format, const QStringList& array);
};
