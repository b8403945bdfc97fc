#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>

// Base64 in the standard alphabet (padded; decoding requires the padding) and in the
// URL-safe alphabet ("-" and "_"; padding optional both ways). Decoding skips white
// space anywhere and gives nil (a null QByteArray) for anything malformed: a character
// outside the alphabet, a lone character in the last group, a misplaced or missing
// "=", or non-zero leftover bits. Empty results are nil too. String forms are ASCII.
class JsonBase64 {
public:
    static const char kStandardCharset[];
    static const char kWebSafeCharset[];

    [[nodiscard]] static QByteArray encodeData(const QByteArray& data);
    [[nodiscard]] static QByteArray decodeData(const QByteArray& data);
    [[nodiscard]] static QByteArray encodeBytes(const void* bytes, size_t length);
    [[nodiscard]] static QByteArray decodeBytes(const void* bytes, size_t length);
    [[nodiscard]] static QString stringByEncodingData(const QByteArray& data);
    [[nodiscard]] static QString stringByEncodingBytes(const void* bytes, size_t length);
    [[nodiscard]] static QByteArray decodeString(const QString& text);

    [[nodiscard]] static QByteArray webSafeEncodeData(const QByteArray& data, bool padded);
    [[nodiscard]] static QByteArray webSafeDecodeData(const QByteArray& data);
    [[nodiscard]] static QByteArray webSafeEncodeBytes(const void* bytes, size_t length,
                                                       bool padded);
    [[nodiscard]] static QByteArray webSafeDecodeBytes(const void* bytes, size_t length);
    [[nodiscard]] static QString stringByWebSafeEncodingData(const QByteArray& data, bool padded);
    [[nodiscard]] static QString stringByWebSafeEncodingBytes(const void* bytes, size_t length,
                                                              bool padded);
    [[nodiscard]] static QByteArray webSafeDecodeString(const QString& text);

    // The shared cores; `charset` is one of the two alphabets above.
    [[nodiscard]] static QByteArray baseEncode(const void* bytes, size_t length,
                                               const char* charset, bool padded);
    [[nodiscard]] static QByteArray baseDecode(const void* bytes, size_t length,
                                               const char* charset, bool requirePadding);
    // Buffer forms: return the number of bytes written, 0 on failure (including a
    // destination that is too small).
    static size_t baseEncode(const char* srcBytes, size_t srcLen, char* destBytes, size_t destLen,
                             const char* charset, bool padded);
    static size_t baseDecode(const char* srcBytes, size_t srcLen, char* destBytes, size_t destLen,
                             const char* charset, bool requirePadding);

    // Length of the encoding of `length` bytes.
    [[nodiscard]] static size_t encodedLength(size_t length, bool padded);
};
