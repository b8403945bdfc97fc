#pragma once

#include "houses/shared/HouseFavourites.h"
#include "houses/shared/PosterTalk.h"
#include "platform/uikit/scroll_view.h"
#include "platform/uikit/view_controller.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <memory>
#include <vector>

namespace ui {
class Button;
class Label;
class WebView;
}  // namespace ui
class ImageOperController;
class QXFCHouseSourceInfoBottomView;
class QXFCHouseSourceInfoDetailView;

// The full-screen photo pager: a black screen that pages through image URLs, one zoomable
// page per photo, with a round back button. Opened three ways:
//
// - plain mode, by a chat picture (one URL, the "保存" button) or the community photos (the
//   counter only);
// - post mode, by the post detail's photo strip, with the detail's post, broker data and
//   hide-broker flag;
// - need-reply mode, by the photo strip of a house a broker recommended for a housing need,
//   with the need's id and the house; the pager then fetches the whole post by its puid and
//   completes its photos (17 at most).
//
// Post and need-reply mode are the house-info modes: an info bar lies over the lower part of
// the photos (title, price, layout, counter and the save, favourite, chat and call buttons)
// and one more page follows the last photo, the info panel about the house and its poster.
//
// The opener makes the pager the root of a navigation stack and presents that stack; the
// pager hides the stack's bar and pushes the chat screen (or the broker's page) onto it.
// Pages are made lazily, three around the page shown, and kept until the pager goes.
class ImageScrollPageController : public ui::ViewController, public ui::ScrollViewDelegate {
public:
    // The initial frame of the screen.
    static constexpr ui::Rect kMyFrame{0, 0, 320, 416};
    static constexpr int kMaximumPhotos = 17;
    static inline const QString kDeniedTitle = QStringLiteral("无法取得保存图片权限");
    static inline const QString kDeniedMessage =
        QStringLiteral("请在“设置-隐私-照片”中开启“Nevoru找房”的访问权限");
    static inline const QString kLoadFailed = QStringLiteral("加载信息出错，请稍后再试");
    static inline const QString& kLimitReached = HouseFavourites::kLimitMessage;
    static inline const QString& kOwnTalk = PosterTalk::kOwnTalk;
    static inline const QString& kNoTalk = PosterTalk::kNoTalk;

    // The pages of `imageNames`, the first shown being `page`.
    ImageScrollPageController(QStringList imageNames, int page);
    ~ImageScrollPageController() override;

    // What the opener sets before presenting the pager.
    void setShouldShowHouseInfoView(bool show) { shouldShowHouseInfoView_ = show; }
    void setShouldShowPicSaveBtn(bool show) { shouldShowPicSaveBtn_ = show; }
    void setHiddenChatAgentInfoFromQXPostDetailNew(bool hidden) {
        hiddenChatAgentInfoFromQXPostDetailNew_ = hidden;
    }
    void setHouseInfoFromQXPostDetailNew(QVariantMap post) {
        houseInfoFromQXPostDetailNew_ = std::move(post);
    }
    void setAgentInfoFromQXPostDetailNew(QVariantMap agent) {
        agentInfoFromQXPostDetailNew_ = std::move(agent);
    }
    // The recommended house as the reply holds it (a dictionary, unless the reply is bad).
    void setHouseInfoFromFindHouseRequestDetailPage(QVariant house) {
        houseInfoFromFindHouseRequestDetailPage_ = std::move(house);
    }
    void setPostIdFromFindHouseRequestDetailPage(QString needId) {
        postIdFromFindHouseRequestDetailPage_ = std::move(needId);
    }

    [[nodiscard]] const QStringList& imageNames() const { return imageNames_; }
    [[nodiscard]] int page() const { return page_; }
    [[nodiscard]] int currentPage() const { return currentPage_; }
    // Photo pages plus the info page while it is there.
    [[nodiscard]] int numberOfSlots() const;
    // The page of a photo slot; nullptr while it has not been loaded.
    [[nodiscard]] std::shared_ptr<ImageOperController> pageAt(int slot) const;
    [[nodiscard]] bool hasInfoPage() const { return hasInfoPage_; }
    [[nodiscard]] ui::ScrollView* scrollView() const { return scrollView_.get(); }
    [[nodiscard]] ui::Button* backButton() const { return backButton_.get(); }
    [[nodiscard]] ui::Button* saveButton() const { return saveButton_.get(); }
    [[nodiscard]] ui::Label* imageNumIndicatorLbl() const { return imageNumIndicatorLbl_.get(); }
    [[nodiscard]] QXFCHouseSourceInfoBottomView* houseSourceInfoBottomView() const {
        return houseSourceInfoBottomView_.get();
    }
    [[nodiscard]] QXFCHouseSourceInfoDetailView* houseSourceInfoDetailView() const {
        return houseSourceInfoDetailView_.get();
    }
    [[nodiscard]] ui::WebView* webViewforPhone() const { return webViewforPhone_.get(); }
    [[nodiscard]] bool houseSourceInfoBottomViewHidden() const {
        return houseSourceInfoBottomViewHidden_;
    }
    [[nodiscard]] const QVariantMap& dictContainAllData() const { return dictContainAllData_; }
    [[nodiscard]] const QVariantMap& houseInfoFromQXPostDetailNew() const {
        return houseInfoFromQXPostDetailNew_;
    }
    [[nodiscard]] const QVariant& houseInfoFromFindHouseRequestDetailPage() const {
        return houseInfoFromFindHouseRequestDetailPage_;
    }
    [[nodiscard]] const QString& postIdFromFindHouseRequestDetailPage() const {
        return postIdFromFindHouseRequestDetailPage_;
    }

    // Slides the back and save buttons out of the top and the bar out of the bottom, or back.
    void showOrHideHouseSourceInfoBottomView();
    // The back button: stops watching, cancels the pager's calls and dismisses the stack.
    void back();

    // The actions of the buttons.
    void saveCurrentImageToAlbum(int page);
    void goToImPage();
    void faveriteHouseSource();
    void callAgent();
    // The shown post's phone numbers, and the first mobile number of them.
    [[nodiscard]] QStringList getUserPhones() const;
    [[nodiscard]] QString getValidPhone() const;

    void scrollViewDidEndDecelerating(ui::ScrollView& scrollView) override;
    void scrollViewDidEndDragging(ui::ScrollView& scrollView, bool willDecelerate) override;

protected:
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidDisappear(bool animated) override;

private:
    [[nodiscard]] bool isNeedReplyMode() const;
    // The user id of the house's poster, as the post or the recommended house gives it.
    [[nodiscard]] QString posterId() const;
    // The post the bar, the panel and the actions read: the detail's, or the one fetched
    // for a recommended house.
    [[nodiscard]] QVariantMap shownPost() const;
    [[nodiscard]] int lastSlot() const { return numberOfSlots() - 1; }
    void addButtons();
    void addHouseInfoViews();
    void watchOffset(ui::Point oldOffset, ui::Point newOffset);
    void pageSettled();
    void loadScrollViewWithPage(int page);
    void setImageNumIndicatorLblValue();
    void setBarCounter();
    void refreshHouseSourceInfoBottomView();
    void refreshHouseSourceInfoDetailView();
    [[nodiscard]] QString getPriceFromHouseInfoFromQXPostDetailNew() const;
    [[nodiscard]] QString getAttributeFromHouseInfoFromQXPostDetailNew() const;
    void getAgentDetailInfoFromServer();
    void agentInfoArrived(const QVariant& reply);
    void userStatusArrived(const QString& userId, const QVariant& reply);
    void loadAllDataByPuid();
    void postArrived(const QVariant& reply);
    void loadAllDataFailedRefreshView();
    void removeLoadingView();
    void stopWatching();
    void barAction(int code);
    void panelAction(int code);
    void goToImPageWithHouseSource();
    void goToImPageWithFindHouseRequest();
    void goToAgentPage();
    // The chat screen of the talk, its unread mark cleared, pushed onto the pager's stack.
    void openTalk(const PosterTalk& talk, const QString& title, bool hiddenAgentView,
                  bool agentTag);
    // Pushes `screen` onto the pager's stack, the stack's bar shown again.
    void pushOverPager(std::shared_ptr<ui::ViewController> screen);

    QStringList imageNames_;
    int page_ = 0;
    int currentPage_ = 0;
    // One per photo: nullptr until the page is first loaded.
    std::vector<std::shared_ptr<ImageOperController>> pages_;
    bool hasInfoPage_ = false;
    std::shared_ptr<ui::ScrollView> scrollView_;
    std::shared_ptr<ui::Button> backButton_;
    std::shared_ptr<ui::Button> saveButton_;
    std::shared_ptr<ui::Label> imageNumIndicatorLbl_;
    std::shared_ptr<QXFCHouseSourceInfoBottomView> houseSourceInfoBottomView_;
    std::shared_ptr<QXFCHouseSourceInfoDetailView> houseSourceInfoDetailView_;
    std::shared_ptr<ui::WebView> webViewforPhone_;
    bool shouldShowHouseInfoView_ = false;
    bool shouldShowPicSaveBtn_ = false;
    bool hiddenChatAgentInfoFromQXPostDetailNew_ = false;
    bool houseSourceInfoBottomViewHidden_ = false;
    QVariantMap houseInfoFromQXPostDetailNew_;
    QVariantMap agentInfoFromQXPostDetailNew_;
    QVariant houseInfoFromFindHouseRequestDetailPage_;
    QString postIdFromFindHouseRequestDetailPage_;
    QVariantMap dictContainAllData_;
    // The broker's privileges, once they have arrived.
    QVariant agentDataInfo_;
    ui::Rect myFrame_ = kMyFrame;
    std::shared_ptr<void> imageDownloadObservation_;
};
