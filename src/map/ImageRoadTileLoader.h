#pragma once

#include "platform/mapkit/tile_loader.h"

#include <map>
#include <memory>
#include <vector>

class IKImageCombinedOperation;
class IKImageManager;

// Map tiles and broker pictures through the app's image manager, so that they are kept
// in its memory and disk caches between screens and launches. Each load is its own
// manager operation: cancelling a URL cancels all of them and none answers.
class ImageRoadTileLoader : public map::TileLoader {
public:
    // Over the shared manager.
    ImageRoadTileLoader();
    explicit ImageRoadTileLoader(std::shared_ptr<IKImageManager> manager);
    ~ImageRoadTileLoader() override;
    // The one loader the maps and their pictures share.
    [[nodiscard]] static std::shared_ptr<ImageRoadTileLoader> shared();

    void loadTile(const QUrl& url, Completion completion) override;
    void cancelTile(const QUrl& url) override;

private:
    struct Load;
    [[nodiscard]] IKImageManager& manager() const;
    void finish(const QUrl& url, const std::shared_ptr<Load>& load);

    // Null: the shared manager.
    const std::shared_ptr<IKImageManager> manager_;
    std::map<QUrl, std::vector<std::shared_ptr<Load>>> loads_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
