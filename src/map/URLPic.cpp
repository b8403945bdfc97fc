#include "map/URLPic.h"

#include "map/ImageRoadTileLoader.h"
#include "map/PictureFileCache.h"

#include "IMChat/qximlib/qximdata/util/QXIMUtil.h"
#include "ui/image/UIImageView+NetKit.h"
#include "util/TextChecks.h"

#include "platform/foundation/file_manager.h"
#include "platform/foundation/url_request.h"
#include "platform/uikit/activity_indicator_view.h"
#include "platform/uikit/image.h"
#include "platform/uikit/tap_gesture_recognizer.h"

#include <QFile>
#include <QSaveFile>

namespace {

std::shared_ptr<map::TileLoader>& sharedLoader() {
    static std::shared_ptr<map::TileLoader> loader = ImageRoadTileLoader::shared();
    return loader;
}

std::function<bool()>& wifiTest() {
    static std::function<bool()> test = [] { return false; };
    return test;
}

bool writeFile(const QString& path, const QByteArray& data) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.write(data);
    return file.commit();
}

}  // namespace

URLPic::URLPic(const ui::Rect& frame) : ui::ImageView(frame), sourceFrame_(frame) {
    setContentMode(ui::ContentMode::ScaleAspectFill);
    setClipsToBounds(true);
    setUserInteractionEnabled(true);
    loader_ = std::make_shared<ui::ActivityIndicatorView>(ui::ActivityIndicatorViewStyle::Gray);
    loader_->setHidesWhenStopped(true);
    loader_->setCenter({frame.size.width / 2, frame.size.height / 2});
    addSubview(loader_);
}

std::shared_ptr<URLPic> URLPic::initWithURLString(const QString& url) {
    auto picture = std::make_shared<URLPic>(ui::Rect(0, 0, 320, 320));
    picture->loader_->removeFromSuperview();
    picture->loader_ =
        std::make_shared<ui::ActivityIndicatorView>(ui::ActivityIndicatorViewStyle::WhiteLarge);
    picture->loader_->setHidesWhenStopped(true);
    picture->loader_->setCenter({160, 160});
    picture->addSubview(picture->loader_);
    picture->addTapRecognizer();
    picture->requestURL(url);
    return picture;
}

// Loads of the map's pictures are never cancelled here: other pictures may wait for the same
// URL. A picture that arrives for a URL this view no longer shows is dropped.
URLPic::~URLPic() {
    *alive_ = false;
    ImageViewNetKit::cancelImageRequestOperation(*this);
}

void URLPic::setUsesWifi(std::function<bool()> usesWifi) {
    wifiTest() = usesWifi ? std::move(usesWifi) : [] { return false; };
}

QString URLPic::hightQualityURL(const QString& url) {
    return TextChecks::hightQualityImageURLString(url, wifiTest()());
}

QString URLPic::getLocImagePath(const QString& url) {
    return QXIMUtil::getPicCacheDirectory() + QLatin1Char('/') + QXIMUtil::MD5Encode(url) +
           QStringLiteral(".png");
}

QString URLPic::getHightQualityLocImagePath(const QString& url) {
    return getLocImagePath(hightQualityURL(url));
}

void URLPic::setFrame(const ui::Rect& frame) {
    ui::ImageView::setFrame(frame);
    if (loader_) loader_->setCenter({frame.size.width / 2, frame.size.height / 2});
}

void URLPic::setDelegate(std::weak_ptr<URLPicDelegate> delegate) {
    while (!gestureRecognizers().empty())
        removeGestureRecognizer(gestureRecognizers().back().get());
    delegate_ = std::move(delegate);
    if (!delegate_.expired()) addTapRecognizer();
}

void URLPic::addTapRecognizer() {
    auto tap = std::make_shared<ui::TapGestureRecognizer>();
    tap->addTarget(this, [weak = weakAs<URLPic>()](ui::GestureRecognizer&) {
        auto self = weak.lock();
        if (!self) return;
        if (auto delegate = self->delegate_.lock()) delegate->urlPictureSingleTapped(*self);
    });
    addGestureRecognizer(tap);
}

void URLPic::startLoading() {
    loader_->setHidden(false);
    bringSubviewToFront(loader_.get());
    loader_->startAnimating();
}

void URLPic::stopLoading() {
    loader_->stopAnimating();
}

void URLPic::cancelRequest() {
    // The view stands for no address any more: what it shows next is the caller's, and asking
    // for the address it had again loads that picture anew.
    URLString_.clear();
    ImageViewNetKit::cancelImageRequestOperation(*this);
    isDownloading_ = false;
    stopLoading();
}

void URLPic::showPicture(std::shared_ptr<ui::Image> picture) {
    setImage(std::move(picture));
    setBackgroundColor(ui::Color::clearColor());
    imageAdjusted();
}

void URLPic::imageAdjusted() {
    if (!image()) return;
    if (imageSizeType_ == 1) {
        setContentMode(ui::ContentMode::ScaleToFill);
    } else {
        const ui::Size picture = image()->size();
        const ui::Size view = bounds().size;
        const bool wider = picture.height > 0 && view.height > 0 &&
                           picture.width / picture.height > view.width / view.height;
        setContentMode(wider ? ui::ContentMode::ScaleAspectFill : ui::ContentMode::ScaleAspectFit);
    }
    setNeedsDisplay();
}

void URLPic::requestURL(const QString& url, Failure failure, bool loadHightQuality) {
    // The address shown or on its way is not asked twice; one that failed is asked again,
    // whether or not the view has a failure picture to show for it.
    if (!URLString_.isEmpty() && URLString_ == url && !failed_) return;
    URLString_ = url.isNull() ? QStringLiteral("") : url;
    failed_ = false;
    const QString fetched = loadHightQuality ? hightQualityURL(URLString_) : URLString_;
    const QString cached = getLocImagePath(fetched);
    if (ns::FileManager::fileExistsAtPath(cached)) {
        isDownloading_ = false;
        showPicture(PictureFileCache::pictureAt(cached));
        stopLoading();
        return;
    }
    startLoading();
    isDownloading_ = true;
    ns::URLRequest request{QUrl(fetched)};
    request.setHTTPShouldHandleCookies(false);
    request.setValue(QStringLiteral("image/*"), QStringLiteral("Accept"));
    const std::weak_ptr<URLPic> weak = weakAs<URLPic>();
    const QString original = URLString_;
    ImageViewNetKit::setImageWithURLRequest(
        *this, request, defaultImage_,
        [weak, fetched, loadHightQuality](const ns::URLRequest&,
                                          const std::shared_ptr<const ns::HTTPURLResponse>&,
                                          const ImageViewNetKit::Image& picture) {
            // Kept on disk even when the view has moved on: another view may want it.
            if (picture) writeFile(getLocImagePath(fetched), picture->JPEGRepresentation(1.0));
            if (auto self = weak.lock()) self->downloaded(fetched, picture, loadHightQuality);
        },
        [weak, original, fetched, failure, loadHightQuality](
            const ns::URLRequest&, const std::shared_ptr<const ns::HTTPURLResponse>&,
            const ns::Error& error) {
            // A load the view replaced with another is no failure.
            if (error.code() == ns::Error::kURLErrorCancelled) return;
            if (auto self = weak.lock())
                self->downloadFailed(original, fetched, error.localizedDescription(), failure,
                                     loadHightQuality);
        });
}

void URLPic::downloaded(const QString& fetched, const std::shared_ptr<ui::Image>& picture,
                        bool highQuality) {
    const QString current = highQuality ? hightQualityURL(URLString_) : URLString_;
    if (fetched != current) return;
    stopLoading();
    isDownloading_ = false;
    if (picture) showPicture(picture);
}

void URLPic::downloadFailed(const QString& original, const QString& fetched, const QString& error,
                            const Failure& failure, bool highQuality) {
    const QString current = highQuality ? hightQualityURL(URLString_) : URLString_;
    if (fetched != current) return;
    stopLoading();
    isDownloading_ = false;
    failed_ = true;
    showPicture(failureImage_);
    if (highQuality) {
        const QString plain = getLocImagePath(original);
        if (ns::FileManager::fileExistsAtPath(plain)) {
            failed_ = false;
            showPicture(PictureFileCache::pictureAt(plain));
            return;
        }
        requestURL(original, failure, false);
        return;
    }
    if (failure) failure(fetched, error);
}

void URLPic::setImageWithURL(const QUrl& url, std::shared_ptr<ui::Image> placeholder) {
    url_ = url;
    setImage(std::move(placeholder));
    if (!url.isValid() || url.isEmpty()) return;
    std::weak_ptr<bool> alive = alive_;
    sharedLoader()->loadTile(url, [this, alive, url](std::shared_ptr<ui::Image> image) {
        if (!alive.lock() || url != url_ || !image) return;
        setImage(std::move(image));
    });
}

void URLPic::setLoader(std::shared_ptr<map::TileLoader> loader) {
    if (loader) sharedLoader() = std::move(loader);
}
