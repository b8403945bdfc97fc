#pragma once

#include "standin/Endpoints.h"

#include <QJsonObject>

#include <functional>

namespace standin {

// Housing posts: "SearchPostsByJson2" pages through a deterministic sample of rent, share
// and sale posts of any city of the city database (320 of each kind, in the city's real
// districts and streets), filtered by the query conditions and keywords and sorted by
// refresh time; "GetMajorCategoryFilter" gives each kind's filter definitions by version
// ({} when the client's version is current); the image host serves the thumbnails
// "/img/house/<n>.jpg", drawn on demand.
class Posts {
public:
    static constexpr int kPostsPerKind = 320;
    static constexpr char kFilterVersion[] = "1";
    static constexpr int kThumbnailCount = 24;

    // The kinds of post: 1 rent, 3 shared rent, 5 sale.
    static constexpr int kKinds[] = {1, 3, 5};

    static void install(Endpoints& endpoints);

    // Hands `visit` every sample post of one kind in a city, newest refresh first, as
    // "SearchPostsByJson2" sends it; none for a city without districts or another kind.
    static void forEachPost(int cityScriptIndex, int kind,
                            const std::function<void(const QJsonObject& record)>& visit);
};

}  // namespace standin
