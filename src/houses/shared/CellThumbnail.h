#pragma once

#include <QSize>
#include <QString>

#include <memory>

namespace ui {
class Image;
class ImageView;
class View;
}  // namespace ui

// The thumbnail of a list row: a backdrop and the picture over it. A picture loads from the
// image host without cookies and may share a connection, shows the loading picture meanwhile
// and the failure picture when it cannot be had, and fades in over 0.5 s when it had to be
// fetched (a picture from the memory cache shows at once). A row reused for another post
// never shows the earlier picture. The picture comes at the size its view shows (its pixels at
// the screen's scale, covered with the picture's shape kept), and what the row keeps of it is
// counted in the decoding budget for as long as it shows it.
class CellThumbnail {
public:
    static constexpr double kTimeout = 30;
    static constexpr double kFadeSeconds = 0.5;

    // The post lists' look: the photo frame at (8, 8, 70, 54) and the picture inside it at
    // (12, 12, 62, 46), both hidden until a picture is shown.
    CellThumbnail();
    // A row that frames its picture its own way: the views as the row made them.
    CellThumbnail(std::shared_ptr<ui::View> backdrop, std::shared_ptr<ui::ImageView> imageView);

    // Puts the frame and the picture into the row's content.
    void addTo(ui::View& content) const;
    // Shows the picture of `url` (the failure picture for an empty one).
    void show(const QString& url);
    // Hides frame and picture and forgets the picture.
    void hide();

    [[nodiscard]] ui::ImageView* imageView() const;
    [[nodiscard]] ui::View* backdrop() const;
    // The address of the picture shown or on its way; empty when none.
    [[nodiscard]] const QString& shownUrl() const;
    // The pixels the picture is decoded to cover: the picture view's size at the screen's
    // scale, rounded up.
    [[nodiscard]] QSize coveredPixels() const;

private:
    struct Slot;
    std::shared_ptr<Slot> slot_;
};
