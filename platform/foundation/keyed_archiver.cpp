#include "platform/foundation/keyed_archiver.h"

#include "platform/foundation/property_list.h"

#include <QUrl>

namespace ns {

namespace {

// Marks the archives of this archiver, so that another property list is no archive.
const QString kArchiverKey = QStringLiteral("$archiver");
const QString kArchiverName = QStringLiteral("KeyedArchiver");
const QString kTopKey = QStringLiteral("$top");

bool isNumber(const QVariant& value) {
    switch (value.typeId()) {
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Double:
        case QMetaType::Bool:
            return true;
        default:
            return false;
    }
}

}  // namespace

void KeyedArchiver::encodeObject(const QVariant& value, const QString& key) {
    const QVariant canonical = PropertyList::canonical(value);
    if (canonical.isValid()) values_.insert(key, canonical);
}

void KeyedArchiver::encodeInteger(qint64 value, const QString& key) {
    values_.insert(key, value);
}

void KeyedArchiver::encodeBool(bool value, const QString& key) {
    values_.insert(key, value);
}

void KeyedArchiver::encodeDouble(double value, const QString& key) {
    values_.insert(key, value);
}

QByteArray KeyedArchiver::encodedData() const {
    const QVariantMap archive{{kArchiverKey, kArchiverName}, {kTopKey, values_}};
    return PropertyList::dataWithPropertyList(archive, PropertyList::Format::Binary);
}

KeyedUnarchiver::KeyedUnarchiver(const QByteArray& data) {
    const QVariantMap archive = PropertyList::propertyListWithData(data).toMap();
    if (archive.value(kArchiverKey).toString() != kArchiverName) return;
    const QVariant top = archive.value(kTopKey);
    if (top.typeId() != QMetaType::QVariantMap) return;
    values_ = top.toMap();
    valid_ = true;
}

QVariant KeyedUnarchiver::decodeObjectForKey(const QString& key) const {
    return values_.value(key);
}

qint64 KeyedUnarchiver::decodeIntegerForKey(const QString& key) const {
    const QVariant value = values_.value(key);
    return isNumber(value) ? value.toLongLong() : 0;
}

bool KeyedUnarchiver::decodeBoolForKey(const QString& key) const {
    const QVariant value = values_.value(key);
    return isNumber(value) && value.toBool();
}

double KeyedUnarchiver::decodeDoubleForKey(const QString& key) const {
    const QVariant value = values_.value(key);
    return isNumber(value) ? value.toDouble() : 0;
}

QVariant archivedHeaderFields(const HTTPHeaderFields& fields) {
    // Pairs in their order: names that differ only in case stay apart.
    QVariantList pairs;
    for (const auto& [name, value] : fields.fields())
        pairs.append(QVariant(QVariantList{name, value}));
    return pairs;
}

HTTPHeaderFields unarchivedHeaderFields(const QVariant& archived) {
    HTTPHeaderFields fields;
    for (const QVariant& pair : archived.toList()) {
        const QVariantList parts = pair.toList();
        if (parts.size() == 2) fields.appendField(parts[0].toString(), parts[1].toString());
    }
    return fields;
}

QVariant archivedURLRequest(const URLRequest& request) {
    QVariantMap form{{"url", request.urlText()},
                     {"method", request.httpMethod()},
                     {"headers", archivedHeaderFields(request.allHTTPHeaderFields())},
                     {"cachePolicy", qint64(request.cachePolicy())},
                     {"timeoutInterval", request.timeoutInterval()},
                     {"deadlineInterval", request.deadlineInterval()},
                     {"maximumResponseLength", request.maximumResponseLength()},
                     {"handleCookies", request.httpShouldHandleCookies()},
                     {"pipelining", request.httpShouldUsePipelining()}};
    if (!request.httpBody().isNull()) form.insert("body", request.httpBody());
    return form;
}

std::optional<URLRequest> unarchivedURLRequest(const QVariant& archived) {
    if (archived.typeId() != QMetaType::QVariantMap) return std::nullopt;
    const QVariantMap form = archived.toMap();
    if (!form.contains("url")) return std::nullopt;
    URLRequest request;
    request.setURLText(form.value("url").toString());
    request.setHTTPMethod(form.value("method").toString());
    request.setAllHTTPHeaderFields(unarchivedHeaderFields(form.value("headers")));
    if (form.contains("body")) request.setHTTPBody(form.value("body").toByteArray());
    request.setCachePolicy(URLRequest::CachePolicy(form.value("cachePolicy").toInt()));
    request.setTimeoutInterval(form.value("timeoutInterval").toDouble());
    // Archives made before requests had these keep the defaults.
    if (form.contains("deadlineInterval"))
        request.setDeadlineInterval(form.value("deadlineInterval").toDouble());
    if (form.contains("maximumResponseLength"))
        request.setMaximumResponseLength(form.value("maximumResponseLength").toLongLong());
    request.setHTTPShouldHandleCookies(form.value("handleCookies").toBool());
    request.setHTTPShouldUsePipelining(form.value("pipelining").toBool());
    return request;
}

QVariant archivedURLResponse(const URLResponse& response) {
    QVariantMap form{{"url", response.url().toString(QUrl::FullyEncoded)}};
    if (const auto* http = dynamic_cast<const HTTPURLResponse*>(&response)) {
        // The rest follows from the fields.
        form.insert("statusCode", qint64(http->statusCode()));
        form.insert("headers", archivedHeaderFields(http->allHeaderFields()));
        return form;
    }
    form.insert("mimeType", response.mimeType());
    form.insert("expectedContentLength", response.expectedContentLength());
    form.insert("textEncodingName", response.textEncodingName());
    return form;
}

std::shared_ptr<const URLResponse> unarchivedURLResponse(const QVariant& archived) {
    if (archived.typeId() != QMetaType::QVariantMap) return nullptr;
    const QVariantMap form = archived.toMap();
    if (!form.contains("url")) return nullptr;
    const QUrl url(form.value("url").toString());
    if (form.contains("statusCode")) {
        return std::make_shared<HTTPURLResponse>(url, form.value("statusCode").toInt(),
                                                 unarchivedHeaderFields(form.value("headers")));
    }
    return std::make_shared<URLResponse>(url, form.value("mimeType").toString(),
                                         form.value("expectedContentLength").toLongLong(),
                                         form.value("textEncodingName").toString());
}

QVariant archivedError(const Error& error) {
    QVariantMap userInfo;
    for (auto entry = error.userInfo().begin(); entry != error.userInfo().end(); ++entry) {
        const QVariant value = entry.value().typeId() == QMetaType::QUrl
                                   ? QVariant(entry.value().toUrl().toString(QUrl::FullyEncoded))
                                   : PropertyList::canonical(entry.value());
        if (value.isValid()) userInfo.insert(entry.key(), value);
    }
    return QVariantMap{{"domain", error.domain()}, {"code", error.code()}, {"userInfo", userInfo}};
}

std::optional<Error> unarchivedError(const QVariant& archived) {
    if (archived.typeId() != QMetaType::QVariantMap) return std::nullopt;
    const QVariantMap form = archived.toMap();
    if (!form.contains("domain")) return std::nullopt;
    return Error(form.value("domain").toString(), form.value("code").toLongLong(),
                 form.value("userInfo").toMap());
}

}  // namespace ns
