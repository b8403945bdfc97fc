// Lenient Base64 of inline images from any text: the decoded length follows from the number
// of alphabet characters alone, and what it decodes, encoded strictly, decodes the same.
#include "ui/richtext/NSData+RichTextAdditions.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

bool inAlphabet(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '+' ||
           u == '/';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    qsizetype alphabet = 0;
    for (const QChar c : text) alphabet += inAlphabet(c) ? 1 : 0;
    const qsizetype expected = alphabet / 4 * 3 + (alphabet % 4 == 3   ? 2
                                                   : alphabet % 4 == 2 ? 1
                                                                       : 0);

    const auto decoded = rt_dataWithBase64EncodedString(text);
    if (expected == 0) {
        if (decoded) std::abort();
        return 0;
    }
    if (!decoded || decoded->size() != expected) std::abort();
    const auto again = rt_dataWithBase64EncodedString(QString::fromLatin1(decoded->toBase64()));
    if (!again || *again != *decoded) std::abort();
    return 0;
}
