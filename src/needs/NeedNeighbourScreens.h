#pragma once

#include <QString>

namespace ui {
class NavigationController;
}

// The screens of other parts of the app that the need form opens. Each opens from here alone,
// so that the screen that stands in for it is replaced in one place.
namespace NeedNeighbourScreens {

inline const QString kRepliesTitle = QStringLiteral("经纪人回复");

// Pushes the broker replies of the published need `needId`, which `brokerCount` brokers
// around were told of; a titled page saying what will be there until that screen exists.
void pushBrokerReplies(ui::NavigationController& stack, const QString& needId, int brokerCount);

}  // namespace NeedNeighbourScreens
