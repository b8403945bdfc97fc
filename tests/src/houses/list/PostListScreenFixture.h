#pragma once

#include "../HousesFixture.h"
#include "ScreenFixture.h"

#include "platform/uikit/alert_view.h"

#include "houses/list/DistrictSelect1.h"
#include "houses/list/FilterMainViewControl.h"
#include "houses/list/FilterSelectList.h"
#include "houses/list/QXPostList.h"
#include "houses/shared/HousesHost.h"
#include "houses/shared/QXPostListCell.h"
#include "houses/shared/ReadMarks.h"
#include "location/CityData.h"
#include "location/CityNode.h"
#include "location/UserLocation.h"
#include "platform/foundation/user_defaults.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/table_view_cell.h"
#include "platform/uikit/text_field.h"
#include "ui/image/UIImageView+NetKit.h"
#include "ui/widgets/LoadingOverlay.h"

#include <QJsonArray>

// The test city's tree, the network kind and the device's location state.
class CityHost final : public HousesHost {
public:
    std::shared_ptr<CityData> cityData = std::make_shared<CityData>();
    bool wifi = true;
    std::shared_ptr<UserLocation> location;
    [[nodiscard]] std::shared_ptr<City> currentCity() const override {
        return cityData->currentCity();
    }
    [[nodiscard]] std::optional<int> cityIndexWithName(const QString& name) const override {
        return cityData->getCityIndexWithName(name);
    }
    [[nodiscard]] bool useWifi() const override { return wifi; }
    [[nodiscard]] std::shared_ptr<const UserLocation> userLocation() const override {
        return location;
    }
};

class CityLoaded final : public CityUpdateTarget {
public:
    int done = 0;
    void updateCitySuccessWithIndex(int) override { ++done; }
    void updateCityFailed() override { ++done; }
};

// The rent list of the test city in a window, against the stand-in.
class PostListScreenFixture : public ScreenFixture<HousesFixture> {
protected:
    // The message of the alert on top; empty when none shows.
    [[nodiscard]] QString alertMessage() {
        ui::AlertView* alert = alerts_->visibleAlert();
        return alert ? alert->message() : QString();
    }
    void dismissAlert() {
        if (alerts_->visibleAlert()) alerts_->pressButtonAtIndex(0);
        settle();
    }
    void SetUp() override {
        ScreenFixture::SetUp();
        host_->cityData->LoadProvinceInfoWinthCurrent();
        auto loaded = std::make_shared<CityLoaded>();
        host_->cityData->updateStreetInfo(100, loaded);
        ASSERT_TRUE(runMainLoopUntil([&] { return loaded->done > 0; }));
        ASSERT_TRUE(host_->currentCity());
        HousesHost::install(host_);
        ImageViewNetKit::nk_sharedImageCache().removeAllObjects();
        showStack();
    }
    void TearDown() override {
        closeScreens();
        list_.reset();
        HousesHost::install(nullptr);
        ScreenFixture::TearDown();
    }

    // Opens the list and waits for its first page.
    void open(int major = 1, bool nearby = false) {
        list_ = std::make_shared<QXPostList>(7, major, QString(), nearby);
        navigation_->setViewControllers({list_}, false);
        settle();
        ASSERT_TRUE(waitFor([&] { return list_->paging().nowListNum > 0 || errorShown(); }));
    }
    [[nodiscard]] bool errorShown() {
        ui::View* error = list_->view()->viewWithTag(QXPostList::kErrorTag);
        return error && !error->isHidden();
    }
    [[nodiscard]] QString errorText() {
        auto* label =
            dynamic_cast<ui::Label*>(list_->view()->viewWithTag(QXPostList::kErrorLabelTag));
        return label ? label->text() : QString();
    }
    // The query conditions of the last list request, by name.
    [[nodiscard]] std::map<QString, QString> lastConditions() {
        std::map<QString, QString> found;
        const auto sent = calls("SearchPostsByJson2");
        if (sent.empty()) return found;
        for (const QJsonValue& c : argsOf(sent.back())["queryFilters"].toArray()) {
            found[c.toObject()["name"].toString()] = c.toObject()["value"].toString();
        }
        return found;
    }
    [[nodiscard]] std::size_t searches() { return calls("SearchPostsByJson2").size(); }
    // Opens button `index` of the list's bar and taps row `row` of column `column`.
    void choose(int index, int row, int column = 0) {
        chooseIn(list_->quickFilterView(), index, row, column);
    }
    // The same on any quick-filter bar.
    void chooseIn(QuickFilterView* bar, int index, int row, int column = 0) {
        ASSERT_NE(bar, nullptr);
        if (bar->dropDown(index)->isHidden()) {
            ASSERT_TRUE(driver_->tap(bar->button(index)));
            settle();
        }
        ui::TableView* table = bar->dropDown(index)->column(column);
        ASSERT_NE(table, nullptr);
        table->scrollToRowAtIndexPath({0, row}, ui::TableViewScrollPosition::Middle, false);
        window_->layoutIfNeeded();
        ui::TableViewCell* cell = table->cellForRowAtIndexPath({0, row});
        ASSERT_NE(cell, nullptr);
        ASSERT_TRUE(driver_->tap(cell));
        settle();
    }
    // Taps the bar's "更多" button (the fourth) and gives the filter screen it pushed.
    std::shared_ptr<FilterMainViewControl> openFilterScreen() {
        if (!driver_->tap(list_->quickFilterView()->button(3))) return nullptr;
        settle();
        return std::dynamic_pointer_cast<FilterMainViewControl>(navigation_->topViewController());
    }
    // Gives the list's model a typed filter, "小区", before its last (picture) row, as a
    // service may; the stand-in offers none.
    void addCommunityField() {
        QVariantList items;
        for (const FilterItem& item : *list_->filter()->GetData()) items.append(*item);
        items.insert(items.size() - 1,
                     QVariantMap{{"f", "xiaoqu"}, {"n", "小区"}, {"t", "text"}, {"v", "-1"}});
        list_->filter()->adopt(items);
    }
    // Waits for the reply to a page request sent after `before` requests: the loading
    // view and the next-page flag go only when it has been taken in.
    void waitForPage(std::size_t before) {
        ASSERT_TRUE(waitFor([&] {
            return searches() > before && !list_->view()->viewWithTag(LoadingOverlay::kTag) &&
                   !list_->paging().loadingNext;
        }));
    }

    std::shared_ptr<CityHost> host_ = std::make_shared<CityHost>();
    std::shared_ptr<QXPostList> list_;
};
