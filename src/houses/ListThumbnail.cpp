#include "houses/ListThumbnail.h"

#include "platform/foundation/url_request.h"
#include "platform/uikit/animation.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/layer.h"
#include "ui/image/UIImageView+NetKit.h"

void ListThumbnail::load(ui::ImageView& view, const QString& url,
                         std::shared_ptr<ui::Image> loading, std::shared_ptr<ui::Image> failed,
                         std::function<bool()> stillShowing) {
    const auto weakView = view.weakAs<ui::ImageView>();
    // A picture from the memory cache comes at once and shows without a fade.
    auto waiting = std::make_shared<bool>(true);
    ns::URLRequest request(QUrl(url), ns::URLRequest::CachePolicy::UseProtocolCachePolicy,
                           kTimeout);
    request.setHTTPShouldHandleCookies(false);
    request.setHTTPShouldUsePipelining(true);
    ImageViewNetKit::setImageWithURLRequest(
        view, request, std::move(loading),
        [weakView, stillShowing, waiting](const ns::URLRequest&,
                                          const std::shared_ptr<const ns::HTTPURLResponse>&,
                                          const ImageViewNetKit::Image& image) {
            auto shown = weakView.lock();
            if (!shown || !stillShowing()) return;
            if (!*waiting) {
                auto fade = ui::Transition::animation();
                fade->setType(ui::Transition::kFade);
                fade->setDuration(kFadeSeconds);
                shown->layer()->addAnimation(fade, QStringLiteral("image"));
            }
            shown->setImage(image);
        },
        [weakView, stillShowing, failed = std::move(failed)](
            const ns::URLRequest&, const std::shared_ptr<const ns::HTTPURLResponse>&,
            const ns::Error&) {
            auto shown = weakView.lock();
            if (shown && stillShowing()) shown->setImage(failed);
        });
    *waiting = false;
}
