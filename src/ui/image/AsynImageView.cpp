#include "ui/image/AsynImageView.h"

#include "platform/foundation/file_manager.h"
#include "platform/foundation/main_queue.h"
#include "platform/foundation/sandbox.h"
#include "platform/foundation/url_cache.h"
#include "platform/foundation/url_connection.h"
#include "platform/foundation/url_response.h"
#include "platform/uikit/application.h"
#include "platform/uikit/color.h"
#include "platform/uikit/image.h"

#include <QCryptographicHash>

#include <mutex>

namespace {

constexpr double kBorderWidth = 2.0;
constexpr double kFirstRetryDelay = 1.0;

}  // namespace

// Gathers a load's bytes on the network thread and hands the end to the view on the main
// thread, with the file name of the URL it was started for.
class AsynImageView::Loader final : public ns::URLConnectionDelegate {
public:
    Loader(std::weak_ptr<AsynImageView> view, QString fileName)
        : view_(std::move(view)), fileName_(std::move(fileName)) {}

    void didReceiveResponse(ns::URLConnection&,
                            const std::shared_ptr<const ns::URLResponse>& response) override {
        const auto http = std::dynamic_pointer_cast<const ns::HTTPURLResponse>(response);
        std::lock_guard lock(mutex_);
        refused_ = http && http->statusCode() >= 400;
    }
    void didReceiveData(ns::URLConnection&, const QByteArray& data) override {
        std::lock_guard lock(mutex_);
        if (data_.isNull()) data_.reserve(2048);
        data_.append(data);
    }
    void didFinishLoading(ns::URLConnection&) override {
        QByteArray data;
        {
            std::lock_guard lock(mutex_);
            // An error status is a failure whatever its body: a kept file is never fetched
            // again, so an error page kept would stand for the picture for good.
            if (refused_) {
                answer([](AsynImageView& view) { view.failLoading(); });
                return;
            }
            data = std::move(data_);
        }
        answer([data, fileName = fileName_](AsynImageView& view) {
            view.finishLoading(data, fileName);
        });
    }
    void didFailWithError(ns::URLConnection&, const ns::Error&) override {
        answer([](AsynImageView& view) { view.failLoading(); });
    }

private:
    void answer(std::function<void(AsynImageView&)> work) {
        ns::MainQueue::post([view = view_, self = this, work = std::move(work)] {
            auto shown = view.lock();
            if (shown && shown->loader_.get() == self) work(*shown);
        });
    }

    std::weak_ptr<AsynImageView> view_;
    const QString fileName_;
    std::mutex mutex_;
    QByteArray data_;
    bool refused_ = false;
};

AsynImageView::AsynImageView() : AsynImageView(ui::Rect{}) {}

AsynImageView::AsynImageView(const ui::Rect& frame) : ui::ImageView(frame) {
    layer()->setBorderColor(ui::Color::whiteColor());
    layer()->setBorderWidth(kBorderWidth);
    setBackgroundColor(ui::Color::grayColor());
}

AsynImageView::~AsynImageView() {
    retry_.cancel();
    if (connection_) connection_->cancel();
}

QString AsynImageView::fileNameForURL(const QString& url) {
    const QString folder = ns::Sandbox::caches() + QStringLiteral("/AsynImage");
    const QByteArray digest = QCryptographicHash::hash(url.toUtf8(), QCryptographicHash::Md5);
    return folder + QLatin1Char('/') + QString::fromLatin1(digest.toHex());
}

void AsynImageView::setPlaceholderImage(std::shared_ptr<ui::Image> image) {
    if (image == placeholderImage_) return;
    placeholderImage_ = std::move(image);
    setImage(placeholderImage_);
}

void AsynImageView::setImageURL(const QString& url) {
    if (url != imageURL_) {
        // The earlier URL's load is of no use now, and must not fill the new name.
        stopLoading();
        retries_ = 0;
        setImage(placeholderImage_);
        imageURL_ = url;
    }
    if (imageURL_.isEmpty()) return;
    fileName_ = fileNameForURL(imageURL_);
    ns::FileManager::createDirectoryAtPath(ns::Sandbox::caches() + QStringLiteral("/AsynImage"),
                                           true);
    if (ns::FileManager::fileExistsAtPath(fileName_)) {
        showFile(fileName_);
        return;
    }
    loadImage();
}

void AsynImageView::loadImage() {
    if (connection_ || imageURL_.isEmpty()) return;
    ns::URLRequest request(QUrl(imageURL_),
                           ns::URLRequest::CachePolicy::ReloadIgnoringLocalCacheData, kTimeout);
    if (ns::URLCache::sharedURLCache()->cachedResponseForRequest(request)) {
        request.setCachePolicy(ns::URLRequest::CachePolicy::ReturnCacheDataDontLoad);
    }
    loader_ = std::make_shared<Loader>(weakAs<AsynImageView>(), fileNameForURL(imageURL_));
    connection_ = ns::URLConnection::connectionWithRequest(request, loader_);
    ui::Application::sharedApplication().setNetworkActivityIndicatorVisible(true);
}

void AsynImageView::stopLoading() {
    retry_.cancel();
    if (connection_) connection_->cancel();
    connection_.reset();
    loader_.reset();
}

void AsynImageView::finishLoading(const QByteArray& data, const QString& fileName) {
    ui::Application::sharedApplication().setNetworkActivityIndicatorVisible(false);
    connection_.reset();
    loader_.reset();
    // Bytes that are no picture are not kept either.
    if (!ui::Image::imageWithData(data)) {
        failLoading();
        return;
    }
    if (ns::FileManager::createFileAtPath(fileName, data)) showFile(fileName);
}

void AsynImageView::failLoading() {
    ui::Application::sharedApplication().setNetworkActivityIndicatorVisible(false);
    retry_.cancel();
    connection_.reset();
    loader_.reset();
    if (retries_ >= kMaxRetries) return;
    const double delay = kFirstRetryDelay * double(1 << retries_);
    ++retries_;
    const std::weak_ptr<AsynImageView> weak = weakAs<AsynImageView>();
    retry_ = ns::DelayedCall::schedule(ns::seconds(delay), [weak] {
        if (auto self = weak.lock()) self->loadImage();
    });
}

void AsynImageView::showFile(const QString& fileName) {
    if (auto image = ui::Image::imageWithContentsOfFile(fileName)) setImage(image);
}
