// Picture files decoded once and kept: read anew whenever the file changed in any way a writer
// changes it, gone with the file, and never more pixels kept than the budget.
#include "map/PictureFileCache.h"

#include "platform/uikit/image.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QSaveFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class PictureFileCacheTest : public ::testing::Test {
protected:
    void SetUp() override { PictureFileCache::clear(); }
    void TearDown() override { PictureFileCache::clear(); }

    QString path(const QString& name) const { return folder.filePath(name); }
    static QByteArray encoded(int width, int height, QColor colour) {
        QImage picture(width, height, QImage::Format_RGB32);
        picture.fill(colour);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        // Uncompressed, so that pictures of one size have as many bytes.
        picture.save(&buffer, "BMP");
        return bytes;
    }
    static QColor colourOf(const std::shared_ptr<ui::Image>& picture) {
        return picture ? picture->pixels().pixelColor(0, 0) : QColor();
    }

    QTemporaryDir folder;
};

TEST_F(PictureFileCacheTest, AChangedReplacedOrRemovedFileIsReadAnew) {
    const QString file = path(QStringLiteral("a.png"));
    {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(encoded(8, 6, Qt::red));
    }
    const auto first = PictureFileCache::pictureAt(file);
    ASSERT_TRUE(first);
    EXPECT_EQ(colourOf(first), QColor(Qt::red));
    EXPECT_EQ(PictureFileCache::pictureAt(file), first);  // kept, not decoded again

    // Replaced through a temporary file (a download's way): same size, new file.
    {
        QSaveFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(encoded(8, 6, Qt::blue));
        ASSERT_TRUE(out.commit());
    }
    const auto replaced = PictureFileCache::pictureAt(file);
    EXPECT_EQ(colourOf(replaced), QColor(Qt::blue));

    // Rewritten in place with as many bytes.
    const QByteArray green = encoded(8, 6, Qt::green);
    ASSERT_EQ(green.size(), encoded(8, 6, Qt::blue).size());
    {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::ReadWrite));
        out.write(green);
    }
    EXPECT_EQ(colourOf(PictureFileCache::pictureAt(file)), QColor(Qt::green));

    // Gone, or no picture at all: nothing, and nothing kept for it.
    QFile::remove(file);
    EXPECT_EQ(PictureFileCache::pictureAt(file), nullptr);
    EXPECT_EQ(PictureFileCache::keptBytes(), 0);
    {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write("not a picture");
    }
    EXPECT_EQ(PictureFileCache::pictureAt(file), nullptr);
    EXPECT_EQ(PictureFileCache::pictureAt(path(QStringLiteral("missing.png"))), nullptr);
    EXPECT_EQ(PictureFileCache::pictureAt(folder.path()), nullptr);  // a folder
}

TEST_F(PictureFileCacheTest, TheLeastRecentlyShownGoFirstAndTheBudgetHolds) {
    // Four pictures of 12 MB each (2000 x 1500 pixels, 4 bytes a pixel): two fit the budget.
    const auto write = [&](const QString& name, QColor colour) {
        QFile out(path(name));
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(encoded(2000, 1500, colour));
        return path(name);
    };
    const QString a = write(QStringLiteral("a.png"), Qt::red);
    const QString b = write(QStringLiteral("b.png"), Qt::green);
    const QString c = write(QStringLiteral("c.png"), Qt::blue);
    const auto first = PictureFileCache::pictureAt(a);
    const auto second = PictureFileCache::pictureAt(b);
    EXPECT_EQ(PictureFileCache::pictureAt(a), first);  // a shown again: b is now the oldest
    ASSERT_TRUE(PictureFileCache::pictureAt(c));
    EXPECT_LE(PictureFileCache::keptBytes(), PictureFileCache::kBudgetBytes);
    EXPECT_EQ(PictureFileCache::pictureAt(a), first);
    EXPECT_NE(PictureFileCache::pictureAt(b), second);  // dropped, decoded again

    // A picture of more pixels than a decode gives (36 MB whole, past the whole budget)
    // comes scaled down to 16 MB and is kept, the least recently shown making room.
    const QString huge = path(QStringLiteral("huge.png"));
    QImage large(3000, 3000, QImage::Format_ARGB32);
    large.fill(Qt::gray);
    ASSERT_TRUE(large.save(huge, "PNG"));
    const auto shown = PictureFileCache::pictureAt(huge);
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->pixels().size(), QSize(2048, 2048));
    EXPECT_EQ(PictureFileCache::keptBytes(), 2000 * 1500 * 4 + 2048 * 2048 * 4);
    EXPECT_EQ(PictureFileCache::pictureAt(huge), shown);
    EXPECT_NE(PictureFileCache::pictureAt(a), first);
}

}  // namespace
