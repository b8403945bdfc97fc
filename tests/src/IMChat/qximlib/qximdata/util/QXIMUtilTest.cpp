#include "IMChat/qximlib/qximdata/util/QXIMUtil.h"

#include "SandboxTest.h"

#include "platform/foundation/file_manager.h"
#include "platform/foundation/property_list.h"
#include "platform/foundation/sandbox.h"
#include "platform/uikit/color.h"
#include "platform/uikit/image.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <sys/xattr.h>

#include <limits>

namespace {

class QXIMUtilTest : public SandboxTest {
protected:
    qint64 now() { return static_cast<qint64>(clock().timeIntervalSince1970()); }
    QString write(const QString& name, const QByteArray& bytes) {
        const QString path = sandboxPath() + "/" + name;
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
    static QByteArray contents(const QString& path) {
        return ns::FileManager::contentsAtPath(path).value_or("<missing>");
    }
};

TEST_F(QXIMUtilTest, StampsHaveTheWireForms) {
    EXPECT_TRUE(QRegularExpression("^\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}$")
                    .match(QXIMUtil::getTimeStamp())
                    .hasMatch());
    const QRegularExpression uuid("^[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}$");
    EXPECT_TRUE(uuid.match(QXIMUtil::newSeqId()).hasMatch());
    EXPECT_TRUE(uuid.match(QXIMUtil::getGUID()).hasMatch());
    EXPECT_NE(QXIMUtil::getGUID(), QXIMUtil::getGUID());
    const QString before = QXIMUtil::getTimeStamp();
    clock().advance(std::chrono::seconds(1));
    EXPECT_NE(QXIMUtil::getTimeStamp(), before);
}

TEST_F(QXIMUtilTest, RelativeTimesChangeUnitExactlyAtTheirThresholds) {
    EXPECT_EQ(QXIMUtil::timeToNow(now() + 600), "1分钟前");  // in the future
    EXPECT_EQ(QXIMUtil::timeToNow(now() - 59), "1分钟前");
    EXPECT_EQ(QXIMUtil::timeToNow(now() - 3600), "61分钟前");
    EXPECT_EQ(QXIMUtil::timeToNow(now() - 3601), "2小时前");
    EXPECT_EQ(QXIMUtil::timeToNow(now() - 86400), "25小时前");
    EXPECT_EQ(QXIMUtil::timeToNow(now() - 86401), "2天前");
    EXPECT_EQ(QXIMUtil::timeToNow(now() - 3 * 86400), "4天前");
    const qint64 older = now() - 3 * 86400 - 1;
    EXPECT_EQ(QXIMUtil::timeToNow(older),
              QDateTime::fromSecsSinceEpoch(older).toLocalTime().toString("MM-dd"));
    // Times at the ends of the 64-bit range: no difference overflows on the way.
    const auto latest = std::numeric_limits<qint64>::max();
    EXPECT_EQ(QXIMUtil::timeToNow(latest), "1分钟前");
    const auto earliest = std::numeric_limits<qint64>::min();
    EXPECT_EQ(QXIMUtil::timeToNow(earliest),
              QDateTime::fromSecsSinceEpoch(earliest).toLocalTime().toString("MM-dd"));
}

TEST_F(QXIMUtilTest, TextTestsDigestsAndSizes) {
    EXPECT_TRUE(QXIMUtil::isPureNumandCharacters(""));
    EXPECT_FALSE(QXIMUtil::isPureNumandCharacters("12a4"));
    EXPECT_FALSE(QXIMUtil::isPureNumandCharacters("１２"));  // full-width digits are not digits
    EXPECT_TRUE(QXIMUtil::isPurePhonesCharacters("010-1234,138"));
    EXPECT_FALSE(QXIMUtil::isPurePhonesCharacters("010 1234"));
    EXPECT_EQ(QXIMUtil::MD5Encode(""), "D41D8CD98F00B204E9800998ECF8427E");
    EXPECT_TRUE(QXIMUtil::checkUrl("http://a.b/c?d=1"));
    EXPECT_FALSE(QXIMUtil::checkUrl("http://a b"));
    EXPECT_FALSE(QXIMUtil::checkUrl("x http://a"));
    EXPECT_EQ(QXIMUtil::getCutImageSize({100, 50}, {200, 200}), QSizeF(200, 100));
    EXPECT_EQ(QXIMUtil::getCutImageSize({50, 50}, {100, 80}), QSizeF(80, 80));
}

TEST_F(QXIMUtilTest, FoldersAreMadeOnDemandAndTemporaryPathsAreFreshAndUnmade) {
    const QString documents = ns::Sandbox::documents();
    EXPECT_EQ(QXIMUtil::getAdCacheDirectory(), documents + "/picAdvertise");
    EXPECT_EQ(QXIMUtil::getPrivateLetterDirectory(), documents + "/privateLetter");
    EXPECT_EQ(QXIMUtil::getDownloadCacheDirectory(), documents + "/downloadCache");
    EXPECT_TRUE(QDir(documents + "/downloadCache").exists());
    // A plain file in the folder's way: the path all the same, the file untouched.
    write("Documents/picCache", "x");
    EXPECT_EQ(QXIMUtil::getPicCacheDirectory(), documents + "/picCache");
    EXPECT_EQ(contents(documents + "/picCache"), "x");

    const QString first = QXIMUtil::pathForTemporaryFileWithPrefix("voice");
    EXPECT_TRUE(first.startsWith(ns::Sandbox::tmp() + "/voice-"));
    EXPECT_NE(first, QXIMUtil::pathForTemporaryFileWithPrefix("voice"));
    EXPECT_FALSE(QFile::exists(first));
}

TEST_F(QXIMUtilTest, FilesAreCopiedMovedAndDeletedButFoldersNever) {
    const QString source = write("a.amr", "voice");
    const QString copy = sandboxPath() + "/b.amr";
    EXPECT_TRUE(QXIMUtil::copyFile(source, copy, false));
    EXPECT_EQ(contents(copy), "voice");
    EXPECT_TRUE(QXIMUtil::fileExist(source));
    // An existing destination is kept, and the source stays although a move was asked.
    write("c.amr", "other");
    EXPECT_FALSE(QXIMUtil::copyFile(copy, sandboxPath() + "/c.amr", true));
    EXPECT_EQ(contents(sandboxPath() + "/c.amr"), "other");
    EXPECT_TRUE(QXIMUtil::fileExist(copy));
    // A destination that cannot be written (its folder is a file): nothing copied or removed.
    EXPECT_FALSE(QXIMUtil::copyFile(copy, sandboxPath() + "/c.amr/d.amr", true));
    EXPECT_TRUE(QXIMUtil::fileExist(copy));
    // A missing source and a folder as source copy nothing.
    EXPECT_FALSE(QXIMUtil::copyFile(sandboxPath() + "/missing", sandboxPath() + "/e", true));
    QDir().mkdir(sandboxPath() + "/folder");
    EXPECT_FALSE(QXIMUtil::copyFile(sandboxPath() + "/folder", sandboxPath() + "/f", true));
    EXPECT_FALSE(QFile::exists(sandboxPath() + "/f"));
    // A move removes the source.
    EXPECT_TRUE(QXIMUtil::copyFile(copy, sandboxPath() + "/g.amr", true));
    EXPECT_FALSE(QXIMUtil::fileExist(copy));

    EXPECT_FALSE(QXIMUtil::fileExist(sandboxPath() + "/folder"));
    QXIMUtil::deleteFile(sandboxPath() + "/folder");
    EXPECT_TRUE(QDir(sandboxPath() + "/folder").exists());
    QXIMUtil::deleteFile(sandboxPath() + "/g.amr");
    EXPECT_FALSE(QFile::exists(sandboxPath() + "/g.amr"));
}

TEST_F(QXIMUtilTest, SavingWritesEachKindItsOwnWayAndRefusesTheRest) {
    const QString path = sandboxPath() + "/saved";
    EXPECT_TRUE(QXIMUtil::saveFile(path, QByteArray("\x00\x01", 2)));
    EXPECT_EQ(contents(path), QByteArray("\x00\x01", 2));
    EXPECT_TRUE(QXIMUtil::saveFile(path, QByteArray()));  // empty bytes: an empty file
    EXPECT_EQ(contents(path), "");
    EXPECT_TRUE(QXIMUtil::saveFile(path, QString("租房")));
    EXPECT_EQ(contents(path), QString("租房").toUtf8());
    EXPECT_TRUE(QXIMUtil::saveFile(path, QVariantMap{{"a", 1}}));
    EXPECT_EQ(ns::dictionaryWithContentsOfFile(path), QVariantMap({{"a", qint64(1)}}));
    // Refused: nil, a number; the file keeps what it had.
    EXPECT_FALSE(QXIMUtil::saveFile(path, QVariant()));
    EXPECT_FALSE(QXIMUtil::saveFile(path, 5));
    EXPECT_EQ(ns::dictionaryWithContentsOfFile(path), QVariantMap({{"a", qint64(1)}}));
    EXPECT_FALSE(QXIMUtil::saveFile(sandboxPath() + "/missing/folder/x", QByteArray("x")));
}

TEST_F(QXIMUtilTest, ArchivesGiveBackWhatTheyHoldAndOnlyImagesAsImages) {
    const QString valuePath = sandboxPath() + "/value.archive";
    ASSERT_TRUE(QXIMUtil::saveImageFile(valuePath, QVariantList{"a", qint64(2)}));
    EXPECT_EQ(QXIMUtil::getFile(valuePath)->value, QVariant(QVariantList{"a", qint64(2)}));
    EXPECT_EQ(QXIMUtil::getImage(valuePath), nullptr);
    EXPECT_FALSE(QXIMUtil::saveImageFile(valuePath, QVariant()));

    QImage pixels(4, 2, QImage::Format_ARGB32);
    pixels.fill(Qt::red);
    const auto image = ui::Image::imageWithQImage(pixels, 2, ui::ImageOrientation::Left);
    const QString imagePath = sandboxPath() + "/image.archive";
    ASSERT_TRUE(QXIMUtil::saveImageFile(imagePath, *image));
    const auto back = QXIMUtil::getImage(imagePath);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->scale(), 2);
    EXPECT_EQ(back->imageOrientation(), ui::ImageOrientation::Left);
    EXPECT_EQ(back->pixels().pixel(3, 1), QColor(Qt::red).rgba());
    // An image without pixels is not archived.
    EXPECT_FALSE(
        QXIMUtil::saveImageFile(imagePath, ui::Image(QImage(), 1, ui::ImageOrientation::Up)));

    EXPECT_FALSE(QXIMUtil::getFile(sandboxPath() + "/missing").has_value());
    EXPECT_FALSE(QXIMUtil::getFile(write("text", "not an archive")).has_value());
    EXPECT_EQ(QXIMUtil::getImage(write("text", "not an archive")), nullptr);
}

TEST_F(QXIMUtilTest, OnlyExistingItemsAreMarkedForBackupsToSkip) {
    EXPECT_FALSE(QXIMUtil::addSkipBackupAttributeToItem(sandboxPath() + "/missing"));
    const QString path = write("im.db", "x");
    if (QXIMUtil::addSkipBackupAttributeToItem(path)) {
        char mark[16] = {};
        const auto length = getxattr(QFile::encodeName(path).constData(), "user.xdg.robots.backup",
                                     mark, sizeof mark);
        EXPECT_EQ(QByteArray(mark, static_cast<int>(length)), "false");
    }
}

TEST_F(QXIMUtilTest, TheNetworkIsAvailableWhenReachableOverAMobileLinkOrWithoutASetUp) {
    using R = ns::NetworkReachability;
    struct Case {
        R::Flags flags;
        bool available;
    };
    const Case cases[] = {
        {R::kReachable, true},
        {R::kReachable | R::kConnectionRequired, false},
        {R::kReachable | R::kConnectionRequired | R::kIsWWAN, true},
        {R::kIsWWAN, false},
        {0, false},
    };
    for (const Case& c : cases) {
        R::setSimulatedFlags(c.flags);
        R::Flags flags = 0xFFFF;
        EXPECT_EQ(QXIMUtil::isNetworkAvailableFlags(&flags), c.available) << c.flags;
        EXPECT_EQ(flags, c.flags);
        EXPECT_EQ(QXIMUtil::isNetworkAvailableFlags(), c.available);
    }
    R::clearSimulatedFlags();
}

}  // namespace
