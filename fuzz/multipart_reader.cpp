// The stand-in reads the uploads' multipart bodies: any Content-Type line and body give the
// parts or a refusal, never a crash; every part read lies inside the body.
#include "standin/MultipartReader.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    // The first line is the Content-Type value, the rest the body.
    const qsizetype lineEnd = input.indexOf('\n');
    const QByteArray contentType = lineEnd < 0 ? input : input.left(lineEnd);
    const QByteArray body = lineEnd < 0 ? QByteArray() : input.mid(lineEnd + 1);
    const auto parts = standin::MultipartReader::read(contentType, body);
    if (!parts) return 0;
    for (const auto& part : *parts) {
        if (!part.content.isEmpty() && !body.contains(part.content)) std::abort();
    }
    return 0;
}
