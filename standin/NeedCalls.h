#pragma once

#include "standin/Endpoints.h"

#include <QString>

namespace standin {

// The calls of the need form:
// - "HousingRequestInfo" SearchHousingRequest.isVerifyPhoneCode [city, kind, "0", user, guest]
//   answers {"status": 1} (an SMS check of the mobile number is needed) for a guest (1) who
//   has not yet published a need with a checked number, else {"status": 0};
// - "HousingRequestInfo" SearchHousingRequest.postHousingRequest [kind, place, location,
//   house types, user, voice URL, seconds, sentence, price, price type(, mobile, code)] keeps
//   the need (PostedNeeds) and answers {"postId": its id as text, "agents": [the sample's
//   brokers of the need's district, at most kMostAgents]}; a mobile number with a code other
//   than the last one sent to it and arguments that are no need are refused with
//   {"status": -1, "msg": text to show};
// - users GET "UserPhoneAuth?phone=P&method=GetCode&getCodeType=2" sends a code by SMS: it
//   records it (GET "/__control/sms[?phone=P]" lists {"codes": [{"phone", "code", "time"}]},
//   oldest first), prints it on stderr and answers {"status": 0, "errDetail": ""}; a phone
//   that is not a mobile number is refused with status -1 and an "errDetail".
class NeedCalls {
public:
    static constexpr int kMostAgents = 10;

    static void install(Endpoints& endpoints);
    // The code the n-th SMS of the run (from 1) to `phone` carries: six digits.
    [[nodiscard]] static QString smsCode(const QString& phone, qint64 n);
};

}  // namespace standin
