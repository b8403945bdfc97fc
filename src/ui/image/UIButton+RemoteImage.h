#pragma once

#include "ui/image/UIImageView+RemoteImage.h"

#include <QUrl>

namespace ui {
class Button;
}

// Buttons that show pictures from URLs, foreground and background, one load per state
// and slot: each slot cancels only its own earlier load.
namespace ButtonRemoteImage {

using RemoteImage::CompletedBlock;
using RemoteImage::DeprecatedCompletedBlock;
using RemoteImage::Image;

// The URL given for the button's current state, else the one for the normal state.
[[nodiscard]] QUrl ik_currentImageURL(ui::Button& button);
[[nodiscard]] QUrl ik_imageURLForState(ui::Button& button, unsigned state);

void ik_setImageWithURL(ui::Button& button, const QUrl& url, unsigned state, Image placeholder = {},
                        std::uint32_t options = 0, CompletedBlock completed = {});
void ik_setBackgroundImageWithURL(ui::Button& button, const QUrl& url, unsigned state,
                                  Image placeholder = {}, std::uint32_t options = 0,
                                  CompletedBlock completed = {});
void ik_cancelImageLoadForState(ui::Button& button, unsigned state);
void ik_cancelBackgroundImageLoadForState(ui::Button& button, unsigned state);

// The older names, as the screens call them.
void setImageWithURL(ui::Button& button, const QUrl& url, unsigned state, Image placeholder = {},
                     std::uint32_t options = 0, DeprecatedCompletedBlock completed = {});
void setBackgroundImageWithURL(ui::Button& button, const QUrl& url, unsigned state,
                               Image placeholder = {}, std::uint32_t options = 0,
                               DeprecatedCompletedBlock completed = {});
// The foreground load of the button's current state.
void cancelCurrentImageLoad(ui::Button& button);

}  // namespace ButtonRemoteImage
