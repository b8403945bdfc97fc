#include "IMChat/qximlib/qximdata/util/UIImage+QXIMHelper.h"
#include "IMChat/qximlib/qximdata/util/UIImageView+QXIMHelper.h"

#include "StandinFixture.h"

#include "net/QXIMRequest.h"

#include "platform/foundation/sandbox.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"

#include <QDir>

namespace {

std::shared_ptr<ui::Image> halfTransparent(ui::ImageOrientation orientation) {
    // Left half opaque white, right half transparent.
    QImage pixels(4, 2, QImage::Format_ARGB32);
    pixels.fill(Qt::transparent);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 2; ++x) pixels.setPixelColor(x, y, Qt::white);
    }
    return ui::Image::imageWithQImage(pixels, 2, orientation);
}

TEST(UIImageQXIMHelperTest, ATintColoursOnlyOpaquePixelsAndKeepsScaleAndOrientation) {
    const auto source = halfTransparent(ui::ImageOrientation::Right);
    const auto tinted = UIImageQXIMHelper::imageWithColor(*source, ui::Color::blackColor(), 0.5);
    ASSERT_NE(tinted, nullptr);
    EXPECT_EQ(tinted->scale(), 2);
    EXPECT_EQ(tinted->imageOrientation(), ui::ImageOrientation::Right);
    EXPECT_EQ(tinted->size(), source->size());
    const QImage pixels = tinted->pixels().convertToFormat(QImage::Format_ARGB32);
    const QColor dimmed = pixels.pixelColor(1, 1);
    EXPECT_NEAR(dimmed.red(), 128, 1);
    EXPECT_EQ(dimmed.alpha(), 255);
    EXPECT_EQ(pixels.pixelColor(3, 0).alpha(), 0);
    // Level 0 leaves the picture as it was; level 1 paints the colour over it whole.
    EXPECT_EQ(UIImageQXIMHelper::imageWithColor(*source, ui::Color::redColor(), 0)
                  ->pixels()
                  .convertToFormat(QImage::Format_ARGB32)
                  .pixelColor(0, 0),
              QColor(Qt::white));
    EXPECT_EQ(UIImageQXIMHelper::imageWithColor(*source, ui::Color::redColor(), 1)
                  ->pixels()
                  .convertToFormat(QImage::Format_ARGB32)
                  .pixelColor(0, 0),
              QColor(Qt::red));
}

class UIImageQXIMHelperBundleTest : public SandboxTest {
protected:
    void SetUp() override {
        SandboxTest::SetUp();
        previous = ns::Bundle::resourcePath();
        ns::Bundle::setResourcePath(sandboxPath());
        ui::Image::clearNamedCache();
        QDir(sandboxPath()).mkdir("resource.bundle");
        halfTransparent(ui::ImageOrientation::Up)->pixels().save(sandboxPath() + "/own.png");
        QImage(6, 6, QImage::Format_ARGB32).save(sandboxPath() + "/resource.bundle/chat@2x.png");
    }
    void TearDown() override {
        ns::Bundle::setResourcePath(previous);
        ui::Image::clearNamedCache();
        SandboxTest::TearDown();
    }
    QString previous;
};

TEST_F(UIImageQXIMHelperBundleTest, TheAppsImagesComeFirstThenTheLibrarysBundle) {
    EXPECT_EQ(UIImageQXIMHelper::imageQXIMName("own")->size(), ui::Size(4, 2));
    const auto bundled = UIImageQXIMHelper::imageQXIMName("chat");
    ASSERT_NE(bundled, nullptr);
    EXPECT_EQ(bundled->size(), ui::Size(3, 3));  // its @2x file at scale 2
    EXPECT_EQ(UIImageQXIMHelper::imageQXIMName("none"), nullptr);
    EXPECT_EQ(UIImageQXIMHelper::imageQXIMNameWith10("none"), nullptr);
    const auto darker = UIImageQXIMHelper::imageQXIMNameWith10("own");
    ASSERT_NE(darker, nullptr);
    EXPECT_NEAR(darker->pixels().convertToFormat(QImage::Format_ARGB32).pixelColor(0, 0).red(), 230,
                1);
}

class UIImageViewQXIMHelperTest : public StandinFixture {
protected:
    // Loads `path` of the image host into a view; waits for success or fail.
    void load(const QString& path, bool withSuccess) {
        outcome.clear();
        UIImageViewQXIMHelper::setQXImageWithURL(
            view, server().url(path), placeholder,
            withSuccess
                ? UIImageViewQXIMHelper::Success([this](const std::shared_ptr<ui::Image>& image) {
                      outcome = "success";
                      shown = image;
                  })
                : nullptr,
            [this] { outcome = "fail"; }, [this](float share) { shares.append(share); });
        EXPECT_EQ(view->image(), placeholder);  // at once
        ASSERT_TRUE(runMainLoopUntil([this] { return !outcome.isEmpty(); }));
    }
    std::shared_ptr<ui::ImageView> view = std::make_shared<ui::ImageView>();
    std::shared_ptr<ui::Image> placeholder = ui::Image::imageWithColor(ui::Color::grayColor());
    QString outcome;
    std::shared_ptr<ui::Image> shown;
    QList<float> shares;
};

TEST_F(UIImageViewQXIMHelperTest, ADecodedPictureIsShownAndAnythingElseKeepsThePlaceholder) {
    load("/img/test/red.png", true);
    EXPECT_EQ(outcome, "success");
    EXPECT_EQ(shown, view->image());
    EXPECT_EQ(view->image()->size(), ui::Size(8, 8));
    ASSERT_FALSE(shares.isEmpty());
    EXPECT_FLOAT_EQ(shares.last(), 1);

    load("/img/test/red.png", false);  // no success block: the picture is not shown
    EXPECT_EQ(outcome, "fail");
    EXPECT_EQ(view->image(), placeholder);

    load("/img/none.png", true);  // 404
    EXPECT_EQ(outcome, "fail");
    EXPECT_EQ(view->image(), placeholder);
}

TEST_F(UIImageViewQXIMHelperTest, AViewGoneBeforeThePictureCameIsLeftAloneAndSuccessStillHears) {
    std::shared_ptr<ui::Image> heard;
    UIImageViewQXIMHelper::setQXImageWithURL(
        view, server().url("/img/test/red.png"), placeholder,
        [&](const std::shared_ptr<ui::Image>& image) { heard = image; }, nullptr, nullptr);
    view.reset();
    ASSERT_TRUE(runMainLoopUntil([&] { return heard != nullptr; }));
    EXPECT_EQ(heard->size(), ui::Size(8, 8));
}

}  // namespace
