#pragma once

#include "standin/Endpoints.h"

#include <QByteArray>
#include <QImage>
#include <QString>

namespace standin {

// Map tiles of the standard {z}/{x}/{y} scheme, 256 pixels square, drawn on request from the
// district outlines: land and district borders, and from zoom 10 on the district names.
// GET "/tiles/<z>/<x>/<y>.png"; a tile drawn once is kept as a file in the tile folder
// ($HOUSING_STANDIN_TILE_CACHE, else a folder under the temporary folder) and served from
// there afterwards.
class MapTiles {
public:
    static constexpr int kTileSize = 256;
    static constexpr int kMaximumZoom = 19;
    static constexpr int kFirstNamedZoom = 10;

    // Draws a tile; an empty image for a key outside the scheme.
    [[nodiscard]] static QImage render(int z, int x, int y);
    // The tile as PNG bytes, from the tile folder when it was drawn before.
    [[nodiscard]] static QByteArray tile(int z, int x, int y);
    [[nodiscard]] static QString cacheFolder();

    static void install(Endpoints& endpoints);
};

}  // namespace standin
