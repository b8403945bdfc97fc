#pragma once

#include "net/transport/NKDecodedOnce.h"
#include "net/transport/NKTypedRequestOperation.h"

#include "platform/uikit/image.h"

// A decoded image as it travels as a response object.
Q_DECLARE_METATYPE(std::shared_ptr<ui::Image>)

// An HTTP request operation whose body is an image (PNG, JPEG, GIF, BMP, icons, TIFF),
// decoded on a processing queue of its own at the operation's scale (the screen's
// unless set) before calling back.
class NKImageRequestOperation : public NKTypedRequestOperation<NKImageRequestOperation> {
public:
    static inline const QString kClassName = QStringLiteral("NKImageRequestOperation");
    static inline const QString kProcessingQueueLabel =
        QStringLiteral("com.housing.netkit.image-request.processing");

    using Image = std::shared_ptr<ui::Image>;
    // Receives the decoded image and returns the one handed to success.
    using ImageProcessingBlock = std::function<Image(const Image& image)>;
    using Success = std::function<void(const ns::URLRequest& request,
                                       const std::shared_ptr<const ns::HTTPURLResponse>& response,
                                       const Image& image)>;
    using Failure = std::function<void(const ns::URLRequest& request,
                                       const std::shared_ptr<const ns::HTTPURLResponse>& response,
                                       const ns::Error& error)>;

    explicit NKImageRequestOperation(const ns::URLRequest& request);

    // New operations with their completion installed, not yet queued.
    [[nodiscard]] static std::shared_ptr<NKImageRequestOperation> imageRequestOperationWithRequest(
        const ns::URLRequest& request, ImageProcessingBlock imageProcessing, Success success,
        Failure failure);
    // Success with the image alone, and no failure block.
    [[nodiscard]] static std::shared_ptr<NKImageRequestOperation> imageRequestOperationWithRequest(
        const ns::URLRequest& request, std::function<void(const Image& image)> success);

    // The decoded body at imageScale(), made once the operation has finished with a body;
    // nothing for an empty body or bytes that are no image. A picture of more pixels than a
    // decode gives comes scaled down to them (ui::ImageReader). The body is decoded once,
    // without the operation's lock: a reader that comes while it decodes waits for it.
    [[nodiscard]] Image responseImage();
    [[nodiscard]] double imageScale() const;
    // Another scale drops the image made so far: the next request makes it anew, from the
    // pixels already decoded.
    void setImageScale(double scale);
    // The pixels of the view the picture is to cover (a list's thumbnail: its view's size at the
    // screen's scale), set before the operation starts: a larger picture is decoded to the
    // smallest size of its shape that covers them. Empty (the default): the decode's bound.
    [[nodiscard]] QSize coveredPixels() const;
    void setCoveredPixels(QSize pixels);

protected:
    // The body's picture at scale 1; nothing when it is no picture. A step of its own so that
    // a test can count the decodes.
    [[nodiscard]] virtual Image decodedImage(const QByteArray& data) const;

private:
    friend class NKTypedRequestOperation<NKImageRequestOperation>;
    [[nodiscard]] static QStringList defaultContentTypes();
    [[nodiscard]] static QStringList pathExtensions();
    [[nodiscard]] std::pair<QVariant, std::optional<ns::Error>> decodeResponse();

    NKDecodedOnce<Image> decoded_;
    Image responseImage_;
    double imageScale_;
    QSize coveredPixels_;
};
