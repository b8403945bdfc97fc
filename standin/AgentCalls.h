#pragma once

#include "standin/Endpoints.h"

namespace standin {

// The calls about a user and a broker (class "SearchHousingRequest" under "HousingRequestInfo"):
// "insertAgentUserContact" [user, broker, kind, need] records a contact and answers 1;
// "insertAgentUserTransaction" [user, broker, mobile] records a deal and answers the address
// of its page, "R/deal/<user>-<broker>.html" (a mobile number that is not 11 digits answers "");
// "getUserAgentTransaction" [user, broker, "user"] answers {"status": 1, "url"} once the pair
// has a deal, else {"status": 0, "url": ""}. GET "R/deal/<user>-<broker>.html" shows the deal.
class AgentCalls {
public:
    static void install(Endpoints& endpoints);
};

}  // namespace standin
