// The picture generator against the committed pictures: it draws what resources/ holds, within
// the tolerance any drawing gets on another machine. That tolerance lets through what another
// processor's anti-aliasing changes (a level in a few pixels) and nothing a person would change:
// a stroke, a text, a colour, a size, a picture gone or added.
#include "ReferenceImage.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace {

// The colours of the animations are rounded to six steps a channel (0, 51, ..., 255): one
// level more on another machine may move a pixel to the next step.
constexpr int kAnimationStep = 255 / 5;

// A drawn picture may be off by two levels a channel in at most 1% of its pixels (32 in a
// small one): another processor's anti-aliasing moved edge pixels by one level, in 4 to 19
// pixels of a picture. A changed stroke or text moves pixels by far more than two levels; a
// colour edited by a level or two moves far more pixels than that.
PictureTolerance toleranceFor(const QImage& picture, bool animation) {
    const int pixels = picture.width() * picture.height();
    return {animation ? kAnimationStep : 2, std::max(32, pixels / 100)};
}

// The pictures of a folder and its subfolders, by path relative to it.
QStringList picturesIn(const QString& folder) {
    QStringList names;
    QDirIterator found(folder, {QStringLiteral("*.png"), QStringLiteral("*.gif")}, QDir::Files,
                       QDirIterator::Subdirectories);
    while (found.hasNext()) names << QDir(folder).relativeFilePath(found.next());
    names.sort();
    return names;
}

// Every frame of a picture (one for a PNG); empty when it cannot be read.
QList<QImage> framesOf(const QString& path) {
    QImageReader reader(path);
    QList<QImage> frames;
    for (QImage frame = reader.read(); !frame.isNull(); frame = reader.read()) frames << frame;
    return frames;
}

// Whether the pictures of `drawn` are those of `committed`: the same names, and the same
// frames within the tolerance. The failure names each picture that differs and why.
::testing::AssertionResult drawnPicturesMatch(const QString& drawn, const QString& committed) {
    const QStringList drawnNames = picturesIn(drawn);
    const QStringList committedNames = picturesIn(committed);
    QStringList problems;
    for (const QString& name : committedNames) {
        if (!drawnNames.contains(name)) problems << QStringLiteral("not drawn: ") + name;
    }
    for (const QString& name : drawnNames) {
        if (!committedNames.contains(name)) {
            problems << QStringLiteral("not committed: ") + name;
            continue;
        }
        const QList<QImage> now = framesOf(drawn + '/' + name);
        const QList<QImage> before = framesOf(committed + '/' + name);
        if (now.isEmpty() || now.size() != before.size()) {
            problems << QStringLiteral("%1: %2 frames, %3 committed")
                            .arg(name)
                            .arg(now.size())
                            .arg(before.size());
            continue;
        }
        for (qsizetype i = 0; i < now.size(); ++i) {
            const auto match = picturesMatch(
                now[i], before[i], toleranceFor(before[i], name.endsWith(QLatin1String(".gif"))));
            if (!match) {
                problems << name + QStringLiteral(": ") + QString::fromUtf8(match.message());
            }
        }
    }
    if (problems.isEmpty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the drawn pictures differ from the committed ones:\n  "
                                         << problems.join(QStringLiteral("\n  ")).toStdString();
}

bool copyFolder(const QString& from, const QString& to) {
    for (const QString& name : picturesIn(from)) {
        const QString target = to + '/' + name;
        if (!QDir().mkpath(QFileInfo(target).path()) || !QFile::copy(from + '/' + name, target))
            return false;
    }
    return true;
}

// Rewrites one committed picture, as `change` leaves it.
bool edit(const QString& path, const std::function<void(QImage&)>& change) {
    QImage picture = QImage(path).convertToFormat(QImage::Format_ARGB32);
    if (picture.isNull()) return false;
    change(picture);
    return picture.save(path, "PNG");
}

// A copy of the committed pictures to change, compared with the committed ones.
class DrawnPicturesComparison : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(copy_.isValid());
        ASSERT_TRUE(copyFolder(committed(), copy_.path()));
    }
    [[nodiscard]] static QString committed() { return QStringLiteral(HOUSING_RESOURCES_DIR); }
    [[nodiscard]] QString copied(const QString& name) const { return copy_.path() + '/' + name; }
    [[nodiscard]] ::testing::AssertionResult copyMatches() const {
        return drawnPicturesMatch(copy_.path(), committed());
    }
    // The comparison with one picture of the copy changed; the copy is restored after it.
    [[nodiscard]] ::testing::AssertionResult matchesWith(
        const QString& name, const std::function<void(QImage&)>& change) const {
        EXPECT_TRUE(edit(copied(name), change));
        auto match = copyMatches();
        EXPECT_TRUE(QFile::remove(copied(name)));
        EXPECT_TRUE(QFile::copy(committed() + '/' + name, copied(name)));
        return match;
    }

private:
    QTemporaryDir copy_;
};

// A white button with a green rim.
const QString kButton = QStringLiteral("开始button@2x.png");
const QColor kGreen(86, 186, 34);

bool mentions(const ::testing::AssertionResult& result, const QString& text) {
    return std::string(result.message()).find(text.toStdString()) != std::string::npos;
}

}  // namespace

TEST(DrawResources, DrawsTheCommittedPictures) {
    QTemporaryDir drawn;
    ASSERT_TRUE(drawn.isValid());
    QProcess generator;
    generator.start(QStringLiteral(HOUSING_DRAW_RESOURCES), {drawn.path()});
    ASSERT_TRUE(generator.waitForFinished(-1));
    ASSERT_EQ(generator.exitStatus(), QProcess::NormalExit);
    ASSERT_EQ(generator.exitCode(), 0) << generator.readAllStandardError().toStdString();
    EXPECT_TRUE(drawnPicturesMatch(drawn.path(), QStringLiteral(HOUSING_RESOURCES_DIR)))
        << "change the generator and its pictures together: build/tools/draw_resources resources";
}

TEST_F(DrawnPicturesComparison, OneLevelInAFewPixelsOfHalfThePicturesPasses) {
    int changed = 0;
    const QStringList names = picturesIn(committed());
    for (qsizetype i = 0; i < names.size(); i += 2) {
        const QString& name = names[i];
        if (name.endsWith(QLatin1String(".gif"))) continue;
        ASSERT_TRUE(edit(copied(name), [](QImage& picture) {
            // Up to 19 opaque pixels, every 7th, a level up or down in one channel.
            int left = 19;
            for (int i = 0; left > 0 && i < picture.width() * picture.height(); i += 7) {
                const int x = i % picture.width(), y = i / picture.width();
                const QRgb was = picture.pixel(x, y);
                if (qAlpha(was) != 255) continue;
                picture.setPixel(
                    x, y, qRgb(qRed(was) + (qRed(was) < 255 ? 1 : -1), qGreen(was), qBlue(was)));
                --left;
            }
        })) << name.toStdString();
        ++changed;
    }
    ASSERT_GT(changed, 100);
    EXPECT_TRUE(copyMatches());
}

TEST_F(DrawnPicturesComparison, AChangedStrokeTextSizeOrColourFails) {
    const auto stroke = matchesWith(kButton, [](QImage& picture) {
        QPainter painter(&picture);
        painter.setPen(QPen(kGreen, 2));
        painter.drawLine(30, 44, 90, 44);
    });
    EXPECT_FALSE(stroke);
    EXPECT_TRUE(mentions(stroke, kButton + QStringLiteral(": "))) << stroke.message();
    EXPECT_FALSE(matchesWith(kButton, [](QImage& picture) {
        QPainter painter(&picture);
        painter.setPen(kGreen);
        painter.drawText(picture.rect(), Qt::AlignCenter, QStringLiteral("开"));
    })) << "a text";
    EXPECT_FALSE(matchesWith(kButton, [](QImage& picture) {
        picture = picture.copy(0, 0, picture.width(), picture.height() - 1);
    })) << "one row less";
    EXPECT_FALSE(matchesWith(kButton, [](QImage& picture) {
        // Within the levels, beyond the count of pixels.
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                const QRgb was = picture.pixel(x, y);
                if (qAlpha(was) == 255 && qRed(was) > 0)
                    picture.setPixel(x, y, qRgb(qRed(was) - 1, qGreen(was), qBlue(was)));
            }
        }
    })) << "every opaque pixel a level darker";
    EXPECT_TRUE(copyMatches()) << "each change undone";
}

TEST_F(DrawnPicturesComparison, AMissingOrExtraPictureFails) {
    ASSERT_TRUE(QFile::rename(copied(kButton), copied(QStringLiteral("renamed@2x.png"))));
    const auto match = copyMatches();
    EXPECT_FALSE(match);
    EXPECT_TRUE(mentions(match, QStringLiteral("not drawn: ") + kButton)) << match.message();
    EXPECT_TRUE(mentions(match, QStringLiteral("not committed: renamed@2x.png")))
        << match.message();
}
