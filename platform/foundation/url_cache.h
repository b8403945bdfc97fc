#pragma once

#include "platform/foundation/url_request.h"
#include "platform/foundation/url_response.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVariantMap>

#include <QHash>
#include <list>
#include <memory>
#include <mutex>
#include <optional>

namespace ns {

// A response and its whole body as a cache keeps it.
struct CachedURLResponse {
    enum class StoragePolicy : int { Allowed = 0, AllowedInMemoryOnly = 1, NotAllowed = 2 };

    std::shared_ptr<const URLResponse> response;
    QByteArray data;
    QVariantMap userInfo;
    StoragePolicy storagePolicy = StoragePolicy::Allowed;
};

// The cache connections answer from and store into, by request URL, in memory.
// The least recently used entries go first when the memory capacity is exceeded; an
// entry costing more than a twentieth of the capacity is not kept at all. An entry costs
// what it holds: its body, its URL, its response's header fields and kEntryOverhead for the
// rest, so that many small replies (a call's few bytes under a URL of its own each time)
// stay within the capacity too. A body is kept in a buffer of its own size.
class URLCache {
public:
    static constexpr qint64 kDefaultMemoryCapacity = 4 * 1024 * 1024;
    // The response object, the entry and its index: a few hundred bytes.
    static constexpr qint64 kEntryOverhead = 512;

    explicit URLCache(qint64 memoryCapacity = kDefaultMemoryCapacity);

    // The cache connections use.
    static std::shared_ptr<URLCache> sharedURLCache();
    static void setSharedURLCache(std::shared_ptr<URLCache> cache);

    [[nodiscard]] std::optional<CachedURLResponse> cachedResponseForRequest(
        const URLRequest& request);
    // The entry only while its response's "Cache-Control: max-age" or "Expires" still
    // holds on the one clock, counted from when it was stored; what the protocol's
    // own cache policy may answer with unasked.
    [[nodiscard]] std::optional<CachedURLResponse> freshCachedResponseForRequest(
        const URLRequest& request);
    void storeCachedResponse(const CachedURLResponse& cached, const URLRequest& request);
    void removeCachedResponseForRequest(const URLRequest& request);
    void removeAllCachedResponses();

    [[nodiscard]] qint64 memoryCapacity() const;
    // Shrinking evicts at once.
    void setMemoryCapacity(qint64 bytes);
    [[nodiscard]] qint64 currentMemoryUsage() const;

private:
    struct Entry {
        QString key;
        CachedURLResponse cached;
        QDateTime storedAt;
        qint64 cost = 0;
    };
    using Entries = std::list<Entry>;

    [[nodiscard]] static QString keyFor(const URLRequest& request);
    [[nodiscard]] static qint64 costOf(const QString& key, const CachedURLResponse& cached);
    void removeLocked(QHash<QString, Entries::iterator>::iterator found);
    void evictLocked();

    mutable std::mutex mutex_;
    qint64 capacity_;
    qint64 usage_ = 0;
    Entries entries_;  // most recently used first
    QHash<QString, Entries::iterator> index_;
};

}  // namespace ns
