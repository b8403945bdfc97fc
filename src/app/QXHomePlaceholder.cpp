#include "app/QXHomePlaceholder.h"

#include "app/QXAppDelegate.h"
#include "app/ShopMapEntry.h"
#include "app/statistics/StatisticsForAnalytics.h"
#include "map/QXMapViewController.h"

#include "platform/uikit/button.h"
#include "platform/uikit/label.h"
#include "platform/uikit/layer.h"
#include "platform/uikit/navigation_controller.h"

QXHomePlaceholder::QXHomePlaceholder()
    : QXPlaceholderController(
          QStringLiteral("首页"),
          QStringLiteral("这里将是首页：横幅、找租房、合租、二手房、经纪人门店和房产资讯。")) {}

void QXHomePlaceholder::viewDidLoad() {
    QXPlaceholderController::viewDidLoad();
    auto entry = std::make_shared<ui::Button>(ui::Rect(90, 260, 140, 44));
    entry->setTag(kShopEntryTag);
    entry->setTitle(QStringLiteral("中介门店"), ui::kControlStateNormal);
    entry->setTitleColor(ui::Color::whiteColor(), ui::kControlStateNormal);
    entry->setBackgroundColor(ui::Color::rgb(83, 188, 44));
    entry->layer()->setCornerRadius(6);
    entry->addTarget(this, ui::kControlEventTouchUpInside,
                     [weak = weakAs<QXHomePlaceholder>()](ui::Control&, const ui::Event*) {
                         if (auto self = weak.lock()) self->openShopMap();
                     });
    view()->addSubview(entry);
}

void QXHomePlaceholder::openShopMap() {
    auto* navigation = navigationController();
    // A second tap while the map is being pushed opens nothing more.
    if (!navigation || navigation->topViewController().get() != this) return;
    StatisticsForAnalytics::event(QStringLiteral("home_agentshop"));
    navigation->pushViewController(ShopMapEntry::makeScreen(QXAppDelegate::sharedAppDelegate()),
                                   true);
}
