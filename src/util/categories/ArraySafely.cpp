#include "util/categories/ArraySafely.h"

#include <QRandomGenerator>

namespace safely {

QVariant firstObject(const QVariantList& array) {
    return array.isEmpty() ? QVariant() : array.first();
}

QVariant anyObject(const QVariantList& array) {
    if (array.isEmpty()) return {};
    return array.at(QRandomGenerator::global()->bounded(qint64(array.size())));
}

}  // namespace safely
