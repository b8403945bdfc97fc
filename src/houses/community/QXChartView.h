#pragma once

#include "platform/uikit/text_layout.h"
#include "platform/uikit/view.h"

#include <QString>
#include <QVariantList>

#include <vector>

// A small line chart of values over time on a fixed grid: eight scale lines labelled with
// whole numbers, a vertical line and a "yy年MM月" label per point of the first group, and
// an orange polyline with a dot at each point of every group, all groups on one scale.
// A group is a list of point dictionaries; a point's value and time (Unix seconds) are
// read under the vertical and the horizontal key.
class QXChartView : public ui::View {
public:
    // Where the grid stands in the view.
    static constexpr double kAxisX = 33;
    static constexpr double kFirstColumnX = 38;
    static constexpr double kRightInset = 10;
    static constexpr int kScaleLines = 8;

    explicit QXChartView(const ui::Rect& frame);

    [[nodiscard]] const QVariantList& groupsData() const { return groupsData_; }
    // Another list of groups redraws the chart; the same one again does nothing.
    void setGroupsData(const QVariantList& groups);
    [[nodiscard]] const QString& verticalKey() const { return verticalKey_; }
    void setVerticalKey(const QString& key);
    [[nodiscard]] const QString& horizontalKey() const { return horizontalKey_; }
    void setHorizontalKey(const QString& key);

    // The scale of the last drawing.
    [[nodiscard]] double minScaleValue() const { return minScaleValue_; }
    [[nodiscard]] double maxScaleValue() const { return maxScaleValue_; }
    [[nodiscard]] double columnWidth() const { return columnWidth_; }
    // The label of scale line `index` (0 the lowest) as the last drawing wrote it.
    [[nodiscard]] QString scaleLabel(int index) const;
    // Where point `index` of `group` stood in the last drawing.
    [[nodiscard]] ui::Point pointAt(int group, int index) const;

    // A time in Unix seconds as its month label, in the device's time zone.
    [[nodiscard]] static QString formatGroupKey(double seconds);

    void drawRect(const ui::Rect& rect) override;

private:
    [[nodiscard]] double valueOf(const QVariant& point) const;
    [[nodiscard]] double timeOf(const QVariant& point) const;
    void calcScales(double width);
    void drawScale(double width, double height);
    void drawColumn(double height);
    // Lays the scale and month labels out, once for each set of data.
    void layOutLabels();

    QVariantList groupsData_;
    QString verticalKey_;
    QString horizontalKey_;
    double minValue_ = 0;
    double maxValue_ = 0;
    double minScaleValue_ = 0;
    double maxScaleValue_ = 7;
    double maxScaleHeight_ = 0;
    double columnWidth_ = 0;
    double firstColumnX_ = kFirstColumnX;
    bool hasPoints_ = false;
    std::vector<QString> scaleLabels_;
    std::vector<std::vector<ui::Point>> points_;
    // The labels laid out for the data in force: text layout is most of a drawing's work.
    std::vector<ui::TextLayout> scaleLayouts_;
    std::vector<ui::TextLayout> monthLayouts_;
    bool labelsLaidOut_ = false;
};
