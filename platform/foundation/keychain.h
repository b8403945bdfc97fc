#pragma once

#include "platform/foundation/error.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace ns {

// The keychain's generic-password items, kept in one file of the sandbox
// (Library/keychain.plist) that only the user may read (mode 0600) and that is always
// replaced atomically. An item is known by its service and account; the other attributes
// are kept for lookups and for whoever reads them. Any thread may use it.
//
// Failures are errors of kOSStatusErrorDomain with the platform's status codes.
class Keychain {
public:
    static inline const QString kOSStatusErrorDomain = QStringLiteral("NSOSStatusErrorDomain");
    static constexpr qint64 kIOError = -36;
    static constexpr qint64 kDuplicateItem = -25299;
    static constexpr qint64 kItemNotFound = -25300;

    struct Item {
        QString service;
        QString account;
        QString label;
        QString description;
        QByteArray generic;  // the generic attribute
        QByteArray data;     // the secret
        friend bool operator==(const Item&, const Item&) = default;
    };

    // Matches the items whose given attributes are all equal; an empty query matches all.
    struct Query {
        std::optional<QString> service;
        std::optional<QString> account;
        std::optional<QByteArray> generic;
        [[nodiscard]] bool matches(const Item& item) const;
    };

    // Adds an item; an item with the same service and account makes it fail (kDuplicateItem).
    static std::optional<Error> add(const Item& item);
    // Gives every matching item the label, description, generic attribute and data of
    // `changes`; service and account stay. kItemNotFound when nothing matches.
    static std::optional<Error> update(const Query& query, const Item& changes);
    // The first matching item (in the order they were added).
    [[nodiscard]] static std::optional<Item> find(const Query& query);
    // Deletes every matching item; kItemNotFound when nothing matches.
    static std::optional<Error> remove(const Query& query);

    // Service + account -> secret, adding or replacing the item.
    static std::optional<Error> setPassword(const QString& service, const QString& account,
                                            const QByteArray& data);
    [[nodiscard]] static std::optional<QByteArray> password(const QString& service,
                                                            const QString& account);
    // The same with texts, stored as UTF-8.
    static std::optional<Error> setPasswordText(const QString& service, const QString& account,
                                                const QString& text);
    // A null text when there is no such item.
    [[nodiscard]] static QString passwordText(const QString& service, const QString& account);

    [[nodiscard]] static QString storePath();
};

}  // namespace ns
