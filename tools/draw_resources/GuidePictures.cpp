#include <QPainterPath>

#include "Painting.h"
#include "PictureGroups.h"

namespace pictures {

namespace {

// A round picture of the guide: a filled disc with a short label, centred at `labelAt` of
// its height (lower or higher where the page lays other pictures over its middle).
void disc(const QString& name, double size, const QColor& colour, const QString& label,
          double labelAt = 0.5) {
    draw(name, size, size, [size, colour, label, labelAt](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawEllipse(QRectF(2, 2, size - 4, size - 4));
        p.setPen(Qt::white);
        p.setFont(font(size / 4, true));
        p.drawText(QRectF(0, size * (labelAt - 0.5), size, size), Qt::AlignCenter, label);
    });
}

// The map page's ripples around the located point: rings that fade outwards.
void ripples(const QString& name, double size) {
    draw(name, size, size, [size](QPainter& p) {
        p.setBrush(Qt::NoBrush);
        for (int ring = 0; ring < 3; ++ring) {
            const double inset = 3 + ring * size / 7;
            p.setPen(QPen(QColor(255, 255, 255, 220 - ring * 60), 2.5));
            p.drawEllipse(QRectF(inset, inset, size - 2 * inset, size - 2 * inset));
        }
    });
}

// A caption or headline of the guide: green text on nothing.
void caption(const QString& name, double width, double height, const QString& text, double points) {
    draw(name, width, height, [=](QPainter& p) {
        p.setPen(kGreen);
        p.setFont(font(points, true));
        p.drawText(QRectF(0, 0, width, height), Qt::AlignCenter, text);
    });
}

// The guide's start button, plain and pressed.
void startButton() {
    for (const bool pressed : {false, true}) {
        draw(pressed ? QStringLiteral("开始button点击") : QStringLiteral("开始button"), 60, 44,
             [pressed](QPainter& p) {
                 roundedBox(p, QRectF(0.5, 0.5, 59, 43), 5,
                            pressed ? QColor(230, 245, 222) : QColor(Qt::white), kGreen);
             });
    }
}

}  // namespace

// Drawn at twice the size the pages show them.
void drawGuidePictures() {
    caption(QStringLiteral("字"), 260, 70, QStringLiteral("租房 合租 买房\n一个应用就够了"), 26);
    disc(QStringLiteral("01"), 280, QColor(120, 200, 80), QStringLiteral("Nevoru"));
    draw(QStringLiteral("上滑icon"), 30, 30, [](QPainter& p) {
        p.setPen(QPen(kGreen, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        QPainterPath up;
        up.moveTo(6, 20);
        up.lineTo(15, 10);
        up.lineTo(24, 20);
        p.drawPath(up);
    });
    draw(QStringLiteral("背景点"), 6, 12, [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(190, 220, 170));
        p.drawEllipse(QRectF(1, 3, 4, 4));
    });
    caption(QStringLiteral("字2"), 260, 50, QStringLiteral("好房源，随手找"), 22);
    caption(QStringLiteral("字3"), 260, 50, QStringLiteral("附近门店，一目了然"), 22);
    caption(QStringLiteral("字4"), 260, 50, QStringLiteral("发布意向，经纪人来找你"), 22);
    // The page's icons sit over the middle of "1-1" and its child over the lower half.
    disc(QStringLiteral("1-1"), 200, kGreen, QStringLiteral("家"), 0.2);
    // The pages place these two right above their captions: they end before the caption.
    disc(QStringLiteral("1-2"), 56, QColor(60, 60, 60), QString());
    disc(QStringLiteral("1-3"), 120, QColor(255, 170, 60), QStringLiteral("童"));
    disc(QStringLiteral("2-1"), 140, QColor(90, 170, 230), QStringLiteral("地图"), 0.72);
    ripples(QStringLiteral("2-2"), 50);
    disc(QStringLiteral("2-3"), 30, kRed, QString());
    disc(QStringLiteral("2-7"), 60, QColor(255, 170, 60), QStringLiteral("人"));
    disc(QStringLiteral("3-1"), 150, QColor(70, 70, 70), QStringLiteral("手机"));
    disc(QStringLiteral("3-2"), 110, QColor(255, 170, 60), QStringLiteral("人"));
    const QColor icons[] = {kGreen, QColor(90, 170, 230), QColor(255, 140, 40), kRed};
    for (int page = 1; page <= 3; ++page) {
        for (int n = page == 3 ? 3 : 4; n <= 6; ++n) {
            disc(QStringLiteral("%1-%2").arg(page).arg(n), 60, icons[(n + page) % 4],
                 QString::number(n - 2));
        }
    }
    startButton();
}

}  // namespace pictures
