#include "houses/HousesPlaceholder.h"

#include "platform/uikit/bar_button_item.h"
#include "platform/uikit/label.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/navigation_item.h"

HousesPlaceholder::HousesPlaceholder(const QString& title, const QString& description)
    : description_(description) {
    setTitle(title);
    setHidesBottomBarWhenPushed(true);
}

void HousesPlaceholder::describe(ui::View& view, const QString& description) {
    view.setBackgroundColor(ui::Color::colorWithRed(0.92, 0.92, 0.92));
    auto label = std::make_shared<ui::Label>(ui::Rect(20, 120, 280, 120));
    label->setNumberOfLines(0);
    label->setTextAlignment(ui::TextAlignment::Center);
    label->setTextColor(ui::Color::darkGrayColor());
    label->setBackgroundColor(ui::Color::clearColor());
    label->setFont(ui::Font::systemFontOfSize(15));
    label->setText(description);
    view.addSubview(label);
}

void HousesPlaceholder::viewDidLoad() {
    ui::ViewController::viewDidLoad();
    describe(*view(), description_);
    // The first screen of a stack of its own was presented: it closes the whole stack.
    ui::NavigationController* navigation = navigationController();
    if (navigation && navigation->viewControllers().front().get() == this) {
        navigationItem().setLeftBarButtonItem(ui::BarButtonItem::itemWithTitle(
            QStringLiteral("关闭"), ui::BarButtonItemStyle::Plain,
            [weak = weakAs<HousesPlaceholder>()](ui::BarButtonItem&) {
                auto self = weak.lock();
                if (!self) return;
                if (auto* stack = self->navigationController())
                    stack->dismissViewControllerAnimated(true);
            }));
    }
}
