#pragma once

#include "platform/uikit/color.h"
#include "platform/uikit/view.h"

#include <QString>

#include <vector>

// One labelled row of the post detail and the community page: the label and a colon in one
// colour, then the text in another, laid out one character at a time on a 25-point line
// pitch in the 14-point system font. The text stands beside the label (type 0), below it
// (type 1) or runs on after it and wraps to the left edge (type 2). The class operation gives
// the height the same layout needs before the view is made. Lines break only where the Unicode
// line-breaking rules allow: never before closing punctuation such as "，" or "。".
class QXLabel : public ui::View {
public:
    enum Type { kBeside = 0, kBelow = 1, kRunOn = 2 };
    static constexpr double kLinePitch = 25;
    static constexpr double kFontSize = 14;

    QXLabel(const QString& key, const ui::Color& keyColor, const QString& value,
            const ui::Color& valueColor, const ui::Rect& frame, int type);
    // The type follows the label: long texts ("详情", "店铺介绍", labels ending in "描述")
    // run on, all others stand beside it.
    QXLabel(const QString& key, const ui::Color& keyColor, const QString& value,
            const ui::Color& valueColor, const ui::Rect& frame);

    [[nodiscard]] static int typeForKey(const QString& key);
    // The height the row needs in a container `width` wide (the row wraps 32 points before
    // the container's right edge).
    [[nodiscard]] static int calLblHeightwithKey(const QString& key, const QString& value, int type,
                                                 double width);
    // A label of exactly two characters is spread with seven blanks between them ("面       积").
    [[nodiscard]] static QString spreadLabel(const QString& label);

    [[nodiscard]] const QString& key() const { return key_; }
    [[nodiscard]] const QString& value() const { return value_; }
    [[nodiscard]] int type() const { return type_; }
    [[nodiscard]] QString shownText() const override { return key_ + u':' + value_; }

    // Where each character of the text goes: its origin and the character.
    struct Placed {
        ui::Point origin;
        QString character;
    };
    // The text's characters placed for a label (already spread) and a wrap limit; `bottom`
    // gets the y of the last line.
    [[nodiscard]] static std::vector<Placed> layout(const QString& key, const QString& value,
                                                    int type, double wrapLimit, double* bottom);

    void drawRect(const ui::Rect& rect) override;

private:
    QString key_;
    QString value_;
    ui::Color keyColor_;
    ui::Color valueColor_;
    int type_;
};
