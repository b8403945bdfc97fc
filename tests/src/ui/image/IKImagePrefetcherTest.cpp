#include "ImageRoadFixture.h"

#include "ui/image/IKImagePrefetcher.h"

namespace {

class IKImagePrefetcherTest : public ImageRoadFixture {
protected:
    void SetUp() override {
        ImageRoadFixture::SetUp();
        prefetcher = IKImagePrefetcher::create(cache, downloader);
    }
    std::shared_ptr<IKImagePrefetcher> prefetcher;
};

class CountingDelegate : public IKImagePrefetcherDelegate {
public:
    void imagePrefetcherDidPrefetchURL(IKImagePrefetcher&, const QUrl&, std::uint32_t,
                                       std::uint32_t) override {
        ++prefetched;
    }
    void imagePrefetcherDidFinish(IKImagePrefetcher&, std::uint32_t total,
                                  std::uint32_t skipped) override {
        finished = {total, skipped};
    }
    int prefetched = 0;
    std::optional<std::pair<std::uint32_t, std::uint32_t>> finished;
};

TEST_F(IKImagePrefetcherTest, FiveURLsThreeAtATimeFinishOnceWithTheSkippedCount) {
    EXPECT_EQ(downloader->maxConcurrentDownloads(), 3);
    auto delegate = std::make_shared<CountingDelegate>();
    prefetcher->setDelegate(delegate);
    downloader->setSuspended(true);
    const std::vector<QUrl> urls = {imageURL("test/red.png"), imageURL("test/blue.jpg"),
                                    imageURL("test/pixel.png"), imageURL("test/none.png"),
                                    imageURL("test/red.png?again")};
    std::vector<std::uint32_t> progress;
    int completions = 0;
    std::pair<std::uint32_t, std::uint32_t> result;
    prefetcher->prefetchURLs(
        urls, [&](std::uint32_t finished, std::uint32_t) { progress.push_back(finished); },
        [&](std::uint32_t finished, std::uint32_t skipped) {
            ++completions;
            result = {finished, skipped};
        });
    EXPECT_EQ(prefetcher->requestedCount(), 3u);
    downloader->setSuspended(false);
    ASSERT_TRUE(runMainLoopUntil([&] { return completions == 1; }));
    drainMainLoop();
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(result, (std::pair<std::uint32_t, std::uint32_t>{5, 1}));
    EXPECT_EQ(progress, (std::vector<std::uint32_t>{1, 2, 3, 4, 5}));
    EXPECT_EQ(delegate->prefetched, 5);
    EXPECT_EQ(delegate->finished, (std::pair<std::uint32_t, std::uint32_t>{4, 1}));
    EXPECT_TRUE(cache->imageFromMemoryCacheForKey(imageURL("test/blue.jpg").toString()));
}

TEST_F(IKImagePrefetcherTest, AnEmptyListCompletesAtOnceAndOnlyOnce) {
    auto delegate = std::make_shared<CountingDelegate>();
    prefetcher->setDelegate(delegate);
    std::vector<std::pair<std::uint32_t, std::uint32_t>> completions;
    prefetcher->prefetchURLs({}, {}, [&](std::uint32_t finished, std::uint32_t skipped) {
        completions.emplace_back(finished, skipped);
    });
    EXPECT_EQ(completions, (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{0, 0}}));
    EXPECT_EQ(delegate->finished, (std::pair<std::uint32_t, std::uint32_t>{0, 0}));
    EXPECT_EQ(delegate->prefetched, 0);
    drainMainLoop();
    EXPECT_EQ(completions.size(), 1u);
    EXPECT_EQ(prefetcher->requestedCount(), 0u);
}

TEST_F(IKImagePrefetcherTest, ANewListCancelsTheEarlierOneAndCountsAfresh) {
    downloader->setSuspended(true);
    int firstCompletions = 0;
    prefetcher->prefetchURLs({imageURL("test/red.png"), imageURL("test/blue.jpg")}, {},
                             [&](std::uint32_t, std::uint32_t) { ++firstCompletions; });
    std::optional<std::pair<std::uint32_t, std::uint32_t>> second;
    prefetcher->prefetchURLs({imageURL("test/pixel.png")}, {},
                             [&](std::uint32_t finished, std::uint32_t skipped) {
                                 second = {finished, skipped};
                             });
    downloader->setSuspended(false);
    ASSERT_TRUE(runMainLoopUntil([&] { return second.has_value(); }));
    drainMainLoop();
    EXPECT_EQ(*second, (std::pair<std::uint32_t, std::uint32_t>{1, 0}));
    EXPECT_EQ(firstCompletions, 0);
}

}  // namespace
