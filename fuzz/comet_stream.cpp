// The messaging stream as the server writes it, cut into chunks at places the input
// chooses. Whatever arrives, every segment handed over is one whole segment (a start, then
// its closing text and white space at most), a longer one comes in pieces in order (the
// first beginning with a start), the bytes handed over never exceed the bytes fed, the kept
// tail never holds more than was fed nor more than a segment may hold, and the script parser
// answers each segment exactly once.
#include "src/IMChat/qximlib/CometScriptCutter.h"
#include "src/IMChat/qximlib/QXIMOnlineScriptParser.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    // The first byte chooses the chunk length; the rest is the stream.
    const qsizetype chunk = data[0] % 32 + 1;
    const QByteArray stream(reinterpret_cast<const char*>(data) + 1,
                            static_cast<qsizetype>(size - 1));

    QXIMOnlineScriptParser parser({QStringLiteral("recvMsg"), QStringLiteral("recvData"),
                                   QStringLiteral("command"), QStringLiteral("recvHeartbeatMsg"),
                                   QStringLiteral("test")});
    parser.setReslutTypes({{QStringLiteral("recvMsg"), 1}, {QStringLiteral("recvData"), 1}});
    int answers = 0;
    parser.setDelegate(
        [&](const QVariant&, const QString&, const std::optional<ns::Error>&) { ++answers; });

    qsizetype handed = 0;
    int segments = 0;
    bool inPieces = false;
    using Piece = CometScriptCutter::Piece;
    CometScriptCutter cutter(
        [&](QByteArrayView segment) {
            if (inPieces || CometScriptCutter::startLength(segment, 0) == 0) std::abort();
            qsizetype end = segment.size();
            while (end > 0 && std::strchr(" \t\n\r\f\v", segment[end - 1]) != nullptr) --end;
            if (!segment.first(end).endsWith(");</script>")) std::abort();
            handed += segment.size();
            ++segments;
            parser.parseScriptText(QString::fromUtf8(segment));
        },
        [&](QByteArrayView bytes, Piece piece) {
            if ((piece == Piece::First) == inPieces) std::abort();
            if (piece == Piece::First && CometScriptCutter::startLength(bytes, 0) == 0)
                std::abort();
            if (piece == Piece::Abandoned && !bytes.isEmpty()) std::abort();
            handed += bytes.size();
            inPieces = piece == Piece::First || piece == Piece::More;
            if (piece == Piece::Last) ++segments;
            parser.readPiece(bytes, piece);
        });
    for (qsizetype at = 0; at < stream.size(); at += chunk) {
        cutter.feed(QByteArrayView(stream).sliced(at, std::min(chunk, stream.size() - at)));
        if (handed > at + chunk || cutter.tail().size() > stream.size() ||
            cutter.tail().size() > CometScriptCutter::kMaxSegment)
            std::abort();
    }
    if (answers != segments) std::abort();
    return 0;
}
