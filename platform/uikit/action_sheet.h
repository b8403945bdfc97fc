#pragma once

#include "platform/uikit/alert_overlay.h"

#include <QString>
#include <QStringList>

#include <memory>

namespace ui {

class ActionSheet;
class TabBar;

enum class ActionSheetStyle { Automatic = -1, Default = 0, BlackTranslucent = 2, BlackOpaque = 1 };

// Hears an action sheet. Every method is optional.
class ActionSheetDelegate : public OverlayButtonDelegate<ActionSheet> {
public:
    virtual void actionSheetCancel(ActionSheet& sheet) { (void)sheet; }
    virtual void willPresentActionSheet(ActionSheet& sheet) { (void)sheet; }
    virtual void didPresentActionSheet(ActionSheet& sheet) { (void)sheet; }
};

// A list of choices sliding up from the bottom of the screen: a title, the
// destructive button (red, index 0 when given), the other buttons, and the
// cancel button (last, in a box of its own).
class ActionSheet : public DelegatingOverlay<ActionSheet, ActionSheetDelegate> {
public:
    static constexpr double kButtonHeight = 44;
    static constexpr double kMargin = 8;

    ActionSheet(const QString& title, std::weak_ptr<ActionSheetDelegate> delegate = {},
                const QString& cancelButtonTitle = {}, const QString& destructiveButtonTitle = {},
                const QStringList& otherButtonTitles = {});
    ~ActionSheet() override;

    [[nodiscard]] const QString& title() const { return title_; }
    void setTitle(const QString& title) { title_ = title; }
    // -1 when there is none.
    [[nodiscard]] int destructiveButtonIndex() const { return destructiveIndex_; }
    void setDestructiveButtonIndex(int index);
    [[nodiscard]] int firstOtherButtonIndex() const;
    [[nodiscard]] ActionSheetStyle actionSheetStyle() const { return style_; }
    void setActionSheetStyle(ActionSheetStyle style) { style_ = style; }

    // Shows the sheet at the bottom of the window holding `view` (the key
    // window when it has none).
    void showInView(View* view);
    void showFromTabBar(TabBar* tabBar);
    void showFromToolbar(View* toolbar);

protected:
    Rect buildPanel(View& panel, const Rect& area) override;
    void willPresent() override;
    void didPresent() override;
    void prepareEntrance(View& panel) override;
    void animateEntrance(View& panel) override;
    void animateExit(View& panel) override;

private:
    QString title_;
    int destructiveIndex_ = -1;
    ActionSheetStyle style_ = ActionSheetStyle::Automatic;
    Rect shownFrame_;
};

}  // namespace ui
