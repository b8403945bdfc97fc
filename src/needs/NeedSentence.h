#pragma once

#include <QString>
#include <QStringList>

// The Chinese summary of a housing need that goes to the brokers with it, made when the need
// is published and again from its stored row (the need history, the first message of a
// broker's conversation). One template per kind of need ("1" rent, "3" shared, "5" buy) and
// per which of the house types and the price are "不限"; a need placed around a position
// ends its place with "附近三公里内".
namespace NeedSentence {

inline const QString kNoLimit = QStringLiteral("不限");
inline const QString kNearby = QStringLiteral("附近三公里内");

// `houseTypes` and `price` as shown (an empty price reads "不限"), `place` the place text;
// chosen extra terms follow after "。额外条件:", each with a comma.
[[nodiscard]] QString make(const QString& kind, const QString& houseTypes, const QString& price,
                           const QString& place, bool aroundPosition,
                           const QStringList& terms = {});

}  // namespace NeedSentence
