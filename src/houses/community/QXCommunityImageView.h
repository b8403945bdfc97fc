#pragma once

#include "platform/uikit/view.h"

#include <QString>
#include <QStringList>

#include <memory>

class ImageView;
namespace ui {
class TapGestureRecognizer;
class ViewController;
}  // namespace ui

// The tile at the top of the community page: the community's picture (type 1) or none
// (type 0), its average price per square metre and the change against the month before
// with an up or down arrow. A tap on the picture opens all the community's photos.
class QXCommunityImageView : public ui::View {
public:
    static inline const QString kAvgPriceTitle = QStringLiteral("小区均价:  ");
    static inline const QString kChangeTitle = QStringLiteral("( 环比上月 ");
    static inline const QString kUpArrow = QStringLiteral("小区详情-上升.png");
    static inline const QString kDownArrow = QStringLiteral("小区详情-下降.png");

    QXCommunityImageView(const ui::Rect& frame, int type, const QString& imageURL);

    [[nodiscard]] int type() const { return type_; }
    [[nodiscard]] const QString& imageURL() const { return imageURL_; }
    // Stores the URL; a tile with a picture starts loading it.
    void setImageURL(const QString& url);
    [[nodiscard]] const QString& avgPrice() const { return avgPrice_; }
    void setAvgPrice(const QString& text);
    [[nodiscard]] const QString& avgPriceChange() const { return avgPriceChange_; }
    void setAvgPriceChange(const QString& text);
    [[nodiscard]] const QStringList& allImageURL() const { return allImageURL_; }
    void setAllImageURL(const QStringList& urls) { allImageURL_ = urls; }
    [[nodiscard]] std::shared_ptr<ui::ViewController> target() const { return target_.lock(); }
    // A new target makes the picture tappable (once; a tile without a picture never is).
    void setTarget(const std::shared_ptr<ui::ViewController>& target);

    [[nodiscard]] ImageView* imageView() const { return imageView_.get(); }
    // The change as the tile draws it: "%.1f%%" of its size, and whether it went down.
    [[nodiscard]] QString changeText() const;
    [[nodiscard]] bool changeGoesDown() const;

    // Opens the photos at the first one, over the target.
    void handleTap();
    // Closes the photos the target presented.
    void removeDetailImage();

    void drawRect(const ui::Rect& rect) override;

private:
    void createViewByType();
    [[nodiscard]] double changeValue() const;

    int type_;
    QString imageURL_;
    QString avgPrice_;
    QString avgPriceChange_;
    QStringList allImageURL_;
    std::weak_ptr<ui::ViewController> target_;
    std::shared_ptr<ImageView> imageView_;
    std::shared_ptr<ui::TapGestureRecognizer> tap_;
};
