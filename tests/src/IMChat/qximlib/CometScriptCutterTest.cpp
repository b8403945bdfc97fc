#include "IMChat/qximlib/CometScriptCutter.h"
#include "IMChat/qximlib/QXIMOnlineScriptParser.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QList>

namespace {

QByteArray segment(const QByteArray& key, const QByteArray& payload) {
    return "<script>window.parent.QX.webim.cometMgr." + key + "(" + payload + ");</script>";
}

class CometScriptCutterTest : public ::testing::Test {
protected:
    CometScriptCutter cutter{
        [this](QByteArrayView segment) { segments.append(segment.toByteArray()); }};
    QList<QByteArray> segments;
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
    // with a domain, and in a payload what only begins like a start or a closing text. (A
    // closing text inside a payload ends its segment when a chunk ends right after it.)
    const QByteArray heartbeat = segment("recvHeartbeatMsg", "");
    const QByteArray message = segment("recvMsg", R"({"t":"您好 <scr 再见 a<b );<"})");
    const QByteArray command =
        "<script>document.domain = \"kbw.example\"; "
        "window.parent.QX.webim.cometMgr.command({});</script>";
    const QByteArray stream = heartbeat + "\n" + message + command;
    // The white space after a closing text goes with its segment when it came with it.
    const auto expectWhole = [&](const QString& how) {
        ASSERT_EQ(segments.size(), 3) << how.toStdString();
        EXPECT_EQ(segments[0].trimmed(), heartbeat) << how.toStdString();
        EXPECT_EQ(segments[1], message) << how.toStdString();
        EXPECT_EQ(segments[2], command) << how.toStdString();
        EXPECT_TRUE(cutter.tail().isEmpty()) << how.toStdString();
    };
    const auto cutAt = [&](const QList<qsizetype>& cuts) {
        segments.clear();
        cutter.reset();
        qsizetype from = 0;
        for (const qsizetype cut : cuts) {
            EXPECT_TRUE(cutter.feed(stream.mid(from, cut - from)));
            from = cut;
        }
        EXPECT_TRUE(cutter.feed(stream.mid(from)));
    };
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

TEST_F(CometScriptCutterTest, ASegmentHoldsAtMostTheBoundAndALongerOneIsDropped) {
    constexpr qsizetype kBound = CometScriptCutter::kMaxSegment;
    const QByteArray start = "<script>window.parent.QX.webim.cometMgr.recvMsg(";
    const QByteArray close = ");</script>";
    const auto ofSize = [&](qsizetype size) {
        return start + QByteArray(size - start.size() - close.size(), 'x') + close;
    };
    // In chunks of 64 KB: whether every chunk was taken.
    const auto feedInChunks = [&](const QByteArray& text) {
        bool taken = true;
        for (qsizetype at = 0; at < text.size(); at += 65536)
            taken = cutter.feed(QByteArrayView(text).sliced(
                        at, std::min<qsizetype>(65536, text.size() - at))) &&
                    taken;
        return taken;
    };
    EXPECT_TRUE(feedInChunks(ofSize(kBound)));
    ASSERT_EQ(segments.size(), 1);
    EXPECT_EQ(segments[0].size(), kBound);

    EXPECT_FALSE(feedInChunks(ofSize(kBound + 1)));
    EXPECT_EQ(segments.size(), 1);
    EXPECT_TRUE(cutter.tail().isEmpty());
    // A start that never finishes is held to the same bound.
    EXPECT_FALSE(feedInChunks("<script>" + QByteArray(kBound, ' ')));
    EXPECT_TRUE(cutter.tail().isEmpty());
    // What follows is cut afresh.
    EXPECT_TRUE(cutter.feed(segment("recvHeartbeatMsg", "")));
    EXPECT_EQ(segments.size(), 2);
}

TEST_F(CometScriptCutterTest, TextWithoutSegmentsKeepsOnlyWhatMayStartOne) {
    cutter.feed("garbage garbage <scr");
    EXPECT_EQ(cutter.tail(), "<scr");
    cutter.feed("ipt>window.parent.QX.webim.cometMgr.test(1);</script>");
    ASSERT_EQ(segments.size(), 1);
    cutter.feed(QByteArray(1000, 'x'));
    EXPECT_TRUE(cutter.tail().isEmpty());
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

TEST_F(QXIMOnlineScriptParserTest, TheFirstListedKeyFoundWins) {
    parser.parseScriptText(QString::fromUtf8(segment("command", R"("recvData(")")));
    ASSERT_EQ(deliveries.size(), 1);
    EXPECT_EQ(deliveries[0].key, "command");
}

}  // namespace
