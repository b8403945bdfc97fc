#pragma once

#include "net/RequestHeaderSet.h"

#include <QString>
#include <QVariant>

#include <optional>

// The two class calls of the need form ("SearchHousingRequest" on the data-share endpoint's
// "HousingRequestInfo"): the phone check and the publishing call, with their bodies and the
// readers of their replies. Bodies are made with the JSON layer, so any text the user typed
// (a street, the sentence, a code) stays valid JSON inside valid form text.
namespace NeedPublishCalls {

inline const QString kClass = QStringLiteral("SearchHousingRequest");

// The headers of both calls.
[[nodiscard]] RequestHeaderSet headers();

// ["<city>","<kind>","0","<user>","<1 for a guest, else 0>"].
[[nodiscard]] QString phoneCheckBody(int cityScriptIndex, int kind, qint64 userId, bool guest);
// The phone check's "status" (1 the SMS validation is needed, 0 not); nothing when the reply
// does not hold the check's answer.
[[nodiscard]] std::optional<int> phoneCheckStatus(const QVariant& reply);

// What the publishing call carries.
struct NeedArguments {
    QString kind;
    // Placed around a position (current position or map point) rather than in an area.
    bool aroundPosition = false;
    int cityScriptIndex = 0;
    // The area's ids (an area need); a position need sends -2 for both.
    QString streetId;
    QString districtId;
    // "lng,lat" around a position, "" otherwise.
    QString location;
    // The house-type codes as compact JSON.
    QString houseTypes;
    qint64 userId = 0;
    QString voiceUrl;
    int voiceSeconds = 0;
    QString sentence;
    QString price;
    QString priceType;
    // The SMS validation's number and code; a null mobile when there was none.
    QString mobile;
    QString code;
};
[[nodiscard]] QString publishBody(const NeedArguments& need);

// The publishing call's answer.
struct PublishResult {
    // The server refused the need with this text to show.
    QString refusal;
    QString postId;
    int brokerCount = 0;
};
// Nothing when the reply holds no answer of the call, or an answer without a need id.
[[nodiscard]] std::optional<PublishResult> publishResult(const QVariant& reply);

}  // namespace NeedPublishCalls
