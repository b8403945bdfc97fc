#include "houses/query/SearchHistory.h"

#include "platform/foundation/user_defaults.h"

#include <QSet>

namespace {

ns::UserDefaults& defaults() {
    return ns::UserDefaults::standardUserDefaults();
}

// The recorded order, oldest first, of the keywords the dictionary holds.
QStringList orderOf(const QVariantMap& store) {
    QStringList order;
    for (const QVariant& entry : defaults().arrayForKey(SearchHistory::kOrderKey)) {
        const QString keyword = entry.toString();
        if (store.contains(keyword)) order << keyword;
    }
    return order;
}

}  // namespace

void SearchHistory::record(const QString& keyword) {
    if (keyword.isEmpty()) return;
    QVariantMap store = defaults().dictionaryForKey(kStoreKey);
    QStringList order = orderOf(store);
    order.removeOne(keyword);
    store.insert(keyword, kStoredValue);
    order << keyword;
    // Keywords without a recorded order are the oldest; they give way first.
    if (store.size() > kMaxKeywords) {
        const QSet<QString> ordered(order.begin(), order.end());
        for (auto it = store.begin(); it != store.end() && store.size() > kMaxKeywords;) {
            it = ordered.contains(it.key()) ? std::next(it) : store.erase(it);
        }
        while (store.size() > kMaxKeywords) store.remove(order.takeFirst());
    }
    defaults().setObject(store, kStoreKey);
    QVariantList orderList;
    orderList.reserve(order.size());
    for (const QString& each : order) orderList << each;
    defaults().setObject(orderList, kOrderKey);
}

void SearchHistory::clear() {
    defaults().setObject(QVariantMap(), kStoreKey);
    defaults().removeObjectForKey(kOrderKey);
}

QStringList SearchHistory::keywords() {
    const QVariantMap store = defaults().dictionaryForKey(kStoreKey);
    const QStringList order = orderOf(store);
    QStringList keywords;
    keywords.reserve(store.size());
    for (auto it = order.crbegin(); it != order.crend(); ++it) keywords << *it;
    if (keywords.size() < store.size()) {
        const QSet<QString> ordered(order.begin(), order.end());
        for (auto it = store.keyBegin(); it != store.keyEnd(); ++it) {
            if (!ordered.contains(*it)) keywords << *it;
        }
    }
    return keywords;
}
