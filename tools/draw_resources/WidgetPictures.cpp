#include <QLinearGradient>
#include <QPainterPath>

#include "Painting.h"
#include "PictureGroups.h"

namespace pictures {

namespace {

// A stroked arrow along the middle of `box`, pointing down or up.
void arrow(QPainter& p, const QRectF& box, const QColor& colour, bool down) {
    p.setPen(QPen(colour, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const double cx = box.center().x();
    const double top = box.top() + 2, bottom = box.bottom() - 2;
    p.drawLine(QPointF(cx, top), QPointF(cx, bottom));
    const double tip = down ? bottom : top, back = down ? tip - 7 : tip + 7;
    p.drawLine(QPointF(cx - 6, back), QPointF(cx, tip));
    p.drawLine(QPointF(cx + 6, back), QPointF(cx, tip));
}

// The floating notice's background and the shade under a title bar.
void notices() {
    draw(QStringLiteral("tip-bg"), 20, 20,
         [](QPainter& p) { roundedBox(p, QRectF(0, 0, 20, 20), 6, QColor(0, 0, 0, 190)); });
    draw(QStringLiteral("title bar－阴影"), 20, 7, [](QPainter& p) {
        QLinearGradient shade(0, 0, 0, 7);
        shade.setColorAt(0, QColor(0, 0, 0, 90));
        shade.setColorAt(1, QColor(0, 0, 0, 0));
        p.fillRect(QRectF(0, 0, 20, 7), shade);
    });
}

// Pull-to-refresh: the arrows of the header and footer, the spinner's disc and ring, the logo.
void refresh() {
    draw(QStringLiteral("PRRefresh.bundle/arrow"), 16, 40,
         [](QPainter& p) { arrow(p, QRectF(0, 0, 16, 40), kArrowGrey, true); });
    draw(QStringLiteral("信息详情-跳转B"), 16, 28,
         [](QPainter& p) { arrow(p, QRectF(0, 0, 16, 28), kArrowGrey, false); });
    draw(QStringLiteral("灰色图"), 30, 30, [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(200, 200, 200));
        p.drawEllipse(QRectF(2, 2, 26, 26));
        p.setBrush(QColor(245, 245, 245));
        p.drawEllipse(QRectF(9, 9, 12, 12));
    });
    draw(QStringLiteral("圆环"), 30, 30, [](QPainter& p) {
        p.setPen(QPen(kWidgetGreen, 3, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(QRectF(2, 2, 26, 26), 90 * 16, 300 * 16);
    });
    draw(QStringLiteral("logo"), 30, 30, [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(kWidgetGreen);
        QPainterPath house;
        house.moveTo(15, 8);
        house.lineTo(22, 14);
        house.lineTo(20, 14);
        house.lineTo(20, 21);
        house.lineTo(10, 21);
        house.lineTo(10, 14);
        house.lineTo(8, 14);
        house.closeSubpath();
        p.drawPath(house);
    });
}

// The chat input bar: text field backgrounds (two corner sizes), the bar and its button.
void chatInput() {
    draw(QStringLiteral("textbg"), 20, 20, [](QPainter& p) {
        roundedBox(p, QRectF(0.5, 0.5, 19, 19), 8, Qt::white, QColor(160, 160, 160));
    });
    draw(QStringLiteral("textbg_7"), 20, 20, [](QPainter& p) {
        roundedBox(p, QRectF(0.5, 0.5, 19, 19), 5, Qt::white, QColor(200, 200, 200));
    });
    draw(QStringLiteral("toolbarbg"), 20, 20, [](QPainter& p) {
        QLinearGradient shade(0, 0, 0, 20);
        shade.setColorAt(0, QColor(235, 235, 235));
        shade.setColorAt(1, QColor(200, 200, 200));
        p.fillRect(QRectF(0, 0, 20, 20), shade);
    });
    draw(QStringLiteral("buttonbg"), 24, 26,
         [](QPainter& p) { roundedBox(p, QRectF(0.5, 0.5, 23, 25), 6, QColor(90, 140, 220)); });
}

// The slider: track, chosen track, knob and the value tip (plain and chosen).
void slider() {
    draw(QStringLiteral("拖动条"), 10, 10,
         [](QPainter& p) { roundedBox(p, QRectF(0, 2, 10, 6), 3, QColor(220, 220, 220)); });
    draw(QStringLiteral("拖动条 选中"), 10, 10,
         [](QPainter& p) { roundedBox(p, QRectF(0, 2, 10, 6), 3, kPink); });
    draw(QStringLiteral("圆形按钮"), 25, 25, [](QPainter& p) {
        p.setPen(QPen(QColor(200, 200, 200), 1));
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(1, 1, 23, 23));
    });
    for (const bool chosen : {false, true}) {
        draw(chosen ? QStringLiteral("拖动条 提示框 选中") : QStringLiteral("拖动条 提示框"), 34,
             28, [chosen](QPainter& p) {
                 QPainterPath tip;
                 tip.addRoundedRect(QRectF(1, 1, 32, 20), 4, 4);
                 QPainterPath point;
                 point.moveTo(12, 21);
                 point.lineTo(17, 27);
                 point.lineTo(22, 21);
                 point.closeSubpath();
                 p.setPen(QPen(kPink, 1));
                 p.setBrush(chosen ? kPink : QColor(Qt::white));
                 p.drawPath(tip.united(point));
             });
    }
}

}  // namespace

void drawWidgetPictures() {
    notices();
    refresh();
    chatInput();
    slider();
}

}  // namespace pictures
