#pragma once

#include "houses/shared/FilterSheetScreen.h"

#include <QString>
#include <QVariantList>

// The streets of one district, titled with its name. A choice writes the district and the
// street into the shared city choice and closes the whole chooser.
class StreetSelect : public FilterSheetScreen {
public:
    StreetSelect();

    void setDistrictIndex(int index) { districtIndex_ = index; }
    [[nodiscard]] int districtIndex() const { return districtIndex_; }
    void setStreetAry(const QVariantList& streets) { streetAry_ = streets; }
    [[nodiscard]] const QVariantList& streetAry() const { return streetAry_; }
    void setDistrictId(const QString& id) { districtId_ = id; }
    [[nodiscard]] const QString& districtId() const { return districtId_; }

    int numberOfRowsInSection(ui::TableView&, int) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& table,
                                                             const ui::IndexPath& path) override;
    double heightForRowAtIndexPath(ui::TableView&, const ui::IndexPath&) override;
    void didSelectRowAtIndexPath(ui::TableView& table, const ui::IndexPath& path) override;

protected:
    void viewDidLoad() override;

private:
    int districtIndex_ = 0;
    QVariantList streetAry_;
    QString districtId_;
};
