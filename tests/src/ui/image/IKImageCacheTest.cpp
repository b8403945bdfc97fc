#include "AbandonedWrite.h"
#include "ImageSamples.h"
#include "SandboxTest.h"

#include "platform/foundation/file_manager.h"
#include "platform/foundation/notification_center.h"
#include "platform/foundation/operation.h"
#include "platform/foundation/sandbox.h"
#include "platform/uikit/application.h"
#include "ui/image/IKImageCache.h"

#include <QCryptographicHash>
#include <QDir>

#include <optional>

namespace {

using CachedImage = IKImageCache::Image;

class IKImageCacheTest : public SandboxTest {
protected:
    void SetUp() override {
        SandboxTest::SetUp();
        cache = IKImageCache::create(QStringLiteral("test"));
    }

    CachedImage red(int size = 8) {
        return ui::Image::imageWithQImage(samples::solid(size, size, Qt::red));
    }

    // Waits until everything queued on the I/O queue so far has run.
    void waitForDisk() {
        bool done = false;
        cache->diskImageExistsWithKey(QStringLiteral("-"), [&](bool) { done = true; });
        ASSERT_TRUE(runMainLoopUntil([&] { return done; }));
    }

    // What a query answers, waited for on the main loop.
    std::pair<CachedImage, IKImageCacheType> query(const QString& key) {
        std::optional<std::pair<CachedImage, IKImageCacheType>> answer;
        cache->queryDiskCacheForKey(key, [&](const CachedImage& image, IKImageCacheType type) {
            answer = {image, type};
        });
        EXPECT_TRUE(runMainLoopUntil([&] { return answer.has_value(); }));
        return answer.value_or(std::pair<CachedImage, IKImageCacheType>{});
    }

    QString fileFor(const QString& key) { return cache->defaultCachePathForKey(key); }

    std::shared_ptr<IKImageCache> cache;
};

TEST_F(IKImageCacheTest, FileNamesAreTheLowerCaseMD5OfTheKey) {
    const QString key = QStringLiteral("http://host/img/a.png?w=1&h=2");
    EXPECT_EQ(IKImageCache::cachedFileNameForKey(key),
              QString::fromLatin1(
                  QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Md5).toHex()));
    EXPECT_EQ(IKImageCache::cachedFileNameForKey(QString()), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(fileFor(key), ns::Sandbox::caches() + "/com.housing.IKImageCache.test/" +
                                IKImageCache::cachedFileNameForKey(key));
}

TEST_F(IKImageCacheTest, KeysWithoutAUtf8FormNeverShareAFile) {
    // Two lone surrogates: both would turn into the same replacement character.
    const QString high = QStringLiteral("http://host/a") + QChar(0xD800);
    const QString low = QStringLiteral("http://host/a") + QChar(0xDC00);
    const QString replaced = QStringLiteral("http://host/a") + QChar(0xFFFD);
    const QStringList names = {IKImageCache::cachedFileNameForKey(high),
                               IKImageCache::cachedFileNameForKey(low),
                               IKImageCache::cachedFileNameForKey(replaced),
                               IKImageCache::cachedFileNameForKey(QString())};
    EXPECT_EQ(QSet<QString>(names.begin(), names.end()).size(), 4);
}

TEST_F(IKImageCacheTest, TheDoubleScaleMarkerCountsOnlyBeforeTheExtension) {
    const CachedImage image = red();
    EXPECT_EQ(IKImageCache::scaledImageForKey("http://host/a@2x.png", image)->scale(), 2);
    EXPECT_EQ(IKImageCache::scaledImageForKey("http://host/a@2x.jpeg", image)->scale(), 2);
    EXPECT_EQ(IKImageCache::scaledImageForKey("http://host/a@2x.png?v=1", image)->scale(), 1);
    EXPECT_EQ(IKImageCache::scaledImageForKey("a@2x.p", image)->scale(), 1);  // too short
    EXPECT_EQ(IKImageCache::scaledImageForKey("http://host/a.png", image)->scale(), 1);
    EXPECT_EQ(IKImageCache::scaledImageForKey("http://host/a@2x.png", nullptr), nullptr);
    // An animation keeps its frames and duration.
    auto animation = ui::Image::animatedImageWithImages({red(), red(), red()}, 0.9);
    auto scaled = IKImageCache::scaledImageForKey("http://host/b@2x.gif", animation);
    ASSERT_EQ(scaled->images().size(), 3u);
    EXPECT_DOUBLE_EQ(scaled->duration(), 0.9);
    EXPECT_EQ(scaled->images()[2]->scale(), 2);
}

TEST_F(IKImageCacheTest, StoringWritesTheGivenBytesOrAFreshEncoding) {
    const QByteArray jpeg = samples::encoded(samples::solid(8, 8, Qt::red), "jpeg");
    cache->storeImage(red(), false, jpeg, "given", true);
    cache->storeImage(red(), false, {}, "none", true);
    cache->storeImage(red(), true, jpeg, "recalculated", true);
    cache->storeImage(nullptr, false, jpeg, "no image", true);
    cache->storeImage(red(), false, jpeg, QString(), true);
    waitForDisk();
    EXPECT_EQ(ns::FileManager::contentsAtPath(fileFor("given")), jpeg);
    EXPECT_TRUE(ns::FileManager::contentsAtPath(fileFor("none"))->startsWith("\x89PNG"));
    const auto recalculated = ns::FileManager::contentsAtPath(fileFor("recalculated"));
    EXPECT_TRUE(recalculated->startsWith("\xff\xd8"));
    EXPECT_NE(*recalculated, jpeg);
    EXPECT_FALSE(ns::FileManager::fileExistsAtPath(fileFor("no image")));
    EXPECT_EQ(cache->getDiskCount(), 3u);
}

TEST_F(IKImageCacheTest, QueriesAnswerFromMemoryAtOnceAndFromDiskOnTheMainQueue) {
    EXPECT_EQ(cache->queryDiskCacheForKey("k", nullptr), nullptr);
    bool answered = false;
    EXPECT_EQ(cache->queryDiskCacheForKey(QString(),
                                          [&](const CachedImage& image, IKImageCacheType type) {
                                              answered = !image && type == IKImageCacheType::None;
                                          }),
              nullptr);
    EXPECT_TRUE(answered);

    const CachedImage image = red();
    cache->storeImage(image, "k", true);
    answered = false;
    cache->queryDiskCacheForKey("k", [&](const CachedImage& found, IKImageCacheType type) {
        answered = found == image && type == IKImageCacheType::Memory;
    });
    EXPECT_TRUE(answered);  // before the call returned

    waitForDisk();
    cache->clearMemory();
    auto [fromDisk, type] = query("k");
    ASSERT_TRUE(fromDisk);
    EXPECT_EQ(type, IKImageCacheType::Disk);
    EXPECT_EQ(fromDisk->size(), (ui::Size{8, 8}));
    EXPECT_EQ(cache->imageFromMemoryCacheForKey("k"), fromDisk);  // promoted

    auto [missing, missType] = query("absent");
    EXPECT_EQ(missing, nullptr);
    EXPECT_EQ(missType, IKImageCacheType::Disk);
}

TEST_F(IKImageCacheTest, ACancelledQueryNeverAnswers) {
    cache->storeImage(red(), "k", true);
    waitForDisk();
    cache->clearMemory();
    int answers = 0;
    cache->queryDiskCacheForKey("k", [&](const CachedImage&, IKImageCacheType) { ++answers; })
        ->cancel();
    // A later query on the same serial queue answering means the first one has had its turn.
    query("k");
    drainMainLoop();
    EXPECT_EQ(answers, 0);

    // Cancelled after the disk was read, while its answer waits for the main thread.
    cache->clearMemory();
    auto late =
        cache->queryDiskCacheForKey("k", [&](const CachedImage&, IKImageCacheType) { ++answers; });
    (void)cache->getDiskCount();  // waits on the I/O queue: the read has run
    late->cancel();
    drainMainLoop();
    EXPECT_EQ(answers, 0);
}

TEST_F(IKImageCacheTest, PicturesHalfWrittenByAKilledAppGoWhenTheCacheOpens) {
    cache->storeImage(red(), "k", true);
    waitForDisk();
    const QString abandoned = leaveAbandonedWrite(fileFor("k"));
    const QString running = leaveAbandonedWrite(fileFor("other"), 1);
    // The age and size cleaning never looks at hidden files, these included.
    cache->setMaxCacheAge(0);
    cache->cleanDisk();
    waitForDisk();
    ASSERT_TRUE(QFileInfo::exists(abandoned));

    auto reopened = IKImageCache::create(QStringLiteral("test"));
    (void)reopened->getDiskCount();  // waits for what its I/O queue was given
    EXPECT_FALSE(QFileInfo::exists(abandoned));
    EXPECT_TRUE(QFileInfo::exists(running)) << "a writer still running may yet rename it";
}

TEST_F(IKImageCacheTest, AFileThatDoesNotDecodeIsAMiss) {
    QDir().mkpath(cache->diskCachePath());
    ASSERT_TRUE(ns::FileManager::createFileAtPath(fileFor("broken"), "not a picture"));
    auto [image, type] = query("broken");
    EXPECT_EQ(image, nullptr);
    EXPECT_EQ(type, IKImageCacheType::Disk);
    EXPECT_EQ(cache->imageFromDiskCacheForKey("broken"), nullptr);
}

TEST_F(IKImageCacheTest, ReadOnlyPathsAreReadButNotAskedForExistence) {
    const QString shipped = sandboxPath() + "/shipped";
    QDir().mkpath(shipped);
    ASSERT_TRUE(
        ns::FileManager::createFileAtPath(cache->cachePathForKey("logo", shipped),
                                          samples::encoded(samples::solid(3, 3, Qt::blue), "png")));
    cache->addReadOnlyCachePath(shipped);
    cache->addReadOnlyCachePath(shipped);
    EXPECT_TRUE(cache->imageFromDiskCacheForKey("logo"));
    EXPECT_FALSE(cache->diskImageExistsWithKey("logo"));
}

TEST_F(IKImageCacheTest, RemovalCallsItsCompletionOnlyForAKey) {
    bool removed = false;
    cache->removeImageForKey(QString(), true, [&] { removed = true; });
    drainMainLoop();
    EXPECT_FALSE(removed);
    cache->storeImage(red(), "k", true);
    cache->removeImageForKey("k", false, [&] { removed = true; });
    EXPECT_TRUE(removed);  // memory only: before the call returned
    EXPECT_EQ(cache->imageFromMemoryCacheForKey("k"), nullptr);
    removed = false;
    cache->removeImageForKey("k", true, [&] { removed = true; });
    ASSERT_TRUE(runMainLoopUntil([&] { return removed; }));
    EXPECT_FALSE(cache->diskImageExistsWithKey("k"));
}

TEST_F(IKImageCacheTest, CleaningRemovesFilesAsOldAsTheAgeLimitOnTheClock) {
    cache->storeImage(red(), "old", true);
    waitForDisk();
    clock().advance(std::chrono::seconds(IKImageCache::kDefaultMaxCacheAge - 10));
    cache->storeImage(red(), "young", true);
    waitForDisk();
    clock().advance(10s);  // "old" is now exactly as old as the limit
    bool cleaned = false;
    cache->cleanDisk([&] { cleaned = true; });
    ASSERT_TRUE(runMainLoopUntil([&] { return cleaned; }));
    EXPECT_FALSE(cache->diskImageExistsWithKey("old"));
    EXPECT_TRUE(cache->diskImageExistsWithKey("young"));
}

TEST_F(IKImageCacheTest, CleaningAboveTheSizeLimitRemovesTheOldestBelowHalfOfIt) {
    // Five files of about the same size, a second apart.
    const QByteArray bytes(3000, 'x');
    for (int i = 0; i < 5; ++i) {
        cache->storeImage(red(), false, bytes, QString::number(i), true);
        waitForDisk();
        clock().advance(1s);
    }
    const auto one = ns::FileManager::attributesOfItemAtPath(fileFor("0"))->allocatedSize;
    cache->setMaxCacheSize(std::uint32_t(one * 4));  // five files are above it
    bool cleaned = false;
    cache->cleanDisk([&] { cleaned = true; });
    ASSERT_TRUE(runMainLoopUntil([&] { return cleaned; }));
    // Below half of four files: only the newest one stays.
    for (int i = 0; i < 4; ++i) EXPECT_FALSE(cache->diskImageExistsWithKey(QString::number(i)));
    EXPECT_TRUE(cache->diskImageExistsWithKey("4"));
}

TEST_F(IKImageCacheTest, TheMemoryCostLimitBoundsWhatMemoryHolds) {
    // Bytes of decoded pixels: 8 x 8 at 4 bytes; a limit unless one is set.
    EXPECT_EQ(IKImageCache::costForImage(*red()), 256u);
    EXPECT_EQ(cache->maxMemoryCost(), IKImageCache::kDefaultMaxMemoryCost);
    cache->setMaxMemoryCost(3 * 256);
    for (int i = 0; i < 3; ++i) cache->storeImage(red(), QString::number(i), false);
    EXPECT_EQ(cache->memoryCost(), 768u);
    // A read makes "0" the most recently used, so "1" is the one to go.
    ASSERT_NE(cache->imageFromMemoryCacheForKey("0"), nullptr);
    cache->storeImage(red(), "3", false);
    EXPECT_EQ(cache->memoryCost(), 768u);
    EXPECT_EQ(cache->imageFromMemoryCacheForKey("1"), nullptr);
    for (const char* kept : {"0", "2", "3"})
        EXPECT_NE(cache->imageFromMemoryCacheForKey(kept), nullptr);

    // A picture costlier than the whole limit is not kept, and pushes nothing out.
    cache->storeImage(red(16), "large", false);
    EXPECT_EQ(cache->imageFromMemoryCacheForKey("large"), nullptr);
    EXPECT_EQ(cache->memoryCost(), 768u);
    for (const char* kept : {"0", "2", "3"})
        EXPECT_NE(cache->imageFromMemoryCacheForKey(kept), nullptr);
}

TEST_F(IKImageCacheTest, AMemoryWarningEmptiesMemoryAndTerminationCleansTheDisk) {
    cache->setMaxCacheAge(0);
    cache->storeImage(red(), "k", true);
    waitForDisk();
    ns::NotificationCenter::defaultCenter().post(
        ui::kApplicationDidReceiveMemoryWarningNotification);
    EXPECT_EQ(cache->imageFromMemoryCacheForKey("k"), nullptr);
    ns::NotificationCenter::defaultCenter().post(ui::kApplicationWillTerminateNotification);
    ASSERT_TRUE(runMainLoopUntil([&] {
        waitForDisk();
        return !cache->diskImageExistsWithKey("k");
    }));
}

TEST_F(IKImageCacheTest, SizesCountWhatIsOnDiskAndClearingEmptiesIt) {
    cache->storeImage(red(), false, QByteArray(100, 'a'), "a", true);
    cache->storeImage(red(), false, QByteArray(50, 'b'), "b", true);
    EXPECT_EQ(cache->getSize(), 150u);
    EXPECT_EQ(cache->getDiskCount(), 2u);
    std::optional<std::pair<std::uint32_t, std::uint32_t>> calculated;
    cache->calculateSizeWithCompletionBlock([&](std::uint32_t count, std::uint32_t size) {
        calculated = {count, size};
    });
    ASSERT_TRUE(runMainLoopUntil([&] { return calculated.has_value(); }));
    EXPECT_EQ(*calculated, (std::pair<std::uint32_t, std::uint32_t>{2, 150}));
    bool cleared = false;
    cache->clearDisk([&] { cleared = true; });
    ASSERT_TRUE(runMainLoopUntil([&] { return cleared; }));
    EXPECT_EQ(cache->getDiskCount(), 0u);
    EXPECT_TRUE(QDir(cache->diskCachePath()).exists());
}

}  // namespace
