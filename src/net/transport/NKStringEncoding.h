#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// A text encoding, known by its IANA character-set name ("UTF-8", "ISO-8859-1", "GBK").
// The default value is no encoding at all: "not worked out yet".
class NKStringEncoding {
public:
    NKStringEncoding() = default;

    [[nodiscard]] static NKStringEncoding utf8();
    [[nodiscard]] static NKStringEncoding isoLatin1();
    // The encoding a charset name stands for, in any spelling the registry knows
    // ("utf8", "latin1", "gb2312"); no encoding for a name it does not know.
    [[nodiscard]] static NKStringEncoding fromIANAName(const QString& name);

    [[nodiscard]] bool isValid() const { return !name_.isEmpty(); }
    // The name to put into a "charset" parameter, in lower case ("utf-8").
    [[nodiscard]] QString IANACharSetName() const;

    // The text of `bytes`, or nothing when they are not of this encoding.
    [[nodiscard]] std::optional<QString> decode(const QByteArray& bytes) const;
    // The bytes of `text`, or nothing when the encoding cannot write every character.
    [[nodiscard]] std::optional<QByteArray> encode(const QString& text) const;

    friend bool operator==(const NKStringEncoding& a, const NKStringEncoding& b) {
        return a.name_ == b.name_;
    }

private:
    explicit NKStringEncoding(QByteArray name) : name_(std::move(name)) {}

    QByteArray name_;  // the converter's canonical name
};
