// The chat's rules on texts, names and times, without screens.
#include "chat/ChatMedia.h"
#include "chat/QXInputTelPhoneNumberViewController.h"
#include "chat/QXMessageAudioCell.h"
#include "chat/QXMessageController.h"
#include "chat/QXMessageSystemCell.h"
#include "chat/QXMessageTextAndMobileCell.h"
#include "chat/QXMessageTextCell.h"

#include "IMChat/qximlib/qximdata/util/QXIMUtil.h"
#include "ui/richtext/RichTextMarkup.h"

#include "SandboxTest.h"

#include <QDateTime>
#include <QFile>

namespace {

using Controller = QXMessageController;

TEST(ChatRulesTest, AMobileNumberCountsOnlyWhenNoLongerRunOfDigitsHoldsIt) {
    EXPECT_TRUE(Controller::isMobileInContents("13812345678")) << "exactly eleven digits";
    EXPECT_TRUE(Controller::isMobileInContents("电话13812345678。"));
    EXPECT_TRUE(Controller::isMobileInContents("a 18612345678"));
    EXPECT_FALSE(Controller::isMobileInContents("138123456789"));
    EXPECT_FALSE(Controller::isMobileInContents("913812345678"));
    EXPECT_FALSE(Controller::isMobileInContents("1381234567"));
    EXPECT_FALSE(Controller::isMobileInContents("14712345678")) << "outside the pattern";
    EXPECT_FALSE(Controller::isMobileInContents(""));
}

TEST(ChatRulesTest, TheFirstContentsElementChoosesTheBubble) {
    EXPECT_EQ(Controller::cellNameByInfo("你好"), "QXMessageTextCell");
    EXPECT_EQ(Controller::cellNameByInfo("打13812345678"), "QXMessageTextAndMobileCell");
    EXPECT_EQ(Controller::cellNameByInfo("看www.example.com"), "QXMessageTextAndMobileCell");
    const auto item = [](const QString& kind) {
        return QVariant(QVariantList{kind, QVariantMap{}});
    };
    EXPECT_EQ(Controller::cellNameByInfo(item("pic")), "QXMessageImageCell");
    EXPECT_EQ(Controller::cellNameByInfo(item("sound")), "QXMessageAudioCell");
    EXPECT_EQ(Controller::cellNameByInfo(item("url")), "QXMessageVcardCell");
    EXPECT_EQ(Controller::cellNameByInfo(item("notice")), "QXMessageSystemCell");
    EXPECT_EQ(Controller::cellNameByInfo(item("video")), "QXMessageUnknownCell");
    EXPECT_EQ(Controller::cellNameByInfo(QVariant(7)), "QXMessageUnknownCell") << "neither";
    EXPECT_EQ(Controller::cellNameByInfo(QVariant()), "QXMessageUnknownCell");
}

TEST(ChatRulesTest, LinkedTextEscapesThePeersMarkupAndLinksOnlyNumbersAndTheFirstAddress) {
    const auto links = [](const QString& markup) { return markup.count("<_link>"); };
    // A peer's own link and dialling action stay text.
    const QString planted = QXMessageTextAndMobileCell::linkedMarkup(
        "<_link>tel://110|客服</_link> <b>打我</b>13812345678");
    EXPECT_EQ(links(planted), 1);
    EXPECT_TRUE(planted.contains("<_link>tel://13812345678|13812345678</_link>"));
    EXPECT_FALSE(planted.contains("<_link>tel://110"));
    EXPECT_TRUE(planted.contains(RichTextMarkup::kEscapedLessThan));
    // One number twice: both linked.
    EXPECT_EQ(links(QXMessageTextAndMobileCell::linkedMarkup("13812345678或13812345678")), 2);
    // Numbers outside the pattern stay text; twelve digits link their first eleven.
    EXPECT_EQ(links(QXMessageTextAndMobileCell::linkedMarkup("14712345678 12812345678")), 0);
    EXPECT_TRUE(QXMessageTextAndMobileCell::linkedMarkup("138123456789")
                    .startsWith("<_link>tel://13812345678|13812345678</_link>9"));
    // Only the first address, with "http://" before "www" and the text as written.
    const QString web =
        QXMessageTextAndMobileCell::linkedMarkup("见WWW.house.com和https://b.cn/x 再WWW.house.com");
    EXPECT_EQ(links(web), 2);
    EXPECT_TRUE(web.contains("<_link>http://www.house.com|WWW.house.com</_link>"));
    EXPECT_FALSE(web.contains("b.cn/x</_link>"));
    EXPECT_EQ(QXMessageTextAndMobileCell::linkedMarkup(""), "");
}

TEST(ChatRulesTest, TheDealRecordNumberHasNoCommaAndNoOtherPrefixes) {
    using Screen = QXInputTelPhoneNumberViewController;
    EXPECT_TRUE(Screen::checkTel("13912345678"));
    EXPECT_TRUE(Screen::checkTel("14712345678"));
    EXPECT_TRUE(Screen::checkTel("18512345678"));
    EXPECT_FALSE(Screen::checkTel("18,12345678"));
    EXPECT_FALSE(Screen::checkTel("15,12345678"));
    EXPECT_FALSE(Screen::checkTel("15412345678"));
    EXPECT_FALSE(Screen::checkTel("18412345678"));
    EXPECT_FALSE(Screen::checkTel("139123456789"));
    EXPECT_FALSE(Screen::checkTel(""));
}

class ChatTimeTest : public SandboxTest {};

TEST_F(ChatTimeTest, LabelsCompareWholeDatesOnA24HourClock) {
    const QDateTime now = QDateTime::fromSecsSinceEpoch(qint64(clock().timeIntervalSince1970()));
    const QDateTime afternoon(now.date(), QTime(15, 7, 9));
    clock().advance(std::chrono::seconds(std::max<qint64>(0, now.secsTo(afternoon) + 60)));
    EXPECT_EQ(Controller::timeLabel(afternoon.toSecsSinceEpoch()), "今天 15:07");
    EXPECT_EQ(Controller::timeLabel(afternoon.addDays(-1).toSecsSinceEpoch()), "昨天 15:07");
    EXPECT_EQ(Controller::timeLabel(afternoon.addYears(-1).toSecsSinceEpoch()),
              afternoon.addYears(-1).toString("MM-dd HH:mm:ss"))
        << "last year's day is not today";
    EXPECT_EQ(Controller::timeLabel(afternoon.addDays(-2).toSecsSinceEpoch()),
              afternoon.addDays(-2).toString("MM-dd HH:mm:ss"));
}

TEST_F(ChatTimeTest, LocalMediaNamesStayInsideTheCachesAndNeverRepeat) {
    EXPECT_EQ(ChatMedia::localFileName("file://1780300800"), "1780300800");
    EXPECT_EQ(ChatMedia::localFileName("file://../../etc/passwd"), "");
    EXPECT_EQ(ChatMedia::localFileName("file:///etc/passwd"), "");
    EXPECT_EQ(ChatMedia::localFileName("file://.."), "");
    EXPECT_EQ(ChatMedia::localFileName("http://h/a.png"), "");
    EXPECT_EQ(ChatMedia::mediaAddress("chat/1.jpg").section('/', -3), "img/chat/1.jpg");
    EXPECT_EQ(ChatMedia::mediaAddress("https://h/a.png"), "https://h/a.png");

    const QString folder = QXIMUtil::getPicCacheDirectory();
    const QString first = ChatMedia::uniqueFileName({folder});
    EXPECT_EQ(first, QXIMUtil::currentTimeID());
    QFile(folder + "/" + first).open(QIODevice::WriteOnly);
    const QString second = ChatMedia::uniqueFileName({folder});
    EXPECT_EQ(second, first + "-2") << "two in one second";
    // A decoded voice of the name counts too.
    QFile(folder + "/" + second + ".wav").open(QIODevice::WriteOnly);
    EXPECT_EQ(ChatMedia::uniqueFileName({folder}), first + "-3");
}

TEST(ChatBubbleRulesTest, SizesHeightsDurationsAndNotices) {
    bool oneLine = false;
    EXPECT_EQ(QXMessageTextCell::bubbleSize({30, 17}, 17, &oneLine).width, 80);
    EXPECT_TRUE(oneLine);
    EXPECT_EQ(QXMessageTextCell::bubbleSize({100, 17}, 17, &oneLine).width, 140);
    EXPECT_EQ(QXMessageTextCell::bubbleSize({220, 17}, 17, &oneLine).width, 250);
    EXPECT_EQ(QXMessageTextCell::bubbleSize({230, 51}, 17, &oneLine), ui::Size(250, 74));
    EXPECT_FALSE(oneLine);
    EXPECT_EQ(QXMessageTextCell::heightByInfo("你好", false), 60);
    EXPECT_EQ(QXMessageTextCell::heightByInfo("你好", true), 85);
    EXPECT_GT(QXMessageTextCell::heightByInfo(QString(60, QChar(0x623F)), false), 60);

    EXPECT_EQ(QXMessageAudioCell::durationText(0.4), "");
    EXPECT_EQ(QXMessageAudioCell::durationText(QVariant()), "");
    EXPECT_EQ(QXMessageAudioCell::durationText(1), "1\"");
    EXPECT_EQ(QXMessageAudioCell::durationText(7.2), "8\"");
    EXPECT_EQ(QXMessageAudioCell::durationText(75), "60\"");
    EXPECT_EQ(QXMessageAudioCell::heightByInfo({}, true), 80);

    const auto notice = [](const QString& type) {
        return QVariant(
            QVariantList{"notice", QVariantMap{{"type", type}, {"text", "已屏蔽"}}, "旧版提示"});
    };
    EXPECT_EQ(QXMessageSystemCell::noticeText(notice("block")), "已屏蔽");
    EXPECT_EQ(QXMessageSystemCell::noticeText(notice("other")), "旧版提示");
    EXPECT_EQ(QXMessageSystemCell::heightByInfo(notice("block"), true),
              QXMessageSystemCell::heightByInfo(notice("block"), false));
}

}  // namespace
