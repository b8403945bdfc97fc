// Tiles and broker pictures loaded through the image manager: kept on disk, failures told
// as nothing and asked again, cancelled loads silent.
#include "../ui/image/ImageRoadFixture.h"

#include "map/ImageRoadTileLoader.h"
#include "platform/uikit/image.h"

namespace {

class ImageRoadTileLoaderTest : public ImageRoadFixture {
protected:
    void SetUp() override {
        ImageRoadFixture::SetUp();
        loader = std::make_shared<ImageRoadTileLoader>(manager);
    }
    void TearDown() override {
        downloader->setSuspended(false);
        loader.reset();
        ImageRoadFixture::TearDown();
    }
    // Loads `path`, counting into `answers` (null images count too).
    void load(const QString& path, std::vector<std::shared_ptr<ui::Image>>& answers) {
        loader->loadTile(imageURL(path), [&answers](std::shared_ptr<ui::Image> image) {
            answers.push_back(image);
        });
    }

    std::shared_ptr<ImageRoadTileLoader> loader;
};

TEST_F(ImageRoadTileLoaderTest, APictureIsDownloadedOnceAndKeptOnDisk) {
    std::vector<std::shared_ptr<ui::Image>> answers;
    load("avatars/brokers/5001.jpg", answers);
    ASSERT_TRUE(runMainLoopUntil([&] { return answers.size() == 1; }));
    ASSERT_TRUE(answers.front());
    EXPECT_TRUE(runMainLoopUntil(
        [&] { return manager->diskImageExistsForURL(imageURL("avatars/brokers/5001.jpg")); }));
    // Gone from memory, the picture comes from the disk without another download.
    cache->clearMemory();
    load("avatars/brokers/5001.jpg", answers);
    ASSERT_TRUE(runMainLoopUntil([&] { return answers.size() == 2; }));
    ASSERT_TRUE(answers.back());
    EXPECT_EQ(answers.back()->size(), answers.front()->size());
    EXPECT_EQ(requestsFor("avatars/brokers/5001.jpg"), 1u);
}

TEST_F(ImageRoadTileLoaderTest, AMissingPictureAnswersNothingAndIsAskedForAgainEachTime) {
    std::vector<std::shared_ptr<ui::Image>> answers;
    load("test/missing.png", answers);
    ASSERT_TRUE(runMainLoopUntil([&] { return answers.size() == 1; }));
    EXPECT_FALSE(answers.front());
    // The map waits before asking again; the manager's own cool-down must not answer for it.
    load("test/missing.png", answers);
    ASSERT_TRUE(runMainLoopUntil([&] { return answers.size() == 2; }));
    EXPECT_FALSE(answers.back());
    EXPECT_EQ(requestsFor("test/missing.png"), 2u);
}

TEST_F(ImageRoadTileLoaderTest, CancellingAURLSilencesEveryLoadOfItButNoOther) {
    std::vector<std::shared_ptr<ui::Image>> cancelled;
    std::vector<std::shared_ptr<ui::Image>> kept;
    downloader->setSuspended(true);
    load("posts/1.jpg", cancelled);
    load("posts/1.jpg", cancelled);
    load("posts/2.jpg", kept);
    ASSERT_TRUE(runMainLoopUntil([&] {
        return downloader->callerCountForURL(imageURL("posts/1.jpg")) == 2 &&
               downloader->callerCountForURL(imageURL("posts/2.jpg")) == 1;
    }));
    loader->cancelTile(imageURL("posts/1.jpg"));
    loader->cancelTile(imageURL("posts/9.jpg"));  // never asked for: nothing happens
    downloader->setSuspended(false);
    ASSERT_TRUE(runMainLoopUntil([&] { return kept.size() == 1 && !manager->isRunning(); }));
    EXPECT_TRUE(kept.front());
    EXPECT_TRUE(cancelled.empty());
    EXPECT_EQ(downloader->callerCountForURL(imageURL("posts/1.jpg")), 0u);
}

TEST_F(ImageRoadTileLoaderTest, ALoaderThatWentAwayAnswersNothing) {
    std::vector<std::shared_ptr<ui::Image>> answers;
    std::vector<std::shared_ptr<ui::Image>> witness;
    downloader->setSuspended(true);
    load("posts/3.jpg", answers);
    loader.reset();
    downloader->setSuspended(false);
    manager->downloadImageWithURL(
        imageURL("posts/4.jpg"), 0, {},
        [&witness](const IKImageManager::Image& image, const std::optional<ns::Error>&,
                   IKImageCacheType, bool finished, const QUrl&) {
            if (finished) witness.push_back(image);
        });
    ASSERT_TRUE(runMainLoopUntil([&] { return witness.size() == 1 && !manager->isRunning(); }))
        << "a load cancelled during the cache lookup still counts as running";
    EXPECT_TRUE(answers.empty());
}

}  // namespace
