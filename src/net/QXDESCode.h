#pragma once

#include "net/QXCipherConstants.h"

#include <QByteArray>
#include <QString>

#include <optional>

// The DES cipher with which the data-share server protects posters' phone numbers, and
// the Base64 text form of its output. Every failure is an absent result: callers then
// show no phone number.
class QXDESCode {
public:
    // The direction of doCipher, numbered as the callers pass it.
    enum Operation : int { kEncrypt = 0, kDecrypt = 1 };

    // Deciphers Base64 text with the shared key. Answers nothing (a null QString) when the
    // text is not strict Base64 or the deciphered bytes are not UTF-8, and an empty text
    // when the cipher rejects the bytes (wrong length, wrong padding).
    [[nodiscard]] static QString decryptStr(const QString& base64Text);
    // Enciphers the text's UTF-8 bytes with the shared key; answers Base64 text.
    [[nodiscard]] static QString encryptStr(const QString& text);

    // DES in CBC mode with PKCS#7 padding and the shared initialisation vector. The key
    // text's UTF-8 bytes are cut to or filled with zero bytes up to 8. Enciphering reads
    // the text's UTF-8 bytes and answers Base64 text; deciphering reads Base64 text and
    // answers the result as UTF-8 text (see decryptStr for the absent results).
    [[nodiscard]] static QString doCipher(const QString& text, const QString& key,
                                          Operation context);

    // Same as QXEncode::MD5Encode.
    [[nodiscard]] static QString md5(const QString& text);

    // RFC 4648 Base64 with "=" padding and no line breaks. Empty bytes answer nothing: a
    // null QString, not an empty one.
    [[nodiscard]] static QString encodeBase64WithData(const QByteArray& data);
    // Base64 of the text's UTF-8 bytes.
    [[nodiscard]] static QString encodeBase64WithString(const QString& text);
    // Strict Base64 reading. Tab, line feed, form feed, carriage return and space are
    // skipped; "=" ends a group of four; every complete byte decoded is kept. Answers
    // std::nullopt for a text that is not ASCII, holds any other character outside the
    // alphabet, or has "=" as the second character of a group. An empty text answers
    // empty bytes.
    [[nodiscard]] static std::optional<QByteArray> decodeBase64WithString(const QString& text);
};
