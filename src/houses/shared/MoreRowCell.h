#pragma once

#include "platform/uikit/table_view_cell.h"

#include <QString>

// The last row of a post list that asks for the next page: a centred label (tag
// kLabelTag) over the row's width and a grey spinner (tag kSpinnerTag) at (80, 27.5). The
// list gives it its backgrounds and says what it shows.
class MoreRowCell : public ui::TableViewCell {
public:
    static constexpr int kLabelTag = 200;
    static constexpr int kSpinnerTag = 201;
    static inline const QString kIdentifier = QStringLiteral("MoreList");
    static inline const QString kMoreText = QStringLiteral("获取更多信息");
    static inline const QString kLoadingText = QStringLiteral("正在加载...");

    // `labelHeight` is the label's height (the row's, or more).
    MoreRowCell(double width, double labelHeight);

    // The text in the system font of `fontSize`, the spinner turning or not.
    void show(const QString& text, double fontSize, bool spinning);
};
