#pragma once

#include "houses/shared/GetPostListCellFormate.h"
#include "platform/uikit/geometry.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>

namespace ui {
class Button;
class View;
class ViewController;
}  // namespace ui
class QXPostDetailRefreshProtocol;
class tovikFilters2;

// The navigation of the housing screens: the one door through which they open each other and
// the app's other screens open them, and the titled right button of the post detail and the
// favourites (every other bar button is UIViewControllerNavigation's). Each opener says who it
// is and hands what it has; the door knows the settings each road asks for. Its header names
// no screen of a road, so every road may call it; only its implementation knows the screens.
struct HousesNavigation {
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
    static void pushPostDetail(ui::ViewController& from, PuidOpener opener, const QString& puid);

    // The openers that hand the post detail a post they hold.
    enum class PostOpener {
        // The post list: the detail pages through the list and hides the chat's broker bar.
        PostList,
        // The keyword search results: the detail pages through the results.
        SearchResults,
        // A community's house list: the row is shown while the whole post is fetched again,
        // paging through the list, with no way back to the community's lists and the chat's
        // broker bar hidden.
        CommunityHouses,
        // The favourites: the stored post, known by the puid its record keeps.
        Favourites,
    };
    struct PostOpening {
        PostRecord post;
        int master = 0;
        int major = 0;
        // The detail's title.
        QString title;
        // The list paged through and the index of the post in it (not the favourites).
        std::weak_ptr<QXPostDetailRefreshProtocol> list;
        int index = 0;
        // The puid the favourites keep beside the post.
        QString puid;
    };
    static void pushPostDetail(ui::ViewController& from, PostOpener opener,
                               const PostOpening& opening);

    // The strip of a post's photos that the post detail lays out (style 0 at the top, 1 among
    // the rows); a tap opens the photo pager over `screen` with the post `screen` shows then.
    [[nodiscard]] static std::shared_ptr<ui::View> makePhotoStrip(
        const ui::Rect& frame, const QStringList& photoUrls, int style,
        const std::shared_ptr<ui::ViewController>& screen);
    // The photo pager's plain modes (the strips open the modes about a house themselves).
    enum class PhotoPagerMode {
        // A community's photos, from the first, in a plain stack.
        CommunityPhotos,
        // One picture of a chat, with the button that saves it.
        ChatPicture,
    };
    // Presents the pager of `urls` over `from` in a stack of its own.
    static void presentPhotoPager(ui::ViewController& from, PhotoPagerMode mode,
                                  const QStringList& urls);

    // Pushes the page of the community of `post` (its city key, pinyin, district and street);
    // `showOtherListEntrance` offers the community's house lists.
    static void pushCommunityPage(ui::ViewController& from, const PostRecord& post,
                                  bool showOtherListEntrance);

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
    [[nodiscard]] static std::shared_ptr<ui::ViewController> brokerPage(const BrokerPage& opening);
    static void pushBrokerPage(ui::ViewController& from, const BrokerPage& opening);

    // How the filter screen ("高级筛选") of a list's filter model is opened: `chosen` hears
    // the conditions and keyword it hands back, `chosenRows` (when set) the rows chosen.
    struct FilterScreen {
        std::shared_ptr<tovikFilters2> filter;
        std::function<void(const QMap<QString, QString>& conditions, const QString& keyword,
                           bool fromZhaoPTag)>
            chosen;
        std::function<void(const QStringList& rows)> chosenRows;
    };
    static void pushFilterScreen(ui::ViewController& from, const FilterScreen& opening);

    // The post list of a category.
    [[nodiscard]] static std::shared_ptr<ui::ViewController> postList(int master, int major,
                                                                      const QString& title);
    static void pushPostList(ui::ViewController& from, int master, int major, const QString& title);
    // Pushes the keyword search's entry.
    static void pushKeywordSearch(ui::ViewController& from);
    // The favourites ("看房记").
    [[nodiscard]] static std::shared_ptr<ui::ViewController> favourites();
};
