#pragma once

#include "map/URLPic.h"

#include "platform/uikit/view.h"

#include <QVariantList>

#include <memory>

namespace ui {
class Button;
class Label;
class NavigationController;
class ScrollView;
}  // namespace ui

// The pop-up of the brokers who answered a need, over the whole tab: a dimmed strip with a
// close button at the top, and a white panel sliding up from the bottom, titled with the
// number of brokers and holding their avatars four to a row (a picture and "暂无经纪人应答您
// 的需求" while there is none). Tapping an avatar opens the chat with that broker; coming back
// from the chat shows the pop-up again. Brokers who answer while it is open are appended.
// While it covers the screen the drag-back gesture is off; the screen that opened it asks
// the pop-up itself whether it covers it.
class QXBrokersPopListView : public ui::View, public URLPicDelegate {
public:
    static constexpr double kStripHeight = 64;
    static constexpr double kTitleHeight = 46;
    static constexpr double kTileWidth = 53;
    static constexpr double kTileHeight = 92;
    static constexpr double kTileGap = 21.6;
    static constexpr int kTilesPerRow = 4;
    // More brokers than four full rows make the panel scroll.
    static constexpr int kScrollingCount = 17;
    static constexpr double kSlideDuration = 0.2;
    static inline const QString kHaveGoneToImPage = QStringLiteral("HaveGoneToImPage");

    // Opens a new pop-up with these brokers (talk rows) over the selected tab's stack; the
    // pop-up, or none when there is no stack to cover.
    static std::shared_ptr<QXBrokersPopListView> showWithAgentArray(const QVariantList& talkRows);
    // Appends brokers to the last pop-up; nothing when none was shown.
    static void showNewReplyedBrokers(const QVariantList& talkRows);
    // Closes the last pop-up.
    static void hideBrokersPopListView();
    // The pop-up shown last, open or not.
    [[nodiscard]] static std::shared_ptr<QXBrokersPopListView> last();
    // Shows this pop-up again at once (back from a chat), in front of every screen of its
    // window: a screen presented and dismissed meanwhile (the photo pager, the photo
    // library) has put the tab shell back in front of it.
    void showAgainWithoutAnimation();
    // Whether it covers the screen: in a window and not hidden for a chat.
    [[nodiscard]] bool isShowing() const;

    explicit QXBrokersPopListView(const ui::Rect& frame);

    [[nodiscard]] const QVariantList& mutableArray() const { return mutableArray_; }
    void setMutableArray(const QVariantList& rows);
    void noBrokerReplyingNeed();
    void onClose();
    void urlPictureSingleTapped(URLPic& picture) override;
    void layoutSubviews() override;

    [[nodiscard]] ui::ScrollView* mainScrollView() const { return mainScrollView_.get(); }
    [[nodiscard]] ui::Label* titleLbl() const { return titleLbl_.get(); }
    [[nodiscard]] ui::View* animationMainView() const { return animationMainView_.get(); }
    [[nodiscard]] ui::Button* closeBtn() const { return closeBtn_.get(); }
    [[nodiscard]] ui::View* noBrokerReplyingView() const { return noBrokerReplyingView_.get(); }
    // Where tile `index` stands in the scroll view.
    [[nodiscard]] static ui::Rect tileFrame(int index);

private:
    void addTile(int index, const QVariantMap& talkRow);
    void appendBrokers(const QVariantList& talkRows);
    void setTitleCount(int count);
    void updateScrolling();
    void slide(double by);
    // Puts the pop-up in front of the screens of the stack's window.
    void coverWindowOf(ui::NavigationController& stack);
    // The navigation stack of the selected tab of the key window's tab shell.
    [[nodiscard]] static ui::NavigationController* tabStack();
    static void setDragBack(bool enabled);

    QVariantList mutableArray_;
    bool needsTiles_ = false;
    std::shared_ptr<ui::ScrollView> mainScrollView_;
    std::shared_ptr<ui::Label> titleLbl_;
    std::shared_ptr<ui::View> animationMainView_;
    std::shared_ptr<ui::Button> closeBtn_;
    std::shared_ptr<ui::View> noBrokerReplyingView_;
};
