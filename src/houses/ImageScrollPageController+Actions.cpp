// What the photo pager's buttons do: save the photo shown, open a chat with the poster, keep
// the post as a favourite or take it out, call the poster, and open the broker's page.
#include "IMChat/qximlib/QXIMDatabase.h"
#include "analytics/StatClick.h"
#include "houses/ChatScreenOpener.h"
#include "houses/HouseFavourites.h"
#include "houses/ImageOperController.h"
#include "houses/ImageScrollPageController.h"
#include "houses/PosterPhones.h"
#include "houses/PosterTalk.h"
#include "houses/QXAgentInfoController.h"
#include "houses/QXFCHouseSourceInfoBottomView.h"
#include "houses/QXFCHouseSourceInfoDetailView.h"
#include "net/QXNetContext.h"
#include "platform/foundation/notification_center.h"
#include "platform/foundation/url_request.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/photo_album.h"
#include "platform/uikit/web_view.h"
#include "platform/uikit/window.h"
#include "ui/widgets/AlertMessages.h"
#include "ui/widgets/FloatView.h"
#include "util/categories/Tolerant.h"

namespace {

const QString kBrokerRole = QStringLiteral("经纪人");

qint64 ownUserId() {
    return QXNetContext::shared()->logonState().userId;
}

// The checks before a chat with a poster: not with oneself, not with a poster without an id.
bool mayTalkTo(const QString& posterId) {
    const qint64 poster = Tolerant(QVariant(posterId)).longLongValue();
    if (poster == ownUserId()) {
        AlertMessages::showAlertViewWithAlertString(ImageScrollPageController::kOwnTalk);
        return false;
    }
    if (poster == 0) {
        AlertMessages::showAlertViewWithAlertString(ImageScrollPageController::kNoTalk);
        return false;
    }
    return true;
}

}  // namespace

void ImageScrollPageController::barAction(int code) {
    switch (code) {
        case QXFCHouseSourceInfoBottomView::kSaveCode:
            StatClick::event(QStringLiteral("pviewer_download"));
            saveCurrentImageToAlbum(currentPage_);
            break;
        case QXFCHouseSourceInfoBottomView::kChatCode:
            StatClick::event(QStringLiteral("pviewer_imchat"));
            goToImPage();
            break;
        case QXFCHouseSourceInfoBottomView::kFavouriteCode:
            StatClick::event(QStringLiteral("pviewer_fav"));
            faveriteHouseSource();
            break;
        case QXFCHouseSourceInfoBottomView::kCallCode:
            StatClick::event(QStringLiteral("pviewer_call"));
            callAgent();
            break;
        default:
            break;
    }
}

void ImageScrollPageController::panelAction(int code) {
    switch (code) {
        case QXFCHouseSourceInfoDetailView::kChatCode:
            StatClick::event(QStringLiteral("pviewer_lastpage_imchat"));
            goToImPage();
            break;
        case QXFCHouseSourceInfoDetailView::kCallCode:
            StatClick::event(QStringLiteral("pviewer_lastpage_call"));
            callAgent();
            break;
        case QXFCHouseSourceInfoDetailView::kBrokerCode:
            goToAgentPage();
            break;
        default:
            break;
    }
}

void ImageScrollPageController::saveCurrentImageToAlbum(int page) {
    if (ui::PhotoAlbum::authorizationStatus() == ui::PhotoAlbum::AuthorizationStatus::Denied) {
        AlertMessages::showAlertViewWithAlertTitle(kDeniedTitle, kDeniedMessage);
        return;
    }
    // The chat's one picture, whatever the page.
    const auto shown = pageAt(shouldShowPicSaveBtn_ ? 0 : page);
    if (!shown || !shown->isViewLoaded() || !shown->imageView()->image()) return;
    ui::PhotoAlbum::writeImageToSavedPhotosAlbum(
        shown->imageView()->image(), [](const std::shared_ptr<ui::Image>&, const auto& error) {
            FloatView::showMessageInKeyWindow(error ? QStringLiteral("保存失败!")
                                                    : QStringLiteral("保存成功!"));
        });
}

QStringList ImageScrollPageController::getUserPhones() const {
    return PosterPhones::userPhones(houseInfoFromQXPostDetailNew_.value(QStringLiteral("phone")));
}

QString ImageScrollPageController::getValidPhone() const {
    return PosterPhones::validPhone(houseInfoFromQXPostDetailNew_.value(QStringLiteral("phone")));
}

void ImageScrollPageController::goToImPage() {
    if (isNeedReplyMode()) {
        goToImPageWithFindHouseRequest();
    } else {
        goToImPageWithHouseSource();
    }
}

void ImageScrollPageController::pushOverPager(std::shared_ptr<ui::ViewController> screen) {
    ui::NavigationController* navigation = navigationController();
    if (!screen || !navigation) return;
    navigation->setNavigationBarHidden(false, false);
    navigation->pushViewController(std::move(screen), true);
}

void ImageScrollPageController::openTalk(const PosterTalk& talk, const QString& title,
                                         bool hiddenAgentView, bool agentTag) {
    const QVariantMap talkInfo = talk.talkInfo(ownUserId());
    auto chat =
        ChatScreenOpener::shared()->makeChatScreen(talkInfo, title, hiddenAgentView, agentTag);
    if (!chat) return;
    QXIMDatabase::shared().saveTalkInfoAndClearReadByTalkId(
        talkInfo.value(QStringLiteral("t_id")).toString());
    ns::NotificationCenter::defaultCenter().post(QStringLiteral("refreshIcon"));
    pushOverPager(std::move(chat));
}

void ImageScrollPageController::goToImPageWithHouseSource() {
    ui::NavigationController* navigation = navigationController();
    if (!navigation) return;
    const auto opener = ChatScreenOpener::shared();
    for (const auto& screen : navigation->viewControllers()) {
        if (!opener->talkIdShownBy(*screen).isEmpty()) {
            navigation->popToViewController(screen, true);
            return;
        }
    }
    const Tolerant post{QVariant(houseInfoFromQXPostDetailNew_)};
    const Tolerant agent{QVariant(agentInfoFromQXPostDetailNew_)};
    PosterTalk talk;
    talk.posterId = post[QStringLiteral("user_id")].toString();
    if (!mayTalkTo(talk.posterId)) return;
    talk.name = post[QStringLiteral("person")].toString();
    talk.phone = getValidPhone();
    talk.creditScore = agent[QStringLiteral("creditRate")].isNil()
                           ? -1
                           : agent[QStringLiteral("creditRate")].intValue();
    talk.picUrl = agent[QStringLiteral("userHead")].toString();
    talk.streetName = post[QStringLiteral("street_name")].toString();
    talk.companyName = agent[QStringLiteral("companyName")].toString();
    talk.districtName = post[QStringLiteral("district_name")].toString();
    talk.postReference = PosterTalk::talkPostId(houseInfoFromQXPostDetailNew_);
    openTalk(talk, talk.name, hiddenChatAgentInfoFromQXPostDetailNew_,
             post[QStringLiteral("agent")].isEqualToString(kBrokerRole));
}

void ImageScrollPageController::goToImPageWithFindHouseRequest() {
    const Tolerant house{houseInfoFromFindHouseRequestDetailPage_};
    PosterTalk talk;
    talk.posterId = house[QStringLiteral("userId")].toString();
    if (!mayTalkTo(talk.posterId)) return;
    talk.name = house[QStringLiteral("person")].toString();
    talk.phone = house[QStringLiteral("phone")].toString();
    talk.creditScore = house[QStringLiteral("creditScore")].intValue();
    talk.picUrl = house[QStringLiteral("photo")].toString();
    talk.companyName = house[QStringLiteral("companyName")].toString();
    talk.postReference = postIdFromFindHouseRequestDetailPage_;
    openTalk(talk, QString(), false, false);
}

void ImageScrollPageController::faveriteHouseSource() {
    const QVariantMap post = shownPost();
    // A recommended house has no post to keep until its whole post has arrived.
    if (post.isEmpty() || !houseSourceInfoBottomView_) return;
    ui::Button& favourite = *houseSourceInfoBottomView_->favBtn();
    ui::Window* window = ui::Window::keyWindow();
    if (HouseFavourites::isSaved(post)) {
        if (HouseFavourites::remove(post) != HouseFavourites::Outcome::Done) return;
        favourite.setBackgroundImage(
            ui::Image::imageNamed(QXFCHouseSourceInfoBottomView::kFavouriteImage),
            ui::kControlStateNormal);
        if (window) FloatView::showMessage(*window, QStringLiteral("取消收藏成功"));
        return;
    }
    switch (HouseFavourites::add(post)) {
        case HouseFavourites::Outcome::Done:
            favourite.setBackgroundImage(
                ui::Image::imageNamed(QXFCHouseSourceInfoBottomView::kSavedFavouriteImage),
                ui::kControlStateNormal);
            if (window) FloatView::showMessage(*window, QStringLiteral("收藏成功"));
            break;
        case HouseFavourites::Outcome::LimitReached:
            AlertMessages::showAlertViewWithAlertString(kLimitReached);
            break;
        case HouseFavourites::Outcome::Failed:
            break;
    }
}

void ImageScrollPageController::callAgent() {
    const QString phone =
        isNeedReplyMode()
            ? Tolerant(houseInfoFromFindHouseRequestDetailPage_)[QStringLiteral("phone")].toString()
            : getValidPhone();
    if (phone.isEmpty()) return;
    // The web view is never shown: it hands the number to the phone.
    webViewforPhone_ = std::make_shared<ui::WebView>();
    webViewforPhone_->loadRequest(ns::URLRequest(QUrl(QStringLiteral("tel://%1").arg(phone))));
}

void ImageScrollPageController::goToAgentPage() {
    auto page = std::make_shared<QXAgentInfoController>();
    page->setAgentId(posterId());
    // The shop data the panel shows is handed over; without it the page asks for it.
    if (agentDataInfo_.typeId() == QMetaType::QVariantMap)
        page->setDataInfo(agentDataInfo_.toMap());
    if (!isNeedReplyMode()) page->setPostId(PosterTalk::talkPostId(houseInfoFromQXPostDetailNew_));
    pushOverPager(std::move(page));
}
