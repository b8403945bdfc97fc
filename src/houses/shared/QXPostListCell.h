#pragma once

#include "houses/shared/CellThumbnail.h"
#include "houses/shared/GetPostListCellFormate.h"
#include "platform/uikit/table_view_cell.h"

#include <memory>

namespace ui {
class Image;
class ImageView;
class Label;
}  // namespace ui

// The list row of one housing post: title, second and third lines on the left, price or
// time on the right, an optional thumbnail, up to four badges, a has-photos mark, the read
// colour of the title and a separator line. Every layout pass rebuilds frames, texts,
// colours and visibility from the content, so nothing of a reused row's last post stays.
class QXPostListCell : public ui::TableViewCell {
public:
    static constexpr double kRowHeight = 70;
    static constexpr double kWidth = 320;

    QXPostListCell(ui::TableViewCellStyle style, const QString& reuseIdentifier);

    [[nodiscard]] const std::shared_ptr<const PostCellContent>& content() const { return content_; }
    // The same content (or an equal one) again changes nothing.
    void setContent(std::shared_ptr<const PostCellContent> content);
    [[nodiscard]] bool IsShowWifiImage() const { return showWifiImage_; }
    void setIsShowWifiImage(bool show);
    [[nodiscard]] bool isFav() const { return isFav_; }
    void setIsFav(bool isFav);

    [[nodiscard]] ui::Label* left1Lbl() const { return left1Lbl_.get(); }
    [[nodiscard]] ui::Label* left2Lbl() const { return left2Lbl_.get(); }
    [[nodiscard]] ui::Label* left3Lbl() const { return left3Lbl_.get(); }
    [[nodiscard]] ui::Label* right2Lbl() const { return right2Lbl_.get(); }
    [[nodiscard]] ui::ImageView* thumbnailView() const { return thumbnail_.imageView(); }
    [[nodiscard]] ui::ImageView* zhiDingView() const { return zhiDingView_.get(); }
    [[nodiscard]] ui::ImageView* YanImageView() const { return yanImageView_.get(); }
    [[nodiscard]] ui::ImageView* FangImageView() const { return fangImageView_.get(); }
    [[nodiscard]] ui::ImageView* baojiaImageView() const { return baojiaImageView_.get(); }
    [[nodiscard]] ui::ImageView* haveImageView() const { return haveImageView_.get(); }
    // The title width of the last layout pass.
    [[nodiscard]] double firstWidth() const { return firstWidth_; }
    // Layout passes run so far (a pass follows each change of content or flags).
    [[nodiscard]] int drawingPasses() const { return drawingPasses_; }

    // Whether the lists show thumbnails now: always on Wi-Fi; otherwise only when the user
    // default "IsShowWifiImage" is present and NO.
    [[nodiscard]] static bool listsShowThumbnails();
    // Whether a category shows a thumbnail when thumbnails are on.
    [[nodiscard]] static bool categoryShowsThumbnail(int masterId, int majorId);

    void layoutSubviews() override;

private:
    void drawContent();

    std::shared_ptr<const PostCellContent> content_;
    bool showWifiImage_ = false;
    bool isFav_ = false;
    bool dirty_ = true;
    int drawingPasses_ = 0;
    double firstWidth_ = 304;
    CellThumbnail thumbnail_;
    std::shared_ptr<ui::Label> left1Lbl_, left2Lbl_, left3Lbl_, right2Lbl_, right3Lbl_;
    std::shared_ptr<ui::ImageView> zhiDingView_, yanImageView_, fangImageView_, baojiaImageView_,
        haveImageView_, splitView_;
};
