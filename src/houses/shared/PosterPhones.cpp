#include "houses/shared/PosterPhones.h"

#include "net/QXDESCode.h"
#include "util/TextChecks.h"
#include "util/categories/Tolerant.h"

namespace PosterPhones {

QStringList userPhones(const QVariant& phoneField) {
    const QString phone = Tolerant(phoneField).toString();
    if (phone.isEmpty()) return {};
    const QString plain =
        TextChecks::isPureNumandCharacters(phone) ? phone : QXDESCode::decryptStr(phone);
    return plain.split(QLatin1Char(','));
}

QString validPhone(const QVariant& phoneField) {
    for (const QString& phone : userPhones(phoneField)) {
        if (TextChecks::isMobileNumber(phone)) return phone;
    }
    return {};
}

Contact contactNumber(const QVariant& phoneField) {
    for (const QString& phone : userPhones(phoneField)) {
        if (phone.isEmpty()) continue;
        if (TextChecks::isMobileNumber(phone)) return {phone, kMobile};
        if (phone.size() >= 4) return {phone, kOther};
    }
    return {};
}

}  // namespace PosterPhones
