#pragma once

#include "standin/Endpoints.h"

namespace standin {

// What the home screen asks besides banners and news: the need-form terms of the app
// configuration (HousingRequestInfo SearchHousingRequest.getNevoruAppConfig(version)) and
// the plain web pages the in-app web page shows (GET "/help/<name>.html").
class HomeScreenCalls {
public:
    // The configuration's version: a client that has it already gets it again unchanged.
    static constexpr int kTermsVersion = 3;
    static void install(Endpoints& endpoints);
};

}  // namespace standin
