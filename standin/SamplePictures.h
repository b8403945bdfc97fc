#pragma once

#include "standin/Endpoints.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace standin {

// The image host's pictures of every kind the app shows, drawn on request from their path
// alone, the same bytes for the same path every time:
//
//   posts/<id>.jpg              a housing photo, 640 x 480
//   avatars/brokers/<id>.jpg    a broker's picture, 120 x 120: a person on a coloured disc
//   avatars/users/<id>.jpg      a user's picture, likewise
//   banners/<id>.jpg            a home banner, 640 x 240
//   chat/<id>.jpg               a chat picture, 480 x 640
//   anim/<name>.gif             an animation of 8 frames, 64 x 64, 0.1 s a frame
//
// Any of the still kinds comes in renditions "<id>_<W>-<H>[c]_<Q>-<V>.<ext>": W x H
// points at most (exactly, cut to fill, with "c"), JPEG quality Q x 10, V a version that
// changes nothing; ".png" and ".webp" give those formats.
class SamplePictures {
public:
    // Answers the image host's requests for these paths; other paths are left to the files.
    static void addRoutes(Endpoints& endpoints);
    // The picture for a path below the image host, or nothing when it names none.
    [[nodiscard]] static std::optional<QByteArray> render(const QString& path);
    // One path of each kind and rendition, for showing them all.
    [[nodiscard]] static QStringList examples();
};

}  // namespace standin
