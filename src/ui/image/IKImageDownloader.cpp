#include "ui/image/IKImageDownloader.h"

#include "platform/foundation/url_credential.h"

#include <atomic>

struct IKImageDownloader::Caller {
    ProgressBlock progress;
    CompletedBlock completed;
    std::atomic<bool> cancelled{false};
};

struct IKImageDownloader::Download {
    std::uint64_t id = 0;
    std::vector<std::shared_ptr<Caller>> callers;
    std::weak_ptr<IKImageDownloaderOperation> operation;
};

// What one caller holds: cancelling it takes that caller off its URL's list.
class IKImageDownloader::CallerOperation final : public IKImageOperation {
public:
    CallerOperation(std::weak_ptr<IKImageDownloader> downloader, QString key,
                    std::weak_ptr<Caller> caller)
        : downloader_(std::move(downloader)), key_(std::move(key)), caller_(std::move(caller)) {}
    void cancel() override {
        auto caller = caller_.lock();
        if (!caller) return;
        caller->cancelled = true;
        if (auto downloader = downloader_.lock()) downloader->removeCaller(key_, caller);
    }

private:
    std::weak_ptr<IKImageDownloader> downloader_;
    QString key_;
    std::weak_ptr<Caller> caller_;
};

IKImageDownloader& IKImageDownloader::sharedDownloader() {
    static const std::shared_ptr<IKImageDownloader> shared = create();
    return *shared;
}

std::shared_ptr<IKImageDownloader> IKImageDownloader::create() {
    return std::shared_ptr<IKImageDownloader>(new IKImageDownloader());
}

IKImageDownloader::IKImageDownloader()
    : downloadQueue_(IKImageDownloadQueue::create(kDefaultMaxConcurrentDownloads)) {
    HTTPHeaders_.setValue(QStringLiteral("Accept"), QStringLiteral("image/webp,image/*;q=0.8"));
}

IKImageDownloader::~IKImageDownloader() {
    downloadQueue_->cancelAllOperations();
}

void IKImageDownloader::setValue(const QString& value, const QString& field) {
    std::lock_guard lock(mutex_);
    if (value.isNull()) {
        HTTPHeaders_.remove(field);
    } else {
        HTTPHeaders_.setValue(field, value);
    }
}

QString IKImageDownloader::valueForHTTPHeaderField(const QString& field) const {
    std::lock_guard lock(mutex_);
    return HTTPHeaders_.value(field);
}

IKImageDownloader::ExecutionOrder IKImageDownloader::executionOrder() const {
    std::lock_guard lock(mutex_);
    return executionOrder_;
}

void IKImageDownloader::setExecutionOrder(ExecutionOrder order) {
    std::lock_guard lock(mutex_);
    executionOrder_ = order;
}

void IKImageDownloader::setUsername(const QString& username) {
    std::lock_guard lock(mutex_);
    username_ = username;
}

void IKImageDownloader::setPassword(const QString& password) {
    std::lock_guard lock(mutex_);
    password_ = password;
}

void IKImageDownloader::setHeadersFilter(HeadersFilter filter) {
    std::lock_guard lock(mutex_);
    headersFilter_ = std::move(filter);
}

double IKImageDownloader::downloadTimeout() const {
    std::lock_guard lock(mutex_);
    return downloadTimeout_;
}

void IKImageDownloader::setDownloadTimeout(double seconds) {
    std::lock_guard lock(mutex_);
    downloadTimeout_ = seconds;
}

std::size_t IKImageDownloader::callerCountForURL(const QUrl& url) const {
    std::lock_guard lock(mutex_);
    const auto found = downloads_.find(url.toString(QUrl::FullyEncoded));
    return found == downloads_.end() ? 0 : found->second.callers.size();
}

std::shared_ptr<IKImageOperation> IKImageDownloader::downloadImageWithURL(
    const QUrl& url, std::uint32_t options, ProgressBlock progress, CompletedBlock completed) {
    if (!url.isValid() || url.isEmpty()) {
        if (completed) completed(nullptr, {}, std::nullopt, false);
        return nullptr;
    }
    const QString key = url.toString(QUrl::FullyEncoded);
    auto caller = std::make_shared<Caller>();
    caller->progress = std::move(progress);
    caller->completed = std::move(completed);
    std::shared_ptr<IKImageDownloaderOperation> operation;
    bool newestFirst = false;
    {
        std::lock_guard lock(mutex_);
        auto [entry, first] = downloads_.try_emplace(key);
        entry->second.callers.push_back(caller);
        if (first) {
            entry->second.id = nextDownloadId_++;
            operation = makeOperation(url, key, entry->second.id, options);
            entry->second.operation = operation;
        }
        newestFirst = executionOrder_ == ExecutionOrder::LIFO;
    }
    if (operation) downloadQueue_->addOperation(operation, newestFirst);
    return std::make_shared<CallerOperation>(weak_from_this(), key, caller);
}

ns::URLRequest IKImageDownloader::requestFor(const QUrl& url, std::uint32_t options) const {
    const double timeout = downloadTimeout_ == 0 ? kDefaultTimeout : downloadTimeout_;
    ns::URLRequest request(url,
                           options & IKImageDownloaderUseNSURLCache
                               ? ns::URLRequest::CachePolicy::UseProtocolCachePolicy
                               : ns::URLRequest::CachePolicy::ReloadIgnoringLocalCacheData,
                           timeout);
    request.setHTTPShouldHandleCookies(options & IKImageDownloaderHandleCookies);
    request.setHTTPShouldUsePipelining(true);
    request.setAllHTTPHeaderFields(headersFilter_ ? headersFilter_(url, HTTPHeaders_)
                                                  : HTTPHeaders_);
    return request;
}

std::shared_ptr<IKImageDownloaderOperation> IKImageDownloader::makeOperation(
    const QUrl& url, const QString& key, std::uint64_t downloadId, std::uint32_t options) {
    const std::weak_ptr<IKImageDownloader> weak = weak_from_this();
    auto progress = [weak, key, downloadId](std::int32_t received, std::int32_t expected) {
        auto self = weak.lock();
        if (!self) return;
        for (const auto& caller : self->callersOf(key, downloadId)) {
            if (caller->progress && !caller->cancelled) caller->progress(received, expected);
        }
    };
    auto completed = [weak, key, downloadId](const Image& image, const QByteArray& data,
                                             const std::optional<ns::Error>& error, bool finished) {
        auto self = weak.lock();
        if (!self) return;
        // The list is taken off under the lock: a caller arriving after this starts a
        // download of its own instead of joining one that will never call it.
        const auto callers =
            finished ? self->takeCallers(key, downloadId) : self->callersOf(key, downloadId);
        for (const auto& caller : callers) {
            if (caller->completed && !caller->cancelled) {
                caller->completed(image, data, error, finished);
            }
        }
    };
    auto cancelled = [weak, key, downloadId] {
        if (auto self = weak.lock()) (void)self->takeCallers(key, downloadId);
    };
    auto operation = std::make_shared<IKImageDownloaderOperation>(
        requestFor(url, options), options, std::move(progress), std::move(completed),
        std::move(cancelled));
    if (!username_.isNull() && !password_.isNull()) {
        operation->setCredential(ns::URLCredential::withUser(
            username_, password_, ns::URLCredential::Persistence::ForSession));
    }
    if (options & IKImageDownloaderHighPriority) {
        operation->setQueuePriority(ns::Operation::QueuePriority::High);
    } else if (options & IKImageDownloaderLowPriority) {
        operation->setQueuePriority(ns::Operation::QueuePriority::Low);
    }
    return operation;
}

std::vector<std::shared_ptr<IKImageDownloader::Caller>> IKImageDownloader::callersOf(
    const QString& key, std::uint64_t downloadId) const {
    std::lock_guard lock(mutex_);
    const auto found = downloads_.find(key);
    if (found == downloads_.end() || found->second.id != downloadId) return {};
    return found->second.callers;
}

std::vector<std::shared_ptr<IKImageDownloader::Caller>> IKImageDownloader::takeCallers(
    const QString& key, std::uint64_t downloadId) {
    std::lock_guard lock(mutex_);
    const auto found = downloads_.find(key);
    if (found == downloads_.end() || found->second.id != downloadId) return {};
    auto callers = std::move(found->second.callers);
    downloads_.erase(found);
    return callers;
}

void IKImageDownloader::removeCaller(const QString& key, const std::shared_ptr<Caller>& caller) {
    std::shared_ptr<IKImageDownloaderOperation> abandoned;
    {
        std::lock_guard lock(mutex_);
        const auto found = downloads_.find(key);
        if (found == downloads_.end()) return;
        auto& callers = found->second.callers;
        if (std::erase(callers, caller) == 0 || !callers.empty()) return;
        abandoned = found->second.operation.lock();
        downloads_.erase(found);
    }
    if (abandoned) abandoned->cancel();
}
