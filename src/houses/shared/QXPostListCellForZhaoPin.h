#pragma once

#include "houses/shared/GetPostListCellFormate.h"
#include "platform/uikit/table_view_cell.h"

#include <array>
#include <memory>

namespace ui {
class ImageView;
class Label;
}  // namespace ui

// The list row of one job post, 100 points high: the title, a line of time, place and pay,
// a line of need, experience and education, the company with its verified badge, a rating of
// up to five stars from the right, and the top badge. It draws no thumbnail. Every layout
// pass rebuilds frames, texts, colours and visibility from the content.
class QXPostListCellForZhaoPin : public ui::TableViewCell {
public:
    static constexpr double kRowHeight = 100;
    static constexpr int kStarBaseTag = 10019;
    static constexpr int kFirstStarTag = 1000;
    static constexpr int kStars = 5;

    QXPostListCellForZhaoPin(ui::TableViewCellStyle style, const QString& reuseIdentifier);

    [[nodiscard]] const std::shared_ptr<const PostCellContent>& content() const { return content_; }
    void setContent(std::shared_ptr<const PostCellContent> content);
    // Kept for the lists' sake; no drawing pass shows a thumbnail.
    [[nodiscard]] bool IsShowWifiImage() const { return showWifiImage_; }
    void setIsShowWifiImage(bool show) { showWifiImage_ = show; }

    [[nodiscard]] ui::Label* left1Lbl() const { return left1Lbl_.get(); }
    [[nodiscard]] ui::Label* left2Lbl() const { return left2Lbl_.get(); }
    [[nodiscard]] ui::Label* left3Lbl() const { return left3Lbl_.get(); }
    [[nodiscard]] ui::Label* left4Lbl() const { return left4Lbl_.get(); }
    [[nodiscard]] ui::Label* middle2Lbl() const { return middle2Lbl_.get(); }
    [[nodiscard]] ui::Label* right2Lbl() const { return right2Lbl_.get(); }
    [[nodiscard]] ui::ImageView* zhiDingView() const { return zhiDingView_.get(); }
    [[nodiscard]] ui::ImageView* YanImageView() const { return yanImageView_.get(); }
    [[nodiscard]] ui::ImageView* thumbnailView() const { return imageView_.get(); }
    [[nodiscard]] ui::ImageView* starBase() const { return starBase_.get(); }
    [[nodiscard]] ui::ImageView* star(int index) const {
        return stars_.at(std::size_t(index)).get();
    }

    void layoutSubviews() override;

private:
    void drawContent();

    std::shared_ptr<const PostCellContent> content_;
    bool showWifiImage_ = false;
    bool dirty_ = true;
    std::shared_ptr<ui::ImageView> backdrop_, imageView_, zhiDingView_, yanImageView_, starBase_;
    std::array<std::shared_ptr<ui::ImageView>, kStars> stars_;
    std::shared_ptr<ui::Label> left1Lbl_, left2Lbl_, left3Lbl_, left4Lbl_, middle2Lbl_, right2Lbl_;
};
