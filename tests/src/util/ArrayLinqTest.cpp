#include "util/categories/ArrayLinq.h"
#include "util/categories/ArraySafely.h"

#include <QSet>
#include <QVariantMap>

#include <gtest/gtest.h>

namespace {

const QVariantList kLetters{"a", "b", "c", "d", "e"};

TEST(ArrayLinqTest, WhereKeepsOrder) {
    const QVariantList numbers{5, 2, 8, 1, 9};
    EXPECT_EQ(linq::where(numbers, [](const QVariant& v) { return v.toInt() > 4; }),
              (QVariantList{5, 8, 9}));
    EXPECT_TRUE(linq::where({}, [](const QVariant&) { return true; }).isEmpty());
}

TEST(ArrayLinqTest, FindAnswersFirstMatchAfterAskingEveryElement) {
    QVariantList asked;
    const QVariant found = linq::find(kLetters, [&](const QVariant& v) {
        asked.append(v);
        return v == QVariant("c") || v == QVariant("e");
    });
    EXPECT_EQ(found, QVariant("c"));
    EXPECT_EQ(asked, kLetters);

    EXPECT_FALSE(linq::find(kLetters, [](const QVariant&) { return false; }).isValid());
    int calls = 0;
    EXPECT_FALSE(linq::find({}, [&](const QVariant&) { return ++calls > 0; }).isValid());
    EXPECT_EQ(calls, 0);
}

TEST(ArrayLinqTest, SelectLeavesOutNilAnswers) {
    const QVariantList posts{QVariantMap{{"id", 1}}, QVariantMap{}, QVariantMap{{"id", 3}}};
    EXPECT_EQ(linq::select(posts, [](const QVariant& v) { return v.toMap().value("id"); }),
              (QVariantList{1, 3}));
    EXPECT_TRUE(linq::select({}, [](const QVariant& v) { return v; }).isEmpty());
}

TEST(ArrayLinqTest, GroupByCollectsElementsByTheirKey) {
    const QVariantMap a1{{"district", "朝阳"}, {"id", 1}};
    const QVariantMap b2{{"district", "海淀"}, {"id", 2}};
    const QVariantMap a3{{"district", "朝阳"}, {"id", 3}};
    const QVariant groups =
        linq::groupBy({a1, b2, a3}, [](const QVariant& v) { return v.toMap().value("district"); });
    EXPECT_EQ(groups.toMap(), (QVariantMap{{QString::fromUtf8("朝阳"), QVariantList{a1, a3}},
                                           {QString::fromUtf8("海淀"), QVariantList{b2}}}));
    EXPECT_FALSE(linq::groupBy({}, [](const QVariant& v) { return v; }).isValid());
}

TEST(ArrayLinqTest, ArrayWithLengthAsksForEveryIndex) {
    EXPECT_EQ(linq::arrayWithLength(3, [](int i, int n) { return QVariant(i * 10 + n); }),
              (QVariantList{3, 13, 23}));
    EXPECT_TRUE(linq::arrayWithLength(0, [](int, int) { return QVariant(1); }).isEmpty());
    EXPECT_TRUE(linq::arrayWithLength(-2, [](int, int) { return QVariant(1); }).isEmpty());
}

TEST(ArraySafelyTest, FirstAndAnyObjectOfEmptyArrayAreNil) {
    EXPECT_FALSE(safely::firstObject({}).isValid());
    EXPECT_FALSE(safely::anyObject({}).isValid());
    EXPECT_EQ(safely::firstObject(kLetters), QVariant("a"));
}

TEST(ArraySafelyTest, AnyObjectReachesEveryElement) {
    QSet<QString> seen;
    for (int i = 0; i < 500 && seen.size() < kLetters.size(); ++i)
        seen.insert(safely::anyObject(kLetters).toString());
    EXPECT_EQ(seen, (QSet<QString>{"a", "b", "c", "d", "e"}));
}

}  // namespace
