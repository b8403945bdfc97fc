#pragma once

#include "houses/shared/FilterSheetScreen.h"

#include <QVariantList>

// "选择区域": the current city's districts for the need form, shown in the form's sheet. A
// district with streets opens its street list; one without is the choice. Choices go into
// the shared city choice (tovikCitylog), which the form reads when it shows again.
class DistrictSelect : public FilterSheetScreen {
public:
    // The tag of the shadow strip under the sheet's bar.
    static constexpr int kShadowTag = 1008612;
    static constexpr double kRowHeight = 52;

    DistrictSelect();

    [[nodiscard]] const QVariantList& districtAry() const { return districtAry_; }
    // Closes the chooser: the sheet, or this screen outside one.
    void close();

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
    QVariantList districtAry_;
};
