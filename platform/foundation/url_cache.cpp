#include "platform/foundation/url_cache.h"

#include "platform/foundation/clock.h"

#include <QRegularExpression>

namespace ns {

namespace {
std::mutex gSharedMutex;
std::shared_ptr<URLCache> gShared;
}  // namespace

URLCache::URLCache(qint64 memoryCapacity) : capacity_(std::max<qint64>(0, memoryCapacity)) {}

std::shared_ptr<URLCache> URLCache::sharedURLCache() {
    std::lock_guard lock(gSharedMutex);
    if (!gShared) gShared = std::make_shared<URLCache>();
    return gShared;
}

void URLCache::setSharedURLCache(std::shared_ptr<URLCache> cache) {
    std::lock_guard lock(gSharedMutex);
    gShared = std::move(cache);
}

QString URLCache::keyFor(const URLRequest& request) {
    return request.url().adjusted(QUrl::RemoveFragment).toString(QUrl::FullyEncoded);
}

qint64 URLCache::costOf(const QString& key, const CachedURLResponse& cached) {
    qint64 cost = kEntryOverhead + cached.data.size() + key.size() * qint64(sizeof(QChar));
    if (const auto* http = dynamic_cast<const HTTPURLResponse*>(cached.response.get())) {
        for (const auto& [name, value] : http->allHeaderFields().fields())
            cost += (name.size() + value.size()) * qint64(sizeof(QChar));
    }
    return cost;
}

void URLCache::removeLocked(QHash<QString, Entries::iterator>::iterator found) {
    usage_ -= found.value()->cost;
    entries_.erase(found.value());
    index_.erase(found);
}

std::optional<CachedURLResponse> URLCache::cachedResponseForRequest(const URLRequest& request) {
    std::lock_guard lock(mutex_);
    const auto found = index_.find(keyFor(request));
    if (found == index_.end()) return std::nullopt;
    entries_.splice(entries_.begin(), entries_, found.value());
    return found.value()->cached;
}

std::optional<CachedURLResponse> URLCache::freshCachedResponseForRequest(
    const URLRequest& request) {
    static const QRegularExpression kMaxAge(QStringLiteral(R"((?:^|,)\s*max-age\s*=\s*(\d+))"),
                                            QRegularExpression::CaseInsensitiveOption);
    std::lock_guard lock(mutex_);
    const auto found = index_.find(keyFor(request));
    if (found == index_.end()) return std::nullopt;
    const Entry& entry = *found.value();
    const auto* http = dynamic_cast<const HTTPURLResponse*>(entry.cached.response.get());
    if (!http) return std::nullopt;
    const QDateTime now = Clock::shared().currentDateTime();
    const QString control = http->allHeaderFields().value(QStringLiteral("Cache-Control"));
    bool fresh = false;
    if (const auto maxAge = kMaxAge.match(control); maxAge.hasMatch()) {
        fresh = entry.storedAt.secsTo(now) < maxAge.captured(1).toLongLong();
    } else {
        const QDateTime expires = QDateTime::fromString(
            http->allHeaderFields().value(QStringLiteral("Expires")).trimmed(), Qt::RFC2822Date);
        fresh = expires.isValid() && now < expires;
    }
    if (!fresh || control.contains(QLatin1String("no-cache"), Qt::CaseInsensitive))
        return std::nullopt;
    entries_.splice(entries_.begin(), entries_, found.value());
    return entry.cached;
}

void URLCache::storeCachedResponse(const CachedURLResponse& cached, const URLRequest& request) {
    if (!cached.response || cached.storagePolicy == CachedURLResponse::StoragePolicy::NotAllowed)
        return;
    std::lock_guard lock(mutex_);
    const QString key = keyFor(request);
    if (const auto found = index_.find(key); found != index_.end()) removeLocked(found);
    const qint64 cost = costOf(key, cached);
    if (cost > capacity_ / 20) return;
    CachedURLResponse kept = cached;
    // A body read from the network may sit in a buffer much larger than itself.
    if (kept.data.capacity() > kept.data.size())
        kept.data = QByteArray(kept.data.constData(), kept.data.size());
    entries_.push_front({key, std::move(kept), Clock::shared().currentDateTime(), cost});
    index_.insert(key, entries_.begin());
    usage_ += cost;
    evictLocked();
}

void URLCache::removeCachedResponseForRequest(const URLRequest& request) {
    std::lock_guard lock(mutex_);
    if (const auto found = index_.find(keyFor(request)); found != index_.end()) removeLocked(found);
}

void URLCache::removeAllCachedResponses() {
    std::lock_guard lock(mutex_);
    entries_.clear();
    index_.clear();
    usage_ = 0;
}

qint64 URLCache::memoryCapacity() const {
    std::lock_guard lock(mutex_);
    return capacity_;
}

void URLCache::setMemoryCapacity(qint64 bytes) {
    std::lock_guard lock(mutex_);
    capacity_ = std::max<qint64>(0, bytes);
    evictLocked();
}

qint64 URLCache::currentMemoryUsage() const {
    std::lock_guard lock(mutex_);
    return usage_;
}

void URLCache::evictLocked() {
    while (usage_ > capacity_ && !entries_.empty()) {
        usage_ -= entries_.back().cost;
        index_.remove(entries_.back().key);
        entries_.pop_back();
    }
}

}  // namespace ns
