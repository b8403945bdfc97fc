#include "houses/PosterPhones.h"

#include "net/QXDESCode.h"

#include <QRegularExpression>

#include <algorithm>

QStringList PosterPhones::getUserPhones(const PostRecord& post) {
    const QString phone = post.value(QStringLiteral("phone")).toString();
    if (phone.isEmpty()) return {};
    const QString plain = isPureNumandCharacters(phone) ? phone : QXDESCode::decryptStr(phone);
    if (plain.isEmpty()) return {};
    return plain.split(u',');
}

PosterPhones::Contact PosterPhones::getValidPhone(const PostRecord& post) {
    for (const QString& phone : getUserPhones(post)) {
        if (phone.isEmpty()) continue;
        if (isMobileNumber(phone)) return {phone, kMobile};
        if (phone.size() >= 4) return {phone, kOther};
    }
    return {};
}

QString PosterPhones::firstMobile(const PostRecord& post) {
    const QStringList phones = getUserPhones(post);
    const auto found = std::find_if(phones.begin(), phones.end(), isMobileNumber);
    return found != phones.end() ? *found : QString();
}

bool PosterPhones::isMobileNumber(const QString& text) {
    static const QRegularExpression pattern(QRegularExpression::anchoredPattern(
        QStringLiteral("((13[0-9])|(15[0-9])|(18[0-9]))\\d{8}")));
    return !text.isEmpty() && pattern.match(text).hasMatch();
}

bool PosterPhones::isPureNumandCharacters(const QString& text) {
    return !text.isEmpty() &&
           std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}
