#pragma once

#include "standin/Endpoints.h"

namespace standin {

// The keyword search and the category catalog, over the sample posts of standin/Posts.h:
// - "ajaxSuggestion" (form jsonArgs {"cityScriptIndex","keyword"[,"categoryId",
//   "majorCategoryScriptIndex"]}): up to ten keywords taken from the titles, communities and
//   streets of the city's posts that hold the typed text, each with the number of posts
//   whose titles hold it in the list it opens (of the kind named, else of the first kind
//   that has such posts, on which the results open), most first: [{"text","count"}];
// - "GetWebSearchCount" (GET "?keywords=K&searchAll=1", header "cityScriptIndex"): the posts
//   whose titles hold K, counted per category and kind: [{"CategoryID","CateName","Size",
//   "MajorCountList":[{"MajorCategoryScriptIndex","MajorCategoryName","CategoryID","Size"}]}],
//   kinds without posts left out, [] when nothing matches;
// - "GetLastCategories" (a GET): the category catalog, master categories with their kinds.
class SearchCalls {
public:
    static constexpr int kMaxSuggestions = 10;
    static void install(Endpoints& endpoints);
};

}  // namespace standin
