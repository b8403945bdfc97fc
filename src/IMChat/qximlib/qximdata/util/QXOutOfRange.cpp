#include "IMChat/qximlib/qximdata/util/QXOutOfRange.h"

QVariant qx_objectAtIndex(const QVariantList& array, qsizetype index) {
    if (index < 0 || index >= array.size()) return {};
    return array.at(index);
}
