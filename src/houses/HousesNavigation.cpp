#include "houses/HousesNavigation.h"

#include "houses/broker/QXAgentInfoController.h"
#include "houses/community/QXCommunityDetailController.h"
#include "houses/detail/QXPostDetailNew.h"
#include "houses/favourites/QXHistoryController.h"
#include "houses/list/FilterMainViewControl.h"
#include "houses/list/QXPostList.h"
#include "houses/photos/ImagePickerView.h"
#include "houses/photos/ImageScrollPageController.h"
#include "houses/search/SearchViewController.h"
#include "houses/shared/HousesHost.h"

#include "platform/uikit/bar_button_item.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/navigation_item.h"
#include "platform/uikit/view_controller.h"

std::shared_ptr<ui::Button> HousesNavigation::setRightButton(ui::ViewController& screen,
                                                             const QString& title,
                                                             std::function<void()> action,
                                                             const QString& background) {
    auto button = std::make_shared<ui::Button>(ui::Rect(0, 0, 55, 34));
    for (const auto& [name, state] :
         {std::pair{background, ui::kControlStateNormal},
          std::pair{background + QStringLiteral("点击态"), ui::kControlStateHighlighted}}) {
        if (auto image = ui::Image::imageNamed(name))
            button->setBackgroundImage(image->stretchableImageWithLeftCapWidth(5, 0), state);
    }
    button->setFont(ui::Font::systemFontOfSize(14));
    button->setTitleColor(ui::Color::whiteColor(), ui::kControlStateNormal);
    button->setTitle(title, ui::kControlStateNormal);
    button->addTarget(button.get(), ui::kControlEventTouchUpInside,
                      [action = std::move(action)](ui::Control&, const ui::Event*) { action(); });
    screen.navigationItem().setRightBarButtonItem(ui::BarButtonItem::itemWithCustomView(button));
    return button;
}

namespace {

void push(ui::ViewController& from, std::shared_ptr<ui::ViewController> screen) {
    if (ui::NavigationController* stack = from.navigationController())
        stack->pushViewController(std::move(screen), true);
}

}  // namespace

void HousesNavigation::pushPostDetail(ui::ViewController& from, PuidOpener opener,
                                      const QString& puid) {
    auto detail = QXPostDetailNew::initWithPUID(puid);
    switch (opener) {
        case PuidOpener::BrokerPosts:
            detail->setShowOtherListEntrance(false);
            break;
        case PuidOpener::ChatCard:
            detail->setFromType(1);
            break;
        case PuidOpener::NeedReplies:
            break;
    }
    push(from, detail);
}

void HousesNavigation::pushPostDetail(ui::ViewController& from, PostOpener opener,
                                      const PostOpening& opening) {
    auto detail = QXPostDetailNew::initWithContent(opening.post, opening.master, opening.major);
    detail->setTitle(opening.title);
    switch (opener) {
        case PostOpener::PostList:
            detail->setRefreshProtocol(opening.list);
            detail->setCurrentIndex(opening.index);
            detail->setHiddenChatAgentInfo(true);
            break;
        case PostOpener::SearchResults:
            detail->setRefreshProtocol(opening.list);
            detail->setCurrentIndex(opening.index);
            break;
        case PostOpener::CommunityHouses:
            detail->setShowOtherListEntrance(false);
            detail->setRefreshProtocol(opening.list);
            detail->setCurrentIndex(opening.index);
            detail->setHiddenChatAgentInfo(true);
            detail->setNeedLoadByPuid(true);
            break;
        case PostOpener::Favourites:
            detail->setPuid(opening.puid);
            break;
    }
    push(from, detail);
}

std::shared_ptr<ui::View> HousesNavigation::makePhotoStrip(
    const ui::Rect& frame, const QStringList& photoUrls, int style,
    const std::shared_ptr<ui::ViewController>& screen) {
    auto strip = ImagePickerView::initWithFrame(frame, photoUrls, style);
    strip->setTarget(screen);
    return strip;
}

void HousesNavigation::presentPhotoPager(ui::ViewController& from, PhotoPagerMode mode,
                                         const QStringList& urls) {
    auto pager = std::make_shared<ImageScrollPageController>(urls, 0);
    switch (mode) {
        case PhotoPagerMode::CommunityPhotos: {
            auto stack = std::make_shared<ui::NavigationController>();
            stack->setViewControllers({pager}, false);
            from.presentViewController(stack, true);
            break;
        }
        case PhotoPagerMode::ChatPicture:
            pager->setShouldShowPicSaveBtn(true);
            from.presentViewController(HousesHost::shared()->makeNavigationController(pager), true);
            break;
    }
}

void HousesNavigation::pushCommunityPage(ui::ViewController& from, const PostRecord& post,
                                         bool showOtherListEntrance) {
    push(from, QXCommunityDetailController::forPost(post, showOtherListEntrance));
}

std::shared_ptr<ui::ViewController> HousesNavigation::brokerPage(const BrokerPage& opening) {
    auto page = std::make_shared<QXAgentInfoController>();
    page->setAgentId(opening.agentId);
    page->setPostId(opening.postId);
    page->setPopToChatController(opening.chat);
    if (opening.dataInfo.typeId() == QMetaType::QVariantMap)
        page->setDataInfo(opening.dataInfo.toMap());
    return page;
}

void HousesNavigation::pushBrokerPage(ui::ViewController& from, const BrokerPage& opening) {
    push(from, brokerPage(opening));
}

void HousesNavigation::pushFilterScreen(ui::ViewController& from, const FilterScreen& opening) {
    auto screen = std::make_shared<FilterMainViewControl>(opening.filter);
    screen->setFromErshou(false);
    if (opening.chosenRows) screen->setFilterIndexArr(opening.chosenRows);
    screen->setFilterBlock(opening.chosen);
    push(from, screen);
}

std::shared_ptr<ui::ViewController> HousesNavigation::postList(int master, int major,
                                                               const QString& title) {
    return std::make_shared<QXPostList>(master, major, title);
}

void HousesNavigation::pushPostList(ui::ViewController& from, int master, int major,
                                    const QString& title) {
    push(from, postList(master, major, title));
}

void HousesNavigation::pushKeywordSearch(ui::ViewController& from) {
    push(from, std::make_shared<SearchViewController>());
}

std::shared_ptr<ui::ViewController> HousesNavigation::favourites() {
    return std::make_shared<QXHistoryController>();
}
