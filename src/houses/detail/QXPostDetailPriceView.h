#pragma once

#include "platform/uikit/view.h"

#include <QString>
#include <QVariantMap>

// The price row of the post detail: the label in grey, the number large, bold and orange,
// the unit in orange and a note in parentheses in dark grey ("1200" "元/月" "(押一付三)").
class QXPostDetailPriceView : public ui::View {
public:
    explicit QXPostDetailPriceView(const ui::Rect& frame);

    [[nodiscard]] const QVariantMap& priceData() const { return priceData_; }
    // One row {label: text}; the row redraws.
    void setPriceData(const QVariantMap& row);
    [[nodiscard]] QString shownText() const override;

    // The parts the row is drawn in: label text, number, unit part and note (each may be
    // empty); the whole text as the unit part when it has no unit.
    struct Parts {
        QString label, number, unit, note;
    };
    [[nodiscard]] static Parts partsOf(const QVariantMap& row);

    void drawRect(const ui::Rect& rect) override;

private:
    QVariantMap priceData_;
};
