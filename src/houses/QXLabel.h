#pragma once

#include "platform/uikit/color.h"
#include "platform/uikit/view.h"

#include <QString>

// One labelled text row of the detail and community pages: the label and a colon in the
// label colour, then the text in the text colour, laid out one character at a time on a
// 25-point line pitch. The text stands beside the label (type 0), below it (type 1) or runs
// on after it and wraps to the left edge (type 2). heightFor() gives the height the same
// layout needs before the row is made.
class QXLabel : public ui::View {
public:
    static constexpr double kLinePitch = 25;
    static constexpr double kFontSize = 14;

    QXLabel(const QString& key, const ui::Color& keyColor, const QString& value,
            const ui::Color& valueColor, const ui::Rect& frame, int type);
    // The type follows the label: 2 for "详情", a label ending in "描述" and "店铺介绍",
    // else 0.
    QXLabel(const QString& key, const ui::Color& keyColor, const QString& value,
            const ui::Color& valueColor, const ui::Rect& frame);

    [[nodiscard]] const QString& key() const { return key_; }
    [[nodiscard]] const QString& value() const { return value_; }
    [[nodiscard]] int type() const { return type_; }

    // The height a row needs in a container `width` points wide (its text wraps 32 points
    // before the container's edge): the top of its last line plus one line.
    [[nodiscard]] static int calLblHeightwithKey(const QString& key, const QString& value, int type,
                                                 double width);
    // A label of two characters is shown spread, with seven blanks between them.
    [[nodiscard]] static QString spreadKey(const QString& key);

    void drawRect(const ui::Rect& rect) override;

private:
    QString key_;
    QString value_;
    ui::Color keyColor_;
    ui::Color valueColor_;
    int type_ = 0;
};
