// What the photo pager's buttons do: save the photo shown, open a chat with the poster, keep
// the post as a favourite or take it out, call the poster, and open the broker's page.
#include "analytics/StatClick.h"
#include "houses/HousesNavigation.h"
#include "houses/photos/ImageOperController.h"
#include "houses/photos/ImageScrollPageController.h"
#include "houses/photos/QXFCHouseSourceInfoBottomView.h"
#include "houses/photos/QXFCHouseSourceInfoDetailView.h"
#include "houses/shared/HouseFavourites.h"
#include "houses/shared/PosterPhones.h"
#include "houses/shared/PosterTalk.h"
#include "platform/foundation/url_request.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/photo_album.h"
#include "platform/uikit/web_view.h"
#include "ui/widgets/AlertMessages.h"
#include "ui/widgets/FloatView.h"
#include "util/categories/Tolerant.h"

namespace {

const QString kBrokerRole = QStringLiteral("经纪人");

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
    ui::NavigationController* navigation = navigationController();
    if (!navigation) return;
    // The pager hides the navigation bar; the chat screen has its own.
    (void)talk.pushChat(*navigation, title, hiddenAgentView, agentTag,
                        [navigation] { navigation->setNavigationBarHidden(false, false); });
}

void ImageScrollPageController::goToImPageWithHouseSource() {
    ui::NavigationController* navigation = navigationController();
    if (!navigation) return;
    const PosterTalk talk = PosterTalk::ofPost(houseInfoFromQXPostDetailNew_,
                                               agentInfoFromQXPostDetailNew_, getValidPhone());
    // The pager hides the navigation bar; the chat screen has its own.
    (void)talk.open(
        *navigation, talk.name, hiddenChatAgentInfoFromQXPostDetailNew_,
        Tolerant(QVariant(houseInfoFromQXPostDetailNew_))[QStringLiteral("agent")].isEqualToString(
            kBrokerRole),
        [navigation] { navigation->setNavigationBarHidden(false, false); });
}

void ImageScrollPageController::goToImPageWithFindHouseRequest() {
    const Tolerant house{houseInfoFromFindHouseRequestDetailPage_};
    PosterTalk talk;
    talk.posterId = house[QStringLiteral("userId")].toString();
    if (!PosterTalk::mayTalkTo(talk.posterId)) return;
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
    const bool saved = HouseFavourites::isSaved(post);
    const HouseFavourites::Outcome outcome =
        saved ? HouseFavourites::removeTellingUser(post) : HouseFavourites::addTellingUser(post);
    if (outcome != HouseFavourites::Outcome::Done) return;
    houseSourceInfoBottomView_->favBtn()->setBackgroundImage(
        ui::Image::imageNamed(saved ? QXFCHouseSourceInfoBottomView::kFavouriteImage
                                    : QXFCHouseSourceInfoBottomView::kSavedFavouriteImage),
        ui::kControlStateNormal);
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
    // The shop data the panel shows is handed over; without it the page asks for it. A chat
    // started there talks about the need a recommended house answers, or about the post.
    pushOverPager(HousesNavigation::brokerPage(
        {.agentId = posterId(),
         .dataInfo = agentDataInfo_,
         .postId = isNeedReplyMode() ? postIdFromFindHouseRequestDetailPage_
                                     : PosterTalk::talkPostId(houseInfoFromQXPostDetailNew_)}));
}
