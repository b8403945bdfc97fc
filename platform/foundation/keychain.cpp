#include "platform/foundation/keychain.h"

#include "platform/foundation/file_manager.h"
#include "platform/foundation/property_list.h"
#include "platform/foundation/sandbox.h"

#include <QFileInfo>
#include <QList>
#include <QtDebug>

#include <algorithm>
#include <mutex>

namespace ns {

namespace {

// Serialises every read-modify-write of the store within the process.
std::mutex gStoreMutex;

constexpr int kOwnerReadWrite = 0600;

// The attribute keys of an item in the store file, as the platform abbreviates them.
const QString kService = QStringLiteral("svce");
const QString kAccount = QStringLiteral("acct");
const QString kLabel = QStringLiteral("labl");
const QString kDescription = QStringLiteral("desc");
const QString kGeneric = QStringLiteral("gena");
const QString kData = QStringLiteral("v_Data");

using Items = QList<Keychain::Item>;

Error status(qint64 code, const QString& description, const std::optional<Error>& cause = {}) {
    QVariantMap info{{Error::kLocalizedDescriptionKey, description}};
    if (cause) info.insert(Error::kUnderlyingErrorKey, QVariant::fromValue(*cause));
    return Error(Keychain::kOSStatusErrorDomain, code, info);
}

Items load() {
    const QString path = Keychain::storePath();
    FileManager::removeAbandonedTemporaryFiles(path);
    if (!QFileInfo::exists(path)) return {};
    const std::optional<QVariantList> entries = arrayWithContentsOfFile(path);
    if (!entries) {
        // Nothing of an unreadable store can be used; it is kept aside for inspection
        // rather than replaced by the next change.
        const auto aside = FileManager::moveAsideUnreadableFile(path);
        qWarning().noquote() << "Keychain: the unreadable" << path << "is moved to"
                             << aside.value_or(QStringLiteral("(nowhere)"));
        return {};
    }
    Items items;
    for (const QVariant& entry : *entries) {
        const QVariantMap map = entry.toMap();
        items.append({map.value(kService).toString(), map.value(kAccount).toString(),
                      map.value(kLabel).toString(), map.value(kDescription).toString(),
                      map.value(kGeneric).toByteArray(), map.value(kData).toByteArray()});
    }
    return items;
}

std::optional<Error> save(const Items& items) {
    QVariantList entries;
    for (const Keychain::Item& item : items) {
        entries.append(QVariantMap{{kService, item.service},
                                   {kAccount, item.account},
                                   {kLabel, item.label},
                                   {kDescription, item.description},
                                   {kGeneric, item.generic},
                                   {kData, item.data}});
    }
    Error error;
    const QByteArray bytes =
        PropertyList::dataWithPropertyList(entries, PropertyList::Format::Xml, &error);
    if (bytes.isEmpty() ||
        !FileManager::createFileAtPath(Keychain::storePath(), bytes, kOwnerReadWrite, &error)) {
        return status(Keychain::kIOError, QStringLiteral("The keychain could not be written."),
                      error);
    }
    return std::nullopt;
}

Error notFound() {
    return status(Keychain::kItemNotFound,
                  QStringLiteral("The specified item could not be found in the keychain."));
}

Items::iterator findKey(Items& items, const QString& service, const QString& account) {
    return std::find_if(items.begin(), items.end(), [&](const Keychain::Item& item) {
        return item.service == service && item.account == account;
    });
}

}  // namespace

bool Keychain::Query::matches(const Item& item) const {
    return (!service || *service == item.service) && (!account || *account == item.account) &&
           (!generic || *generic == item.generic);
}

QString Keychain::storePath() {
    return Sandbox::library() + QStringLiteral("/keychain.plist");
}

std::optional<Error> Keychain::add(const Item& item) {
    std::lock_guard lock(gStoreMutex);
    Items items = load();
    if (findKey(items, item.service, item.account) != items.end()) {
        return status(kDuplicateItem,
                      QStringLiteral("The specified item already exists in the keychain."));
    }
    items.append(item);
    return save(items);
}

std::optional<Error> Keychain::update(const Query& query, const Item& changes) {
    std::lock_guard lock(gStoreMutex);
    Items items = load();
    bool matched = false;
    for (Item& item : items) {
        if (!query.matches(item)) continue;
        matched = true;
        item.label = changes.label;
        item.description = changes.description;
        item.generic = changes.generic;
        item.data = changes.data;
    }
    if (!matched) return notFound();
    return save(items);
}

std::optional<Keychain::Item> Keychain::find(const Query& query) {
    std::lock_guard lock(gStoreMutex);
    const Items items = load();
    const auto found = std::find_if(items.cbegin(), items.cend(),
                                    [&](const Item& item) { return query.matches(item); });
    if (found == items.cend()) return std::nullopt;
    return *found;
}

std::optional<Error> Keychain::remove(const Query& query) {
    std::lock_guard lock(gStoreMutex);
    Items items = load();
    if (items.removeIf([&](const Item& item) { return query.matches(item); }) == 0) {
        return notFound();
    }
    return save(items);
}

std::optional<Error> Keychain::setPassword(const QString& service, const QString& account,
                                           const QByteArray& data) {
    std::lock_guard lock(gStoreMutex);
    Items items = load();
    const auto existing = findKey(items, service, account);
    if (existing != items.end()) {
        existing->data = data;
    } else {
        Item item;
        item.service = service;
        item.account = account;
        item.data = data;
        items.append(item);
    }
    return save(items);
}

std::optional<QByteArray> Keychain::password(const QString& service, const QString& account) {
    const std::optional<Item> item = find({service, account, std::nullopt});
    if (!item) return std::nullopt;
    return item->data;
}

std::optional<Error> Keychain::setPasswordText(const QString& service, const QString& account,
                                               const QString& text) {
    return setPassword(service, account, text.toUtf8());
}

QString Keychain::passwordText(const QString& service, const QString& account) {
    const std::optional<QByteArray> data = password(service, account);
    if (!data) return {};
    // An empty secret is still a secret: an empty text, not a null one.
    return data->isEmpty() ? QStringLiteral("") : QString::fromUtf8(*data);
}

}  // namespace ns
