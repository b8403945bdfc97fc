#pragma once

#include "platform/uikit/navigation_controller.h"

#include <QString>
#include <QStringList>
#include <QUrl>

#include <memory>

namespace ui {

class Image;
class ImagePickerController;

enum class ImagePickerControllerSourceType { PhotoLibrary = 0, Camera = 1, SavedPhotosAlbum = 2 };

inline const QString kMediaTypeImage = QStringLiteral("public.image");

// What was picked: the media type, the image as it is and (when editing is
// allowed) as edited, and where it came from.
struct ImagePickerMediaInfo {
    QString mediaType;
    std::shared_ptr<Image> originalImage;
    std::shared_ptr<Image> editedImage;
    QUrl referenceURL;
};

// Hears the picker. Without a delegate the picker dismisses itself.
class ImagePickerControllerDelegate {
public:
    virtual ~ImagePickerControllerDelegate() = default;
    virtual void didFinishPickingMediaWithInfo(ImagePickerController& picker,
                                               const ImagePickerMediaInfo& info) {
        (void)picker, (void)info;
    }
    virtual void imagePickerControllerDidCancel(ImagePickerController& picker) { (void)picker; }
};

// Picks a photo: the library is the image files of a folder (the photo album
// unless another is set), shown as a grid of thumbnails; the camera is not
// available. A tap on a thumbnail hands its image to the delegate; "取消"
// cancels.
class ImagePickerController : public NavigationController {
public:
    ImagePickerController();
    ~ImagePickerController() override;

    [[nodiscard]] static bool isSourceTypeAvailable(ImagePickerControllerSourceType type);
    [[nodiscard]] static QStringList availableMediaTypesForSourceType(
        ImagePickerControllerSourceType type);
    // The environment variable naming the library's folder when none is set.
    static constexpr const char* kLibraryVariable = "HOUSING_PHOTO_LIBRARY";
    // The folder the library shows: the one set, else $HOUSING_PHOTO_LIBRARY, else the photo
    // album.
    [[nodiscard]] static QString libraryPath();
    static void setLibraryPath(const QString& path);

    [[nodiscard]] ImagePickerControllerSourceType sourceType() const { return sourceType_; }
    // A source that is not available is refused (the picker keeps its source).
    void setSourceType(ImagePickerControllerSourceType type);
    [[nodiscard]] bool allowsEditing() const { return allowsEditing_; }
    void setAllowsEditing(bool allows) { allowsEditing_ = allows; }
    [[nodiscard]] const QStringList& mediaTypes() const { return mediaTypes_; }
    void setMediaTypes(const QStringList& types) { mediaTypes_ = types; }
    [[nodiscard]] std::shared_ptr<ImagePickerControllerDelegate> pickerDelegate() const {
        return delegate_.lock();
    }
    void setPickerDelegate(std::weak_ptr<ImagePickerControllerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    // The files offered, in the grid's order.
    [[nodiscard]] QStringList imageFiles() const;
    // What a tap on a thumbnail and on "取消" do.
    void pickImageAtIndex(int index);
    void cancel();

    void loadView() override;

private:
    class Grid;
    ImagePickerControllerSourceType sourceType_ = ImagePickerControllerSourceType::PhotoLibrary;
    QStringList mediaTypes_{kMediaTypeImage};
    std::weak_ptr<ImagePickerControllerDelegate> delegate_;
    bool allowsEditing_ = false;
};

}  // namespace ui
