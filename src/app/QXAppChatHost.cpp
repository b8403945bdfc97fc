#include "app/QXAppChatHost.h"

#include "app/QXAppDelegate.h"
#include "app/QXTabBarController.h"
#include "app/WebHelp.h"

bool QXAppChatHost::useWifi() const {
    const auto delegate = delegate_.lock();
    return delegate && delegate->useWifi();
}

void QXAppChatHost::setUnreadBadge(int count) {
    const auto delegate = delegate_.lock();
    if (delegate && delegate->tabBarController())
        delegate->tabBarController()->addUnReadIconWithNumber(count);
}

void QXAppChatHost::startListenNetWorkStatus() {
    if (const auto delegate = delegate_.lock()) delegate->startListenNetWorkStatus();
}

std::shared_ptr<ui::ViewController> QXAppChatHost::makeWebPage(const QString& title,
                                                               const QString& url) {
    return std::make_shared<WebHelp>(title, url);
}
