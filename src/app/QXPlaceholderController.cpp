#include "app/QXPlaceholderController.h"

#include "app/categories/UIViewController+Navigation.h"
#include "houses/HousesPlaceholder.h"

QXPlaceholderController::QXPlaceholderController(const QString& title, const QString& description)
    : description_(description) {
    setTitle(title);
}

void QXPlaceholderController::viewDidLoad() {
    QXUIViewController::viewDidLoad();
    UIViewControllerNavigation::setNavTitle(*this, title());
    HousesPlaceholder::describe(*view(), description_);
}
