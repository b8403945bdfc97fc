#pragma once

#include "platform/foundation/cache.h"
#include "platform/uikit/image.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace ns {
class NotificationCenter;
class Operation;
class SerialQueue;
}  // namespace ns

// Where an image the image stack delivers came from.
enum class IKImageCacheType : int { None = 0, Disk = 1, Memory = 2 };

// Downloaded pictures under a text key (normally the URL): in memory, bounded by a total
// cost in bytes of decoded pictures (the least recently used go), and one file per key in the
// sandbox's Library/Caches, cleaned by age and size when the app terminates or goes to the
// background. Every disk write, removal, cleaning and sizing runs on one serial queue; answers come
// on the main queue.
//
// The folder follows the sandbox: when the sandbox changes (a new install, or a test),
// the cache forgets what it held in memory and works in the new folder.
class IKImageCache : public std::enable_shared_from_this<IKImageCache> {
public:
    using Image = std::shared_ptr<ui::Image>;
    using QueryCompletion = std::function<void(const Image& image, IKImageCacheType cacheType)>;
    using Completion = std::function<void()>;
    using SizeCompletion = std::function<void(std::uint32_t fileCount, std::uint32_t totalSize)>;
    using ExistsCompletion = std::function<void(bool exists)>;

    static constexpr std::int32_t kDefaultMaxCacheAge = 60 * 60 * 24 * 7;  // seconds
    // Bytes of decoded pictures memory holds unless told otherwise: hundreds of banners,
    // avatars and news pictures, or two of the largest pictures a decode gives.
    static constexpr std::size_t kDefaultMaxMemoryCost = 32 * 1024 * 1024;
    static inline const QString kNamespacePrefix = QStringLiteral("com.housing.IKImageCache.");

    [[nodiscard]] static IKImageCache& sharedImageCache();
    [[nodiscard]] static std::shared_ptr<IKImageCache> create(const QString& nameSpace);
    ~IKImageCache();
    IKImageCache(const IKImageCache&) = delete;
    IKImageCache& operator=(const IKImageCache&) = delete;

    void addReadOnlyCachePath(const QString& path);
    [[nodiscard]] QString cachePathForKey(const QString& key, const QString& path) const;
    [[nodiscard]] QString defaultCachePathForKey(const QString& key);
    // The lower-case MD5 of the key's UTF-8 form. A key that has no UTF-8 form (a lone
    // surrogate) is named by the MD5 of its UTF-16 units after a marker byte that no UTF-8
    // text contains, so that it never shares a file with another key.
    [[nodiscard]] static QString cachedFileNameForKey(const QString& key);

    // Into memory at once; to disk later on the I/O queue: `imageData` as given unless
    // `recalculate` is set or there is none, else the image encoded (PNG, or JPEG when
    // the given bytes are not PNG).
    void storeImage(const Image& image, bool recalculate, const QByteArray& imageData,
                    const QString& key, bool toDisk);
    void storeImage(const Image& image, const QString& key, bool toDisk = true);

    // A memory hit answers at once; otherwise the disk is read on the I/O queue and the
    // answer (nil on a miss, cache type disk) comes on the main queue. Cancelling the
    // returned token before the answer has come means it never comes. Nothing without a
    // completion.
    std::shared_ptr<ns::Operation> queryDiskCacheForKey(const QString& key, QueryCompletion done);
    [[nodiscard]] Image imageFromMemoryCacheForKey(const QString& key);
    // Memory, else the disk on the calling thread (the image then goes into memory).
    [[nodiscard]] Image imageFromDiskCacheForKey(const QString& key);
    [[nodiscard]] std::optional<QByteArray> diskImageDataBySearchingAllPathsForKey(
        const QString& key);
    [[nodiscard]] Image diskImageForKey(const QString& key);
    // The image at scale 2 when the key names an "@2x" file ("a@2x.png"), else at scale 1;
    // every frame of an animated image alike.
    [[nodiscard]] static Image scaledImageForKey(const QString& key, const Image& image);

    void removeImageForKey(const QString& key, bool fromDisk = true, Completion completion = {});
    void clearMemory();
    void clearDisk(Completion completion = {});
    // Removes files not modified since maxCacheAge() seconds before now on the one clock,
    // then, above maxCacheSize(), the oldest until the rest is below half of it.
    void cleanDisk(Completion completion = {});
    void backgroundCleanDisk();

    // Wait for the I/O queue; never call them from a block on it.
    [[nodiscard]] std::uint32_t getSize();
    [[nodiscard]] std::uint32_t getDiskCount();
    void calculateSizeWithCompletionBlock(SizeCompletion completion);
    // The default folder only; read-only paths are not searched.
    [[nodiscard]] bool diskImageExistsWithKey(const QString& key);
    void diskImageExistsWithKey(const QString& key, ExistsCompletion completion);

    [[nodiscard]] std::int32_t maxCacheAge() const { return maxCacheAge_; }
    void setMaxCacheAge(std::int32_t seconds) { maxCacheAge_ = seconds; }
    [[nodiscard]] std::uint32_t maxCacheSize() const { return maxCacheSize_; }
    void setMaxCacheSize(std::uint32_t bytes) { maxCacheSize_ = bytes; }
    [[nodiscard]] std::size_t maxMemoryCost() const { return memCache_.totalCostLimit(); }
    void setMaxMemoryCost(std::size_t cost) { memCache_.setTotalCostLimit(cost); }
    // What the memory cache holds now, in bytes of decoded pictures.
    [[nodiscard]] std::size_t memoryCost() const { return memCache_.totalCost(); }
    [[nodiscard]] QString diskCachePath();
    // The bytes of the image's decoded pixels (of every frame of an animated one), so that
    // the limit bounds the memory the pictures take.
    [[nodiscard]] static std::size_t costForImage(const ui::Image& image);

private:
    explicit IKImageCache(const QString& nameSpace);
    void observeApplication();
    // Follows a change of sandbox: a new folder, and nothing of the old one in memory.
    void followSandbox();
    [[nodiscard]] QStringList customPaths() const;
    [[nodiscard]] Image decodedDiskImage(const QString& key);
    void writeToDisk(const QByteArray& bytes, const QString& key);
    void cleanDiskNow();

    const QString fullNamespace_;
    ns::Cache<Image> memCache_;
    std::shared_ptr<ns::SerialQueue> ioQueue_;
    std::atomic<std::int32_t> maxCacheAge_ = kDefaultMaxCacheAge;
    std::atomic<std::uint32_t> maxCacheSize_ = 0;

    mutable std::mutex pathsMutex_;
    QString diskCachePath_;
    unsigned sandboxGeneration_ = 0;
    QStringList customPaths_;
    std::shared_ptr<void> observations_;
};
