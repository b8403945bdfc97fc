#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <functional>

// The need sentence: the Chinese summary of a housing need that goes to the brokers, made by
// the publishing screen from its choices and again from a stored need row (the need history
// and the messaging plug-in that opens a broker's talk with it).
class QXNeedSentence {
public:
    static inline const QString kNoLimit = QStringLiteral("不限");
    static inline const QString kNearby = QStringLiteral("附近三公里内");
    static inline const QString kTermsHead = QStringLiteral("。额外条件:");
    static inline const QString kFourRoomsAndMore = QStringLiteral("四室以上");

    // The sentence of a need of kind `kind` ("1", "3", "5"; any other gives "") with the
    // house-type text, the price text (empty reads as no limit) and the place; `nearby` for a
    // need placed around a position. The terms, when any, follow as "。额外条件:" and each
    // term with a comma after it.
    [[nodiscard]] static QString sentence(const QString& kind, const QString& houseTypes,
                                          const QString& price, const QString& place, bool nearby,
                                          const QStringList& terms = {});

    // The house-type codes as compact JSON: [1,2,4].
    [[nodiscard]] static QString houseTypeJson(const QList<int>& codes);

    // The name of a house-type code of a kind, from the filter file; a null text when the
    // file does not name it.
    using HouseTypeName = std::function<QString(int code, const QString& kind)>;
    // The house-type text of a stored row's "huxing" (one code, or a JSON array of codes):
    // the names joined with nothing between them; code 4 and above reads "四室以上".
    [[nodiscard]] static QString houseTypesOfRow(const QString& huxing, const QString& kind,
                                                 const HouseTypeName& name);
    // The sentence of a stored need row: the one it was sent with ("sentence"), terms and
    // all; for a row kept without it, made again from "rentOrBuy", "huxing", "priceName",
    // "location" and "latlng" (placed around a position when it has a coordinate; no terms).
    [[nodiscard]] static QString fromNeedRow(const QVariantMap& row, const HouseTypeName& name);
};
