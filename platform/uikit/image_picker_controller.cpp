#include "platform/uikit/image_picker_controller.h"

#include "platform/uikit/bar_button_item.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/label.h"
#include "platform/uikit/navigation_item.h"
#include "platform/uikit/photo_album.h"
#include "platform/uikit/scroll_view.h"

#include <QDir>

namespace ui {

namespace {

constexpr double kThumbnail = 75;
constexpr double kSpacing = 4;
constexpr int kColumns = 4;

QString& libraryFolder() {
    static QString folder;
    return folder;
}

}  // namespace

// The library as a grid of thumbnails, four to a row.
class ImagePickerController::Grid : public ViewController {
public:
    explicit Grid(ImagePickerController& picker) : picker_(picker) {
        setTitle(QStringLiteral("照片"));
        navigationItem().setRightBarButtonItem(
            BarButtonItem::itemWithTitle(QStringLiteral("取消"), BarButtonItemStyle::Plain,
                                         [this](BarButtonItem&) { picker_.cancel(); }));
    }

    void loadView() override {
        auto scroll = std::make_shared<ScrollView>(Rect(0, 0, 320, 480));
        scroll->setBackgroundColor(Color::whiteColor());
        scroll->setAlwaysBounceVertical(true);
        const QStringList files = picker_.imageFiles();
        const double top = 64 + kSpacing;
        for (int i = 0; i < files.size(); ++i) {
            auto button = std::make_shared<Button>(
                Rect(kSpacing + (i % kColumns) * (kThumbnail + kSpacing),
                     top + (i / kColumns) * (kThumbnail + kSpacing), kThumbnail, kThumbnail));
            button->setBackgroundImage(Image::imageWithContentsOfFile(files[i]),
                                       kControlStateNormal);
            button->setTag(i);
            button->setAccessibilityLabel(QDir(files[i]).dirName());
            button->addTarget(this, kControlEventTouchUpInside,
                              [this, i](Control&, const Event*) { picker_.pickImageAtIndex(i); });
            scroll->addSubview(button);
        }
        const int rows = (int(files.size()) + kColumns - 1) / kColumns;
        scroll->setContentSize(Size(320, top + rows * (kThumbnail + kSpacing)));
        if (files.isEmpty()) {
            auto empty = std::make_shared<Label>(Rect(0, 200, 320, 30));
            empty->setText(QStringLiteral("没有照片或视频"));
            empty->setTextAlignment(TextAlignment::Center);
            empty->setTextColor(Color::colorWithWhite(0.56));
            scroll->addSubview(empty);
        }
        setView(std::move(scroll));
    }

private:
    ImagePickerController& picker_;
};

ImagePickerController::ImagePickerController() = default;
ImagePickerController::~ImagePickerController() = default;

bool ImagePickerController::isSourceTypeAvailable(ImagePickerControllerSourceType type) {
    // The stand-in phone has no camera.
    return type != ImagePickerControllerSourceType::Camera;
}

QStringList ImagePickerController::availableMediaTypesForSourceType(
    ImagePickerControllerSourceType type) {
    return isSourceTypeAvailable(type) ? QStringList{kMediaTypeImage} : QStringList{};
}

QString ImagePickerController::libraryPath() {
    if (!libraryFolder().isEmpty()) return libraryFolder();
    // A person trying the app picks from a folder of their own photos.
    const QString chosen = qEnvironmentVariable(kLibraryVariable);
    return chosen.isEmpty() ? PhotoAlbum::path() : chosen;
}

void ImagePickerController::setLibraryPath(const QString& path) {
    libraryFolder() = path;
}

void ImagePickerController::setSourceType(ImagePickerControllerSourceType type) {
    if (!isSourceTypeAvailable(type)) {
        qWarning("image picker: source %d is not available; keeping the library", int(type));
        return;
    }
    sourceType_ = type;
}

QStringList ImagePickerController::imageFiles() const {
    if (libraryPath() == PhotoAlbum::path()) return PhotoAlbum::imageFiles();
    const QDir folder(libraryPath());
    QStringList files;
    for (const QString& name : folder.entryList(
             {QStringLiteral("*.jpg"), QStringLiteral("*.jpeg"), QStringLiteral("*.png"),
              QStringLiteral("*.gif"), QStringLiteral("*.bmp")},
             QDir::Files, QDir::Name | QDir::IgnoreCase)) {
        files << folder.filePath(name);
    }
    return files;
}

void ImagePickerController::loadView() {
    NavigationController::loadView();
    if (viewControllers().empty()) setViewControllers({std::make_shared<Grid>(*this)});
}

void ImagePickerController::pickImageAtIndex(int index) {
    const QStringList files = imageFiles();
    if (index < 0 || index >= files.size()) return;
    const auto keep = sharedAs<ImagePickerController>();
    ImagePickerMediaInfo info;
    info.mediaType = kMediaTypeImage;
    info.originalImage = Image::imageWithContentsOfFile(files[index]);
    if (allowsEditing_) info.editedImage = info.originalImage;
    info.referenceURL = QUrl::fromLocalFile(files[index]);
    if (auto delegate = delegate_.lock()) {
        delegate->didFinishPickingMediaWithInfo(*this, info);
    } else {
        dismissViewControllerAnimated(true);
    }
}

void ImagePickerController::cancel() {
    const auto keep = sharedAs<ImagePickerController>();
    if (auto delegate = delegate_.lock()) {
        delegate->imagePickerControllerDidCancel(*this);
    } else {
        dismissViewControllerAnimated(true);
    }
}

}  // namespace ui
