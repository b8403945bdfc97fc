#include <QPainterPath>
#include <QPolygonF>

#include "Painting.h"
#include "PictureGroups.h"

#include <cmath>

namespace pictures {

namespace {

const QColor kIconWhite(255, 255, 255);
const QColor kPressedWhite(200, 200, 200);
const QColor kSavedStar(255, 190, 40);

// A round 40-point button of the photo pager: a dark disc with a light ring, the icon on top.
void roundButton(const QString& name, bool pressed, const std::function<void(QPainter&)>& icon) {
    draw(name, 40, 40, [&](QPainter& p) {
        p.setPen(QPen(QColor(255, 255, 255, pressed ? 90 : 150), 1));
        p.setBrush(QColor(0, 0, 0, pressed ? 170 : 110));
        p.drawEllipse(QRectF(1.5, 1.5, 37, 37));
        icon(p);
    });
}

QPen iconPen(bool pressed, double width = 2) {
    return QPen(pressed ? kPressedWhite : kIconWhite, width, Qt::SolidLine, Qt::RoundCap,
                Qt::RoundJoin);
}

// A five-pointed star centred at (cx, cy).
QPolygonF star(double cx, double cy, double outer, double inner) {
    QPolygonF points;
    for (int i = 0; i < 10; ++i) {
        const double radius = i % 2 == 0 ? outer : inner;
        const double angle = -M_PI / 2 + i * M_PI / 5;
        points << QPointF(cx + radius * std::cos(angle), cy + radius * std::sin(angle));
    }
    return points;
}

// A telephone handset filling the square (x, y, side, side).
QPainterPath handset(double x, double y, double side) {
    const double s = side / 18;
    QPainterPath path;
    path.moveTo(x + 4 * s, y + 1.5 * s);
    path.lineTo(x + 7 * s, y + 1.5 * s);
    path.lineTo(x + 8 * s, y + 5.5 * s);
    path.lineTo(x + 6 * s, y + 7 * s);
    path.cubicTo(x + 7 * s, y + 9.5 * s, x + 8.5 * s, y + 11 * s, x + 11 * s, y + 12 * s);
    path.lineTo(x + 12.5 * s, y + 10 * s);
    path.lineTo(x + 16.5 * s, y + 11 * s);
    path.lineTo(x + 16.5 * s, y + 14 * s);
    path.cubicTo(x + 16.5 * s, y + 15.5 * s, x + 15 * s, y + 16.5 * s, x + 13.5 * s, y + 16.5 * s);
    path.cubicTo(x + 7 * s, y + 16 * s, x + 2 * s, y + 11 * s, x + 1.5 * s, y + 4.5 * s);
    path.cubicTo(x + 1.5 * s, y + 3 * s, x + 2.5 * s, y + 1.5 * s, x + 4 * s, y + 1.5 * s);
    path.closeSubpath();
    return path;
}

// A speech bubble with three dots, in the square (x, y, side, side).
void bubble(QPainter& p, double x, double y, double side, const QPen& pen, const QColor& dots) {
    const double s = side / 18;
    QPainterPath path;
    path.addRoundedRect(QRectF(x + 1 * s, y + 2 * s, 16 * s, 11 * s), 3 * s, 3 * s);
    QPainterPath tail;
    tail.moveTo(x + 5 * s, y + 12.5 * s);
    tail.lineTo(x + 4 * s, y + 16.5 * s);
    tail.lineTo(x + 9 * s, y + 12.5 * s);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawPath(path.united(tail));
    p.setPen(Qt::NoPen);
    p.setBrush(dots);
    for (int i = 0; i < 3; ++i) p.drawEllipse(QPointF(x + (5.5 + i * 3.5) * s, y + 7.5 * s), s, s);
}

// The pager's round buttons: back, save, favourite (kept or not), chat and call.
void pagerButtons() {
    for (const bool pressed : {false, true}) {
        roundButton(pressed ? QStringLiteral("圆形返回点击") : QStringLiteral("圆形返回"), pressed,
                    [pressed](QPainter& p) {
                        p.setPen(iconPen(pressed, 2.5));
                        p.drawPolyline(QPolygonF(
                            {QPointF(23, 12), QPointF(15, 20), QPointF(23, 28)}));
                    });
        roundButton(pressed ? QStringLiteral("下载图片点击") : QStringLiteral("下载图片"), pressed,
                    [pressed](QPainter& p) {
                        p.setPen(iconPen(pressed));
                        p.drawLine(QPointF(20, 11), QPointF(20, 24));
                        p.drawPolyline(QPolygonF(
                            {QPointF(14.5, 19), QPointF(20, 24.5), QPointF(25.5, 19)}));
                        p.drawPolyline(QPolygonF({QPointF(12, 25), QPointF(12, 29),
                                                  QPointF(28, 29), QPointF(28, 25)}));
                    });
        roundButton(pressed ? QStringLiteral("沟通聊天点击") : QStringLiteral("沟通聊天"), pressed,
                    [pressed](QPainter& p) {
                        bubble(p, 11, 11, 18, iconPen(pressed, 1.8),
                               pressed ? kPressedWhite : kIconWhite);
                    });
        roundButton(pressed ? QStringLiteral("电话聊天点击") : QStringLiteral("电话聊天"), pressed,
                    [pressed](QPainter& p) {
                        p.setPen(Qt::NoPen);
                        p.setBrush(pressed ? kPressedWhite : kIconWhite);
                        p.drawPath(handset(11, 11, 18));
                    });
    }
    roundButton(QStringLiteral("收藏图片"), false, [](QPainter& p) {
        p.setPen(iconPen(false, 1.8));
        p.setBrush(Qt::NoBrush);
        p.drawPolygon(star(20, 20.5, 9.5, 4));
    });
    roundButton(QStringLiteral("收藏图片点击"), true, [](QPainter& p) {
        p.setPen(iconPen(true, 1.8));
        p.setBrush(QColor(255, 255, 255, 70));
        p.drawPolygon(star(20, 20.5, 9.5, 4));
    });
    roundButton(QStringLiteral("收藏图片已收藏"), false, [](QPainter& p) {
        p.setPen(QPen(kSavedStar, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(kSavedStar);
        p.drawPolygon(star(20, 20.5, 9.5, 4));
    });
}

// The info page: its cards, dots and line, the default broker picture, the two contact
// buttons and their icons.
void infoPage() {
    draw(QStringLiteral("点"), 5, 5, [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 220));
        p.drawEllipse(QRectF(0.5, 0.5, 4, 4));
    });
    draw(QStringLiteral("白色浮层bg"), 21, 21, [](QPainter& p) {
        roundedBox(p, QRectF(0.5, 0.5, 20, 20), 5, QColor(255, 255, 255, 38),
                   QColor(255, 255, 255, 90));
    });
    draw(QStringLiteral("透明分割线"), 5, 3,
         [](QPainter& p) { p.fillRect(QRectF(0, 1, 5, 1), QColor(255, 255, 255, 110)); });
    draw(QStringLiteral("小默认头像"), 44, 44, [](QPainter& p) {
        p.fillRect(QRectF(0, 0, 44, 44), QColor(205, 210, 215));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(245, 246, 247));
        p.drawEllipse(QRectF(14, 8, 16, 16));
        p.drawRoundedRect(QRectF(8, 27, 28, 20), 10, 10);
    });
    const auto button = [](const QString& name, const QColor& fill, const QColor& line,
                           double radius) {
        draw(name, 13, 36,
             [&](QPainter& p) { roundedBox(p, QRectF(0.5, 0.5, 12, 35), radius, fill, line); });
    };
    button(QStringLiteral("白色button36px"), QColor(255, 255, 255), QColor(225, 225, 225), 4);
    button(QStringLiteral("白色button36px-点击态"), QColor(222, 222, 222), QColor(200, 200, 200),
           4);
    // Corners of 1.5 points: the remark form stretches these from their third column, which
    // must already be the straight body of the box.
    button(QStringLiteral("button36px"), kGreen, kDarkGreen, 1.5);
    button(QStringLiteral("button36px-点击态"), kDarkGreen, QColor(40, 110, 10), 1.5);
    draw(QStringLiteral("在线聊天"), 18, 18, [](QPainter& p) {
        bubble(p, 0, 0, 18, QPen(kGreen, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin), kGreen);
    });
    draw(QStringLiteral("立即拨打"), 18, 18, [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawPath(handset(0, 0, 18));
    });
}

}  // namespace

void drawPhotoPictures() {
    pagerButtons();
    infoPage();
}

}  // namespace pictures
