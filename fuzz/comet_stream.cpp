// The messaging stream as the server writes it, cut into chunks at places the input
// chooses. Whatever arrives, every segment handed over is one whole segment (a start, then
// its closing text and white space at most), a longer one comes in pieces in order (the
// first beginning with a start), the bytes handed over never exceed the bytes fed, the kept
// tail never holds more than was fed nor more than a segment may hold, and the script parser
// answers each segment exactly once. What the cutter hands over in segments that end, what it
// counts as delivering nothing (the segments the parser refuses among them, as the service
// tells it, and those charged until they settle, as the service charges a packet until it is
// stored: here every segment the parser reads whose length is a multiple of three, settled
// after the next chunk, as delivered when its length is even) and what is pending add up to
// what it was fed, to the byte; past its bound of bytes that deliver nothing the stream is
// given up, and a stream within it is not.
//
// The first byte chooses the chunk length (its low five bits), bounds small enough for short
// inputs to reach (0x20), and whether the rest is the stream itself or shapes of streams that
// deliver nothing, each byte one (0x40, with the small bounds): filler, starts that fail,
// segments left unfinished, heartbeats, long segments, segments the parser refuses, white
// space, a byte as it is. Or (0x80) the rest writes an honest stream, as the server writes it:
// messages whose texts hold the stream's own marks, each byte a piece of text, heartbeats and
// white space after the segments; then every segment is handed over once, whole and in order,
// and nothing is counted as delivering nothing, however the chunks fall. With 0x40 too the
// server tears segments off: a byte after each segment tears about one in three at a place the
// next two bytes choose, the next segment following at once, and a message ends the stream;
// then every segment not torn is handed over once, whole and in order, whatever else is.
//
// In every mode no byte is read a third time: what the cutter reads again is less than it was
// fed.
#include "src/IMChat/qximlib/CometScriptCutter.h"
#include "src/IMChat/qximlib/QXIMOnlineScriptParser.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace {

constexpr QByteArrayView kStart = "<script>window.parent.QX.webim.cometMgr.recvMsg(";
constexpr qsizetype kShapeUnit = 64;
// What the shapes expand to at most: past every small bound many times over.
constexpr qsizetype kMostExpanded = 256 * 1024;

QByteArray segment(QByteArrayView key, QByteArrayView payload) {
    return "<script>window.parent.QX.webim.cometMgr." + key.toByteArray() + '(' +
           payload.toByteArray() + ");</script>";
}

struct HonestStream {
    QByteArray bytes;
    // The segments written whole, in order.
    QList<QByteArray> segments;
};

// Messages whose texts are made of the stream's marks and of bytes as they are, written as
// JSON as the server writes them; some of them torn off when `tearing`.
HonestStream honest(const uint8_t* data, size_t size, bool tearing) {
    static const QByteArray kMarks[] = {kStart.toByteArray(), ");</script>", "<script>", "\"",
                                        "\\"};
    HonestStream stream;
    QByteArray text;
    size_t at = 0;
    const auto write = [&](const QByteArray& whole, int spaces) {
        if (tearing && at + 3 < size && data[at + 1] < 77) {
            const qsizetype place = (data[at + 2] << 8) | data[at + 3];
            stream.bytes += whole.first(1 + place % (whole.size() - 1));
            at += 3;
            return;
        }
        if (tearing) ++at;
        stream.segments.append(whole);
        stream.bytes += whole + QByteArray(spaces, '\n');
    };
    const auto message = [&](int spaces) {
        const QJsonObject packet{
            {"msgs", QJsonArray{QJsonObject{{"id", stream.segments.size()},
                                            {"contents", QJsonArray{QString::fromLatin1(text)}}}}}};
        write(segment("recvMsg", QJsonDocument(packet).toJson(QJsonDocument::Compact)), spaces);
        text.clear();
    };
    for (; at < size; ++at) {
        const int kind = data[at] % 8;
        if (kind < 5) {
            text += kMarks[kind];
        } else if (kind == 5) {
            if (++at < size) text += char(data[at]);
        } else if (kind == 6) {
            message(data[at] / 8);
        } else {
            write(segment("recvHeartbeatMsg", QByteArray::number(data[at] / 8)), 0);
        }
    }
    if (!text.isEmpty()) message(0);
    if (tearing) {
        // A segment torn inside a string is known to be torn only once a quote comes after it:
        // heartbeats alone wait for the next message, which the server writes in the end.
        tearing = false;
        write(segment("recvMsg", R"({"msgs":[]})"), 1);
    }
    return stream;
}

QByteArray shapes(const uint8_t* data, size_t size) {
    QByteArray stream;
    for (size_t at = 0; at < size && stream.size() < kMostExpanded; ++at) {
        const int times = data[at] / 8 + 1;
        switch (data[at] % 8) {
            case 0:
                stream += QByteArray(times * kShapeUnit, 'x');
                break;
            case 1:
                stream += QByteArray("<scrip").repeated(times);
                break;
            case 2:
                stream += kStart.toByteArray() + QByteArray(times * kShapeUnit, 'y');
                break;
            case 3:
                stream += segment("recvHeartbeatMsg", QByteArray::number(times));
                break;
            case 4:
                stream += segment("recvMsg", "\"" + QByteArray(times * kShapeUnit, 'z') + "\"");
                break;
            case 5:
                stream +=
                    segment("recvMsg",
                            "{\"n\":1e400,\"msgs\":[{\"id\":" + QByteArray::number(times) + "}]}");
                break;
            case 6:
                stream += QByteArray(" \n").repeated(times);
                break;
            case 7:
                if (++at < size) stream += char(data[at]);
                break;
        }
    }
    return stream;
}

}  // namespace

// An honest stream in chunks of `chunk` bytes: its segments not torn come once, whole and in
// order, and without a tear nothing else does.
void readHonestly(const uint8_t* data, size_t size, qsizetype chunk, bool tearing) {
    const HonestStream stream = honest(data, size, tearing);
    qsizetype next = 0;
    CometScriptCutter cutter(
        [&](QByteArrayView segment) {
            const QByteArray whole = segment.toByteArray().trimmed();
            if (next < stream.segments.size() && whole == stream.segments[next]) {
                ++next;
            } else if (!tearing || stream.segments.contains(whole)) {
                std::abort();
            }
        },
        [](QByteArrayView, CometScriptCutter::Piece) { std::abort(); });
    for (qsizetype at = 0; at < stream.bytes.size(); at += chunk)
        cutter.feed(
            QByteArrayView(stream.bytes).sliced(at, std::min(chunk, stream.bytes.size() - at)));
    if (next != stream.segments.size() || cutter.readAgainBytes() > stream.bytes.size())
        std::abort();
    if (!tearing && (cutter.undeliveredBytes() != 0 || !cutter.tail().isEmpty())) std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const qsizetype chunk = data[0] % 32 + 1;
    if ((data[0] & 0x80) != 0) {
        readHonestly(data + 1, size - 1, chunk, (data[0] & 0x40) != 0);
        return 0;
    }
    const bool expand = (data[0] & 0x40) != 0;
    const bool small = expand || (data[0] & 0x20) != 0;
    const CometScriptCutter::Bounds bounds =
        small ? CometScriptCutter::Bounds{256, 2048, 4096, 64}
              : CometScriptCutter::Bounds{CometScriptCutter::kMaxSegment,
                                          CometScriptCutter::kMostSegmentBytes,
                                          CometScriptCutter::kMostUndeliveredBytes,
                                          CometScriptCutter::kMostSpaceAfterSegment};
    const QByteArray stream = expand ? shapes(data + 1, size - 1)
                                     : QByteArray(reinterpret_cast<const char*>(data) + 1,
                                                  static_cast<qsizetype>(size - 1));

    QXIMOnlineScriptParser parser({QStringLiteral("recvMsg"), QStringLiteral("recvData"),
                                   QStringLiteral("command"), QStringLiteral("recvHeartbeatMsg"),
                                   QStringLiteral("test")});
    parser.setReslutTypes({{QStringLiteral("recvMsg"), 1}, {QStringLiteral("recvData"), 1}});
    int answers = 0;
    // The bytes of the segment the parser answers for, and those it refused, which the service
    // counts as delivering nothing.
    qsizetype segmentBytes = 0;
    qsizetype refused = 0;
    CometScriptCutter* cutting = nullptr;
    // The segments charged, with their bytes, not yet settled.
    QList<std::pair<CometScriptCutter::Charge, qsizetype>> charged;
    parser.setDelegate([&](const QVariant&, const QString&, const std::optional<ns::Error>& error) {
        ++answers;
        if (!error && segmentBytes % 3 != 0) return;
        refused += segmentBytes;
        if (error) {
            cutting->setAside(segmentBytes);
        } else {
            charged.append({cutting->charge(segmentBytes), segmentBytes});
        }
    });

    qsizetype handed = 0;
    // Handed over in segments that ended, and in pieces of the segment under way.
    qsizetype delivered = 0;
    qsizetype current = 0;
    int segments = 0;
    bool inPieces = false;
    using Piece = CometScriptCutter::Piece;
    CometScriptCutter cutter(
        [&](QByteArrayView segment) {
            if (inPieces || CometScriptCutter::startLength(segment, 0) == 0) std::abort();
            qsizetype end = segment.size();
            while (end > 0 && std::strchr(" \t\n\r\f\v", segment[end - 1]) != nullptr) --end;
            if (!segment.first(end).endsWith(");</script>")) std::abort();
            if (segment.size() > bounds.segment) std::abort();
            handed += segment.size();
            delivered += segment.size();
            ++segments;
            segmentBytes = segment.size();
            parser.parseScriptText(QString::fromUtf8(segment));
        },
        [&](QByteArrayView bytes, Piece piece) {
            if ((piece == Piece::First) == inPieces) std::abort();
            if (piece == Piece::First && CometScriptCutter::startLength(bytes, 0) == 0)
                std::abort();
            if (piece == Piece::Abandoned && !bytes.isEmpty()) std::abort();
            handed += bytes.size();
            current += bytes.size();
            inPieces = piece == Piece::First || piece == Piece::More;
            if (piece == Piece::Last) {
                ++segments;
                delivered += current;
                segmentBytes = current;
            }
            if (piece == Piece::Last || piece == Piece::Abandoned) current = 0;
            parser.readPiece(bytes, piece);
        },
        bounds);
    cutting = &cutter;
    qsizetype fed = 0;
    for (qsizetype at = 0; at < stream.size() && !cutter.givenUp(); at += chunk) {
        const qsizetype length = std::min(chunk, stream.size() - at);
        // What was charged before this chunk settles once its white space may have come.
        const auto settling = std::exchange(charged, {});
        cutter.feed(QByteArrayView(stream).sliced(at, length));
        for (const auto& [charge, bytes] : settling) {
            const bool delivered = bytes % 2 == 0;
            cutter.settle(charge, delivered);
            if (delivered) refused -= bytes;
        }
        fed += length;
        if (handed > fed || cutter.tail().size() > stream.size() ||
            cutter.tail().size() > bounds.segment)
            std::abort();
        // Every byte fed is delivered, counted as delivering nothing, or pending.
        if (cutter.pendingBytes() != cutter.tail().size() + current) std::abort();
        if (delivered - refused + cutter.trailingSpaceBytes() + cutter.undeliveredBytes() +
                cutter.pendingBytes() !=
            fed)
            std::abort();
        if (cutter.givenUp() ? cutter.pendingBytes() != 0
                             : cutter.undeliveredBytes() >= bounds.undelivered)
            std::abort();
        if (cutter.readAgainBytes() > fed) std::abort();
    }
    if (answers != segments || cutter.chargesOpen() != charged.size()) std::abort();
    return 0;
}
