#pragma once

#include "platform/foundation/url_connection.h"
#include "platform/uikit/image.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <mutex>

class ImageDownoader;

// Hears the one result of a fetch: the picture, or nothing when it failed.
class ImageDownoaderDelegate {
public:
    virtual ~ImageDownoaderDelegate() = default;
    virtual void receivedImage(const std::shared_ptr<ui::Image>& image, ImageDownoader& sender) = 0;
};

// One fetch of a picture by URL text; it keeps itself alive until it has reported once,
// on the main thread.
class ImageDownoader : public std::enable_shared_from_this<ImageDownoader>,
                       public ns::URLConnectionDelegate {
public:
    // What is fetched: 1 the text with ":iphone" after it, 2 with ".th.jpg", 3 the text
    // as it is.
    enum ImageType { kIphoneImage = 1, kThumbnailImage = 2, kPlainImage = 3 };

    [[nodiscard]] static std::shared_ptr<ImageDownoader> create();
    // Any other type starts nothing and reports nothing.
    void getImageFromURL(const QString& url, int imageType,
                         std::shared_ptr<ImageDownoaderDelegate> delegate);
    // Stops the fetch; the delegate hears nil as its one result.
    void cancel();
    [[nodiscard]] bool canceled() const;
    [[nodiscard]] const QString& origURL() const { return origURL_; }
    [[nodiscard]] static QString urlForType(const QString& url, int imageType);

    void didReceiveResponse(ns::URLConnection& connection,
                            const std::shared_ptr<const ns::URLResponse>& response) override;
    void didReceiveData(ns::URLConnection& connection, const QByteArray& data) override;
    void didFinishLoading(ns::URLConnection& connection) override;
    void didFailWithError(ns::URLConnection& connection, const ns::Error& error) override;

private:
    ImageDownoader() = default;
    // Reports once, on the main thread, then lets go of itself.
    void report(const QByteArray& data, bool succeeded);

    QString origURL_;
    mutable std::mutex mutex_;
    QByteArray result_;
    bool canceled_ = false;
    bool reported_ = false;
    std::shared_ptr<ImageDownoaderDelegate> delegate_;
    std::shared_ptr<ns::URLConnection> connection_;
    std::shared_ptr<ImageDownoader> selfHold_;
};
