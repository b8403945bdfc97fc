// The need form's pickers: the tag grid's widths, rows and choices, the street list's choice
// and the price list's choice.
#include "NeedFormFixture.h"

#include "needs/StreetSelect.h"

#include "platform/uikit/table_view.h"

namespace {

class NeedPickersTest : public NeedFormFixture {
protected:
    std::shared_ptr<QXCustomMultiSelectView> grid(const QStringList& items, int columns,
                                                  double hMargin = 0, double vMargin = 0) {
        auto view = std::make_shared<QXCustomMultiSelectView>(ui::Rect(0, 0, 320, 100));
        view->setMaxNumberOfColumns(columns);
        view->setHMargin(hMargin);
        view->setVMargin(vMargin);
        view->setItems(items);
        view->layoutIfNeeded();
        return view;
    }
    static std::vector<double> widths(const QXCustomMultiSelectView& view) {
        std::vector<double> found;
        for (const auto& button : view.buttons()) found.push_back(button->frame().width());
        return found;
    }
};

TEST_F(NeedPickersTest, GridWidthsFollowTheTitlesRowByRow) {
    EXPECT_EQ(widths(*grid({"不限", "一室", "二室", "三室"}, 4)),
              (std::vector<double>{80, 80, 80, 80}));
    const auto two = grid({"一室", "四室以上"}, 2);
    EXPECT_DOUBLE_EQ(two->buttons()[0]->frame().width(), 320.0 * 2 / 6);
    EXPECT_DOUBLE_EQ(two->buttons()[1]->frame().width(), 320.0 * 4 / 6);
    EXPECT_DOUBLE_EQ(two->buttons()[1]->frame().minX(), 320.0 * 2 / 6);

    const auto five = grid({"一", "二", "三", "四", "五"}, 4, 4, 5);
    ASSERT_EQ(five->buttons().size(), 5u);
    EXPECT_EQ(five->buttons()[4]->frame(), ui::Rect(0, 44 + 5 + 5, 320, 44))
        << "the last row's one button spans the view whatever the margins";
    EXPECT_DOUBLE_EQ(five->buttons()[1]->frame().minX(), (320.0 - 3 * 4) / 4 + 4);
    EXPECT_EQ(five->bounds().height(), 2 * 44 + 3 * 5);
    EXPECT_EQ(five->buttons()[2]->tag(), 3);

    const auto none = grid({}, 4, 0, 5);
    EXPECT_TRUE(none->buttons().empty());
    EXPECT_TRUE(none->selectButtons().empty());
    EXPECT_EQ(none->bounds().height(), 5);
}

TEST_F(NeedPickersTest, TapsToggleChoicesWhichSurviveAnotherLayout) {
    const auto view = grid({"近地铁", "精装修", "可短租"}, 4);
    view->buttons()[2]->sendActionsForControlEvents(ui::kControlEventTouchUpInside);
    view->buttons()[0]->sendActionsForControlEvents(ui::kControlEventTouchUpInside);
    EXPECT_EQ(view->selectedItems(), (QStringList{"近地铁", "可短租"})) << "in item order";
    view->buttons()[2]->sendActionsForControlEvents(ui::kControlEventTouchUpInside);
    EXPECT_EQ(view->selectedItems(), QStringList{"近地铁"});

    view->setFrame(ui::Rect(0, 0, 300, 60));
    view->layoutIfNeeded();
    view->setItems({"近地铁", "朝南", "可短租"});
    view->layoutIfNeeded();
    EXPECT_EQ(view->subviews().size(), 3u) << "no button of an earlier layout stays behind";
    EXPECT_EQ(view->selectedItems(), QStringList{"近地铁"});
    EXPECT_DOUBLE_EQ(view->buttons()[0]->frame().width(), 300.0 * 3 / 8);
}

TEST_F(NeedPickersTest, AStreetChoiceWritesTheDistrictAndTheStreet) {
    auto streets = std::make_shared<StreetSelect>();
    streets->setTitle(QStringLiteral("徐汇区"));
    streets->setDistrictId("310104");
    streets->setStreetAry({QVariantMap{{"ssi", "310104003"}, {"sn", QStringLiteral("天平路街道")}},
                           QVariantMap{{"ssi", 310104004}, {"sn", QStringLiteral("湖南路街道")}}});
    navigation_->pushViewController(streets, false);
    settle();
    ASSERT_TRUE(driver_->tapText(QStringLiteral("湖南路街道")));
    settle();
    const tovikCitylog& choice = tovikCitylog::instance();
    EXPECT_EQ(choice.districtName(), QStringLiteral("徐汇区"));
    EXPECT_EQ(choice.districtId(), "310104");
    EXPECT_EQ(choice.streetName(), QStringLiteral("湖南路街道"));
    EXPECT_EQ(choice.streetId(), "310104004");
    EXPECT_TRUE(choice.isSelectCityData());
    EXPECT_NE(top(), streets.get()) << "outside a sheet the list goes back";
}

TEST_F(NeedPickersTest, APriceChoiceIsKeptAndRecorded) {
    auto prices = std::make_shared<QXTempTableViewController>();
    prices->setListArray({QVariantMap{{"n", QStringLiteral("不限")}, {"v", "-1"}},
                          QVariantMap{{"n", QStringLiteral("3000-5000元")}, {"v", "3000_5000"}}});
    navigation_->pushViewController(prices, false);
    settle();
    EXPECT_EQ(prices->title(), QStringLiteral("价格选择"));
    EXPECT_TRUE(prices->priceString().isNull());
    ASSERT_TRUE(driver_->tapText(QStringLiteral("3000-5000元")));
    EXPECT_EQ(prices->priceString(), "3000_5000");
    EXPECT_EQ(prices->priceName(), QStringLiteral("3000-5000元"));
    auto& defaults = ns::UserDefaults::standardUserDefaults();
    EXPECT_EQ(defaults.stringForKey("selectPriceID"), "3000_5000");
    EXPECT_EQ(defaults.stringForKey("selectPriceName"), QStringLiteral("3000-5000元"));
}

}  // namespace
