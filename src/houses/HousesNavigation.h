#pragma once

#include "houses/shared/GetPostListCellFormate.h"

#include <QString>
#include <QVariant>

#include <functional>
#include <memory>

namespace ui {
class Button;
class ViewController;
}  // namespace ui
class QXAgentInfoController;
class QXPostDetailNew;
class QXPostDetailRefreshProtocol;

// The navigation of the housing screens: the bar buttons in the app's look, and the one door
// through which the screens reached from several places are opened, each opener giving the
// settings its road asks for.
struct HousesNavigation {
    // The back arrow as the screen's left item, calling `action`.
    static void setBackButton(ui::ViewController& screen, std::function<void()> action);
    // A titled button of 55 x 34 points on the stretched picture `background` (and its
    // "点击态" when pressed) as the screen's right item, calling `action`; the caller may change
    // its title later.
    static std::shared_ptr<ui::Button> setRightButton(
        ui::ViewController& screen, const QString& title, std::function<void()> action,
        const QString& background = QStringLiteral("button"));

    // The openers that hand the post detail no post but its public id: a list row carries
    // only what the list shows, so the detail fetches the whole post itself.
    enum class PuidOpener {
        // A broker's post list: the detail offers no way to the community's house lists.
        BrokerPosts,
        // A post card in a chat.
        ChatCard,
        // A house recommended for a housing need.
        NeedReplies,
    };
    // Pushes onto `from`'s stack the detail of the post `puid`, as `opener` opens it.
    static std::shared_ptr<QXPostDetailNew> pushPostDetail(ui::ViewController& from,
                                                           PuidOpener opener, const QString& puid);
    // Pushes the detail of row `index` of a community's house list `list`: shown from the row
    // `post` (master `master`, major `major`) while the whole post is fetched again, paging
    // through the list, which hands every post its city key, and offering no way back to the
    // community's lists.
    static std::shared_ptr<QXPostDetailNew> pushCommunityHouse(
        ui::ViewController& from, const PostRecord& post, int master, int major,
        const std::shared_ptr<QXPostDetailRefreshProtocol>& list, int index);

    // How a broker's shop page is opened.
    struct BrokerPage {
        QString agentId;
        // The shop data already fetched; anything but a dictionary lets the page ask for it.
        QVariant dataInfo;
        // What a chat started on the page talks about: a post reference, or the id of the
        // housing need whose replies opened the page (the chat then counts among them).
        QString postId;
        // The chat the page was opened from, to which its chat button returns.
        std::shared_ptr<ui::ViewController> chat;
    };
    [[nodiscard]] static std::shared_ptr<QXAgentInfoController> brokerPage(
        const BrokerPage& opening);
    static void pushBrokerPage(ui::ViewController& from, const BrokerPage& opening);
};
