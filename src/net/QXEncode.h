#pragma once

#include <QString>

// Digests and escapes for the request builders and screens: MD5 of passwords and ids,
// percent-escaping of form values, escaping of text placed inside JSON string literals.
class QXEncode {
public:
    // MD5 of the text's UTF-8 bytes as 32 upper-case hexadecimal digits.
    [[nodiscard]] static QString MD5Encode(const QString& text);

    // Percent-escapes the text's UTF-8 bytes: every byte except ASCII letters, digits and
    // "-", ".", "_", "~" becomes "%" and two upper-case hexadecimal digits. That covers the
    // bytes a URL may not hold, every non-ASCII byte, and the separators a form value must
    // never carry unescaped (= , ! $ & ' ( ) * + ; @ ? : / # < > " space tab line feed and
    // U+FFFC). A "%" already in the text is escaped too ("%25"): the texts come from user
    // input, and leaving a stray "%" alone would let it be read as an escape on the server.
    [[nodiscard]] static QString URLEncode(const QString& text);

    // Replaces every percent escape by the bytes it stands for and reads them as UTF-8.
    // A "%" not followed by two hexadecimal digits stays as it stands; escapes that do not
    // form valid UTF-8 answer nothing (a null QString).
    [[nodiscard]] static QString URLDecoded(const QString& text);

    // Escapes for a JSON string literal, in this order over the whole text: backslash to
    // two backslashes, line feed to "\n", tab to "\t", double quote to "\"". Other control
    // characters are left as they are.
    [[nodiscard]] static QString HandleSpecialCharactor(const QString& text);

    // HandleSpecialCharactor, then URLEncode.
    [[nodiscard]] static QString URLEncodeAndHandleSpecialCharactor(const QString& text);
};
