#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

// The phone numbers of a post's poster. The server sends the "phone" field enciphered
// unless it is all digits; either way it may hold several numbers joined by ",".
namespace PosterPhones {

// Kinds of the contact number the post detail shows and calls.
enum PhoneType : int { kNone = 0, kMobile = 1, kOther = 2 };
struct Contact {
    QString phone;  // empty when there is none
    int phoneType = kNone;
};

// The numbers in their order; empty entries stay, so that positions keep their meaning.
[[nodiscard]] QStringList userPhones(const QVariant& phoneField);
// The first of them that is a mobile number; empty when none is.
[[nodiscard]] QString validPhone(const QVariant& phoneField);
// The post detail's contact number: the first entry that is a mobile number or has 4 or
// more characters, whichever comes first; empty entries are passed over.
[[nodiscard]] Contact contactNumber(const QVariant& phoneField);

}  // namespace PosterPhones
