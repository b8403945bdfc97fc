#pragma once

#include "platform/uikit/image_view.h"

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <QVariantMap>

#include <atomic>
#include <functional>
#include <memory>

namespace map {
class TileLoader;
}
namespace ui {
class ActivityIndicatorView;
}
class URLPic;

// Hears taps on a URL picture.
class URLPicDelegate {
public:
    virtual ~URLPicDelegate() = default;
    virtual void urlPictureSingleTapped(URLPic& picture) { (void)picture; }
};

// An image view that shows the picture at a URL. requestURL() looks for the picture cache's
// file first (<picture cache>/<MD5 of the address>.png, JPEG inside), else downloads it with a
// spinner over the default picture, keeps it in that file and shows it, or shows the failure
// picture. A newer URL replaces an older one still under way: the late answer is kept on disk
// but not shown. The shop map's pictures use the simpler setImageWithURL() instead.
class URLPic : public ui::ImageView {
public:
    // The URL text and the error of a plain download that failed.
    using Failure = std::function<void(const QString& url, const QString& error)>;

    explicit URLPic(const ui::Rect& frame);
    ~URLPic() override;
    // A full-width square picture (320 by 320) with a large white spinner that asks for `url`
    // at once and hears taps.
    [[nodiscard]] static std::shared_ptr<URLPic> initWithURLString(const QString& url);

    // Asks for the better rendition of `url` first (on Wi-Fi "_8-", else "_5-"), then, when
    // that fails, the cached or plain picture; `failure` hears only the plain attempt fail.
    void requestURL(const QString& url, Failure failure = {}, bool loadHightQuality = true);
    void cancelRequest();
    void startLoading();
    void stopLoading();
    [[nodiscard]] bool isDownloading() const { return isDownloading_; }
    // Fits the shown picture: stretched with size type 1, else filling the view when it is
    // relatively wider than the view, else fitted inside it.
    void imageAdjusted();

    [[nodiscard]] const QString& URLString() const { return URLString_; }
    [[nodiscard]] const std::shared_ptr<ui::Image>& defaultImage() const { return defaultImage_; }
    void setDefaultImage(std::shared_ptr<ui::Image> image) { defaultImage_ = std::move(image); }
    [[nodiscard]] const std::shared_ptr<ui::Image>& failureImage() const { return failureImage_; }
    void setFailureImage(std::shared_ptr<ui::Image> image) { failureImage_ = std::move(image); }
    [[nodiscard]] int imageSizeType() const { return imageSizeType_; }
    void setImageSizeType(int type) { imageSizeType_ = type; }
    // Values kept for the owner.
    QVariantMap userInfo;
    QString picId;
    QByteArray imgData;
    [[nodiscard]] int statu() const { return statu_.load(); }
    void setStatu(int statu) { statu_.store(statu); }
    // The frame the view was made with.
    [[nodiscard]] const ui::Rect& sourceFrame() const { return sourceFrame_; }
    // Removes the view's recognisers; adds one tap recogniser for a delegate.
    void setDelegate(std::weak_ptr<URLPicDelegate> delegate);
    void setFrame(const ui::Rect& frame) override;

    // The cache file of a picture address, and of its better rendition.
    [[nodiscard]] static QString getLocImagePath(const QString& url);
    [[nodiscard]] static QString getHightQualityLocImagePath(const QString& url);
    // The better rendition's address.
    [[nodiscard]] static QString hightQualityURL(const QString& url);
    // Whether the device is on Wi-Fi, as the application knows it (off until it says).
    static void setUsesWifi(std::function<bool()> usesWifi);

    // The shop map's pictures: shown from the map's loader over a placeholder.
    void setImageWithURL(const QUrl& url, std::shared_ptr<ui::Image> placeholder);
    [[nodiscard]] const QUrl& url() const { return url_; }
    // The loader all map pictures share (the platform's URL loading by default).
    static void setLoader(std::shared_ptr<map::TileLoader> loader);

private:
    void addTapRecognizer();
    void showPicture(std::shared_ptr<ui::Image> picture);
    void downloaded(const QString& fetched, const std::shared_ptr<ui::Image>& picture,
                    bool highQuality);
    void downloadFailed(const QString& original, const QString& fetched, const QString& error,
                        const Failure& failure, bool highQuality);

    std::shared_ptr<ui::ActivityIndicatorView> loader_;
    std::weak_ptr<URLPicDelegate> delegate_;
    std::shared_ptr<ui::Image> defaultImage_;
    std::shared_ptr<ui::Image> failureImage_;
    QString URLString_;
    int imageSizeType_ = 0;
    bool isDownloading_ = false;
    // The last download of URLString_ failed: asking for it again retries.
    bool failed_ = false;
    ui::Rect sourceFrame_;
    std::atomic<int> statu_{0};
    QUrl url_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
