// Base64 and the phone-number cipher read text from servers: any text gives bytes or
// nothing, never a crash, and what was read encodes and reads back to the same bytes.
#include "src/net/QXDESCode.h"
#include "src/net/transport/JsonBase64.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    const QByteArray decoded = JsonBase64::decodeData(bytes);
    if (!decoded.isNull() && JsonBase64::decodeData(JsonBase64::encodeData(decoded)) != decoded)
        std::abort();

    const QString text = QString::fromLatin1(bytes);
    if (const auto strict = QXDESCode::decodeBase64WithString(text)) {
        if (!strict->isEmpty() &&
            QXDESCode::decodeBase64WithString(QXDESCode::encodeBase64WithData(*strict)) != *strict)
            std::abort();
    }
    (void)QXDESCode::decryptStr(text);

    // Any text enciphers, and deciphers back to itself.
    const QString plain = QString::fromUtf8(bytes);
    if (!plain.isEmpty() && QXDESCode::decryptStr(QXDESCode::encryptStr(plain)) != plain)
        std::abort();
    return 0;
}
