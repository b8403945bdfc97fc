#pragma once

#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <functional>

// The class calls about a user and a broker ("SearchHousingRequest" on the data-share server,
// interface "HousingRequestInfo"): the contact record made whenever one writes to the other,
// the deal-record page of the pair, and recording a deal with the user's mobile number.
namespace QXIMAgentCalls {

using Success = std::function<void(const QVariant& reply)>;
using Failure = std::function<void(const QVariantMap& failure)>;

inline const QString kInterface = QStringLiteral("HousingRequestInfo");
inline const QString kClass = QStringLiteral("SearchHousingRequest");

// "insertAgentUserContact" [own id, broker, "user" or "agent", need id before its first "_"];
// the reply is not read.
void insertAgentUserContact(const QString& agentId, const QString& kind, const QString& needId);
// "getUserAgentTransaction" [own id, broker, "user"].
void getUserAgentTransaction(const QString& agentId, Success success, Failure failure);
// "insertAgentUserTransaction" [own id, broker, mobile number].
void insertAgentUserTransaction(const QString& agentId, const QString& mobile, Success success,
                                Failure failure);
// The result of `method` in a reply: data / SearchHousingRequest / method.
[[nodiscard]] QVariant resultOf(const QVariant& reply, const QString& method);

}  // namespace QXIMAgentCalls
