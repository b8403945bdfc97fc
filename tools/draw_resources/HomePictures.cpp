#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>

#include "Painting.h"
#include "PictureGroups.h"

namespace pictures {

namespace {

// The publish area's backgrounds (tall and short screens) and the round start button with
// its rings and glow.
void publishArea() {
    for (const auto& [name, height] : {std::pair{QStringLiteral("首页背景bg"), 376.0},
                                       std::pair{QStringLiteral("背景960"), 171.0}}) {
        draw(name, 320, height, [bottom = height](QPainter& p) {
            QLinearGradient fill(0, 0, 0, bottom);
            fill.setColorAt(0, QColor(244, 250, 240));
            fill.setColorAt(1, QColor(222, 240, 210));
            p.fillRect(QRectF(0, 0, 320, bottom), fill);
        });
    }
    for (const bool pressed : {false, true}) {
        draw(pressed ? QStringLiteral("开始找房点击") : QStringLiteral("开始找房"), 201, 201,
             [pressed](QPainter& p) {
                 p.setPen(Qt::NoPen);
                 p.setBrush(pressed ? kDarkGreen : kGreen);
                 p.drawEllipse(QRectF(30, 30, 141, 141));
                 p.setPen(Qt::white);
                 p.setFont(font(26, true));
                 p.drawText(QRectF(30, 30, 141, 141), Qt::AlignCenter, QStringLiteral("开始找房"));
             });
    }
    draw(QStringLiteral("背景2"), 201, 201, [](QPainter& p) {
        p.setPen(QPen(QColor(86, 186, 34, 80), 2));
        p.drawEllipse(QRectF(2, 2, 197, 197));
    });
    draw(QStringLiteral("背景1"), 201, 201, [](QPainter& p) {
        p.setPen(QPen(QColor(86, 186, 34, 140), 3));
        p.drawEllipse(QRectF(16, 16, 169, 169));
    });
    draw(QStringLiteral("背景3"), 201, 201, [](QPainter& p) {
        QRadialGradient glow(100.5, 100.5, 100);
        glow.setColorAt(0.6, QColor(86, 186, 34, 90));
        glow.setColorAt(1, QColor(86, 186, 34, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(glow);
        p.drawEllipse(QRectF(0, 0, 201, 201));
    });
    draw(QStringLiteral("圆"), 121, 121, [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(kGreen);
        p.drawEllipse(QRectF(0, 0, 121, 121));
    });
    draw(QStringLiteral("文字"), 121, 121, [](QPainter& p) {
        p.setPen(Qt::white);
        p.setFont(font(24, true));
        p.drawText(QRectF(0, 0, 121, 121), Qt::AlignCenter, QStringLiteral("开始找房"));
    });
}

// A coloured rounded square of 32 x 32 points with a white house.
void houseTile(QPainter& p, const QColor& colour) {
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawRoundedRect(QRectF(1, 1, 30, 30), 7, 7);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(9, 12, 14, 12));
    QPainterPath roof;
    roof.moveTo(7, 13);
    roof.lineTo(16, 6);
    roof.lineTo(25, 13);
    roof.closeSubpath();
    p.drawPath(roof);
}

// The entry tiles.
void tiles() {
    const std::pair<QString, QColor> looks[] = {
        {QStringLiteral("首页好房子"), QColor(255, 140, 40)},
        {QStringLiteral("首页门店"), QColor(60, 150, 230)},
        {QStringLiteral("首页资讯发布icon"), kGreen},
    };
    for (const auto& [name, colour] : looks) {
        draw(name, 32, 32, [fillColour = colour](QPainter& p) { houseTile(p, fillColour); });
    }
    // The messaging team's picture in the welcome conversation: a 40 x 40 green tile. Its
    // file name carries the scale already.
    draw(QStringLiteral("Nevoru官方2.2.1"), 40, 40, [](QPainter& p) {
        p.scale(40.0 / 32, 40.0 / 32);
        houseTile(p, kGreen);
    });
    draw(QStringLiteral("首页-选择城市箭头"), 15, 15, [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        QPainterPath arrow;
        arrow.moveTo(3, 5);
        arrow.lineTo(12, 5);
        arrow.lineTo(7.5, 10.5);
        arrow.closeSubpath();
        p.drawPath(arrow);
    });
}

// A round icon of the publish menu with a one-character label.
void menuIcon(const QString& name, const QColor& colour, const QString& glyph) {
    draw(name, 66, 66, [&](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawEllipse(QRectF(3, 3, 60, 60));
        p.setPen(Qt::white);
        p.setFont(font(26, true));
        p.drawText(QRectF(3, 3, 60, 60), Qt::AlignCenter, glyph);
    });
}

// The publish menu: its three icons and its close button.
void publishMenu() {
    menuIcon(QStringLiteral("买房icon"), kOrange, QStringLiteral("买"));
    menuIcon(QStringLiteral("整租icon"), kWidgetGreen, QStringLiteral("租"));
    menuIcon(QStringLiteral("合租icon"), kBlue, QStringLiteral("合"));
    for (const bool pressed : {false, true}) {
        draw(pressed ? QStringLiteral("首页关闭点击") : QStringLiteral("首页关闭"), 38, 38,
             [pressed](QPainter& p) {
                 p.setPen(QPen(pressed ? kWidgetGreen : kArrowGrey, 2));
                 p.setBrush(Qt::white);
                 p.drawEllipse(QRectF(1, 1, 36, 36));
                 p.drawLine(QPointF(13, 13), QPointF(25, 25));
                 p.drawLine(QPointF(25, 13), QPointF(13, 25));
             });
    }
}

}  // namespace

void drawHomePictures() {
    publishArea();
    tiles();
    publishMenu();
}

}  // namespace pictures
