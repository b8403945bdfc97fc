// The price-trend chart: its grid, scale and points for the community page's frame, and
// the counts of points the page hands it (none, one, two, six, twenty-four), extremes too.
#include "houses/community/QXChartView.h"

#include "SandboxTest.h"
#include "platform/uikit/graphics_context.h"
#include "platform/uikit/image.h"

#include <QDateTime>

#include <cmath>
#include <limits>

namespace {

constexpr qint64 kMonth = 30 * 86400;
constexpr qint64 kJanuary2024 = 1704067200;

QVariantList records(const std::vector<double>& prices, qint64 from = kJanuary2024) {
    QVariantList points;
    for (std::size_t i = 0; i < prices.size(); ++i) {
        points << QVariantMap{{"avg_price", prices[i]}, {"record_time", from + qint64(i) * kMonth}};
    }
    return points;
}

class ChartViewTest : public SandboxTest {
protected:
    // The chart of the page's frame with `groups` of points, drawn once.
    std::shared_ptr<QXChartView> draw(const std::vector<QVariantList>& groups) {
        auto chart = std::make_shared<QXChartView>(ui::Rect(8, 0, 304, 120));
        chart->setVerticalKey("avg_price");
        chart->setHorizontalKey("record_time");
        QVariantList all;
        for (const QVariantList& group : groups) all << QVariant(group);
        chart->setGroupsData(all);
        ui::GraphicsContext::beginImageContextWithOptions(ui::Size(304, 120), false, 1);
        chart->drawRect(chart->bounds());
        image_ = ui::GraphicsContext::imageFromCurrentImageContext();
        ui::GraphicsContext::endImageContext();
        return chart;
    }
    [[nodiscard]] QStringList labels(const QXChartView& chart) const {
        QStringList all;
        for (int i = 0; i < QXChartView::kScaleLines; ++i) all << chart.scaleLabel(i);
        return all;
    }
    // Whether the drawing put orange at a point (a dot or the line through it).
    [[nodiscard]] bool orangeAt(ui::Point point) const {
        const QColor colour = image_->pixels().pixelColor(int(point.x), int(point.y));
        return colour.red() > 200 && colour.green() > 90 && colour.green() < 170 &&
               colour.blue() < 80;
    }

    std::shared_ptr<ui::Image> image_;
};

TEST_F(ChartViewTest, SixRecordsStandOnThePagesGrid) {
    const auto chart = draw({records({50.2, 55, 63.7, 60, 52, 58})});
    EXPECT_EQ(chart->columnWidth(), 48);
    const double xs[] = {38, 86, 134, 182, 230, 278};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(chart->pointAt(0, i).x, xs[i]);
    // Values from 50.2 to 63.7: lines from 50 to 71 in steps of 3, the lowest value at y 100
    // and the highest line's value at y 12.5.
    EXPECT_EQ(labels(*chart), (QStringList{"50", "53", "56", "59", "62", "65", "68", "71"}));
    EXPECT_NEAR(chart->pointAt(0, 0).y, 100 - (50.2 - 50) * 87.5 / 21, 0.01);
    EXPECT_NEAR(chart->pointAt(0, 2).y, 100 - (63.7 - 50) * 87.5 / 21, 0.01);
    EXPECT_TRUE(orangeAt(chart->pointAt(0, 2)));
    EXPECT_EQ(QXChartView::formatGroupKey(double(kJanuary2024 + 12 * 3600)),
              QDateTime::fromSecsSinceEpoch(kJanuary2024 + 12 * 3600).toString("yy年MM月"));
    EXPECT_TRUE(QXChartView::formatGroupKey(double(kJanuary2024 + 200 * 86400)).startsWith("24年"));
}

TEST_F(ChartViewTest, TheScaleSpansAMultipleOfSevenAboveTheCeiling) {
    EXPECT_EQ(labels(*draw({records({30000.4, 30000.9})})),
              (QStringList{"30000", "30001", "30002", "30003", "30004", "30005", "30006", "30007"}))
        << "values inside one whole unit";
    EXPECT_EQ(draw({records({50, 64})})->maxScaleValue(), 71) << "a span of 14 gets 7 more";
    // A record without a price counts as 0 and pulls the scale down to it.
    QVariantList withGap = records({40, 41});
    withGap << QVariantMap{{"record_time", kJanuary2024}};
    EXPECT_EQ(draw({withGap})->minScaleValue(), 0);
    // Several groups share one scale, each with its own points.
    const auto both = draw({records({10, 12}), records({30, 31, 33})});
    EXPECT_EQ(both->minScaleValue(), 10);
    EXPECT_EQ(both->maxScaleValue(), 38);
    EXPECT_EQ(both->pointAt(1, 2).x, 38 + 2 * both->columnWidth());
}

TEST_F(ChartViewTest, NoneOneTwoAndTwentyFourPointsAndExtremesDrawFinitely) {
    const auto none = draw({});
    EXPECT_EQ(labels(*none), (QStringList{"0", "1", "2", "3", "4", "5", "6", "7"}));
    EXPECT_EQ(none->pointAt(0, 0), ui::Point());
    EXPECT_EQ(draw({QVariantList()})->columnWidth(), 0) << "a group without points";

    const auto one = draw({records({42000})});
    EXPECT_EQ(one->columnWidth(), 0);
    EXPECT_EQ(one->pointAt(0, 0).x, 38 + 120) << "a single point stands in the middle, not in "
                                                 "the axes' corner";
    EXPECT_TRUE(std::isfinite(one->pointAt(0, 0).y));
    EXPECT_TRUE(orangeAt(one->pointAt(0, 0)));

    const auto two = draw({records({42000, 43000})});
    EXPECT_EQ(two->pointAt(0, 1).x, 38 + 241);

    std::vector<double> months(24);
    for (std::size_t i = 0; i < months.size(); ++i) months[i] = 30000 + double(i) * 150;
    const auto many = draw({records(months)});
    EXPECT_EQ(many->columnWidth(), 10);
    EXPECT_EQ(many->pointAt(0, 23).x, 38 + 230);

    // Prices at the ends of 64 bits and beyond give a scale and points that stay finite.
    const double largest = double(std::numeric_limits<qint64>::max());
    for (const auto& extremes :
         {std::vector<double>{-largest, largest}, std::vector<double>{1e30, -1e30, 5},
          std::vector<double>{largest}}) {
        const auto chart = draw({records(extremes)});
        EXPECT_LT(chart->minScaleValue(), chart->maxScaleValue());
        for (int i = 0; i < int(extremes.size()); ++i)
            EXPECT_TRUE(std::isfinite(chart->pointAt(0, i).y)) << extremes[std::size_t(i)];
        EXPECT_FALSE(chart->scaleLabel(7).isEmpty());
    }
}

TEST_F(ChartViewTest, OnlyOtherGroupsRedraw) {
    auto chart = std::make_shared<QXChartView>(ui::Rect(0, 0, 304, 120));
    const QVariantList groups{QVariant(records({1, 2, 3}))};
    chart->setGroupsData(groups);
    chart->displayIfNeeded();
    ASSERT_FALSE(chart->needsDisplay());
    chart->setGroupsData(groups);
    EXPECT_FALSE(chart->needsDisplay()) << "the same groups again";
    chart->setGroupsData({QVariant(records({1, 2, 4}))});
    EXPECT_TRUE(chart->needsDisplay());
}

}  // namespace
