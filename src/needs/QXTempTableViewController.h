#pragma once

#include "houses/shared/FilterSheetScreen.h"

#include <QString>
#include <QVariantList>

// "价格选择": the price bands of the need form ({"n" shown name, "v" value} rows from the
// city's filter definitions), shown in the form's sheet. A choice is kept here (priceString,
// priceName) and in the user defaults, and closes the sheet.
class QXTempTableViewController : public FilterSheetScreen {
public:
    static constexpr double kRowHeight = 52;
    static inline const QString kSelectPriceIdKey = QStringLiteral("selectPriceID");
    static inline const QString kSelectPriceNameKey = QStringLiteral("selectPriceName");

    QXTempTableViewController();

    [[nodiscard]] const QVariantList& listArray() const { return listArray_; }
    void setListArray(const QVariantList& rows);
    // The chosen row's value and name; null texts before a choice.
    [[nodiscard]] const QString& priceString() const { return priceString_; }
    [[nodiscard]] const QString& priceName() const { return priceName_; }
    void setPriceName(const QString& name) { priceName_ = name; }
    // What an owner says the list is for; kept for the owner, the list reads none of them.
    [[nodiscard]] bool isPriceTable() const { return isPriceTable_; }
    void setIsPriceTable(bool priceTable) { isPriceTable_ = priceTable; }
    [[nodiscard]] bool ishouseDoorTable() const { return ishouseDoorTable_; }
    void setIshouseDoorTable(bool houseDoorTable) { ishouseDoorTable_ = houseDoorTable; }
    [[nodiscard]] const QString& houseDoorString() const { return houseDoorString_; }
    void setHouseDoorString(const QString& text) { houseDoorString_ = text; }

    int numberOfRowsInSection(ui::TableView&, int) override;
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& table,
                                                             const ui::IndexPath& path) override;
    double heightForRowAtIndexPath(ui::TableView&, const ui::IndexPath&) override {
        return kRowHeight;
    }
    void didSelectRowAtIndexPath(ui::TableView& table, const ui::IndexPath& path) override;

protected:
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;

private:
    void dismissSheet();

    QVariantList listArray_;
    QString priceString_;
    QString priceName_;
    bool isPriceTable_ = false;
    bool ishouseDoorTable_ = false;
    QString houseDoorString_;
};
