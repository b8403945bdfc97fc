#pragma once

#include <QString>

#include <memory>

namespace ui {
class Image;
class ImageView;
class View;
}  // namespace ui

// The thumbnail of a list row: the photo frame at (8, 8, 70, 54) and the picture inside it at
// (12, 12, 62, 46). A picture loads without cookies and may share a connection, shows the
// loading picture meanwhile and the failure picture when it cannot be had, and fades in when
// it had to be fetched. A row reused for another post never shows the earlier picture.
class CellThumbnail {
public:
    CellThumbnail();

    // Puts the frame and the picture into the row's content.
    void addTo(ui::View& content) const;
    // Shows the picture of `url` (the failure picture for an empty one).
    void show(const QString& url);
    // Hides frame and picture and forgets the picture.
    void hide();

    [[nodiscard]] ui::ImageView* imageView() const;
    [[nodiscard]] ui::ImageView* backdrop() const;

private:
    struct Slot;
    std::shared_ptr<Slot> slot_;
};
