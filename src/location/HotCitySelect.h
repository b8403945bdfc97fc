#pragma once

#include "location/CityData.h"

#include "platform/foundation/timer.h"
#include "platform/uikit/alert_view.h"
#include "platform/uikit/table_view.h"
#include "platform/uikit/view_controller.h"

#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <vector>

class City;
class CitySearchEngine;
class CustomSearchBar;
class SelectedCityState;

namespace ui {
class Label;
class TableViewCell;
class View;
}  // namespace ui

// The screen "城市选择": the located city, the hot cities and every city by the first
// letter of its pinyin, with a letter index and, in the search bar above the list, a search
// by name, short name or pinyin prefix. Choosing a city switches to it through the district update
// and closes the screen when the switch succeeds. At first run it has no way back. It is shown
// modally as the only screen of a navigation controller.
class HotCitySelect final : public ui::ViewController,
                            public ui::TableViewDataSource,
                            public ui::TableViewDelegate,
                            public CityUpdateTarget,
                            public ui::AlertViewDelegate {
public:
    static constexpr int kNoUserIdAlertTag = 2382;
    static constexpr double kRowHeight = 50;
    static constexpr double kHeaderHeight = 22;
    static constexpr int kFixedSections = 2;

    explicit HotCitySelect(std::shared_ptr<SelectedCityState> state);
    ~HotCitySelect() override;

    [[nodiscard]] std::shared_ptr<City> currentCity() const { return currentCity_; }
    void setCurrentCity(std::shared_ptr<City> city) { currentCity_ = std::move(city); }
    // At first run: no "取消" button.
    [[nodiscard]] bool bFirstPage() const { return bFirstPage_; }
    void setBFirstPage(bool firstPage) { bFirstPage_ = firstPage; }
    [[nodiscard]] const QString& selectCityName() const { return selectCityName_; }
    void setSelectCityName(const QString& name) { selectCityName_ = name; }

    // "当前", "热门" and the letters A to Z without I, O, U and V.
    [[nodiscard]] static const QStringList& latterArr();
    // The section titles shown: "当前", "热门" and the letters that have cities.
    [[nodiscard]] const QStringList& sectionTitles() const { return sectionTitles_; }
    [[nodiscard]] const std::vector<std::shared_ptr<City>>& allCityArr() const {
        return allCityArr_;
    }
    [[nodiscard]] std::shared_ptr<CitySearchEngine> searchEngine() const { return searchEngine_; }
    [[nodiscard]] CustomSearchBar* searchBar() const { return searchBar_.get(); }
    [[nodiscard]] ui::TableView* tableView() const { return table_.get(); }

    // Switches to the city, or closes the screen when it is the stored one.
    void updateCityWithIndex(int scriptIndex);
    void updateCitySuccessWithIndex(int scriptIndex) override;
    void updateCityFailed() override;
    // A city chosen among the search results.
    void chooseSearchResult(const std::shared_ptr<City>& city);
    // Closes the screen.
    void goBack();
    // Refreshes the located city's row from the location state.
    void UserLocationStateChange();

    int numberOfSectionsInTableView(ui::TableView&) override;
    int numberOfRowsInSection(ui::TableView&, int section) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& table,
                                                             const ui::IndexPath& path) override;
    QStringList sectionIndexTitlesForTableView(ui::TableView&) override { return sectionTitles_; }
    int sectionForSectionIndexTitle(ui::TableView&, const QString& title, int index) override;
    double heightForRowAtIndexPath(ui::TableView&, const ui::IndexPath& path) override;
    double heightForHeaderInSection(ui::TableView&, int) override { return kHeaderHeight; }
    std::shared_ptr<ui::View> viewForHeaderInSection(ui::TableView& table, int section) override;
    void didSelectRowAtIndexPath(ui::TableView& table, const ui::IndexPath& path) override;

protected:
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;

private:
    void buildLetterGroups();
    [[nodiscard]] bool refusedWithoutNetwork();
    [[nodiscard]] QString locatedCityText() const;
    void showLoading();
    void hideLoading();
    void showLetter(const QString& title);
    void leave();
    [[nodiscard]] const std::vector<std::shared_ptr<City>>& citiesOfSection(int section) const;

    std::shared_ptr<SelectedCityState> state_;
    std::shared_ptr<CityData> cityData_;
    std::shared_ptr<City> currentCity_;
    bool bFirstPage_ = false;
    QString selectCityName_;
    std::vector<std::shared_ptr<City>> allCityArr_;
    std::map<QString, std::vector<std::shared_ptr<City>>> cityOderByPinyin_;
    QStringList sectionTitles_;
    std::shared_ptr<ui::TableView> table_;
    std::shared_ptr<ui::TableViewCell> currentCityCell_;
    std::shared_ptr<ui::Label> selectCityShowName_;
    std::shared_ptr<ui::View> loadingView_;
    std::shared_ptr<CustomSearchBar> searchBar_;
    std::shared_ptr<CitySearchEngine> searchEngine_;
    ns::DelayedCall letterHide_;
    bool left_ = false;
};
