#pragma once

#include "standin/Endpoints.h"
#include "standin/Posts.h"

#include <QJsonObject>

namespace standin {

// A broker's own lists, read from the posts the broker posted (Posts::ofPoster), form bodies
// naming the broker by "ucUserId" (64 bits):
//
//   GetRelatedBiotope  the communities of the broker's posts of a kind
//                      ("majorCategoryScriptIndex"; all kinds without it):
//                      {"errCode":0,"biotopes":[{"id","name"}]}
//   GetPostList        one page ("page" from 1, "pageSize") of those posts, of one community
//                      when "biotopeId" names one: {"errCode":0,"page":{"count","posts"}}
//
// A user id that names nobody gets {"errCode":-1,"errMsg":...}. The posts come as the
// broker's list reads them: the price as text ("3500元/月") beside "price_format"
// {"v","u"}, "post_at", "type" (the kind), "house_id" (the puid as text, which a promotion
// names), "huxing_ting" and, for shared rooms,
// "house_type_format" {"t"}.
class BrokerCalls {
public:
    static void install(Endpoints& endpoints);

    // A post as the broker's list receives it.
    [[nodiscard]] static QJsonObject listRecord(const SamplePost& post);
};

}  // namespace standin
