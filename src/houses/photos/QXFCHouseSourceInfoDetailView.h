#pragma once

#include "platform/uikit/view.h"

#include <QString>
#include <QVariant>

#include <functional>
#include <memory>

namespace ui {
class Button;
class Image;
class ImageView;
class Label;
}  // namespace ui
class URLPic;

// The info page the photo pager shows after the last photo: over a blurred, darkened copy of
// a photo, a card about who posted the house (a broker with picture, name, credit stars,
// online state and contact count, or an ordinary poster with a phone number) with a chat and
// a call button, and under it a card with the house's address, layout and price. It shows
// what it is given and reports taps through one action block; a loading cover (tag
// LoadingOverlay::kTag)
// stays in front until the owner takes it away.
class QXFCHouseSourceInfoDetailView : public ui::View {
public:
    static constexpr int kChatCode = 1001;
    static constexpr int kCallCode = 1002;
    // The broker's picture, name and stars, which open the broker's page.
    static constexpr int kBrokerCode = 1003;
    static constexpr double kPosterCardHeight = 233;
    static constexpr double kOrdinaryPosterCardHeight = 184;

    using ActionsBlock = std::function<void(int code)>;

    explicit QXFCHouseSourceInfoDetailView(const ui::Rect& frame);

    // The house card's lines; the address also lays the card out again.
    void setAddressLableText(const QString& text);
    void setHouseAttributeLableText(const QString& text);
    void setPriceLableText(const QString& text);
    // The poster card of a broker, from the reply of the broker's privileges ("baseInfo").
    void setAgentBaseInfo(const QVariant& reply);
    // The poster card of an ordinary poster: the name in the posted-by line and the phone.
    void refreshViewForCommenUserWithName(const QString& name, const QString& phoneNumber);
    void setAgentNameLabelText(const QString& text);
    void setContactNumLableTextWithOnlineStatus(bool online);
    // The blurred backdrop, from the first image only.
    void setBackgroundImage(const std::shared_ptr<ui::Image>& image);

    void setActionsBlock(ActionsBlock block) { actionsBlock_ = std::move(block); }
    // Hands the button's tag to the action block; nothing without one.
    void buttonClickedFunc(const ui::View& button);

    [[nodiscard]] ui::Label* houseInfoTitleLbl() const { return houseInfoTitleLbl_.get(); }
    [[nodiscard]] ui::Label* addressLbl() const { return addressLbl_.get(); }
    [[nodiscard]] ui::Label* houseAttributeLbl() const { return houseAttributeLbl_.get(); }
    [[nodiscard]] ui::Label* priceLbl() const { return priceLbl_.get(); }
    [[nodiscard]] ui::ImageView* pointViewBeforeAddr() const { return pointViewBeforeAddr_.get(); }
    [[nodiscard]] ui::ImageView* pointViewBeforeAttri() const {
        return pointViewBeforeAttri_.get();
    }
    [[nodiscard]] ui::ImageView* pointViewBeforePrice() const {
        return pointViewBeforePrice_.get();
    }
    [[nodiscard]] ui::Label* agentNameLbl() const { return agentNameLbl_.get(); }
    [[nodiscard]] ui::View* starView() const { return starView_.get(); }
    [[nodiscard]] ui::Button* chatBtn() const { return chatBtn_.get(); }
    [[nodiscard]] ui::Button* phoneBtn() const { return phoneBtn_.get(); }
    [[nodiscard]] URLPic* agentHeadImageView() const { return agentHeadImageView_.get(); }
    [[nodiscard]] ui::Label* onlineStatusLbl() const { return onlineStatusLbl_.get(); }
    [[nodiscard]] ui::Label* contactsNumLbl() const { return contactsNumLbl_.get(); }
    [[nodiscard]] ui::ImageView* houseInfoView() const { return houseInfoView_.get(); }
    [[nodiscard]] ui::ImageView* lineView() const { return lineView_.get(); }
    [[nodiscard]] ui::Label* houseInfoPostByUserLbl() const {
        return houseInfoPostByUserLbl_.get();
    }
    [[nodiscard]] ui::ImageView* agentInfoView() const { return agentInfoView_.get(); }
    [[nodiscard]] ui::ImageView* backgroundImageView() const { return backgroundImageView_.get(); }

private:
    void buildPosterCard();
    void buildHouseCard();
    void addLoadingCover();
    std::shared_ptr<ui::Button> makeContactButton(int code, const QString& background,
                                                  const QString& pressedBackground,
                                                  const QString& icon, const QString& title,
                                                  const ui::Color& titleColor);
    // The layout and price lines (with their dots) below `above`.
    void placeLinesBelow(const ui::View& above);

    ActionsBlock actionsBlock_;
    std::shared_ptr<ui::Label> houseInfoTitleLbl_;
    std::shared_ptr<ui::Label> addressLbl_;
    std::shared_ptr<ui::Label> houseAttributeLbl_;
    std::shared_ptr<ui::Label> priceLbl_;
    std::shared_ptr<ui::ImageView> pointViewBeforeAddr_;
    std::shared_ptr<ui::ImageView> pointViewBeforeAttri_;
    std::shared_ptr<ui::ImageView> pointViewBeforePrice_;
    std::shared_ptr<ui::Label> agentNameLbl_;
    std::shared_ptr<ui::View> starView_;
    std::shared_ptr<ui::Button> chatBtn_;
    std::shared_ptr<ui::Button> phoneBtn_;
    std::shared_ptr<URLPic> agentHeadImageView_;
    std::shared_ptr<ui::Label> onlineStatusLbl_;
    std::shared_ptr<ui::Label> contactsNumLbl_;
    std::shared_ptr<ui::ImageView> houseInfoView_;
    std::shared_ptr<ui::ImageView> lineView_;
    std::shared_ptr<ui::Label> houseInfoPostByUserLbl_;
    std::shared_ptr<ui::ImageView> agentInfoView_;
    std::shared_ptr<ui::ImageView> backgroundImageView_;
};
