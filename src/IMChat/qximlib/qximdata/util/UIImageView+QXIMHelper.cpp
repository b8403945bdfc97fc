#include "IMChat/qximlib/qximdata/util/UIImageView+QXIMHelper.h"

#include "net/QXIMRequest.h"

#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"

namespace UIImageViewQXIMHelper {

void setQXImageWithURL(const std::shared_ptr<ui::ImageView>& view, const QString& url,
                       std::shared_ptr<ui::Image> placeholder, Success success, Fail fail,
                       Progress progress) {
    if (view) view->setImage(std::move(placeholder));
    const std::weak_ptr<ui::ImageView> weak = view;
    QXIMRequest::shared().requestWithUrlForImage(
        url,
        [weak, success, fail](const QByteArray& data) {
            const auto image = ui::Image::imageWithData(data);
            if (!success || !image || image->isNull()) {
                if (fail) fail();
                return;
            }
            const auto shown = weak.lock();
            if (shown) shown->setImage(image);
            success(shown ? shown->image() : image);
        },
        [fail](const QVariantMap&) {
            if (fail) fail();
        },
        progress ? NKURLConnectionOperation::ProgressBlock(
                       [progress](quint64, qint64 total, qint64 expected) {
                           progress(static_cast<float>(total) / static_cast<float>(expected));
                       })
                 : nullptr);
}

}  // namespace UIImageViewQXIMHelper
