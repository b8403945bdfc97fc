#pragma once

#include <QString>
#include <QUrl>

#include <functional>
#include <map>
#include <memory>

namespace ui {
class Image;
}

namespace ns {
class URLConnection;
}

namespace map {

// One square raster tile of the standard scheme: at zoom z the world is 2^z x 2^z tiles,
// x growing eastwards from longitude -180 and y southwards from the northern edge.
struct TileKey {
    int z = 0;
    int x = 0;
    int y = 0;

    friend auto operator<=>(const TileKey&, const TileKey&) = default;
};

// The tile's address from a template holding "{z}", "{x}" and "{y}".
[[nodiscard]] QUrl tileURL(const QString& urlTemplate, TileKey key);

// How a map gets its tile pictures. Completions run on the main thread, once per load,
// with nullptr when the tile could not be had; a cancelled load calls nothing (cancelling
// a URL cancels every load of it).
class TileLoader {
public:
    using Completion = std::function<void(std::shared_ptr<ui::Image> image)>;

    virtual ~TileLoader() = default;
    virtual void loadTile(const QUrl& url, Completion completion) = 0;
    virtual void cancelTile(const QUrl& url) = 0;
};

// Loads pictures over the platform's URL loading, one connection per URL however many
// wait for it. Only a 200 reply
// whose body is a picture counts; tiles are drawn two pixels to the point.
class URLTileLoader : public TileLoader {
public:
    ~URLTileLoader() override;
    void loadTile(const QUrl& url, Completion completion) override;
    void cancelTile(const QUrl& url) override;

private:
    struct Load;
    void finish(const QUrl& url, const std::shared_ptr<Load>& load,
                const std::shared_ptr<ui::Image>& image);

    std::map<QUrl, std::shared_ptr<Load>> loads_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace map
