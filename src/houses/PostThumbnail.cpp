#include "houses/PostThumbnail.h"

#include "net/QXIMRequest.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"

#include <QHash>

#include <deque>

namespace {

constexpr qsizetype kCacheLimit = 300;

struct Cache {
    QHash<QString, std::shared_ptr<ui::Image>> images;
    std::deque<QString> order;  // oldest first, for eviction
    // The URL each view waits for.
    QHash<const ui::ImageView*, QString> pending;
};

Cache& cache() {
    static Cache shared;
    return shared;
}

void remember(const QString& url, const std::shared_ptr<ui::Image>& image) {
    Cache& c = cache();
    if (!c.images.contains(url)) c.order.push_back(url);
    c.images.insert(url, image);
    while (qsizetype(c.order.size()) > kCacheLimit) {
        c.images.remove(c.order.front());
        c.order.pop_front();
    }
}

}  // namespace

std::shared_ptr<ui::Image> PostThumbnail::cachedImage(const QString& url) {
    return cache().images.value(url);
}

void PostThumbnail::storeImage(const QString& url, const std::shared_ptr<ui::Image>& image) {
    if (image) remember(url, image);
}

void PostThumbnail::clearCache() {
    cache().images.clear();
    cache().order.clear();
}

void PostThumbnail::cancel(ui::ImageView& view) {
    cache().pending.remove(&view);
}

void PostThumbnail::load(ui::ImageView& view, const QString& url,
                         const std::shared_ptr<ui::Image>& placeholder, Done done) {
    if (auto image = cachedImage(url)) {
        cache().pending.remove(&view);
        if (done) done(image);
        return;
    }
    view.setImage(placeholder);
    cache().pending.insert(&view, url);
    const auto weakView = view.weakAs<ui::ImageView>();
    const ui::ImageView* key = &view;
    // Answers only while the view still waits for this URL.
    const auto current = [weakView, key, url]() -> bool {
        return !weakView.expired() && cache().pending.value(key) == url;
    };
    QXIMRequest::shared().requestWithUrlForImage(
        url,
        [current, key, url, done](const QByteArray& data) {
            // Views waiting for one URL share one picture: the first download to finish
            // is the one kept.
            auto image = cachedImage(url);
            if (!image) {
                image = ui::Image::imageWithData(data, 2);
                if (image) remember(url, image);
            }
            if (!current()) return;
            cache().pending.remove(key);
            if (done) done(image);
        },
        [current, key, done](const QVariantMap&) {
            if (!current()) return;
            cache().pending.remove(key);
            if (done) done(nullptr);
        },
        {});
}
