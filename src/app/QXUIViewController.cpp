#include "app/QXUIViewController.h"

#include "app/QXUtil.h"
#include "platform/foundation/notification_center.h"
#include "platform/uikit/navigation_controller.h"

bool QXUIViewController::hidesBottomBarWhenPushed() const {
    const bool hides = ui::ViewController::hidesBottomBarWhenPushed();
    ns::NotificationCenter::defaultCenter().post(hides ? kQXHideTableBarNotification
                                                       : kQXShowTableBarNotification);
    return hides;
}

void QXUIViewController::viewWillAppear(bool animated) {
    ui::ViewController::viewWillAppear(animated);
    if (QXUtil::DeviceSystemVersionIsiOS7()) {
        setExtendedLayoutIncludesOpaqueBars(false);
        setEdgesForExtendedLayout(0);
        setNeedsStatusBarAppearanceUpdate();
    }
}

void QXUIViewController::backMethod() {
    if (auto* navigation = navigationController()) navigation->popViewControllerAnimated(true);
}

void QXUIViewController::backToRootMethod() {
    if (auto* navigation = navigationController())
        navigation->popToRootViewControllerAnimated(true);
}
