#pragma once

#include <QString>
#include <QVariant>
#include <QVariantMap>

namespace ui {
class NavigationController;
class ViewController;
}  // namespace ui

// What the need screens share, and the screens of other parts of the app they open: the
// post detail, a broker's shop page and the list of good houses each open from here alone,
// so that a screen standing in for one is replaced in one place.
namespace NeedNeighbourScreens {

// Pushes the broker replies of the published need `needId`, which `brokerCount` brokers
// around were told of.
void pushBrokerReplies(ui::NavigationController& stack, const QString& needId, int brokerCount);

// Whether the screen is one of the publishing road (the need form or the SMS check), which
// a need's replies screen returns past.
[[nodiscard]] bool isPublishingScreen(const ui::ViewController& screen);

// Pushes the detail of the recommended house `puid`, fetched whole by it.
void pushPostDetail(ui::ViewController& from, const QString& puid);
// Pushes the shop page of broker `agentId` with the shop data already fetched; a chat started
// there talks about the need `needId`, so that it counts among the need's replies.
void pushBrokerPage(ui::ViewController& from, const QString& agentId, const QVariant& dataInfo,
                    const QString& needId);
// Pushes the list of good houses of a kind of need (1 rent, 3 shared, 5 buy).
void pushGoodHouses(ui::ViewController& from, int major);

}  // namespace NeedNeighbourScreens
