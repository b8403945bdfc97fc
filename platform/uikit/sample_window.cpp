#include "platform/uikit/sample_window.h"

#include "platform/uikit/alert_view.h"
#include "platform/uikit/bar_button_item.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/navigation_bar.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/navigation_item.h"
#include "platform/uikit/sample_voice_note.h"
#include "platform/uikit/search_bar.h"
#include "platform/uikit/switch.h"
#include "platform/uikit/tab_bar.h"
#include "platform/uikit/tab_bar_controller.h"
#include "platform/uikit/tab_bar_item.h"
#include "platform/uikit/table_view_controller.h"
#include "platform/uikit/window.h"

namespace ui {

namespace {

constexpr int kHouses = 100;

Color green() {
    return Color::rgb(86, 186, 34);
}

QString houseTitle(int row) {
    static const QStringList places{"望京 南湖东园", "回龙观 龙泽苑", "天通苑 东三区",
                                    "双井 富力城", "五道口 华清嘉园"};
    return QStringLiteral("%1 %2室一厅").arg(places[row % places.size()]).arg(1 + row % 3);
}

QString housePrice(int row) {
    return QStringLiteral("%1元/月").arg(1500 + row * 50);
}

std::shared_ptr<Image> thumbnail(int row) {
    static const Color colours[] = {Color::rgb(120, 170, 220), Color::rgb(230, 180, 90),
                                    Color::rgb(140, 200, 140), Color::rgb(210, 140, 160)};
    return Image::imageWithColor(colours[row % 4], Size(44, 33));
}

// One house: its picture, title and price, and a button that asks through an alert.
class HouseScreen : public ViewController {
public:
    explicit HouseScreen(int row) : row_(row) {
        setTitle(QStringLiteral("房源详情"));
        setHidesBottomBarWhenPushed(true);
    }

    void viewDidLoad() override {
        view()->setBackgroundColor(Color::whiteColor());
        setEdgesForExtendedLayout(kRectEdgeNone);
        auto picture = std::make_shared<ImageView>(Rect(0, 0, 320, 180));
        picture->setImage(thumbnail(row_));
        view()->addSubview(picture);
        auto title = std::make_shared<Label>(Rect(15, 195, 290, 24));
        title->setFont(Font::boldSystemFontOfSize(18));
        title->setText(houseTitle(row_));
        view()->addSubview(title);
        auto price = std::make_shared<Label>(Rect(15, 225, 290, 20));
        price->setTextColor(Color::rgb(247, 127, 0));
        price->setText(housePrice(row_));
        view()->addSubview(price);
        auto call = std::make_shared<Button>(Rect(15, 270, 290, 44));
        call->setBackgroundImage(Image::imageWithColor(green()), kControlStateNormal);
        call->setTitle(QStringLiteral("联系经纪人"), kControlStateNormal);
        call->addTarget(this, kControlEventTouchUpInside, [](Control&, const Event*) {
            std::make_shared<AlertView>(QStringLiteral("提示"), QStringLiteral("拨打经纪人电话？"),
                                        std::weak_ptr<AlertViewDelegate>(), QStringLiteral("取消"),
                                        QStringList{QStringLiteral("拨打")})
                ->show();
        });
        view()->addSubview(call);
    }

private:
    int row_;
};

// The list of houses: subtitle cells with a picture and a disclosure arrow.
class HouseList : public TableViewController {
public:
    HouseList() {
        setTitle(QStringLiteral("房源"));
        tabBarItem()->setTitle(QStringLiteral("房源"));
    }

    int numberOfRowsInSection(TableView&, int) override { return kHouses; }
    double heightForRowAtIndexPath(TableView&, const IndexPath&) override { return 60; }
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView& table,
                                                         const IndexPath& path) override {
        auto cell = table.dequeueReusableCellWithIdentifier(QStringLiteral("house"));
        if (!cell) {
            cell = std::make_shared<TableViewCell>(TableViewCellStyle::Subtitle,
                                                   QStringLiteral("house"));
            cell->setAccessoryType(TableViewCellAccessoryType::DisclosureIndicator);
            cell->detailTextLabel()->setTextColor(Color::rgb(247, 127, 0));
            cell->textLabel()->setFont(Font::systemFontOfSize(16));
            cell->detailTextLabel()->setFont(Font::systemFontOfSize(13));
        }
        cell->textLabel()->setText(houseTitle(path.row));
        cell->detailTextLabel()->setText(housePrice(path.row));
        cell->imageView()->setImage(thumbnail(path.row));
        return cell;
    }
    void didSelectRowAtIndexPath(TableView& table, const IndexPath& path) override {
        table.deselectRowAtIndexPath(path, true);
        if (auto* navigation = navigationController())
            navigation->pushViewController(std::make_shared<HouseScreen>(path.row), true);
    }
};

// Settings in a grouped table, with a search bar as the table's header.
class Settings : public TableViewController {
public:
    Settings() : TableViewController(TableViewStyle::Grouped) {
        setTitle(QStringLiteral("设置"));
        tabBarItem()->setTitle(QStringLiteral("设置"));
        tabBarItem()->setBadgeValue(QStringLiteral("3"));
    }

    void viewDidLoad() override {
        auto search = std::make_shared<SearchBar>(Rect(0, 0, 320, SearchBar::kHeight));
        search->setPlaceholder(QStringLiteral("搜索设置"));
        tableView()->setTableHeaderView(search);
        navigationItem().setRightBarButtonItem(BarButtonItem::itemWithTitle(
            QStringLiteral("语音"), BarButtonItemStyle::Plain, [this](BarButtonItem&) {
                if (auto* navigation = navigationController())
                    navigation->pushViewController(std::make_shared<SampleVoiceNote>(), true);
            }));
    }
    int numberOfSectionsInTableView(TableView&) override { return 2; }
    int numberOfRowsInSection(TableView&, int section) override { return section == 0 ? 2 : 3; }
    QString titleForHeaderInSection(TableView&, int section) override {
        return section == 0 ? QStringLiteral("推送") : QStringLiteral("关于");
    }
    std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView&,
                                                         const IndexPath& path) override {
        static const QStringList pushes{QStringLiteral("消息推送"), QStringLiteral("活动通知")};
        static const QStringList about{QStringLiteral("版本"), QStringLiteral("意见反馈"),
                                       QStringLiteral("清除缓存")};
        auto cell = std::make_shared<TableViewCell>(TableViewCellStyle::Value1);
        cell->setSelectionStyle(TableViewCellSelectionStyle::None);
        if (path.section == 0) {
            cell->textLabel()->setText(pushes[path.row]);
            auto toggle = std::make_shared<Switch>();
            toggle->setOn(path.row == 0);
            cell->setAccessoryView(toggle);
        } else {
            cell->textLabel()->setText(about[path.row]);
            if (path.row == 0) {
                cell->detailTextLabel()->setText(QStringLiteral("2.3.0"));
            } else {
                cell->setAccessoryType(TableViewCellAccessoryType::DisclosureIndicator);
            }
        }
        return cell;
    }
};

std::shared_ptr<NavigationController> stack(std::shared_ptr<ViewController> root) {
    auto navigation = NavigationController::withRootViewController(root);
    navigation->tabBarItem()->setTitle(root->title());
    navigation->tabBarItem()->setBadgeValue(root->tabBarItem()->badgeValue());
    NavigationBar* bar = navigation->navigationBar();
    bar->setBarTintColor(green());
    bar->setTranslucent(false);
    bar->setTintColor(Color::whiteColor());
    TextAttributes title;
    title.textColor = Color::whiteColor();
    bar->setTitleTextAttributes(title);
    return navigation;
}

}  // namespace

std::shared_ptr<Window> SampleWindow::create(
    const std::vector<std::shared_ptr<ViewController>>& moreTabs) {
    auto window = std::make_shared<Window>();
    auto tabs = std::make_shared<TabBarController>();
    std::vector<std::shared_ptr<ViewController>> stacks{stack(std::make_shared<HouseList>()),
                                                        stack(std::make_shared<Settings>())};
    for (const auto& root : moreTabs) stacks.push_back(stack(root));
    tabs->setViewControllers(stacks);
    tabs->tabBar()->setTintColor(green());
    tabs->tabBar()->setTranslucent(false);
    window->setRootViewController(tabs);
    window->makeKeyAndVisible();
    return window;
}

}  // namespace ui
