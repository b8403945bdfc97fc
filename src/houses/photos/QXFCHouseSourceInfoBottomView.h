#pragma once

#include "platform/uikit/view.h"

#include <QString>

#include <functional>
#include <memory>

namespace ui {
class Button;
class ImageView;
class Label;
}  // namespace ui

// The half-transparent bar the photo pager lays over the lower part of the photos: the
// post's title with the page counter beside it, the layout line and the price, and under a
// separator four picture buttons. It holds no logic: the pager fills its texts and the
// favourite button's picture, and a tap hands the button's code to the action block.
class QXFCHouseSourceInfoBottomView : public ui::View {
public:
    // The buttons' tags, which are the codes the action block gets.
    static constexpr int kSaveCode = 1001;
    static constexpr int kChatCode = 1002;
    static constexpr int kFavouriteCode = 1003;
    static constexpr int kCallCode = 1004;
    static constexpr double kHeight = 125;
    static inline const QString kFavouriteImage = QStringLiteral("收藏图片.png");
    static inline const QString kSavedFavouriteImage = QStringLiteral("收藏图片已收藏.png");

    using ActionsBlock = std::function<void(int code)>;

    explicit QXFCHouseSourceInfoBottomView(const ui::Rect& frame);

    void setTitleLblText(const QString& text);
    void setImageNumIndicatorLblText(const QString& text);
    void setSubTitleLblText(const QString& text);
    void setPriceLblText(const QString& text);
    void setActionsBlock(ActionsBlock block) { actionsBlock_ = std::move(block); }
    // Hands the button's tag to the action block; nothing without one.
    void buttonClickedFunc(const ui::Button& button);

    [[nodiscard]] ui::Label* titleLbl() const { return titleLbl_.get(); }
    [[nodiscard]] ui::Label* imageNumIndicatorLbl() const { return imageNumIndicatorLbl_.get(); }
    [[nodiscard]] ui::Label* subTitleLbl() const { return subTitleLbl_.get(); }
    [[nodiscard]] ui::Label* priceLbl() const { return priceLbl_.get(); }
    [[nodiscard]] ui::Button* favBtn() const { return favBtn_.get(); }

private:
    std::shared_ptr<ui::Button> addButton(int code, const QString& image,
                                          const QString& highlightedImage);

    std::shared_ptr<ui::Label> titleLbl_;
    std::shared_ptr<ui::Label> imageNumIndicatorLbl_;
    std::shared_ptr<ui::Label> subTitleLbl_;
    std::shared_ptr<ui::Label> priceLbl_;
    std::shared_ptr<ui::Button> favBtn_;
    ActionsBlock actionsBlock_;
};
