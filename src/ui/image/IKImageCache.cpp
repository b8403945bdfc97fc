#include "ui/image/IKImageCache.h"

#include "platform/foundation/clock.h"
#include "platform/foundation/concurrent_queue.h"
#include "platform/foundation/file_manager.h"
#include "platform/foundation/main_queue.h"
#include "platform/foundation/notification_center.h"
#include "platform/foundation/operation.h"
#include "platform/foundation/sandbox.h"
#include "platform/uikit/application.h"
#include "platform/uikit/screen.h"
#include "ui/image/UIImage+MultiFormat.h"

#include <QCryptographicHash>
#include <QDir>

#include <algorithm>
#include <vector>

namespace {

const QByteArray kPNGSignature("\x89PNG\r\n\x1a\n", 8);

struct CachedFile {
    QString path;
    QDateTime modified;
    qint64 size;
};

using Observations = std::vector<std::shared_ptr<ns::NotificationCenter::Observation>>;

}  // namespace

IKImageCache& IKImageCache::sharedImageCache() {
    static const std::shared_ptr<IKImageCache> shared = create(QStringLiteral("default"));
    return *shared;
}

std::shared_ptr<IKImageCache> IKImageCache::create(const QString& nameSpace) {
    auto cache = std::shared_ptr<IKImageCache>(new IKImageCache(nameSpace));
    cache->observeApplication();
    return cache;
}

IKImageCache::IKImageCache(const QString& nameSpace)
    : fullNamespace_(kNamespacePrefix + nameSpace),
      memCache_(fullNamespace_),
      ioQueue_(std::make_shared<ns::SerialQueue>(fullNamespace_ + QStringLiteral(".io"))) {
    memCache_.setTotalCostLimit(kDefaultMaxMemoryCost);
    followSandbox();
}

IKImageCache::~IKImageCache() = default;

void IKImageCache::observeApplication() {
    auto& center = ns::NotificationCenter::defaultCenter();
    const std::weak_ptr<IKImageCache> weak = weak_from_this();
    auto observations = std::make_shared<Observations>();
    observations->push_back(center.addObserver(ui::kApplicationDidReceiveMemoryWarningNotification,
                                               [weak](const ns::Notification&) {
                                                   if (auto self = weak.lock()) self->clearMemory();
                                               }));
    observations->push_back(center.addObserver(ui::kApplicationWillTerminateNotification,
                                               [weak](const ns::Notification&) {
                                                   if (auto self = weak.lock()) self->cleanDisk();
                                               }));
    observations->push_back(center.addObserver(ui::kApplicationDidEnterBackgroundNotification,
                                               [weak](const ns::Notification&) {
                                                   if (auto self = weak.lock())
                                                       self->backgroundCleanDisk();
                                               }));
    observations_ = std::move(observations);
}

void IKImageCache::followSandbox() {
    const unsigned generation = ns::Sandbox::generation();
    std::lock_guard lock(pathsMutex_);
    if (!diskCachePath_.isEmpty() && generation == sandboxGeneration_) return;
    if (!diskCachePath_.isEmpty()) memCache_.removeAllObjects();
    sandboxGeneration_ = generation;
    diskCachePath_ = ns::Sandbox::caches() + QLatin1Char('/') + fullNamespace_;
    // The age and size cleaning skips hidden files, so the half-written pictures that a
    // killed app left are removed here, as the folder is first used.
    ioQueue_->async([folder = diskCachePath_] {
        ns::FileManager::removeAbandonedTemporaryFilesInFolder(folder);
    });
}

QString IKImageCache::diskCachePath() {
    followSandbox();
    std::lock_guard lock(pathsMutex_);
    return diskCachePath_;
}

QStringList IKImageCache::customPaths() const {
    std::lock_guard lock(pathsMutex_);
    return customPaths_;
}

void IKImageCache::addReadOnlyCachePath(const QString& path) {
    std::lock_guard lock(pathsMutex_);
    if (!customPaths_.contains(path)) customPaths_.append(path);
}

QString IKImageCache::cachedFileNameForKey(const QString& key) {
    QCryptographicHash md5(QCryptographicHash::Md5);
    if (QStringView(key).isValidUtf16()) {
        md5.addData(key.toUtf8());
    } else {
        md5.addData(QByteArrayView("\xff", 1));
        md5.addData(QByteArrayView(reinterpret_cast<const char*>(key.utf16()),
                                   key.size() * qsizetype(sizeof(char16_t))));
    }
    return QString::fromLatin1(md5.result().toHex());
}

QString IKImageCache::cachePathForKey(const QString& key, const QString& path) const {
    return path + QLatin1Char('/') + cachedFileNameForKey(key);
}

QString IKImageCache::defaultCachePathForKey(const QString& key) {
    return cachePathForKey(key, diskCachePath());
}

std::size_t IKImageCache::costForImage(const ui::Image& image) {
    return image.decodedBytes();
}

void IKImageCache::storeImage(const Image& image, const QString& key, bool toDisk) {
    storeImage(image, true, {}, key, toDisk);
}

void IKImageCache::storeImage(const Image& image, bool recalculate, const QByteArray& imageData,
                              const QString& key, bool toDisk) {
    if (!image || key.isNull()) return;
    followSandbox();
    memCache_.setObject(key, image, costForImage(*image));
    if (!toDisk) return;
    const std::weak_ptr<IKImageCache> weak = weak_from_this();
    ioQueue_->async([weak, image, recalculate, imageData, key] {
        auto self = weak.lock();
        if (!self) return;
        QByteArray bytes = imageData;
        if (recalculate || imageData.isNull()) {
            const bool png =
                imageData.size() < kPNGSignature.size() || imageData.startsWith(kPNGSignature);
            bytes = png ? image->PNGRepresentation() : image->JPEGRepresentation(1.0);
        }
        if (!bytes.isNull()) self->writeToDisk(bytes, key);
    });
}

void IKImageCache::writeToDisk(const QByteArray& bytes, const QString& key) {
    const QString folder = diskCachePath();
    // Only the cache's own folder is made: a sandbox that went away meanwhile (its caches
    // folder with it) is not made again by a late write, which then writes nothing.
    if (!ns::FileManager::fileExistsAtPath(folder)) {
        ns::FileManager::createDirectoryAtPath(folder, false);
    }
    const QString path = cachePathForKey(key, folder);
    // Stamped on the one clock, so that cleaning by age measures on the same clock.
    if (ns::FileManager::createFileAtPath(path, bytes)) {
        ns::FileManager::setModificationDate(ns::Clock::shared().currentDateTime(), path);
    }
}

std::shared_ptr<ns::Operation> IKImageCache::queryDiskCacheForKey(const QString& key,
                                                                  QueryCompletion done) {
    if (!done) return nullptr;
    if (key.isNull()) {
        done(nullptr, IKImageCacheType::None);
        return nullptr;
    }
    if (auto image = imageFromMemoryCacheForKey(key)) {
        done(image, IKImageCacheType::Memory);
        return nullptr;
    }
    auto token = std::make_shared<ns::Operation>();
    const std::weak_ptr<IKImageCache> weak = weak_from_this();
    ioQueue_->async([weak, token, key, done = std::move(done)] {
        if (token->isCancelled()) return;
        auto self = weak.lock();
        Image image = self ? self->decodedDiskImage(key) : nullptr;
        if (image && self) self->memCache_.setObject(key, image, costForImage(*image));
        // A cancel that comes while the disk is read still holds: the answer is dropped.
        ns::MainQueue::post([done, image, token] {
            if (!token->isCancelled()) done(image, IKImageCacheType::Disk);
        });
    });
    return token;
}

IKImageCache::Image IKImageCache::imageFromMemoryCacheForKey(const QString& key) {
    followSandbox();
    return memCache_.objectForKey(key);
}

IKImageCache::Image IKImageCache::imageFromDiskCacheForKey(const QString& key) {
    if (auto image = imageFromMemoryCacheForKey(key)) return image;
    auto image = decodedDiskImage(key);
    if (image) memCache_.setObject(key, image, costForImage(*image));
    return image;
}

std::optional<QByteArray> IKImageCache::diskImageDataBySearchingAllPathsForKey(const QString& key) {
    if (auto bytes = ns::FileManager::contentsAtPath(defaultCachePathForKey(key))) return bytes;
    for (const QString& path : customPaths()) {
        if (auto bytes = ns::FileManager::contentsAtPath(cachePathForKey(key, path))) return bytes;
    }
    return std::nullopt;
}

IKImageCache::Image IKImageCache::diskImageForKey(const QString& key) {
    return decodedDiskImage(key);
}

IKImageCache::Image IKImageCache::decodedDiskImage(const QString& key) {
    const auto bytes = diskImageDataBySearchingAllPathsForKey(key);
    if (!bytes) return nullptr;
    // The platform's images hold decoded pixels from the start, in the layout drawing
    // wants, so the image is ready to draw as it comes from the decoder.
    return scaledImageForKey(key, ImageMultiFormat::ik_imageWithData(*bytes));
}

IKImageCache::Image IKImageCache::scaledImageForKey(const QString& key, const Image& image) {
    if (!image) return nullptr;
    if (!image->images().empty()) {
        std::vector<Image> frames;
        frames.reserve(image->images().size());
        for (const auto& frame : image->images()) frames.push_back(scaledImageForKey(key, frame));
        return ui::Image::animatedImageWithImages(std::move(frames), image->duration());
    }
    double scale = 1.0;
    // "@2x." followed by a 3- or 4-letter extension at the end of the key.
    if (key.size() >= 8 && key.mid(key.size() - 8, 5).contains(QLatin1String("@2x."))) {
        scale = 2.0;
    }
    if (scale == image->scale()) return image;
    return ui::Image::imageWithQImage(image->pixels(), scale, image->imageOrientation());
}

void IKImageCache::removeImageForKey(const QString& key, bool fromDisk, Completion completion) {
    if (key.isNull()) return;
    followSandbox();
    memCache_.removeObjectForKey(key);
    if (!fromDisk) {
        if (completion) completion();
        return;
    }
    const QString path = defaultCachePathForKey(key);
    ioQueue_->async([path, completion = std::move(completion)] {
        ns::FileManager::removeItemAtPath(path);
        if (completion) ns::MainQueue::post(completion);
    });
}

void IKImageCache::clearMemory() {
    memCache_.removeAllObjects();
}

void IKImageCache::clearDisk(Completion completion) {
    const QString folder = diskCachePath();
    ioQueue_->async([folder, completion = std::move(completion)] {
        ns::FileManager::removeItemAtPath(folder);
        ns::FileManager::createDirectoryAtPath(folder, true);
        if (completion) ns::MainQueue::post(completion);
    });
}

void IKImageCache::cleanDisk(Completion completion) {
    const std::weak_ptr<IKImageCache> weak = weak_from_this();
    ioQueue_->async([weak, completion = std::move(completion)] {
        if (auto self = weak.lock()) self->cleanDiskNow();
        if (completion) ns::MainQueue::post(completion);
    });
}

void IKImageCache::backgroundCleanDisk() {
    // The stand-in platform keeps a backgrounded app running, so no background time
    // needs to be asked for: the cleaning just runs.
    cleanDisk();
}

void IKImageCache::cleanDiskNow() {
    const QString folder = diskCachePath();
    const QDateTime expiration =
        ns::Clock::shared().currentDateTime().addSecs(-qint64(maxCacheAge_.load()));
    std::vector<CachedFile> kept;
    qint64 total = 0;
    for (const QString& relative : ns::FileManager::subpathsOfDirectoryAtPath(folder, true)) {
        const QString path = folder + QLatin1Char('/') + relative;
        const auto attributes = ns::FileManager::attributesOfItemAtPath(path);
        if (!attributes || attributes->isDirectory) continue;
        if (attributes->modificationDate <= expiration) {
            ns::FileManager::removeItemAtPath(path);
            continue;
        }
        kept.push_back({path, attributes->modificationDate, attributes->allocatedSize});
        total += attributes->allocatedSize;
    }
    const qint64 limit = maxCacheSize_.load();
    if (limit <= 0 || total <= limit) return;
    const qint64 target = limit / 2;
    std::sort(kept.begin(), kept.end(),
              [](const CachedFile& a, const CachedFile& b) { return a.modified < b.modified; });
    for (const CachedFile& file : kept) {
        if (!ns::FileManager::removeItemAtPath(file.path)) continue;
        total -= file.size;
        if (total < target) break;
    }
}

std::uint32_t IKImageCache::getSize() {
    const QString folder = diskCachePath();
    std::uint32_t size = 0;
    ioQueue_->sync([&] {
        for (const QString& relative : ns::FileManager::subpathsOfDirectoryAtPath(folder)) {
            const auto attributes =
                ns::FileManager::attributesOfItemAtPath(folder + QLatin1Char('/') + relative);
            if (attributes && !attributes->isDirectory) size += std::uint32_t(attributes->size);
        }
    });
    return size;
}

std::uint32_t IKImageCache::getDiskCount() {
    const QString folder = diskCachePath();
    std::uint32_t count = 0;
    ioQueue_->sync(
        [&] { count = std::uint32_t(ns::FileManager::subpathsOfDirectoryAtPath(folder).size()); });
    return count;
}

void IKImageCache::calculateSizeWithCompletionBlock(SizeCompletion completion) {
    const QString folder = diskCachePath();
    ioQueue_->async([folder, completion = std::move(completion)] {
        std::uint32_t count = 0;
        std::uint32_t total = 0;
        for (const QString& relative : ns::FileManager::subpathsOfDirectoryAtPath(folder, true)) {
            const auto attributes =
                ns::FileManager::attributesOfItemAtPath(folder + QLatin1Char('/') + relative);
            if (attributes && !attributes->isDirectory) total += std::uint32_t(attributes->size);
            ++count;
        }
        if (completion)
            ns::MainQueue::post([completion, count, total] { completion(count, total); });
    });
}

bool IKImageCache::diskImageExistsWithKey(const QString& key) {
    return ns::FileManager::fileExistsAtPath(defaultCachePathForKey(key));
}

void IKImageCache::diskImageExistsWithKey(const QString& key, ExistsCompletion completion) {
    const QString path = defaultCachePathForKey(key);
    ioQueue_->async([path, completion = std::move(completion)] {
        const bool exists = ns::FileManager::fileExistsAtPath(path);
        if (completion) ns::MainQueue::post([completion, exists] { completion(exists); });
    });
}
