#include "ui/image/ImageDownoader.h"

#include "platform/foundation/main_queue.h"

std::shared_ptr<ImageDownoader> ImageDownoader::create() {
    return std::shared_ptr<ImageDownoader>(new ImageDownoader());
}

QString ImageDownoader::urlForType(const QString& url, int imageType) {
    switch (imageType) {
        case kIphoneImage:
            return url + QStringLiteral(":iphone");
        case kThumbnailImage:
            return url + QStringLiteral(".th.jpg");
        case kPlainImage:
            return url;
        default:
            return {};
    }
}

void ImageDownoader::getImageFromURL(const QString& url, int imageType,
                                     std::shared_ptr<ImageDownoaderDelegate> delegate) {
    const QString fetched = urlForType(url, imageType);
    if (fetched.isNull()) return;
    {
        std::lock_guard lock(mutex_);
        origURL_ = url;
        delegate_ = std::move(delegate);
        selfHold_ = shared_from_this();
        result_.reserve(128);
    }
    const QUrl target(fetched);
    auto connection =
        target.isValid() && !target.isEmpty()
            ? ns::URLConnection::create(ns::URLRequest(target), shared_from_this(), false)
            : nullptr;
    if (!connection) {
        report({}, false);
        return;
    }
    {
        std::lock_guard lock(mutex_);
        connection_ = connection;
    }
    connection->start();
}

void ImageDownoader::cancel() {
    std::shared_ptr<ns::URLConnection> connection;
    {
        std::lock_guard lock(mutex_);
        canceled_ = true;
        connection = std::move(connection_);
    }
    if (connection) connection->cancel();
    report({}, false);
}

bool ImageDownoader::canceled() const {
    std::lock_guard lock(mutex_);
    return canceled_;
}

void ImageDownoader::didReceiveResponse(ns::URLConnection&,
                                        const std::shared_ptr<const ns::URLResponse>&) {
    std::lock_guard lock(mutex_);
    result_.clear();
}

void ImageDownoader::didReceiveData(ns::URLConnection&, const QByteArray& data) {
    std::lock_guard lock(mutex_);
    result_.append(data);
}

void ImageDownoader::didFinishLoading(ns::URLConnection&) {
    QByteArray data;
    {
        std::lock_guard lock(mutex_);
        data = std::move(result_);
        connection_.reset();
    }
    report(data, true);
}

void ImageDownoader::didFailWithError(ns::URLConnection&, const ns::Error&) {
    {
        std::lock_guard lock(mutex_);
        connection_.reset();
    }
    report({}, false);
}

void ImageDownoader::report(const QByteArray& data, bool succeeded) {
    std::shared_ptr<ImageDownoaderDelegate> delegate;
    std::shared_ptr<ImageDownoader> self;
    {
        std::lock_guard lock(mutex_);
        if (reported_) return;
        reported_ = true;
        delegate = std::move(delegate_);
        self = std::move(selfHold_);
    }
    if (!self) self = shared_from_this();
    // Decoded off the network and main threads; only the answer goes to the main thread.
    ns::DispatchQueue::global()->async([self, delegate, data, succeeded] {
        auto image = succeeded ? ui::Image::imageWithData(data) : nullptr;
        ns::MainQueue::post([self, delegate, image] {
            // A fetch cancelled after its bytes were in still reports nothing but nil.
            if (delegate) delegate->receivedImage(self->canceled() ? nullptr : image, *self);
        });
    });
}
