#pragma once

#include <QVariant>
#include <QVariantList>

// Safe array read: the element at `index`, or nil when `index` is past the end (or
// negative), where a plain read would fail.
[[nodiscard]] QVariant qx_objectAtIndex(const QVariantList& array, qsizetype index);
