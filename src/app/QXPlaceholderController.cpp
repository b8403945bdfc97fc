#include "app/QXPlaceholderController.h"

#include "app/categories/UIViewController+Navigation.h"
#include "platform/uikit/label.h"

QXPlaceholderController::QXPlaceholderController(const QString& title, const QString& description)
    : description_(description) {
    setTitle(title);
}

void QXPlaceholderController::viewDidLoad() {
    QXUIViewController::viewDidLoad();
    view()->setBackgroundColor(ui::Color::colorWithRed(0.92, 0.92, 0.92));
    UIViewControllerNavigation::setNavTitle(*this, title());
    auto label = std::make_shared<ui::Label>(ui::Rect(20, 120, 280, 120));
    label->setNumberOfLines(0);
    label->setTextAlignment(ui::TextAlignment::Center);
    label->setTextColor(ui::Color::darkGrayColor());
    label->setBackgroundColor(ui::Color::clearColor());
    label->setFont(ui::Font::systemFontOfSize(15));
    label->setText(description_);
    view()->addSubview(label);
}
