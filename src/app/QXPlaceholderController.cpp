#include "app/QXPlaceholderController.h"

#include "app/categories/UIViewController+Navigation.h"
#include "platform/uikit/label.h"
#include "ui/widgets/PlaceholderSentence.h"

QXPlaceholderController::QXPlaceholderController(const QString& title, const QString& description)
    : description_(description) {
    setTitle(title);
}

void QXPlaceholderController::viewDidLoad() {
    QXUIViewController::viewDidLoad();
    view()->setBackgroundColor(ui::Color::colorWithRed(0.92, 0.92, 0.92));
    UIViewControllerNavigation::setNavTitle(*this, title());
    view()->addSubview(makePlaceholderSentence(description_));
}
