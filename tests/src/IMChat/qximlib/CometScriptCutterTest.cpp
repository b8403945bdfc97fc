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
    const QByteArray stream = segment("recvHeartbeatMsg", "") + "\n" +
                              segment("recvMsg", R"({"t":"您好，再见"})") +
                              "<script>document.domain = \"kbw.example\"; "
                              "window.parent.QX.webim.cometMgr.command({});</script>";
    for (qsizetype first = 1; first < stream.size(); first += 3) {
        for (qsizetype second = first; second < stream.size(); second += 17) {
            segments.clear();
            cutter.reset();
            cutter.feed(stream.left(first));
            cutter.feed(stream.mid(first, second - first));
            cutter.feed(stream.mid(second));
            ASSERT_EQ(segments.size(), 3) << first << " " << second;
            EXPECT_TRUE(segments[1].contains("再见"));
            EXPECT_TRUE(segments[2].startsWith("<script>document.domain"));
        }
    }
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
