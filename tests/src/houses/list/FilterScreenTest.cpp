// The filter screen on a model of its own: the conditions it hands back, the definitions it
// loads when the model has none, and its district chooser in the sheet.
#include "PostListScreenFixture.h"

#include "platform/foundation/property_list.h"
#include "ui/widgets/CheckBox.h"

#include <QJsonDocument>

namespace paths = standin::paths;

namespace {

QVariantMap filterItem(const QString& field, const QVariant& value,
                       const QString& kind = QStringLiteral("normal"),
                       const QVariantList& choices = {}) {
    return {{"f", field}, {"n", field}, {"t", kind}, {"v", value}, {"vs", choices}};
}

// What the screen handed back on confirmation, and how often.
struct Handed {
    int calls = 0;
    QMap<QString, QString> conditions;
    QString keyword;
    bool fromZhaoPTag = false;
};

}  // namespace

class FilterScreenTest : public PostListScreenFixture {
protected:
    void SetUp() override {
        PostListScreenFixture::SetUp();
        host_->resetCurrentStreet();
        navigation_->setViewControllers({below_}, false);
        settle();
    }

    std::shared_ptr<FilterMainViewControl> push(
        const std::shared_ptr<tovikFilters2>& model,
        const std::function<void(FilterMainViewControl&)>& prepare = {}) {
        return push(std::make_shared<FilterMainViewControl>(model), prepare);
    }
    std::shared_ptr<FilterMainViewControl> push(
        std::shared_ptr<FilterMainViewControl> screen,
        const std::function<void(FilterMainViewControl&)>& prepare = {}) {
        screen->setFilterBlock([this](const QMap<QString, QString>& conditions,
                                      const QString& keyword, bool fromZhaoPTag) {
            ++handed_.calls;
            handed_.conditions = conditions;
            handed_.keyword = keyword;
            handed_.fromZhaoPTag = fromZhaoPTag;
        });
        if (prepare) prepare(*screen);
        navigation_->pushViewController(screen, false);
        settle();
        return screen;
    }
    // The label and the value a row shows.
    static std::pair<QString, QString> shownRow(FilterMainViewControl& screen, int row) {
        ui::TableView& table = *screen.tableView();
        table.scrollToRowAtIndexPath({0, row}, ui::TableViewScrollPosition::Middle, false);
        table.layoutIfNeeded();
        std::pair<QString, QString> shown;
        ui::TableViewCell* cell = table.cellForRowAtIndexPath({0, row});
        if (!cell) return shown;
        for (const auto& view : cell->contentView()->subviews()) {
            auto* label = dynamic_cast<ui::Label*>(view.get());
            if (!label) continue;
            (label->frame().origin.x < 50 ? shown.first : shown.second) = label->text();
        }
        return shown;
    }
    // The choice list shown in the sheet, once the sheet is up.
    FilterSelectList* choiceList() {
        auto* table = driver_->find<ui::TableView>([](ui::TableView& each) {
            return dynamic_cast<FilterSelectList*>(each.dataSource().get()) != nullptr;
        });
        const auto sheet = navigation_->presentedViewController();
        if (!table || !sheet || sheet->isBeingPresented()) return nullptr;
        return dynamic_cast<FilterSelectList*>(table->dataSource().get());
    }
    // Opens the choice list of `row`, picks choice `choice` and waits for the sheet to go.
    void choose(FilterMainViewControl& screen, int row, int choice, int expectedChoices) {
        screen.didSelectRowAtIndexPath(*screen.tableView(), {0, row});
        ASSERT_TRUE(settleUntil([&] { return choiceList() != nullptr; })) << row;
        FilterSelectList* list = choiceList();
        ASSERT_EQ(list->tableView()->numberOfRowsInSection(0), expectedChoices) << row;
        list->didSelectRowAtIndexPath(*list->tableView(), {0, choice});
        ASSERT_TRUE(settleUntil([&] { return !navigation_->presentedViewController(); }));
        screen.tableView()->reloadData();
    }
    // The screen on a model of a district row and one choice row.
    std::shared_ptr<FilterMainViewControl> pushWithDistrictRow() {
        model_->adopt({filterItem("district_id", "-1"), filterItem("fitment", "-1")});
        return push(model_);
    }
    // Lets the clock run, half a second at a time, until the sheet's and the stack's
    // animations have brought `done` about (at most ten seconds of them).
    bool settleUntil(const std::function<bool()>& done) {
        for (int step = 0; step < 20; ++step) {
            if (done()) return true;
            settle();
        }
        return done();
    }
    // The value of a condition, read back through the JSON layer.
    static QString valueOf(const QString& condition) {
        return QJsonDocument::fromJson(condition.toUtf8()).object()["value"].toString();
    }
    // The district that offers a street list, and its row.
    std::pair<std::shared_ptr<District>, int> districtWithStreets() {
        const auto& districts = host_->currentCity()->Districts;
        for (int row = 1; row < int(districts.size()); ++row) {
            if (districts[std::size_t(row)]->Streets.size() > 2)
                return {districts[std::size_t(row)], row};
        }
        return {nullptr, -1};
    }

    std::shared_ptr<ui::ViewController> below_ = std::make_shared<ui::ViewController>();
    std::shared_ptr<tovikFilters2> model_ = std::make_shared<tovikFilters2>();
    Handed handed_;
};

TEST_F(FilterScreenTest, ConfirmingHandsBackEachChosenValueIntact) {
    const QString odd = QStringLiteral(R"(a"b&c+d%e\f)");
    auto model = std::make_shared<tovikFilters2>();
    model->adopt({filterItem("district_id", "-1"), filterItem("latlng", "3000"),
                  filterItem("price", odd, "range"),
                  filterItem("baseTag", 3, "normal", {QVariantMap{{"n", "三"}, {"v", "3"}}}),
                  filterItem("fitment", "-1"), filterItem("rooms", 2.5),
                  filterItem("floor", qint64(12)), filterItem("image_count", "-1"),
                  filterItem("xiaoqu", "望京", "text")});
    auto screen = push(model);
    screen->typeChanged(true);
    const auto [district, row] = districtWithStreets();
    ASSERT_TRUE(district);
    screen->setCurrentStreet(district->Streets[2]);
    ASSERT_TRUE(driver_->tap(screen->finishBtn()));
    settle();

    EXPECT_EQ(handed_.calls, 1);
    EXPECT_EQ(navigation_->topViewController(), below_) << "the screen went";
    const auto& conditions = handed_.conditions;
    EXPECT_EQ(conditions.keys(), (QStringList{"base_tag", "district_id", "floor", "image_count",
                                              "latlng", "price", "rooms", "street_id"}))
        << "no any-value, no text";
    EXPECT_EQ(HousesHost::shared()->currentStreet(), district->Streets[2])
        << "the chosen street becomes the app's";
    EXPECT_TRUE(conditions["price"].startsWith(R"({"name":"price","operator":"=","value":)"))
        << conditions["price"].toStdString();
    EXPECT_EQ(valueOf(conditions["price"]), odd) << "quotes, &, + and % reach the list intact";
    EXPECT_EQ(valueOf(conditions["base_tag"]), "3");
    EXPECT_EQ(valueOf(conditions["rooms"]), "2.5") << "a number keeps its fraction";
    EXPECT_EQ(valueOf(conditions["floor"]), "12");
    EXPECT_EQ(valueOf(conditions["image_count"]), "1");
    EXPECT_EQ(valueOf(conditions["latlng"]), "0.00000,0.00000,3000") << "no known position";
    EXPECT_EQ(model->getFilterWithKey("xiaoqu")->value("v"), "望京") << "kept for the next visit";

    // With a position: latitude first, then longitude, then the radius.
    host_->location =
        std::make_shared<UserLocation>([](const QString&) { return std::optional<int>(); });
    host_->location->setBestEffortAtLocation(loc::Location{{39.91234, 116.40567}, 10, {}});
    auto again = push(model);
    ASSERT_TRUE(driver_->tap(again->finishBtn()));
    settle();
    EXPECT_EQ(valueOf(handed_.conditions["latlng"]), "39.91234,116.40567,3000");
}

// The keyword field stands beside the label column and says what to type; typing scrolls the
// rows up above the keyboard, and closing the keyboard brings every row back within reach.
TEST_F(FilterScreenTest, AfterTypingInTheKeywordFieldEveryRowComesBack) {
    model_->adopt({filterItem("district_id", "-1"), filterItem("price", "-1", "range"),
                   filterItem("huxing_shi", "-1"), filterItem("area", "-1"),
                   filterItem("fitment", "-1"), filterItem("xiaoqu", "-1", "text"),
                   filterItem("image_count", "-1")});
    model_->getFilterWithKey("xiaoqu")->insert("n", QStringLiteral("小区"));
    auto screen = push(model_);
    auto* field = driver_->find<ui::TextField>();
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->placeholder(), QStringLiteral("请输入小区"));
    EXPECT_GE(field->frame().origin.x, 90) << "clear of the label column";
    EXPECT_LE(field->frame().origin.x + field->frame().size.width,
              screen->tableView()->bounds().size.width);

    ASSERT_TRUE(driver_->tap(field));
    settle();
    ASSERT_TRUE(field->isFirstResponder());
    EXPECT_GT(screen->tableView()->contentOffset().y, 0) << "the field rose above the keyboard";
    ASSERT_TRUE(driver_->type(QStringLiteral("望京")));
    ASSERT_TRUE(driver_->pressReturn());
    settle();
    EXPECT_FALSE(field->isFirstResponder());
    ui::TableView* table = screen->tableView();
    EXPECT_EQ(table->contentOffset().y, 0);
    const ui::Rect first = table->rectForRowAtIndexPath({0, 0});
    EXPECT_GE(first.origin.y - table->contentOffset().y, 0) << "区域 is in sight again";
    EXPECT_EQ(model_->getFilterWithKey("xiaoqu")->value("v"), "望京");
}

TEST_F(FilterScreenTest, TheDistrictConditionsFollowTheShownStreet) {
    const auto [district, row] = districtWithStreets();
    ASSERT_TRUE(district);
    auto screen = pushWithDistrictRow();
    const FilterItem item = model_->getFilterWithKey("district_id");

    screen->setCurrentStreet(district->Streets[2]);
    screen->getFilterDicByFilterData();
    EXPECT_EQ(valueOf(screen->filterDic()["district_id"]), QString::number(district->index()));
    EXPECT_EQ(valueOf(screen->filterDic()["street_id"]),
              QString::number(district->Streets[2]->index()));

    // The same screen again with the district's any-street, then the any-district: the
    // conditions of the earlier street go.
    screen->setCurrentStreet(district->Streets[0]);
    EXPECT_EQ(screen->valueTextOf(*item), district->name());
    screen->getFilterDicByFilterData();
    EXPECT_TRUE(screen->filterDic().contains("district_id"));
    EXPECT_FALSE(screen->filterDic().contains("street_id"));
    screen->setCurrentStreet(host_->currentCity()->Districts[0]->Streets[0]);
    screen->getFilterDicByFilterData();
    EXPECT_TRUE(screen->filterDic().isEmpty());

    screen->getFilterInfo();
    settle();
    EXPECT_EQ(handed_.calls, 1) << "an empty dictionary is still handed back";
    EXPECT_TRUE(handed_.conditions.isEmpty());
}

TEST_F(FilterScreenTest, WithoutDefinitionsTheScreenLoadsThemOrSaysItCannot) {
    // An earlier visit of another category saved its items.
    tovikFilters2 earlier;
    earlier.adopt({filterItem("other", "-1")});
    earlier.saveTheDate();

    auto model = std::make_shared<tovikFilters2>();
    model->setMasterMajorId(7, 1);
    server().setFault({.prefix = paths::kDataShare, .status = 500, .times = 1});
    auto failed = push(model);
    ASSERT_TRUE(waitFor([&] {
        return failed->loadingLabel()->text() == "无法与服务器通讯。请连接到移动数据网络或者wifi。";
    }));
    EXPECT_EQ(failed->tableView()->numberOfRowsInSection(0), 0);
    failed->backMethod();
    settle();
    EXPECT_FALSE(model->GetData().has_value()) << "back brings no earlier category's items";

    auto loaded = push(model);
    ASSERT_TRUE(waitFor([&] { return loaded->tableView()->numberOfRowsInSection(0) > 0; }));
    EXPECT_EQ(loaded->tableView()->tableHeaderView(), nullptr) << "the loading header went";
    EXPECT_EQ(ns::arrayWithContentsOfFile(tovikFilters2::savePath())->size(), model->getCount())
        << "the arrived items were saved for going back";
    model->getFilterWithKey("fitment")->insert("v", "2");
    loaded->backMethod();
    settle();
    EXPECT_EQ(model->getFilterWithKey("fitment")->value("v"), "-1") << "the edit is undone";
}

TEST_F(FilterScreenTest, TheDistrictChooserInTheSheet) {
    const auto [district, row] = districtWithStreets();
    ASSERT_TRUE(district);
    auto screen = pushWithDistrictRow();
    const FilterItem item = model_->getFilterWithKey("district_id");
    const auto shownTable = [&](auto* kind) -> ui::TableView* {
        using Kind = std::remove_pointer_t<decltype(kind)>;
        return driver_->find<ui::TableView>([](ui::TableView& table) {
            return dynamic_cast<Kind*>(table.dataSource().get()) != nullptr;
        });
    };
    const auto chooser = [&] {
        ui::TableView* table = shownTable(static_cast<DistrictSelect1*>(nullptr));
        return table ? std::dynamic_pointer_cast<DistrictSelect1>(table->dataSource()) : nullptr;
    };
    // The sheet is up once the window's root has presented it.
    const auto sheetUp = [&] {
        const auto sheet = navigation_->presentedViewController();
        return chooser() != nullptr && sheet && !sheet->isBeingPresented();
    };

    screen->didSelectRowAtIndexPath(*screen->tableView(), {0, 0});
    ASSERT_TRUE(settleUntil(sheetUp)) << "the district row opens it";
    EXPECT_NE(customModalViewController(*chooser()), nullptr);
    chooser()->didSelectRowAtIndexPath(*chooser()->tableView(), {0, row});
    ASSERT_TRUE(settleUntil([&] { return shownTable(static_cast<StreetSelect1*>(nullptr)); }));
    auto streets = std::dynamic_pointer_cast<StreetSelect1>(
        shownTable(static_cast<StreetSelect1*>(nullptr))->dataSource());
    EXPECT_EQ(item->value("firstSectionRow"), row);
    streets->popFront();
    ASSERT_TRUE(settleUntil([&] { return !shownTable(static_cast<StreetSelect1*>(nullptr)); }));
    ASSERT_NE(chooser(), nullptr) << "back from the streets is the district list again";
    chooser()->popFront();
    settle();
    ASSERT_TRUE(settleUntil([&] { return !navigation_->presentedViewController(); }))
        << "cancel closes the sheet";
    EXPECT_EQ(chooser(), nullptr);
    EXPECT_EQ(item->value("firstSectionRow"), row) << "the row written before stays";
    EXPECT_EQ(screen->valueTextOf(*item), "不限") << "but no district was chosen";

    screen->didSelectRowAtIndexPath(*screen->tableView(), {0, 0});
    ASSERT_TRUE(settleUntil(sheetUp));
    chooser()->didSelectRowAtIndexPath(*chooser()->tableView(), {0, row});
    ASSERT_TRUE(settleUntil([&] { return shownTable(static_cast<StreetSelect1*>(nullptr)); }));
    streets = std::dynamic_pointer_cast<StreetSelect1>(
        shownTable(static_cast<StreetSelect1*>(nullptr))->dataSource());
    streets->didSelectRowAtIndexPath(*streets->tableView(), {0, 0});
    ASSERT_TRUE(settleUntil([&] { return !navigation_->presentedViewController(); }))
        << "a street closes the whole sheet";
    EXPECT_EQ(shownTable(static_cast<StreetSelect1*>(nullptr)), nullptr);
    EXPECT_EQ(chooser(), nullptr);
    EXPECT_EQ(item->value("secondSectionRow"), 0);
    EXPECT_EQ(screen->valueTextOf(*item), district->name()) << "the district's any-street";
    const auto appStreet = HousesHost::shared()->currentStreet();
    EXPECT_NE(appStreet, screen->currentStreet())
        << "the app's street changes only on confirmation";
    screen->backMethod();
    settle();
    EXPECT_FALSE(model_->getFilterWithKey("district_id")->contains("firstSectionRow"))
        << "back undoes the rows the choosers wrote";
    EXPECT_EQ(HousesHost::shared()->currentStreet(), appStreet);
}

TEST_F(FilterScreenTest, AChooserForAnotherScreenWritesRowsButStaysOpen) {
    auto item = std::make_shared<QVariantMap>(filterItem("district_id", "-1"));
    auto chooser = std::make_shared<DistrictSelect1>(item);
    chooser->setCurrentStreet(host_->currentStreet());
    chooser->setTopController(below_);
    navigation_->pushViewController(chooser, false);
    settle();
    chooser->didSelectRowAtIndexPath(*chooser->tableView(), {0, 0});
    settle();
    EXPECT_EQ(item->value("firstSectionRow"), 0);
    EXPECT_EQ(item->value("secondSectionRow"), 0);
    EXPECT_EQ(navigation_->topViewController(), chooser);
}

TEST_F(FilterScreenTest, OutsideASheetAStreetLeadsBackToTheFilterScreen) {
    const auto [district, row] = districtWithStreets();
    ASSERT_TRUE(district);
    auto screen = pushWithDistrictRow();
    auto chooser = std::make_shared<DistrictSelect1>(model_->getFilterWithKey("district_id"));
    chooser->setCurrentStreet(host_->currentStreet());
    chooser->setTopController(screen);
    navigation_->pushViewController(chooser, false);
    settle();
    chooser->didSelectRowAtIndexPath(*chooser->tableView(), {0, row});
    settle();
    auto streets = std::dynamic_pointer_cast<StreetSelect1>(navigation_->topViewController());
    ASSERT_NE(streets, nullptr);
    streets->didSelectRowAtIndexPath(*streets->tableView(), {0, 1});
    settle();
    EXPECT_EQ(navigation_->topViewController(), screen) << "not the district list";
    EXPECT_EQ(screen->currentStreet(), district->Streets[1]);
}

TEST_F(FilterScreenTest, SecondHandModeShowsTheTagRowInPlaceOfTheMinorCategory) {
    const QVariantList minorChoices{QVariantMap{{"n", "住宅"}, {"v", "1"}}};
    model_->adopt({filterItem("district_id", "-1"),
                   filterItem("minor_category", "1", "normal", minorChoices),
                   filterItem("fitment", "-1")});
    QStringList indexes;
    const auto secondHand = [&](FilterMainViewControl& screen) {
        screen.setFromErshou(true);
        screen.setBaseTagId("12");
        screen.setBaseTagArray({"满五唯一", "学区房", "地铁房"});
        screen.setBaseTagIdArray({"11", "12"});
        screen.setErshouLeftIndex(3);
        screen.setErshouRightIndex(4);
        screen.setFilterIndexArr([&](const QStringList& rows) { indexes = rows; });
    };
    auto screen = push(model_, secondHand);
    ASSERT_EQ(screen->tableView()->numberOfRowsInSection(0), 3);
    EXPECT_EQ(shownRow(*screen, 1), std::make_pair(QString("类     别"), QString("学区房")));
    EXPECT_TRUE(model_->getFilterWithKey("minor_category")) << "the model keeps its own row";
    EXPECT_FALSE(model_->getFilterWithKey("base_tag"));

    choose(*screen, 1, 0, 2);  // as many choices as the shorter array has
    EXPECT_EQ(shownRow(*screen, 1).second, "满五唯一");
    ASSERT_TRUE(driver_->tap(screen->finishBtn()));
    settle();
    ASSERT_EQ(handed_.calls, 1);
    EXPECT_EQ(handed_.conditions.keys(), QStringList{"base_tag"}) << "no minor category";
    EXPECT_EQ(valueOf(handed_.conditions["base_tag"]), "11");
    EXPECT_EQ(indexes, (QStringList{"3", "4"}));
    EXPECT_FALSE(handed_.fromZhaoPTag);

    // The next visit starts again from the given tag; a model without a minor category
    // keeps its rows, and no index pair is handed back.
    auto again = push(model_, secondHand);
    EXPECT_EQ(shownRow(*again, 1).second, "学区房");
    again->backMethod();
    settle();
    // A category row named "majorScriptIndex" gives way to the tag row the same way.
    auto byMajor = std::make_shared<tovikFilters2>();
    byMajor->adopt({filterItem("district_id", "-1"), filterItem("majorScriptIndex", "-1"),
                    filterItem("fitment", "-1")});
    auto majorScreen = push(byMajor, secondHand);
    EXPECT_EQ(shownRow(*majorScreen, 1), std::make_pair(QString("类     别"), QString("学区房")));
    majorScreen->backMethod();
    settle();
    auto plain = std::make_shared<tovikFilters2>();
    plain->adopt(
        {filterItem("fitment", "2", "normal", {QVariantMap{{"n", "简装修"}, {"v", "2"}}})});
    indexes.clear();
    auto without = push(plain, secondHand);
    ASSERT_EQ(without->tableView()->numberOfRowsInSection(0), 1);
    EXPECT_EQ(shownRow(*without, 0).second, "简装修");
    ASSERT_TRUE(driver_->tap(without->finishBtn()));
    settle();
    EXPECT_TRUE(indexes.isEmpty());
    EXPECT_EQ(handed_.conditions.keys(), QStringList{"fitment"});
}

TEST_F(FilterScreenTest, JobCategoryModeChoosesAmongTheCategoriesAndSendsNoConditionForThem) {
    auto subCategory = filterItem("sub_category", "1");
    subCategory.remove("vs");
    model_->adopt({subCategory, filterItem("majorScriptIndex", "-1"),
                   filterItem("fitment", "2", "normal", {QVariantMap{{"n", "简装修"}, {"v", "2"}}}),
                   filterItem("floor", "7")});
    auto screen = push(model_, [](FilterMainViewControl& screen) {
        screen.setFromZhaoPTag(true);
        screen.setZhaoPTagArray({QVariantMap{{"CateName", "销售"}},
                                 QVariantMap{{"CateName", "客服"}},
                                 QVariantMap{{"CateName", "司机"}}});
    });
    EXPECT_EQ(shownRow(*screen, 0).second, "客服");
    EXPECT_EQ(shownRow(*screen, 1).second, "不限");
    model_->getFilterWithKey("majorScriptIndex")->insert("v", "9");
    screen->tableView()->reloadData();
    EXPECT_EQ(shownRow(*screen, 1).second, "") << "a position past the categories";

    choose(*screen, 0, 2, 3);
    const QVariantList choices = model_->getFilterWithKey("sub_category")->value("vs").toList();
    ASSERT_EQ(choices.size(), 3) << "created where it was missing";
    EXPECT_EQ(choices[1].toMap(), (QVariantMap{{"n", "客服"}, {"v", "1"}}));
    EXPECT_EQ(shownRow(*screen, 0).second, "司机");

    ASSERT_TRUE(driver_->tap(screen->finishBtn()));
    settle();
    ASSERT_EQ(handed_.calls, 1);
    EXPECT_EQ(handed_.conditions.keys(), (QStringList{"fitment", "floor"}))
        << "the category rows are no conditions";
    EXPECT_TRUE(handed_.fromZhaoPTag);
    EXPECT_EQ(model_->getFilterWithKey("sub_category")->value("v"), "2") << "kept for the list";
}

TEST_F(FilterScreenTest, ThePictureBoxTicksTheFilterOfAnArrayWithoutAModel) {
    const FilterList items{
        std::make_shared<QVariantMap>(
            filterItem("price", "_1500", "range", {QVariantMap{{"n", "低"}, {"v", "_1500"}}})),
        std::make_shared<QVariantMap>(filterItem("image_count", "-1")),
        std::make_shared<QVariantMap>(filterItem("xiaoqu", "-1", "text"))};
    auto screen = push(FilterMainViewControl::initWithFitlerArray(items));
    ASSERT_EQ(screen->tableView()->numberOfRowsInSection(0), 3);
    EXPECT_EQ(screen->tableView()->tableHeaderView(), nullptr) << "nothing to load";
    auto* box = driver_->find<CheckBox>();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->frame(), ui::Rect(180, 5, 130, 34));
    EXPECT_EQ(box->label()->text(), "仅显示有图");
    EXPECT_EQ(box->label()->textColor(), ui::Color::rgb(51, 51, 51));
    EXPECT_FALSE(box->checked());

    ASSERT_TRUE(driver_->tap(box));
    settle();
    EXPECT_EQ(items[1]->value("v"), "1");
    box = driver_->find<CheckBox>();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->checked()) << "the rebuilt row shows the tick";
    ASSERT_TRUE(driver_->tap(box));
    settle();
    EXPECT_EQ(items[1]->value("v"), "-1");
    ASSERT_TRUE(driver_->tap(driver_->find<CheckBox>()));
    settle();

    ASSERT_TRUE(driver_->tap(screen->finishBtn()));
    settle();
    ASSERT_EQ(handed_.calls, 1);
    EXPECT_EQ(handed_.conditions.keys(), (QStringList{"image_count", "price"}));
    EXPECT_EQ(valueOf(handed_.conditions["image_count"]), "1");
    EXPECT_TRUE(handed_.keyword.isEmpty());

    // Without a model there is nothing to undo: back leaves the items as they are.
    auto back = push(FilterMainViewControl::initWithFitlerArray(items));
    back->typeChanged(false);
    back->backMethod();
    settle();
    EXPECT_EQ(navigation_->topViewController(), below_);
    EXPECT_EQ(items[1]->value("v"), "-1");
}
