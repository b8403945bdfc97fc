// The need sentence: the templates by kind and by which choices are no limit, the position
// wording, the terms, and the sentence rebuilt from a stored need row.
#include "needs/QXNeedSentence.h"

#include <gtest/gtest.h>

namespace {

QString sentence(const QString& kind, const QString& house, const QString& price,
                 bool nearby = false, const QStringList& terms = {}) {
    return QXNeedSentence::sentence(kind, house, price, QStringLiteral("L"), nearby, terms);
}

}  // namespace

TEST(NeedSentenceTest, ThePartsSampleReadsExactly) {
    // Rent, around a position, two house types, a price and two terms.
    EXPECT_EQ(QXNeedSentence::sentence(QStringLiteral("1"), QStringLiteral("一室 两室 "),
                                       QStringLiteral("1500-3000元"), QStringLiteral("天平路街道"),
                                       true, {QStringLiteral("近地铁"), QStringLiteral("精装修")}),
              QStringLiteral("我要求租一套【1500-3000元】【一室 两室 】房源,地点:【天平路街道】"
                             "附近三公里内。额外条件:近地铁,精装修,"));
    // Buy in an area, district and street, one house type, no limit on the price.
    EXPECT_EQ(QXNeedSentence::sentence(QStringLiteral("5"), QStringLiteral("三室 "), QString(),
                                       QStringLiteral("徐汇区-湖南路街道"), false),
              QStringLiteral("我要求购一套【三室 】房源,地点:【徐汇区-湖南路街道】"));
}

TEST(NeedSentenceTest, EachKindHasItsFourTemplates) {
    const QString any = "不限";
    EXPECT_EQ(sentence("1", any, any), QStringLiteral("我要求租一套房源,地点:【L】"));
    EXPECT_EQ(sentence("1", "H", any), QStringLiteral("我要求租一套【H】房源,地点:【L】"));
    EXPECT_EQ(sentence("1", any, "P"), QStringLiteral("我要求租一套【P】房源,地点:【L】"));
    EXPECT_EQ(sentence("1", "H", "P"), QStringLiteral("我要求租一套【P】【H】房源,地点:【L】"));
    EXPECT_EQ(sentence("3", any, any), QStringLiteral("我要求租合租房源,地点:【L】"));
    EXPECT_EQ(sentence("3", "H", any), QStringLiteral("我要求租一套【H】房源,地点:【L】"))
        << "a share with no price limit reads as a rent";
    EXPECT_EQ(sentence("3", any, "P"), QStringLiteral("我要求租一套【P】合租房源,地点:【L】"));
    EXPECT_EQ(sentence("3", "H", "P"), QStringLiteral("我要求租一套【P】【H】房源,地点:【L】"));
    EXPECT_EQ(sentence("5", any, any), QStringLiteral("我要求购一套房源,地点:【L】"));
    EXPECT_EQ(sentence("5", "H", "P", true),
              QStringLiteral("我要求购一套【P】【H】房源,地点:【L】附近三公里内"));
    // An empty price is no limit; texts holding "%@" or "%1" stay as typed.
    EXPECT_EQ(sentence("1", "H", ""), QStringLiteral("我要求租一套【H】房源,地点:【L】"));
    EXPECT_EQ(QXNeedSentence::sentence("1", "%@", "%1", "%2", false),
              QStringLiteral("我要求租一套【%1】【%@】房源,地点:【%2】"));
}

TEST(NeedSentenceTest, AnotherKindLeavesOnlyTheTerms) {
    EXPECT_EQ(sentence("2", "H", "P"), "");
    EXPECT_EQ(sentence("", "H", "P", false, {QStringLiteral("朝南")}),
              QStringLiteral("。额外条件:朝南,"));
    EXPECT_EQ(sentence("1", "H", "P", false, {}).endsWith(QStringLiteral("【L】")), true);
}

TEST(NeedSentenceTest, HouseTypeCodesAreCompactJson) {
    EXPECT_EQ(QXNeedSentence::houseTypeJson({1, 2, 4}), "[1,2,4]");
    EXPECT_EQ(QXNeedSentence::houseTypeJson({3}), "[3]");
}

TEST(NeedSentenceTest, AStoredRowReadsAsTheFormWroteIt) {
    const auto names = [](int code, const QString& kind) {
        if (kind == "3") return code == 1 ? QStringLiteral("主卧") : QString();
        return QStringList{"", "一室", "两室", "三室"}.value(code);
    };
    QVariantMap row{{"rentOrBuy", "1"},
                    {"huxing", "[1,2]"},
                    {"priceName", "5000-8000元"},
                    {"location", QStringLiteral("天平路街道")},
                    {"latlng", "121.43650,31.19410"}};
    EXPECT_EQ(QXNeedSentence::fromNeedRow(row, names),
              QStringLiteral(
                  "我要求租一套【5000-8000元】【一室两室】房源,地点:【天平路街道】附近三公里内"));
    row["huxing"] = "4";
    row["priceName"] = QVariant();
    row["latlng"] = "";
    EXPECT_EQ(QXNeedSentence::fromNeedRow(row, names),
              QStringLiteral("我要求租一套【四室以上】房源,地点:【天平路街道】"));
    row = {{"rentOrBuy", "3"},
           {"huxing", "[1,4]"},
           {"priceName", "1000-1500"},
           {"location", "L"},
           {"latlng", ""}};
    EXPECT_EQ(QXNeedSentence::fromNeedRow(row, names),
              QStringLiteral("我要求租一套【1000-1500】【主卧四室以上】房源,地点:【L】"));
    row["huxing"] = "[]";
    EXPECT_EQ(QXNeedSentence::houseTypesOfRow("[]", "3", names), "");
    EXPECT_EQ(QXNeedSentence::houseTypesOfRow("[x]", "1", names), "") << "unparsable";
    EXPECT_EQ(QXNeedSentence::houseTypesOfRow("2", "1", names), QStringLiteral("两室"));
}
