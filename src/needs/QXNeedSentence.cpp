#include "needs/QXNeedSentence.h"

#include "net/transport/Json.h"

#include <QVariantList>

namespace {

// The templates of a kind by which of house types and price are no limit; "%@" slots are
// filled in the order the slots list.
struct Template {
    enum Order { Place, HousePlace, PricePlace, PriceHousePlace };
    QString text;
    Order order;
};

std::optional<Template> templateOf(const QString& kind, bool houseAny, bool priceAny) {
    const QString one = QStringLiteral("【%@】");
    const QString place = QStringLiteral("房源,地点:【%@】");
    QString rentOrBuy;
    if (kind == QLatin1String("1") || kind == QLatin1String("3")) {
        rentOrBuy = QStringLiteral("我要求租一套");
    } else if (kind == QLatin1String("5")) {
        rentOrBuy = QStringLiteral("我要求购一套");
    } else {
        return std::nullopt;
    }
    const bool share = kind == QLatin1String("3");
    if (houseAny && priceAny) {
        if (share) return Template{QStringLiteral("我要求租合租") + place, Template::Place};
        return Template{rentOrBuy + place, Template::Place};
    }
    if (priceAny) return Template{rentOrBuy + one + place, Template::HousePlace};
    if (houseAny) {
        if (share) return Template{rentOrBuy + one + QStringLiteral("合租") + place,
                                   Template::PricePlace};
        return Template{rentOrBuy + one + place, Template::PricePlace};
    }
    return Template{rentOrBuy + one + one + place, Template::PriceHousePlace};
}

// The template with its slots filled in order; the values are never read as templates.
QString filled(const QString& text, const QStringList& values) {
    QString result;
    qsizetype from = 0;
    for (const QString& value : values) {
        const qsizetype slot = text.indexOf(QStringLiteral("%@"), from);
        if (slot < 0) break;
        result += text.mid(from, slot - from) + value;
        from = slot + 2;
    }
    return result + text.mid(from);
}

QString nameOf(int code, const QString& kind, const QXNeedSentence::HouseTypeName& name) {
    if (code == 4) return QXNeedSentence::kFourRoomsAndMore;
    return name ? name(code, kind) : QString();
}

}  // namespace

QString QXNeedSentence::sentence(const QString& kind, const QString& houseTypes,
                                 const QString& price, const QString& place, bool nearby,
                                 const QStringList& terms) {
    const QString priceText = price.isEmpty() ? kNoLimit : price;
    QString result;
    if (const auto chosen = templateOf(kind, houseTypes == kNoLimit, priceText == kNoLimit)) {
        QStringList values;
        switch (chosen->order) {
            case Template::Place:
                values = {place};
                break;
            case Template::HousePlace:
                values = {houseTypes, place};
                break;
            case Template::PricePlace:
                values = {priceText, place};
                break;
            case Template::PriceHousePlace:
                values = {priceText, houseTypes, place};
                break;
        }
        result = filled(chosen->text, values);
        if (nearby) result += kNearby;
    }
    if (!terms.isEmpty()) {
        result += kTermsHead;
        for (const QString& term : terms) result += term + QLatin1Char(',');
    }
    return result;
}

QString QXNeedSentence::houseTypeJson(const QList<int>& codes) {
    QVariantList list;
    for (const int code : codes) list.append(code);
    return json_JSONString(list);
}

QString QXNeedSentence::houseTypesOfRow(const QString& huxing, const QString& kind,
                                        const HouseTypeName& name) {
    if (huxing.size() >= 3 && huxing.startsWith(QLatin1Char('['))) {
        QString names;
        for (const QVariant& element : json_JSON(QVariant(huxing)).toList())
            names += nameOf(element.toInt(), kind, name);
        return names;
    }
    const int code = huxing.toInt();
    return code >= 4 ? kFourRoomsAndMore : nameOf(code, kind, name);
}

QString QXNeedSentence::fromNeedRow(const QVariantMap& row, const HouseTypeName& name) {
    const QString sent = row.value(QStringLiteral("sentence")).toString();
    if (!sent.isEmpty()) return sent;
    const QString kind = row.value(QStringLiteral("rentOrBuy")).toString();
    const QString price = row.value(QStringLiteral("priceName")).toString();
    return sentence(kind,
                    houseTypesOfRow(row.value(QStringLiteral("huxing")).toString(), kind, name),
                    price, row.value(QStringLiteral("location")).toString(),
                    row.value(QStringLiteral("latlng")).toString().size() >= 2);
}
