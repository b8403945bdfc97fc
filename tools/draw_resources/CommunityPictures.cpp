#include <QPainterPath>
#include <QPolygonF>

#include "Painting.h"
#include "PictureGroups.h"

namespace pictures {

namespace {

// A chevron stroked `width` points wide through three points.
void chevron(QPainter& p, const QPolygonF& points, const QColor& colour, double width) {
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(points);
}

// An arrow of the price change: a triangle head on a short shaft, pointing up or down.
void changeArrow(const QString& name, const QColor& colour, bool up) {
    draw(name, 10, 14, [&](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        if (up) {
            p.drawPolygon(QPolygonF({QPointF(5, 1), QPointF(9.5, 7), QPointF(0.5, 7)}));
            p.drawRect(QRectF(3.5, 6.5, 3, 6.5));
        } else {
            p.drawPolygon(QPolygonF({QPointF(5, 13), QPointF(9.5, 7), QPointF(0.5, 7)}));
            p.drawRect(QRectF(3.5, 1, 3, 6.5));
        }
    });
}

// A verification badge: a round seal with a mark in it.
void badge(const QString& name, const QColor& colour, bool card) {
    draw(name, 14, 14, [&](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawEllipse(QRectF(0.5, 0.5, 13, 13));
        if (card) {
            p.setBrush(Qt::white);
            p.drawRoundedRect(QRectF(3, 4.5, 8, 5), 1, 1);
            return;
        }
        chevron(p, QPolygonF({QPointF(4, 7.2), QPointF(6.2, 9.5), QPointF(10.2, 4.8)}), Qt::white,
                1.6);
    });
}

// The community page's price-change arrows (its separators and arrows are the detail's).
void communityPage() {
    changeArrow(QStringLiteral("小区详情-上升"), kRed, true);
    changeArrow(QStringLiteral("小区详情-下降"), kWidgetGreen, false);
}

// The broker page (its default avatar is the need replies'): the rows of the phone and the
// post lists, the badges and the contact mark, and the list's bottom tip.
void brokerPage() {
    for (const bool pressed : {false, true}) {
        draw(pressed ? QStringLiteral("表格列表点击") : QStringLiteral("表格列表"), 20, 44,
             [pressed](QPainter& p) {
                 p.fillRect(QRectF(0, 0, 20, 44),
                            pressed ? QColor(232, 232, 232) : QColor(255, 255, 255));
                 p.fillRect(QRectF(0, 43, 20, 1), QColor(224, 224, 224));
             });
    }
    badge(QStringLiteral("名片验证"), kBlue, true);
    badge(QStringLiteral("身份证验证"), kWidgetGreen, false);
    draw(QStringLiteral("联系人数"), 14, 14, [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(170, 170, 170));
        p.drawEllipse(QRectF(4.5, 1, 5, 5));
        p.drawChord(QRectF(1.5, 7, 11, 12), 0, 180 * 16);
    });
    draw(QStringLiteral("底部提示"), 12, 25,
         [](QPainter& p) { p.fillRect(QRectF(0, 0, 12, 25), QColor(70, 70, 70, 220)); });
}

}  // namespace

void drawCommunityPictures() {
    communityPage();
    brokerPage();
}

}  // namespace pictures
