#include "IMChat/qximlib/QXIMPacketReader.h"

#include "net/transport/Json.h"

#include <gtest/gtest.h>

namespace {

QByteArray packet(qint64 id, const QByteArray& contents) {
    return R"({"msgs":[{"contents":)" + contents + R"(,"id":)" + QByteArray::number(id) +
           R"(}],"talk":{"fromTalkId":"880001-42","toTalkId":"42-880001"}})";
}

QVariantMap idsOf(qint64 id) {
    return {{"msgs", QVariantList{QVariantMap{{"id", id}}}},
            {"talk", QVariantMap{{"fromTalkId", "880001-42"}, {"toTalkId", "42-880001"}}}};
}

// Reads `text` in pieces of `size` bytes.
ParserStatus readInPieces(QXIMPacketReader& reader, const QByteArray& text, qsizetype size) {
    ParserStatus status = ParserStatusNone;
    for (qsizetype at = 0; at < text.size(); at += size) status = reader.read(text.mid(at, size));
    return status;
}

// A reply's packets that cannot be read are set aside with the ids they name, read after
// what made them unreadable; the others are read as ever, whatever the pieces. A packet keeps
// its bound exactly, and what the refused ones held does not count as kept.
TEST(QXIMPacketReaderTest, APacketThatCannotBeReadIsSetAsideWithItsIdsAndTheOthersAreRead) {
    constexpr qint64 kMostPacketBytes = 1000;
    const QByteArray fits =
        packet(2, "[\"" + QByteArray(1000 - packet(2, "[\"\"]").size(), 'x') + "\"]");
    const QByteArray tooLong =
        packet(6, "[\"" + QByteArray(1001 - packet(6, "[\"\"]").size(), 'x') + "\"]");
    ASSERT_EQ(fits.size(), 1000);
    ASSERT_EQ(tooLong.size(), 1001);
    QByteArray manyFields = "[1";
    while (manyFields.size() < 2000) manyFields += ",1";
    const QList<QByteArray> refusedPackets{packet(1, "[" + QByteArray(1025, '1') + "]"),
                                           packet(3, manyFields + "]"), packet(4, "[1e400]"),
                                           tooLong};
    const QByteArray text = R"({"requestTime":5,"data":[)" + refusedPackets[0] + "," + fits + "," +
                            refusedPackets[1] + "," + refusedPackets[2] + "," +
                            packet(5, R"(["你好"])") + "," + refusedPackets[3] + ",7]}";
    const QVariantMap expected{
        {"requestTime", 5LL},
        {"data", QVariantList{json_JSON(QVariant(fits)),
                              json_JSON(QVariant(packet(5, R"(["你好"])"))), 7LL}}};
    qsizetype refusedBytes = 0;
    for (const QByteArray& refused : refusedPackets) refusedBytes += refused.size();
    for (const qsizetype size : {qsizetype(1), qsizetype(3), qsizetype(100), text.size()}) {
        QXIMPacketReader reader(QXIMPacketReader::Shape::Reply, kMostPacketBytes);
        EXPECT_EQ(readInPieces(reader, text, size), ParserStatusOK) << size;
        EXPECT_EQ(reader.value(), QVariant(expected)) << size;
        ASSERT_EQ(reader.refused().size(), 4) << size;
        const QStringList reasons{"number longer than 1024 characters",
                                  "longer than 1000 bytes with its strings cut to 16384 bytes",
                                  "double overflow on '1e400'",
                                  "longer than 1000 bytes with its strings cut to 16384 bytes"};
        const QList<qint64> ids{1, 3, 4, 6};
        for (int n = 0; n < 4; ++n) {
            EXPECT_EQ(reader.refused()[n].ids, idsOf(ids[n])) << size << " " << n;
            EXPECT_EQ(reader.refused()[n].reason, reasons[n]) << size << " " << n;
            EXPECT_TRUE(QXIMPacketReader::namesMessages(reader.refused()[n].ids));
        }
        EXPECT_EQ(reader.keptBytes(), text.size() - refusedBytes) << size;
    }
}

// A stream segment's payload is one packet; a fetch may bring its packets under "params"; a
// reply given up or broken off holds what was read whole before; ids read from no talk or of
// no message name nothing to acknowledge.
TEST(QXIMPacketReaderTest, APacketAloneRepliesOfEitherShapeAndRepliesCutShort) {
    QXIMPacketReader alone(QXIMPacketReader::Shape::Packet, 1000);
    EXPECT_EQ(alone.read(packet(9, "[1e999]")), ParserStatusOK);
    EXPECT_FALSE(alone.value().isValid());
    ASSERT_EQ(alone.refused().size(), 1);
    EXPECT_EQ(alone.refused()[0].ids, idsOf(9));
    QXIMPacketReader read(QXIMPacketReader::Shape::Packet, 1000);
    EXPECT_EQ(read.read(packet(9, "[1]")), ParserStatusOK);
    EXPECT_EQ(read.value(), json_JSON(QVariant(packet(9, "[1]"))));
    EXPECT_TRUE(read.refused().isEmpty());

    const QByteArray params = R"({"params":{"errorno":0,"data":[)" + packet(1, "[1]") + "," +
                              packet(2, "[1e400]") + "]}}";
    QXIMPacketReader underParams(QXIMPacketReader::Shape::Reply, 1000);
    EXPECT_EQ(underParams.read(params), ParserStatusOK);
    EXPECT_EQ(underParams.value(),
              QVariant(QVariantMap{
                  {"params",
                   QVariantMap{{"errorno", 0LL},
                               {"data", QVariantList{json_JSON(QVariant(packet(1, "[1]")))}}}}}));
    EXPECT_EQ(underParams.refused().size(), 1);

    // Broken off in the third packet, after a refused one: the first is read.
    const QByteArray cutShort = R"({"requestTime":5,"data":[)" + packet(1, "[1]") + "," +
                                packet(2, "[1e400]") + "," + packet(3, "[1]").left(20);
    QXIMPacketReader given(QXIMPacketReader::Shape::Reply, 1000);
    EXPECT_EQ(readInPieces(given, cutShort, 7), ParserStatusInsufficientData);
    EXPECT_EQ(given.value(),
              QVariant(QVariantMap{{"requestTime", 5LL},
                                   {"data", QVariantList{json_JSON(QVariant(packet(1, "[1]")))}}}));
    EXPECT_EQ(given.refused().size(), 1);
    // A syntax error stops the reading: what came before stands, the packet under way is lost.
    QXIMPacketReader broken(QXIMPacketReader::Shape::Reply, 1000);
    EXPECT_EQ(broken.read(R"({"data":[)" + packet(1, "[1]") + R"(,{"msgs":[{"id":2} 1e400]}]})"),
              ParserStatusError);
    EXPECT_EQ(broken.value().toMap().value("data").toList().size(), 1);
    EXPECT_TRUE(broken.refused().isEmpty());

    EXPECT_FALSE(QXIMPacketReader::namesMessages({{"msgs", idsOf(1).value("msgs")}}));
    EXPECT_FALSE(QXIMPacketReader::namesMessages({{"talk", idsOf(1).value("talk")}}));
}

}  // namespace
