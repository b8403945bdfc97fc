#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

// The phone numbers of a post's poster. The server sends the "phone" field enciphered
// unless it is all digits; either way it may hold several numbers joined by ",".
namespace PosterPhones {

// The numbers in their order; empty entries stay, so that positions keep their meaning.
[[nodiscard]] QStringList userPhones(const QVariant& phoneField);
// The first of them that is a mobile number; empty when none is.
[[nodiscard]] QString validPhone(const QVariant& phoneField);

}  // namespace PosterPhones
