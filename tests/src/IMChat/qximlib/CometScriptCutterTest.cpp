#include "IMChat/qximlib/CometScriptCutter.h"
#include "IMChat/qximlib/QXIMOnlineScriptParser.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>

#include <optional>

namespace {

QByteArray segment(const QByteArray& key, const QByteArray& payload) {
    return "<script>window.parent.QX.webim.cometMgr." + key + "(" + payload + ");</script>";
}

// A packet of one message with `text`, written as the server writes it.
QByteArray packetWithText(qint64 id, const QString& text) {
    const QJsonObject message{{"id", id}, {"contents", QJsonArray{text}}};
    return QJsonDocument(QJsonObject{{"msgs", QJsonArray{message}}}).toJson(QJsonDocument::Compact);
}

using Piece = CometScriptCutter::Piece;

class CometScriptCutterTest : public ::testing::Test {
protected:
    // Feeds `stream` to a cutter reset, in chunks that end at `cuts`.
    void feedCutAt(const QByteArray& stream, const QList<qsizetype>& cuts) {
        segments.clear();
        cutter.reset();
        qsizetype from = 0;
        for (const qsizetype cut : cuts) {
            cutter.feed(stream.mid(from, cut - from));
            from = cut;
        }
        cutter.feed(stream.mid(from));
    }

    CometScriptCutter cutter{
        [this](QByteArrayView segment) { segments.append(segment.toByteArray()); },
        [this](QByteArrayView bytes, Piece piece) {
            pieces.append(piece);
            piecesBytes += bytes.toByteArray();
        }};
    QList<QByteArray> segments;
    QList<Piece> pieces;
    QByteArray piecesBytes;
};

TEST_F(CometScriptCutterTest, ASegmentSplitAnywhereComesOnceAfterItsLastByte) {
    const QByteArray whole = segment("recvMsg", R"({"msgs":[{"contents":["看房"]}]})");
    const qsizetype chinese = whole.indexOf("看");
    // At an ASCII byte, and inside the three bytes of a Chinese character.
    for (const qsizetype cut : {qsizetype(10), chinese + 1, chinese + 2}) {
        segments.clear();
        cutter.feed(whole.left(cut));
        EXPECT_TRUE(segments.isEmpty()) << cut;
        cutter.feed(whole.mid(cut));
        ASSERT_EQ(segments.size(), 1) << cut;
        EXPECT_EQ(segments[0], whole);
        EXPECT_TRUE(cutter.tail().isEmpty());
    }
}

TEST_F(CometScriptCutterTest, EverySplitOfAStreamGivesTheSameSegments) {
    // Every marker in it: a closing text followed by white space and the next start, a start
    // with a domain, and in a payload what only begins like a start or a closing text.
    const QByteArray heartbeat = segment("recvHeartbeatMsg", "");
    const QByteArray message = segment("recvMsg", R"({"t":"您好 <scr 再见 a<b );<"})");
    const QByteArray command =
        "<script>document.domain = \"kbw.example\"; "
        "window.parent.QX.webim.cometMgr.command({});</script>";
    const QByteArray stream = heartbeat + "\n" + message + command;
    // The white space after a closing text goes with its segment when it came with it, and
    // after it when it came in the next chunk.
    const auto expectWhole = [&](const QString& how) {
        ASSERT_EQ(segments.size(), 3) << how.toStdString();
        EXPECT_EQ(segments[0].trimmed(), heartbeat) << how.toStdString();
        EXPECT_EQ(segments[1], message) << how.toStdString();
        EXPECT_EQ(segments[2], command) << how.toStdString();
        EXPECT_TRUE(cutter.tail().isEmpty()) << how.toStdString();
    };
    const auto cutAt = [&](const QList<qsizetype>& cuts) { feedCutAt(stream, cuts); };
    for (qsizetype cut = 1; cut < stream.size(); ++cut) {
        cutAt({cut});
        expectWhole(QStringLiteral("cut at %1").arg(cut));
    }
    for (qsizetype first = 1; first < stream.size(); first += 3) {
        for (qsizetype second = first; second < stream.size(); second += 17) {
            cutAt({first, second});
            expectWhole(QStringLiteral("cut at %1 and %2").arg(first).arg(second));
        }
    }
    QList<qsizetype> everyByte;
    for (qsizetype cut = 1; cut < stream.size(); ++cut) everyByte.append(cut);
    cutAt(everyByte);
    expectWhole(QStringLiteral("a byte at a time"));
}

TEST_F(CometScriptCutterTest, TheDomainNameHoldsFiveToFortyCharacters) {
    for (const int length : {4, 5, 40, 41}) {
        segments.clear();
        cutter.reset();
        const QByteArray name = QByteArray("k.") + QByteArray(length - 2, 'w');
        cutter.feed("<script>document.domain = \"" + name +
                    "\"; window.parent.QX.webim.cometMgr.test(1);</script>");
        EXPECT_EQ(segments.size(), length == 5 || length == 40 ? 1 : 0) << length;
    }
}

TEST_F(CometScriptCutterTest, TheKeyHoldsOneToThirtyLetters) {
    for (const int length : {0, 1, 30, 31}) {
        segments.clear();
        cutter.reset();
        cutter.feed(segment(QByteArray(length, 'k'), "1"));
        EXPECT_EQ(segments.size(), length == 1 || length == 30 ? 1 : 0) << length;
    }
}

TEST_F(CometScriptCutterTest, AClosingTextInsideThePayloadDoesNotEndTheSegment) {
    const QByteArray whole = segment("recvMsg", R"({"t":"a );</script> b"})");
    cutter.feed(whole + segment("recvHeartbeatMsg", ""));
    ASSERT_EQ(segments.size(), 2);
    EXPECT_EQ(segments[0], whole);
}

TEST_F(CometScriptCutterTest, TwoSegmentsInOneChunkComeInOrder) {
    cutter.feed(segment("recvMsg", "{\"n\":1}") + segment("recvMsg", "{\"n\":2}"));
    ASSERT_EQ(segments.size(), 2);
    EXPECT_TRUE(segments[0].contains("\"n\":1"));
    EXPECT_TRUE(segments[1].contains("\"n\":2"));
}

TEST_F(CometScriptCutterTest, ANewStartAbandonsAnUnfinishedSegment) {
    cutter.feed("<script>window.parent.QX.webim.cometMgr.recvMsg({\"lost\":");
    cutter.feed(segment("recvHeartbeatMsg", "7"));
    ASSERT_EQ(segments.size(), 1);
    EXPECT_EQ(segments[0], segment("recvHeartbeatMsg", "7"));
}

// Texts that hold the stream's own marks, as the server writes them in a packet: every chunking
// of the stream, a chunk of any size and every cut at one or two places, gives each segment
// once, whole, and nothing that delivered no segment.
TEST_F(CometScriptCutterTest, AMessagesTextNeverCutsTheStream) {
    const QByteArray start = "<script>window.parent.QX.webim.cometMgr.recvMsg(";
    const QList<QString> texts{
        "a <script> tag",
        "ends with );</script> here",
        QString::fromUtf8(start) + " inside",
        "<script>document.domain = \"kbw.example\"; window.parent.QX.webim.cometMgr.recvMsg(",
        "看房",
        "ends with );</script>",
        "x );</script> " + QString::fromUtf8(start) + "{\"y\":\"",
        "\\\"" + QString::fromUtf8(start) + "\\",
        "a failed start before a closing: <);</script> ",
    };
    QList<QByteArray> whole;
    QByteArray stream;
    for (qsizetype at = 0; at < texts.size(); ++at) {
        whole.append(segment("recvMsg", packetWithText(at + 1, texts[at])));
        stream += whole.last();
        if (at % 3 == 0) stream += segment("recvHeartbeatMsg", QByteArray::number(at));
    }
    const auto expectWhole = [&](const QString& how) {
        QList<QByteArray> messages;
        for (const QByteArray& delivered : segments) {
            if (delivered.startsWith(start)) messages.append(delivered);
        }
        EXPECT_EQ(messages, whole) << how.toStdString();
        EXPECT_EQ(segments.size(), whole.size() + 3) << how.toStdString();
        EXPECT_EQ(cutter.undeliveredBytes(), 0) << how.toStdString();
        EXPECT_TRUE(cutter.tail().isEmpty()) << how.toStdString();
    };
    const auto cutAt = [&](const QList<qsizetype>& cuts) { feedCutAt(stream, cuts); };
    for (qsizetype size = 1; size <= stream.size(); ++size) {
        QList<qsizetype> cuts;
        for (qsizetype cut = size; cut < stream.size(); cut += size) cuts.append(cut);
        cutAt(cuts);
        expectWhole(QStringLiteral("chunks of %1").arg(size));
    }
    for (qsizetype first = 1; first < stream.size(); ++first) {
        for (qsizetype second = first; second < stream.size(); second += 7) {
            cutAt({first, second});
            expectWhole(QStringLiteral("cut at %1 and %2").arg(first).arg(second));
        }
    }
}

// A segment the server tore off inside a string, so that the next segment's start lies in its
// text, ends at that start all the same: once the bytes after it can be no JSON, the stream
// is cut again from it, and the torn bytes count as delivering nothing. So too when the torn
// text itself held a start, and when the next segment's payload is no JSON until the one
// after it comes. A torn segment outside its strings is left by the next start at once.
TEST_F(CometScriptCutterTest, ASegmentTornOffInsideAStringEndsAtTheNextStart) {
    const QByteArray start = "<script>window.parent.QX.webim.cometMgr.recvMsg(";
    const QByteArray next = segment("recvMsg", packetWithText(2, "下一条"));
    const QByteArray heartbeat = segment("recvHeartbeatMsg", "7");
    const QByteArray after = segment("recvMsg", packetWithText(3, "再下一条"));
    struct Case {
        const char* name;
        QByteArray torn;
        QList<QByteArray> then;
    };
    const QList<Case> cases{
        {"in a value", start + R"({"msgs":[{"id":1,"contents":["看)", {next}},
        {"in a name", start + R"({"msgs":[{"id":1,"con)", {next}},
        {"after an escape", start + R"({"msgs":[{"id":1,"contents":["a\)", {next}},
        {"holding a start", start + R"({"msgs":[{"contents":[")" + start + " hi", {next}},
        {"before a heartbeat", start + R"({"msgs":[{"contents":["a)", {heartbeat, after}},
        {"outside a string", start + R"({"msgs":[{"id":1,)", {next}},
    };
    for (const Case& torn : cases) {
        QByteArray stream = torn.torn;
        for (const QByteArray& segment : torn.then) stream += segment;
        for (qsizetype cut = 1; cut < stream.size(); ++cut) {
            segments.clear();
            cutter.reset();
            cutter.feed(stream.first(cut));
            cutter.feed(stream.sliced(cut));
            EXPECT_EQ(segments, torn.then) << torn.name << ", cut at " << cut;
            EXPECT_EQ(cutter.undeliveredBytes(), torn.torn.size())
                << torn.name << ", cut at " << cut;
        }
    }
    // The next segment comes as soon as its payload shows it is one, before the one after it.
    segments.clear();
    cutter.reset();
    cutter.feed(start + R"({"lost":"ab)");
    cutter.feed(next);
    EXPECT_EQ(segments, QList<QByteArray>{next});

    // Torn off past 4 MB, in pieces: abandoned at the next start when a chunk holds both the
    // start and what shows it; read on into the next segment, which its last piece then holds,
    // when the chunk ends between them and the start was handed over.
    const QByteArray longTorn = start + R"({"msgs":[{"contents":[")" + QByteArray(5 << 20, 'x');
    segments.clear();
    cutter.reset();
    cutter.feed(longTorn.first(4 << 20));
    cutter.feed(longTorn.sliced(4 << 20) + next);
    EXPECT_EQ(pieces, (QList<Piece>{Piece::First, Piece::Abandoned}));
    EXPECT_EQ(segments, QList<QByteArray>{next});
    EXPECT_EQ(cutter.undeliveredBytes(), longTorn.size());
    pieces.clear();
    piecesBytes.clear();
    segments.clear();
    cutter.reset();
    const qsizetype shown = next.indexOf(R"({"m)");
    cutter.feed(longTorn + next.first(shown));
    cutter.feed(next.sliced(shown));
    EXPECT_EQ(pieces.first(), Piece::First);
    EXPECT_EQ(pieces.last(), Piece::Last);
    EXPECT_EQ(piecesBytes, longTorn + next);
    EXPECT_TRUE(segments.isEmpty());
}

// A packet of the broker 880001 to the user 9000000000077 with one message of `text`, as the
// stand-in writes it.
QByteArray brokersPacket(qint64 id, const QByteArray& text) {
    return R"({"fromUser":{"id":"880001","name":"b"},"toUser":{"id":"9000000000077","name":"u"},)"
           R"("post":{"id":"10086_1_1009_1"},"talk":{"fromTalkId":"880001-9000000000077",)"
           R"("postId":"10086_1_1009_1","toTalkId":"9000000000077-880001"},"msgs":[{"id":)" +
           QByteArray::number(id) +
           R"(,"fromUserId":"880001","sysMsgType":0,"type":0,"updateTime":1796748398,)"
           R"("contents":[")" +
           text + R"("]}]})";
}

// Torn segments whose tear the reading of the payload first takes for text, followed by
// ordinary segments, each with its line break: the message whose text ends with the start, torn
// right after that text (the next start outside its strings, though the text's start was
// remembered); a payload that is a string, torn inside it (the string ends before the next
// segment's first name); a payload that is no JSON before a start outside its strings, whose own
// payload opens a string that runs into the next segment; a segment torn inside a string before
// a heartbeat and one torn right after its first name's quote, which breaks the reading right
// before the next start; a text holding a start, torn before two heartbeats, a start torn
// inside itself and a segment torn right after its first quote, whose string the next start
// stands outside of; a string torn before a start with its domain. The segments not torn come
// once, whole, in every chunking, and only the torn bytes deliver nothing; what is read again
// from a start inside a string is less than the stream, and after the start with its domain only
// that start, whose quote ended the string.
TEST_F(CometScriptCutterTest, TheSegmentsAfterATornOneComeWholeHoweverTheTearFalls) {
    const QByteArray start = "<script>window.parent.QX.webim.cometMgr.recvMsg(";
    const auto ordinary = [&](qint64 id, const QByteArray& text) {
        return start + brokersPacket(id, text) + ");</script>";
    };
    const QByteArray textEnd = brokersPacket(191, "see " + start);
    const QByteArray heartbeat = segment("recvHeartbeatMsg", "22");
    const QByteArray tornAtItsName = start + "{\"m";
    const QByteArray tornAtItsQuote = start + "{\"";
    const QByteArray tornStart = "<script>window.parent.QX.webim.cometMgr.";
    const QByteArray withDomain =
        R"(<script>document.domain = "kbw.example"; window.parent.QX.webim.cometMgr.recvMsg()";
    struct Case {
        const char* name;
        QByteArray torn;
        QList<QByteArray> then;
        // What is read again, where every chunking reads the same.
        std::optional<qsizetype> readAgain;
    };
    const QList<Case> cases{
        {"after a text ending with the start",
         start + textEnd.first(textEnd.lastIndexOf('"') + 1),
         {ordinary(192, "first"), ordinary(193, "second")}},
        {"in a string that is the payload",
         start + "\"abc",
         {ordinary(181, "first"), ordinary(182, "second")}},
        {"no JSON before a start whose string runs on",
         start + R"({"a":"x" )" + start + "\"]});</script>\n",
         {ordinary(185, "first"), ordinary(186, "second")}},
        {"before a heartbeat and one torn at its name",
         start + R"({"msgs":[")",
         {heartbeat, tornAtItsName, ordinary(187, "first")}},
        {"in a text holding a start, before heartbeats and pieces",
         start + R"({"msgs":["see )" + start + " more",
         {heartbeat, segment("recvHeartbeatMsg", "23"), "<scr", tornStart, tornAtItsQuote,
          ordinary(190, "first")}},
        {"in a string before a start with its domain",
         start + R"({"msgs":["abc)",
         {withDomain + brokersPacket(188, "first") + ");</script>", ordinary(189, "second")},
         withDomain.size()},
    };
    for (const Case& torn : cases) {
        QByteArray stream = torn.torn;
        QList<QByteArray> whole;
        qsizetype tornBytes = torn.torn.size();
        for (const QByteArray& then : torn.then) {
            if (then.endsWith(");</script>")) {
                stream += then + (then.startsWith(start) ? "\n" : "");
                whole.append(then);
            } else {
                stream += then;
                tornBytes += then.size();
            }
        }
        const auto expectWhole = [&](const std::string& how) {
            // The line break after a segment goes with it when it comes in the same chunk.
            QList<QByteArray> handed;
            for (const QByteArray& segment : segments) handed.append(segment.trimmed());
            EXPECT_EQ(handed, whole) << torn.name << ", " << how;
            EXPECT_EQ(cutter.undeliveredBytes(), tornBytes) << torn.name << ", " << how;
            EXPECT_LT(cutter.readAgainBytes(), stream.size()) << torn.name << ", " << how;
            if (torn.readAgain) {
                EXPECT_EQ(cutter.readAgainBytes(), *torn.readAgain) << torn.name << ", " << how;
            }
            EXPECT_TRUE(cutter.tail().isEmpty()) << torn.name << ", " << how;
        };
        for (qsizetype size = 1; size <= stream.size(); ++size) {
            QList<qsizetype> cuts;
            for (qsizetype cut = size; cut < stream.size(); cut += size) cuts.append(cut);
            feedCutAt(stream, cuts);
            expectWhole("chunks of " + std::to_string(size));
        }
        for (qsizetype first = 1; first < stream.size(); ++first) {
            for (qsizetype second = first; second < stream.size(); second += 11) {
                feedCutAt(stream, {first, second});
                expectWhole("cut at " + std::to_string(first) + " and " + std::to_string(second));
            }
        }
    }
}

// A segment that starts where another was left unfinished reads its payload afresh: not as the
// rest of a value that had ended, whose closing text in a string would end it, nor with the
// start the other remembered in one of its strings before it nested too deep to be followed,
// where its own payload that is no JSON would cut the stream again.
TEST_F(CometScriptCutterTest, ASegmentAfterOneLeftUnfinishedIsReadAfresh) {
    const QByteArray start = "<script>window.parent.QX.webim.cometMgr.recvMsg(";
    const QByteArray quoted = segment("recvMsg", R"({"t":"a );</script> b"})");
    const QByteArray text = segment("recvMsg", "'a'");
    const QByteArray next = segment("recvHeartbeatMsg", "1");
    const QList<std::pair<QByteArray, QList<QByteArray>>> streams{
        {start + "1)x" + quoted + next, {quoted, next}},
        {start + QByteArray(JsonPrefixReader::kMostDepth, '[') + "\"see " + start + "\",[" + text +
             next,
         {text, next}},
    };
    for (const auto& [stream, whole] : streams) {
        for (qsizetype cut = 1; cut < stream.size(); ++cut) {
            feedCutAt(stream, {cut});
            EXPECT_EQ(segments, whole) << stream.toStdString() << ", cut at " << cut;
        }
    }
}

// A segment whose payload was one value, ended by its call's ")", is whole at its closing text,
// whatever follows it: a start torn off inside itself, a byte of no segment, a second closing
// text, a start that grows past its bound. What follows delivers nothing, and the next segment
// comes as ever. A payload that is no JSON goes on past a closing text followed by more, as a
// text in quotes of another kind may hold one.
TEST_F(CometScriptCutterTest, ASegmentWhoseValueEndedWithItsCallIsWholeWhateverFollows) {
    const QByteArray heartbeat = segment("recvHeartbeatMsg", "22");
    const QByteArray message = segment("recvMsg", packetWithText(1, "看房"));
    const QByteArray next = segment("recvHeartbeatMsg", "23");
    // Whole, or in pieces once what follows takes it past the bound.
    QList<QByteArray> handed;
    CometScriptCutter small([&](QByteArrayView whole) { handed.append(whole.toByteArray()); },
                            [&](QByteArrayView bytes, Piece piece) {
                                if (piece == Piece::First) handed.append(QByteArray());
                                handed.last() += bytes.toByteArray();
                            },
                            {256, 2048, 4096, 256});
    for (const QByteArray& closed : {heartbeat, message}) {
        for (const QByteArray& after :
             {QByteArray("<script>w"), QByteArray("x"), QByteArray(" \n);</script>"),
              QByteArray("<script>") + QByteArray(300, ' ')}) {
            const QByteArray stream = closed + after + next;
            const qsizetype space = after.indexOf(')') > 0 ? after.indexOf(')') : 0;
            for (qsizetype cut = 1; cut < stream.size(); ++cut) {
                handed.clear();
                small.reset();
                small.feed(stream.first(cut));
                small.feed(stream.sliced(cut));
                ASSERT_EQ(handed.size(), 2) << after.toStdString() << ", cut at " << cut;
                EXPECT_EQ(handed[0].size() + small.trailingSpaceBytes(), closed.size() + space)
                    << after.toStdString() << ", cut at " << cut;
                EXPECT_TRUE(handed[0].startsWith(closed))
                    << after.toStdString() << ", cut at " << cut;
                EXPECT_EQ(handed[1], next) << after.toStdString() << ", cut at " << cut;
                EXPECT_EQ(small.undeliveredBytes(), after.size() - space)
                    << after.toStdString() << ", cut at " << cut;
            }
        }
    }
    const QByteArray text = segment("recvMsg", "'a );</script>x b'");
    feedCutAt(text + next, {});
    EXPECT_EQ(segments, (QList<QByteArray>{text, next}));
    EXPECT_EQ(cutter.undeliveredBytes(), 0);
    // Nor does one nested deeper than it is followed, whose strings are no longer known.
    const QByteArray deep = segment(
        "recvMsg", QByteArray(JsonPrefixReader::kMostDepth + 1, '[') + "\"a );</script> b\"" +
                       QByteArray(JsonPrefixReader::kMostDepth + 1, ']'));
    feedCutAt(deep + next, {});
    EXPECT_EQ(segments, (QList<QByteArray>{deep, next}));
    EXPECT_EQ(cutter.undeliveredBytes(), 0);
}

// A segment is kept whole up to 4 MB; a longer one comes in pieces as its bytes come, the
// cutter keeping no more of it than the chunk under way, and what follows is cut as ever.
TEST_F(CometScriptCutterTest, ASegmentIsKeptWholeUpTo4MBAndALongerOneComesInPieces) {
    constexpr qsizetype kBound = 4 * 1024 * 1024;
    constexpr qsizetype kChunk = 64 * 1024;
    const QByteArray start = "<script>window.parent.QX.webim.cometMgr.recvMsg(";
    const QByteArray close = ");</script>";
    const auto ofSize = [&](qsizetype size) {
        return start + QByteArray(size - start.size() - close.size(), 'x') + close;
    };
    // In chunks of 64 KB: the most the cutter kept after any of them.
    const auto feedInChunks = [&](const QByteArray& text) {
        qsizetype kept = 0;
        for (qsizetype at = 0; at < text.size(); at += kChunk) {
            cutter.feed(QByteArrayView(text).sliced(at, std::min(kChunk, text.size() - at)));
            kept = std::max(kept, cutter.tail().size());
        }
        return kept;
    };
    feedInChunks(ofSize(kBound));
    ASSERT_EQ(segments.size(), 1);
    EXPECT_EQ(segments[0].size(), kBound);
    EXPECT_TRUE(pieces.isEmpty());

    // A byte more: the 4 MB kept so far, then the last byte.
    const QByteArray longer = ofSize(kBound + 1);
    feedInChunks(longer);
    EXPECT_EQ(pieces, (QList<Piece>{Piece::First, Piece::Last}));
    EXPECT_EQ(piecesBytes, longer);
    EXPECT_TRUE(cutter.tail().isEmpty());

    // Twice as long: nothing more is kept once it goes on in pieces.
    pieces.clear();
    piecesBytes.clear();
    const QByteArray twice = ofSize(2 * kBound);
    cutter.feed(twice.first(kBound));
    EXPECT_EQ(cutter.tail().size(), kBound);
    EXPECT_LE(feedInChunks(twice.sliced(kBound)), kChunk);
    ASSERT_GE(pieces.size(), 3);
    EXPECT_EQ(pieces.first(), Piece::First);
    EXPECT_EQ(pieces.last(), Piece::Last);
    EXPECT_EQ(pieces.count(Piece::More), pieces.size() - 2);
    EXPECT_EQ(piecesBytes, twice);
    EXPECT_EQ(segments.size(), 1);

    // One that never closes is abandoned by the next start, which is cut whole.
    pieces.clear();
    feedInChunks(start + QByteArray(kBound, 'x'));
    cutter.feed(segment("recvHeartbeatMsg", "1"));
    EXPECT_EQ(pieces.first(), Piece::First);
    EXPECT_EQ(pieces.last(), Piece::Abandoned);
    ASSERT_EQ(segments.size(), 2);
    EXPECT_EQ(segments[1], segment("recvHeartbeatMsg", "1"));

    // A start that never finishes is no start past the bound: dropped, and the cutter reads
    // on.
    pieces.clear();
    EXPECT_LE(feedInChunks("<script>" + QByteArray(kBound, ' ')), kBound);
    EXPECT_TRUE(cutter.tail().isEmpty());
    EXPECT_TRUE(pieces.isEmpty());
    cutter.feed(segment("recvHeartbeatMsg", ""));
    EXPECT_EQ(segments.size(), 3);
}

// What comes around a segment read in pieces: a start whose '<' comes just before the 4 MB
// mark is the next segment's; a long segment ends with its Last piece when the next start
// follows its closing text in the same chunk, and when that start is split over two chunks
// its first bytes are not handed over as a piece; a reset tells Abandoned; and more than 4 MB
// of white space in a start is no start, also within one chunk.
TEST_F(CometScriptCutterTest, ALongSegmentsPiecesEndWhereTheNextSegmentStarts) {
    constexpr qsizetype kBound = 4 * 1024 * 1024;
    const QByteArray next = segment("recvHeartbeatMsg", "1");
    const auto expectPiecesThenNext = [&](const QByteArray& inPieces, const char* how) {
        ASSERT_GE(pieces.size(), 2) << how;
        EXPECT_EQ(pieces.first(), Piece::First) << how;
        EXPECT_EQ(pieces.last(), Piece::Last) << how;
        EXPECT_EQ(pieces.count(Piece::More), pieces.size() - 2) << how;
        EXPECT_EQ(piecesBytes, inPieces) << how;
        EXPECT_EQ(segments, QList<QByteArray>{next}) << how;
        EXPECT_TRUE(cutter.tail().isEmpty()) << how;
        pieces.clear();
        piecesBytes.clear();
        segments.clear();
    };
    const QByteArray beforeTheMark = segment(
        "recvMsg", "\"" + QByteArray(kBound - 2 - segment("recvMsg", "\"\"").size(), 'x') + "\"");
    ASSERT_EQ(beforeTheMark.size(), kBound - 2);
    cutter.feed(beforeTheMark + next);
    expectPiecesThenNext(beforeTheMark, "a start across the mark");

    const QByteArray longer = segment("recvMsg", "\"" + QByteArray(kBound, 'x') + "\"");
    cutter.feed(longer.first(kBound / 2));
    cutter.feed(longer.sliced(kBound / 2) + next);
    expectPiecesThenNext(longer, "the next start in the closing chunk");

    const qsizetype split = next.indexOf("ipt>");
    cutter.feed(longer + next.first(split));
    cutter.feed(next.sliced(split));
    expectPiecesThenNext(longer, "the next start split over two chunks");

    cutter.feed(longer.first(kBound + 1));
    cutter.reset();
    ASSERT_FALSE(pieces.isEmpty());
    EXPECT_EQ(pieces.first(), Piece::First);
    EXPECT_EQ(pieces.last(), Piece::Abandoned);
    pieces.clear();
    cutter.feed(next);
    EXPECT_EQ(segments, QList<QByteArray>{next});
    segments.clear();

    cutter.feed("<script>" + QByteArray(kBound, ' ') +
                "window.parent.QX.webim.cometMgr.recvMsg(1);</script>" + next);
    EXPECT_TRUE(pieces.isEmpty());
    EXPECT_EQ(segments, QList<QByteArray>{next});
}

// A segment in pieces is read for 32 MB at most: one that closes within them ends as ever,
// also when white space and the next start follow past them; a byte more without its closing
// text is given up, in chunks or within one, and nothing more is read until a reset.
TEST_F(CometScriptCutterTest, ASegmentInPiecesIsGivenUpPastItsBoundAndNothingMoreIsRead) {
    constexpr qsizetype kBound = 32 * 1024 * 1024;
    constexpr qsizetype kChunk = 64 * 1024;
    const QByteArray start = "<script>window.parent.QX.webim.cometMgr.recvMsg(";
    const QByteArray next = segment("recvHeartbeatMsg", "1");
    const auto feedInChunks = [&](const QByteArray& text, const QByteArray& after) {
        pieces.clear();
        piecesBytes.clear();
        qsizetype at = 0;
        for (; at + kChunk < text.size(); at += kChunk) cutter.feed(text.sliced(at, kChunk));
        cutter.feed(text.sliced(at) + after);
    };
    QByteArray text = start + QByteArray(kBound - start.size() - 11, 'x') + ");</script>";
    feedInChunks(text, " \n" + next);
    EXPECT_EQ(pieces.last(), Piece::Last);
    EXPECT_EQ(piecesBytes, text + " \n");
    EXPECT_EQ(segments, QList<QByteArray>{next});
    EXPECT_FALSE(cutter.givenUp());

    text.insert(start.size(), 'x');
    feedInChunks(text, {});
    EXPECT_TRUE(cutter.givenUp());
    EXPECT_EQ(pieces.last(), Piece::Abandoned);
    EXPECT_EQ(piecesBytes, text.first(kBound));
    cutter.feed(next);
    EXPECT_EQ(segments.size(), 1);
    EXPECT_TRUE(cutter.tail().isEmpty());
    cutter.reset();
    cutter.feed(text + next);
    EXPECT_TRUE(cutter.givenUp());
    cutter.reset();
    cutter.feed(next);
    EXPECT_EQ(segments.size(), 2);
}

// Smaller bounds, as fuzzing gives them, hold as given also within one chunk: a start of 256
// bytes (white space padding it to the bound) begins a segment, one a byte longer is none; a
// segment of 2,048 bytes ends in its pieces, one of 2,100 is given up.
TEST_F(CometScriptCutterTest, SmallerBoundsHoldAsGivenWithinOneChunk) {
    QList<QByteArray> wholes;
    const auto small = [&] {
        pieces.clear();
        piecesBytes.clear();
        wholes.clear();
        return CometScriptCutter([&](QByteArrayView whole) { wholes.append(whole.toByteArray()); },
                                 [&](QByteArrayView bytes, Piece piece) {
                                     pieces.append(piece);
                                     piecesBytes += bytes.toByteArray();
                                 },
                                 {256, 2048, 4096, 256});
    };
    const QByteArray open = "<script>";
    const QByteArray call = "window.parent.QX.webim.cometMgr.recvMsg(";
    const QByteArray next = segment("recvHeartbeatMsg", "1");
    for (const qsizetype length : {256, 257}) {
        CometScriptCutter bounded = small();
        const QByteArray padded =
            open + QByteArray(length - open.size() - call.size(), ' ') + call + "1);</script>";
        bounded.feed(padded + next);
        EXPECT_EQ(wholes, QList<QByteArray>{next}) << length;
        if (length == 256) {
            EXPECT_EQ(pieces, (QList<Piece>{Piece::First, Piece::Last}));
            EXPECT_EQ(piecesBytes, padded);
        } else {
            EXPECT_TRUE(pieces.isEmpty());
        }
    }
    const QByteArray start = open + call;
    for (const qsizetype size : {2048, 2100}) {
        CometScriptCutter bounded = small();
        const QByteArray text = start + QByteArray(size - start.size() - 11, 'x') + ");</script>";
        bounded.feed(text);
        EXPECT_EQ(bounded.givenUp(), size > 2048) << size;
        ASSERT_EQ(pieces.size(), 2) << size;
        EXPECT_EQ(pieces.first(), Piece::First);
        EXPECT_EQ(pieces.last(), size > 2048 ? Piece::Abandoned : Piece::Last);
        if (size == 2048) {
            EXPECT_EQ(piecesBytes, text);
        }
        EXPECT_TRUE(wholes.isEmpty());
    }
}

// The bytes handed over of a segment too long to keep whole that a new start abandoned do not
// count against the next one: a segment of 32 MB after one of 5 MB left unfinished ends as ever.
TEST_F(CometScriptCutterTest, ASegmentLeftUnfinishedDoesNotCountAgainstTheNext) {
    constexpr qsizetype kBound = 32 * 1024 * 1024;
    constexpr qsizetype kChunk = 64 * 1024;
    const QByteArray start = "<script>window.parent.QX.webim.cometMgr.recvMsg(";
    const QByteArray unfinished = start + QByteArray(5 * 1024 * 1024, 'x');
    const QByteArray next = start + QByteArray(kBound - start.size() - 11, 'y') + ");</script>";
    const QByteArray text = unfinished + next;
    for (qsizetype at = 0; at < text.size(); at += kChunk)
        cutter.feed(QByteArrayView(text).sliced(at, std::min(kChunk, text.size() - at)));
    EXPECT_FALSE(cutter.givenUp());
    ASSERT_EQ(pieces.count(Piece::First), 2);
    EXPECT_EQ(pieces[pieces.indexOf(Piece::First, 1) - 1], Piece::Abandoned);
    EXPECT_EQ(pieces.last(), Piece::Last);
    EXPECT_EQ(piecesBytes.sliced(piecesBytes.lastIndexOf(start)), next);
    EXPECT_TRUE(cutter.tail().isEmpty());
}

TEST_F(CometScriptCutterTest, TextWithoutSegmentsKeepsOnlyWhatMayStartOne) {
    cutter.feed("garbage garbage <scr");
    EXPECT_EQ(cutter.tail(), "<scr");
    cutter.feed("ipt>window.parent.QX.webim.cometMgr.test(1);</script>");
    ASSERT_EQ(segments.size(), 1);
    cutter.feed(QByteArray(1000, 'x'));
    EXPECT_TRUE(cutter.tail().isEmpty());
}

// What delivers no segment is counted, for the whole stream: filler between segments, the
// bytes of starts that fail, a segment left unfinished by the next start (in pieces too) and
// segments set aside by their reader; a segment's own white space after its closing text is
// the segment's, also when it comes in the next chunk. With what was handed over, the white
// space that went with it later and what is pending it adds up to what was fed.
TEST_F(CometScriptCutterTest, BytesThatDeliverNoSegmentAreCountedForTheWholeStream) {
    const QByteArray heartbeat = segment("recvHeartbeatMsg", "1");
    const QByteArray start = "<script>window.parent.QX.webim.cometMgr.recvMsg(";
    qsizetype fed = 0;
    const auto feed = [&](const QByteArray& bytes) {
        fed += bytes.size();
        cutter.feed(bytes);
    };
    const auto handed = [&] {
        qsizetype bytes = piecesBytes.size();
        for (const QByteArray& whole : segments) bytes += whole.size();
        return bytes;
    };
    feed("  \n" + heartbeat + " \r\n");
    EXPECT_EQ(cutter.undeliveredBytes(), 3);
    feed("\n\n");
    EXPECT_EQ(cutter.undeliveredBytes(), 3);
    EXPECT_EQ(cutter.trailingSpaceBytes(), 2);
    feed("-\n");
    EXPECT_EQ(cutter.undeliveredBytes(), 5);
    // Each "<scrip" fails at the next "<", which starts again; the last waits.
    feed("<scrip<scrip<scrip");
    EXPECT_EQ(cutter.undeliveredBytes(), 5 + 12);
    EXPECT_EQ(cutter.tail(), "<scrip");
    feed("x" + start + "{\"a\":1");
    EXPECT_EQ(cutter.undeliveredBytes(), 5 + 12 + 7);
    EXPECT_EQ(cutter.pendingBytes(), start.size() + 6);
    // Left unfinished by the next start: all of it, the start that failed inside it included.
    feed("<scr!" + heartbeat);
    EXPECT_EQ(cutter.undeliveredBytes(), 24 + start.size() + 6 + 5);
    EXPECT_EQ(segments.size(), 2);
    // In pieces: what was handed over of it counts once it is abandoned.
    const QByteArray payload(5 * 1024 * 1024, 'x');
    const qsizetype before = cutter.undeliveredBytes();
    feed(start + payload);
    EXPECT_EQ(cutter.undeliveredBytes(), before);
    EXPECT_EQ(cutter.pendingBytes(), start.size() + payload.size());
    feed(heartbeat);
    EXPECT_EQ(pieces.last(), Piece::Abandoned);
    EXPECT_EQ(cutter.undeliveredBytes(), before + start.size() + payload.size());
    EXPECT_EQ(handed() - piecesBytes.size() + cutter.trailingSpaceBytes() +
                  cutter.undeliveredBytes() + cutter.pendingBytes(),
              fed);
    // A start that grows past 4 MB is none.
    const qsizetype counted = cutter.undeliveredBytes();
    feed("<script>" + QByteArray(4 * 1024 * 1024, ' '));
    EXPECT_EQ(cutter.undeliveredBytes(), counted + 8 + 4 * 1024 * 1024);
    EXPECT_EQ(cutter.pendingBytes(), 0);
    // A segment its reader set aside.
    cutter.setAside(heartbeat.size());
    EXPECT_EQ(cutter.undeliveredBytes(), counted + 8 + 4 * 1024 * 1024 + heartbeat.size());
    cutter.reset();
    EXPECT_EQ(cutter.undeliveredBytes(), 0);
}

// The white space after a closing text goes with its segment however the reads fall: segments
// each followed by 4 KB of it, 33 MB in all, whether the white space comes as a chunk of its
// own or the stream is read in pieces of 1,448 bytes (a TCP segment's payload), count nothing.
// With small bounds, every chunking: 200 bytes after each segment, within the 256 that may go
// with it, count nothing, while what passes that counts, in the chunk that closes the segment or
// in the next, and white space without end is given up.
TEST_F(CometScriptCutterTest, WhiteSpaceAfterASegmentGoesWithItHoweverTheReadsFall) {
    const QByteArray heartbeat = segment("recvHeartbeatMsg", "1");
    const QByteArray space(4096, ' ');
    constexpr int kSegments = 8400;
    for (int round = 0; round < kSegments; ++round) {
        cutter.feed(heartbeat);
        cutter.feed(space);
    }
    EXPECT_EQ(segments.size(), kSegments);
    EXPECT_FALSE(cutter.givenUp());
    EXPECT_EQ(cutter.undeliveredBytes(), 0);
    EXPECT_EQ(cutter.trailingSpaceBytes(), qsizetype(kSegments) * space.size());
    segments.clear();
    cutter.reset();
    const QByteArray stream = (heartbeat + space).repeated(kSegments);
    for (qsizetype at = 0; at < stream.size(); at += 1448)
        cutter.feed(
            QByteArrayView(stream).sliced(at, std::min<qsizetype>(1448, stream.size() - at)));
    EXPECT_EQ(segments.size(), kSegments);
    EXPECT_FALSE(cutter.givenUp());
    EXPECT_EQ(cutter.undeliveredBytes(), 0);

    // Segments handed over whole or, with the start after them past the bound, in pieces.
    QList<QByteArray> small;
    CometScriptCutter cutting([&](QByteArrayView whole) { small.append(whole.toByteArray()); },
                              [&](QByteArrayView bytes, Piece piece) {
                                  if (piece == Piece::First) small.append(QByteArray());
                                  small.last() += bytes.toByteArray();
                              },
                              {256, 2048, 4096, 256});
    const auto feedInChunks = [&](const QByteArray& text, qsizetype size) {
        small.clear();
        cutting.reset();
        for (qsizetype at = 0; at < text.size(); at += size)
            cutting.feed(QByteArrayView(text).sliced(at, std::min(size, text.size() - at)));
    };
    const QByteArray padded = (heartbeat + QByteArray(200, '\n')).repeated(100);
    for (qsizetype size = 1; size <= 64 * 1024; size = size < 300 ? size + 1 : size * 2) {
        feedInChunks(padded, size);
        EXPECT_EQ(small.size(), 100) << size;
        EXPECT_EQ(cutting.undeliveredBytes(), 0) << size;
        EXPECT_FALSE(cutting.givenUp()) << size;
    }
    // White space of every kind: line breaks and tabs go as spaces do.
    for (const char space : {' ', '\n', '\r', '\t'}) {
        const QByteArray past = heartbeat + QByteArray(256 + 10, space);
        for (const qsizetype size : {past.size(), heartbeat.size(), heartbeat.size() + 100}) {
            feedInChunks(past, size);
            EXPECT_EQ(cutting.undeliveredBytes(), 10) << size << " " << int(space);
            EXPECT_EQ(small.size(), 1) << size << " " << int(space);
            EXPECT_EQ(small.value(0).size() + cutting.trailingSpaceBytes(), heartbeat.size() + 256)
                << size << " " << int(space);
        }
    }
    feedInChunks(heartbeat + QByteArray(256 + 4095, ' '), 64);
    EXPECT_FALSE(cutting.givenUp());
    cutting.feed(" ");
    EXPECT_TRUE(cutting.givenUp());
    // A new stream owes nothing to the last segment of the one before: its white space is
    // filler.
    feedInChunks(heartbeat, heartbeat.size());
    cutting.reset();
    cutting.feed("  \n");
    EXPECT_EQ(cutting.trailingSpaceBytes(), 0);
    EXPECT_EQ(cutting.undeliveredBytes(), 3);
}

// After a segment that delivered nothing (its reader set it aside, or it stored nothing) the
// white space in the next chunks delivers nothing either; after one that delivered it goes with
// it as ever.
TEST_F(CometScriptCutterTest, WhiteSpaceAfterASegmentSetAsideDeliversNothing) {
    const QByteArray heartbeat = segment("recvHeartbeatMsg", "1");
    const QByteArray message = segment("recvMsg", packetWithText(1, "看房"));
    CometScriptCutter* reading = nullptr;
    CometScriptCutter settingAside(
        [&](QByteArrayView whole) {
            if (whole.startsWith(heartbeat)) reading->setAside(1024);
        },
        [](QByteArrayView, Piece) {});
    reading = &settingAside;
    settingAside.feed(message);
    settingAside.feed("\n\n");
    EXPECT_EQ(settingAside.trailingSpaceBytes(), 2);
    EXPECT_EQ(settingAside.undeliveredBytes(), 0);
    settingAside.feed(heartbeat);
    settingAside.feed("\n\n\n");
    settingAside.feed(message + "\n");
    EXPECT_EQ(settingAside.trailingSpaceBytes(), 2);
    EXPECT_EQ(settingAside.undeliveredBytes(), 1024 + 3);
}

// A segment charged counts as one set aside, and so does the white space that goes with it in
// the next chunks, until it settles: as delivered, all of it is taken back and the white space
// still to come goes with it; as not delivered, it stays counted and so does the white space
// after it. Charges settle in any order, each with its own white space only; the segment handed
// over after a charged one owes nothing to that charge. A charge settled twice, or made before a
// reset, changes nothing.
TEST_F(CometScriptCutterTest, AChargedSegmentCountsUntilItSettles) {
    const QByteArray message = segment("recvMsg", packetWithText(1, "看房"));
    const QByteArray heartbeat = segment("recvHeartbeatMsg", "1");
    QList<CometScriptCutter::Charge> charges;
    CometScriptCutter* reading = nullptr;
    CometScriptCutter charging(
        [&](QByteArrayView whole) {
            if (whole.startsWith(message)) charges.append(reading->charge(message.size()));
        },
        [](QByteArrayView, Piece) {});
    reading = &charging;
    const auto counted = [&] { return charging.undeliveredBytes(); };

    charging.feed(message);
    charging.feed("\n\n");
    charging.feed(" \t");
    EXPECT_EQ(counted(), message.size() + 4);
    EXPECT_EQ(charging.chargesOpen(), 1);
    charging.settle(charges[0], true);
    EXPECT_EQ(counted(), 0);
    EXPECT_EQ(charging.trailingSpaceBytes(), 4);
    charging.feed("\r ");
    charging.settle(charges[0], true);
    EXPECT_EQ(counted(), 0);
    EXPECT_EQ(charging.trailingSpaceBytes(), 6);
    EXPECT_EQ(charging.chargesOpen(), 0);

    charging.feed(message);
    charging.feed("\n");
    charging.settle(charges[1], false);
    charging.feed("\n\n");
    EXPECT_EQ(counted(), message.size() + 3);
    EXPECT_EQ(charging.trailingSpaceBytes(), 6);

    // The first is handed over as the second starts, in the chunk; the white space after is the
    // second's.
    charging.feed(message + message);
    charging.feed("   ");
    EXPECT_EQ(counted(), message.size() + 3 + 2 * message.size() + 3);
    charging.settle(charges[3], true);
    EXPECT_EQ(counted(), message.size() + 3 + message.size());
    charging.settle(charges[2], true);
    EXPECT_EQ(counted(), message.size() + 3);
    EXPECT_EQ(charging.trailingSpaceBytes(), 6 + 3);

    charging.feed(message + heartbeat);
    charging.feed("    ");
    EXPECT_EQ(counted(), 2 * message.size() + 3);
    EXPECT_EQ(charging.trailingSpaceBytes(), 6 + 3 + 4);
    EXPECT_EQ(charging.chargesOpen(), 1);

    charging.reset();
    charging.settle(charges[4], true);
    EXPECT_EQ(counted(), 0);
    EXPECT_EQ(charging.chargesOpen(), 0);
    charging.feed(message);
    EXPECT_EQ(counted(), message.size());
    EXPECT_GT(charges[5], charges[4]);
}

// Past 32 MB that deliver no segment the stream is given up, however they come: white space
// in chunks, heartbeats between 4 MB and 16 KB of it (each heartbeat delivered, with the 16 KB
// after it), starts that fail, or segments of 31.5 MB each left by the next start; and segments
// set aside. A byte short of the bound, the stream goes on.
TEST_F(CometScriptCutterTest, AStreamIsGivenUpPast32MegabytesThatDeliverNoSegment) {
    constexpr qsizetype kBound = 32 * 1024 * 1024;
    constexpr qsizetype kChunk = 64 * 1024;
    const QByteArray heartbeat = segment("recvHeartbeatMsg", "1");
    const QByteArray start = "<script>window.parent.QX.webim.cometMgr.recvMsg(";
    const auto feedInChunks = [&](const QByteArray& text) {
        for (qsizetype at = 0; at < text.size() && !cutter.givenUp(); at += kChunk)
            cutter.feed(QByteArrayView(text).sliced(at, std::min(kChunk, text.size() - at)));
    };
    const QByteArray filler(4 * 1024 * 1024 + CometScriptCutter::kMostSpaceAfterSegment, ' ');
    for (int round = 0; round < 8; ++round) {
        cutter.feed(heartbeat);
        feedInChunks(round < 7 ? filler : filler.first(filler.size() - 1));
    }
    EXPECT_EQ(segments.size(), 8);
    EXPECT_FALSE(cutter.givenUp());
    EXPECT_EQ(cutter.trailingSpaceBytes(), 8 * CometScriptCutter::kMostSpaceAfterSegment);
    EXPECT_EQ(cutter.undeliveredBytes(), kBound - 1);
    cutter.feed(" " + heartbeat);
    EXPECT_TRUE(cutter.givenUp());
    EXPECT_EQ(segments.size(), 8);
    EXPECT_EQ(cutter.undeliveredBytes(), kBound + heartbeat.size());
    segments.clear();

    cutter.reset();
    EXPECT_FALSE(cutter.givenUp());
    // The last "<scrip" waits for what follows it.
    feedInChunks(QByteArray("<scrip").repeated(kBound / 6 + 2));
    EXPECT_TRUE(cutter.givenUp());
    EXPECT_LE(cutter.undeliveredBytes(), kBound + kChunk);

    cutter.reset();
    const QByteArray unfinished = start + QByteArray(kBound - kBound / 64 - start.size(), ' ');
    feedInChunks(unfinished + unfinished);
    EXPECT_FALSE(cutter.givenUp());
    cutter.feed(heartbeat);
    EXPECT_TRUE(cutter.givenUp());
    EXPECT_TRUE(segments.isEmpty() && pieces.last() == Piece::Abandoned);

    // Filler up to the bound and a segment in one feed: the segment is not read.
    cutter.reset();
    cutter.feed(QByteArray(kBound, ' ') + heartbeat);
    EXPECT_TRUE(cutter.givenUp());
    EXPECT_TRUE(segments.isEmpty());

    // A segment set aside as a feed ends gives the stream up then, not at the next feed.
    CometScriptCutter* settingAside = nullptr;
    CometScriptCutter small([&](QByteArrayView whole) { settingAside->setAside(whole.size()); },
                            [](QByteArrayView, Piece) {}, {4096, 32768, 1024, 4096});
    settingAside = &small;
    small.feed(QByteArray(1024 - heartbeat.size(), ' '));
    small.feed(heartbeat.first(10));
    EXPECT_FALSE(small.givenUp());
    small.feed(heartbeat.sliced(10));
    EXPECT_TRUE(small.givenUp());
    EXPECT_EQ(small.undeliveredBytes(), 1024);

    cutter.reset();
    cutter.setAside(kBound - 1);
    cutter.feed(heartbeat);
    EXPECT_FALSE(cutter.givenUp());
    cutter.setAside(1);
    cutter.feed(heartbeat);
    EXPECT_TRUE(cutter.givenUp());
    EXPECT_EQ(segments.size(), 1);
}

// A stream cut into tiny chunks reaches the bound after as many chunks as it would after bytes:
// each chunk counts at least kLeastChunkBytes. The server's own segments, a chunk each, count
// their bytes alone.
TEST_F(CometScriptCutterTest, EachChunkOfTheStreamCountsAtLeastItsLeastBytes) {
    constexpr qsizetype kBound = 32 * 1024 * 1024;
    constexpr qsizetype kLeast = CometScriptCutter::kLeastChunkBytes;
    const QByteArray heartbeat = segment("recvHeartbeatMsg", "1");
    ASSERT_GT(heartbeat.size(), kLeast);
    for (int beat = 0; beat < 1000; ++beat) {
        cutter.chargeChunks(1, heartbeat.size());
        cutter.feed(heartbeat);
    }
    EXPECT_EQ(segments.size(), 1000);
    EXPECT_EQ(cutter.undeliveredBytes(), 0);

    // White space a byte a chunk, in reads of 1,000 chunks.
    cutter.reset();
    const QByteArray read(1000, ' ');
    qsizetype reads = 0;
    for (; !cutter.givenUp() && reads < kBound / read.size(); ++reads) {
        cutter.chargeChunks(read.size(), read.size());
        cutter.feed(read);
    }
    EXPECT_TRUE(cutter.givenUp());
    EXPECT_EQ(reads, kBound / (kLeast * read.size()) + 1);
}

// What a chunk counts for at least is 64 bytes, charged for every chunk of a read, the first
// too: a read that brings one small chunk is charged what it falls short, and a chunk of 64
// bytes or more nothing.
TEST_F(CometScriptCutterTest, EveryChunkOfAReadCountsSixtyFourBytesAtLeast) {
    cutter.chargeChunks(1, 1);
    EXPECT_EQ(cutter.undeliveredBytes(), 63);
    cutter.chargeChunks(1, 63);
    EXPECT_EQ(cutter.undeliveredBytes(), 64);
    cutter.chargeChunks(1, 64);
    cutter.chargeChunks(1, 5000);
    EXPECT_EQ(cutter.undeliveredBytes(), 64);
    // Three chunks of 100 bytes between them fall short of 192 by 92.
    cutter.chargeChunks(3, 100);
    EXPECT_EQ(cutter.undeliveredBytes(), 156);
    // A read of a thousand one-byte chunks is charged for each of them.
    cutter.reset();
    cutter.chargeChunks(1000, 1000);
    EXPECT_EQ(cutter.undeliveredBytes(), 63 * 1000);
    // A stream whose reads each bring one chunk of a byte is given up after the bound's worth.
    cutter.reset();
    qint64 reads = 0;
    while (!cutter.givenUp() && reads < 1'000'000) {
        cutter.chargeChunks(1, 1);
        cutter.feed(" ");
        ++reads;
    }
    EXPECT_TRUE(cutter.givenUp());
    EXPECT_EQ(reads, 32 * 1024 * 1024 / 64);
}

struct Delivery {
    QVariant result;
    QString key;
    std::optional<ns::Error> error;
};

class QXIMOnlineScriptParserTest : public ::testing::Test {
protected:
    void SetUp() override {
        parser.setReslutTypes({{"recvMsg", 1}, {"recvData", 1}});
        parser.setDelegate([this](const QVariant& result, const QString& key,
                                  const std::optional<ns::Error>& error) {
            deliveries.append({result, key, error});
        });
    }
    QXIMOnlineScriptParser parser{{"recvMsg", "recvData", "command", "recvHeartbeatMsg"}};
    QList<Delivery> deliveries;
};

TEST_F(QXIMOnlineScriptParserTest, KeysGiveJsonOrTextAndAnythingElseTheError) {
    parser.parseScriptText(QString::fromUtf8(segment("recvMsg", R"({"id":9000000000001})")));
    parser.parseScriptText(QString::fromUtf8(segment("recvHeartbeatMsg", "")));
    parser.parseScriptText(QString::fromUtf8(segment("unknown", "{}")));
    parser.parseScriptText(QString::fromUtf8(segment("recvMsg", "{broken")));
    ASSERT_EQ(deliveries.size(), 4);
    EXPECT_EQ(deliveries[0].key, "recvMsg");
    EXPECT_EQ(deliveries[0].result.toMap().value("id").toLongLong(), 9000000000001);
    EXPECT_EQ(deliveries[1].key, "recvHeartbeatMsg");
    EXPECT_EQ(deliveries[1].result, QVariant(QString("")));
    for (const int failed : {2, 3}) {
        ASSERT_TRUE(deliveries[failed].error);
        EXPECT_EQ(deliveries[failed].error->domain(), "未能解析.");
        EXPECT_EQ(deliveries[failed].error->code(), -1);
        EXPECT_FALSE(deliveries[failed].result.isValid());
    }
}

TEST_F(QXIMOnlineScriptParserTest, AClosingTextInAMessageStaysInItsText) {
    parser.parseScriptText(
        QString::fromUtf8(segment("recvMsg", R"({"t":"看 );</script> 房","n":2})")));
    ASSERT_EQ(deliveries.size(), 1);
    EXPECT_FALSE(deliveries[0].error);
    EXPECT_EQ(deliveries[0].result.toMap().value("t").toString(), "看 );</script> 房");
    EXPECT_EQ(deliveries[0].result.toMap().value("n").toInt(), 2);
}

// A segment too long to be kept whole is read as its pieces come, under its start's key:
// ids and short fields whole, long strings cut to 16 KB, and at most 4 MB kept of the rest.
TEST_F(QXIMOnlineScriptParserTest, ASegmentInPiecesIsReadUnderItsKeyWithItsLongStringsCut) {
    constexpr qsizetype kLongest = 16 * 1024;
    constexpr qsizetype kBound = 4 * 1024 * 1024;
    const QByteArray start = "<script>window.parent.QX.webim.cometMgr.";
    const auto readInPieces = [&](const QByteArray& key, const QByteArray& payload) {
        const QByteArray whole = start + key + "(" + payload + ");</script> ";
        const qsizetype third = whole.size() / 3;
        parser.readPiece(QByteArrayView(whole).first(third), Piece::First);
        parser.readPiece(QByteArrayView(whole).sliced(third, third), Piece::More);
        parser.readPiece(QByteArrayView(whole).sliced(2 * third), Piece::Last);
    };
    readInPieces("recvMsg", R"({"msgs":[{"id":9000000000001,"contents":[")" +
                                QByteArray(3 * kLongest, 'a') +
                                R"("]}],"talk":{"toTalkId":"1-2"}})");
    ASSERT_EQ(deliveries.size(), 1);
    EXPECT_FALSE(deliveries[0].error);
    EXPECT_EQ(deliveries[0].key, "recvMsg");
    const QVariantMap message = deliveries[0].result.toMap()["msgs"].toList().value(0).toMap();
    EXPECT_EQ(message["id"].toLongLong(), 9000000000001);
    EXPECT_EQ(message["contents"].toList().value(0).toString(), QString(kLongest, 'a'));
    EXPECT_EQ(deliveries[0].result.toMap()["talk"].toMap()["toTalkId"], "1-2");

    // Abandoned: nothing; the next is read afresh.
    parser.readPiece(start + "recvMsg({\"lost\":\"" + QByteArray(kLongest, 'b'), Piece::First);
    parser.readPiece({}, Piece::Abandoned);
    EXPECT_EQ(deliveries.size(), 1);
    // A text payload cannot be cut, a JSON one may keep 4 MB at most (here of numbers), and
    // neither may end inside its value: each is refused with its key and its beginning.
    // An unlisted key is refused as a whole segment would be.
    readInPieces("recvHeartbeatMsg", QByteArray(kBound + 1, '7'));
    readInPieces("recvData", "[" + QByteArray("1,").repeated(kBound / 2) + "1]");
    readInPieces("recvData", R"({"a":")" + QByteArray(kBound, 'c'));
    readInPieces("unknown", QByteArray(kBound + 1, '7'));
    ASSERT_EQ(deliveries.size(), 5);
    for (const int refused : {1, 2, 3}) {
        ASSERT_TRUE(deliveries[refused].error) << refused;
        const QVariantMap unread = deliveries[refused].error->userInfo();
        EXPECT_EQ(unread.value(QXIMOnlineScriptParser::kKeyKey),
                  refused == 1 ? "recvHeartbeatMsg" : "recvData");
        EXPECT_TRUE(unread.value(QXIMOnlineScriptParser::kPayloadKey)
                        .toString()
                        .startsWith(refused == 1   ? "7777"
                                    : refused == 2 ? "[1,1,"
                                                   : R"({"a":"ccc)"));
    }
    ASSERT_TRUE(deliveries[4].error);
    EXPECT_FALSE(deliveries[4].error->userInfo().contains(QXIMOnlineScriptParser::kPayloadKey));
}

TEST_F(QXIMOnlineScriptParserTest, TheFirstListedKeyFoundWins) {
    parser.parseScriptText(QString::fromUtf8(segment("command", R"("recvData(")")));
    ASSERT_EQ(deliveries.size(), 1);
    EXPECT_EQ(deliveries[0].key, "command");
}

}  // namespace
