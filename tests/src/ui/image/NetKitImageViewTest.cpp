#include "ImageSamples.h"
#include "StandinFixture.h"

#include "platform/uikit/image_view.h"
#include "ui/image/UIImageView+NetKit.h"

namespace {

using ImageViewNetKit::setImageWithURLRequest;
using Image = std::shared_ptr<ui::Image>;

struct Outcome {
    int successes = 0;
    int failures = 0;
    Image image;
    std::optional<ns::Error> error;
    bool requestWasEmpty = false;
};

class NetKitImageViewTest : public StandinFixture {
protected:
    ns::URLRequest requestFor(
        const QString& path,
        ns::URLRequest::CachePolicy policy = ns::URLRequest::CachePolicy::UseProtocolCachePolicy) {
        return ns::URLRequest(QUrl(server().url("/img/" + path)), policy);
    }
    void load(ui::ImageView& view, const ns::URLRequest& request, Outcome& outcome,
              Image placeholder = {}) {
        setImageWithURLRequest(
            view, request, std::move(placeholder),
            [&outcome](const ns::URLRequest& answered,
                       const std::shared_ptr<const ns::HTTPURLResponse>&, const Image& image) {
                ++outcome.successes;
                outcome.image = image;
                outcome.requestWasEmpty = answered.url().isEmpty();
            },
            [&outcome](const ns::URLRequest&, const std::shared_ptr<const ns::HTTPURLResponse>&,
                       const ns::Error& error) {
                ++outcome.failures;
                outcome.error = error;
            });
    }
    // Loads the picture of `request` onto `view` for the view's `covered` pixels.
    void loadCovering(ui::ImageView& view, const ns::URLRequest& request, QSize covered,
                      Outcome& outcome) {
        setImageWithURLRequest(
            view, request, {},
            [&outcome](const ns::URLRequest&, const std::shared_ptr<const ns::HTTPURLResponse>&,
                       const Image& image) {
                ++outcome.successes;
                outcome.image = image;
            },
            nullptr, covered);
    }
    std::shared_ptr<ui::ImageView> view = std::make_shared<ui::ImageView>(ui::Rect{0, 0, 40, 40});
};

TEST_F(NetKitImageViewTest, ALoadShowsThePlaceholderThenCachesForTheNextCall) {
    Outcome first;
    const Image placeholder = ui::Image::imageWithQImage(samples::solid(2, 2, Qt::gray));
    load(*view, requestFor("test/blue.jpg"), first, placeholder);
    EXPECT_EQ(view->image(), placeholder);
    EXPECT_TRUE(ImageViewNetKit::nk_imageRequestOperation(*view));
    ASSERT_TRUE(runMainLoopUntil([&] { return first.successes == 1; }));
    EXPECT_EQ(first.image->pixels().size(), QSize(16, 12));
    EXPECT_FALSE(ImageViewNetKit::nk_imageRequestOperation(*view));

    // A hit answers before the call returns, with no request, and the placeholder is
    // not shown.
    Outcome second;
    const Image unused = ui::Image::imageWithQImage(samples::solid(2, 2, Qt::black));
    load(*view, requestFor("test/blue.jpg"), second, unused);
    EXPECT_EQ(second.successes, 1);
    EXPECT_TRUE(second.requestWasEmpty);
    EXPECT_EQ(second.image, first.image);
    EXPECT_NE(view->image(), unused);
    EXPECT_EQ(server().requests("/img/test/blue.jpg").size(), 1u);

    // A reload policy goes to the network all the same.
    Outcome reloaded;
    load(*view,
         requestFor("test/blue.jpg", ns::URLRequest::CachePolicy::ReloadIgnoringLocalCacheData),
         reloaded);
    EXPECT_EQ(reloaded.successes, 0);
    ASSERT_TRUE(runMainLoopUntil([&] { return reloaded.successes == 1; }));
    EXPECT_EQ(server().requests("/img/test/blue.jpg").size(), 2u);
}

TEST_F(NetKitImageViewTest, WithoutASuccessBlockThePictureGoesOnTheView) {
    setImageWithURLRequest(*view, requestFor("test/red.png"), {}, nullptr, nullptr);
    ASSERT_TRUE(runMainLoopUntil([&] { return view->image() != nullptr; }));
    EXPECT_EQ(view->image()->pixels().size(), QSize(8, 8));
}

TEST_F(NetKitImageViewTest, TheSameRequestTwiceFailsTheFirstAsCancelled) {
    server().setFault({.prefix = "/img/test/red.png", .hold = true});
    Outcome first;
    Outcome second;
    load(*view, requestFor("test/red.png"), first);
    load(*view, requestFor("test/red.png"), second);
    server().clearFaultsAndReleaseHeld();
    ASSERT_TRUE(runMainLoopUntil([&] { return second.successes == 1 && first.failures == 1; }));
    EXPECT_EQ(first.successes, 0);
    EXPECT_EQ(first.error->code(), ns::Error::kURLErrorCancelled);
}

TEST_F(NetKitImageViewTest, AnAnswerForARequestTheViewLeftCallsNoBlockButIsCached) {
    // The picture the view leaves arrives only after the one it shows now.
    server().setFault({.prefix = "/img/test/red.png", .hold = true});
    Outcome left;
    Outcome current;
    auto other = std::make_shared<ui::ImageView>(ui::Rect{0, 0, 40, 40});
    // Another view loads the same picture, so it arrives and is cached.
    Outcome elsewhere;
    load(*other, requestFor("test/red.png"), elsewhere);
    load(*view, requestFor("test/red.png"), left);
    load(*view, requestFor("test/blue.jpg"), current);
    ASSERT_TRUE(runMainLoopUntil([&] { return current.successes == 1; }));
    EXPECT_EQ(elsewhere.successes, 0);
    ASSERT_TRUE(letHeldRepliesArrive());
    ASSERT_TRUE(runMainLoopUntil([&] { return elsewhere.successes == 1; }));
    drainMainLoop();
    EXPECT_EQ(left.successes + left.failures, 0);
    EXPECT_TRUE(
        ImageViewNetKit::nk_sharedImageCache().cachedImageForRequest(requestFor("test/red.png")));
}

TEST_F(NetKitImageViewTest, FailuresAndEmptyBodiesLeaveThePlaceholder) {
    const Image placeholder = ui::Image::imageWithQImage(samples::solid(2, 2, Qt::gray));
    server().setFault({.prefix = "/img/test/red.png", .status = 404});
    Outcome failed;
    load(*view, requestFor("test/red.png"), failed, placeholder);
    ASSERT_TRUE(runMainLoopUntil([&] { return failed.failures == 1; }));
    EXPECT_EQ(view->image(), placeholder);

    server().setFault({.prefix = "/img/test/pixel.png", .body = QByteArray()});
    setImageWithURLRequest(*view, requestFor("test/pixel.png"), placeholder, nullptr, nullptr);
    ASSERT_TRUE(
        runMainLoopUntil([&] { return !ImageViewNetKit::nk_imageRequestOperation(*view); }));
    EXPECT_EQ(view->image(), placeholder);
    EXPECT_FALSE(
        ImageViewNetKit::nk_sharedImageCache().cachedImageForRequest(requestFor("test/pixel.png")));
}

TEST_F(NetKitImageViewTest, PicturesOfManyPixelsDecodeWithinTheBoundAndTheCacheKeepsTheLatest) {
    auto& cache = ImageViewNetKit::nk_sharedImageCache();
    cache.removeAllObjects();
    EXPECT_EQ(cache.totalCostLimit(), NKImageCache::kTotalCostLimit);
    // Every post picture comes as 5,000 x 5,000 pixels in about 73 KB.
    server().setFault({.prefix = "/img/posts/", .picture = QSize(5000, 5000)});
    for (int i = 0; i < 3; ++i) {
        Outcome outcome;
        load(*view, requestFor(QStringLiteral("posts/%1.jpg").arg(i)), outcome);
        ASSERT_TRUE(runMainLoopUntil([&] { return outcome.successes == 1; }));
        EXPECT_EQ(outcome.image->pixels().size(), QSize(2048, 2048));
    }
    // 16 MB each: the cache holds the latest two, and the first went.
    EXPECT_EQ(cache.count(), 2u);
    EXPECT_EQ(cache.totalCost(), 2u * 2048 * 2048 * 4);
    EXPECT_FALSE(cache.cachedImageForRequest(requestFor("posts/0.jpg")));
    EXPECT_TRUE(cache.cachedImageForRequest(requestFor("posts/1.jpg")));
    EXPECT_TRUE(cache.cachedImageForRequest(requestFor("posts/2.jpg")));
}

// A load for a view's pixels decodes the picture to cover them, and caches it apart: a view
// that shows the same URL larger gets the picture at the decode's bound, and the pixels of a
// view of another size are no hit either.
TEST_F(NetKitImageViewTest, APictureForAViewsPixelsIsCachedApartFromTheLargerOne) {
    auto& cache = ImageViewNetKit::nk_sharedImageCache();
    cache.removeAllObjects();
    server().setFault({.prefix = "/img/posts/", .picture = QSize(1200, 900)});
    const auto request = requestFor("posts/1.jpg");
    Outcome small;
    loadCovering(*view, request, QSize(124, 92), small);
    ASSERT_TRUE(runMainLoopUntil([&] { return small.successes == 1; }));
    EXPECT_EQ(small.image->pixels().size(), QSize(124, 93));
    EXPECT_EQ(cache.cachedImageForRequest(request, QSize(124, 92)), small.image);
    EXPECT_FALSE(cache.cachedImageForRequest(request));
    EXPECT_FALSE(cache.cachedImageForRequest(request, QSize(92, 124)));

    auto large = std::make_shared<ui::ImageView>(ui::Rect{0, 0, 600, 450});
    Outcome whole;
    load(*large, request, whole);
    EXPECT_EQ(whole.successes, 0) << "the small picture is no hit";
    ASSERT_TRUE(runMainLoopUntil([&] { return whole.successes == 1; }));
    EXPECT_EQ(whole.image->pixels().size(), QSize(1200, 900));
    EXPECT_EQ(cache.cachedImageForRequest(request), whole.image);

    // Both stay: each view of either size gets its own at once.
    Outcome again;
    loadCovering(*view, request, QSize(124, 92), again);
    EXPECT_EQ(again.image, small.image);
    EXPECT_EQ(server().requests("/img/posts/1.jpg").size(), 2u);
}

// Loads for a view's pixels (list rows) run two at a time from their request until their
// picture is decoded: the server sees the third request only once one of the first two has
// its picture. Every row still gets its own, rows left while loading or waiting included.
TEST_F(NetKitImageViewTest, LoadsForAViewsPixelsRunTwoAtATimeAndEveryRowGetsItsPicture) {
    ImageViewNetKit::nk_sharedImageCache().removeAllObjects();
    ASSERT_EQ(ImageViewNetKit::kThumbnailLoadsAtOnce, 2);
    server().setFault({.prefix = "/img/posts/", .hold = true, .picture = QSize(400, 300)});
    constexpr int kRows = 7;
    std::vector<std::shared_ptr<ui::ImageView>> rows;
    std::vector<Outcome> outcomes(kRows);
    for (int i = 0; i < kRows; ++i) {
        rows.push_back(std::make_shared<ui::ImageView>(ui::Rect{0, 0, 62, 46}));
        loadCovering(*rows.back(), requestFor(QStringLiteral("posts/%1.jpg").arg(i)),
                     QSize(124, 92), outcomes[i]);
    }
    ASSERT_TRUE(waitForRequests("/img/posts/", 2));
    drainMainLoop();
    EXPECT_EQ(server().requests("/img/posts/").size(), 2u);
    EXPECT_EQ(ImageViewNetKit::nk_thumbnailLoadGate().waiting(), std::size_t(kRows - 2));

    // A row scrolled away while it loads, and two while they wait.
    ImageViewNetKit::cancelImageRequestOperation(*rows[0]);
    ImageViewNetKit::cancelImageRequestOperation(*rows[2]);
    ImageViewNetKit::cancelImageRequestOperation(*rows[3]);
    // The next loads start from the main loop, which runs only once the rule is in place.
    server().clearFaultsAndReleaseHeld();
    server().setFault({.prefix = "/img/posts/", .picture = QSize(400, 300)});
    const std::vector<int> shown = {1, 4, 5, 6};
    ASSERT_TRUE(runMainLoopUntil([&] {
        for (int i : shown) {
            if (outcomes[i].successes != 1) return false;
        }
        return true;
    }));
    for (int i : shown) EXPECT_EQ(outcomes[i].image->pixels().size(), QSize(124, 93));
    drainMainLoop();
    for (int i : {0, 2, 3}) EXPECT_EQ(outcomes[i].successes, 0);
    EXPECT_EQ(ImageViewNetKit::nk_thumbnailLoadGate().running(), 0);
    EXPECT_EQ(ImageViewNetKit::nk_thumbnailLoadGate().waiting(), 0u);
}

// A load at the decode's bound (a view that shows the picture large) waits for no place.
TEST_F(NetKitImageViewTest, LoadsOfWholePicturesPassTheThumbnailsWaitingTheirTurn) {
    ImageViewNetKit::nk_sharedImageCache().removeAllObjects();
    server().setFault({.prefix = "/img/posts/", .hold = true, .picture = QSize(400, 300)});
    std::vector<std::shared_ptr<ui::ImageView>> rows;
    std::vector<Outcome> outcomes(3);
    for (int i = 0; i < 3; ++i) {
        rows.push_back(std::make_shared<ui::ImageView>(ui::Rect{0, 0, 62, 46}));
        loadCovering(*rows.back(), requestFor(QStringLiteral("posts/%1.jpg").arg(i)),
                     QSize(124, 92), outcomes[i]);
    }
    Outcome whole;
    load(*view, requestFor("test/blue.jpg"), whole);
    ASSERT_TRUE(runMainLoopUntil([&] { return whole.successes == 1; }));
    EXPECT_EQ(ImageViewNetKit::nk_thumbnailLoadGate().waiting(), 1u);
    server().clearFaultsAndReleaseHeld();
    server().setFault({.prefix = "/img/posts/", .picture = QSize(400, 300)});
    ASSERT_TRUE(runMainLoopUntil([&] {
        return outcomes[0].successes + outcomes[1].successes + outcomes[2].successes == 3;
    }));
}

}  // namespace
