#pragma once

#include "platform/foundation/timer.h"
#include "platform/uikit/image_view.h"

#include <QString>

#include <memory>

namespace ns {
class URLConnection;
}

// An image view that keeps each downloaded picture as a file in Library/Caches/AsynImage,
// named by the MD5 of the whole URL, and shows it from there. A failed load is tried
// again after a growing delay on the clock (1, 2, 4, 8, 16 s), five times at the most.
// A load belongs to its URL: giving another URL stops it, and its bytes never land
// under another URL's name.
class AsynImageView : public ui::ImageView {
public:
    static constexpr int kMaxRetries = 5;
    static constexpr double kTimeout = 60;

    AsynImageView();
    explicit AsynImageView(const ui::Rect& frame);
    ~AsynImageView() override;

    [[nodiscard]] const std::shared_ptr<ui::Image>& placeholderImage() const {
        return placeholderImage_;
    }
    void setPlaceholderImage(std::shared_ptr<ui::Image> image);
    [[nodiscard]] const QString& imageURL() const { return imageURL_; }
    void setImageURL(const QString& url);
    [[nodiscard]] const QString& fileName() const { return fileName_; }
    // The file a URL's picture is kept in.
    [[nodiscard]] static QString fileNameForURL(const QString& url);
    void loadImage();
    [[nodiscard]] int retryCount() const { return retries_; }

private:
    class Loader;
    void finishLoading(const QByteArray& data, const QString& fileName);
    void failLoading();
    void stopLoading();
    void showFile(const QString& fileName);

    std::shared_ptr<ui::Image> placeholderImage_;
    QString imageURL_;
    QString fileName_;
    std::shared_ptr<Loader> loader_;
    std::shared_ptr<ns::URLConnection> connection_;
    ns::DelayedCall retry_;
    int retries_ = 0;
};
