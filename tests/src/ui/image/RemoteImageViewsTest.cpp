#include "ImageSamples.h"
#include "StandinFixture.h"

#include "platform/uikit/button.h"
#include "platform/uikit/image_view.h"
#include "ui/image/IKImageManager.h"
#include "ui/image/UIButton+RemoteImage.h"
#include "ui/image/UIImageView+RemoteImage.h"

namespace {

using Image = std::shared_ptr<ui::Image>;

// The views load through the shared manager, whose cache follows each test's sandbox.
class RemoteImageViewsTest : public StandinFixture {
protected:
    void TearDown() override {
        downloader().setSuspended(false);
        IKImageManager::sharedManager().cancelAll();
        StandinFixture::TearDown();
    }
    static IKImageDownloader& downloader() { return IKImageDownloader::sharedDownloader(); }
    QUrl imageURL(const QString& path) { return QUrl(server().url("/img/" + path)); }
    // Waits until a load of `url` has got past the cache and waits in the downloader.
    bool waitUntilDownloading(const QUrl& url) {
        return runMainLoopUntil([&] { return downloader().callerCountForURL(url) > 0; });
    }
    Image placeholder() { return ui::Image::imageWithQImage(samples::solid(2, 2, Qt::gray)); }
};

TEST_F(RemoteImageViewsTest, ASecondURLCancelsTheFirstAndOnlyTheSecondPictureShows) {
    auto view = std::make_shared<ui::ImageView>(ui::Rect{0, 0, 40, 40});
    const Image waiting = placeholder();
    downloader().setSuspended(true);
    std::vector<QUrl> completedURLs;
    RemoteImage::ik_setImageWithURL(
        *view, imageURL("test/red.png"), waiting, 0, {},
        [&](const Image&, const std::optional<ns::Error>&, IKImageCacheType, const QUrl& url) {
            completedURLs.push_back(url);
        });
    EXPECT_EQ(view->image(), waiting);
    ASSERT_TRUE(waitUntilDownloading(imageURL("test/red.png")));
    RemoteImage::ik_setImageWithURL(
        *view, imageURL("test/blue.jpg"), waiting, 0, {},
        [&](const Image&, const std::optional<ns::Error>&, IKImageCacheType, const QUrl& url) {
            completedURLs.push_back(url);
        });
    EXPECT_EQ(RemoteImage::ik_imageURL(*view), imageURL("test/blue.jpg"));
    downloader().setSuspended(false);
    ASSERT_TRUE(runMainLoopUntil([&] { return !completedURLs.empty(); }));
    EXPECT_EQ(completedURLs, std::vector<QUrl>{imageURL("test/blue.jpg")});
    ASSERT_TRUE(view->image());
    EXPECT_EQ(view->image()->size(), (ui::Size{16, 12}));
    EXPECT_EQ(server().requests("/img/test/red.png").size(), 0u);
}

TEST_F(RemoteImageViewsTest, ViewsAskingForOnePictureShareOneRequestAndACancelDropsOnlyItsView) {
    const QUrl url = imageURL("test/red.png");
    const Image waiting = placeholder();
    std::vector<std::shared_ptr<ui::ImageView>> views;
    std::vector<int> completed;
    downloader().setSuspended(true);
    for (int index = 0; index < 3; ++index) {
        views.push_back(std::make_shared<ui::ImageView>(ui::Rect{0, 0, 40, 40}));
        RemoteImage::ik_setImageWithURL(
            *views.back(), url, waiting, 0, {},
            [&completed, index](const Image&, const std::optional<ns::Error>&, IKImageCacheType,
                                const QUrl&) { completed.push_back(index); });
    }
    ASSERT_TRUE(runMainLoopUntil([&] { return downloader().callerCountForURL(url) == 3; }));
    // The first view gives up (its cell is reused); the other two still want the picture.
    RemoteImage::ik_cancelCurrentImageLoad(*views[0]);
    downloader().setSuspended(false);
    ASSERT_TRUE(runMainLoopUntil([&] { return completed.size() == 2; }));
    drainMainLoop();
    EXPECT_EQ(completed, (std::vector<int>{1, 2}));
    EXPECT_EQ(views[0]->image(), waiting);
    for (int index : {1, 2}) {
        ASSERT_TRUE(views[index]->image());
        EXPECT_EQ(views[index]->image()->size(), (ui::Size{8, 8}));
    }
    EXPECT_EQ(server().requests("/img/test/red.png").size(), 1u);
}

TEST_F(RemoteImageViewsTest, TheOlderSetterLoadsThroughTheManagerAndItsDiskCache) {
    auto view = std::make_shared<ui::ImageView>(ui::Rect{0, 0, 40, 40});
    const QUrl url = imageURL("test/blue.jpg");
    bool done = false;
    RemoteImage::setImageWithURL(*view, url, placeholder(), 0,
                                 [&](const Image& image, const std::optional<ns::Error>&,
                                     IKImageCacheType) { done = image != nullptr; });
    ASSERT_TRUE(runMainLoopUntil([&] { return done; }));
    EXPECT_EQ(view->image()->size(), (ui::Size{16, 12}));
    ASSERT_TRUE(runMainLoopUntil(
        [&] { return IKImageManager::sharedManager().diskImageExistsForURL(url); }));
}

TEST_F(RemoteImageViewsTest, AnEmptyURLReportsItsErrorAndKeepsThePlaceholder) {
    auto view = std::make_shared<ui::ImageView>(ui::Rect{0, 0, 40, 40});
    const Image waiting = placeholder();
    std::optional<ns::Error> error;
    RemoteImage::ik_setImageWithURL(*view, QUrl(), waiting, 0, {},
                                    [&](const Image&, const std::optional<ns::Error>& e,
                                        IKImageCacheType, const QUrl&) { error = e; });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain(), "IKImageErrorDomain");
    EXPECT_EQ(error->code(), -1);
    EXPECT_EQ(error->localizedDescription(), "Trying to load a nil url");
    EXPECT_EQ(view->image(), waiting);
    EXPECT_TRUE(RemoteImage::ik_imageURL(*view).isEmpty());
}

TEST_F(RemoteImageViewsTest, ADelayedPlaceholderShowsOnlyWhenTheLoadFails) {
    auto view = std::make_shared<ui::ImageView>(ui::Rect{0, 0, 40, 40});
    const Image previous = placeholder();
    view->setImage(previous);
    const Image fallback = ui::Image::imageWithQImage(samples::solid(3, 3, Qt::yellow));
    server().setFault({.prefix = "/img/test/red.png", .status = 404});
    bool done = false;
    RemoteImage::ik_setImageWithURL(*view, imageURL("test/red.png"), fallback,
                                    IKImageDelayPlaceholder, {},
                                    [&](const Image&, const std::optional<ns::Error>&,
                                        IKImageCacheType, const QUrl&) { done = true; });
    EXPECT_EQ(view->image(), previous);  // while loading
    ASSERT_TRUE(runMainLoopUntil([&] { return done; }));
    EXPECT_EQ(view->image(), fallback);
}

TEST_F(RemoteImageViewsTest, AViewThatWentAwayIsNeverTouched) {
    auto view = std::make_shared<ui::ImageView>(ui::Rect{0, 0, 40, 40});
    bool done = false;
    RemoteImage::ik_setImageWithURL(*view, imageURL("test/red.png"), {}, 0, {},
                                    [&](const Image&, const std::optional<ns::Error>&,
                                        IKImageCacheType, const QUrl&) { done = true; });
    view.reset();
    // The load goes on and fills the cache, but nobody is called.
    ASSERT_TRUE(runMainLoopUntil([&] {
        return IKImageManager::sharedManager().cachedImageExistsForURL(imageURL("test/red.png"));
    }));
    drainMainLoop();
    EXPECT_FALSE(done);
}

TEST_F(RemoteImageViewsTest, AButtonsForegroundAndBackgroundLoadsOfOneStateAreIndependent) {
    auto button = std::make_shared<ui::Button>(ui::Rect{0, 0, 60, 40});
    int completions = 0;
    auto count = [&](const Image& image, const std::optional<ns::Error>&, IKImageCacheType,
                     const QUrl&) { completions += image ? 1 : 0; };
    ButtonRemoteImage::ik_setImageWithURL(*button, imageURL("test/red.png"),
                                          ui::kControlStateNormal, placeholder(), 0, count);
    ButtonRemoteImage::ik_setBackgroundImageWithURL(
        *button, imageURL("test/blue.jpg"), ui::kControlStateNormal, placeholder(), 0, count);
    ASSERT_TRUE(runMainLoopUntil([&] { return completions == 2; }));
    EXPECT_EQ(button->imageForState(ui::kControlStateNormal)->size(), (ui::Size{8, 8}));
    EXPECT_EQ(button->backgroundImageForState(ui::kControlStateNormal)->size(), (ui::Size{16, 12}));
    // The highlighted state has no URL of its own: the normal state's answers.
    button->setHighlighted(true);
    EXPECT_EQ(ButtonRemoteImage::ik_currentImageURL(*button), imageURL("test/red.png"));
    EXPECT_TRUE(
        ButtonRemoteImage::ik_imageURLForState(*button, ui::kControlStateSelected).isEmpty());
    // An empty URL forgets the state's URL.
    ButtonRemoteImage::ik_setImageWithURL(*button, QUrl(), ui::kControlStateNormal);
    EXPECT_TRUE(ButtonRemoteImage::ik_imageURLForState(*button, ui::kControlStateNormal).isEmpty());
}

TEST_F(RemoteImageViewsTest, AnimationImagesGrowAsThePicturesArrive) {
    auto view = std::make_shared<ui::ImageView>(ui::Rect{0, 0, 40, 40});
    RemoteImage::ik_setAnimationImagesWithURLs(
        *view, {imageURL("test/red.png"), imageURL("test/blue.jpg"), imageURL("test/missing.png")});
    ASSERT_TRUE(runMainLoopUntil([&] {
        return view->animationImages().size() == 2 && !IKImageManager::sharedManager().isRunning();
    }));
    EXPECT_TRUE(view->isAnimating());
}

}  // namespace
