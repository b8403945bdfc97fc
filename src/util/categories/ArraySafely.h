#pragma once

#include <QVariant>
#include <QVariantList>

// Element reads that tolerate an empty array.
namespace safely {

// Element 0, or nil for an empty array.
[[nodiscard]] QVariant firstObject(const QVariantList& array);

// An element at a uniformly random index, or nil for an empty array.
[[nodiscard]] QVariant anyObject(const QVariantList& array);

}  // namespace safely
