#include "houses/shared/FilterSheetScreen.h"

#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/navigation_controller.h"
#include "ui/widgets/ModalSheetViewController.h"

void FilterSheetScreen::viewDidLoad() {
    ui::ViewController::viewDidLoad();
    setEdgesForExtendedLayout(ui::kRectEdgeNone);
    // The list fills the screen whatever height it is given: a sheet shows it in a part of
    // the window, and a list kept at the height it was made with runs past the window's
    // bottom, its last rows beyond reach.
    table_ = std::make_shared<ui::TableView>(view()->bounds());
    table_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
    table_->setSeparatorColor(ui::Color::rgb(224, 224, 224));
    table_->setBackgroundColor(ui::Color::rgb(235, 235, 235));
    table_->setDataSource(weakAs<FilterSheetScreen>());
    table_->setDelegate(weakAs<FilterSheetScreen>());
    view()->addSubview(table_);
}

void FilterSheetScreen::viewWillAppear(bool animated) {
    ui::ViewController::viewWillAppear(animated);
    addShadowStrip();
}

void FilterSheetScreen::viewWillDisappear(bool animated) {
    ui::ViewController::viewWillDisappear(animated);
    removeShadowStrip();
}

void FilterSheetScreen::addShadowStrip() {
    ui::NavigationController* navigation = navigationController();
    if (!navigation || navigation->view()->viewWithTag(shadowTag_)) return;
    auto strip = std::make_shared<ui::ImageView>(
        ui::Image::imageNamed(QStringLiteral("title bar－阴影.png")));
    strip->setFrame({0, 64, 320, 7});
    strip->setTag(shadowTag_);
    navigation->view()->addSubview(strip);
}

void FilterSheetScreen::removeShadowStrip() {
    ui::NavigationController* navigation = navigationController();
    if (!navigation) return;
    if (ui::View* strip = navigation->view()->viewWithTag(shadowTag_)) strip->removeFromSuperview();
}

std::shared_ptr<ui::ImageView> FilterSheetScreen::rowBackground(const QString& name,
                                                                const ui::Color& fallback) {
    auto image = ui::Image::imageNamed(name);
    auto view = std::make_shared<ui::ImageView>(
        image ? image->stretchableImageWithLeftCapWidth(7, 25) : nullptr);
    view->setBackgroundColor(fallback);
    return view;
}

void FilterSheetScreen::closeSheet(const std::shared_ptr<ui::ViewController>& backTo) {
    if (auto sheet = customModalViewController(*this)) {
        sheet->dismissRootViewControllerWithcompletion([] {});
    } else if (ui::NavigationController* navigation = navigationController()) {
        if (backTo) {
            navigation->popToViewController(backTo, true);
        } else {
            navigation->popViewControllerAnimated(true);
        }
    }
}
