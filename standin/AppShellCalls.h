#pragma once

#include "standin/Endpoints.h"

namespace standin {

// The calls the app makes at launch (README.md lists them): the version check
// ("CheckVersion"), the automatic logon and the logout on the users server ("autoLogin", "logout")
// and the analytics vendor's install ping (GET "/track/ping/<app id>/?...").
class AppShellCalls {
public:
    static void install(Endpoints& endpoints);
};

}  // namespace standin
