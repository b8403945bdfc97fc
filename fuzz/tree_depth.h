// The depth of a decoded JSON tree, for the harnesses that check what the writer refuses.
#pragma once

#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <algorithm>

// The levels of containers in a decoded tree (at most the decoder's bound, so the recursion
// stays shallow).
inline int depthOf(const QVariant& value) {
    int deepest = 0;
    if (value.typeId() == QMetaType::QVariantList) {
        for (const QVariant& element : value.toList())
            deepest = std::max(deepest, depthOf(element));
        return deepest + 1;
    }
    if (value.typeId() == QMetaType::QVariantMap) {
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            deepest = std::max(deepest, depthOf(it.value()));
        return deepest + 1;
    }
    return 0;
}
