#pragma once

#include "platform/foundation/url_connection.h"
#include "platform/uikit/view.h"

#include <QByteArray>
#include <QUrl>

#include <memory>
#include <mutex>

namespace ui {
class Image;
class ImageView;
}  // namespace ui

// A framed picture of the photo strips: a grey frame, a white backing, and the picture
// inset by 3 points, showing a loading picture until its URL has loaded and a failure
// picture when the bytes are no picture (it may then load again).
class ImageView : public ui::View {
public:
    static inline const QString kLoadingImageName = QStringLiteral("信息列表-加载中.png");
    static inline const QString kFailureImageName = QStringLiteral("信息列表加载失败.png");
    static constexpr double kTimeout = 20;

    explicit ImageView(const ui::Rect& frame);
    ~ImageView() override;

    [[nodiscard]] const QUrl& imageUrl() const { return imageUrl_; }
    void setImageUrl(const QUrl& url) { imageUrl_ = url; }
    // Starts one load, unless one runs or a downloaded picture is shown.
    void setImageFromImageUrl();
    // Stops the load; the view does not start another.
    void cancelDownload();
    [[nodiscard]] bool isLoading() const { return isLoading_; }
    [[nodiscard]] bool isDefaultImage() const { return isDefaultImage_; }

    [[nodiscard]] ui::ImageView* bImageView() const { return bImageView_.get(); }
    [[nodiscard]] ui::ImageView* mainImageView() const { return mainImageView_.get(); }
    // Shows `image` redrawn at the view's size in the inner picture.
    void setSizeWithImage(const std::shared_ptr<ui::Image>& image);
    // `image` drawn into the whole of `size`, proportions not kept.
    [[nodiscard]] static std::shared_ptr<ui::Image> scale(const std::shared_ptr<ui::Image>& image,
                                                          ui::Size size);

private:
    class Loader;
    void finishLoading(const QByteArray& data);
    void failLoading();

    QUrl imageUrl_;
    bool isLoading_ = false;
    bool isDefaultImage_ = true;
    std::shared_ptr<ui::ImageView> bImageView_;
    std::shared_ptr<ui::ImageView> mainImageView_;
    std::shared_ptr<Loader> loader_;
    std::shared_ptr<ns::URLConnection> connection_;
};
