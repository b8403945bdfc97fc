#include "app/QXUtil.h"
#include "app/functions.h"

#include "platform/foundation/clock.h"
#include "platform/foundation/sandbox.h"
#include "platform/foundation/user_defaults.h"

#include "SandboxTest.h"

#include <QDir>

namespace {

class QXUtilTest : public SandboxTest {
protected:
    [[nodiscard]] qint64 now() const { return qint64(ns::Clock::shared().timeIntervalSince1970()); }
};

TEST_F(QXUtilTest, MobileNumbersAreElevenDigitsStartingThirteenFifteenOrEighteen) {
    EXPECT_TRUE(QXUtil::isMobileNumber("13912345678"));
    EXPECT_TRUE(QXUtil::isMobileNumber("18012345678"));
    EXPECT_FALSE(QXUtil::isMobileNumber("14912345678"));
    EXPECT_FALSE(QXUtil::isMobileNumber("1391234567"));
    EXPECT_FALSE(QXUtil::isMobileNumber("139123456789"));
    EXPECT_FALSE(QXUtil::isMobileNumber(""));
    EXPECT_FALSE(QXUtil::isMobileNumber(QString()));
    // The whole text must be the number: no line break after it, no text around it.
    EXPECT_FALSE(QXUtil::isMobileNumber("13912345678\n"));
    EXPECT_FALSE(QXUtil::isMobileNumber("13912345678\n13912345678"));
    EXPECT_FALSE(QXUtil::isMobileNumber(" 13912345678"));
}

TEST_F(QXUtilTest, TextTestsTellDigitsLettersAndBlankText) {
    EXPECT_TRUE(QXUtil::isPureNumandCharacters("0123"));
    EXPECT_FALSE(QXUtil::isPureNumandCharacters(""));
    EXPECT_FALSE(QXUtil::isPureNumandCharacters("12a"));
    EXPECT_TRUE(QXUtil::isPureLetterCharacters(""));
    EXPECT_FALSE(QXUtil::isPureLetterCharacters("ab1"));
    // An empty text is all letters; no text at all is not.
    EXPECT_FALSE(QXUtil::isPureLetterCharacters(QString()));
    EXPECT_FALSE(QXUtil::isPureNumandCharacters(QString()));
    EXPECT_TRUE(QXUtil::isEmpty(" \n\t "));
    EXPECT_TRUE(QXUtil::isEmpty(QString()));
    EXPECT_FALSE(QXUtil::isEmpty(" a "));
}

TEST_F(QXUtilTest, ContactDetailsAreFoundByNumbersOrMailAddresses) {
    EXPECT_TRUE(QXUtil::CheckingResult(""));
    EXPECT_TRUE(QXUtil::CheckingResult("打 138-1234 找我"));
    EXPECT_TRUE(QXUtil::CheckingResult("写信 a.b@example.com"));
    EXPECT_FALSE(QXUtil::CheckingResult("只有 1234 四个数字"));
    EXPECT_FALSE(QXUtil::CheckingResult(QString()));
    EXPECT_TRUE(QXUtil::isPurePhonesCharacters("010-1234,5678"));
    EXPECT_FALSE(QXUtil::isPurePhonesCharacters("010 1234"));
    EXPECT_FALSE(QXUtil::isPurePhonesCharacters(QString()));
}

TEST_F(QXUtilTest, FilesAndFoldersAnswerForMissingItems) {
    const QString missing = QXUtil::pathForDocumentWithFilename("nothing-here");
    EXPECT_EQ(QXUtil::getFileModifiedTime(missing), QDateTime::fromSecsSinceEpoch(0));
    QXUtil::deleteFile(missing);
    EXPECT_FALSE(QXUtil::addSkipBackupAttributeToItem(missing));
    EXPECT_TRUE(QDir(QXUtil::getDirectoryInDocumentWithName("cache")).exists());
    const QString temporary = QXUtil::pathForTemporaryFileWithPrefix("voice");
    EXPECT_TRUE(temporary.startsWith(ns::Sandbox::tmp() + "/voice-"));
    EXPECT_EQ(temporary.size() - (ns::Sandbox::tmp() + "/voice-").size(), 36);
    EXPECT_TRUE(QXUtil::GetDeviceUID().isNull());
}

TEST_F(QXUtilTest, BearingsRunClockwiseFromNorth) {
    EXPECT_NEAR(QXUtil::bearingFromCoordinate({0, 0}, {1, 0}), 0, 1e-9);
    EXPECT_NEAR(QXUtil::bearingFromCoordinate({0, 0}, {0, 1}), 90, 1e-9);
    EXPECT_NEAR(QXUtil::bearingFromCoordinate({0, 0}, {0, -1}), 270, 1e-9);
    EXPECT_NEAR(QXUtil::angleFromCoordinate({0, 0}, {1, 1}), 45, 1e-9);
}

TEST_F(QXUtilTest, TheFirstLinkOfATextIsFoundInAnyCase) {
    EXPECT_EQ(QXUtil::isContainWebUrlString("看 http://a.example.com/x 和 https://b.example.org"),
              "http://a.example.com/x");
    EXPECT_EQ(QXUtil::isContainWebUrlString("HTTP://SHOUT.EXAMPLE.COM/Y"),
              "HTTP://SHOUT.EXAMPLE.COM/Y");
    EXPECT_EQ(QXUtil::isContainWebUrlString("去 www.example.cn 看看"), "www.example.cn");
    EXPECT_TRUE(QXUtil::isContainWebUrlString("没有链接").isNull());
}

TEST_F(QXUtilTest, RelativeTimesAddOneToEachWholeUnit) {
    EXPECT_EQ(QXUtil::timeToNow(now()), "1分钟前");
    EXPECT_EQ(QXUtil::timeToNow(now() + 30), "1分钟前");
    EXPECT_EQ(QXUtil::timeToNow(now() - 59), "1分钟前");
    EXPECT_EQ(QXUtil::timeToNow(now() - 60), "2分钟前");
    EXPECT_EQ(QXUtil::timeToNow(now() - 3600), "61分钟前");
    EXPECT_EQ(QXUtil::timeToNow(now() - 3601), "2小时前");
    EXPECT_EQ(QXUtil::timeToNow(now() - 86401), "2天前");
    const qint64 old = now() - 259201;
    EXPECT_EQ(QXUtil::timeToNow(old),
              QDateTime::fromSecsSinceEpoch(old).toLocalTime().toString("MM-dd"));
}

TEST_F(QXUtilTest, ImageAddressesAreCutAndTheirQualityFollowsWifi) {
    EXPECT_EQ(QXUtil::getClipedImageURLStringWithUrl("http://img/a_b_c.jpg", 100, 75),
              "http://img/a_100-75c_c.jpg");
    EXPECT_EQ(QXUtil::getClipedImageURLStringWithUrl("http://img/a_b_c_d", 1, 2),
              "http://img/a_1-2c_c");
    EXPECT_EQ(QXUtil::getClipedImageURLStringWithUrl("http://img/a_b", 100, 75), "http://img/a_b");
    EXPECT_TRUE(QXUtil::getClipedImageURLStringWithUrl(QString(), 1, 1).isNull());
    EXPECT_EQ(QXUtil::getHightQualityImageURLString("http://i/x_7-9_7-.jpg", true),
              "http://i/x_8-9_8-.jpg");
    EXPECT_EQ(QXUtil::getHightQualityImageURLString("http://i/x_7-9.jpg", false),
              "http://i/x_5-9.jpg");
    EXPECT_EQ(QXUtil::getHightQualityImageURLString("http://i/plain.jpg", true),
              "http://i/plain.jpg");
}

TEST_F(QXUtilTest, TheDocumentFolderIsTheVersionFolderUnderDocuments) {
    const QString folder = QXUtil::getDocumentDirectory();
    EXPECT_EQ(folder, ns::Sandbox::documents() + "/2.3.0");
    EXPECT_TRUE(QDir(folder).exists());
    EXPECT_EQ(QXUtil::pathForDocumentWithFilename("filters"), folder + "/filters");
    EXPECT_EQ(QXUtil::localFilePathByIndex("3", 12), folder + "/12-3");
    EXPECT_TRUE(QDir(QXUtil::getPicCacheDirectory()).exists());
    EXPECT_FALSE(QXUtil::fileExist(folder));
}

TEST_F(QXUtilTest, LocatingRestartsAtMostOnceInTenMinutes) {
    auto& defaults = ns::UserDefaults::standardUserDefaults();
    QXUtil::afterTenMinStartLocates();
    const qint64 first = defaults.integerForKey("startLocTime");
    EXPECT_EQ(first, now());
    clock().advance(ns::seconds(599));
    QXUtil::afterTenMinStartLocates();
    EXPECT_EQ(defaults.integerForKey("startLocTime"), first);
    clock().advance(ns::seconds(1));
    QXUtil::afterTenMinStartLocates();
    EXPECT_EQ(defaults.integerForKey("startLocTime"), first + 600);
}

TEST_F(QXUtilTest, FormattingHelpersGiveShortTexts) {
    EXPECT_EQ(functions::yeartonow("199"), "不限");
    const int year = ns::Clock::shared().currentDateTime().toLocalTime().date().year();
    EXPECT_EQ(functions::yeartonow("2005-01"), QStringLiteral("%1年").arg(year - 2005 + 1));
    const qint32 stamp = qint32(now());
    EXPECT_EQ(functions::timetonow("旧", stamp - 30), "1分钟前");
    EXPECT_EQ(functions::timetonow("旧", stamp - 90 * 60), "1小时前");
    EXPECT_EQ(functions::timetonow("旧", stamp - 2 * 86400), "旧");
    EXPECT_EQ(functions::formatPriceStr("99999"), "99999元");
    EXPECT_EQ(functions::formatPriceStr("120000"), "12万元");
    EXPECT_EQ(functions::formatPrice({{"t", "面议"}, {"v", "5"}}), "面议");
    EXPECT_EQ(functions::formatPrice({{"v", "150000"}, {"u", "元"}}), "15万元");
    EXPECT_EQ(functions::formatDistance("39.9", functions::Location{39.9, 116.4}), " ");
    EXPECT_EQ(functions::formatDistance("39.9,116.4", std::nullopt), " ");
    EXPECT_EQ(functions::formatDistance("0,0", functions::Location{0, 1}), "111.20 km");
    EXPECT_TRUE(functions::postDate(QString()).isNull());
    EXPECT_EQ(functions::postDate("12-24"), "12-24");
    EXPECT_EQ(functions::postDate("10:30"),
              ns::Clock::shared().currentDateTime().toLocalTime().toString("MM-dd"));
}

}  // namespace
