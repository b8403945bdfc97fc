#pragma once

#include "standin/Endpoints.h"

namespace standin {

// The service calls that many screens share, with a small sample data set behind them
// (README.md lists them): the anonymous user id ("userRegister"), the housing news
// ("CommonConsultList") and their pages under "/news/", the home banners
// ("CommonOperateList"), a broker's privileges ("GetUserPrivilegeByUserId"), the users'
// online state on the backend ("GetUserStatuss") and a logged-on user's profile
// (GET "/users/GetUserInfo/<id>?session_id=S"). The need calls are NeedReplies'.
class ServiceCalls {
public:
    static void install(Endpoints& endpoints);
};

}  // namespace standin
