#include "ImageSamples.h"
#include "StandinFixture.h"

#include "net/transport/NKImageRequestOperation.h"
#include "platform/foundation/file_manager.h"
#include "platform/foundation/notification_center.h"
#include "platform/foundation/sandbox.h"
#include "platform/uikit/application.h"
#include "platform/uikit/image_view.h"
#include "ui/image/AsynImageView.h"
#include "ui/image/ImageDownoader.h"
#include "ui/image/ImageLoader.h"
#include "ui/image/ImageView.h"

#include <QFileInfo>

namespace {

using Image = std::shared_ptr<ui::Image>;

class OlderImageLoadersTest : public StandinFixture {
protected:
    QString imageURL(const QString& path) { return server().url("/img/" + path); }
    std::shared_ptr<ui::ImageView> newView() {
        return std::make_shared<ui::ImageView>(ui::Rect{0, 0, 40, 40});
    }
};

TEST_F(OlderImageLoadersTest, ViewsWaitingForOneURLShareOneFetchAndOneNotification) {
    std::vector<Image> announced;
    QStringList announcedURLs;
    auto observation = ns::NotificationCenter::defaultCenter().addObserver(
        ImageLoader::kImageDownloadDoneNotification, [&](const ns::Notification& notification) {
            announced.push_back(notification.userInfo.value(ImageLoader::kImageKey).value<Image>());
            announcedURLs << notification.userInfo.value(ImageLoader::kURLKey).toString();
        });
    auto& loader = ImageLoader::sharedLoader();
    const QString url = imageURL("test/blue.jpg");
    std::vector<std::shared_ptr<ui::ImageView>> views = {newView(), newView(), newView()};
    for (const auto& view : views) loader.setImageWithURL(url, view);
    EXPECT_EQ(loader.waitingCount(url), 3u);
    ASSERT_TRUE(runMainLoopUntil([&] { return announced.size() == 1; }));
    for (const auto& view : views) EXPECT_EQ(view->image(), announced[0]);
    EXPECT_EQ(server().requests("/img/test/blue.jpg").size(), 1u);

    // From the cache: set at once and announced every time.
    auto another = newView();
    loader.setImageWithURL(url, another);
    EXPECT_EQ(another->image(), announced[0]);
    EXPECT_EQ(announced.size(), 2u);
    EXPECT_EQ(announcedURLs, QStringList({url, url})) << "each names the picture's URL";
}

TEST_F(OlderImageLoadersTest, AFailedFetchTellsItsWaitingViewsAndAnnouncesNothing) {
    int announced = 0;
    auto observation = ns::NotificationCenter::defaultCenter().addObserver(
        ImageLoader::kImageDownloadDoneNotification, [&](const ns::Notification&) { ++announced; });
    server().setFault({.prefix = "/img/test/red.png", .body = "<html>gone</html>"});
    int failures = 0;
    auto& loader = ImageLoader::sharedLoader();
    const QString url = imageURL("test/red.png");
    loader.setImageWithURL(url, newView(), [&] { ++failures; });
    loader.setImageWithURL(url, newView(), [&] { ++failures; });
    ASSERT_TRUE(runMainLoopUntil([&] { return failures == 2; }));
    EXPECT_EQ(announced, 0);
    EXPECT_EQ(loader.waitingCount(url), 0u);
    // A later call fetches again.
    server().setFaults({});
    auto view = newView();
    loader.setImageWithURL(url, view);
    ASSERT_TRUE(runMainLoopUntil([&] { return view->image() != nullptr; }));
}

TEST_F(OlderImageLoadersTest, TheLoadersCacheEmptiesOnAMemoryWarning) {
    auto& loader = ImageLoader::sharedLoader();
    const QString url = imageURL("test/pixel.png");
    ASSERT_TRUE(loader.imageWithURL(url));  // fetched while the caller waits
    EXPECT_TRUE(loader.cachedImage(url));
    ns::NotificationCenter::defaultCenter().post(
        ui::kApplicationDidReceiveMemoryWarningNotification);
    EXPECT_FALSE(loader.cachedImage(url));
    EXPECT_FALSE(loader.imageWithURL(imageURL("test/missing.png")));
}

TEST_F(OlderImageLoadersTest, TheLoadersCacheKeepsTheLatestPicturesWithinItsCostLimit) {
    auto& loader = ImageLoader::sharedLoader();
    ns::NotificationCenter::defaultCenter().post(
        ui::kApplicationDidReceiveMemoryWarningNotification);
    // Every photo 2,048 x 2,048 pixels, 16 MB decoded: 48 MB hold the latest three.
    server().setFault({.prefix = "/img/posts/", .picture = QSize(2048, 2048)});
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(loader.imageWithURL(imageURL(QStringLiteral("posts/%1.jpg").arg(i))));
    }
    EXPECT_FALSE(loader.cachedImage(imageURL("posts/0.jpg")));
    for (int i = 1; i < 4; ++i) {
        EXPECT_TRUE(loader.cachedImage(imageURL(QStringLiteral("posts/%1.jpg").arg(i)))) << i;
    }
}

class RecordingDelegate : public ImageDownoaderDelegate {
public:
    void receivedImage(const Image& image, ImageDownoader&) override { images.push_back(image); }
    std::vector<Image> images;
};

TEST_F(OlderImageLoadersTest, ADownloaderFetchesByTypeAndReportsOnce) {
    EXPECT_EQ(ImageDownoader::urlForType("http://h/a", 1), "http://h/a:iphone");
    EXPECT_EQ(ImageDownoader::urlForType("http://h/a", 2), "http://h/a.th.jpg");
    EXPECT_EQ(ImageDownoader::urlForType("http://h/a", 3), "http://h/a");
    auto delegate = std::make_shared<RecordingDelegate>();
    ImageDownoader::create()->getImageFromURL(imageURL("test/blue"), 2, delegate);
    ImageDownoader::create()->getImageFromURL(imageURL("test/red.png"), 5, delegate);
    ASSERT_TRUE(runMainLoopUntil([&] { return delegate->images.size() == 1; }));
    EXPECT_FALSE(delegate->images[0]);  // "test/blue.th.jpg" is not there
    EXPECT_EQ(server().requests("/img/test/blue.th.jpg").size(), 1u);
    drainMainLoop();
    EXPECT_EQ(delegate->images.size(), 1u);  // type 5 fetched nothing

    auto cancelled = ImageDownoader::create();
    cancelled->getImageFromURL(imageURL("test/red.png"), 3, delegate);
    cancelled->cancel();
    EXPECT_TRUE(cancelled->canceled());
    ASSERT_TRUE(runMainLoopUntil([&] { return delegate->images.size() == 2; }));
    drainMainLoop();
    EXPECT_EQ(delegate->images.size(), 2u);
    EXPECT_FALSE(delegate->images[1]);
}

TEST_F(OlderImageLoadersTest, TheFramedViewInsetsItsPictureAndShowsTheFailurePictureForNoPicture) {
    auto view = std::make_shared<ImageView>(ui::Rect{0, 0, 100, 80});
    EXPECT_EQ(view->bImageView()->frame(), (ui::Rect{1, 1, 98, 78}));
    EXPECT_EQ(view->mainImageView()->frame(), (ui::Rect{3, 3, 94, 74}));
    EXPECT_TRUE(view->isDefaultImage());

    server().setFault({.prefix = "/img/test/red.png", .status = 404, .body = "nope", .times = 1});
    view->setImageUrl(QUrl(imageURL("test/red.png")));
    view->setImageFromImageUrl();
    view->setImageFromImageUrl();  // one load at a time
    ASSERT_TRUE(runMainLoopUntil([&] { return !view->isLoading(); }));
    EXPECT_TRUE(view->isDefaultImage());  // the failure picture: it may load again
    view->setImageFromImageUrl();
    ASSERT_TRUE(runMainLoopUntil([&] { return !view->isDefaultImage(); }));
    ASSERT_TRUE(view->mainImageView()->image());
    EXPECT_EQ(view->mainImageView()->image()->size(), (ui::Size{100, 80}));
    EXPECT_EQ(server().requests("/img/test/red.png").size(), 2u);
}

TEST_F(OlderImageLoadersTest, FilesAreNamedByTheWholeURL) {
    const QString a = AsynImageView::fileNameForURL("http://h/one/photo.jpg");
    const QString b = AsynImageView::fileNameForURL("http://h/two/photo.jpg");
    EXPECT_NE(a, b);
    EXPECT_NE(AsynImageView::fileNameForURL("http://h/../"), AsynImageView::fileNameForURL(""));
    for (const QString& name : {a, b, AsynImageView::fileNameForURL("http://h/x/..")}) {
        EXPECT_TRUE(name.startsWith(ns::Sandbox::caches() + "/AsynImage/"));
        EXPECT_EQ(QFileInfo(name).fileName().size(), 32);
    }
}

TEST_F(OlderImageLoadersTest, AsynViewKeepsThePictureAsAFileAndShowsItFromThere) {
    auto view = std::make_shared<AsynImageView>(ui::Rect{0, 0, 40, 40});
    const Image placeholder = ui::Image::imageWithQImage(samples::solid(2, 2, Qt::gray));
    view->setPlaceholderImage(placeholder);
    EXPECT_EQ(view->image(), placeholder);
    view->setImageURL(imageURL("test/blue.jpg"));
    ASSERT_TRUE(runMainLoopUntil([&] { return view->image() != placeholder; }));
    EXPECT_TRUE(ns::FileManager::fileExistsAtPath(view->fileName()));
    // Another view of the same URL shows the file without fetching.
    auto again = std::make_shared<AsynImageView>(ui::Rect{0, 0, 40, 40});
    again->setImageURL(imageURL("test/blue.jpg"));
    EXPECT_TRUE(again->image());
    EXPECT_EQ(server().requests("/img/test/blue.jpg").size(), 1u);
}

TEST_F(OlderImageLoadersTest, AsynViewRetriesWithAGrowingDelayAndALimit) {
    // An error status, the lowest one too, fails even with a picture for a body.
    server().setFault({.prefix = "/img/test/red.png", .status = 400});
    auto view = std::make_shared<AsynImageView>(ui::Rect{0, 0, 40, 40});
    view->setImageURL(imageURL("test/red.png"));
    auto attempts = [&] { return server().requests("/img/test/red.png").size(); };
    ASSERT_TRUE(runMainLoopUntil([&] { return view->retryCount() == 1; }));
    EXPECT_EQ(attempts(), 1u);
    clock().advance(999ms);
    drainMainLoop();
    EXPECT_EQ(attempts(), 1u);  // the first retry waits a whole second
    double delay = 1;
    for (int retry = 1; retry <= AsynImageView::kMaxRetries; ++retry) {
        // The failure before has been taken in, and its retry is due after `delay`.
        ASSERT_TRUE(runMainLoopUntil([&] { return view->retryCount() == retry; }));
        clock().advance(ns::seconds(delay));
        ASSERT_TRUE(runMainLoopUntil([&] { return attempts() == std::size_t(retry + 1); }));
        delay *= 2;
    }
    auto& application = ui::Application::sharedApplication();
    ASSERT_TRUE(runMainLoopUntil([&] { return !application.isNetworkActivityIndicatorVisible(); }));
    clock().advance(ns::seconds(3600));
    drainMainLoop();
    EXPECT_EQ(attempts(), std::size_t(AsynImageView::kMaxRetries + 1));
    EXPECT_FALSE(ns::FileManager::fileExistsAtPath(view->fileName()));  // no error page kept
}

TEST_F(OlderImageLoadersTest, AnOldURLsBytesNeverLandUnderTheNewName) {
    // The old URL's picture is at the server when the view moves on; it comes last.
    server().setFault({.prefix = "/img/test/red.png", .hold = true});
    auto view = std::make_shared<AsynImageView>(ui::Rect{0, 0, 40, 40});
    view->setImageURL(imageURL("test/red.png"));
    ASSERT_TRUE(waitForRequests("/img/test/red.png", 1));
    view->setImageURL(imageURL("test/blue.jpg"));
    ASSERT_TRUE(runMainLoopUntil([&] { return view->image() != nullptr; }));
    EXPECT_EQ(view->image()->size(), (ui::Size{16, 12}));
    ASSERT_TRUE(letHeldRepliesArrive());
    EXPECT_EQ(view->image()->size(), (ui::Size{16, 12}));
    EXPECT_FALSE(
        ns::FileManager::fileExistsAtPath(AsynImageView::fileNameForURL(imageURL("test/red.png"))));
    const auto kept = ns::FileManager::contentsAtPath(view->fileName());
    ASSERT_TRUE(kept);
    EXPECT_TRUE(kept->startsWith("\xff\xd8"));
}

}  // namespace
