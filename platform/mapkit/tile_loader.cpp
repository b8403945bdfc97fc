#include "platform/mapkit/tile_loader.h"

#include "platform/foundation/main_queue.h"
#include "platform/foundation/url_connection.h"
#include "platform/foundation/url_response.h"
#include "platform/mapkit/map_view.h"
#include "platform/uikit/image.h"

#include <vector>

namespace map {

QUrl tileURL(const QString& urlTemplate, TileKey key) {
    QString text = urlTemplate;
    text.replace(QLatin1String("{z}"), QString::number(key.z));
    text.replace(QLatin1String("{x}"), QString::number(key.x));
    text.replace(QLatin1String("{y}"), QString::number(key.y));
    return QUrl(text);
}

namespace {

constexpr double kTileScale = 2;
// A tile is shown at its side's pixels, never larger: a reply of more pixels is decoded
// scaled down to them, so each of the tiles the map keeps costs at most 256 KB.
constexpr std::int64_t kTilePixels =
    std::int64_t(MapView::kTileSide * kTileScale) * std::int64_t(MapView::kTileSide * kTileScale);

// Collects one tile's reply on the loading thread and hands the outcome to the main
// thread.
class TileConnectionDelegate : public ns::URLConnectionDelegate {
public:
    explicit TileConnectionDelegate(std::function<void(int status, QByteArray body)> done)
        : done_(std::move(done)) {}

    void didReceiveResponse(ns::URLConnection&,
                            const std::shared_ptr<const ns::URLResponse>& response) override {
        const auto* http = dynamic_cast<const ns::HTTPURLResponse*>(response.get());
        status_ = http ? http->statusCode() : 0;
    }
    void didReceiveData(ns::URLConnection&, const QByteArray& data) override { body_ += data; }
    void didFinishLoading(ns::URLConnection&) override { done_(status_, std::move(body_)); }
    void didFailWithError(ns::URLConnection&, const ns::Error&) override { done_(0, {}); }

private:
    std::function<void(int, QByteArray)> done_;
    int status_ = 0;
    QByteArray body_;
};

}  // namespace

struct URLTileLoader::Load {
    std::vector<Completion> completions;
    std::shared_ptr<ns::URLConnection> connection;
};

URLTileLoader::~URLTileLoader() {
    *alive_ = false;
    for (auto& [url, load] : loads_) load->connection->cancel();
}

void URLTileLoader::loadTile(const QUrl& url, Completion completion) {
    // A picture already under way is loaded once for everyone waiting for it.
    if (const auto found = loads_.find(url); found != loads_.end()) {
        found->second->completions.push_back(std::move(completion));
        return;
    }
    auto load = std::make_shared<Load>();
    load->completions.push_back(std::move(completion));
    loads_[url] = load;
    std::weak_ptr<bool> alive = alive_;
    std::weak_ptr<Load> weakLoad = load;
    auto delegate = std::make_shared<TileConnectionDelegate>(
        [this, alive, weakLoad, url](int status, QByteArray body) {
            ns::MainQueue::post([this, alive, weakLoad, url, status, body = std::move(body)] {
                const auto load = weakLoad.lock();
                if (!alive.lock() || !load) return;
                finish(url, load,
                       status == 200 ? ui::Image::imageWithData(body, kTileScale, kTilePixels)
                                     : nullptr);
            });
        });
    load->connection = ns::URLConnection::connectionWithRequest(ns::URLRequest(url), delegate);
}

void URLTileLoader::cancelTile(const QUrl& url) {
    const auto found = loads_.find(url);
    if (found == loads_.end()) return;
    const auto load = found->second;
    loads_.erase(found);
    load->connection->cancel();
}

void URLTileLoader::finish(const QUrl& url, const std::shared_ptr<Load>& load,
                           const std::shared_ptr<ui::Image>& image) {
    const auto found = loads_.find(url);
    // A load replaced or cancelled since calls nothing.
    if (found == loads_.end() || found->second != load) return;
    loads_.erase(found);
    for (const auto& completion : load->completions) completion(image);
}

}  // namespace map
