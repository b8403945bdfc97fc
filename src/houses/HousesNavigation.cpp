#include "houses/HousesNavigation.h"

#include "platform/uikit/bar_button_item.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/navigation_item.h"
#include "platform/uikit/view_controller.h"

void HousesNavigation::setBackButton(ui::ViewController& screen, std::function<void()> action) {
    auto back = std::make_shared<ui::Button>(ui::Rect(0, 0, 48, 32));
    back->setImage(ui::Image::imageNamed(QStringLiteral("返回.png")), ui::kControlStateNormal);
    back->setImage(ui::Image::imageNamed(QStringLiteral("返回点击.png")),
                   ui::kControlStateHighlighted);
    back->addTarget(back.get(), ui::kControlEventTouchUpInside,
                    [action = std::move(action)](ui::Control&, const ui::Event*) { action(); });
    screen.navigationItem().setLeftBarButtonItem(ui::BarButtonItem::itemWithCustomView(back));
}

std::shared_ptr<ui::Button> HousesNavigation::setRightButton(ui::ViewController& screen,
                                                             const QString& title,
                                                             std::function<void()> action,
                                                             const QString& background) {
    auto button = std::make_shared<ui::Button>(ui::Rect(0, 0, 55, 34));
    for (const auto& [name, state] :
         {std::pair{background, ui::kControlStateNormal},
          std::pair{background + QStringLiteral("点击态"), ui::kControlStateHighlighted}}) {
        if (auto image = ui::Image::imageNamed(name))
            button->setBackgroundImage(image->stretchableImageWithLeftCapWidth(5, 0), state);
    }
    button->setFont(ui::Font::systemFontOfSize(14));
    button->setTitleColor(ui::Color::whiteColor(), ui::kControlStateNormal);
    button->setTitle(title, ui::kControlStateNormal);
    button->addTarget(button.get(), ui::kControlEventTouchUpInside,
                      [action = std::move(action)](ui::Control&, const ui::Event*) { action(); });
    screen.navigationItem().setRightBarButtonItem(ui::BarButtonItem::itemWithCustomView(button));
    return button;
}
