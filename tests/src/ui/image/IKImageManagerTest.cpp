#include "ImageRoadFixture.h"
#include "ImageSamples.h"

#include "platform/foundation/file_manager.h"

namespace {

class IKImageManagerTest : public ImageRoadFixture {
protected:
    std::shared_ptr<ui::Image> red() {
        return ui::Image::imageWithQImage(samples::solid(8, 8, Qt::red));
    }
};

TEST_F(IKImageManagerTest, AMemoryHitAnswersBeforeTheCallReturns) {
    const QUrl url = imageURL("test/red.png");
    manager->saveImageToCache(red(), url);
    Answers answers;
    manager->downloadImageWithURL(url, 0, {}, into(answers));
    ASSERT_EQ(answers.count(), 1u);
    EXPECT_EQ(answers.all()[0].cacheType, IKImageCacheType::Memory);
    EXPECT_TRUE(answers.all()[0].finished);
    EXPECT_FALSE(manager->isRunning());
    EXPECT_EQ(requestsFor("test/red.png"), 0u);
}

TEST_F(IKImageManagerTest, ADiskHitAnswersLaterWithoutADownload) {
    const QUrl url = imageURL("test/red.png");
    manager->saveImageToCache(red(), url);
    ASSERT_TRUE(runMainLoopUntil([&] { return manager->diskImageExistsForURL(url); }));
    cache->clearMemory();
    Answers answers;
    manager->downloadImageWithURL(url, 0, {}, into(answers));
    EXPECT_EQ(answers.count(), 0u);
    ASSERT_TRUE(waitForAnswers(answers, 1));
    EXPECT_EQ(answers.all()[0].cacheType, IKImageCacheType::Disk);
    EXPECT_TRUE(answers.all()[0].image);
    EXPECT_EQ(requestsFor("test/red.png"), 0u);
}

TEST_F(IKImageManagerTest, ADownloadIsStoredInMemoryAndOnDisk) {
    const QUrl url = imageURL("test/blue.jpg");
    Answers answers;
    manager->downloadImageWithURL(url.toString(), 0, {}, into(answers));
    ASSERT_TRUE(waitForAnswers(answers, 1));
    EXPECT_EQ(answers.all()[0].cacheType, IKImageCacheType::None);
    EXPECT_EQ(answers.all()[0].image->size(), (ui::Size{16, 12}));
    EXPECT_TRUE(cache->imageFromMemoryCacheForKey(url.toString()));
    ASSERT_TRUE(runMainLoopUntil([&] { return manager->diskImageExistsForURL(url); }));
    // The file holds the bytes as the server sent them.
    EXPECT_TRUE(ns::FileManager::contentsAtPath(cache->defaultCachePathForKey(url.toString()))
                    ->startsWith("\xff\xd8"));
    EXPECT_FALSE(manager->isRunning());
}

TEST_F(IKImageManagerTest, MemoryOnlyWritesNoFile) {
    const QUrl url = imageURL("test/blue.jpg");
    Answers answers;
    manager->downloadImageWithURL(url, IKImageCacheMemoryOnly, {}, into(answers));
    ASSERT_TRUE(waitForAnswers(answers, 1));
    EXPECT_TRUE(cache->imageFromMemoryCacheForKey(url.toString()));
    // Disk work queued after the store would have been runs after it.
    EXPECT_EQ(cache->getDiskCount(), 0u);
}

TEST_F(IKImageManagerTest, AFailedURLRestsForACoolDownAndIsRetriedOnRequest) {
    const QUrl url = imageURL("test/red.png");
    server().setFault({.prefix = "/img/test/red.png", .status = 404});
    Answers answers;
    manager->downloadImageWithURL(url, 0, {}, into(answers));
    ASSERT_TRUE(waitForAnswers(answers, 1));
    EXPECT_EQ(answers.all()[0].error->code(), 404);
    EXPECT_TRUE(manager->isFailedURL(url));

    // At once, without trying: -1100.
    manager->downloadImageWithURL(url, 0, {}, into(answers));
    ASSERT_EQ(answers.count(), 2u);
    EXPECT_EQ(answers.all()[1].error->code(), ns::Error::kURLErrorFileDoesNotExist);
    EXPECT_EQ(requestsFor("test/red.png"), 1u);

    // An explicit retry goes at once; the picture is back now.
    server().setFaults({});
    manager->downloadImageWithURL(url, IKImageRetryFailed, {}, into(answers));
    ASSERT_TRUE(waitForAnswers(answers, 3));
    EXPECT_TRUE(answers.all()[2].image);
    EXPECT_FALSE(manager->isFailedURL(url));

    // A 5xx rests too, but only for the cool-down.
    const QUrl other = imageURL("test/blue.jpg");
    server().setFault({.prefix = "/img/test/blue.jpg", .status = 503, .times = 1});
    manager->downloadImageWithURL(other, 0, {}, into(answers));
    ASSERT_TRUE(waitForAnswers(answers, 4));
    EXPECT_TRUE(manager->isFailedURL(other));
    clock().advance(IKImageManager::kFailedURLCoolDown);
    EXPECT_FALSE(manager->isFailedURL(other));
    manager->downloadImageWithURL(other, 0, {}, into(answers));
    ASSERT_TRUE(waitForAnswers(answers, 5));
    EXPECT_TRUE(answers.all()[4].image);
    EXPECT_EQ(requestsFor("test/blue.jpg"), 2u);
}

TEST_F(IKImageManagerTest, ATimeOutDoesNotCountAsAFailedURL) {
    downloader->setDownloadTimeout(1);
    server().setFault({.prefix = "/img/test/red.png", .hold = true});
    const QUrl url = imageURL("test/red.png");
    Answers answers;
    manager->downloadImageWithURL(url, 0, {}, into(answers));
    ASSERT_TRUE(runMainLoopUntil([&] {
        clock().advance(500ms);
        return answers.count() == 1;
    }));
    EXPECT_EQ(answers.all()[0].error->code(), ns::Error::kURLErrorTimedOut);
    EXPECT_FALSE(manager->isFailedURL(url));
}

TEST_F(IKImageManagerTest, InvalidURLsAnswerWithoutTryingAndANilCompletionIsNeverCalled) {
    Answers answers;
    manager->downloadImageWithURL(QString(), 0, {}, into(answers));
    manager->downloadImageWithURL(QUrl(), 0, {}, into(answers));
    ASSERT_EQ(answers.count(), 2u);
    for (const auto& answer : answers.all()) {
        EXPECT_EQ(answer.error->code(), ns::Error::kURLErrorFileDoesNotExist);
        EXPECT_TRUE(answer.finished);
    }
    // No completion at all: the load still runs and stores its picture.
    const QUrl url = imageURL("test/red.png");
    manager->downloadImageWithURL(url, 0, {}, nullptr);
    manager->downloadImageWithURL(QUrl(), 0, {}, nullptr);
    ASSERT_TRUE(runMainLoopUntil([&] { return manager->cachedImageExistsForURL(url); }));
}

TEST_F(IKImageManagerTest, CancellingOneLoadLeavesTheOtherLoadOfTheSameURL) {
    downloader->setSuspended(true);
    const QUrl url = imageURL("test/red.png");
    Answers answers;
    auto first = manager->downloadImageWithURL(url, 0, {}, into(answers, 1));
    manager->downloadImageWithURL(url, 0, {}, into(answers, 2));
    // Both loads reach the downloader once their cache misses are answered.
    ASSERT_TRUE(runMainLoopUntil([&] { return downloader->callerCountForURL(url) == 2; }));
    first->cancel();
    EXPECT_TRUE(first->isCancelled());
    downloader->setSuspended(false);
    ASSERT_TRUE(waitForAnswers(answers, 1));
    ASSERT_TRUE(runMainLoopUntil([&] { return !manager->isRunning(); }));
    drainMainLoop();
    ASSERT_EQ(answers.count(), 1u);
    EXPECT_EQ(answers.all()[0].caller, 2);
    EXPECT_TRUE(answers.all()[0].image);
}

TEST_F(IKImageManagerTest, ALoadCancelledDuringItsCacheLookupEndsAtOnce) {
    Answers answers;
    auto load = manager->downloadImageWithURL(imageURL("test/red.png"), 0, {}, into(answers));
    load->cancel();
    EXPECT_FALSE(manager->isRunning());
    // A later load still answers, and the cancelled one never does.
    manager->downloadImageWithURL(imageURL("test/blue.jpg"), 0, {}, into(answers, 2));
    ASSERT_TRUE(waitForAnswers(answers, 1));
    ASSERT_TRUE(runMainLoopUntil([&] { return !manager->isRunning(); }));
    EXPECT_EQ(answers.all()[0].caller, 2);
}

TEST_F(IKImageManagerTest, CancelAllStopsEveryLoadSilently) {
    downloader->setSuspended(true);
    Answers answers;
    manager->downloadImageWithURL(imageURL("test/red.png"), 0, {}, into(answers));
    manager->downloadImageWithURL(imageURL("test/blue.jpg"), 0, {}, into(answers));
    EXPECT_TRUE(manager->isRunning());
    manager->cancelAll();
    EXPECT_FALSE(manager->isRunning());
    downloader->setSuspended(false);
    ASSERT_TRUE(runMainLoopUntil([&] { return downloader->currentDownloadCount() == 0; }));
    drainMainLoop();
    EXPECT_EQ(answers.count(), 0u);
}

TEST_F(IKImageManagerTest, RefreshingDeliversTheCachedImageThenTheDownloadedOne) {
    const QUrl url = imageURL("test/blue.jpg");
    const auto cached = red();
    manager->saveImageToCache(cached, url);
    Answers answers;
    manager->downloadImageWithURL(url, IKImageRefreshCached, {}, into(answers));
    ASSERT_EQ(answers.count(), 1u);
    EXPECT_EQ(answers.all()[0].image, cached);
    EXPECT_EQ(answers.all()[0].cacheType, IKImageCacheType::Memory);
    ASSERT_TRUE(waitForAnswers(answers, 2));
    EXPECT_EQ(answers.all()[1].cacheType, IKImageCacheType::None);
    EXPECT_EQ(answers.all()[1].image->size(), (ui::Size{16, 12}));
}

class RefusingDelegate : public IKImageManagerDelegate {
public:
    bool imageManagerShouldDownloadImageForURL(IKImageManager&, const QUrl&) override {
        return false;
    }
};

TEST_F(IKImageManagerTest, ARefusedDownloadAnswersWithNothing) {
    auto delegate = std::make_shared<RefusingDelegate>();
    manager->setDelegate(delegate);
    Answers answers;
    manager->downloadImageWithURL(imageURL("test/red.png"), 0, {}, into(answers));
    ASSERT_TRUE(waitForAnswers(answers, 1));
    EXPECT_FALSE(answers.all()[0].image);
    EXPECT_FALSE(answers.all()[0].error);
    EXPECT_EQ(requestsFor("test/red.png"), 0u);
}

}  // namespace

namespace {

class ImageHostPicturesTest : public ImageRoadFixture {};

TEST_F(ImageHostPicturesTest, RenditionsAndTheAnimationComeThroughTheWholeRoad) {
    Answers answers;
    manager->downloadImageWithURL(imageURL("posts/12_120-90c_7-0.jpg"), 0, {}, into(answers, 1));
    manager->downloadImageWithURL(imageURL("avatars/brokers/3_44-44c_7-0.png"), 0, {},
                                  into(answers, 2));
    manager->downloadImageWithURL(imageURL("anim/waiting.gif"), 0, {}, into(answers, 3));
    ASSERT_TRUE(waitForAnswers(answers, 3));
    for (const auto& answer : answers.all()) {
        ASSERT_TRUE(answer.image) << answer.caller;
        if (answer.caller == 1) {
            EXPECT_EQ(answer.image->size(), (ui::Size{120, 90}));
        } else if (answer.caller == 2) {
            EXPECT_EQ(answer.image->size(), (ui::Size{44, 44}));
        } else {
            EXPECT_EQ(answer.image->images().size(), 8u);
            EXPECT_DOUBLE_EQ(answer.image->duration(), 0.8);
        }
    }
}

}  // namespace
