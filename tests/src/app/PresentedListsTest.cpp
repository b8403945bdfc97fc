// Every list shown over another screen lets the user reach its last row, in a window of
// either height: each is opened as a person opens it, dragged up until it moves no further,
// and its last row must then lie inside the window where a finger lands on it.
#include "AppShellFixture.h"

#include "app/home/QXMainViewController.h"
#include "houses/list/FilterMainViewControl.h"
#include "houses/list/QXPostList.h"
#include "houses/query/QuickFilterView.h"
#include "houses/query/SearchHistory.h"
#include "houses/shared/FilterSheetScreen.h"
#include "location/CustomSearchBar.h"
#include "location/HotCitySelect.h"
#include "location/tovikCitylog.h"
#include "needs/QXAgentIconView.h"
#include "needs/QXBrokersPopListView.h"
#include "needs/QXCustomMultiSelectView.h"
#include "needs/QXPublishHouseInfoViewController.h"
#include "ui/widgets/ModalSheetViewController.h"

#include "platform/uikit/action_sheet.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image_picker_controller.h"
#include "platform/uikit/keyboard.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/screen.h"
#include "platform/uikit/table_view.h"
#include "platform/uikit/table_view_cell.h"

#include <QDir>
#include <QImage>

#include <functional>

namespace {

enum class Shown {
    NeedDistricts,
    NeedStreets,
    RentPrices,
    SalePrices,
    FilterChoices,
    FilterDistricts,
    QuickFilterDistricts,
    QuickFilterStreets,
    PostListSearchHistory,
    CityChooser,
    CitySearch,
    RepliesPopUp,
    PhotoLibrary,
    ActionSheet,
};

const char* nameOf(Shown list) {
    switch (list) {
        case Shown::NeedDistricts:
            return "NeedDistricts";
        case Shown::NeedStreets:
            return "NeedStreets";
        case Shown::RentPrices:
            return "RentPrices";
        case Shown::SalePrices:
            return "SalePrices";
        case Shown::FilterChoices:
            return "FilterChoices";
        case Shown::FilterDistricts:
            return "FilterDistricts";
        case Shown::QuickFilterDistricts:
            return "QuickFilterDistricts";
        case Shown::QuickFilterStreets:
            return "QuickFilterStreets";
        case Shown::PostListSearchHistory:
            return "PostListSearchHistory";
        case Shown::CityChooser:
            return "CityChooser";
        case Shown::CitySearch:
            return "CitySearch";
        case Shown::RepliesPopUp:
            return "RepliesPopUp";
        case Shown::PhotoLibrary:
            return "PhotoLibrary";
        case Shown::ActionSheet:
            return "ActionSheet";
    }
    return "";
}

// A list on screen: what scrolls (none for rows that stay put), its last row and, where the
// sample data says, the text that row shows.
struct Rows {
    ui::TableView* table = nullptr;
    ui::ScrollView* list = nullptr;
    std::function<ui::View*()> last;
    QString lastText;
};

// Of the views that `matches` takes among `root` and the views inside it, the one reaching
// lowest.
ui::View* lowest(ui::View& root, const std::function<bool(ui::View&)>& matches) {
    ui::View* found = matches(root) ? &root : nullptr;
    for (const auto& subview : root.subviews()) {
        ui::View* inner = lowest(*subview, matches);
        if (inner && (!found || inner->convertRectToView(inner->bounds(), nullptr).maxY() >=
                                    found->convertRectToView(found->bounds(), nullptr).maxY()))
            found = inner;
    }
    return found;
}

Rows withLastText(Rows rows, const QString& text) {
    rows.lastText = text;
    return rows;
}

// The last row of a table, while the table holds a cell for it.
Rows tableRows(ui::TableView* table) {
    return {table, table, [table]() -> ui::View* {
                const int section = table->numberOfSections() - 1;
                if (section < 0 || table->numberOfRowsInSection(section) == 0) return nullptr;
                return table->cellForRowAtIndexPath(
                    ui::IndexPath(section, table->numberOfRowsInSection(section) - 1));
            }};
}

}  // namespace

class PresentedListsTest : public AppShellFixture,
                           public ::testing::WithParamInterface<std::tuple<Shown, double>> {
protected:
    void SetUp() override {
        AppShellFixture::SetUp();
        ui::Screen::mainScreen().setHeight(std::get<1>(GetParam()));
    }
    void TearDown() override {
        AppShellFixture::TearDown();
        ui::Screen::mainScreen().setHeight(ui::Screen::kHeight);
        ui::ImagePickerController::setLibraryPath(QString());
    }

    // Launched for the first time after the guide, with 上海 chosen in the city chooser, and
    // the city's districts downloaded.
    void launchInShanghai() {
        defaults().setObject(QStringLiteral("2.3.0"), QStringLiteral("lastVersion"));
        defaults().setBool(true, QStringLiteral("guideShown"));
        launch();
        // The chooser takes a choice once the app has its user id.
        ASSERT_TRUE(waitFor(
            [&] { return app().hasUserId() && driver().findByText(QStringLiteral("上海")); }));
        ASSERT_TRUE(driver().tapText(QStringLiteral("上海")));
        ASSERT_TRUE(waitFor([&] {
            return !app().tabBarController()->presentedViewController() &&
                   tovikCitylog::instance().getCityDistrictArray().value_or(QVariantList()).size() >
                       10;
        }));
    }
    bool waitFor(const std::function<bool()>& done) {
        const bool reached = runUntilAnswered(
            [&] {
                drainMainLoop();
                window().layoutIfNeeded();
                return done();
            },
            [&] { driver().wait(0.1); });
        driver().wait(1);
        return reached;
    }
    [[nodiscard]] ui::Window& window() { return *app().window(); }
    [[nodiscard]] ui::NavigationController& homeStack() {
        return static_cast<ui::NavigationController&>(
            *app().tabBarController()->viewControllers().at(0));
    }
    template <class Screen>
    std::shared_ptr<Screen> waitForTop() {
        std::shared_ptr<Screen> shown;
        EXPECT_TRUE(waitFor([&] {
            shown = std::dynamic_pointer_cast<Screen>(homeStack().topViewController());
            return shown != nullptr;
        }));
        return shown;
    }
    // The table of the list the sheet over the window's screens shows on top.
    [[nodiscard]] ui::TableView* sheetTable() {
        const auto presented = app().tabBarController()->presentedViewController();
        const auto sheet = std::dynamic_pointer_cast<ModalSheetViewController>(presented);
        auto* stack =
            sheet ? dynamic_cast<ui::NavigationController*>(sheet->rootViewController().get())
                  : nullptr;
        auto* list =
            stack ? dynamic_cast<FilterSheetScreen*>(stack->topViewController().get()) : nullptr;
        return list ? list->tableView() : nullptr;
    }

    // The city chooser, opened from the home screen's title.
    HotCitySelect* openCityChooser() {
        auto home =
            std::dynamic_pointer_cast<QXMainViewController>(homeStack().topViewController());
        if (!home) return nullptr;
        home->selectCity();
        HotCitySelect* chooser = nullptr;
        EXPECT_TRUE(waitFor([&] {
            auto* stack = dynamic_cast<ui::NavigationController*>(
                app().tabBarController()->presentedViewController().get());
            chooser =
                stack ? dynamic_cast<HotCitySelect*>(stack->topViewController().get()) : nullptr;
            return chooser != nullptr;
        }));
        return chooser;
    }
    // The need form of a kind, opened from the home screen's round button.
    std::shared_ptr<QXPublishHouseInfoViewController> openNeedForm(const QString& kind) {
        auto home =
            std::dynamic_pointer_cast<QXMainViewController>(homeStack().topViewController());
        if (!home) return nullptr;
        home->onClickPublish();
        driver().wait(1);
        EXPECT_TRUE(driver().tapText(kind));
        auto form = waitForTop<QXPublishHouseInfoViewController>();
        EXPECT_TRUE(form && waitFor([&] {
                        return form->selectedHouseDoor() &&
                               !form->selectedHouseDoor()->buttons().empty();
                    }));
        return form;
    }
    Rows openSheetOf(ui::Button* row) {
        EXPECT_TRUE(driver().tap(row));
        EXPECT_TRUE(waitFor([&] { return sheetTable() != nullptr; }));
        return tableRows(sheetTable());
    }
    std::shared_ptr<QXPostList> openRentList() {
        EXPECT_TRUE(driver().tapText(QStringLiteral("好房子")));
        auto list = waitForTop<QXPostList>();
        EXPECT_TRUE(list && waitFor([&] { return list->paging().nowListNum > 0; }));
        return list;
    }
    // The post list's drop-down of the quick filter's first button.
    QuickFilterTbl* openDistrictMenu() {
        const auto list = openRentList();
        if (!list) return nullptr;
        EXPECT_TRUE(driver().tap(list->quickFilterView()->button(0)));
        driver().wait(0.5);
        return list->quickFilterView()->dropDown(0);
    }
    // The filter screen's sheet of the row at `row`.
    Rows openFilterSheet(int row) {
        const auto list = openRentList();
        if (!list) return {};
        list->filterScreen();
        const auto screen = waitForTop<FilterMainViewControl>();
        if (!screen) return {};
        screen->didSelectRowAtIndexPath(*screen->tableView(), ui::IndexPath(0, row));
        EXPECT_TRUE(waitFor([&] { return sheetTable() != nullptr; }));
        return tableRows(sheetTable());
    }

    Rows open(Shown shown) {
        switch (shown) {
            case Shown::NeedDistricts:
                if (const auto form = openNeedForm(QStringLiteral("租房")))
                    return withLastText(openSheetOf(form->areaButton()), QStringLiteral("崇明区"));
                return {};
            case Shown::NeedStreets:
                if (const auto form = openNeedForm(QStringLiteral("合租"))) {
                    ui::TableView* districts = openSheetOf(form->areaButton()).table;
                    if (!districts) return {};
                    const QVariantList shown =
                        tovikCitylog::instance().getCityDistrictArray().value_or(QVariantList());
                    int row = 0;
                    while (row < shown.size() &&
                           shown[row].toMap().value("dn") != QStringLiteral("浦东新区"))
                        ++row;
                    districts->scrollToRowAtIndexPath(ui::IndexPath(0, row),
                                                      ui::TableViewScrollPosition::Top, false);
                    EXPECT_TRUE(driver().tapText(QStringLiteral("浦东新区")));
                    EXPECT_TRUE(waitFor([&] {
                        return sheetTable() && sheetTable()->numberOfRowsInSection(0) > 20;
                    }));
                    return withLastText(tableRows(sheetTable()), QStringLiteral("张江高科技园区"));
                }
                return {};
            case Shown::RentPrices:
                if (const auto form = openNeedForm(QStringLiteral("租房")))
                    return withLastText(openSheetOf(form->priceButton()),
                                        QStringLiteral("8000元以上"));
                return {};
            case Shown::SalePrices:
                if (const auto form = openNeedForm(QStringLiteral("买房")))
                    return withLastText(openSheetOf(form->priceButton()),
                                        QStringLiteral("500万以上"));
                return {};
            case Shown::FilterChoices:
                return openFilterSheet(1);
            case Shown::FilterDistricts:
                return openFilterSheet(0);
            case Shown::QuickFilterDistricts:
                if (auto* menu = openDistrictMenu()) return tableRows(menu->column(0));
                return {};
            case Shown::QuickFilterStreets:
                if (auto* menu = openDistrictMenu()) {
                    ui::TableView* districts = menu->column(0);
                    EXPECT_TRUE(driver().tap(districts->cellForRowAtIndexPath({0, 5})));
                    driver().wait(0.5);
                    return tableRows(menu->column(1));
                }
                return {};
            case Shown::PostListSearchHistory: {
                for (int k = 0; k < 20; ++k) SearchHistory::record(QStringLiteral("小区%1").arg(k));
                const auto list = openRentList();
                if (!list) return {};
                list->searchText();
                driver().wait(1);
                return tableRows(list->searchHistoryTable());
            }
            case Shown::CityChooser:
                if (HotCitySelect* chooser = openCityChooser())
                    return tableRows(chooser->tableView());
                return {};
            case Shown::CitySearch:
                if (HotCitySelect* chooser = openCityChooser()) {
                    CustomSearchBar* bar = chooser->searchBar();
                    EXPECT_TRUE(driver().tap(bar->searchFiled()));
                    EXPECT_TRUE(driver().type(QStringLiteral("s")));
                    driver().wait(1);
                    EXPECT_GT(bar->resultTable()->numberOfRowsInSection(0), 20);
                    return tableRows(bar->resultTable());
                }
                return {};
            case Shown::RepliesPopUp: {
                QVariantList talks;
                for (int k = 0; k < 30; ++k) {
                    talks << QVariantMap{
                        {"_id", k + 1},
                        {"o_user",
                         QStringLiteral(R"({"id":"%1","name":"经纪人%1"})").arg(800 + k)}};
                }
                const auto popUp = QXBrokersPopListView::showWithAgentArray(talks);
                driver().wait(1);
                if (!popUp) return {};
                ui::ScrollView* tiles = popUp->mainScrollView();
                return {nullptr, tiles, [tiles] {
                            return lowest(*tiles, [](ui::View& view) {
                                return dynamic_cast<QXAgentIconView*>(&view) != nullptr;
                            });
                        }};
            }
            case Shown::PhotoLibrary: {
                const QString folder = sandboxPath() + "/library";
                QDir().mkpath(folder);
                QImage photo(64, 48, QImage::Format_RGB32);
                photo.fill(QColor(30, 120, 200));
                for (int k = 0; k < 40; ++k)
                    EXPECT_TRUE(photo.save(
                        QStringLiteral("%1/%2.png").arg(folder).arg(k, 2, 10, QChar('0'))));
                ui::ImagePickerController::setLibraryPath(folder);
                auto picker = std::make_shared<ui::ImagePickerController>();
                app().tabBarController()->presentViewController(picker, true);
                driver().wait(1);
                auto* grid =
                    dynamic_cast<ui::ScrollView*>(picker->topViewController()->view().get());
                return {nullptr, grid, [&, grid]() -> ui::View* {
                            return driver().findByAccessibilityLabel(QStringLiteral("39.png"));
                        }};
            }
            case Shown::ActionSheet: {
                SearchHistory::record(QStringLiteral("陆家嘴"));
                SearchHistory::record(QStringLiteral("徐家汇"));
                auto home = std::dynamic_pointer_cast<QXMainViewController>(
                    homeStack().topViewController());
                home->onClickSearch();
                ui::TableView* history = nullptr;
                EXPECT_TRUE(waitFor([&] {
                    history = driver().find<ui::TableView>(
                        [](ui::TableView& table) { return table.numberOfRowsInSection(0) == 3; });
                    return history != nullptr;
                }));
                if (!history) return {};
                EXPECT_TRUE(driver().tap(tableRows(history).last()));
                driver().wait(1);
                auto* sheet = driver().find<ui::ActionSheet>();
                if (!sheet) return {};
                return {nullptr, nullptr, [sheet] {
                            return lowest(*sheet, [](ui::View& view) {
                                return dynamic_cast<ui::Button*>(&view) != nullptr;
                            });
                        }};
            }
        }
        return {};
    }

    // Drags the list up from low in its visible part to high in it, as a finger does, until
    // it moves no further.
    void scrollToEnd(ui::ScrollView& list) {
        window().layoutIfNeeded();
        for (int drag = 0; drag < 40; ++drag) {
            const double before = list.contentOffset().y;
            ui::Rect shown =
                list.convertRectToView(list.bounds(), nullptr).intersection(window().bounds());
            // A finger drags what the keyboard leaves to be seen.
            if (ui::Keyboard::shared().isVisible()) {
                const double keys = ui::Keyboard::shared().frame().minY();
                shown.size.height = std::min(shown.size.height, keys - shown.minY());
            }
            const double x = shown.midX();
            driver().drag({x, shown.maxY() - 8}, {x, shown.minY() + 8});
            driver().wait(3);
            if (list.contentOffset().y == before) return;
        }
        ADD_FAILURE() << "the list never stopped";
    }
};

TEST_P(PresentedListsTest, TheLastRowComesIntoTheWindowWhereAFingerReachesIt) {
    ASSERT_NO_FATAL_FAILURE(launchInShanghai());
    const Rows rows = open(std::get<0>(GetParam()));
    ASSERT_TRUE(rows.last) << "the list opened";
    if (rows.list) scrollToEnd(*rows.list);
    window().layoutIfNeeded();
    ui::View* last = rows.last();
    ASSERT_NE(last, nullptr) << "the last row is on screen";
    if (!rows.lastText.isEmpty()) {
        EXPECT_TRUE(lowest(*last, [&](ui::View& view) {
            return view.shownText() == rows.lastText;
        })) << rows.lastText.toStdString();
    }
    const ui::Rect frame = last->convertRectToView(last->bounds(), nullptr);
    const ui::Rect inside = window().bounds();
    EXPECT_GE(frame.minY(), inside.minY() - 0.5);
    EXPECT_LE(frame.maxY(), inside.maxY() + 0.5) << "the last row ends inside the window";
    EXPECT_TRUE(driver().tap(last)) << "and nothing covers it";
}

INSTANTIATE_TEST_SUITE_P(
    EachListInEachHeight, PresentedListsTest,
    ::testing::Combine(::testing::Values(Shown::NeedDistricts, Shown::NeedStreets,
                                         Shown::RentPrices, Shown::SalePrices, Shown::FilterChoices,
                                         Shown::FilterDistricts, Shown::QuickFilterDistricts,
                                         Shown::QuickFilterStreets, Shown::PostListSearchHistory,
                                         Shown::CityChooser, Shown::CitySearch, Shown::RepliesPopUp,
                                         Shown::PhotoLibrary, Shown::ActionSheet),
                       ::testing::Values(ui::Screen::kHeight, ui::Screen::kTallHeight)),
    [](const ::testing::TestParamInfo<std::tuple<Shown, double>>& info) {
        return std::string(nameOf(std::get<0>(info.param))) + "In" +
               std::to_string(int(std::get<1>(info.param)));
    });
