#include "net/transport/Json.h"
#include "net/transport/JsonDocument.h"

#include "SandboxTest.h"

#include <QStringList>

namespace {

const QByteArray kReply =
    R"({"status":200,"posts":[{"id":1001,"title":"望京 南湖东园 两居","price":5200.5,)"
    R"("images":["http://img.example/a_1.jpg","http://img.example/b_2.jpg"],"tag":null},)"
    R"({"id":1002,"title":"回龙观 一居","price":3100,"images":[],"tag":"急租"}],"more":false})";

class JsonDocumentTest : public SandboxTest {};

TEST_F(JsonDocumentTest, ChunksBuildTheSameTreeAsOneWholeText) {
    for (qsizetype size : {1, 7, 64}) {
        JsonDocument document;
        std::optional<ns::Error> error;
        for (qsizetype at = 0; at < kReply.size(); at += size) {
            const ParserStatus status = document.parse(kReply.mid(at, size), &error);
            EXPECT_FALSE(error);
            EXPECT_EQ(status,
                      at + size < kReply.size() ? ParserStatusInsufficientData : ParserStatusOK);
        }
        EXPECT_EQ(document.parserStatus(), ParserStatusOK);
        EXPECT_EQ(document.root(), json_JSON(kReply)) << size;
        EXPECT_EQ(document.root().toMap().value("posts").toList().size(), 2);
    }
}

TEST_F(JsonDocumentTest, ChunkThatStopsEarlyKeepsTheCompletedMembers) {
    JsonDocument document;
    std::optional<ns::Error> error;
    EXPECT_EQ(document.parse(R"({"a":1,"b":[1,2)", &error), ParserStatusInsufficientData);
    EXPECT_FALSE(error);
    EXPECT_EQ(document.root(), (QVariantMap{{"a", 1LL}}));
    EXPECT_EQ(document.parse(R"(],"c":{"d":"e"}})", &error), ParserStatusOK);
    EXPECT_EQ(
        document.root(),
        (QVariantMap{{"a", 1LL}, {"b", QVariantList{1LL, 2LL}}, {"c", QVariantMap{{"d", "e"}}}}));
}

TEST_F(JsonDocumentTest, ChunksIgnoreTextAfterTheValueAndFinalStatusesStay) {
    JsonDocument document;
    EXPECT_EQ(document.parse(R"({"a":1} {"b":)"), ParserStatusOK);
    EXPECT_EQ(document.parse("garbage"), ParserStatusOK);
    EXPECT_EQ(document.root(), (QVariantMap{{"a", 1LL}}));

    JsonDocument broken;
    std::optional<ns::Error> error;
    EXPECT_EQ(broken.parse("[1,}", &error), ParserStatusError);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), 3);
    EXPECT_EQ(broken.parse("[1]", &error), ParserStatusError);
    EXPECT_TRUE(error);
}

TEST_F(JsonDocumentTest, WholeTextConstructorReportsTheEnd) {
    std::optional<ns::Error> error;
    const JsonDocument cut(QByteArray(R"({"a":1,"b":)"), 0, &error);
    EXPECT_EQ(cut.parserStatus(), ParserStatusError);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->localizedDescription(), "unexpected end of input");

    const JsonDocument whole(QByteArray(R"([true])"), 0, &error);
    EXPECT_EQ(whole.parserStatus(), ParserStatusOK);
    EXPECT_FALSE(error);
    EXPECT_EQ(whole.root(), QVariantList{true});
}

// A reader that cuts strings past 16 bytes keeps numbers and short strings whole, cuts the
// rest at the first whole character or escape from the 16th byte on (a pair of escapes is one
// character), never holds more of a string than that, and builds the same tree however the
// text is split. Number literals count one by one, however many come in a row.
TEST_F(JsonDocumentTest, StringsPastTheLongestAreCutAsTheyComeWhateverTheChunks) {
    constexpr qsizetype kLongest = 16;
    const QByteArray longKey(40, 'k');
    QByteArray numbers;  // 1,800 digits in all
    QVariantList numbersRead;
    for (int number = 100; number < 700; ++number) {
        numbers += (numbers.isEmpty() ? "" : ",") + QByteArray::number(number);
        numbersRead.append(qint64(number));
    }
    const QByteArray text =
        R"({"id":9000000000001,"short":"看房","t":")" + QByteArray(40000, 'a') + R"(","cn":")" +
        QString(20, QChar(0x957F)).toUtf8() + R"(","esc":")" + QByteArray(R"(\u0041)").repeated(5) +
        R"(","quote":"0123456789abcdefgh\"}]\\)" + QByteArray(R"(\")") +
        R"(","exact":"0123456789abcdef",")" + longKey + R"(":[1.5,true,null],"n":-12,)" +
        R"("pair":"0123456789ab\uD83D\uDE00cd","numbers":[)" + numbers + "]}";
    const QVariantMap expected{
        {"id", 9000000000001LL},
        {"short", QStringLiteral("看房")},
        {"t", QString(kLongest, 'a')},
        {"cn", QString(6, QChar(0x957F))},  // 18 bytes: no character cut in two
        {"esc", QStringLiteral("AAA")},     // 18 bytes of escapes, none cut
        {"quote", QStringLiteral("0123456789abcdef")},
        {"exact", QStringLiteral("0123456789abcdef")},
        {QString(kLongest, 'k'), QVariantList{1.5, true, QString("")}},
        {"n", -12LL},
        {"pair", QStringLiteral("0123456789ab😀")},  // its second half from the 18th byte
        {"numbers", numbersRead}};
    for (const qsizetype size :
         {qsizetype(1), qsizetype(2), qsizetype(3), qsizetype(7), qsizetype(4096), text.size()}) {
        JsonDocument document(0, JsonDocument::Room::Own);
        document.setLongestString(kLongest);
        std::optional<ns::Error> error;
        for (qsizetype at = 0; at < text.size(); at += size)
            document.parse(text.mid(at, size), &error);
        EXPECT_FALSE(error) << size;
        EXPECT_EQ(document.parserStatus(), ParserStatusOK) << size;
        EXPECT_EQ(document.root(), QVariant(expected))
            << size << " " << json_JSONString(document.root()).left(300).toStdString();
        EXPECT_LT(document.keptBytes(), 400 + numbers.size()) << size;
    }
    // Nothing cut: the whole text is read.
    JsonDocument whole;
    EXPECT_EQ(whole.parse(text), ParserStatusOK);
    EXPECT_EQ(whole.keptBytes(), text.size());
    EXPECT_EQ(whole.root().toMap().value("t").toString().size(), 40000);

    // A number literal longer than any number is refused rather than held whole, in the
    // value; after it, it is text never read.
    constexpr qsizetype kLongestNumber = 1024;  // the documented bound
    for (const qsizetype digits : {kLongestNumber, kLongestNumber + 1}) {
        JsonDocument numbers;
        numbers.setLongestString(kLongest);
        std::optional<ns::Error> error;
        numbers.parse("[0." + QByteArray(digits - 2, '7'), &error);
        numbers.parse("]", &error);
        EXPECT_EQ(numbers.parserStatus(),
                  digits > kLongestNumber ? ParserStatusError : ParserStatusOK);
        EXPECT_EQ(error ? error->code() : 0, digits > kLongestNumber ? kJsonErrorTooLong : 0);
    }
    JsonDocument after;
    after.setLongestString(kLongest);
    EXPECT_EQ(after.parse("[1] " + QByteArray(kLongestNumber + 1, '7')), ParserStatusOK);

    // A \u escape cut short by a quote in the part skipped ends its string at that quote, and
    // what follows is read, however the text is split.
    const QByteArray escapeCutShort = R"({"s":"0123456789abcdefgh\u12","after":1})";
    for (qsizetype size = 1; size <= escapeCutShort.size(); ++size) {
        JsonDocument document(0, JsonDocument::Room::Own);
        document.setLongestString(kLongest);
        for (qsizetype at = 0; at < escapeCutShort.size(); at += size)
            document.parse(escapeCutShort.mid(at, size));
        EXPECT_EQ(document.parserStatus(), ParserStatusOK) << size;
        EXPECT_EQ(document.root(),
                  QVariant(QVariantMap{{"s", QStringLiteral("0123456789abcdef")}, {"after", 1LL}}))
            << size;
    }
}

// A reader of many records may leave out the numbers it cannot read and read on: a number
// that overflows a double, and one longer than 1,024 characters, cut after a digit so that
// what is read of it is a number and skipped after, however the text is split.
TEST_F(JsonDocumentTest, NumbersThatCannotBeReadAreLeftOutWhenAskedAndTheReadingGoesOn) {
    const QByteArray exponentAtTheBound = QByteArray(1023, '1') + "e" + QByteArray(2000, '7');
    const QByteArray text = R"({"a":[1e400,2],"b":)" + exponentAtTheBound + R"(,"c":[-)" +
                            QByteArray(1024, '9') + R"(.5,3],"d":")" + QByteArray(100, 'x') +
                            R"(","e":4})";
    const QVariantMap expected{
        {"a", QVariantList{2LL}}, {"c", QVariantList{3LL}}, {"d", QString(16, 'x')}, {"e", 4LL}};
    for (const qsizetype size : {qsizetype(1), qsizetype(5), qsizetype(1024), text.size()}) {
        JsonParser parser;
        parser.setLongestString(16);
        parser.setLeavesOutUnreadableNumbers(true);
        JsonDocument tree;
        parser.setDelegate(&tree);
        ParserStatus status = ParserStatusNone;
        for (qsizetype at = 0; at < text.size(); at += size)
            status = parser.parse(text.mid(at, size));
        EXPECT_EQ(status, ParserStatusOK) << size;
        EXPECT_FALSE(parser.parserError()) << size;
        EXPECT_EQ(tree.root(), QVariant(expected)) << size;
        EXPECT_EQ(parser.leftOutNumbers(), 3) << size;
        EXPECT_EQ(parser.lastLeftOut(), "number longer than 1024 characters") << size;
        // Of a long literal its first 1,024 characters are read (and a digit more after an
        // exponent's "e"), the rest skipped as a long text's is.
        EXPECT_EQ(parser.keptBytes(), text.size() - 1999 - 3 - 84) << size;
    }
    // Not asked, the first such number stops the reading.
    JsonParser strict;
    strict.setLongestString(16);
    EXPECT_EQ(strict.parse(text), ParserStatusError);
    EXPECT_EQ(strict.parserError()->code(), kJsonErrorDoubleOverflow);
}

// Writes every event as a word, to check their order.
class Recorder : public JsonParserDelegate, public JsonDocumentDelegate {
public:
    QStringList events;

    void parserDidStartDictionary(JsonParser&) override { events << "{"; }
    void parserDidEndDictionary(JsonParser&) override { events << "}"; }
    void parserDidStartArray(JsonParser&) override { events << "["; }
    void parserDidEndArray(JsonParser&) override { events << "]"; }
    void parserDidMapKey(JsonParser&, const QString& key) override { events << "key:" + key; }
    void parserDidAdd(JsonParser&, QVariant&& value) override {
        events << QStringLiteral("%1:%2").arg(value.typeName(), value.toString());
    }

    void documentDidAddDictionary(JsonDocument&, const QVariantMap& dictionary) override {
        events << QStringLiteral("dictionary(%1)").arg(dictionary.size());
    }
    void documentDidAddArray(JsonDocument&, const QVariantList& array) override {
        events << QStringLiteral("array(%1)").arg(array.size());
    }
    void documentDidAddObjectToArray(JsonDocument&, const QVariant& object,
                                     const QVariantList& array) override {
        events << QStringLiteral("append %1 at %2").arg(object.toString()).arg(array.size() - 1);
    }
    void documentDidSetObjectForKey(JsonDocument&, const QVariant& object,
                                    const QString& key) override {
        events << QStringLiteral("set %1=%2").arg(key, object.toString());
    }
};

TEST_F(JsonDocumentTest, RecordsOfOneShapeOrAnotherKeepTheirOwnMembers) {
    // Records with the same keys, then the same keys in another order, a key repeated (the
    // later value wins), fewer keys, and the first shape again; twice, as replies come.
    const QByteArray text =
        R"([{"b":1,"a":2,"c":3},{"b":4,"a":5,"c":6},{"a":7,"b":8,"c":9},)"
        R"({"b":10,"a":11,"b":12},{"b":13,"a":14,"b":15},{"c":16},{"b":17,"a":18,"c":19}])";
    const QVariantList expected{
        QVariantMap{{"a", 2}, {"b", 1}, {"c", 3}},
        QVariantMap{{"a", 5}, {"b", 4}, {"c", 6}},
        QVariantMap{{"a", 7}, {"b", 8}, {"c", 9}},
        QVariantMap{{"a", 11}, {"b", 12}},
        QVariantMap{{"a", 14}, {"b", 15}},
        QVariantMap{{"c", 16}},
        QVariantMap{{"a", 18}, {"b", 17}, {"c", 19}},
    };
    for (int reply = 0; reply < 2; ++reply) {
        const QVariantList records = json_JSON(text).toList();
        ASSERT_EQ(records.size(), expected.size());
        for (qsizetype i = 0; i < records.size(); ++i) {
            // Compared member by member: the numbers are 64-bit, the expected ones int.
            const QVariantMap record = records[i].toMap();
            const QVariantMap wanted = expected[i].toMap();
            EXPECT_EQ(record.keys(), wanted.keys()) << i;
            for (const QString& key : wanted.keys())
                EXPECT_EQ(record.value(key).toLongLong(), wanted.value(key).toLongLong()) << i;
        }
    }
    // A document read while another is open on the same thread builds its own tree.
    JsonDocument outer;
    outer.parse(R"({"b":1,"a":)");
    EXPECT_EQ(json_JSON(QByteArray(R"({"b":2,"a":3})")).toMap().value("a").toLongLong(), 3);
    outer.parse(R"(4})");
    EXPECT_EQ(outer.root().toMap().value("a").toLongLong(), 4);
    EXPECT_EQ(outer.root().toMap().value("b").toLongLong(), 1);
}

TEST_F(JsonDocumentTest, ParserEventsComeInTextOrder) {
    Recorder recorder;
    JsonParser parser;
    parser.setDelegate(&recorder);
    EXPECT_EQ(parser.parse(R"({"k":[1,"s",null,true,2.5],"m":{}})"), ParserStatusOK);
    EXPECT_EQ(recorder.events,
              (QStringList{"{", "key:k", "[", "qlonglong:1", "QString:s", "QString:", "bool:true",
                           "double:2.5", "]", "key:m", "{", "}", "}"}));
}

TEST_F(JsonDocumentTest, DocumentDelegateHearsValuesBeforeTheirContainer) {
    Recorder recorder;
    JsonDocument document;
    document.setDelegate(&recorder);
    EXPECT_EQ(document.parse(R"({"a":[7,8],"b":"x"})"), ParserStatusOK);
    EXPECT_EQ(recorder.events, (QStringList{"append 7 at 0", "append 8 at 1", "set a=", "array(2)",
                                            "set b=x", "dictionary(2)"}));
}

}  // namespace
