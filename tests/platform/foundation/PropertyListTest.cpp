#include "platform/foundation/property_list.h"

#include "platform/foundation/file_manager.h"
#include "platform/foundation/sandbox.h"

#include "SandboxTest.h"

#include <QDateTime>
#include <QPoint>
#include <QTimeZone>
#include <QUrl>

#include <limits>

namespace {

using Format = ns::PropertyList::Format;

QDateTime utc(int year, int month, int day, int hour, int minute, int second, int msec = 0) {
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second, msec), QTimeZone::utc());
}

// A tree with every kind of value, the way the app's caches and settings hold them.
QVariantMap sampleTree(bool wholeSeconds) {
    QByteArray everyByte;
    for (int i = 0; i < 256; ++i) everyByte.append(char(i));
    const int msec = wholeSeconds ? 0 : 250;
    return {
        {QStringLiteral("cityName"), QStringLiteral("北京")},
        {QStringLiteral("标题"), QStringLiteral("朝阳区 两室一厅 <急租> & \"拎包入住\"")},
        {QStringLiteral("empty"), QString()},
        {QStringLiteral("controls"), QStringLiteral("tab\tnew line\ncarriage\r bell\a")},
        {QStringLiteral("maxInt"), std::numeric_limits<qint64>::max()},
        {QStringLiteral("minInt"), std::numeric_limits<qint64>::min()},
        {QStringLiteral("negative"), qint64(-401)},
        {QStringLiteral("bigUnsigned"), std::numeric_limits<quint64>::max()},
        {QStringLiteral("price"), 3500.75},
        {QStringLiteral("tiny"), 1e-300},
        {QStringLiteral("yes"), true},
        {QStringLiteral("no"), false},
        {QStringLiteral("now"), utc(2026, 6, 1, 8, 0, 0, msec)},
        {QStringLiteral("beforeReference"), utc(1999, 12, 31, 23, 59, 59, msec)},
        {QStringLiteral("longAgo"), utc(1850, 1, 1, 0, 0, 0)},
        {QStringLiteral("farAhead"), utc(2100, 1, 1, 12, 0, 0)},
        {QStringLiteral("bytes"), everyByte},
        {QStringLiteral("noBytes"), QByteArray("")},
        {QStringLiteral("uid"), QVariant::fromValue(ns::PropertyListUID{42})},
        {QStringLiteral("nested"),
         QVariantList{
             QVariantMap{{QStringLiteral("fs"),
                          QVariantList{QVariantMap{{QStringLiteral("n"), QStringLiteral("一室")},
                                                   {QStringLiteral("v"), qint64(1)}}}}},
             QVariantList{}, QVariantMap{}}},
    };
}

class PropertyListTest : public SandboxTest {};

TEST_F(PropertyListTest, XmlAndBinaryRoundTripEveryKindOfValue) {
    for (const Format format : {Format::Xml, Format::Binary}) {
        SCOPED_TRACE(format == Format::Xml ? "xml" : "binary");
        // XML keeps dates to the second, as the format does.
        const QVariantMap tree = sampleTree(format == Format::Xml);
        ns::Error error;
        const QByteArray data = ns::PropertyList::dataWithPropertyList(tree, format, &error);
        ASSERT_FALSE(data.isEmpty()) << error.localizedDescription().toStdString();
        Format found = format == Format::Xml ? Format::Binary : Format::Xml;
        const QVariant back = ns::PropertyList::propertyListWithData(data, &found, &error);
        EXPECT_EQ(found, format);
        ASSERT_EQ(back.typeId(), QMetaType::QVariantMap);
        const QVariantMap map = back.toMap();
        ASSERT_EQ(map.keys(), tree.keys());
        for (auto it = tree.cbegin(); it != tree.cend(); ++it) {
            EXPECT_EQ(map.value(it.key()), it.value()) << it.key().toStdString();
            EXPECT_EQ(map.value(it.key()).typeId(), it.value().typeId()) << it.key().toStdString();
        }
    }
}

TEST_F(PropertyListTest, XmlIsTheFormatsOwnText) {
    const QVariantMap value{{QStringLiteral("cityId"), 401},
                            {QStringLiteral("name"), QStringLiteral("上海 & <浦东>")},
                            {QStringLiteral("since"), utc(2001, 1, 1, 0, 0, 7)},
                            {QStringLiteral("ratio"), 0.5f},
                            {QStringLiteral("token"), QByteArray("\x01\x02\xff", 3)},
                            {QStringLiteral("on"), true}};
    const QString xml = QString::fromUtf8(ns::PropertyList::dataWithPropertyList(value));
    EXPECT_TRUE(xml.startsWith(QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>")));
    EXPECT_TRUE(xml.contains(QStringLiteral("<key>cityId</key>\n\t<integer>401</integer>")));
    EXPECT_TRUE(xml.contains(QStringLiteral("<string>上海 &amp; &lt;浦东&gt;</string>")));
    EXPECT_TRUE(xml.contains(QStringLiteral("<date>2001-01-01T00:00:07Z</date>")));
    EXPECT_TRUE(xml.contains(QStringLiteral("<real>0.5</real>")));
    EXPECT_TRUE(xml.contains(QStringLiteral("AQL/")));  // base64 of the data
    EXPECT_TRUE(xml.contains(QStringLiteral("<true/>")));
}

TEST_F(PropertyListTest, ReadsHandWrittenResourceFiles) {
    const QByteArray xml = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist>
<plist version="1.0">
<!-- facilities in display order -->
<array>
  <dict>
    <key>key</key><string>kuandai</string>
    <key>value</key><string>&#23485;&#x5E26;<![CDATA[ <net> ]]></string>
  </dict>
  <dict><key>key</key><string/><key>count</key><integer>-3</integer><key>r</key><real>2</real></dict>
  <date>1970-01-01T00:00:00Z</date>
</array>
</plist>
)";
    const QVariantList list = ns::PropertyList::propertyListWithData(xml).toList();
    ASSERT_EQ(list.size(), 3);
    EXPECT_EQ(list[0].toMap().value("value").toString(), QStringLiteral("宽带 <net> "));
    EXPECT_EQ(list[1].toMap().value("key"), QVariant(QString()));
    EXPECT_EQ(list[1].toMap().value("count"), QVariant(qint64(-3)));
    EXPECT_EQ(list[1].toMap().value("r"), QVariant(2.0));
    EXPECT_EQ(list[2].toDateTime(), utc(1970, 1, 1, 0, 0, 0));
}

TEST_F(PropertyListTest, UnreadableBytesGiveNilAndAnError) {
    const QByteArray xml = ns::PropertyList::dataWithPropertyList(sampleTree(true));
    const QByteArray binary =
        ns::PropertyList::dataWithPropertyList(sampleTree(false), Format::Binary);
    const QList<QByteArray> broken{
        QByteArray(),
        QByteArray("not a property list"),
        xml.left(xml.size() / 2),  // a file cut short
        binary.left(binary.size() - 10),
        QByteArray("bplist00") + QByteArray(40, '\xff'),
    };
    for (const QByteArray& bytes : broken) {
        ns::Error error;
        EXPECT_FALSE(ns::PropertyList::propertyListWithData(bytes, nullptr, &error).isValid());
        EXPECT_EQ(error.code(), ns::PropertyList::kReadCorruptError);
        EXPECT_EQ(error.domain(), ns::Error::kCocoaErrorDomain);
    }
}

// A binary property list made by hand: the objects as encoded, one-byte offsets and
// references, the top object first.
QByteArray binaryDocument(const QList<QByteArray>& objects, quint8 top = 0) {
    QByteArray document("bplist00");
    QByteArray offsets;
    for (const QByteArray& object : objects) {
        offsets += char(document.size());
        document += object;
    }
    const int table = int(document.size());
    document += offsets;
    QByteArray trailer(32, '\0');
    trailer[6] = 1;
    trailer[7] = 1;
    trailer[15] = char(objects.size());
    trailer[23] = char(top);
    trailer[31] = char(table);
    return document + trailer;
}

TEST_F(PropertyListTest, DamagedBinaryDocumentsAreRefusedNeverTrusted) {
    // The one that stopped the program: a dictionary key holding a NUL byte.
    const QByteArray nulKey =
        binaryDocument({QByteArray("\xD1\x01\x02", 3), QByteArray("\x53k\0y", 4), "\x51v"});
    // A text holding U+0000, which could never be written back.
    const QByteArray nulText =
        binaryDocument({"\xD1\x01\x02", "\x51k", QByteArray("\x62\x00\x61\x00\x00", 5)});
    const QList<std::pair<const char*, QByteArray>> damaged{
        {"NUL in a key", nulKey},
        {"NUL in a UTF-16 text", nulText},
        {"an array holding itself", binaryDocument({"\xA1\x00"})},
        {"a loop through two arrays", binaryDocument({"\xA1\x01", "\xA1\x00"})},
        {"a reference past the objects", binaryDocument({"\xA1\x07"})},
        {"a key that is no text", binaryDocument({"\xD1\x01\x01", "\x10\x05"})},
        {"a text longer than the document", binaryDocument({"\x5F\x10\x7F"
                                                            "abc"})},
        {"a count longer than the document",
         binaryDocument({"\xAF\x13\x7F\xFF\xFF\xFF\xFF\xFF\xFF\xFF"})},
        {"an integer cut short", binaryDocument({"\x13\x01\x02"})},
        {"a null", binaryDocument({QByteArray(1, '\0')})},
        {"half a surrogate pair", binaryDocument({QByteArray("\x61\xD8\x00", 3)})},
        {"a reference beyond 32 bits", binaryDocument({"\x84\x01\x02\x03\x04\x05"})},
        {"an unknown marker", binaryDocument({"\xF0"})},
        {"a top object past the count", binaryDocument({"\x09"}, 3)},
        {"the trailer alone", QByteArray("bplist00") + QByteArray(32, '\0')},
        {"an offset table past the end", binaryDocument({"\x09"}).chopped(1) + "\xF0"},
        {"an offset past the objects", binaryDocument({"\x09"}).replace(9, 1, "\x30")},
    };
    for (const auto& [what, bytes] : damaged) {
        ns::Error error;
        EXPECT_FALSE(ns::PropertyList::propertyListWithData(bytes, nullptr, &error).isValid())
            << what;
        EXPECT_EQ(error.code(), ns::PropertyList::kReadCorruptError) << what;
    }
    // Every cut of a sound document is refused too, and no byte changed breaks the reader.
    const QByteArray sound =
        ns::PropertyList::dataWithPropertyList(sampleTree(false), Format::Binary);
    for (qsizetype length = 0; length < sound.size(); ++length)
        EXPECT_FALSE(ns::PropertyList::propertyListWithData(sound.left(length)).isValid())
            << length;
    for (qsizetype at = 0; at < sound.size(); ++at) {
        QByteArray changed = sound;
        changed[at] = char(~changed[at]);
        (void)ns::PropertyList::propertyListWithData(changed);
    }

    // The writer refuses such a reference as well, rather than cut it to 32 bits.
    EXPECT_TRUE(ns::PropertyList::dataWithPropertyList(
                    QVariant::fromValue(ns::PropertyListUID{Q_UINT64_C(1) << 40}), Format::Binary)
                    .isEmpty());

    // Sound hand-made documents still read: a shared object is read once, used twice.
    EXPECT_EQ(ns::PropertyList::propertyListWithData(binaryDocument({"\xA2\x01\x01", "\x51x"})),
              (QVariantList{"x", "x"}));
}

TEST_F(PropertyListTest, RefusesValuesItCannotHoldAndWritesNothing) {
    const QString path = ns::Sandbox::documents() + QStringLiteral("/filters");
    ASSERT_TRUE(ns::writeToFile(QVariantMap{{QStringLiteral("v"), 1}}, path, true));
    const QByteArray before = *ns::FileManager::contentsAtPath(path);

    const QList<QVariant> refused{
        QVariant(),
        QVariant::fromValue(nullptr),  // the null of a JSON reply
        QUrl(QStringLiteral("http://example.com/")),
        QPoint(1, 2),
        QDateTime(),
        QString::fromUtf8("a\0b", 3),  // the format's texts end at a NUL
        QVariantMap{{QStringLiteral("ok"), 1},
                    {QStringLiteral("msg"), QVariant::fromValue(nullptr)}},
        QVariantList{1, 2, QVariantList{QUrl()}},
    };
    for (const QVariant& value : refused) {
        SCOPED_TRACE(value.typeName() ? value.typeName() : "nil");
        ns::Error error;
        EXPECT_TRUE(ns::PropertyList::dataWithPropertyList(value, Format::Xml, &error).isEmpty());
        EXPECT_EQ(error.code(), ns::PropertyList::kWriteInvalidError);
        EXPECT_TRUE(ns::PropertyList::dataWithPropertyList(value, Format::Binary).isEmpty());
        EXPECT_FALSE(ns::PropertyList::isValid(value));
        EXPECT_FALSE(ns::PropertyList::writeFile(value, path, true));
        EXPECT_FALSE(ns::PropertyList::writeFile(value, path, false));
        EXPECT_EQ(*ns::FileManager::contentsAtPath(path), before);
    }
    ns::Error error;
    EXPECT_TRUE(ns::PropertyList::dataWithPropertyList(refused[6], Format::Xml, &error).isEmpty());
    EXPECT_TRUE(error.localizedDescription().contains(QStringLiteral("root.msg")));
    // Only collections write themselves.
    EXPECT_FALSE(ns::writeToFile(QStringLiteral("text"), path, true));
    EXPECT_EQ(*ns::FileManager::contentsAtPath(path), before);
}

TEST_F(PropertyListTest, CanonicalFormIsWhatReadingBackGives) {
    const QVariant value =
        QVariantMap{{QStringLiteral("count"), 7},
                    {QStringLiteral("ratio"), 0.25f},
                    {QStringLiteral("tags"), QStringList{QStringLiteral("a")}},
                    {QStringLiteral("hash"), QVariantHash{{QStringLiteral("k"), 1u}}}};
    const QVariant canonical = ns::PropertyList::canonical(value);
    const QVariant readBack =
        ns::PropertyList::propertyListWithData(ns::PropertyList::dataWithPropertyList(value));
    EXPECT_EQ(canonical, readBack);
    const QVariantMap map = canonical.toMap();
    EXPECT_EQ(map.value("count").typeId(), QMetaType::LongLong);
    EXPECT_EQ(map.value("ratio").typeId(), QMetaType::Double);
    EXPECT_EQ(map.value("tags").typeId(), QMetaType::QVariantList);
    EXPECT_EQ(map.value("hash").typeId(), QMetaType::QVariantMap);
}

TEST_F(PropertyListTest, CollectionFileHelpersAnswerOnlyForTheirKind) {
    const QString dictPath = ns::Sandbox::documents() + QStringLiteral("/hasReadPostId");
    const QString arrayPath = ns::Sandbox::documents() + QStringLiteral("/cata.xml");
    const QString binaryPath = ns::Sandbox::documents() + QStringLiteral("/binary");
    ASSERT_TRUE(ns::writeToFile(QVariantMap{{QStringLiteral("93311"), QStringLiteral("1")}},
                                dictPath, true));
    ASSERT_TRUE(ns::writeToFile(QVariantList{QStringLiteral("房产")}, arrayPath, false));
    ASSERT_TRUE(ns::PropertyList::writeFile(QVariantList{1}, binaryPath, true, Format::Binary));

    EXPECT_EQ(ns::dictionaryWithContentsOfFile(dictPath)->value("93311").toString(), "1");
    EXPECT_EQ(ns::arrayWithContentsOfFile(arrayPath)->value(0).toString(), QStringLiteral("房产"));
    EXPECT_EQ(*ns::arrayWithContentsOfFile(binaryPath), QVariantList{qint64(1)});
    EXPECT_FALSE(ns::dictionaryWithContentsOfFile(arrayPath));
    EXPECT_FALSE(ns::arrayWithContentsOfFile(dictPath));
    EXPECT_FALSE(ns::dictionaryWithContentsOfFile(dictPath + QStringLiteral("-missing")));

    ns::Error error;
    EXPECT_FALSE(ns::PropertyList::readFile(dictPath + QStringLiteral("-missing"), nullptr, &error)
                     .isValid());
    EXPECT_EQ(error.code(), ns::FileManager::kFileReadNoSuchFileError);
}

}  // namespace
