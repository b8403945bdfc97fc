#include "houses/HousesNavigation.h"

#include "houses/broker/QXAgentInfoController.h"
#include "houses/detail/QXPostDetailNew.h"

#include "platform/uikit/bar_button_item.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/navigation_item.h"
#include "platform/uikit/view_controller.h"

void HousesNavigation::setBackButton(ui::ViewController& screen, std::function<void()> action) {
    auto back = std::make_shared<ui::Button>(ui::Rect(0, 0, 48, 32));
    back->setImage(ui::Image::imageNamed(QStringLiteral("返回.png")), ui::kControlStateNormal);
    back->setImage(ui::Image::imageNamed(QStringLiteral("返回点击.png")),
                   ui::kControlStateHighlighted);
    back->addTarget(back.get(), ui::kControlEventTouchUpInside,
                    [action = std::move(action)](ui::Control&, const ui::Event*) { action(); });
    screen.navigationItem().setLeftBarButtonItem(ui::BarButtonItem::itemWithCustomView(back));
}

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

std::shared_ptr<QXPostDetailNew> HousesNavigation::pushPostDetail(ui::ViewController& from,
                                                                  PuidOpener opener,
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
    return detail;
}

std::shared_ptr<QXPostDetailNew> HousesNavigation::pushCommunityHouse(
    ui::ViewController& from, const PostRecord& post, int master, int major,
    const std::shared_ptr<QXPostDetailRefreshProtocol>& list, int index) {
    auto detail = QXPostDetailNew::initWithContent(post, master, major);
    detail->setShowOtherListEntrance(false);
    detail->setRefreshProtocol(list);
    detail->setCurrentIndex(index);
    detail->setHiddenChatAgentInfo(true);
    detail->setNeedLoadByPuid(true);
    detail->setTitle(from.title());
    push(from, detail);
    return detail;
}

std::shared_ptr<QXAgentInfoController> HousesNavigation::brokerPage(const BrokerPage& opening) {
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
