#pragma once

#include "platform/foundation/error.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace ui {

class Image;

// The phone's saved-photos album: the desktop's pictures folder (the XDG pictures folder,
// usually ~/Pictures), or the folder $HOUSING_PHOTO_ALBUM names (tests name one in their
// sandbox). Saved images become numbered JPEG files there ("IMG_0001.JPG", ...), after the
// highest number the folder holds. The image picker's library lists the same folder.
//
// The user has always allowed the app to use the album, unless $HOUSING_PHOTO_ALBUM_ACCESS
// is "denied" or a test said otherwise with setAuthorizationStatus().
class PhotoAlbum {
public:
    // The platform's authorisation states, by their numbers.
    enum class AuthorizationStatus {
        NotDetermined = 0,
        Restricted = 1,
        Denied = 2,
        Authorized = 3
    };
    using Completion =
        std::function<void(const std::shared_ptr<Image>& image, const std::optional<ns::Error>&)>;

    [[nodiscard]] static QString path();
    // The album's image files, oldest first.
    [[nodiscard]] static QStringList imageFiles();
    // Saves `image`; the completion comes later on the main queue, with an error when the
    // image is empty, the album refuses the app or the file cannot be written.
    static void writeImageToSavedPhotosAlbum(std::shared_ptr<Image> image, Completion completion);

    [[nodiscard]] static AuthorizationStatus authorizationStatus();
    // The user's answer from now on; nullopt goes back to what the environment says.
    static void setAuthorizationStatus(std::optional<AuthorizationStatus> status);
};

}  // namespace ui
