#include "util/categories/ArrayLinq.h"

#include <QMap>
#include <QVariantMap>

namespace linq {

QVariantList where(const QVariantList& array, const Predicate& predicate) {
    QVariantList matches;
    for (const QVariant& element : array) {
        if (predicate(element)) matches.append(element);
    }
    return matches;
}

QVariant find(const QVariantList& array, const Predicate& predicate) {
    const QVariantList matches = where(array, predicate);
    return matches.isEmpty() ? QVariant() : matches.first();
}

QVariantList select(const QVariantList& array, const Transform& transform) {
    QVariantList answers;
    answers.reserve(array.size());
    for (const QVariant& element : array) {
        QVariant answer = transform(element);
        if (answer.isValid()) answers.append(std::move(answer));
    }
    return answers;
}

QVariant groupBy(const QVariantList& array, const Transform& key) {
    if (array.isEmpty()) return {};
    QMap<QString, QVariantList> members;
    for (const QVariant& element : array) {
        const QVariant value = key(element);
        if (value.isValid()) members[value.toString()].append(element);
    }
    QVariantMap groups;
    for (auto group = members.cbegin(); group != members.cend(); ++group)
        groups.insert(group.key(), group.value());
    return groups;
}

QVariantList arrayWithLength(int length, const std::function<QVariant(int, int)>& element) {
    QVariantList array;
    if (length < 1) return array;
    array.reserve(length);
    for (int i = 0; i < length; ++i) array.append(element(i, length));
    return array;
}

}  // namespace linq
