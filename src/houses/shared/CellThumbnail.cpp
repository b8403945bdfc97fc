#include "houses/shared/CellThumbnail.h"

#include "platform/foundation/url_request.h"
#include "platform/uikit/animation.h"
#include "platform/uikit/decoding_budget.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/layer.h"
#include "platform/uikit/screen.h"
#include "ui/image/UIImageView+NetKit.h"

#include <cmath>

struct CellThumbnail::Slot {
    std::shared_ptr<ui::Image> defaultImage;
    std::shared_ptr<ui::Image> upDateImage;
    std::shared_ptr<ui::View> backdrop;
    std::shared_ptr<ui::ImageView> imageView;
    QString shownUrl;
    // What the shown picture holds, counted in the decoding budget while the row shows it.
    ui::DecodingBudget::Share kept;

    void setPicture(const std::shared_ptr<ui::Image>& picture, bool loaded) {
        kept = ui::DecodingBudget::Share();
        imageView->setImage(picture);
        if (loaded && picture)
            kept = ui::DecodingBudget::hold(std::int64_t(picture->decodedBytes()));
    }
};

namespace {

std::shared_ptr<ui::View> listBackdrop() {
    auto image = ui::Image::imageNamed(QStringLiteral("列表-照片背景块.png"));
    auto backdrop = std::make_shared<ui::ImageView>(
        image ? image->stretchableImageWithLeftCapWidth(6, 6) : nullptr);
    backdrop->setFrame({8, 8, 70, 54});
    backdrop->setHidden(true);
    return backdrop;
}

std::shared_ptr<ui::ImageView> listPicture() {
    auto picture = std::make_shared<ui::ImageView>(ui::Rect(12, 12, 62, 46));
    picture->setClipsToBounds(true);
    picture->setHidden(true);
    return picture;
}

}  // namespace

CellThumbnail::CellThumbnail() : CellThumbnail(listBackdrop(), listPicture()) {}

CellThumbnail::CellThumbnail(std::shared_ptr<ui::View> backdrop,
                             std::shared_ptr<ui::ImageView> imageView)
    : slot_(std::make_shared<Slot>()) {
    slot_->defaultImage = ui::Image::imageNamed(QStringLiteral("信息列表加载失败.png"));
    slot_->upDateImage = ui::Image::imageNamed(QStringLiteral("信息列表-加载中.png"));
    slot_->backdrop = std::move(backdrop);
    slot_->imageView = std::move(imageView);
}

void CellThumbnail::addTo(ui::View& content) const {
    content.addSubview(slot_->backdrop);
    content.addSubview(slot_->imageView);
}

ui::ImageView* CellThumbnail::imageView() const {
    return slot_->imageView.get();
}

ui::View* CellThumbnail::backdrop() const {
    return slot_->backdrop.get();
}

const QString& CellThumbnail::shownUrl() const {
    return slot_->shownUrl;
}

QSize CellThumbnail::coveredPixels() const {
    const ui::Size size = slot_->imageView->bounds().size;
    const double scale = ui::Screen::mainScreen().scale();
    return {int(std::ceil(size.width * scale)), int(std::ceil(size.height * scale))};
}

void CellThumbnail::hide() {
    ImageViewNetKit::cancelImageRequestOperation(*slot_->imageView);
    slot_->shownUrl.clear();
    slot_->setPicture(nullptr, false);
    slot_->imageView->setHidden(true);
    slot_->backdrop->setHidden(true);
}

void CellThumbnail::show(const QString& url) {
    Slot& slot = *slot_;
    slot.backdrop->setHidden(false);
    slot.imageView->setHidden(false);
    if (url.isEmpty()) {
        ImageViewNetKit::cancelImageRequestOperation(*slot.imageView);
        slot.shownUrl.clear();
        slot.setPicture(slot.defaultImage, false);
        return;
    }
    if (url == slot.shownUrl) return;
    slot.shownUrl = url;
    // The loading picture goes on the view in place of the one shown.
    slot.kept = ui::DecodingBudget::Share();
    const std::weak_ptr<Slot> weakSlot = slot_;
    // A picture from the memory cache comes at once and shows without a fade.
    auto loading = std::make_shared<bool>(true);
    // A picture of the image host: no cookies go with it, and requests may share a connection.
    ns::URLRequest request(QUrl(url), ns::URLRequest::CachePolicy::UseProtocolCachePolicy,
                           kTimeout);
    request.setHTTPShouldHandleCookies(false);
    request.setHTTPShouldUsePipelining(true);
    ImageViewNetKit::setImageWithURLRequest(
        *slot.imageView, request, slot.upDateImage,
        [weakSlot, url, loading](const ns::URLRequest&,
                                 const std::shared_ptr<const ns::HTTPURLResponse>&,
                                 const ImageViewNetKit::Image& image) {
            auto slot = weakSlot.lock();
            if (!slot || slot->shownUrl != url) return;
            if (!*loading) {
                auto fade = ui::Transition::animation();
                fade->setType(ui::Transition::kFade);
                fade->setDuration(kFadeSeconds);
                slot->imageView->layer()->addAnimation(fade, QStringLiteral("image"));
            }
            slot->setPicture(image, true);
        },
        [weakSlot, url](const ns::URLRequest&, const std::shared_ptr<const ns::HTTPURLResponse>&,
                        const ns::Error&) {
            auto slot = weakSlot.lock();
            if (slot && slot->shownUrl == url) slot->setPicture(slot->defaultImage, false);
        },
        coveredPixels());
    *loading = false;
}
