#include "location/CitySearchEngine.h"
#include "location/CustomSearchBar.h"
#include "location/HotCitySelect.h"
#include "location/LocationManager.h"
#include "location/SelectedCityState.h"

#include "platform/foundation/sandbox.h"
#include "platform/location/driven_position_source.h"
#include "platform/uikit/alert_test_driver.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/keyboard.h"
#include "platform/uikit/menu_controller.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/navigation_item.h"
#include "platform/uikit/pasteboard.h"
#include "platform/uikit/string_drawing.h"
#include "platform/uikit/test_driver.h"
#include "platform/uikit/text_field.h"
#include "platform/uikit/window.h"

#include "CityFixture.h"
#include "RecordedEvents.h"

#include <QDir>
#include <QImage>

#include <cmath>
#include "ReferenceImage.h"
#include "ui/widgets/LoadingOverlay.h"

namespace paths = standin::paths;

namespace {

struct ChooserHost : SelectedCityHost {
    [[nodiscard]] bool hasUserId() const override { return userId; }
    [[nodiscard]] bool connectionReachabil() const override { return reachable; }
    [[nodiscard]] int selectedTabIndex() const override { return 0; }
    [[nodiscard]] int screensOnSelectedTab() const override { return 1; }
    bool userId = true;
    bool reachable = true;
};

}  // namespace

class HotCitySelectTest : public CityFixture {
protected:
    void SetUp() override {
        CityFixture::SetUp();
        loc::PositionSource::install(source_);
        state_->loadCitiesData();
        state_->observe();
        window_->makeKeyAndVisible();
        window_->setRootViewController(root_);
    }
    void TearDown() override {
        if (!appBundle_.isEmpty()) {
            ns::Bundle::setResourcePath(appBundle_);
            ui::Image::clearNamedCache();
        }
        LocationManager::locationManager()->stopUpdates();
        loc::PositionSource::install(nullptr);
        CityFixture::TearDown();
    }

    // Presents the chooser as the home screen does (or at first run) and lets it settle.
    void present(bool firstPage = false) {
        screen_ = std::make_shared<HotCitySelect>(state_);
        screen_->setBFirstPage(firstPage);
        auto navigation = std::make_shared<ui::NavigationController>();
        navigation->setViewControllers({screen_}, false);
        root_->presentViewController(navigation, false);
        driver_.wait(1);
        window_->layoutIfNeeded();
    }
    // Pictures come from a bundle of the test's own, empty until the test draws into it
    // (the city tree was already copied from the app's bundle).
    void usePictureBundle() {
        appBundle_ = ns::Bundle::resourcePath();
        pictures_ = sandboxPath() + "/pictures";
        QDir().mkpath(pictures_);
        ns::Bundle::setResourcePath(pictures_);
        ui::Image::clearNamedCache();
    }
    // A plain picture of `size` points at scale 2, as the bundle holds them.
    void drawPicture(const QString& name, ui::Size size) {
        QImage pixels(int(size.width * 2), int(size.height * 2), QImage::Format_ARGB32);
        pixels.fill(Qt::darkCyan);
        ASSERT_TRUE(pixels.save(pictures_ + '/' + name + "@2x.png"));
        ui::Image::clearNamedCache();
    }
    [[nodiscard]] bool isShown() const { return root_->presentedViewController() != nullptr; }
    bool tapRow(int section, int row) {
        ui::TableView* table = screen_->tableView();
        window_->layoutIfNeeded();
        table->scrollToRowAtIndexPath({section, row}, ui::TableViewScrollPosition::Middle, false);
        table->layoutIfNeeded();
        for (ui::TableViewCell* cell : table->visibleCells()) {
            const auto path = table->indexPathForCell(cell);
            if (path && path->section == section && path->row == row) return driver_.tap(cell);
        }
        return false;
    }

    std::shared_ptr<loc::DrivenPositionSource> source_ =
        std::make_shared<loc::DrivenPositionSource>("");
    std::shared_ptr<ChooserHost> host_ = std::make_shared<ChooserHost>();
    std::shared_ptr<SelectedCityState> state_ = std::make_shared<SelectedCityState>(host_);
    std::shared_ptr<ui::Window> window_ = std::make_shared<ui::Window>();
    std::shared_ptr<ui::ViewController> root_ = std::make_shared<ui::ViewController>();
    ui::TestDriver driver_{window_};
    ui::AlertTestDriver alerts_{driver_};
    std::shared_ptr<HotCitySelect> screen_;
    QString appBundle_;
    QString pictures_;
};

TEST_F(HotCitySelectTest, ListsTheLocatedHotAndLetterSections) {
    usePictureBundle();
    present(true);
    EXPECT_TRUE(state_->inCitySelect());
    const QStringList& titles = screen_->sectionTitles();
    ASSERT_GT(titles.size(), 2);
    EXPECT_EQ(titles.mid(0, 2), (QStringList{"当前", "热门"}));
    for (const QString& letter : titles.mid(2)) {
        EXPECT_TRUE(HotCitySelect::latterArr().contains(letter)) << letter.toStdString();
        EXPECT_FALSE(QStringList({"I", "O", "U", "V"}).contains(letter));
    }
    QStringList sorted = titles.mid(2);
    sorted.sort();
    EXPECT_EQ(titles.mid(2), sorted);
    // Every city is in the section of its pinyin's initial, each once.
    int listed = 0;
    ui::TableView& table = *screen_->tableView();
    for (int section = 2; section < screen_->numberOfSectionsInTableView(table); ++section) {
        listed += screen_->numberOfRowsInSection(table, section);
    }
    EXPECT_EQ(listed, int(screen_->allCityArr().size()));
    EXPECT_TRUE(driver_.findByText("定位失败")) << "no location yet";
    EXPECT_TRUE(driver_.findByText("热门城市"));
    EXPECT_EQ(screen_->navigationItem().leftBarButtonItem(), nullptr) << "no way back at first run";
    EXPECT_TRUE(matchesReferenceImage(driver_.screenshot()->pixels(), "src/location/reference",
                                      "hot_city_select.png"));
}

TEST_F(HotCitySelectTest, ChoosingAHotCitySwitchesAndCloses) {
    present();
    ASSERT_TRUE(screen_->navigationItem().leftBarButtonItem());
    ASSERT_TRUE(tapRow(1, 1));  // 北京
    EXPECT_TRUE(driver_.findByTag(LoadingOverlay::kTag));
    ASSERT_TRUE(waitUntil([&] { return state_->currentCityScript_index() == 100; }));
    driver_.wait(1);
    EXPECT_FALSE(isShown());
    EXPECT_EQ(SelectedCityState::storedCityId(), 101);
    EXPECT_FALSE(state_->inCitySelect());
    EXPECT_EQ(screen_->selectCityName(), "北京");
    const auto sent = server().requests(paths::kDataShare);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_FALSE(sent[0].header("SeqId").isEmpty()) << "a user's choice carries a sequence id";

    // The city already stored closes the screen without a request.
    present();
    ASSERT_TRUE(tapRow(1, 1));
    driver_.wait(1);
    EXPECT_FALSE(isShown());
    EXPECT_EQ(server().requests(paths::kDataShare).size(), 1u);
    EXPECT_EQ(recordedEvents().count("choose city_city"), 2) << "each accepted choice";
}

TEST_F(HotCitySelectTest, AFailedSwitchLeavesTheScreenOpen) {
    present();
    server().setFault({.prefix = paths::kDataShare, .status = 500});
    ASSERT_TRUE(tapRow(2, 0));
    ASSERT_TRUE(waitUntil([&] { return !state_->updatingCityIndex(); }));
    driver_.wait(1);
    EXPECT_TRUE(isShown());
    EXPECT_FALSE(driver_.findByTag(LoadingOverlay::kTag));
    EXPECT_EQ(state_->currentCityScript_index(), -1);
    EXPECT_EQ(SelectedCityState::storedCityId(), 0);
    ASSERT_TRUE(alerts_.visibleAlert()) << "the update tells the user while the chooser is up";
    EXPECT_EQ(alerts_.visibleAlert()->message(), "城市信息获取失败，请重试");

    // "重试" asks again, and this time it goes through and closes the screen.
    server().setFaults({});
    ASSERT_TRUE(alerts_.pressButton("重试"));
    ASSERT_TRUE(waitUntil([&] { return state_->currentCityScript_index() >= 0; }));
    EXPECT_EQ(server().requests(paths::kDataShare).size(), 2u);
    EXPECT_EQ(SelectedCityState::storedCityId(), state_->currentCityScript_index() + 1);
    driver_.wait(1);
    EXPECT_FALSE(isShown());
}

TEST_F(HotCitySelectTest, AFailedUpdateSaysWhyWhileTheChooserIsUp) {
    present();
    server().setFault({.prefix = paths::kDataShare, .status = 500});
    ASSERT_TRUE(tapRow(2, 0));
    ASSERT_TRUE(waitUntil([&] { return alerts_.visibleAlert() != nullptr; }));
    EXPECT_EQ(alerts_.visibleAlert()->tag(), CityUpdateData::kRetryAlertTag);
    ASSERT_TRUE(alerts_.pressButton("重试"));
    ASSERT_TRUE(waitUntil([&] { return alerts_.visibleAlert() != nullptr; }));
    EXPECT_EQ(alerts_.visibleAlert()->message(), "城市信息获取失败") << "a retry failed too";
    EXPECT_EQ(alerts_.visibleAlert()->tag(), 0);
    ASSERT_TRUE(alerts_.pressButton("确  定"));

    // The network went away while the update was under way.
    server().setFault({.prefix = paths::kDataShare, .hold = true, .status = 500});
    const std::size_t asked = server().requests(paths::kDataShare).size();
    ASSERT_TRUE(tapRow(2, 0));
    host_->reachable = false;
    ASSERT_TRUE(waitForRequests(paths::kDataShare, asked + 1));
    server().releaseHeld();
    ASSERT_TRUE(waitUntil([&] { return alerts_.visibleAlert() != nullptr; }));
    EXPECT_EQ(alerts_.visibleAlert()->title(), "无法与服务器通讯");
    EXPECT_EQ(alerts_.visibleAlert()->message(), "无法与服务器通讯。请连接到移动数据网络或者wifi");
    ASSERT_TRUE(alerts_.pressButton("确  定"));
    EXPECT_TRUE(isShown());
    EXPECT_EQ(state_->currentCityScript_index(), -1);
}

TEST_F(HotCitySelectTest, NoNetworkOrNoUserIdIsRefusedBeforeAnySwitch) {
    host_->reachable = false;
    present();
    ASSERT_TRUE(alerts_.visibleAlert());
    EXPECT_EQ(alerts_.visibleAlert()->title(), "网络不可用");
    EXPECT_EQ(alerts_.visibleAlert()->message(), "请连接到移动数据网络或wifi网络");
    ASSERT_TRUE(alerts_.pressButton("确  定"));
    ASSERT_TRUE(tapRow(1, 0));
    ASSERT_TRUE(alerts_.visibleAlert());
    EXPECT_EQ(alerts_.visibleAlert()->title(), "网络不可用");
    ASSERT_TRUE(alerts_.pressButton("确  定"));

    host_->reachable = true;
    host_->userId = false;
    ASSERT_TRUE(tapRow(1, 0));
    ASSERT_TRUE(alerts_.visibleAlert());
    EXPECT_EQ(alerts_.visibleAlert()->tag(), HotCitySelect::kNoUserIdAlertTag);
    EXPECT_EQ(alerts_.visibleAlert()->message(), "网络链接失败,请确认网络链接");
    ASSERT_TRUE(alerts_.pressButton("确定"));
    settle();
    EXPECT_TRUE(server().requests(paths::kDataShare).empty());
    EXPECT_TRUE(isShown());
    EXPECT_FALSE(recordedEvents().contains("choose city_city")) << "refused choices count not";
}

TEST_F(HotCitySelectTest, TheLocatedRowLocatesFirstThenSwitches) {
    present();
    ASSERT_TRUE(tapRow(0, 0));
    EXPECT_TRUE(driver_.findByText("正在定位中"));
    EXPECT_EQ(state_->userLocation()->state(), UserLocationLocating);
    EXPECT_EQ(source_->starts(), 1);
    ASSERT_TRUE(source_->deliver({22.533, 113.93}, 20));
    ASSERT_TRUE(waitUntil([&] { return driver_.findByText("深圳市") != nullptr; }));
    ASSERT_TRUE(tapRow(0, 0));
    driver_.wait(1);
    EXPECT_FALSE(isShown()) << "closes at once; the switch completes without it";
    ASSERT_TRUE(waitUntil([&] { return state_->currentCityScript_index() == 401; }));
}

TEST_F(HotCitySelectTest, AtFirstRunTheLocatedCityKeepsTheScreenUntilItsSwitchGoesThrough) {
    present(true);
    ASSERT_TRUE(tapRow(0, 0));
    ASSERT_TRUE(source_->deliver({22.533, 113.93}, 20));
    ASSERT_TRUE(waitUntil([&] { return driver_.findByText("深圳市") != nullptr; }));

    // A hot city with a shipped list fails like any other: the user is told and may retry.
    server().setFault({.prefix = paths::kDataShare, .status = 500});
    ASSERT_TRUE(tapRow(0, 0));
    ASSERT_TRUE(waitUntil([&] { return alerts_.visibleAlert() != nullptr; }));
    EXPECT_EQ(alerts_.visibleAlert()->message(), "城市信息获取失败，请重试");
    EXPECT_TRUE(isShown()) << "no city to go back to";
    EXPECT_EQ(SelectedCityState::storedCityId(), 0);
    EXPECT_FALSE(driver_.findByTag(LoadingOverlay::kTag));

    server().setFaults({});
    ASSERT_TRUE(alerts_.pressButton("重试"));
    ASSERT_TRUE(waitUntil([&] { return state_->currentCityScript_index() == 401; }));
    EXPECT_EQ(SelectedCityState::storedCityId(), 402);
    driver_.wait(1);
    EXPECT_FALSE(isShown());
}

TEST_F(HotCitySelectTest, SearchListsEveryMatchingCityAndSwitchesToTheChosenOne) {
    usePictureBundle();
    present();
    CustomSearchBar& bar = *screen_->searchBar();
    ui::NavigationController& navigation = *screen_->navigationController();
    ASSERT_TRUE(driver_.tap(bar.searchFiled()));
    driver_.wait(1);
    EXPECT_TRUE(navigation.isNavigationBarHidden());
    EXPECT_FALSE(bar.cancelButton()->isHidden());
    EXPECT_EQ(bar.searchFiled()->frame().size.width, CustomSearchBar::kNarrowField);
    EXPECT_EQ(bar.resultTable()->frame().size.height, 480 - 20 - 50 - ui::Keyboard::kHeight)
        << "down to the keyboard";
    ASSERT_EQ(bar.statusBarBackground()->superview(), bar.superview());
    EXPECT_EQ(bar.statusBarBackground()->frame(), ui::Rect(0, 0, 320, 20))
        << "the status bar's strip above the bar, which moved down under it";
    EXPECT_EQ(bar.frame().origin.y, 20);

    ASSERT_TRUE(driver_.type("s"));
    std::vector<std::shared_ptr<City>> expected;
    cityData().getResultWithString("s", expected);
    const auto& found = screen_->searchEngine()->result();
    ASSERT_EQ(found.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(found[i]->scriptIndex(), expected[i]->scriptIndex());
    }
    EXPECT_TRUE(matchesReferenceImage(driver_.screenshot()->pixels(), "src/location/reference",
                                      "hot_city_search.png"));

    // The return key clears the field; "取消" also puts everything back.
    ASSERT_TRUE(driver_.pressReturn());
    EXPECT_TRUE(bar.searchFiled()->text().isEmpty());
    EXPECT_TRUE(screen_->searchEngine()->result().empty());
    ASSERT_TRUE(driver_.type("bei"));
    ASSERT_TRUE(driver_.tap(bar.cancelButton()));
    driver_.wait(1);
    EXPECT_TRUE(bar.searchFiled()->text().isEmpty());
    EXPECT_TRUE(screen_->searchEngine()->result().empty());
    EXPECT_FALSE(navigation.isNavigationBarHidden());
    EXPECT_TRUE(bar.cancelButton()->isHidden());
    EXPECT_FALSE(bar.statusBarBackground()->superview());
    EXPECT_EQ(bar.searchFiled()->frame().size.width, CustomSearchBar::kWideField);

    ASSERT_TRUE(driver_.tap(bar.searchFiled()));
    ASSERT_TRUE(driver_.type("hangz"));
    driver_.wait(1);
    ASSERT_EQ(screen_->searchEngine()->result().size(), 1u);
    ASSERT_TRUE(driver_.tapText("杭州市"));
    ASSERT_TRUE(waitUntil([&] { return state_->currentCityScript_index() == 600; }));
    driver_.wait(1);
    EXPECT_FALSE(isShown());
    EXPECT_EQ(screen_->searchEngine()->selectCityName(), "杭州市");
}

// A long press in the city search puts the caret under the finger and the edit menu below it
// (no room above, under the status bar), as in a text view.
TEST_F(HotCitySelectTest, ALongPressInTheSearchPutsTheCaretUnderTheFingerAndTheMenuBelowIt) {
    present();
    ui::TextField& field = *screen_->searchBar()->searchFiled();
    ASSERT_TRUE(driver_.tap(&field));
    driver_.wait(1);
    ASSERT_TRUE(driver_.type("hangzhou"));
    driver_.wait(1);
    const ui::Rect text = field.editingRectForBounds(field.bounds());
    const double lineHeight = field.font().lineHeight();
    const double lineTop = text.minY() + std::round((text.size.height - lineHeight) / 2);
    const double caretX = text.minX() + ui::StringDrawing::sizeWithFont("hang", field.font()).width;
    const ui::Rect caret =
        field.convertRectToView(ui::Rect(caretX, lineTop, 2, lineHeight), nullptr);
    ui::Pasteboard::generalPasteboard().setStrings({});
    driver_.longPressAt({caret.minX() + 1, caret.midY()});
    EXPECT_EQ(field.selectedRange(), (ui::Range{4, 0}));
    auto& menu = ui::MenuController::sharedMenuController();
    ASSERT_TRUE(menu.isMenuVisible());
    EXPECT_EQ(menu.visibleTitles(), (QStringList{"选择", "全选"}));
    EXPECT_NEAR(menu.menuFrame().midX(), caret.midX(), 0.5) << "at the caret";
    EXPECT_NEAR(menu.menuFrame().minY(), caret.maxY() + 8, 0.5) << "below it";
    menu.setMenuVisible(false);
}

TEST_F(HotCitySelectTest, EachNewSearchShowsItsResultsFromTheFirst) {
    usePictureBundle();
    present();
    CustomSearchBar& bar = *screen_->searchBar();
    ui::TableView& results = *bar.resultTable();
    const auto scrollDown = [&] {
        for (int drag = 0; drag < 3; ++drag) {
            driver_.drag({160, 250}, {160, 80}, 0.2);
            driver_.wait(2);
        }
    };
    ASSERT_TRUE(driver_.tap(bar.searchFiled()));
    driver_.wait(1);
    ASSERT_TRUE(driver_.type("s"));
    ASSERT_GT(screen_->searchEngine()->result().size(), 20u) << "a long list";
    scrollDown();
    ASSERT_GT(results.contentOffset().y, 300) << "scrolled well down";

    // A narrower search shows its own first rows.
    ASSERT_TRUE(driver_.type("h"));
    driver_.wait(1);
    EXPECT_EQ(results.contentOffset().y, 0);
    std::vector<std::shared_ptr<City>> expected;
    cityData().getResultWithString("sh", expected);
    ASSERT_FALSE(expected.empty());
    EXPECT_TRUE(driver_.findByText(expected.front()->name())) << "the first match shows";
    EXPECT_TRUE(matchesReferenceImage(driver_.screenshot()->pixels(), "src/location/reference",
                                      "hot_city_search_after_scroll.png"));

    // Scrolled again, cleared by the return key, then a name with one city.
    ASSERT_TRUE(driver_.pressReturn());
    ASSERT_TRUE(driver_.type("s"));
    scrollDown();
    ASSERT_GT(results.contentOffset().y, 300);
    ASSERT_TRUE(driver_.pressReturn());
    ASSERT_TRUE(driver_.compose({"bei", "北", "北jing"}, "北京"));
    driver_.wait(1);
    ASSERT_EQ(screen_->searchEngine()->result().size(), 1u);
    EXPECT_EQ(results.contentOffset().y, 0);
    EXPECT_EQ(results.visibleCells().size(), 1u);
    EXPECT_TRUE(driver_.tapText(screen_->searchEngine()->result().front()->name()))
        << "the one result shows where it can be tapped";
    ASSERT_TRUE(waitUntil([&] { return state_->currentCityScript_index() == 100; }));
}

TEST_F(HotCitySelectTest, TheIndexShowsItsLetterForTwoSecondsThenFades) {
    present();
    ui::TableView& table = *screen_->tableView();
    const int section = int(screen_->sectionTitles().indexOf("B"));
    ASSERT_GT(section, 1);
    EXPECT_EQ(screen_->sectionForSectionIndexTitle(table, "B", section), section);
    ui::View* letter = driver_.findByText("B");
    ASSERT_TRUE(letter);
    clock().advance(2s - 1ms);
    EXPECT_TRUE(driver_.findByText("B"));
    clock().advance(1s + 1ms);
    driver_.wait(0.1);
    EXPECT_FALSE(driver_.findByText("B"));
    // Another touch before the end shows the new title for two seconds more.
    screen_->sectionForSectionIndexTitle(table, "热门", 1);
    clock().advance(1500ms);
    screen_->sectionForSectionIndexTitle(table, "S", int(screen_->sectionTitles().indexOf("S")));
    clock().advance(1500ms);
    EXPECT_TRUE(driver_.findByText("S"));
}

TEST_F(HotCitySelectTest, PicturesDressTheChooserWhereTheBundleHasThem) {
    usePictureBundle();
    present();
    ui::TableView& table = *screen_->tableView();
    CustomSearchBar& bar = *screen_->searchBar();
    // Without pictures, the plain look.
    auto row = screen_->cellForRowAtIndexPath(table, {1, 0});
    EXPECT_FALSE(row->backgroundView());
    EXPECT_FALSE(bar.searchFiled()->background());
    EXPECT_FALSE(bar.cancelButton()->backgroundImageForState(ui::kControlStateNormal));
    EXPECT_EQ(bar.searchFiled()->leftView()->frame().size.width, 10);
    EXPECT_FALSE(dynamic_cast<ui::ImageView*>(bar.subviews().front().get()));
    EXPECT_EQ(screen_->viewForHeaderInSection(table, 1)->subviews().size(), 1u);
    screen_->goBack();
    driver_.wait(1);

    drawPicture("选城城市bg", {320, 50});
    drawPicture("选城城市bg点击", {320, 50});
    drawPicture("切换城市-分割线", {320, 1});
    drawPicture("顶部BG", {320, 50});
    drawPicture("分类-搜索框", {300, 34});
    drawPicture("icon搜索", {16, 16});
    drawPicture("button-高27", {43, 27});
    drawPicture("button-高27-点击态", {43, 27});
    present();
    ui::TableView& dressed = *screen_->tableView();
    CustomSearchBar& dressedBar = *screen_->searchBar();
    for (const ui::IndexPath& path : {ui::IndexPath{0, 0}, ui::IndexPath{1, 0}, {2, 0}}) {
        row = screen_->cellForRowAtIndexPath(dressed, path);
        EXPECT_TRUE(dynamic_cast<ui::ImageView*>(row->backgroundView().get())) << path.section;
        EXPECT_TRUE(dynamic_cast<ui::ImageView*>(row->selectedBackgroundView().get()));
    }
    const auto header = screen_->viewForHeaderInSection(dressed, 2);
    ASSERT_EQ(header->subviews().size(), 2u);
    EXPECT_EQ(header->subviews().back()->frame(), ui::Rect(0, 21, 320, 1))
        << "the divider closes the header";
    EXPECT_TRUE(dynamic_cast<ui::ImageView*>(dressedBar.subviews().front().get()));
    EXPECT_EQ(dressedBar.subviews().front()->frame(), ui::Rect(0, 0, 320, 50));
    EXPECT_TRUE(dynamic_cast<ui::ImageView*>(dressedBar.statusBarBackground()));
    ASSERT_TRUE(dressedBar.searchFiled()->background());
    EXPECT_TRUE(dressedBar.searchFiled()->background()->isResizable())
        << "the field's picture keeps its ends as the field narrows";
    EXPECT_EQ(dressedBar.searchFiled()->leftView()->frame().size.width, 36);
    EXPECT_TRUE(dressedBar.cancelButton()->backgroundImageForState(ui::kControlStateNormal));
    EXPECT_TRUE(dressedBar.cancelButton()->backgroundImageForState(ui::kControlStateHighlighted));
}
