#pragma once

#include "platform/foundation/error.h"
#include "platform/foundation/http_header_fields.h"
#include "platform/foundation/url_request.h"
#include "platform/foundation/url_response.h"

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <memory>
#include <optional>

namespace ns {

// A keyed archive of one object: its values by key, written as a binary property list.
// Object values are property-list values; the URL loading values below have property-list
// forms of their own. Nothing that has no such form is written: a value is archived
// whole or not at all.
class KeyedArchiver {
public:
    // A nil value, or one without a property-list form, is left out.
    void encodeObject(const QVariant& value, const QString& key);
    void encodeInteger(qint64 value, const QString& key);
    void encodeBool(bool value, const QString& key);
    void encodeDouble(double value, const QString& key);
    [[nodiscard]] QByteArray encodedData() const;

private:
    QVariantMap values_;
};

// Reads what a KeyedArchiver wrote. Bytes that are no such archive read as an empty one.
class KeyedUnarchiver {
public:
    explicit KeyedUnarchiver(const QByteArray& data);

    [[nodiscard]] bool isValid() const { return valid_; }
    [[nodiscard]] bool containsValueForKey(const QString& key) const {
        return values_.contains(key);
    }
    // Nil when the key is absent.
    [[nodiscard]] QVariant decodeObjectForKey(const QString& key) const;
    // 0 (false) when the key is absent or holds no number.
    [[nodiscard]] qint64 decodeIntegerForKey(const QString& key) const;
    [[nodiscard]] bool decodeBoolForKey(const QString& key) const;
    [[nodiscard]] double decodeDoubleForKey(const QString& key) const;

private:
    QVariantMap values_;
    bool valid_ = false;
};

// Property-list forms of the URL loading values, and the values they stand for (nothing
// for a form of another kind). A request's body stream is no value and is not archived;
// an error keeps the entries of its user info that have a form (URLs as their text).
[[nodiscard]] QVariant archivedHeaderFields(const HTTPHeaderFields& fields);
[[nodiscard]] HTTPHeaderFields unarchivedHeaderFields(const QVariant& archived);
[[nodiscard]] QVariant archivedURLRequest(const URLRequest& request);
[[nodiscard]] std::optional<URLRequest> unarchivedURLRequest(const QVariant& archived);
[[nodiscard]] QVariant archivedURLResponse(const URLResponse& response);
[[nodiscard]] std::shared_ptr<const URLResponse> unarchivedURLResponse(const QVariant& archived);
[[nodiscard]] QVariant archivedError(const Error& error);
[[nodiscard]] std::optional<Error> unarchivedError(const QVariant& archived);

}  // namespace ns
