#include <QPainterPath>
#include <QPolygonF>

#include <cmath>

#include "Painting.h"
#include "PictureGroups.h"

namespace pictures {

namespace {

// The icons of the history rows: a clock for a keyword searched before, a bin for the row
// that clears the history.
void historyIcons() {
    draw(QStringLiteral("搜索框-历史"), 20, 20, [](QPainter& p) {
        p.setPen(QPen(QColor(170, 170, 170), 1.6));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(3, 3, 14, 14));
        p.setPen(QPen(QColor(170, 170, 170), 1.6, Qt::SolidLine, Qt::RoundCap));
        p.drawPolyline(QPolygonF({QPointF(10, 6), QPointF(10, 10.5), QPointF(13, 12)}));
    });
    draw(QStringLiteral("搜索框-清空"), 20, 20, [](QPainter& p) {
        p.setPen(QPen(kOrange, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawLine(QPointF(4, 5.5), QPointF(16, 5.5));
        p.drawLine(QPointF(8, 3.5), QPointF(12, 3.5));
        p.drawPolyline(QPolygonF(
            {QPointF(5.5, 7.5), QPointF(6.5, 17), QPointF(13.5, 17), QPointF(14.5, 7.5)}));
        p.drawLine(QPointF(8.5, 9.5), QPointF(8.8, 15));
        p.drawLine(QPointF(11.5, 9.5), QPointF(11.2, 15));
    });
}

// The search results: the time-out view's button, plain and pressed (caps 7 and 26), and
// the chosen row of the category list (caps 5 and 21).
void resultPictures() {
    for (const bool pressed : {false, true}) {
        draw(pressed ? QStringLiteral("单条点击") : QStringLiteral("单条"), 15, 53,
             [pressed](QPainter& p) {
                 roundedBox(p, QRectF(0.5, 0.5, 14, 52), 5,
                            pressed ? QColor(225, 225, 225) : QColor(250, 250, 250),
                            QColor(200, 200, 200));
             });
    }
    draw(QStringLiteral("快捷灰按钮"), 11, 43, [](QPainter& p) {
        p.fillRect(QRectF(0, 0, 11, 43), QColor(228, 228, 228));
        p.fillRect(QRectF(0, 42, 11, 1), QColor(210, 210, 210));
    });
}

// A five-pointed star inscribed in a `size` square.
QPolygonF star(double size) {
    QPolygonF points;
    const double c = size / 2;
    for (int i = 0; i < 10; ++i) {
        const double radius = i % 2 == 0 ? c : c * 0.45;
        const double angle = -M_PI / 2 + i * M_PI / 5;
        points << QPointF(c + radius * std::cos(angle), c + radius * std::sin(angle));
    }
    return points;
}

// The job row's rating: a star and the rounded strip under the stars.
void ratingPictures() {
    draw(QStringLiteral("职位详情-星级"), 12, 12, [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(kOrange);
        p.drawPolygon(star(12));
    });
    draw(QStringLiteral("职位详情-星级底"), 12, 12,
         [](QPainter& p) { roundedBox(p, QRectF(0, 1, 12, 10), 4, QColor(242, 242, 242)); });
}

// The category tiles and the paged grid of major categories: tile frames, the near-by
// divider, the grid's arrow, shadow and pressed texture, and the page dots.
void categoryPictures() {
    draw(QStringLiteral("招聘背景框子"), 20, 20, [](QPainter& p) {
        roundedBox(p, QRectF(0.5, 0.5, 19, 19), 4, Qt::white, QColor(215, 215, 215));
    });
    draw(QStringLiteral("边框"), 20, 20, [](QPainter& p) {
        p.fillRect(QRectF(0, 0, 20, 20), Qt::white);
        p.setPen(QPen(QColor(225, 225, 225), 1));
        p.drawRect(QRectF(0.5, 0.5, 19, 19));
    });
    draw(QStringLiteral("附近分割线"), 1, 66,
         [](QPainter& p) { p.fillRect(QRectF(0, 6, 1, 54), QColor(220, 220, 220)); });
    draw(QStringLiteral("展开角"), 18, 13, [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(102, 102, 102));
        p.drawPolygon(QPolygonF({QPointF(3, 13), QPointF(9, 5), QPointF(15, 13)}));
    });
    draw(QStringLiteral("首页阴影"), 4, 4, [](QPainter& p) {
        QLinearGradient shade(0, 0, 0, 4);
        shade.setColorAt(0, QColor(0, 0, 0, 70));
        shade.setColorAt(1, QColor(0, 0, 0, 0));
        p.fillRect(QRectF(0, 0, 4, 4), shade);
    });
    draw(QStringLiteral("纹理"), 4, 4, [](QPainter& p) {
        p.fillRect(QRectF(0, 0, 4, 4), QColor(70, 70, 70));
        p.fillRect(QRectF(0, 0, 2, 2), QColor(82, 82, 82));
        p.fillRect(QRectF(2, 2, 2, 2), QColor(82, 82, 82));
    });
    for (const bool current : {true, false}) {
        draw(current ? QStringLiteral("橙色点") : QStringLiteral("非当前页点"), 7, 7,
             [current](QPainter& p) {
                 p.setPen(Qt::NoPen);
                 p.setBrush(current ? kOrange : QColor(170, 170, 170));
                 p.drawEllipse(QRectF(0, 0, 7, 7));
             });
    }
}

}  // namespace

void drawSearchPictures() {
    historyIcons();
    resultPictures();
    ratingPictures();
    categoryPictures();
}

}  // namespace pictures
