#include "needs/NeedSentence.h"

namespace NeedSentence {

namespace {

// Columns of the template table: both "不限", only the price, only the house types, neither.
enum Column { kBoth, kOnlyPrice, kOnlyHouseTypes, kNeither };

QString templateOf(const QString& kind, Column column) {
    static const QString rentOne = QStringLiteral("我要求租一套【%1】房源,地点:【%2】");
    static const QString rentTwo = QStringLiteral("我要求租一套【%1】【%2】房源,地点:【%3】");
    static const QString buyOne = QStringLiteral("我要求购一套【%1】房源,地点:【%2】");
    static const QString buyTwo = QStringLiteral("我要求购一套【%1】【%2】房源,地点:【%3】");
    if (kind == QLatin1String("1")) {
        return column == kBoth      ? QStringLiteral("我要求租一套房源,地点:【%1】")
               : column == kNeither ? rentTwo
                                    : rentOne;
    }
    if (kind == QLatin1String("3")) {
        switch (column) {
            case kBoth:
                return QStringLiteral("我要求租合租房源,地点:【%1】");
            case kOnlyHouseTypes:
                return QStringLiteral("我要求租一套【%1】合租房源,地点:【%2】");
            case kOnlyPrice:
                return rentOne;
            case kNeither:
                return rentTwo;
        }
    }
    if (kind == QLatin1String("5")) {
        return column == kBoth      ? QStringLiteral("我要求购一套房源,地点:【%1】")
               : column == kNeither ? buyTwo
                                    : buyOne;
    }
    return {};
}

}  // namespace

QString make(const QString& kind, const QString& houseTypes, const QString& price,
             const QString& place, bool aroundPosition, const QStringList& terms) {
    const QString shownPrice = price.isEmpty() ? kNoLimit : price;
    const bool priceFree = shownPrice == kNoLimit;
    const bool typesFree = houseTypes == kNoLimit;
    const Column column = priceFree && typesFree ? kBoth
                          : priceFree            ? kOnlyPrice
                          : typesFree            ? kOnlyHouseTypes
                                                 : kNeither;
    QString sentence = templateOf(kind, column);
    if (!sentence.isEmpty()) {
        // Each value goes into its slot as it stands, so a "%" in a place name stays text.
        switch (column) {
            case kBoth:
                sentence = sentence.arg(place);
                break;
            case kOnlyPrice:
                sentence = sentence.arg(houseTypes, place);
                break;
            case kOnlyHouseTypes:
                sentence = sentence.arg(shownPrice, place);
                break;
            case kNeither:
                sentence = sentence.arg(shownPrice, houseTypes, place);
                break;
        }
        if (aroundPosition) sentence += kNearby;
    }
    if (!terms.isEmpty()) {
        sentence += QStringLiteral("。额外条件:");
        for (const QString& term : terms) sentence += term + QLatin1Char(',');
    }
    return sentence;
}

}  // namespace NeedSentence
