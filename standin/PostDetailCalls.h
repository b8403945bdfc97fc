#pragma once

#include "standin/Endpoints.h"
#include "standin/Posts.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

namespace standin {

// The calls of a post's detail page, for the same sample posts the lists serve (README.md):
// "GetPost" and "GetPostByPuid" (the post by its "puid" header, with its description, photos,
// facilities, floor and the poster's data), "PostPvStat" (one view counted) and "VotePost"
// (a report of the post). Every third post sends its phone DES-enciphered, as the service
// protects posters' numbers.
class PostDetailCalls {
public:
    static constexpr int kMaxPhotos = 12;
    // The size of a photo as the lists' thumbnails and the recommended houses show it.
    static constexpr int kThumbnailWidth = 124;
    static constexpr int kThumbnailHeight = 92;

    static void install(Endpoints& endpoints);

    // The facts of a house every sample post carries, in the list too: its floor of the
    // building's floors, orientation, payment and move-in (to rent), sex asked (to share),
    // age (to buy), facilities and address. Drawn from the post's puid: always the same.
    static void addHouseFacts(QJsonObject& record, const SamplePost& post);
    // The sample post of a rent, share or sale list with this puid; nullptr for any other.
    [[nodiscard]] static const SamplePost* post(qint64 puid);
    // The whole record of a post as the detail calls send it; empty for an unknown puid.
    // `rootUrl` makes the photo URLs absolute.
    [[nodiscard]] static QJsonObject detailRecord(qint64 puid, const QByteArray& rootUrl);
    // How many photos a post with photos has (3 to kMaxPhotos).
    [[nodiscard]] static int photoCount(qint64 puid);
    // The image host path of photo `number` (from 1) of the post `puid` at `width` x
    // `height`; the detail's "ThumbImageUrls" name the same photos at 640 x 480.
    [[nodiscard]] static QString photoPath(qint64 puid, int number, int width, int height);
    // The post's phone text as the service sends it: enciphered for every third post.
    [[nodiscard]] static QString wirePhone(qint64 puid, const QString& phone);
    // DES-CBC with the shared key and vector, as Base64 text.
    [[nodiscard]] static QString encipher(const QString& text);
};

}  // namespace standin
