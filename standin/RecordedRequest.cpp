#include "standin/RecordedRequest.h"

#include <QString>

namespace standin {

QByteArray RecordedRequest::header(const QByteArray& name) const {
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0) return value;
    }
    return {};
}

bool RecordedRequest::hasHeader(const QByteArray& name) const {
    for (const auto& entry : headers) {
        if (entry.first.compare(name, Qt::CaseInsensitive) == 0) return true;
    }
    return false;
}

QList<QByteArray> RecordedRequest::headerNames() const {
    QList<QByteArray> names;
    for (const auto& entry : headers) names.append(entry.first);
    return names;
}

QJsonObject RecordedRequest::toJson() const {
    QJsonArray headerList;
    for (const auto& [name, value] : headers) {
        headerList.append(QJsonArray{QString::fromLatin1(name), QString::fromLatin1(value)});
    }
    return QJsonObject{
        {"index", index},
        {"method", QString::fromLatin1(method)},
        {"target", QString::fromLatin1(target)},
        {"path", QString::fromLatin1(path)},
        {"query", QString::fromLatin1(query)},
        {"headers", headerList},
        {"body", QString::fromUtf8(body)},
        {"bodyBase64", QString::fromLatin1(body.toBase64())},
    };
}

RecordedRequest RecordedRequest::fromJson(const QJsonObject& json) {
    RecordedRequest request;
    request.index = json.value("index").toInteger();
    request.method = json.value("method").toString().toLatin1();
    request.target = json.value("target").toString().toLatin1();
    request.path = json.value("path").toString().toLatin1();
    request.query = json.value("query").toString().toLatin1();
    for (const auto& entry : json.value("headers").toArray()) {
        const QJsonArray pair = entry.toArray();
        request.headers.append(
            {pair.at(0).toString().toLatin1(), pair.at(1).toString().toLatin1()});
    }
    request.body = QByteArray::fromBase64(json.value("bodyBase64").toString().toLatin1());
    return request;
}

RecordedRequest RequestLog::append(RecordedRequest request) {
    std::lock_guard lock(mutex_);
    request.index = ++received_;
    requests_.push_back(request);
    if (requests_.size() > kKept) requests_.pop_front();
    return request;
}

std::vector<RecordedRequest> RequestLog::requests(const QByteArray& pathPrefix) const {
    std::lock_guard lock(mutex_);
    std::vector<RecordedRequest> found;
    for (const auto& request : requests_) {
        if (request.path.startsWith(pathPrefix)) found.push_back(request);
    }
    return found;
}

void RequestLog::clear() {
    std::lock_guard lock(mutex_);
    requests_.clear();
    received_ = 0;
}

QJsonArray RequestLog::toJson(const std::vector<RecordedRequest>& requests) {
    QJsonArray list;
    for (const auto& request : requests) list.append(request.toJson());
    return list;
}

std::vector<RecordedRequest> RequestLog::fromJson(const QJsonArray& json) {
    std::vector<RecordedRequest> requests;
    for (const auto& entry : json) requests.push_back(RecordedRequest::fromJson(entry.toObject()));
    return requests;
}

}  // namespace standin
