#include "houses/query/QuickFilterRow.h"

#include "location/CityNode.h"

QString QuickFilterRow::firstColumnText() const {
    if (district) return district->name();
    if (street) return street->name();
    if (isDictionary) {
        for (const char* key : {"CateName", "name", "n"}) {
            if (dictionary.contains(QString::fromLatin1(key))) {
                return dictionary.value(QString::fromLatin1(key)).toString();
            }
        }
        return {};
    }
    return text;
}

QString QuickFilterRow::otherColumnText() const {
    if (street) return street->name();
    if (district) return district->name();
    if (isDictionary) return dictionary.value(QStringLiteral("MajorCategoryName")).toString();
    return text;
}
