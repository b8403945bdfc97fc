#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>

#include <deque>
#include <mutex>
#include <utility>
#include <vector>

namespace standin {

// One request as the stand-in received it, bytes as they came.
struct RecordedRequest {
    qint64 index = 0;  // counts from 1 since start or reset
    QByteArray method;
    QByteArray target;  // path and query, undecoded
    QByteArray path;
    QByteArray query;  // after "?", undecoded; empty when none
    QList<std::pair<QByteArray, QByteArray>> headers;
    QByteArray body;

    // The first value of a header, its name compared without case; empty when absent.
    [[nodiscard]] QByteArray header(const QByteArray& name) const;
    [[nodiscard]] bool hasHeader(const QByteArray& name) const;
    [[nodiscard]] QList<QByteArray> headerNames() const;

    // {"index", "method", "target", "path", "query", "headers": [[name, value], ...],
    //  "body" (UTF-8 text), "bodyBase64" (the exact bytes)}; header bytes travel as Latin-1.
    [[nodiscard]] QJsonObject toJson() const;
    static RecordedRequest fromJson(const QJsonObject& json);
};

// The requests received so far, oldest first, shared by the server's threads.
class RequestLog {
public:
    // Stores a copy and returns it with its index set.
    RecordedRequest append(RecordedRequest request);
    // The requests whose path starts with `pathPrefix` (all for an empty one).
    [[nodiscard]] std::vector<RecordedRequest> requests(const QByteArray& pathPrefix = {}) const;
    void clear();

    static QJsonArray toJson(const std::vector<RecordedRequest>& requests);
    static std::vector<RecordedRequest> fromJson(const QJsonArray& json);

private:
    // A long demo run must not grow without bound: the oldest go first.
    static constexpr size_t kKept = 100000;

    mutable std::mutex mutex_;
    std::deque<RecordedRequest> requests_;
    qint64 received_ = 0;
};

}  // namespace standin
