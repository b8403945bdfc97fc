#include "map/PlaceholderScreen.h"

#include "platform/uikit/label.h"
#include "platform/uikit/view.h"

PlaceholderScreen::PlaceholderScreen(const QString& title, QString details)
    : details_(std::move(details)) {
    setTitle(title);
}

void PlaceholderScreen::viewDidLoad() {
    view()->setBackgroundColor(ui::Color::whiteColor());
    auto label = std::make_shared<ui::Label>(ui::Rect(20, 40, 280, 200));
    label->setNumberOfLines(0);
    label->setTextAlignment(ui::TextAlignment::Center);
    label->setTextColor(ui::Color::grayColor());
    label->setText(title() + "\n" + details_);
    view()->addSubview(label);
}
