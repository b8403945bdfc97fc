#include "ui/image/UIButton+RemoteImage.h"

#include "platform/uikit/button.h"
#include "ui/image/UIView+RemoteImageOperation.h"

#include <map>

namespace ButtonRemoteImage {

namespace {

using URLStorage = std::map<unsigned, QUrl>;
const std::string kURLStorageKey = "ik_imageURLStorage";

URLStorage& imageURLStorage(ui::Button& button) {
    if (auto* storage = button.associated<URLStorage>(kURLStorageKey)) return *storage;
    button.setAssociatedValue(kURLStorageKey, URLStorage{});
    return *button.associated<URLStorage>(kURLStorageKey);
}

QString imageKey(unsigned state) {
    return QStringLiteral("UIButtonImageOperation%1").arg(state);
}

QString backgroundKey(unsigned state) {
    return QStringLiteral("UIButtonBackgroundImageOperation%1").arg(state);
}

}  // namespace

QUrl ik_imageURLForState(ui::Button& button, unsigned state) {
    const auto& storage = imageURLStorage(button);
    const auto found = storage.find(state);
    return found == storage.end() ? QUrl() : found->second;
}

QUrl ik_currentImageURL(ui::Button& button) {
    const QUrl current = ik_imageURLForState(button, button.state());
    return current.isEmpty() ? ik_imageURLForState(button, ui::kControlStateNormal) : current;
}

void ik_setImageWithURL(ui::Button& button, const QUrl& url, unsigned state, Image placeholder,
                        std::uint32_t options, CompletedBlock completed) {
    button.setImage(std::move(placeholder), state);
    ik_cancelImageLoadForState(button, state);
    if (url.isEmpty()) {
        imageURLStorage(button).erase(state);
        RemoteImage::reportNilURL(completed);
        return;
    }
    imageURLStorage(button)[state] = url;
    RemoteImage::loadIntoSlot<ui::Button>(
        button, imageKey(state), url, options, {},
        [state](ui::Button& shown, const Image& image) {
            if (image) shown.setImage(image, state);
        },
        std::move(completed));
}

void ik_setBackgroundImageWithURL(ui::Button& button, const QUrl& url, unsigned state,
                                  Image placeholder, std::uint32_t options,
                                  CompletedBlock completed) {
    ik_cancelBackgroundImageLoadForState(button, state);
    button.setBackgroundImage(std::move(placeholder), state);
    if (url.isEmpty()) {
        RemoteImage::reportNilURL(completed);
        return;
    }
    RemoteImage::loadIntoSlot<ui::Button>(
        button, backgroundKey(state), url, options, {},
        [state](ui::Button& shown, const Image& image) {
            if (image) shown.setBackgroundImage(image, state);
        },
        std::move(completed));
}

void ik_cancelImageLoadForState(ui::Button& button, unsigned state) {
    RemoteImageOperation::ik_cancelImageLoadOperationWithKey(button, imageKey(state));
}

void ik_cancelBackgroundImageLoadForState(ui::Button& button, unsigned state) {
    RemoteImageOperation::ik_cancelImageLoadOperationWithKey(button, backgroundKey(state));
}

void setImageWithURL(ui::Button& button, const QUrl& url, unsigned state, Image placeholder,
                     std::uint32_t options, DeprecatedCompletedBlock completed) {
    ik_setImageWithURL(button, url, state, std::move(placeholder), options,
                       RemoteImage::forwarding(std::move(completed)));
}

void setBackgroundImageWithURL(ui::Button& button, const QUrl& url, unsigned state,
                               Image placeholder, std::uint32_t options,
                               DeprecatedCompletedBlock completed) {
    ik_setBackgroundImageWithURL(button, url, state, std::move(placeholder), options,
                                 RemoteImage::forwarding(std::move(completed)));
}

void cancelCurrentImageLoad(ui::Button& button) {
    ik_cancelImageLoadForState(button, button.state());
}

}  // namespace ButtonRemoteImage
