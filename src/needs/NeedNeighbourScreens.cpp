#include "needs/NeedNeighbourScreens.h"

#include "chat/ChatNeighbourScreens.h"

#include "platform/uikit/navigation_controller.h"

namespace NeedNeighbourScreens {

void pushBrokerReplies(ui::NavigationController& stack, const QString& needId, int brokerCount) {
    stack.pushViewController(
        ChatNeighbourScreens::placeholder(
            kRepliesTitle,
            QStringLiteral("找房意向已发给周围的%1位经纪人，他们的回复将显示在这里（意向编号 %2）。")
                .arg(brokerCount)
                .arg(needId)),
        true);
}

}  // namespace NeedNeighbourScreens
