#include "platform/uikit/action_sheet.h"

#include "platform/uikit/button.h"
#include "platform/uikit/label.h"
#include "platform/uikit/tab_bar.h"
#include "platform/uikit/window.h"

#include <cmath>

namespace ui {

namespace {

constexpr double kSeparator = 0.5;
constexpr double kTitlePadding = 14;

std::shared_ptr<View> box(const Rect& frame) {
    auto view = std::make_shared<View>(frame);
    view->setBackgroundColor(Color::colorWithWhite(0.97));
    view->layer()->setCornerRadius(4);
    view->setClipsToBounds(true);
    return view;
}

}  // namespace

ActionSheet::ActionSheet(const QString& title, std::weak_ptr<ActionSheetDelegate> delegate,
                         const QString& cancelButtonTitle, const QString& destructiveButtonTitle,
                         const QStringList& otherButtonTitles)
    : DelegatingOverlay(std::move(delegate)), title_(title) {
    if (!destructiveButtonTitle.isNull())
        destructiveIndex_ = addButtonWithTitle(destructiveButtonTitle);
    for (const QString& other : otherButtonTitles) addButtonWithTitle(other);
    if (!cancelButtonTitle.isNull()) setCancelButtonIndex(addButtonWithTitle(cancelButtonTitle));
}

ActionSheet::~ActionSheet() = default;

void ActionSheet::setDestructiveButtonIndex(int index) {
    destructiveIndex_ = index >= 0 && index < numberOfButtons() ? index : -1;
}

int ActionSheet::firstOtherButtonIndex() const {
    for (int i = 0; i < numberOfButtons(); ++i) {
        if (i != cancelButtonIndex() && i != destructiveIndex_) return i;
    }
    return -1;
}

void ActionSheet::showInView(View* view) {
    present(view ? view->window() : nullptr);
}

void ActionSheet::showFromTabBar(TabBar* tabBar) {
    showInView(tabBar);
}

void ActionSheet::showFromToolbar(View* toolbar) {
    showInView(toolbar);
}

Rect ActionSheet::buildPanel(View& panel, const Rect& area) {
    panel.setBackgroundColor(Color::clearColor());
    const double width = area.size.width - 2 * kMargin;
    auto main = box(Rect(0, 0, width, 0));
    double y = 0;
    if (!title_.isEmpty()) {
        auto label = std::make_shared<Label>();
        label->setText(title_);
        label->setFont(Font::systemFontOfSize(13));
        label->setTextColor(Color::colorWithWhite(0.56));
        label->setNumberOfLines(0);
        label->setTextAlignment(TextAlignment::Center);
        label->setBackgroundColor(Color::clearColor());
        const double height =
            std::ceil(label->sizeThatFits(Size(width - 2 * kTitlePadding, 10000)).height);
        label->setFrame(Rect(kTitlePadding, kTitlePadding, width - 2 * kTitlePadding, height));
        main->addSubview(label);
        y = height + 2 * kTitlePadding;
    }
    auto style = [&](const std::shared_ptr<Button>& button, int index) {
        button->setFont(index == cancelButtonIndex() ? Font::boldSystemFontOfSize(20)
                                                     : Font::systemFontOfSize(20));
        button->setTitleColor(
            index == destructiveIndex_ ? Color::rgb(255, 59, 48) : Color::colorWithRed(0, 0.478, 1),
            kControlStateNormal);
    };
    for (int i = 0; i < numberOfButtons(); ++i) {
        if (i == cancelButtonIndex()) continue;
        if (y > 0) main->addSubview(makeSeparator(Rect(0, y, width, kSeparator)));
        auto button = makeButton(i);
        style(button, i);
        button->setFrame(Rect(0, y, width, kButtonHeight));
        main->addSubview(button);
        y += kButtonHeight;
    }
    double height = 0;
    if (y > 0) {
        main->setFrame(Rect(0, 0, width, y));
        panel.addSubview(main);
        height = y + kMargin;
    }
    if (cancelButtonIndex() >= 0) {
        auto cancelBox = box(Rect(0, height, width, kButtonHeight));
        auto button = makeButton(cancelButtonIndex());
        style(button, cancelButtonIndex());
        button->setFrame(Rect(0, 0, width, kButtonHeight));
        cancelBox->addSubview(button);
        panel.addSubview(cancelBox);
        height += kButtonHeight + kMargin;
    }
    shownFrame_ = Rect(kMargin, area.size.height - height, width, height);
    return shownFrame_;
}

void ActionSheet::prepareEntrance(View& panel) {
    panel.setFrame(shownFrame_.offsetBy(0, shownFrame_.size.height + kMargin));
}

void ActionSheet::animateEntrance(View& panel) {
    panel.setFrame(shownFrame_);
}

void ActionSheet::animateExit(View& panel) {
    panel.setFrame(shownFrame_.offsetBy(0, shownFrame_.size.height + kMargin));
}

void ActionSheet::willPresent() {
    if (auto listener = delegate()) listener->willPresentActionSheet(*this);
}

void ActionSheet::didPresent() {
    if (auto listener = delegate()) listener->didPresentActionSheet(*this);
}

}  // namespace ui
