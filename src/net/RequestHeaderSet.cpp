#include "net/RequestHeaderSet.h"

#include "net/EndpointTable.h"
#include "net/QXIMConstantManager.h"
#include "net/QXNetContext.h"

namespace {

const QString kFormContentType = QStringLiteral("application/x-www-form-urlencoded");

}  // namespace

RequestHeaderSet& RequestHeaderSet::set(const QString& name, const QString& value) {
    if (value.isNull()) return remove(name);
    for (auto& pair : pairs_) {
        if (pair.first == name) {
            pair.second = value;
            return *this;
        }
    }
    pairs_.append({name, value});
    return *this;
}

RequestHeaderSet& RequestHeaderSet::remove(const QString& name) {
    pairs_.removeIf([&](const auto& pair) { return pair.first == name; });
    return *this;
}

QString RequestHeaderSet::value(const QString& name) const {
    for (const auto& pair : pairs_) {
        if (pair.first == name) return pair.second;
    }
    return {};
}

bool RequestHeaderSet::contains(const QString& name) const {
    return !value(name).isNull();
}

QStringList RequestHeaderSet::names() const {
    QStringList names;
    names.reserve(pairs_.size());
    for (const auto& pair : pairs_) names.append(pair.first);
    return names;
}

RequestHeaderSet RequestHeaderSet::clientIdentity() {
    RequestHeaderSet headers;
    headers.set(QStringLiteral("customerId"), EndpointTable::customerId())
        .set(QStringLiteral("clientAgent"), EndpointTable::clientAgent())
        .set(QStringLiteral("model"), EndpointTable::model())
        .set(QStringLiteral("userId"), QXNetContext::shared()->userId())
        .set(QStringLiteral("versionId"), EndpointTable::versionId())
        .set(QStringLiteral("contentformat"), EndpointTable::contentFormat())
        .set(QStringLiteral("agency"), EndpointTable::agency());
    return headers;
}

RequestHeaderSet RequestHeaderSet::dataShare(const QString& interface) {
    const auto context = QXNetContext::shared();
    RequestHeaderSet headers = clientIdentity();
    headers
        .set(QStringLiteral("cityScriptIndex"), QString::number(context->currentCityScript_index()))
        .set(QStringLiteral("QxData-Version"), EndpointTable::dataVersion())
        .set(QStringLiteral("interface"), interface)
        .set(QStringLiteral("SeqId"), context->newSeqId())
        .set(QStringLiteral("ClientTimeStamp"), context->timeStamp())
        .set(QStringLiteral("Accept-Encoding"), QStringLiteral("gzip"));
    return headers;
}

RequestHeaderSet RequestHeaderSet::postListSearch(const QString& interface) {
    const auto context = QXNetContext::shared();
    RequestHeaderSet headers = clientIdentity();
    headers.set(QStringLiteral("interface"), interface)
        .set(QStringLiteral("ClientTimeStamp"), context->timeStamp())
        .set(QStringLiteral("Accept-Encoding"), QStringLiteral("gzip"))
        .set(QStringLiteral("SeqId"), context->newSeqId());
    return headers;
}

RequestHeaderSet RequestHeaderSet::newsList() {
    RequestHeaderSet headers = dataShare(QStringLiteral("CommonConsultList"));
    // The advertising id would follow as "idfa", but the device never gives one.
    headers.set(QStringLiteral("mac"), QXNetContext::shared()->deviceId());
    return headers;
}

RequestHeaderSet RequestHeaderSet::anonymousUserId() {
    RequestHeaderSet headers;
    headers.set(QStringLiteral("customerId"), EndpointTable::customerId())
        .set(QStringLiteral("clientAgent"), EndpointTable::clientAgent())
        .set(QStringLiteral("model"), EndpointTable::model())
        .set(QStringLiteral("versionId"), EndpointTable::versionId())
        .set(QStringLiteral("contentformat"), EndpointTable::contentFormat())
        .set(QStringLiteral("agency"), EndpointTable::agency())
        .set(QStringLiteral("interface"), QStringLiteral("userRegister"))
        .set(QStringLiteral("imei"), QXNetContext::shared()->deviceId());
    return headers;
}

RequestHeaderSet RequestHeaderSet::usersEndpoint(const QString& interface, bool formContentType) {
    const auto context = QXNetContext::shared();
    const QXNetLogon logon = context->logonState();
    RequestHeaderSet headers;
    headers.set(QStringLiteral("customerId"), EndpointTable::customerId())
        .set(QStringLiteral("clientAgent"), EndpointTable::clientAgent())
        .set(QStringLiteral("model"), EndpointTable::model())
        .set(QStringLiteral("versionId"), EndpointTable::versionId())
        .set(QStringLiteral("contentformat"), QStringLiteral("bin"))
        .set(QStringLiteral("agency"), EndpointTable::agency())
        .set(QStringLiteral("interface"), interface)
        .set(QStringLiteral("ContentType"), formContentType ? kFormContentType : QString())
        .set(QStringLiteral("UserId"), context->userId())
        .set(QStringLiteral("QxData-Version"), EndpointTable::dataVersion())
        .set(QStringLiteral("SessionId"), logon.sessionID)
        .set(QStringLiteral("Token"), logon.token);
    return headers;
}

RequestHeaderSet RequestHeaderSet::upload(const QString& boundary) {
    const auto context = QXNetContext::shared();
    RequestHeaderSet headers;
    headers.set(QStringLiteral("customerId"), EndpointTable::customerId())
        .set(QStringLiteral("clientAgent"), EndpointTable::clientAgent())
        .set(QStringLiteral("model"), EndpointTable::model())
        .set(QStringLiteral("userId"), context->userId())
        .set(QStringLiteral("versionId"), EndpointTable::versionId())
        .set(QStringLiteral("agency"), EndpointTable::agency())
        .set(QStringLiteral("Content-Type"),
             QStringLiteral("multipart/form-data; boundary=\"%1\"").arg(boundary))
        .set(QStringLiteral("QxData-Version"), EndpointTable::dataVersion())
        .set(QStringLiteral("interface"), QStringLiteral("UploadImages"))
        .set(QStringLiteral("ClientTimeStamp"), QString::number(context->timeInterval()));
    return headers;
}

RequestHeaderSet RequestHeaderSet::logUpload() {
    RequestHeaderSet headers;
    headers.set(QStringLiteral("customerId"), EndpointTable::customerId())
        .set(QStringLiteral("uid"), QXNetContext::shared()->userId())
        .set(QStringLiteral("versionId"), EndpointTable::versionId())
        .set(QStringLiteral("agency"), EndpointTable::agency());
    return headers;
}

RequestHeaderSet RequestHeaderSet::messaging() {
    RequestHeaderSet headers;
    headers.set(QStringLiteral("ContentType"), kFormContentType)
        .set(QStringLiteral("QxData-Version"), QXIMConstantManager::share().qximdataVersion());
    return headers;
}

RequestHeaderSet RequestHeaderSet::messagingStream() {
    RequestHeaderSet headers;
    headers.set(QStringLiteral("contentformat"), QStringLiteral("bin"))
        .set(QStringLiteral("ContentType"), kFormContentType)
        .set(QStringLiteral("QxData-Version"), QXIMConstantManager::share().qximdataVersion());
    return headers;
}

RequestHeaderSet RequestHeaderSet::withMessagingToken() const {
    RequestHeaderSet headers = *this;
    if (const auto token = QXNetContext::shared()->imUserToken()) {
        headers.set(QStringLiteral("token"), *token);
    }
    return headers;
}
