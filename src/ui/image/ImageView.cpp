#include "ui/image/ImageView.h"

#include "platform/foundation/main_queue.h"
#include "platform/uikit/color.h"
#include "platform/uikit/graphics_context.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"

namespace {

constexpr int kFrameGrey = 229;
constexpr double kMargin = 3;

}  // namespace

// Gathers a load's bytes on the network thread and hands the end to the view on the main
// thread, unless the view has gone or moved on to another load.
class ImageView::Loader final : public ns::URLConnectionDelegate {
public:
    explicit Loader(std::weak_ptr<ImageView> view) : view_(std::move(view)) {}

    void didReceiveResponse(ns::URLConnection&,
                            const std::shared_ptr<const ns::URLResponse>&) override {
        std::lock_guard lock(mutex_);
        data_.clear();
    }
    void didReceiveData(ns::URLConnection&, const QByteArray& data) override {
        std::lock_guard lock(mutex_);
        data_.append(data);
    }
    void didFinishLoading(ns::URLConnection&) override {
        QByteArray data;
        {
            std::lock_guard lock(mutex_);
            data = std::move(data_);
        }
        answer([data](ImageView& view) { view.finishLoading(data); });
    }
    void didFailWithError(ns::URLConnection&, const ns::Error&) override {
        answer([](ImageView& view) { view.failLoading(); });
    }

private:
    void answer(std::function<void(ImageView&)> work) {
        ns::MainQueue::post([view = view_, self = this, work = std::move(work)] {
            auto shown = view.lock();
            if (shown && shown->loader_.get() == self) work(*shown);
        });
    }

    std::weak_ptr<ImageView> view_;
    std::mutex mutex_;
    QByteArray data_;
};

ImageView::ImageView(const ui::Rect& frame) : ui::View(frame) {
    setBackgroundColor(ui::Color::rgb(kFrameGrey, kFrameGrey, kFrameGrey));
    bImageView_ = std::make_shared<ui::ImageView>(
        ui::Rect{1, 1, frame.size.width - 2, frame.size.height - 2});
    bImageView_->setBackgroundColor(ui::Color::whiteColor());
    addSubview(bImageView_);
    mainImageView_ = std::make_shared<ui::ImageView>(bounds());
    setSizeWithImage(ui::Image::imageNamed(kLoadingImageName));
    addSubview(mainImageView_);
}

ImageView::~ImageView() {
    if (connection_) connection_->cancel();
}

std::shared_ptr<ui::Image> ImageView::scale(const std::shared_ptr<ui::Image>& image,
                                            ui::Size size) {
    if (!image) return nullptr;
    ui::GraphicsContext::beginImageContext(size);
    image->drawInRect({{0, 0}, size});
    auto scaled = ui::GraphicsContext::imageFromCurrentImageContext();
    ui::GraphicsContext::endImageContext();
    return scaled;
}

void ImageView::setSizeWithImage(const std::shared_ptr<ui::Image>& image) {
    const ui::Size size = frame().size;
    mainImageView_->setFrame({0, 0, size.width - 2 * kMargin, size.height - 2 * kMargin});
    mainImageView_->setCenter({bounds().size.width / 2, bounds().size.height / 2});
    mainImageView_->setImage(scale(image, size));
}

void ImageView::setImageFromImageUrl() {
    if (isLoading_ || !isDefaultImage_) return;
    isLoading_ = true;
    loader_ = std::make_shared<Loader>(weakAs<ImageView>());
    connection_ = ns::URLConnection::connectionWithRequest(
        ns::URLRequest(imageUrl_, ns::URLRequest::CachePolicy::ReturnCacheDataElseLoad, kTimeout),
        loader_);
    if (!connection_) failLoading();
}

void ImageView::finishLoading(const QByteArray& data) {
    if (auto image = ui::Image::imageWithData(data)) {
        isDefaultImage_ = false;
        setSizeWithImage(image);
    } else {
        setSizeWithImage(ui::Image::imageNamed(kFailureImageName));
    }
    loader_.reset();
    connection_.reset();
    isLoading_ = false;
}

void ImageView::failLoading() {
    loader_.reset();
    connection_.reset();
    isLoading_ = false;
}

void ImageView::cancelDownload() {
    if (connection_) connection_->cancel();
    connection_.reset();
    loader_.reset();
}
