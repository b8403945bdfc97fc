#include "util/categories/Tolerant.h"

#include <QSet>
#include <QStringList>
#include <QVariantHash>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

const QVariant kPlatformNull = QVariant::fromValue(nullptr);
const QVariant kJsonNull = QString("");

// Every answer a kind without meaning for a message gives.
void expectNeutral(const QVariant& value, const char* what) {
    SCOPED_TRACE(what);
    const Tolerant t(value);
    EXPECT_TRUE(t.objectForKey("any").isNil());
    EXPECT_TRUE(t.objectAtIndex(0).isNil());
    EXPECT_TRUE(t.allKeys().isNil());
    EXPECT_EQ(t.count(), 0);
    EXPECT_FALSE(t.isEqualToString("x"));
}

TEST(TolerantTest, NullsAndNilAnswerNothing) {
    expectNeutral(kPlatformNull, "platform null");
    expectNeutral(kJsonNull, "JSON null");
    expectNeutral(QVariant(), "nil");
    for (const QVariant& value : {kPlatformNull, kJsonNull, QVariant()}) {
        EXPECT_EQ(Tolerant(value).length(), 0);
        EXPECT_EQ(Tolerant(value).intValue(), 0);
    }
    // The three stay apart for callers that need to tell them.
    EXPECT_TRUE(Tolerant().isNil());
    EXPECT_FALSE(Tolerant(kPlatformNull).isNil());
    EXPECT_FALSE(Tolerant(kJsonNull).isNil());
    EXPECT_EQ(Tolerant(kJsonNull).value(), kJsonNull);
    EXPECT_TRUE(Tolerant(kJsonNull).isEqualToString(""));
}

TEST(TolerantTest, DictionaryAnswersKeysCountAndValues) {
    const QVariantMap map{{"a", 1}, {"b", QVariantList{"x"}}};
    const Tolerant t(map);
    EXPECT_EQ(t["a"].intValue(), 1);
    EXPECT_TRUE(t["missing"].isNil());
    EXPECT_EQ(t.count(), 2);
    EXPECT_EQ(t.allKeys().value().toStringList(), (QStringList{"a", "b"}));
    EXPECT_TRUE(t.objectAtIndex(0).isNil());
    EXPECT_EQ(t.length(), 0);
    EXPECT_EQ(t.intValue(), 0);
    EXPECT_FALSE(Tolerant(QVariantMap{}).allKeys().isNil());
    EXPECT_EQ(Tolerant(QVariantMap{}).allKeys().count(), 0);

    const Tolerant hash(QVariantHash{{"k", "v"}});
    EXPECT_EQ(hash["k"].toString(), "v");
    EXPECT_EQ(hash.count(), 1);
    EXPECT_EQ(hash.allKeys()[0].toString(), "k");
}

TEST(TolerantTest, ArrayAnswersElementsAndCount) {
    const Tolerant t(QVariantList{"a", 2, QVariantMap{{"k", "v"}}});
    EXPECT_EQ(t[0].toString(), "a");
    EXPECT_EQ(t[2]["k"].toString(), "v");
    EXPECT_EQ(t.count(), 3);
    EXPECT_TRUE(t["k"].isNil());
    EXPECT_TRUE(t.allKeys().isNil());
    EXPECT_EQ(t.length(), 0);
    // Past either end reads as nil instead of failing.
    EXPECT_TRUE(t[3].isNil());
    EXPECT_TRUE(t[-1].isNil());

    const Tolerant strings(QStringList{"x", "y"});
    EXPECT_EQ(strings.count(), 2);
    EXPECT_TRUE(strings[1].isEqualToString("y"));
    EXPECT_TRUE(strings[2].isNil());
}

TEST(TolerantTest, StringAndDataAnswerLength) {
    EXPECT_EQ(Tolerant(QString::fromUtf8("北京")).length(), 2);
    EXPECT_EQ(Tolerant(QString::fromUtf8("😀")).length(), 2);  // UTF-16 units
    const Tolerant string(QString("abc"));
    EXPECT_TRUE(string.objectForKey("a").isNil());
    EXPECT_TRUE(string.objectAtIndex(0).isNil());
    EXPECT_EQ(string.count(), 0);
    EXPECT_TRUE(string.isEqualToString("abc"));
    EXPECT_FALSE(string.isEqualToString("ABC"));

    const Tolerant data(QByteArray("12 bytes!!!!"));
    EXPECT_EQ(data.length(), 12);
    EXPECT_EQ(data.intValue(), 0);
    EXPECT_FALSE(data.isEqualToString("12 bytes!!!!"));
    EXPECT_EQ(data.count(), 0);
}

TEST(TolerantTest, NumbersAnswerIntValueOnly) {
    EXPECT_EQ(Tolerant(qint64(42)).intValue(), 42);
    EXPECT_EQ(Tolerant(-7).intValue(), -7);
    EXPECT_EQ(Tolerant(3.99).intValue(), 3);
    EXPECT_EQ(Tolerant(-3.99).intValue(), -3);
    EXPECT_EQ(Tolerant(true).intValue(), 1);
    // 64-bit integers keep their low 32 bits, as the platform's intValue does.
    EXPECT_EQ(Tolerant(qint64(0x100000005LL)).intValue(), 5);
    EXPECT_EQ(Tolerant(1e12).intValue(), std::numeric_limits<int>::max());
    EXPECT_EQ(Tolerant(std::numeric_limits<double>::quiet_NaN()).intValue(), 0);

    const Tolerant number(qint64(12345));
    EXPECT_EQ(number.length(), 0);
    EXPECT_EQ(number.count(), 0);
    EXPECT_TRUE(number["k"].isNil());
    EXPECT_TRUE(number[0].isNil());
    EXPECT_TRUE(number.allKeys().isNil());
    EXPECT_FALSE(number.isEqualToString("12345"));
}

TEST(TolerantTest, SetAnswersCountOnly) {
    const Tolerant set(QVariant::fromValue(QSet<QString>{"a", "b", "c"}));
    EXPECT_EQ(set.count(), 3);
    EXPECT_TRUE(set[0].isNil());
    EXPECT_TRUE(set.allKeys().isNil());
    EXPECT_EQ(set.length(), 0);
}

TEST(TolerantTest, StringIntValueFollowsThePlatformRule) {
    EXPECT_EQ(Tolerant(QString("  42abc")).intValue(), 42);
    EXPECT_EQ(Tolerant(QString("\t\n-17")).intValue(), -17);
    EXPECT_EQ(Tolerant(QString("+8")).intValue(), 8);
    EXPECT_EQ(Tolerant(QString("3.9")).intValue(), 3);
    EXPECT_EQ(Tolerant(QString("abc12")).intValue(), 0);
    EXPECT_EQ(Tolerant(QString("- 5")).intValue(), 0);
    EXPECT_EQ(Tolerant(QString("-")).intValue(), 0);
    EXPECT_EQ(Tolerant(QString("2147483647")).intValue(), 2147483647);
    EXPECT_EQ(Tolerant(QString("2147483648")).intValue(), std::numeric_limits<int>::max());
    EXPECT_EQ(Tolerant(QString("-2147483648")).intValue(), std::numeric_limits<int>::min());
    EXPECT_EQ(Tolerant(QString("-99999999999999999999")).intValue(),
              std::numeric_limits<int>::min());
}

TEST(TolerantTest, ChainedReadsYieldNilAtTheFirstBadLink) {
    const QVariantMap reply{
        {"data", QVariantList{QVariantMap{{"title", "两室一厅"}}}},
        {"nullData", kPlatformNull},
        {"jsonNullData", kJsonNull},
        {"numberData", 3},
    };
    const Tolerant t(reply);
    EXPECT_EQ(t["data"][0]["title"].toString(), QString::fromUtf8("两室一厅"));
    for (const char* key : {"nullData", "jsonNullData", "numberData", "missing"}) {
        EXPECT_TRUE(t[key][0]["title"].isNil()) << key;
        EXPECT_EQ(t[key][0]["title"].toString(), QString()) << key;
    }
}

}  // namespace

TEST(TolerantTest, LongLongValuesKeepSixtyFourBitsAndSaturate) {
    EXPECT_EQ(Tolerant(QVariant("8000012301")).longLongValue(), 8000012301LL);
    EXPECT_EQ(Tolerant(QVariant(" -42abc")).longLongValue(), -42);
    EXPECT_EQ(Tolerant(QVariant("99999999999999999999")).longLongValue(),
              std::numeric_limits<qint64>::max());
    EXPECT_EQ(Tolerant(QVariant("-9223372036854775808")).longLongValue(),
              std::numeric_limits<qint64>::min());
    EXPECT_EQ(Tolerant(QVariant("-99999999999999999999")).longLongValue(),
              std::numeric_limits<qint64>::min());
    EXPECT_EQ(Tolerant(QVariant(qint64(4294970000))).longLongValue(), 4294970000LL);
    EXPECT_EQ(Tolerant(QVariant(4294970000.9)).longLongValue(), 4294970000LL);
    EXPECT_EQ(Tolerant(QVariant(1e30)).longLongValue(), std::numeric_limits<qint64>::max());
    EXPECT_EQ(Tolerant(QVariant(std::nan(""))).longLongValue(), 0);
    EXPECT_EQ(Tolerant(QVariant(QVariantList{1})).longLongValue(), 0);
    EXPECT_EQ(Tolerant().longLongValue(), 0);
}
