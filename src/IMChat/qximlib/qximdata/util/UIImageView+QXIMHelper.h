#pragma once

#include <QString>

#include <functional>
#include <memory>

namespace ui {
class Image;
class ImageView;
}  // namespace ui

// Remote pictures of the messaging library loaded into an image view.
namespace UIImageViewQXIMHelper {

using Success = std::function<void(const std::shared_ptr<ui::Image>& image)>;
using Fail = std::function<void()>;
using Progress = std::function<void(float share)>;

// Shows `placeholder` at once, then fetches the picture at `url` through the messaging
// requests. Decoded with a success block: shown, and success hears the view's image.
// Undecodable, or no success block: fail (the placeholder stays), as on a failed fetch.
// Progress hears the share of the bytes received. The view is held weakly: a view gone
// before the picture came is left alone, the blocks still hear the outcome.
void setQXImageWithURL(const std::shared_ptr<ui::ImageView>& view, const QString& url,
                       std::shared_ptr<ui::Image> placeholder, Success success, Fail fail,
                       Progress progress);

}  // namespace UIImageViewQXIMHelper
