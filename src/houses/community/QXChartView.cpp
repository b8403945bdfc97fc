#include "houses/community/QXChartView.h"

#include "platform/uikit/graphics_context.h"
#include "platform/uikit/string_drawing.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// Where the extremes start before the points are visited: plus and minus 2 to the 31st.
constexpr double kStartExtreme = 2147483648.0;
// Scale values are held within ±2^61, so that the span of a scale (twice that and 7 more)
// still fits a 64-bit integer whatever values the points hold.
constexpr double kLargestScaleValue = 2305843009213693952.0;

// The longest piece of a vertical grid line stroked at once (80 pixel rows at scale 2).
constexpr double kLongestGridPiece = 40;

const ui::Color kChartOrange = ui::Color::colorWithRed(247 / 255.0, 127 / 255.0, 0);
const ui::Color kGridGrey = ui::Color::colorWithRed(0.7, 0.7, 0.7, 0.7);

ui::Font labelFont() {
    return ui::Font::systemFontOfSize(8);
}

qint64 wholeScaleValue(double value) {
    return qint64(std::clamp(value, -kLargestScaleValue, kLargestScaleValue));
}

}  // namespace

QXChartView::QXChartView(const ui::Rect& frame) : ui::View(frame) {}

QString QXChartView::scaleLabel(int index) const {
    return index >= 0 && index < int(scaleLabels_.size()) ? scaleLabels_[std::size_t(index)]
                                                          : QString();
}

ui::Point QXChartView::pointAt(int group, int index) const {
    if (group < 0 || group >= int(points_.size())) return {};
    const auto& points = points_[std::size_t(group)];
    return index >= 0 && index < int(points.size()) ? points[std::size_t(index)] : ui::Point();
}

void QXChartView::setGroupsData(const QVariantList& groups) {
    if (groups == groupsData_) return;
    groupsData_ = groups;
    labelsLaidOut_ = false;
    setNeedsDisplay();
}

void QXChartView::setVerticalKey(const QString& key) {
    verticalKey_ = key;
    labelsLaidOut_ = false;
}

void QXChartView::setHorizontalKey(const QString& key) {
    horizontalKey_ = key;
    labelsLaidOut_ = false;
}

void QXChartView::layOutLabels() {
    if (labelsLaidOut_) return;
    labelsLaidOut_ = true;
    const ui::Font font = labelFont();
    ui::TextLayout::Options options;
    options.mode = ui::LineBreakMode::Clip;
    options.singleLine = true;
    scaleLabels_.clear();
    scaleLayouts_.clear();
    for (int i = 0; i < kScaleLines; ++i) {
        const double value = std::ceil(minScaleValue_ + i * (maxScaleValue_ - minScaleValue_) / 7);
        scaleLabels_.push_back(QString::number(wholeScaleValue(value)));
        scaleLayouts_.emplace_back(scaleLabels_.back(), font, options);
    }
    monthLayouts_.clear();
    for (const QVariant& point : groupsData_.value(0).toList())
        monthLayouts_.emplace_back(formatGroupKey(timeOf(point)), font, options);
}

double QXChartView::valueOf(const QVariant& point) const {
    const QVariantMap values = point.toMap();
    const QString key =
        verticalKey_.isEmpty() && !values.isEmpty() ? values.lastKey() : verticalKey_;
    const QVariant value = values.value(key);
    bool isNumber = false;
    const float read = value.typeId() == QMetaType::QString ? value.toString().toFloat(&isNumber)
                                                            : value.toFloat(&isNumber);
    if (!isNumber || !std::isfinite(read)) return 0;
    return read;
}

double QXChartView::timeOf(const QVariant& point) const {
    const QVariantMap values = point.toMap();
    const QString key =
        horizontalKey_.isEmpty() && !values.isEmpty() ? values.lastKey() : horizontalKey_;
    return values.value(key).toDouble();
}

QString QXChartView::formatGroupKey(double seconds) {
    // Held to some 300000 years either side of 1970, which the date type holds.
    constexpr double kFarthest = 1e13;
    const qint64 whole =
        std::isfinite(seconds) ? qint64(std::clamp(seconds, -kFarthest, kFarthest)) : 0;
    return QDateTime::fromSecsSinceEpoch(whole).toLocalTime().toString(QStringLiteral("yy年MM月"));
}

void QXChartView::calcScales(double width) {
    minValue_ = kStartExtreme;
    maxValue_ = -kStartExtreme;
    int count = 0;
    for (const QVariant& group : groupsData_) {
        for (const QVariant& point : group.toList()) {
            const double value = valueOf(point);
            minValue_ = std::min(minValue_, value);
            maxValue_ = std::max(maxValue_, value);
            ++count;
        }
    }
    hasPoints_ = count > 0;
    // One point has no neighbour to stand apart from: it and its month stand in the middle of
    // the plot, clear of the axes' corner.
    const double plotWidth = width - kAxisX - kRightInset - 20;
    columnWidth_ = count > 1 ? std::floor(plotWidth / (count - 1)) : 0;
    firstColumnX_ = count == 1 ? kFirstColumnX + std::floor(plotWidth / 2) : kFirstColumnX;
    if (!hasPoints_) {
        // Without points the grid is labelled 0 to 7.
        minScaleValue_ = 0;
        maxScaleValue_ = 7;
        return;
    }
    const qint64 floorValue = wholeScaleValue(std::floor(minValue_));
    const qint64 ceilValue = wholeScaleValue(std::ceil(maxValue_));
    const qint64 span = ceilValue - floorValue;
    minScaleValue_ = double(floorValue);
    maxScaleValue_ = double(ceilValue + 7 - span % 7);
}

void QXChartView::drawScale(double width, double height) {
    auto* context = ui::GraphicsContext::current();
    context->setShouldAntialias(false);
    context->beginPath();
    context->moveToPoint(kAxisX, 7);
    context->addLineToPoint(kAxisX, height - 17);
    context->addLineToPoint(width - kRightInset, height - 17);
    context->setFillColor(ui::Color::blackColor());
    layOutLabels();
    for (int i = 0; i < kScaleLines; ++i) {
        maxScaleHeight_ = (height - 20) * i / 8;
        const double y = (height - 22) - (height - 20) * i / 8;
        const ui::TextLayout& label = scaleLayouts_[std::size_t(i)];
        const ui::Size size = label.size();
        ui::StringDrawing::drawLayout(label,
                                      ui::Rect(30 - size.width, y - 5, size.width, size.height),
                                      ui::TextAlignment::Left);
        context->moveToPoint(kAxisX, y);
        context->addLineToPoint(30, y);
        context->setStrokeColor(ui::Color::blackColor());
        context->setLineDash(0, {});
        context->strokePath();
        context->moveToPoint(kAxisX, y);
        context->addLineToPoint(width - kRightInset, y);
        context->setStrokeColor(kGridGrey);
        context->setLineDash(0, {});
        context->strokePath();
    }
    const double bottom = std::trunc(height - 20);
    for (std::size_t j = 0; j < monthLayouts_.size(); ++j) {
        const double x = double(j) * columnWidth_ + firstColumnX_;
        const ui::Size size = monthLayouts_[j].size();
        ui::StringDrawing::drawLayout(
            monthLayouts_[j],
            ui::Rect(x - size.width / 2, maxScaleHeight_ + 16, size.width, size.height),
            ui::TextAlignment::Left);
        // In pieces: the drawing library hands a translucent fill of more than some hundred
        // pixel rows to its thread pool, whose hand-offs cost far more than the few pixels
        // of a grid line, most of all on a busy machine.
        for (double top = 7; top < bottom; top += kLongestGridPiece) {
            context->moveToPoint(x, top);
            context->addLineToPoint(x, std::min(bottom, top + kLongestGridPiece));
            context->setStrokeColor(kGridGrey);
            context->setLineDash(0, {});
            context->strokePath();
        }
    }
    context->setStrokeColor(ui::Color::blackColor());
    context->strokePath();
    context->setShouldAntialias(true);
}

void QXChartView::drawColumn(double height) {
    auto* context = ui::GraphicsContext::current();
    const double bottom = std::trunc(height - 20);
    const double span = maxScaleValue_ - minScaleValue_;
    points_.clear();
    for (const QVariant& group : groupsData_) {
        std::vector<ui::Point> points;
        const QVariantList list = group.toList();
        for (qsizetype i = 0; i < list.size(); ++i) {
            const double x = double(i) * columnWidth_ + firstColumnX_;
            const double y = bottom - (valueOf(list[i]) - minScaleValue_) * maxScaleHeight_ / span;
            points.emplace_back(x, y);
            context->setFillColor(kChartOrange);
            context->setLineWidth(1);
            context->fillEllipseInRect(ui::Rect(x - 1.5, y - 1.5, 3, 3));
        }
        context->setLineDash(0, {});
        context->setStrokeColor(kChartOrange);
        if (!points.empty()) {
            context->beginPath();
            context->addLines(points);
            context->strokePath();
        }
        points_.push_back(std::move(points));
    }
}

void QXChartView::drawRect(const ui::Rect&) {
    auto* context = ui::GraphicsContext::current();
    if (!context) return;
    const double width = bounds().size.width;
    const double height = bounds().size.height;
    context->setFillColor(ui::Color::colorWithWhite(1, 0));
    context->fillRect(bounds());
    calcScales(width);
    drawScale(width, height);
    points_.clear();
    // Without points there is nothing to plot.
    if (!hasPoints_) return;
    drawColumn(height);
}
