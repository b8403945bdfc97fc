#pragma once

#include "houses/query/tovikFilters2.h"
#include "houses/shared/FilterSheetScreen.h"

class District;
class FilterMainViewControl;
class Street;

// "选择区域": the districts of the current street's city for the filter screen's district
// row. A district with several streets opens its street list; any other row is final.
class DistrictSelect1 : public FilterSheetScreen {
public:
    static constexpr double kRowHeight = 50;

    explicit DistrictSelect1(FilterItem filter);

    [[nodiscard]] std::shared_ptr<Street> currentStreet() const { return currentStreet_.lock(); }
    void setCurrentStreet(const std::shared_ptr<Street>& street) { currentStreet_ = street; }
    void setTopController(std::weak_ptr<ui::ViewController> top) {
        topController_ = std::move(top);
    }
    [[nodiscard]] bool isCancel() const { return isCancel_; }
    void setIsCancel(bool cancel) { isCancel_ = cancel; }
    void popFront();

    // Whether choosing the district opens its street list.
    [[nodiscard]] static bool offersStreets(const District& district);

    int numberOfRowsInSection(ui::TableView&, int) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& table,
                                                             const ui::IndexPath& path) override;
    double heightForRowAtIndexPath(ui::TableView&, const ui::IndexPath&) override {
        return kRowHeight;
    }
    void didSelectRowAtIndexPath(ui::TableView& table, const ui::IndexPath& path) override;

protected:
    void viewDidLoad() override;

private:
    [[nodiscard]] std::vector<std::shared_ptr<District>> districts() const;

    std::weak_ptr<QVariantMap> filter_;
    std::weak_ptr<Street> currentStreet_;
    std::weak_ptr<ui::ViewController> topController_;
    bool isCancel_ = false;
};

// The streets of one district; a choice closes the whole sheet.
class StreetSelect1 : public FilterSheetScreen {
public:
    explicit StreetSelect1(FilterItem filter);

    [[nodiscard]] std::shared_ptr<Street> currentStreet() const { return currentStreet_.lock(); }
    void setCurrentStreet(const std::shared_ptr<Street>& street) { currentStreet_ = street; }
    void setTopController(std::weak_ptr<ui::ViewController> top) {
        topController_ = std::move(top);
    }
    void popFront();

    int numberOfRowsInSection(ui::TableView&, int) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& table,
                                                             const ui::IndexPath& path) override;
    double heightForRowAtIndexPath(ui::TableView&, const ui::IndexPath&) override { return 44; }
    void didSelectRowAtIndexPath(ui::TableView& table, const ui::IndexPath& path) override;

protected:
    void viewDidLoad() override;

private:
    std::weak_ptr<QVariantMap> filter_;
    std::weak_ptr<Street> currentStreet_;
    std::shared_ptr<District> district_;  // the streets listed, fixed at loading
    std::weak_ptr<ui::ViewController> topController_;
};
