// List rows load their thumbnails from the image host: the loading picture first, the
// post's own picture when it comes, the failure picture when it cannot come. A row keeps its
// picture at the pixels its view shows, counted in the decoding budget while it shows it.
#include "StandinFixture.h"

#include "houses/shared/QXPostListCell.h"
#include "platform/foundation/operation_queue.h"
#include "platform/foundation/url_request.h"
#include "platform/uikit/decoding_budget.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "ui/image/UIImageView+NetKit.h"

namespace {

class PostThumbnailLoadingTest : public StandinFixture {
protected:
    void SetUp() override {
        StandinFixture::SetUp();
        ImageViewNetKit::nk_sharedImageCache().removeAllObjects();
        cell_ = std::make_shared<QXPostListCell>(ui::TableViewCellStyle::Value1, "QXPostList");
        cell_->setFrame({0, 0, 320, 70});
        cell_->setIsShowWifiImage(true);
    }
    void TearDown() override {
        queue().setSuspended(false);
        cell_.reset();
        StandinFixture::TearDown();
    }
    static ns::OperationQueue& queue() {
        return ImageViewNetKit::nk_sharedImageRequestOperationQueue();
    }
    QString pictureURL(const QString& path) { return server().url("/img/" + path); }
    // The row's picture of `url`, as the cache keeps it for the row's picture view: 62 x 46
    // points at scale 2.
    static std::shared_ptr<ui::Image> cached(const QString& url) {
        return ImageViewNetKit::nk_sharedImageCache().cachedImageForRequest(
            ns::URLRequest(QUrl(url)), kRowPixels);
    }
    static constexpr QSize kRowPixels{124, 92};
    void show(const QString& url) {
        cell_->setContent(std::make_shared<const PostCellContent>(
            PostCellContent{{"masterId", 7}, {"majorId", 1}, {"left1", "标题"}, {"image", url}}));
        cell_->layoutIfNeeded();
    }
    [[nodiscard]] std::shared_ptr<ui::Image> shown() const {
        return cell_->thumbnailView()->image();
    }

    std::shared_ptr<QXPostListCell> cell_;
};

TEST_F(PostThumbnailLoadingTest, TheLoadingPictureStaysUntilThePostsPictureComes) {
    queue().setSuspended(true);
    show(pictureURL("posts/1.jpg"));
    EXPECT_EQ(shown(), ui::Image::imageNamed(QStringLiteral("信息列表-加载中.png")));
    queue().setSuspended(false);
    ASSERT_TRUE(runMainLoopUntil([&] {
        return cached(pictureURL("posts/1.jpg")) && shown() == cached(pictureURL("posts/1.jpg"));
    }));
    // 640 x 480 pixels, covering the view's at the screen's scale with their shape kept.
    EXPECT_EQ(shown()->pixels().size(), QSize(124, 93));
    EXPECT_EQ(shown()->size(), (ui::Size{62, 46.5}));
}

TEST_F(PostThumbnailLoadingTest, WhatARowShowsIsCountedInTheBudgetUntilTheRowGoes) {
    // What other rows of the process hold, if any.
    const std::int64_t before = ui::DecodingBudget::heldBytes();
    server().setFault({.prefix = "/img/posts/", .picture = QSize(3000, 2000)});
    show(pictureURL("posts/1.jpg"));
    ASSERT_TRUE(runMainLoopUntil([&] { return shown() == cached(pictureURL("posts/1.jpg")); }));
    EXPECT_EQ(shown()->pixels().size(), QSize(138, 92)) << "a wide photo covers the view";
    EXPECT_EQ(ui::DecodingBudget::heldBytes() - before, 138 * 92 * 4);

    // Given another post, the row counts that one's picture alone; the loading picture and the
    // failure picture are the app's own, and not counted.
    queue().setSuspended(true);
    show(pictureURL("posts/2.jpg"));
    EXPECT_EQ(ui::DecodingBudget::heldBytes(), before);
    queue().setSuspended(false);
    ASSERT_TRUE(runMainLoopUntil([&] { return shown() == cached(pictureURL("posts/2.jpg")); }));
    EXPECT_EQ(ui::DecodingBudget::heldBytes() - before, 138 * 92 * 4);
    show(QString());
    EXPECT_EQ(ui::DecodingBudget::heldBytes(), before);

    // A picture from the cache is counted as one that came, and given back as the row goes.
    show(pictureURL("posts/1.jpg"));
    EXPECT_EQ(shown(), cached(pictureURL("posts/1.jpg")));
    EXPECT_EQ(ui::DecodingBudget::heldBytes() - before, 138 * 92 * 4);
    cell_.reset();
    EXPECT_EQ(ui::DecodingBudget::heldBytes(), before);
}

TEST_F(PostThumbnailLoadingTest, APictureShownLargerElsewhereIsNotTheRowsSmallOne) {
    show(pictureURL("posts/1.jpg"));
    ASSERT_TRUE(runMainLoopUntil([&] { return shown() == cached(pictureURL("posts/1.jpg")); }));
    auto large = std::make_shared<ui::ImageView>(ui::Rect{0, 0, 320, 240});
    ImageViewNetKit::setImageWithURLRequest(*large, ns::URLRequest(QUrl(pictureURL("posts/1.jpg"))),
                                            {}, nullptr, nullptr);
    ASSERT_TRUE(runMainLoopUntil([&] { return large->image() != nullptr; }));
    EXPECT_EQ(large->image()->pixels().size(), QSize(640, 480));
    EXPECT_NE(large->image(), shown());
}

TEST_F(PostThumbnailLoadingTest, AReusedRowNeverShowsThePreviousPostsPicture) {
    // The first post's picture is on its way when the row is given to another post.
    queue().setSuspended(true);
    show(pictureURL("posts/1.jpg"));
    show(pictureURL("posts/2.jpg"));
    EXPECT_EQ(shown(), ui::Image::imageNamed(QStringLiteral("信息列表-加载中.png")));
    queue().setSuspended(false);
    ASSERT_TRUE(runMainLoopUntil([&] { return bool(cached(pictureURL("posts/2.jpg"))); }));
    ASSERT_TRUE(runMainLoopUntil([&] { return queue().operationCount() == 0; }));
    EXPECT_EQ(shown(), cached(pictureURL("posts/2.jpg")));

    // A row given a post whose picture is cached shows it at once, not the one before.
    show(pictureURL("posts/3.jpg"));
    ASSERT_TRUE(runMainLoopUntil([&] { return shown() == cached(pictureURL("posts/3.jpg")); }));
    show(pictureURL("posts/2.jpg"));
    EXPECT_EQ(shown(), cached(pictureURL("posts/2.jpg")));
}

TEST_F(PostThumbnailLoadingTest, MissingOrBrokenPicturesShowTheFailurePicture) {
    const auto failed = ui::Image::imageNamed(QStringLiteral("信息列表加载失败.png"));
    show(pictureURL("test/missing.png"));
    ASSERT_TRUE(runMainLoopUntil([&] { return shown() == failed; }));
    // The failed download leaves the queue after it told the row.
    ASSERT_TRUE(runMainLoopUntil([&] { return queue().operationCount() == 0; }));
    // A post without a picture shows the failure picture without asking for one.
    show(QString());
    EXPECT_EQ(shown(), failed);
    EXPECT_EQ(queue().operationCount(), 0u);
}

}  // namespace
