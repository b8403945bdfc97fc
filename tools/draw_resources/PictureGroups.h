// The picture groups the generator draws, one file each.
#pragma once

#include <QString>

namespace pictures {

// The tab shell, the navigation bar and its buttons, badges, the loading overlay, the check
// box, the rating stars, the push banner's icons, the payment check's panel and the guide
// cover's caption.
void drawShellPictures();
// The home screen: the publish area, the round start button, the tiles and the publish menu;
// the messaging team's picture, which shares the tiles' look.
void drawHomePictures();
// The first-launch guide.
void drawGuidePictures();
// The reusable widgets: pull-to-refresh, the floating notice, the chat input bar, the slider.
void drawWidgetPictures();
// The post list: type tabs, cells, badges, placeholders and the quick-filter bar.
void drawListPictures();
// The filter screen, its value lists and the district chooser.
void drawFilterPictures();
// The city selection screen and its search bar.
void drawCityPictures();
// The chat screens: bubbles, the input bar and its picture panel, the recording overlay, the
// broker bar and the empty conversation list.
void drawChatPictures();
// The photo pager: its round buttons and the info page's cards, buttons and icons.
void drawPhotoPictures();
// The need form: its panels, rows and choice boxes, the voice note, the SMS validation's
// buttons and the map point picker's pin.
void drawNeedPictures();
// A need's replies screen, its pop-up of brokers and house cells, and the need history; the
// two animations are written as GIF files into `folder`.
void drawNeedReplyPictures(const QString& folder);
// The keyword search: the history rows' icons, the results' time-out button and category
// rows, the job row's rating, and the category tiles and grid.
void drawSearchPictures();
// The post detail (its bottom bar, sections and tip box), the remark and report forms and the
// empty favourites tab.
void drawDetailPictures();
// The community page, the broker page and the broker's post list.
void drawCommunityPictures();

}  // namespace pictures
