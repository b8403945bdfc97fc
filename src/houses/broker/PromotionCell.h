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

// A row of the broker's post list: the thumbnail, the place and layout, the title, the age
// of the post (and, for houses for sale, the price per area) and the price.
class PromotionCell : public ui::TableViewCell {
public:
    static constexpr double kRowHeight = 72;
    static constexpr int kThumbnailBackTag = 1112;

    explicit PromotionCell(const QString& reuseIdentifier);

    // Shows a post of the kind `majorType` (5 sale, 1 whole rent, 3 shared rent).
    void configure(const PostRecord& post, int majorType);
    // Loads the thumbnail at `url`; an empty one shows the default picture.
    void setImageUrl(const QString& url);

    // The texts of a post, as the row shows them.
    [[nodiscard]] static QString layoutText(const PostRecord& post);
    [[nodiscard]] static QString titleText(const PostRecord& post);
    [[nodiscard]] static QString priceText(const PostRecord& post);
    [[nodiscard]] static QString thumbnailURL(const PostRecord& post);
    // "(<元 per area unit>元/<area unit>)" of a post for sale; empty when its price or area
    // is missing or 0.
    [[nodiscard]] static QString unitPriceText(const PostRecord& post);

    [[nodiscard]] ui::Label* titleLabel() const { return titleLabel_.get(); }
    [[nodiscard]] ui::Label* subTitleLabel1() const { return subTitleLabel1_.get(); }
    [[nodiscard]] ui::Label* subTitleLabel2() const { return subTitleLabel2_.get(); }
    [[nodiscard]] ui::Label* priceLabel() const { return priceLabel_.get(); }
    [[nodiscard]] ui::Label* unitPriceLabel() const { return unitPriceLabel_.get(); }
    [[nodiscard]] ui::ImageView* iconView() const { return thumbnail_.imageView(); }
    [[nodiscard]] const QString& shownUrl() const { return thumbnail_.shownUrl(); }

private:
    std::shared_ptr<ui::Label> titleLabel_, subTitleLabel1_, subTitleLabel2_, priceLabel_,
        unitPriceLabel_;
    CellThumbnail thumbnail_;
};
