#include "IMChat/qximlib/QXIMPacketReader.h"

#include "net/transport/Json.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

QByteArray packet(qint64 id, const QByteArray& contents) {
    return R"({"msgs":[{"contents":)" + contents + R"(,"id":)" + QByteArray::number(id) +
           R"(}],"talk":{"fromTalkId":"880001-42","toTalkId":"42-880001"}})";
}

// A packet that cannot be read (a number past a double) naming `ids` and `talk`.
QByteArray refusedPacket(
    const QList<qint64>& ids,
    const QByteArray& talk = R"({"fromTalkId":"880001-42","toTalkId":"42-880001"})") {
    QByteArray messages;
    for (const qint64 id : ids) messages += R"({"id":)" + QByteArray::number(id) + "},";
    return R"({"msgs":[)" + messages + R"({"contents":[1e400]}],"talk":)" + talk + "}";
}

QList<qint64> idsFrom(qint64 first, qint64 last) {
    QList<qint64> ids;
    for (qint64 id = first; id <= last; ++id) ids.append(id);
    return ids;
}

// The talks a reader's refused packets keep, each as "from/to: ids" with its ids in order.
QStringList talksOf(const QXIMPacketReader& reader) {
    QStringList talks;
    for (const auto& talk : reader.refused().talks) {
        QList<qint64> ids(talk.messageIds.cbegin(), talk.messageIds.cend());
        std::sort(ids.begin(), ids.end());
        QStringList texts;
        for (const qint64 id : ids) texts.append(QString::number(id));
        talks.append(talk.fromTalkId + "/" + talk.toTalkId + ": " + texts.join(','));
    }
    return talks;
}

// Reads `text` in pieces of `size` bytes.
ParserStatus readInPieces(QXIMPacketReader& reader, const QByteArray& text, qsizetype size) {
    ParserStatus status = ParserStatusNone;
    for (qsizetype at = 0; at < text.size(); at += size) status = reader.read(text.mid(at, size));
    return status;
}

// A reply's packets that cannot be read are set aside with the ids they name, read after
// what made them unreadable; the others are read as ever, whatever the pieces. A packet keeps
// its bound exactly; what the refused ones held does not count as kept, what they keep does.
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
        EXPECT_EQ(reader.refused().packets, 4) << size;
        EXPECT_EQ(reader.refused().unnamed, 0) << size;
        EXPECT_EQ(talksOf(reader), QStringList{"880001-42/42-880001: 1,3,4,6"}) << size;
        EXPECT_EQ(reader.refused().reasons,
                  (QStringList{"number longer than 1024 characters",
                               "longer than 1000 bytes with its strings cut to 16384 bytes",
                               "double overflow on '1e400'"}))
            << size;
        // The refused packets alone keep as much.
        QXIMPacketReader alone(QXIMPacketReader::Shape::Reply, kMostPacketBytes);
        const QByteArray refusedOnly = "[" + refusedPackets.join(',') + "]";
        alone.read(R"({"data":)" + refusedOnly + "}");
        EXPECT_EQ(alone.value(), QVariant(QVariantMap{{"data", QVariantList()}}));
        const qint64 refusedKeep = alone.keptBytes() - QByteArray(R"({"data":[,,,]})").size();
        EXPECT_GT(refusedKeep, 4 * QXIMPacketReader::kRefusedIdBytes);
        EXPECT_EQ(reader.keptBytes(), text.size() - refusedBytes + refusedKeep) << size;
    }
}

// What refused packets keep is bounded in bytes: each id once however many packets name it,
// ids grouped by the talk ids beside them, and an id past the bound counted, not kept, with
// the bound met exactly. A packet names what its tree would hold: the last of a member
// named twice, and an id read as a whole number.
TEST(QXIMPacketReaderTest, RefusedPacketsKeepEachIdOnceWithinTheirBoundInBytes) {
    const QByteArray otherTalk = R"({"fromTalkId":"880002-42","toTalkId":"42-880002"})";
    QXIMPacketReader reader(QXIMPacketReader::Shape::Reply, 1000);
    reader.read(R"({"data":[)" + refusedPacket(idsFrom(1, 10)));
    const qint64 once = reader.keptBytes();
    // The same packet again costs its comma only.
    reader.read("," + refusedPacket(idsFrom(1, 10)));
    EXPECT_EQ(reader.keptBytes(), once + 1);
    reader.read("," + refusedPacket(idsFrom(5, 15)) + "," + refusedPacket({1, 2}, otherTalk) + "," +
                refusedPacket({3}, R"({"fromTalkId":"880002-42"})") + "," +
                refusedPacket({4}, R"({"fromTalkId":7})") +
                // the last "talk", the last "id", a whole number as a double and as a text
                R"(,{"talk":{"toTalkId":"x"},"msgs":[{"id":5,"id":"6"},{"id":7e0},{"id":"8x"},)"
                R"({"id":[9]},{"contents":[1e400]}],"talk":)" +
                otherTalk + "}]}");
    EXPECT_EQ(reader.status(), ParserStatusOK);
    EXPECT_EQ(talksOf(reader),
              (QStringList{"880001-42/42-880001: 1,2,3,4,5,6,7,8,9,10,11,12,13,14,15",
                           "880002-42/42-880002: 1,2,6,7", "880002-42/: 3", "7/: 4"}));
    EXPECT_EQ(reader.refused().packets, 7);
    EXPECT_EQ(reader.refused().idsLeftOut, 0);

    // What a lone packet of 10 ids keeps is the bound that keeps 10 ids and not 11.
    QXIMPacketReader lone(QXIMPacketReader::Shape::Packet, 1000);
    lone.read(refusedPacket(idsFrom(1, 10)));
    const qint64 tenIds = lone.keptBytes();
    for (const qint64 last : {10, 11}) {
        QXIMPacketReader bounded(QXIMPacketReader::Shape::Packet, 1000, tenIds);
        bounded.read(refusedPacket(idsFrom(1, last)));
        ASSERT_EQ(bounded.refused().talks.size(), 1) << last;
        EXPECT_EQ(bounded.refused().talks[0].messageIds.size(), 10) << last;
        EXPECT_EQ(bounded.refused().idsLeftOut, last - 10) << last;
        EXPECT_EQ(bounded.keptBytes(), tenIds) << last;
    }
    // Past the bound a packet of 70,000 ids is counted whole: kept or left out.
    QXIMPacketReader many(QXIMPacketReader::Shape::Packet, 4 * 1024 * 1024);
    many.read(refusedPacket(idsFrom(1, 70000)));
    ASSERT_EQ(many.refused().talks.size(), 1);
    EXPECT_GT(many.refused().talks[0].messageIds.size(), 65000);
    EXPECT_EQ(many.refused().talks[0].messageIds.size() + many.refused().idsLeftOut, 70000);
    EXPECT_LE(many.keptBytes(), QXIMPacketReader::kMostRefusedBytes);
    // The default bound is 1 MB: 65,536 ids of 16 bytes at the most.
    EXPECT_LE(many.refused().talks[0].messageIds.size(), 65536);
    EXPECT_GE(many.refused().idsLeftOut, 4464);
    EXPECT_LE(many.keptBytes(), 1024 * 1024);
}

// The bound is looked at as each id is read, counting the ids of the packet under way: a
// second packet of a talk whose ids fill the bound to its last byte keeps them all, and an
// id more is left out. 280 bytes: the reason (26 characters), the talk (64 bytes and 18
// characters of ids), 8 ids.
TEST(QXIMPacketReaderTest, IdsThatFillTheBoundToItsLastByteAreKept) {
    for (const qint64 last : {8, 9}) {
        QXIMPacketReader reader(QXIMPacketReader::Shape::Reply, 1000, 280);
        reader.read(R"({"data":[)" + refusedPacket(idsFrom(1, 5)) + "," +
                    refusedPacket(idsFrom(6, last)) + "]}");
        EXPECT_EQ(reader.status(), ParserStatusOK) << last;
        EXPECT_EQ(talksOf(reader), QStringList{"880001-42/42-880001: 1,2,3,4,5,6,7,8"}) << last;
        EXPECT_EQ(reader.refused().idsLeftOut, last - 8) << last;
        EXPECT_EQ(reader.keptBytes(), QByteArray(R"({"data":[,]})").size() + 280) << last;
    }
}

// A talk kept anew costs the characters of its two ids, two bytes each: ids 100 characters
// longer cost 400 bytes more.
TEST(QXIMPacketReaderTest, ATalkKeptAnewCostsItsIdsCharacters) {
    const auto keptFor = [](qsizetype idLength) {
        QXIMPacketReader reader(QXIMPacketReader::Shape::Packet, 1000);
        reader.read(refusedPacket({1}, R"({"fromTalkId":")" + QByteArray(idLength, 'f') +
                                           R"(","toTalkId":")" + QByteArray(idLength, 't') +
                                           R"("})"));
        EXPECT_EQ(reader.refused().talks.size(), 1) << idLength;
        return reader.keptBytes();
    };
    EXPECT_EQ(keptFor(110) - keptFor(10), 400);
}

// A refused packet under way counts the ids it has named so far, and only them, between two
// reads; read to its end it keeps what it keeps read at once.
TEST(QXIMPacketReaderTest, ARefusedPacketReadInTwoCallsCountsItsIdsAfterTheFirst) {
    const QByteArray head = R"({"data":[)" + packet(1, "[1]") + ",";
    QByteArray refused = R"({"talk":{"fromTalkId":"880001-42"},"msgs":[{"contents":[1e400]})";
    for (const qint64 id : idsFrom(1, 10)) refused += R"(,{"id":)" + QByteArray::number(id) + "}";
    refused += "]}";
    const qsizetype cut = refused.indexOf(R"({"id":5})");  // after the fourth id
    QXIMPacketReader reader(QXIMPacketReader::Shape::Reply, 1000);
    reader.read(head + refused.first(cut));
    EXPECT_EQ(reader.keptBytes(), head.size() + 4 * QXIMPacketReader::kRefusedIdBytes);
    reader.read(refused.sliced(cut) + "]}");
    QXIMPacketReader atOnce(QXIMPacketReader::Shape::Reply, 1000);
    atOnce.read(head + refused + "]}");
    EXPECT_EQ(talksOf(reader), QStringList{"880001-42/: 1,2,3,4,5,6,7,8,9,10"});
    EXPECT_EQ(reader.keptBytes(), atOnce.keptBytes());
}

// Only what the tree would hold as the id of a message of the packet's "msgs" list names a
// message: an id with a fraction does not, nor does a list that a second "msgs" replaced,
// nor an object in place of the list.
TEST(QXIMPacketReaderTest, OnlyWholeIdsOfTheLastMsgsListNameMessages) {
    QXIMPacketReader reader(QXIMPacketReader::Shape::Reply, 1000);
    reader.read(R"({"data":[)"
                R"({"msgs":[{"id":7.5},{"id":8},{"contents":[1e400]}],"talk":{"fromTalkId":"a"}},)"
                R"({"msgs":[{"id":1},{"contents":[1e400]}],"msgs":[{"id":2}],)"
                R"("talk":{"fromTalkId":"b"}},)"
                R"({"msgs":{"m":{"id":3}},"talk":{"fromTalkId":"c"},"x":[1e400]}]})");
    EXPECT_EQ(reader.status(), ParserStatusOK);
    EXPECT_EQ(talksOf(reader), (QStringList{"a/: 8", "b/: 2"}));
    EXPECT_EQ(reader.refused().packets, 3);
    EXPECT_EQ(reader.refused().unnamed, 1);
}

// A refused packet's reason keeps its first 200 characters: two numbers that differ only
// past them give one reason.
TEST(QXIMPacketReaderTest, ARefusedPacketsReasonIsCutTo200Characters) {
    const QByteArray overflow = "1" + QByteArray(400, '0');
    QXIMPacketReader reader(QXIMPacketReader::Shape::Reply, 1000);
    reader.read(R"({"data":[)" + packet(1, "[" + overflow + "]") + "," +
                packet(2, "[" + overflow + "0]") + "]}");
    EXPECT_EQ(reader.refused().packets, 2);
    const QString reason = "double overflow on '" + QString::fromLatin1(overflow) + "'";
    EXPECT_EQ(reader.refused().reasons, QStringList{reason.left(200)});
}

// A stream segment's payload is one packet; a fetch may bring its packets under "params"; a
// reply given up or broken off holds what was read whole before; ids read from no talk or of
// no message name nothing to acknowledge.
TEST(QXIMPacketReaderTest, APacketAloneRepliesOfEitherShapeAndRepliesCutShort) {
    QXIMPacketReader alone(QXIMPacketReader::Shape::Packet, 1000);
    EXPECT_EQ(alone.read(packet(9, "[1e999]")), ParserStatusOK);
    EXPECT_FALSE(alone.value().isValid());
    EXPECT_EQ(alone.refused().packets, 1);
    EXPECT_EQ(talksOf(alone), QStringList{"880001-42/42-880001: 9"});
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
    EXPECT_EQ(underParams.refused().packets, 1);

    // Broken off in the third packet, after a refused one: the first is read.
    const QByteArray cutShort = R"({"requestTime":5,"data":[)" + packet(1, "[1]") + "," +
                                packet(2, "[1e400]") + "," + packet(3, "[1]").left(20);
    QXIMPacketReader given(QXIMPacketReader::Shape::Reply, 1000);
    EXPECT_EQ(readInPieces(given, cutShort, 7), ParserStatusInsufficientData);
    EXPECT_EQ(given.value(),
              QVariant(QVariantMap{{"requestTime", 5LL},
                                   {"data", QVariantList{json_JSON(QVariant(packet(1, "[1]")))}}}));
    EXPECT_EQ(given.refused().packets, 1);
    // A syntax error stops the reading: what came before stands, the packet under way is lost.
    QXIMPacketReader broken(QXIMPacketReader::Shape::Reply, 1000);
    EXPECT_EQ(broken.read(R"({"data":[)" + packet(1, "[1]") + R"(,{"msgs":[{"id":2} 1e400]}]})"),
              ParserStatusError);
    EXPECT_EQ(broken.value().toMap().value("data").toList().size(), 1);
    EXPECT_TRUE(broken.refused().isEmpty());

    // No talk id, an empty one, or no message id: nothing to acknowledge.
    QXIMPacketReader unnamed(QXIMPacketReader::Shape::Reply, 1000);
    unnamed.read(R"({"data":[{"msgs":[{"id":1,"contents":[1e400]}]},)" +
                 refusedPacket({2}, R"({"toTalkId":""})") + "," + refusedPacket({}) + "]}");
    EXPECT_EQ(unnamed.refused().packets, 3);
    EXPECT_EQ(unnamed.refused().unnamed, 3);
    EXPECT_TRUE(unnamed.refused().talks.isEmpty());
}

}  // namespace
