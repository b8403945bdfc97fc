#include "needs/NeedNeighbourScreens.h"

#include "needs/QXBrokerReplyViewController.h"
#include "needs/QXMessageValidationController.h"
#include "needs/QXPublishHouseInfoViewController.h"

#include "chat/ChatNeighbourScreens.h"
#include "houses/HousesNavigation.h"

#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/view_controller.h"

namespace {

// The housing master category of the post screens.
constexpr int kHousingMaster = 7;

}  // namespace

namespace NeedNeighbourScreens {

void pushBrokerReplies(ui::NavigationController& stack, const QString& needId, int brokerCount) {
    auto replies = std::make_shared<QXBrokerReplyViewController>();
    replies->setNeedId(needId);
    replies->setMatchedBrokerCount(brokerCount);
    stack.pushViewController(replies, true);
}

bool isPublishingScreen(const ui::ViewController& screen) {
    return dynamic_cast<const QXPublishHouseInfoViewController*>(&screen) ||
           dynamic_cast<const QXMessageValidationController*>(&screen);
}

void pushPostDetail(ui::ViewController& from, const QString& puid) {
    HousesNavigation::pushPostDetail(from, HousesNavigation::PuidOpener::NeedReplies, puid);
}

void pushBrokerPage(ui::ViewController& from, const QString& agentId, const QVariant& dataInfo,
                    const QString& needId) {
    HousesNavigation::pushBrokerPage(from,
                                     {.agentId = agentId, .dataInfo = dataInfo, .postId = needId});
}

void pushGoodHouses(ui::ViewController& from, int major) {
    HousesNavigation::pushPostList(from, kHousingMaster, major, QString());
}

}  // namespace NeedNeighbourScreens
