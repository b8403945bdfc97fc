#include "app/categories/UIImage+fixOrientation.h"
#include "app/categories/UIImage+privateImage.h"

#include "platform/uikit/image.h"

#include <gtest/gtest.h>

#include <QImage>

namespace {

TEST(FixOrientation, AnUprightImageComesBackItselfAndATurnedPhotoIsRedrawnUpright) {
    EXPECT_EQ(UIImageFixOrientation::fixOrientation(nullptr), nullptr);
    auto upright = ui::Image::imageWithColor(ui::Color::redColor(), {4, 4});
    EXPECT_EQ(UIImageFixOrientation::fixOrientation(upright), upright);

    // A photo stored on its side (400 x 300 pixels) that stands 300 x 400 upright; a mark
    // in the stored top-left corner ends in the upright top-right corner.
    QImage stored(400, 300, QImage::Format_RGB32);
    stored.fill(Qt::red);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 10; ++x) stored.setPixelColor(x, y, Qt::green);
    }
    auto photo = ui::Image::imageWithQImage(stored, 1, ui::ImageOrientation::Right);
    ASSERT_EQ(photo->size(), ui::Size(300, 400));
    const auto fixed = UIImageFixOrientation::fixOrientation(photo);
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->imageOrientation(), ui::ImageOrientation::Up);
    EXPECT_EQ(fixed->pixels().size(), QSize(300, 400));
    EXPECT_EQ(fixed->pixels().pixelColor(295, 4), QColor(Qt::green));
    EXPECT_EQ(fixed->pixels().pixelColor(4, 4), QColor(Qt::red));
    EXPECT_EQ(fixed->pixels().pixelColor(295, 395), QColor(Qt::red));
}

TEST(PrivateImage, ANameWithoutAResourceGivesNoImage) {
    EXPECT_EQ(UIImagePrivateImage::imageNamed(QStringLiteral("没有这张图"), 5, 5), nullptr);
}

}  // namespace
