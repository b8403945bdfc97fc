// Value texts of post keys: prices and areas with their units, ages, phones, price per area.
#include "SandboxTest.h"

#include "houses/shared/GetPostListCellFormate.h"
#include "net/QXDESCode.h"
#include "standin/ChatBroker.h"
#include "standin/NeedReplies.h"
#include "standin/Posts.h"
#include "standin/SamplePeople.h"

namespace {

QString valueOf(const QVariant& value, const QString& key = QStringLiteral("price")) {
    return GetPostListCellFormate::getValueByKey(key, QVariantMap{{key, value}});
}

QVariantMap unitValue(const QVariant& v, const QString& u) {
    return {{"v", v}, {"u", u}};
}

}  // namespace

using PostValueTextTest = SandboxTest;

TEST_F(PostValueTextTest, PricesTurnIntoTenThousandsOnlyAboveOne) {
    EXPECT_EQ(valueOf(unitValue(15000, "元")), "1.5万元");
    EXPECT_EQ(valueOf(unitValue(10000, "元")), "10000元") << "exactly 1.0 stays in 元";
    EXPECT_EQ(valueOf(unitValue(3500, "元/月")), "3500元/月");
    EXPECT_EQ(valueOf(unitValue(12000, "元/月")), "1.2万元/月");
    EXPECT_EQ(valueOf(unitValue(0, "元")), "0元");
    EXPECT_EQ(valueOf(unitValue("4200", "元/月")), "4200元/月");
    // A quotient half way between two tenths rounds as printf rounds the value held.
    EXPECT_EQ(valueOf(unitValue(12500, "元/月")), "1.2万元/月");
    EXPECT_EQ(valueOf(unitValue(13500, "元/月")), "1.4万元/月");
    EXPECT_EQ(valueOf(unitValue("16250", "元")), "1.6万元");
}

// The prices the servers write out as text (a broker's post card, a recommended house) read
// as the list and the detail write the same post's price.
TEST_F(PostValueTextTest, TheServersPriceTextsAreTheOnesTheAppWrites) {
    int inTenThousands = 0;
    for (const int major : {1, 3, 5}) {
        for (const standin::SamplePost& post : standin::Posts::postsOf(0, major)) {
            const QString written = valueOf(post.record["price"].toVariant());
            EXPECT_EQ(standin::Posts::priceText(post.record), written) << post.puid;
            EXPECT_EQ(standin::ChatBroker::cardOf(post.record, "R")["price"].toString(), written);
            if (standin::SamplePeople::isBroker(post.posterId)) {
                EXPECT_EQ(standin::NeedReplies::houseRecord(post)["price"].toString(), written);
            }
            if (written.contains(QStringLiteral("万元/月"))) ++inTenThousands;
        }
    }
    EXPECT_GT(inTenThousands, 0) << "some rents read in 万";
}

TEST_F(PostValueTextTest, AFractionOfATenThousandPriceIsKeptWhateverItsKind) {
    EXPECT_EQ(valueOf(unitValue("85.5", "万元")), "85.5万元");
    EXPECT_EQ(valueOf(unitValue(85.5, "万元")), "85.5万元");
    EXPECT_EQ(valueOf(unitValue(85.0, "万元")), "85万元") << "a whole double reads as an integer";
    EXPECT_EQ(valueOf(unitValue(qint64(320), "万元")), "320万元");
}

TEST_F(PostValueTextTest, AreasShowOnlyWhenNotZero) {
    EXPECT_EQ(valueOf(unitValue(0, "㎡"), "area"), "");
    EXPECT_EQ(valueOf(unitValue("0", "㎡"), "area"), "");
    EXPECT_EQ(valueOf(unitValue(QVariant(), "㎡"), "area"), "") << "a missing v";
    EXPECT_EQ(valueOf(unitValue(85, "㎡"), "area"), "85㎡");
}

TEST_F(PostValueTextTest, OtherKindsOfValues) {
    EXPECT_EQ(valueOf("null"), "");
    EXPECT_EQ(valueOf("面议"), "面议");
    EXPECT_EQ(valueOf(42), "") << "a bare number is neither text nor dictionary";
    EXPECT_EQ(valueOf(QVariantMap{{"t", "面议"}}), "面议");
    EXPECT_EQ(valueOf(QVariant()), "");
    EXPECT_EQ(valueOf(QVariantList{1, 2}), "");
    EXPECT_EQ(valueOf("2008", "license_year"), "2008年");
    EXPECT_EQ(valueOf(3.24, "road_haul"), "3.2万公里");
    EXPECT_EQ(valueOf(0.25, "road_haul"), "0.2万公里");
    EXPECT_EQ(valueOf(0.35, "road_haul"), "0.3万公里") << "0.35 is held a little below";
}

TEST_F(PostValueTextTest, PhonesInDigitsStayAndOthersAreDeciphered) {
    EXPECT_EQ(valueOf("13800138000", "PhoneText"), "13800138000");
    const QString enciphered = QXDESCode::encryptStr(QStringLiteral("010-66668888"));
    EXPECT_EQ(valueOf(enciphered, "PhoneText"), "010-66668888");
    EXPECT_EQ(valueOf(13800138000LL, "PhoneText"), "") << "not a text";
}

TEST_F(PostValueTextTest, AgesByTheirBoundaries) {
    const qint64 now = qint64(clock().timeIntervalSince1970());
    const auto ago = [now](qint64 seconds) {
        return GetPostListCellFormate::timeToNow(QString::number(now - seconds));
    };
    EXPECT_EQ(ago(-500), "1分钟前") << "a time in the future";
    EXPECT_EQ(ago(0), "1分钟前");
    EXPECT_EQ(ago(59), "1分钟前");
    EXPECT_EQ(ago(60), "2分钟前");
    EXPECT_EQ(ago(3600), "61分钟前");
    EXPECT_EQ(ago(3601), "2小时前");
    EXPECT_EQ(ago(86400), "25小时前");
    EXPECT_EQ(ago(86401), "2天前");
    EXPECT_EQ(ago(259200), "4天前");
    const QString date =
        QDateTime::fromSecsSinceEpoch(now - 259201).toLocalTime().toString("MM-dd");
    EXPECT_EQ(ago(259201), date);
}

TEST_F(PostValueTextTest, PricePerAreaInWholeYuanWithoutOverflow) {
    const auto perArea = [](const QVariantMap& price, const QVariantMap& area) {
        return GetPostListCellFormate::calculatePricePerM2WithContent(
            {{"price", price}, {"area", area}});
    };
    EXPECT_EQ(perArea(unitValue(3, "亿元"), unitValue(100, "㎡")), "3000000元/㎡")
        << "300000000 元 would not fit 32 bits times anything";
    EXPECT_EQ(perArea(unitValue(25, "亿元"), unitValue(7, "㎡")), "357142857元/㎡");
    EXPECT_EQ(perArea(unitValue("85.5", "万元"), unitValue(100, "㎡")), "8500元/㎡")
        << "the fraction of v is dropped before the unit applies";
    EXPECT_EQ(perArea(unitValue(0, "万元"), unitValue(100, "㎡")), "");
    EXPECT_EQ(perArea(unitValue(300, "万元"), unitValue(0, "㎡")), "");
    EXPECT_EQ(perArea({}, {}), "");
}

TEST_F(PostValueTextTest, WildNumbersGiveTextsWithoutOverflow) {
    const auto perArea = [](const QVariant& price, const QString& unit) {
        return GetPostListCellFormate::calculatePricePerM2WithContent(
            {{"price", unitValue(price, unit)}, {"area", unitValue(1, "㎡")}});
    };
    EXPECT_EQ(perArea("92233720368", "亿元"), "9223372036800000000元/㎡")
        << "the largest that fits";
    EXPECT_EQ(perArea("92233720369", "亿元"), "") << "a price beyond 64 bits shows nothing";
    EXPECT_EQ(perArea(-5e15, "亿元"), "");
    EXPECT_EQ(valueOf(unitValue(1e20, "万元")), "100000000000000000000万元");

    EXPECT_EQ(GetPostListCellFormate::timeToNow("1e30"), "1分钟前") << "far in the future";
    const QString longAgo = GetPostListCellFormate::timeToNow("-1e30");
    EXPECT_NE(longAgo, "1分钟前") << "far in the past is no moment ago";
    EXPECT_EQ(longAgo, GetPostListCellFormate::timeToNow("-1e13"));
    EXPECT_EQ(GetPostListCellFormate::timeToNow("nan"), GetPostListCellFormate::timeToNow("0"));
}
