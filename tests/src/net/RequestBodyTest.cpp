#include "net/BodyJson.h"
#include "net/ClassCallBody.h"
#include "net/FormBody.h"
#include "net/JsonArgsBody.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QPair>

#include <gtest/gtest.h>

namespace {

using FormPairs = QList<QPair<QString, QString>>;

// Decodes form text as a server does: pairs split at "&", names from values at the first
// "=", "+" as a space, then percent escapes as UTF-8 bytes.
FormPairs decodeForm(const QString& text) {
    FormPairs pairs;
    for (const QString& pair : text.split(QLatin1Char('&'))) {
        const qsizetype equals = pair.indexOf(QLatin1Char('='));
        const auto decode = [](QString part) {
            part.replace(QLatin1Char('+'), QLatin1Char(' '));
            return QString::fromUtf8(QByteArray::fromPercentEncoding(part.toUtf8()));
        };
        pairs.append({decode(pair.left(equals)), decode(pair.mid(equals + 1))});
    }
    return pairs;
}

QJsonObject parseObject(const QString& json) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json.toUtf8(), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << json.toStdString();
    return document.object();
}

// Texts users and servers may send: every character that means something in JSON or in
// form text, control characters and Chinese.
const QStringList kHostileTexts = {
    QStringLiteral("say \"hi\""),
    QStringLiteral("a&b=c"),
    QStringLiteral("1+1 = 2"),
    QStringLiteral("100% %41"),
    QStringLiteral("C:\\path\\"),
    QString::fromUtf8("望京 SOHO\n二期\t东区"),
    QString::fromUtf8("\r\b\f") + QChar(0x01) + QChar(0x1F) + QStringLiteral("/</script>"),
    QStringLiteral("\\\"},\"x\":{\""),
};

TEST(FormBodyTest, OrdinaryValuesKeepTheirWireShape) {
    EXPECT_EQ(
        FormBody().add("categoryId", 7).addNoValue("majorCategoryId").add("pageIndex", 3).text(),
        "categoryId=7&majorCategoryId=\"\"&pageIndex=3");
    EXPECT_EQ(FormBody()
                  .add("cityId", 12)
                  .add("pageType", 1)
                  .addNoValue("categoryId")
                  .addNoValue("majorCategoryId")
                  .text(),
              "cityId=12&pageType=1&categoryId=\"\"&majorCategoryId=\"\"");
    EXPECT_EQ(FormBody()
                  .add("loginName", "alice_01")
                  .add("password", "E10ADC3949BA59ABBE56E057F20F883E")
                  .add("deviceId", "8F2A61C4-0D5B-4E7A-9C33-1B2D4E5F6A7B")
                  .text(),
              "loginName=alice_01&password=E10ADC3949BA59ABBE56E057F20F883E"
              "&deviceId=8F2A61C4-0D5B-4E7A-9C33-1B2D4E5F6A7B");
    EXPECT_EQ(FormBody()
                  .add("act", 1)
                  .add("loginId", Q_INT64_C(9000000001))
                  .addJson("conditions", BodyJson::object({{"postId", BodyJson::string("p1")}}))
                  .text(),
              "act=1&loginId=9000000001&conditions={\"postId\":\"p1\"}");
    // An empty text is an empty value; only the fixed "no value" writes quotes.
    EXPECT_EQ(FormBody().add("ucUserId", "").add("pg", 2).add("name", QString()).text(),
              "ucUserId=&pg=2&name=");
}

TEST(FormBodyTest, AnyTextGivesValidFormText) {
    for (const QString& text : kHostileTexts) {
        const QString body = FormBody().add("loginName", text).add("password", "x").text();
        const FormPairs expected = {{"loginName", text}, {"password", "x"}};
        EXPECT_EQ(decodeForm(body), expected) << body.toStdString();
    }
    // A JSON value in a form keeps its meaning too.
    const QString json = BodyJson::object({{"postId", BodyJson::string("a&b+c%")}});
    const FormPairs pairs = decodeForm(FormBody().add("act", 1).addJson("conditions", json).text());
    ASSERT_EQ(pairs.size(), 2);
    EXPECT_EQ(parseObject(pairs[1].second)["postId"].toString(), "a&b+c%");
}

TEST(JsonArgsBodyTest, OrdinaryValuesKeepTheirWireShape) {
    EXPECT_EQ(JsonArgsBody().add("userids", "1001,1002").add("mobiletype", "710").text(),
              "jsonArgs={\"userids\":\"1001,1002\",\"mobiletype\":\"710\"}");
    EXPECT_EQ(JsonArgsBody()
                  .add("cityScriptIndex", "1203")
                  .add("keyword", QString::fromUtf8("望京"))
                  .text(),
              QString::fromUtf8("jsonArgs={\"cityScriptIndex\":\"1203\",\"keyword\":\"望京\"}"));
    EXPECT_EQ(JsonArgsBody()
                  .add("pageIndex", 2)
                  .addJson("andKeywords",
                           BodyJson::array({BodyJson::object({{"name", BodyJson::string("title")},
                                                              {"value", BodyJson::string("")}})}))
                  .addJson("queryFilters", BodyJson::array({}))
                  .text(),
              "jsonArgs={\"pageIndex\":2,\"andKeywords\":[{\"name\":\"title\",\"value\":\"\"}],"
              "\"queryFilters\":[]}");
}

TEST(JsonArgsBodyTest, AnyTextGivesValidJsonInValidFormText) {
    for (const QString& text : kHostileTexts) {
        const QString body =
            JsonArgsBody().add("keyword", text).add("cityScriptIndex", "12").text();
        const FormPairs pairs = decodeForm(body);
        ASSERT_EQ(pairs.size(), 1) << body.toStdString();
        EXPECT_EQ(pairs[0].first, "jsonArgs");
        const QJsonObject arguments = parseObject(pairs[0].second);
        EXPECT_EQ(arguments["keyword"].toString(), text) << body.toStdString();
        EXPECT_EQ(arguments["cityScriptIndex"].toString(), "12");
        EXPECT_EQ(arguments.size(), 2);
    }
}

TEST(ClassCallBodyTest, OrdinaryValuesKeepTheirWireShape) {
    EXPECT_EQ(ClassCallBody()
                  .call("NevoruSubscribe", "getSubscribeHouseList",
                        {BodyJson::string("r-1"), BodyJson::number(2),
                         BodyJson::number(Q_INT64_C(9000000001))})
                  .text(),
              "class={\"NevoruSubscribe\":{\"getSubscribeHouseList\":[\"r-1\",2,9000000001]}}");

    // Several classes, constructor arguments and a method whose argument is not an array.
    const QString pinyin = BodyJson::object({{"pinyin", BodyJson::string("wangjing")}});
    EXPECT_EQ(ClassCallBody()
                  .member("XiaoquDetailPageModel", "getXiaoquPeitao", BodyJson::string("NULL"))
                  .classArgs("XiaoquDetailPageModel", {BodyJson::string("bj"), pinyin})
                  .call("XiaoquPriceModel", "getXiaoquPrice",
                        {BodyJson::string("2013-01"), BodyJson::string("2013-12")})
                  .classArgs("XiaoquPriceModel", {BodyJson::string("bj"), pinyin})
                  .text(),
              "class={\"XiaoquDetailPageModel\":{\"getXiaoquPeitao\":\"NULL\",\"_classArgs\":"
              "[\"bj\",{\"pinyin\":\"wangjing\"}]},\"XiaoquPriceModel\":{\"getXiaoquPrice\":"
              "[\"2013-01\",\"2013-12\"],\"_classArgs\":[\"bj\",{\"pinyin\":\"wangjing\"}]}}");

    EXPECT_EQ(ClassCallBody()
                  .call("HousingVars", "getUrlPriceRange",
                        {BodyJson::string("bj"), BodyJson::string("1")})
                  .property("HousingVars", {BodyJson::string("HUXING_SHI_SEARCH"),
                                            BodyJson::string("AREA_TYPE_IN_URL")})
                  .text(),
              "class={\"HousingVars\":{\"getUrlPriceRange\":[\"bj\",\"1\"],\"_property\":"
              "[\"HUXING_SHI_SEARCH\",\"AREA_TYPE_IN_URL\"]}}");
}

TEST(ClassCallBodyTest, AnyTextGivesValidJsonInValidFormText) {
    for (const QString& text : kHostileTexts) {
        const QString body = ClassCallBody()
                                 .call("SearchHousingRequest", "insertAgentUserContact",
                                       {BodyJson::number(42), BodyJson::string(text)})
                                 .text();
        const FormPairs pairs = decodeForm(body);
        ASSERT_EQ(pairs.size(), 1) << body.toStdString();
        EXPECT_EQ(pairs[0].first, "class");
        const QJsonArray arguments = parseObject(pairs[0].second)["SearchHousingRequest"]
                                         .toObject()["insertAgentUserContact"]
                                         .toArray();
        ASSERT_EQ(arguments.size(), 2) << body.toStdString();
        EXPECT_EQ(arguments[0].toInt(), 42);
        EXPECT_EQ(arguments[1].toString(), text);
    }
}

TEST(BodyJsonTest, StringEscapesOnlyWhatJsonRequires) {
    EXPECT_EQ(BodyJson::string(""), "\"\"");
    EXPECT_EQ(BodyJson::string("a/b"), "\"a/b\"");
    EXPECT_EQ(BodyJson::string("\"\\"), "\"\\\"\\\\\"");
    EXPECT_EQ(BodyJson::string("\n\t\r\b\f"), "\"\\n\\t\\r\\b\\f\"");
    EXPECT_EQ(BodyJson::string(QString(QChar(0x1F))), "\"\\u001F\"");
    EXPECT_EQ(BodyJson::string(QString::fromUtf8("北京")), QString::fromUtf8("\"北京\""));
}

}  // namespace
