#include "net/transport/JsonBase64.h"

#include <array>

const char JsonBase64::kStandardCharset[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
const char JsonBase64::kWebSafeCharset[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

namespace {

constexpr char kPad = '=';

bool isSkippedSpace(unsigned char c) {
    return (c >= 9 && c <= 13) || c == 32 || c == 160 || c == 255;
}

// Value of each byte in the alphabet, -1 for bytes outside it.
std::array<int, 256> reverseTable(const char* charset) {
    std::array<int, 256> table;
    table.fill(-1);
    for (int index = 0; index < 64; ++index)
        table[static_cast<unsigned char>(charset[index])] = index;
    return table;
}

// Skips white space from `index`; returns the index of the next other byte (or length).
size_t skipSpace(const unsigned char* bytes, size_t length, size_t index) {
    while (index < length && isSkippedSpace(bytes[index])) ++index;
    return index;
}

QByteArray nilIfEmpty(QByteArray bytes) {
    return bytes.isEmpty() ? QByteArray() : bytes;
}

}  // namespace

size_t JsonBase64::encodedLength(size_t length, bool padded) {
    const size_t plain = (length * 8 + 5) / 6;
    return padded ? (plain + 3) / 4 * 4 : plain;
}

size_t JsonBase64::baseEncode(const char* srcBytes, size_t srcLen, char* destBytes, size_t destLen,
                              const char* charset, bool padded) {
    if (!srcBytes || !destBytes || srcLen == 0 || destLen < encodedLength(srcLen, padded)) return 0;
    const auto* src = reinterpret_cast<const unsigned char*>(srcBytes);
    size_t out = 0;
    size_t in = 0;
    for (; in + 3 <= srcLen; in += 3) {
        const unsigned group = (src[in] << 16) | (src[in + 1] << 8) | src[in + 2];
        destBytes[out++] = charset[(group >> 18) & 0x3F];
        destBytes[out++] = charset[(group >> 12) & 0x3F];
        destBytes[out++] = charset[(group >> 6) & 0x3F];
        destBytes[out++] = charset[group & 0x3F];
    }
    const size_t left = srcLen - in;
    if (left > 0) {
        const unsigned group = (src[in] << 16) | (left == 2 ? src[in + 1] << 8 : 0);
        destBytes[out++] = charset[(group >> 18) & 0x3F];
        destBytes[out++] = charset[(group >> 12) & 0x3F];
        if (left == 2) destBytes[out++] = charset[(group >> 6) & 0x3F];
        if (padded) {
            destBytes[out++] = kPad;
            if (left == 1) destBytes[out++] = kPad;
        }
    }
    return out;
}

size_t JsonBase64::baseDecode(const char* srcBytes, size_t srcLen, char* destBytes, size_t destLen,
                              const char* charset, bool requirePadding) {
    if (!srcBytes || !destBytes) return 0;
    const auto table = reverseTable(charset);
    const auto* src = reinterpret_cast<const unsigned char*>(srcBytes);
    unsigned group = 0;
    int count = 0;  // characters in the current group of four
    size_t out = 0;
    size_t index = 0;
    for (; index < srcLen; ++index) {
        const unsigned char c = src[index];
        if (isSkippedSpace(c)) continue;
        if (c == kPad) break;
        const int value = table[c];
        if (value < 0) return 0;
        group = (group << 6) | unsigned(value);
        if (++count == 4) {
            if (out + 3 > destLen) return 0;
            destBytes[out++] = char((group >> 16) & 0xFF);
            destBytes[out++] = char((group >> 8) & 0xFF);
            destBytes[out++] = char(group & 0xFF);
            group = 0;
            count = 0;
        }
    }
    if (index < srcLen) {
        // "=" ends the text: after the second character of a group two of them, after
        // the third one; then nothing but white space.
        if (count != 2 && count != 3) return 0;
        ++index;
        if (count == 2) {
            index = skipSpace(src, srcLen, index);
            if (index == srcLen || src[index] != kPad) return 0;
            ++index;
        }
        if (skipSpace(src, srcLen, index) != srcLen) return 0;
    } else if (count == 1 || (count > 0 && requirePadding)) {
        return 0;
    }
    if (count == 2) {
        if (group & 0xF) return 0;
        if (out + 1 > destLen) return 0;
        destBytes[out++] = char((group >> 4) & 0xFF);
    } else if (count == 3) {
        if (group & 0x3) return 0;
        if (out + 2 > destLen) return 0;
        destBytes[out++] = char((group >> 10) & 0xFF);
        destBytes[out++] = char((group >> 2) & 0xFF);
    }
    return out;
}

QByteArray JsonBase64::baseEncode(const void* bytes, size_t length, const char* charset,
                                  bool padded) {
    QByteArray result(qsizetype(encodedLength(length, padded)), Qt::Uninitialized);
    const size_t written = baseEncode(static_cast<const char*>(bytes), length, result.data(),
                                      size_t(result.size()), charset, padded);
    result.truncate(qsizetype(written));
    return nilIfEmpty(result);
}

QByteArray JsonBase64::baseDecode(const void* bytes, size_t length, const char* charset,
                                  bool requirePadding) {
    QByteArray result(qsizetype(length / 4 * 3 + 3), Qt::Uninitialized);
    const size_t written = baseDecode(static_cast<const char*>(bytes), length, result.data(),
                                      size_t(result.size()), charset, requirePadding);
    result.truncate(qsizetype(written));
    return nilIfEmpty(result);
}

QByteArray JsonBase64::encodeData(const QByteArray& data) {
    return encodeBytes(data.constData(), size_t(data.size()));
}

QByteArray JsonBase64::decodeData(const QByteArray& data) {
    return decodeBytes(data.constData(), size_t(data.size()));
}

QByteArray JsonBase64::encodeBytes(const void* bytes, size_t length) {
    return baseEncode(bytes, length, kStandardCharset, true);
}

QByteArray JsonBase64::decodeBytes(const void* bytes, size_t length) {
    return baseDecode(bytes, length, kStandardCharset, true);
}

QString JsonBase64::stringByEncodingData(const QByteArray& data) {
    return stringByEncodingBytes(data.constData(), size_t(data.size()));
}

QString JsonBase64::stringByEncodingBytes(const void* bytes, size_t length) {
    const QByteArray encoded = encodeBytes(bytes, length);
    return encoded.isNull() ? QString() : QString::fromLatin1(encoded);
}

QByteArray JsonBase64::decodeString(const QString& text) {
    return decodeData(text.toLatin1());
}

QByteArray JsonBase64::webSafeEncodeData(const QByteArray& data, bool padded) {
    return webSafeEncodeBytes(data.constData(), size_t(data.size()), padded);
}

QByteArray JsonBase64::webSafeDecodeData(const QByteArray& data) {
    return webSafeDecodeBytes(data.constData(), size_t(data.size()));
}

QByteArray JsonBase64::webSafeEncodeBytes(const void* bytes, size_t length, bool padded) {
    return baseEncode(bytes, length, kWebSafeCharset, padded);
}

QByteArray JsonBase64::webSafeDecodeBytes(const void* bytes, size_t length) {
    return baseDecode(bytes, length, kWebSafeCharset, false);
}

QString JsonBase64::stringByWebSafeEncodingData(const QByteArray& data, bool padded) {
    return stringByWebSafeEncodingBytes(data.constData(), size_t(data.size()), padded);
}

QString JsonBase64::stringByWebSafeEncodingBytes(const void* bytes, size_t length, bool padded) {
    const QByteArray encoded = webSafeEncodeBytes(bytes, length, padded);
    return encoded.isNull() ? QString() : QString::fromLatin1(encoded);
}

QByteArray JsonBase64::webSafeDecodeString(const QString& text) {
    return webSafeDecodeData(text.toLatin1());
}
