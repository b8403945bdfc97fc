#pragma once

#include "houses/shared/CellThumbnail.h"
#include "houses/shared/GetPostListCellFormate.h"
#include "platform/uikit/table_view_cell.h"

#include <QString>

#include <memory>

namespace ui {
class Button;
class ImageView;
class Label;
}  // namespace ui
class QXHistoryCell;

// Hears a favourite's mark set or cleared on its cell.
class QXHistoryCellDelegate {
public:
    virtual ~QXHistoryCellDelegate() = default;
    virtual void historyCellCheckboxSelected(QXHistoryCell& cell, bool selected) {
        (void)cell, (void)selected;
    }
};

// One saved post of the favourites tab: the list row of the post (thumbnail, title, place,
// time and price, the trust mark) and, when the user wrote one, the remark in green beside
// the remark icon, which makes the row 90 points high instead of 70.
class QXHistoryCell : public ui::TableViewCell {
public:
    static inline const QString kReuseIdentifier = QStringLiteral("QXHistoryCell");
    static constexpr double kHeight = 70;
    static constexpr double kHeightWithRemark = 90;

    explicit QXHistoryCell(const QString& reuseIdentifier = kReuseIdentifier);

    [[nodiscard]] const PostCellContent& content() const { return content_; }
    void setContent(const PostCellContent& content);
    void setIsShowWifiImage(bool show);
    // The remark; empty hides the remark line.
    void setSign(const QString& sign);
    // Places the separator under the row: inset under most rows, full width under the last.
    void setLine(double y, bool last);

    [[nodiscard]] bool checkboxViewSelected() const { return checkboxViewSelected_; }
    void setCheckboxViewSelected(bool selected);
    [[nodiscard]] qint64 keyId() const { return keyId_; }
    void setKeyId(qint64 keyId) { keyId_ = keyId; }
    void setDelegate(std::weak_ptr<QXHistoryCellDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    // The mark's checkbox, when an owner gives the cell one: the cell shows it, keeps it
    // selected as the row is marked, and a tap toggles the mark and tells the delegate.
    [[nodiscard]] ui::Button* checkboxView() const { return checkboxView_.get(); }
    void setCheckboxView(std::shared_ptr<ui::Button> checkbox);

    [[nodiscard]] ui::Label* left1Lbl() const { return left1Lbl_.get(); }
    [[nodiscard]] ui::Label* left2Lbl() const { return left2Lbl_.get(); }
    [[nodiscard]] ui::Label* left3Lbl() const { return left3Lbl_.get(); }
    [[nodiscard]] ui::Label* right2Lbl() const { return right2Lbl_.get(); }
    [[nodiscard]] ui::Label* right3Lbl() const { return right3Lbl_.get(); }
    [[nodiscard]] ui::ImageView* haveImageView() const { return haveImageView_.get(); }
    [[nodiscard]] ui::Label* bottomLabel() const { return bottomLabel_.get(); }
    [[nodiscard]] ui::ImageView* signIcon() const { return signIcon_.get(); }
    [[nodiscard]] ui::ImageView* lineView() const { return lineView_.get(); }
    [[nodiscard]] ui::ImageView* FangImageView() const { return fangImageView_.get(); }
    [[nodiscard]] ui::ImageView* thumbnailView() const { return thumbnail_.imageView(); }

    void layoutSubviews() override;
    void setEditing(bool editing, bool animated) override;

private:
    void layoutContent();
    void checkboxTapped();

    PostCellContent content_;
    bool showWifiImage_ = false;
    bool checkboxViewSelected_ = false;
    qint64 keyId_ = 0;
    std::weak_ptr<QXHistoryCellDelegate> delegate_;
    std::shared_ptr<ui::Button> checkboxView_;
    CellThumbnail thumbnail_;
    std::shared_ptr<ui::Label> left1Lbl_, left2Lbl_, left3Lbl_, right2Lbl_, right3Lbl_,
        bottomLabel_;
    std::shared_ptr<ui::ImageView> haveImageView_, fangImageView_, signIcon_, lineView_;
};
