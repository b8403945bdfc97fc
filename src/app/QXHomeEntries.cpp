#include "app/QXHomeEntries.h"

#include "app/QXAppDelegate.h"
#include "app/ShopMapEntry.h"
#include "app/statistics/StatisticsForAnalytics.h"
#include "houses/QXPostList.h"
#include "location/CityData.h"
#include "location/SelectedCityState.h"
#include "map/QXMapViewController.h"
#include "platform/uikit/button.h"
#include "platform/uikit/label.h"
#include "platform/uikit/layer.h"
#include "platform/uikit/navigation_controller.h"

QXHomeEntries::QXHomeEntries()
    : QXPlaceholderController(
          QStringLiteral("首页"),
          QStringLiteral("这里将是首页：横幅、找租房、合租、二手房、经纪人门店和房产资讯。")) {}

void QXHomeEntries::viewDidLoad() {
    QXPlaceholderController::viewDidLoad();
    struct Tile {
        int type;
        const char* title;
    };
    double x = 20;
    for (const Tile& tile : {Tile{1, "租房"}, Tile{3, "合租房"}, Tile{5, "二手房"}}) {
        auto button = std::make_shared<ui::Button>(ui::Rect(x, 40, 86, 60));
        button->setTag(kTileTag + tile.type);
        button->setBackgroundColor(ui::Color::rgb(92, 187, 57));
        button->setTitle(QString::fromUtf8(tile.title), ui::kControlStateNormal);
        button->setTitleColor(ui::Color::whiteColor(), ui::kControlStateNormal);
        button->titleLabel()->setFont(ui::Font::boldSystemFontOfSize(16));
        button->layer()->setCornerRadius(6);
        button->addTarget(
            this, ui::kControlEventTouchUpInside,
            [this, type = tile.type](ui::Control&, const ui::Event*) { openList(type); });
        view()->addSubview(button);
        x += 97;
    }
    auto shopEntry = std::make_shared<ui::Button>(ui::Rect(90, 260, 140, 44));
    shopEntry->setTag(kShopEntryTag);
    shopEntry->setTitle(QStringLiteral("中介门店"), ui::kControlStateNormal);
    shopEntry->setTitleColor(ui::Color::whiteColor(), ui::kControlStateNormal);
    shopEntry->setBackgroundColor(ui::Color::rgb(83, 188, 44));
    shopEntry->layer()->setCornerRadius(6);
    shopEntry->addTarget(this, ui::kControlEventTouchUpInside,
                         [weak = weakAs<QXHomeEntries>()](ui::Control&, const ui::Event*) {
                             if (auto self = weak.lock()) self->openShopMap();
                         });
    view()->addSubview(shopEntry);
}

void QXHomeEntries::openList(int majorId) {
    if (ui::NavigationController* navigation = navigationController()) {
        navigation->pushViewController(std::make_shared<QXPostList>(7, majorId, QString()), true);
    }
}

void QXHomeEntries::openShopMap() {
    auto* navigation = navigationController();
    // A second tap while the map is being pushed opens nothing more.
    if (!navigation || navigation->topViewController().get() != this) return;
    StatisticsForAnalytics::event(QStringLiteral("home_agentshop"));
    navigation->pushViewController(ShopMapEntry::makeScreen(QXAppDelegate::sharedAppDelegate()),
                                   true);
}

std::shared_ptr<City> QXAppHousesHost::currentCity() const {
    const auto state = cityState_.lock();
    return state && state->cityData() ? state->cityData()->currentCity() : nullptr;
}

bool QXAppHousesHost::useWifi() const {
    const auto app = QXAppDelegate::sharedPointer();
    return app && app->useWifi();
}
