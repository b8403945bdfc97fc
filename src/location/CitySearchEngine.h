#pragma once

#include "platform/uikit/table_view.h"

#include <QString>

#include <memory>
#include <vector>

class City;
class CityData;
class HotCitySelect;

// The city chooser's search: every city whose name, short name or pinyin starts with the
// typed text, in tree order, one row each; choosing one switches to it.
class CitySearchEngine final : public ui::TableViewDataSource, public ui::TableViewDelegate {
public:
    static constexpr double kRowHeight = 50;

    CitySearchEngine(std::shared_ptr<CityData> cityData, std::weak_ptr<HotCitySelect> screen);

    // Replaces the results by the cities matching `text` and reloads the table (when given),
    // showing the new results from the first.
    void searchWithString(const QString& text, ui::TableView* table);
    [[nodiscard]] const std::vector<std::shared_ptr<City>>& result() const { return result_; }
    [[nodiscard]] const QString& selectCityName() const { return selectCityName_; }

    int numberOfRowsInSection(ui::TableView&, int section) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& table,
                                                             const ui::IndexPath& path) override;
    double heightForRowAtIndexPath(ui::TableView&, const ui::IndexPath&) override {
        return kRowHeight;
    }
    void didSelectRowAtIndexPath(ui::TableView& table, const ui::IndexPath& path) override;

private:
    std::shared_ptr<CityData> cityData_;
    std::weak_ptr<HotCitySelect> screen_;
    std::vector<std::shared_ptr<City>> result_;
    QString selectCityName_;
};
