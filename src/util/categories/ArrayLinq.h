#pragma once

#include <QVariant>
#include <QVariantList>

#include <functional>

// Block-based queries over arrays of reply values. They keep no state and run on the
// calling thread; the array must not change while a query walks it.
namespace linq {

using Predicate = std::function<bool(const QVariant&)>;
using Transform = std::function<QVariant(const QVariant&)>;

// The elements the predicate accepts, in the array's order.
[[nodiscard]] QVariantList where(const QVariantList& array, const Predicate& predicate);

// The first element the predicate accepts, or nil. Computed as `where` followed by taking
// the first element, so the predicate runs once on every element, in order, also after
// the first match; an empty array never calls it.
[[nodiscard]] QVariant find(const QVariantList& array, const Predicate& predicate);

// The transform's answers in the array's order, leaving out nil answers.
[[nodiscard]] QVariantList select(const QVariantList& array, const Transform& transform);

// Groups the elements by the value `key` answers for each: a dictionary from each distinct
// grouping value to the elements (in the array's order) whose value equals it. The
// grouping values are expected to be texts (numbers are keyed by their text); elements
// whose value is nil belong to no group. An empty array answers nil.
[[nodiscard]] QVariant groupBy(const QVariantList& array, const Transform& key);

// An array of `length` elements whose element i is `element(i, length)`, asked for i from
// 0 upwards; a length below 1 answers an empty array. A nil answer stays in its place as a
// nil element, so the array always has the length asked for.
[[nodiscard]] QVariantList arrayWithLength(int length,
                                           const std::function<QVariant(int, int)>& element);

}  // namespace linq
