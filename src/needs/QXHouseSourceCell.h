#pragma once

#include "platform/uikit/table_view_cell.h"

#include <QVariantMap>

#include <functional>
#include <memory>

namespace ui {
class Button;
class ImageView;
class Label;
}  // namespace ui
class ImagePickerView;
class URLPic;

// A house a broker recommended for a need: the broker's avatar, name and company, and in a
// speech bubble the house's photos, title, attributes, price and the buttons "沟通" and
// "收藏". The cell lays out and fills its views; every tap goes to the screen through one
// block with an action code and the cell's tag (the row).
class QXHouseSourceCell : public ui::TableViewCell {
public:
    static inline const QString kReuseIdentifier = QStringLiteral("QXHouseSourceCell");
    // Action codes.
    enum Action : int {
        kBrokerTapped = 0,
        kDetailTapped = 1,
        kChatTapped = 2,
        kFavouriteTapped = 3
    };
    static constexpr int kChatButtonTag = 1000;
    static constexpr int kFavouriteButtonTag = 1001;
    static constexpr double kBoxWidth = 255;
    static constexpr double kBoxHeightWithPhotos = 153;
    static constexpr double kBoxHeightWithoutPhotos = 93;
    static constexpr double kPhotoHeight = 60;

    using ActionsBlock = std::function<void(int action, int tag)>;

    QXHouseSourceCell(ui::TableViewCellStyle style, const QString& reuseIdentifier);

    void setCellActionsBlock(ActionsBlock block) { cellActionsBlock_ = std::move(block); }
    void setHouseSourceInfo(const QVariantMap& house, bool isBottomCell);
    // Reports a button's action: 2 for the chat button, 3 for the favourite button.
    void buttonTapped(int tag);

    [[nodiscard]] URLPic* brokerHeadView() const { return brokerHeadView_.get(); }
    [[nodiscard]] ui::Label* brokerNameLbl() const { return brokerNameLbl_.get(); }
    [[nodiscard]] ui::Label* brokerCompanyLbl() const { return brokerCompanyLbl_.get(); }
    [[nodiscard]] ui::Label* houseInfoTitleLbl() const { return houseInfoTitleLbl_.get(); }
    [[nodiscard]] ui::Label* houseInfoSubTitleLbl() const { return houseInfoSubTitleLbl_.get(); }
    [[nodiscard]] ui::Label* priceLbl() const { return priceLbl_.get(); }
    [[nodiscard]] ui::View* houseImagesView() const { return houseImagesView_.get(); }
    [[nodiscard]] ImagePickerView* houseImagePickerView() const {
        return houseImagePickerView_.get();
    }
    [[nodiscard]] ui::ImageView* lineViewBottom() const { return lineViewBottom_.get(); }
    [[nodiscard]] ui::ImageView* favImgView() const { return favImgView_.get(); }
    [[nodiscard]] ui::View* houseSourceInfoView() const { return houseSourceInfoView_.get(); }
    [[nodiscard]] ui::View* houseDetailInfoView() const { return houseDetailInfoView_.get(); }
    [[nodiscard]] ui::Button* chatBtn() const { return chatBtn_.get(); }
    [[nodiscard]] ui::Button* favouriteBtn() const { return favouriteBtn_.get(); }

private:
    void report(int action);
    std::shared_ptr<ui::Button> makeButton(int tag, const QString& icon, const QString& title,
                                           std::shared_ptr<ui::ImageView>* iconView);
    // Places the detail area, the line, the price and the buttons under the photo area, and
    // the bottom line under the box.
    void chainFrames();

    ActionsBlock cellActionsBlock_;
    std::shared_ptr<URLPic> brokerHeadView_;
    std::shared_ptr<ui::Label> brokerNameLbl_;
    std::shared_ptr<ui::Label> brokerCompanyLbl_;
    std::shared_ptr<ui::Label> houseInfoTitleLbl_;
    std::shared_ptr<ui::Label> houseInfoSubTitleLbl_;
    std::shared_ptr<ui::Label> priceLbl_;
    std::shared_ptr<ui::View> houseImagesView_;
    std::shared_ptr<ImagePickerView> houseImagePickerView_;
    std::shared_ptr<ui::ImageView> lineViewBottom_;
    std::shared_ptr<ui::ImageView> favImgView_;
    std::shared_ptr<ui::View> houseSourceInfoView_;
    std::shared_ptr<ui::ImageView> bubbleBackground_;
    std::shared_ptr<ui::View> houseDetailInfoView_;
    std::shared_ptr<ui::Button> chatBtn_;
    std::shared_ptr<ui::Button> favouriteBtn_;
    std::shared_ptr<ui::ImageView> lineView_;
};
