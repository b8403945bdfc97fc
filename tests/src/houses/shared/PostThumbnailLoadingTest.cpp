// List rows load their thumbnails from the image host: the loading picture first, the
// post's own picture when it comes, the failure picture when it cannot come.
#include "StandinFixture.h"

#include "houses/shared/QXPostListCell.h"
#include "platform/foundation/operation_queue.h"
#include "platform/foundation/url_request.h"
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
    static std::shared_ptr<ui::Image> cached(const QString& url) {
        return ImageViewNetKit::nk_sharedImageCache().cachedImageForRequest(
            ns::URLRequest(QUrl(url)));
    }
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
    EXPECT_EQ(shown()->size(), (ui::Size{320, 240})) << "decoded at the screen's scale";
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
