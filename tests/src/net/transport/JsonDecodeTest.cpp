#include "net/transport/Json.h"
#include "net/transport/JsonDocument.h"

#include "SandboxTest.h"

#include <QMetaType>

namespace {

class JsonDecodeTest : public SandboxTest {
protected:
    // Decodes `text` whole; `error_` keeps what was reported.
    QVariant decode(const QByteArray& text, ParserOptions options = 0) {
        return json_JSONWithOptions(text, options, &error_);
    }

    std::optional<ns::Error> error_;
};

TEST_F(JsonDecodeTest, NullsReadAsEmptyStrings) {
    const QVariantMap object = decode(R"({"a":null,"list":[null,1,null]})").toMap();
    EXPECT_FALSE(error_);
    ASSERT_EQ(object.value("a").typeId(), QMetaType::QString);
    EXPECT_EQ(object.value("a").toString(), QString(""));
    const QVariantList list = object.value("list").toList();
    ASSERT_EQ(list.size(), 3);
    EXPECT_EQ(list[0].typeId(), QMetaType::QString);
    EXPECT_EQ(list[0].toString(), QString(""));
    EXPECT_EQ(list[2].typeId(), QMetaType::QString);
}

TEST_F(JsonDecodeTest, NumbersKeepTheirKind) {
    const QVariantList list =
        decode("[42,-7,1.5,2E3,true,false,9223372036854775807,-9223372036854775808,1e-400]")
            .toList();
    ASSERT_EQ(list.size(), 9);
    EXPECT_EQ(list[0].typeId(), QMetaType::LongLong);
    EXPECT_EQ(list[0].toLongLong(), 42);
    EXPECT_EQ(list[1].toLongLong(), -7);
    EXPECT_EQ(list[2].typeId(), QMetaType::Double);
    EXPECT_EQ(list[2].toDouble(), 1.5);
    EXPECT_EQ(list[3].typeId(), QMetaType::Double);
    EXPECT_EQ(list[3].toDouble(), 2000.0);
    EXPECT_EQ(list[4].typeId(), QMetaType::Bool);
    EXPECT_TRUE(list[4].toBool());
    EXPECT_FALSE(list[5].toBool());
    EXPECT_EQ(list[6].typeId(), QMetaType::LongLong);
    EXPECT_EQ(list[6].toLongLong(), std::numeric_limits<qint64>::max());
    EXPECT_EQ(list[7].toLongLong(), std::numeric_limits<qint64>::min());
    // Underflow is a value near zero, not an overflow.
    EXPECT_EQ(list[8].typeId(), QMetaType::Double);
    EXPECT_EQ(list[8].toDouble(), 0.0);
}

TEST_F(JsonDecodeTest, IntegerBeyond64BitsIsADoubleUnlessStrict) {
    const QVariant loose = decode("[9223372036854775808]").toList().value(0);
    EXPECT_FALSE(error_);
    EXPECT_EQ(loose.typeId(), QMetaType::Double);
    EXPECT_EQ(loose.toDouble(), 9223372036854775808.0);

    EXPECT_FALSE(decode("[9223372036854775808]", ParserStrictPrecision).isValid());
    ASSERT_TRUE(error_);
    EXPECT_EQ(error_->domain(), "JsonErrorDomain");
    EXPECT_EQ(error_->code(), -1002);
    EXPECT_EQ(error_->localizedDescription(), "integer overflow on '9223372036854775808'");
    EXPECT_EQ(error_->userInfo().value("JsonParserValueKey").toString(), "9223372036854775808");
}

TEST_F(JsonDecodeTest, DoubleOverflowIsAnErrorWithAnyOptions) {
    for (ParserOptions options : {0u, 1u, 2u, 4u, 7u}) {
        EXPECT_FALSE(decode(R"({"a":1e400})", options).isValid());
        ASSERT_TRUE(error_);
        EXPECT_EQ(error_->code(), -1001);
        EXPECT_EQ(error_->localizedDescription(), "double overflow on '1e400'");
        EXPECT_EQ(error_->userInfo().value("JsonParserValueKey").toString(), "1e400");
    }
    EXPECT_FALSE(decode("[-1.5e999]").isValid());
    EXPECT_EQ(error_->code(), -1001);
}

TEST_F(JsonDecodeTest, TopLevelScalarGivesNilWithoutError) {
    for (const char* text : {"\"text\"", "42", "1.5", "true", "null"}) {
        EXPECT_FALSE(decode(text).isValid()) << text;
        EXPECT_FALSE(error_) << text;
    }
}

// A reply cut off on the way must not pass for a good one.
TEST_F(JsonDecodeTest, TextThatStopsEarlyIsAnError) {
    for (const char* text :
         {R"({"a":1,"b":)", R"({"a":1,"b":[1,2)", R"({"a":1)", "[1, -", R"(["abc)", "", "  \n"}) {
        EXPECT_FALSE(decode(text).isValid()) << text;
        ASSERT_TRUE(error_) << text;
        EXPECT_EQ(error_->domain(), "JsonErrorDomain");
        EXPECT_EQ(error_->code(), 3);
        EXPECT_EQ(error_->localizedDescription(), "unexpected end of input") << text;
        EXPECT_FALSE(json_JSON(QByteArray(text)).isValid());
    }
}

TEST_F(JsonDecodeTest, NoCutOfAReplyPassesForTheReply) {
    const QByteArray reply =
        R"({"status":200,"posts":[{"id":1001,"title":"望京 两居","price":5200.5,"tag":null,)"
        R"("images":["http://img.example/a.jpg"],"top":true}],"total":-1.5e3})";
    ASSERT_TRUE(decode(reply).isValid());
    for (qsizetype length = 0; length < reply.size(); ++length) {
        EXPECT_FALSE(decode(reply.left(length)).isValid()) << length;
        EXPECT_TRUE(error_) << length;
    }
}

TEST_F(JsonDecodeTest, TextAfterTheValueIsAnError) {
    for (const char* text : {R"({"a":1} x)", R"({"a":1}{"b":2})", R"([1]])", "42 x"}) {
        EXPECT_FALSE(decode(text).isValid()) << text;
        ASSERT_TRUE(error_) << text;
        EXPECT_EQ(error_->code(), 3);
        EXPECT_TRUE(error_->localizedDescription().contains("trailing garbage")) << text;
    }
    EXPECT_EQ(decode("{\"a\":1} \r\n\t ").toMap().value("a").toLongLong(), 1);
    EXPECT_FALSE(error_);
}

// Arrays (or objects under the key "a") nested `depth` levels, holding 1 at the bottom.
QByteArray nested(qsizetype depth, bool objects = false) {
    QByteArray text;
    text.reserve(depth * 6 + 1);
    for (qsizetype level = 0; level < depth; ++level) text += objects ? "{\"a\":" : "[";
    text += "1";
    for (qsizetype level = 0; level < depth; ++level) text += objects ? "}" : "]";
    return text;
}

qsizetype depthOf(QVariant value) {
    qsizetype depth = 0;
    for (;; ++depth) {
        if (value.typeId() == QMetaType::QVariantList) {
            value = QVariant(value.toList().value(0));
        } else if (value.typeId() == QMetaType::QVariantMap) {
            value = QVariant(value.toMap().value("a"));
        } else {
            return depth;
        }
    }
}

// Past the bound a text is malformed, however deep it goes: a tree that deep could not even
// be released without running out of stack.
TEST_F(JsonDecodeTest, NestingPastTheBoundIsMalformed) {
    constexpr qsizetype kDeepest = 512;  // the documented bound
    for (const bool objects : {false, true}) {
        EXPECT_EQ(depthOf(decode(nested(kDeepest, objects))), kDeepest);
        EXPECT_FALSE(error_);
        for (const qsizetype depth : {kDeepest + 1, qsizetype(175000)}) {
            EXPECT_FALSE(decode(nested(depth, objects)).isValid()) << depth;
            ASSERT_TRUE(error_) << depth;
            EXPECT_EQ(error_->code(), kJsonErrorTooDeep);
            EXPECT_EQ(error_->localizedDescription(), "nesting deeper than 512 levels");
        }
    }
    // Unclosed, in chunks, the same.
    JsonDocument document;
    std::optional<ns::Error> error;
    const QByteArray opening(175000, '[');
    for (qsizetype at = 0; at < opening.size() && document.parserStatus() != ParserStatusError;
         at += 4096)
        document.parse(opening.mid(at, 4096), &error);
    EXPECT_EQ(document.parserStatus(), ParserStatusError);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), kJsonErrorTooDeep);
}

TEST_F(JsonDecodeTest, SyntaxErrorGivesNilWithYajlsText) {
    EXPECT_FALSE(decode(R"({"a":})").isValid());
    ASSERT_TRUE(error_);
    EXPECT_EQ(error_->code(), 3);
    EXPECT_TRUE(error_->localizedDescription().contains("parse error"))
        << error_->description().toStdString();
    EXPECT_FALSE(json_JSON(QByteArray("{'a':1}")).isValid());
}

TEST_F(JsonDecodeTest, TextAndBytesDecodeAlikeAndOtherValuesGiveNil) {
    const QString text = QStringLiteral(R"({"title":"朝阳门 精装两居","price":4500,"ok":true})");
    const QVariant fromText = json_JSON(text);
    EXPECT_EQ(fromText, json_JSON(text.toUtf8()));
    EXPECT_EQ(fromText.toMap().value("title").toString(), QStringLiteral("朝阳门 精装两居"));

    for (const QVariant& value : {QVariant(42), QVariant(QVariantMap{{"a", 1}}), QVariant(),
                                  QVariant::fromValue(nullptr)}) {
        error_ = ns::Error("stale", 1);
        EXPECT_NO_THROW(EXPECT_FALSE(json_JSON(value, &error_).isValid()));
        EXPECT_FALSE(error_);
    }
}

TEST_F(JsonDecodeTest, LaterEqualKeyReplacesTheEarlierValue) {
    EXPECT_EQ(decode(R"({"a":1,"a":2})").toMap(), (QVariantMap{{"a", 2LL}}));
}

// Keys repeat across records and are shared; distinct keys that meet in the key cache
// must never be mistaken for one another.
TEST_F(JsonDecodeTest, EveryKeyKeepsItsOwnName) {
    QVariantMap record;
    for (int index = 0; index < 300; ++index) {
        record.insert(QStringLiteral("key%1").arg(index), index);
        record.insert(QStringLiteral("yek%1").arg(index), -index);
    }
    record.insert(QString(60, QLatin1Char('k')), "long");
    record.insert(QStringLiteral("键名"), "wide");
    record.insert(QStringLiteral("键各"), "wide too");
    const QVariantList records{record, record, record};
    const QVariant decoded = json_JSON(json_JSONString(records));
    ASSERT_EQ(decoded.toList().size(), 3);
    for (const QVariant& each : decoded.toList()) {
        const QVariantMap map = each.toMap();
        ASSERT_EQ(map.size(), record.size());
        for (auto it = record.cbegin(); it != record.cend(); ++it) {
            EXPECT_EQ(map.value(it.key()).toString(), it.value().toString())
                << it.key().toStdString();
        }
    }
}

TEST_F(JsonDecodeTest, StringsThatAreNotUtf8AreLeftOut) {
    const QVariantMap object = decode(
                                   "{\"a\":\"\xff\",\"b\":[\"x\",\"\xc3\",\"y\"],\"\xfe\":1,"
                                   "\"\":true}")
                                   .toMap();
    EXPECT_FALSE(error_);
    EXPECT_EQ(object, (QVariantMap{{"b", QVariantList{"x", "y"}}, {"", true}}));

    EXPECT_FALSE(decode("{\"a\":\"\xff\"}", ParserCheckUTF8).isValid());
    ASSERT_TRUE(error_);
    EXPECT_EQ(error_->code(), 3);
}

TEST_F(JsonDecodeTest, CommentsOnlyWhenAllowed) {
    const QByteArray text = "/* lead */ {\"a\": 1 // one\n} /* tail */";
    EXPECT_FALSE(decode(text).isValid());
    EXPECT_TRUE(error_);
    EXPECT_EQ(decode(text, ParserAllowComments), (QVariantMap{{"a", 1LL}}));
    EXPECT_FALSE(error_);
}

}  // namespace
