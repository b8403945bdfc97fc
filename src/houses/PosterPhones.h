#pragma once

#include "houses/GetPostListCellFormate.h"

#include <QString>
#include <QStringList>

// The poster's numbers of a post: its "phone", one or more numbers joined by ",", sent
// enciphered unless it holds digits only.
class PosterPhones {
public:
    // Kinds of the contact number chosen for a post.
    enum PhoneType : int { kNone = 0, kMobile = 1, kOther = 2 };
    struct Contact {
        QString phone;  // empty when there is none
        int phoneType = kNone;
    };

    // The post's numbers, deciphered when they are not all digits; none when the text does
    // not decipher.
    [[nodiscard]] static QStringList getUserPhones(const PostRecord& post);
    // The detail's contact number: the first mobile number, or else the first entry of 4 or
    // more characters, whichever comes first; empty entries are passed over.
    [[nodiscard]] static Contact getValidPhone(const PostRecord& post);
    // The first mobile number of the post, or empty.
    [[nodiscard]] static QString firstMobile(const PostRecord& post);

    // 13x, 15x or 18x followed by 8 digits, the whole text.
    [[nodiscard]] static bool isMobileNumber(const QString& text);
    [[nodiscard]] static bool isPureNumandCharacters(const QString& text);
};
