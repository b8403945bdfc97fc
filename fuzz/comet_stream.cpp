// The messaging stream as the server writes it, cut into chunks at places the input
// chooses. Whatever arrives, every segment handed over is one whole segment (a start, then
// its closing text and white space at most), the bytes handed over never exceed the bytes
// fed, the kept tail never holds more than was fed nor more than a segment may hold, and
// the script parser answers each segment exactly once.
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
    CometScriptCutter cutter([&](QByteArrayView segment) {
        if (CometScriptCutter::startLength(segment, 0) == 0) std::abort();
        qsizetype end = segment.size();
        while (end > 0 && std::strchr(" \t\n\r\f\v", segment[end - 1]) != nullptr) --end;
        if (!segment.first(end).endsWith(");</script>")) std::abort();
        handed += segment.size();
        ++segments;
        parser.parseScriptText(QString::fromUtf8(segment));
    });
    for (qsizetype at = 0; at < stream.size(); at += chunk) {
        const bool kept =
            cutter.feed(QByteArrayView(stream).sliced(at, std::min(chunk, stream.size() - at)));
        if (handed > at + chunk || cutter.tail().size() > stream.size() ||
            cutter.tail().size() > CometScriptCutter::kMaxSegment ||
            (!kept && !cutter.tail().isEmpty()))
            std::abort();
    }
    if (answers != segments) std::abort();
    return 0;
}
