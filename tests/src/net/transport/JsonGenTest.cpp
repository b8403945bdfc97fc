#include "net/transport/Json.h"

#include "SandboxTest.h"

#include <QDateTime>
#include <QUrl>

namespace {

class JsonGenTest : public SandboxTest {};

TEST_F(JsonGenTest, WritesCompactTextWithTheSlashUnescaped) {
    const QVariantMap tree{{"b", true}, {"n", 1}, {"s", "a/b"}};
    EXPECT_EQ(json_JSONString(tree), R"({"b":true,"n":1,"s":"a/b"})");
    EXPECT_EQ(json_JSONString(QVariantList{QVariant::fromValue(nullptr), QVariant(), 1.5, -2.0,
                                           std::numeric_limits<qint64>::max(), false, QVariantMap{},
                                           QStringList{"x"}}),
              R"([null,null,1.5,-2,9223372036854775807,false,{},["x"]])");
}

TEST_F(JsonGenTest, EscapesOnlyQuotesBackslashesAndControlCharacters) {
    const QString text = QStringLiteral("q\"b\\\b\f\n\r\t\x01\x1f 精装/é");
    EXPECT_EQ(json_JSONString(QVariantList{text}),
              QStringLiteral(R"(["q\"b\\\b\f\n\r\t\u0001\u001F 精装/é"])"));
    EXPECT_EQ(json_JSON(json_JSONString(QVariantList{text})), QVariantList{text});
}

TEST_F(JsonGenTest, BeautifyBreaksLinesAndIndents) {
    const QString text =
        json_JSONStringWithOptions(QVariantMap{{"a", QVariantList{1}}}, GenBeautify, "  ");
    EXPECT_TRUE(text.startsWith("{\n  \"a\": [\n    1\n  ]\n}")) << text.toStdString();
}

TEST_F(JsonGenTest, UnsupportedValuesRaiseUnlessIncludedOrIgnored) {
    const QDateTime date = QDateTime::fromMSecsSinceEpoch(1400000000123, Qt::UTC);
    const QVariantMap tree{{"date", date}};
    EXPECT_THROW((void)json_JSONString(tree), JsonGenInvalidObjectException);
    EXPECT_THROW((void)json_JSONString(QVariantList{QByteArray("abc")}),
                 JsonGenInvalidObjectException);
    EXPECT_EQ(json_JSONStringWithOptions(tree, GenIgnoreUnknownTypes, ""), R"({"date":null})");
    EXPECT_EQ(json_JSONStringWithOptions(
                  QVariantList{date, QByteArray("abc"), QUrl("http://h.example/a b?q=1")},
                  GenIncludeUnsupportedTypes, ""),
              R"([1400000000123,"YWJj","http://h.example/a%20b?q=1"])");
}

TEST_F(JsonGenTest, TreesSurviveARoundTrip) {
    const QVariantMap tree{
        {"posts", QVariantList{QVariantMap{{"id", 1001LL}, {"price", 5200.5}, {"tag", ""}},
                               QVariantMap{{"id", 1002LL}, {"images", QVariantList{}}}}},
        {"more", false}};
    EXPECT_EQ(json_JSON(json_JSONString(tree)), tree);
    EXPECT_TRUE(json_JSONString(QVariant()).isNull());
}

QVariant nestedList(int depth) {
    QVariant value = 1;
    for (int level = 0; level < depth; ++level) value = QVariantList{value};
    return value;
}

// A text cut short at the generator's limit never reads back: the writer says it failed.
TEST_F(JsonGenTest, TreeDeeperThanTheGeneratorTakesGivesNoText) {
    constexpr int kDeepest = 127;  // the documented bound
    const QString deepest = json_JSONString(nestedList(kDeepest));
    EXPECT_EQ(deepest.size(), 2 * kDeepest + 1);
    EXPECT_EQ(json_JSON(deepest), nestedList(kDeepest));
    for (const int depth : {kDeepest + 1, 130, 2000}) {
        const QVariantMap post{{"puid", "1001"}, {"extra", nestedList(depth)}, {"z", "after"}};
        EXPECT_TRUE(json_JSONString(post).isNull()) << depth;
        EXPECT_TRUE(json_JSONString(QVariantList{nestedList(depth)}).isNull()) << depth;
    }

    JsonGen generator;
    generator.object(QVariantList{nestedList(200), "more"});
    EXPECT_FALSE(generator.isValid());
    generator.string("ignored");
    EXPECT_FALSE(generator.isValid());
    generator.clear();
    EXPECT_TRUE(generator.isValid());
    generator.object(QVariantMap{{"a", QVariantList{1}}});
    EXPECT_TRUE(generator.isValid());
    EXPECT_EQ(generator.buffer(), R"({"a":[1]})");
    generator.object(QVariantList{});  // a second top-level value
    EXPECT_FALSE(generator.isValid());
}

TEST_F(JsonGenTest, ClearEmptiesTheOutput) {
    JsonGen generator;
    generator.startArray();
    generator.string("a");
    EXPECT_EQ(generator.buffer(), R"(["a")");
    generator.clear();
    generator.number(QVariant(3));
    generator.endArray();
    EXPECT_EQ(generator.buffer(), ",3]");
}

}  // namespace
