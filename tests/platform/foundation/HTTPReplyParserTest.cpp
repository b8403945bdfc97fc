#include "ReplyReading.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Outcome = ns::HTTPReplyParser::Outcome;

// The reading of a reply whole, checked to be the same byte by byte and in two pieces
// cut at every place.
ReplyReading readEveryWay(const QByteArray& reply, bool noBody = false) {
    const ReplyReading whole = readReply(reply, {}, noBody);
    std::vector<qsizetype> everyByte;
    for (qsizetype at = 1; at < reply.size(); ++at) {
        everyByte.push_back(at);
        EXPECT_EQ(readReply(reply, {at}, noBody), whole) << "cut at " << at << ": " << reply.data();
    }
    EXPECT_EQ(readReply(reply, everyByte, noBody), whole) << "byte by byte: " << reply.data();
    return whole;
}

TEST(HTTPReplyParserTest, RepliesTheFramingEndsReadTheSameInAnyPieces) {
    struct Case {
        QByteArray reply;
        QByteArray body;
        bool reusable;
    };
    const std::vector<Case> cases{
        {"HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello", "hello", true},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
         "5;name=value\r\nhel\rl\r\n6 \r\n world\r\n0\r\nExpires: never\r\n\r\n",
         "hel\rl world", true},
        // a carriage return as the last byte of a body framed by its length
        {"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nA\r", "A\r", true},
        // codings that do not end in chunked: read to the close
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked, identity\r\n\r\n2\r\nOK\r\n0\r\n\r\n",
         "2\r\nOK\r\n0\r\n\r\n", false},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\t\r\n\r\n2\r\nOK\r\n0\r\n\r\n", "OK", true},
        {"HTTP/1.1 200 OK\r\nContent-Length:\t2\t\r\n\r\nOK", "OK", true},
        {"HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 204 No Content\r\nContent-Length: 3\r\n\r\n", "",
         true},
        {"HTTP/1.1 304 Not Modified\r\nTransfer-Encoding: chunked\r\n\r\n", "", true},
        {"HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: 2\r\n\r\nOK", "OK", false},
        {"HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nOK", "OK", false},
        {"HTTP/1.0 200 OK\r\n\r\nuntil the end", "until the end", false},
        // bytes after the reply: it ends, but the connection carries nothing more
        {"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nOKHTTP/1.1 200 OK\r\n", "OK", false},
    };
    for (const auto& [reply, body, reusable] : cases) {
        const ReplyReading reading = readEveryWay(reply);
        EXPECT_EQ(reading.outcome, Outcome::Complete) << reply.data();
        EXPECT_EQ(reading.body, body) << reply.data();
        EXPECT_EQ(reading.reusable, reusable) << reply.data();
    }
}

// The chunks of a chunked body are counted however the reply is cut: every chunk that carries
// bytes, not the last, empty one, and none of a body framed otherwise.
TEST(HTTPReplyParserTest, TheChunksOfAChunkedBodyAreCountedInAnyPieces) {
    const QByteArray chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    const std::vector<std::pair<QByteArray, qint64>> cases{
        {chunked + "1\r\nA\r\n1\r\nB\r\n1\r\nC\r\n0\r\n\r\n", 3},
        {chunked + "5;name=value\r\nhello\r\n0\r\nExpires: never\r\n\r\n", 1},
        {chunked + "0\r\n\r\n", 0},
        {"HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello", 0},
        {"HTTP/1.1 304 Not Modified\r\nTransfer-Encoding: chunked\r\n\r\n", 0},
    };
    for (const auto& [reply, chunks] : cases) {
        const ReplyReading reading = readEveryWay(reply);
        EXPECT_EQ(reading.outcome, Outcome::Complete) << reply.data();
        EXPECT_EQ(reading.chunks, chunks) << reply.data();
    }
}

TEST(HTTPReplyParserTest, BrokenOrCutRepliesFailInAnyPieces) {
    const std::vector<QByteArray> replies{
        // carriage returns that end no line: in a field, a chunk-size line, a chunk's end,
        // the status line, the blank line
        "HTTP/1.1 200 OK\r\nX:\rTransfer-Encoding: chunked\r\n\r\n1\r\nA\r\n0\r\n\r\n",
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\r;ABCD\r\n34\r\nE\r\n0\r\n\r\n",
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nOK\r0\r\n\r\n",
        "HTTP/1.1 200 OK\rX: y\r\nContent-Length: 0\r\n\r\n",
        "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\rOK",
        // framed two ways
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Length: 3\r\n\r\n0\r\n\r\n",
        "HTTP/1.1 200 OK\r\nContent-Length: 1\r\nTransfer-Encoding: identity\r\n\r\nx",
        // codings a fold hides from the library's reading
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip\r\n , chunked\r\n\r\n0\r\n\r\n",
        "HTTP/1.1 200 OK\r\nContent-Length : 2\r\n\r\nOK",
        "HTTP/5.6 200 OK\r\nContent-Length: 0\r\n\r\n",
        "HTTP/1.1  200 OK\r\nContent-Length: 0\r\n\r\n",
        "HTTP/1.1 2 OK\r\nContent-Length: 0\r\n\r\n",
        "HTTP/1.1 20 OK\r\nContent-Length: 0\r\n\r\n",
        // two digits, then what may follow three
        "HTTP/1.1 20 \r\nContent-Length: 0\r\n\r\n",
        "HTTP/1.1 20  OK\r\nContent-Length: 0\r\n\r\n",
        "HTTP/1.1 101 Switching Protocols\r\nUpgrade: h2c\r\nConnection: upgrade\r\n\r\n",
        // cut short
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n",
        "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nhello",
        "HTTP/1.1 100 Continue\r\n\r\n",
        "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n",
    };
    for (const QByteArray& reply : replies) {
        EXPECT_EQ(readEveryWay(reply).outcome, Outcome::Failed) << reply.data();
    }
}

TEST(HTTPReplyParserTest, FieldsKeepTheBytesSentAndFoldedLinesUnfold) {
    const ReplyReading reading = readEveryWay(
        "HTTP/1.1 200 OK\r\n"
        "Content-Disposition: attachment; filename=\"caf\xe9\t.txt\"  \r\n"
        "X-Note:   one  \r\n  two\r\n\tthree\r\n"
        "X-Empty:\r\n"
        "x-note: again\r\n"
        "Content-Length: 0\r\n\r\n");
    ASSERT_EQ(reading.outcome, Outcome::Complete);
    const ns::HTTPReplyParser::Fields expected{
        {"Content-Disposition", "attachment; filename=\"caf\xe9\t.txt\""},
        {"X-Note", "one two three"},
        {"X-Empty", ""},
        {"x-note", "again"},
        {"Content-Length", "0"},
    };
    EXPECT_EQ(reading.fields, expected);
}

TEST(HTTPReplyParserTest, HeadRepliesAndTooLargeHeadsHaveNoBodyToWaitFor) {
    const ReplyReading head =
        readEveryWay("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n", /*noBody=*/true);
    EXPECT_EQ(head.outcome, Outcome::Complete);
    EXPECT_TRUE(head.reusable);

    // 256 fields at most, the length among them.
    QByteArray many = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n";
    for (int i = 1; i < 256; ++i) many += "X-" + QByteArray::number(i) + ": v\r\n";
    const ReplyReading most = readReply(many + "\r\n", {});
    EXPECT_EQ(most.outcome, Outcome::Complete);
    EXPECT_EQ(most.fields.size(), 256);
    EXPECT_EQ(readReply(many + "X-256: v\r\n\r\n", {}).outcome, Outcome::Failed);
    for (int i = 257; i < 300; ++i) many += "X-" + QByteArray::number(i) + ": v\r\n";
    EXPECT_EQ(readReply(many + "\r\n", {}).outcome, Outcome::Failed);
    const QByteArray huge = "HTTP/1.1 200 OK\r\nX: " + QByteArray(300 * 1024, 'v') + "\r\n\r\n";
    EXPECT_EQ(readReply(huge, {}).outcome, Outcome::Failed);
}

}  // namespace
