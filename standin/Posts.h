#pragma once

#include "standin/Endpoints.h"

#include <QJsonObject>

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

    static void install(Endpoints& endpoints);
    // Post `index` (in refresh order) of a kind of a city, as the list serves it; {} when the
    // city has no such post.
    [[nodiscard]] static QJsonObject samplePost(int cityScriptIndex, int major, int index);
};

}  // namespace standin
