#include <QPainterPath>
#include <QPolygonF>

#include <cmath>

#include "Painting.h"
#include "PictureGroups.h"

namespace pictures {

namespace {

const QColor kLine(217, 217, 217);
const QColor kVoiceGreen(138, 207, 109);
const QColor kSoftText(92, 99, 103);

// A map pin: a round head with a point below it, its tip at the bottom middle.
QPainterPath pinPath(double width, double height) {
    const double radius = width / 2 - 1;
    QPainterPath path;
    path.moveTo(width / 2, height - 1);
    path.cubicTo(width / 2 - 2, height * 0.62, 1, radius * 1.5, 1, radius + 1);
    path.arcTo(QRectF(1, 1, 2 * radius, 2 * radius), 180, -180);
    path.cubicTo(width - 1, radius * 1.5, width / 2 + 2, height * 0.62, width / 2, height - 1);
    path.closeSubpath();
    return path;
}

// A microphone of `size` with `arcs` level arcs on both sides (0 to 3).
void microphoneWithLevels(QPainter& p, double size, int arcs, const QColor& colour) {
    const double middle = size / 2;
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawRoundedRect(QRectF(middle - 7, 16, 14, 26), 7, 7);
    p.setPen(QPen(colour, 2.5, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(middle - 12, 22, 24, 26), 180 * 16, 180 * 16);
    p.drawLine(QPointF(middle, 48), QPointF(middle, 55));
    p.drawLine(QPointF(middle - 8, 56), QPointF(middle + 8, 56));
    p.setPen(QPen(colour, 2, Qt::SolidLine, Qt::RoundCap));
    for (int n = 1; n <= arcs; ++n) {
        const double r = 14 + 6 * n;
        const QRectF box(middle - r, 29 - r, 2 * r, 2 * r);
        p.drawArc(box, -30 * 16, 60 * 16);
        p.drawArc(box, 150 * 16, 60 * 16);
    }
}

void cross(QPainter& p, const QRectF& box, const QColor& colour, double width) {
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(box.topLeft(), box.bottomRight());
    p.drawLine(box.topRight(), box.bottomLeft());
}

}  // namespace

void drawNeedPictures() {
    // The form's panels: white with a hairline above and below, stretched from the middle.
    draw(QStringLiteral("上表格背景bg"), 6, 6, [](QPainter& p) {
        p.fillRect(QRectF(0, 0, 6, 6), Qt::white);
        p.fillRect(QRectF(0, 0, 6, 0.5), kLine);
        p.fillRect(QRectF(0, 5.5, 6, 0.5), kLine);
    });
    draw(QStringLiteral("地标icon"), 13, 13, [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(kGreen);
        p.drawPath(pinPath(10, 13).translated(1.5, 0));
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(4.7, 2.7, 3.6, 3.6));
    });
    draw(QStringLiteral("金钱icon"), 13, 13, [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(kOrange);
        p.drawEllipse(QRectF(0.5, 0.5, 12, 12));
        p.setPen(QPen(Qt::white, 1.3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawLine(QPointF(4, 3.2), QPointF(6.5, 6.4));
        p.drawLine(QPointF(9, 3.2), QPointF(6.5, 6.4));
        p.drawLine(QPointF(6.5, 6.4), QPointF(6.5, 10.2));
        p.drawLine(QPointF(4.3, 6.8), QPointF(8.7, 6.8));
        p.drawLine(QPointF(4.3, 8.6), QPointF(8.7, 8.6));
    });
    triangle(QStringLiteral("下拉三角"), 17, 17, kArrowGrey, true);
    // The house-type row: a white cell with a hairline on its right, green when chosen.
    const auto houseCell = [](const QString& name, const QColor& fill) {
        draw(name, 30, 46, [fill](QPainter& p) {
            p.fillRect(QRectF(0, 0, 30, 46), fill);
            p.fillRect(QRectF(0, 0, 30, 0.5), kLine);
            p.fillRect(QRectF(29.5, 0, 0.5, 46), kLine);
        });
    };
    houseCell(QStringLiteral("居室多选中"), Qt::white);
    houseCell(QStringLiteral("居室多选中左选中"), kWidgetGreen);
    draw(QStringLiteral("选框"), 17, 17, [](QPainter& p) {
        roundedBox(p, QRectF(0.5, 0.5, 16, 16), 4, Qt::white, QColor(205, 205, 205));
    });
    draw(QStringLiteral("选框选中"), 17, 17, [](QPainter& p) {
        roundedBox(p, QRectF(0.5, 0.5, 16, 16), 4, kWidgetGreen, kDarkGreen);
    });
    // The voice note's button, a pill, and its parts.
    draw(QStringLiteral("语音补充button"), 41, 36, [](QPainter& p) {
        roundedBox(p, QRectF(0.5, 0.5, 40, 35), 17.5, Qt::white, kVoiceGreen);
    });
    draw(QStringLiteral("语音button点击"), 41, 36, [](QPainter& p) {
        roundedBox(p, QRectF(0.5, 0.5, 40, 35), 17.5, QColor(226, 244, 218), kVoiceGreen);
    });
    draw(QStringLiteral("语音小icon"), 20, 20, [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(kVoiceGreen);
        p.drawRoundedRect(QRectF(7, 2, 6, 10), 3, 3);
        p.setPen(QPen(kVoiceGreen, 1.4, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(4.5, 5, 11, 10), 180 * 16, 180 * 16);
        p.drawLine(QPointF(10, 15), QPointF(10, 18));
        p.drawLine(QPointF(7, 18), QPointF(13, 18));
    });
    const auto deleteIcon = [](const QString& name, const QColor& fill) {
        draw(name, 27, 27, [fill](QPainter& p) {
            p.setPen(Qt::NoPen);
            p.setBrush(fill);
            p.drawEllipse(QRectF(0.5, 0.5, 26, 26));
            cross(p, QRectF(9, 9, 9, 9), Qt::white, 2);
        });
    };
    deleteIcon(QStringLiteral("语音删除icon"), kRed);
    deleteIcon(QStringLiteral("语音删除icon点击"), QColor(180, 40, 30));
    for (int arcs = 1; arcs <= 3; ++arcs) {
        draw(QStringLiteral("语音-%1").arg(arcs), 12, 20, [arcs](QPainter& p) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(60, 60, 60));
            p.drawEllipse(QPointF(2, 10), 1.8, 1.8);
            p.setPen(QPen(QColor(60, 60, 60), 1.6, Qt::SolidLine, Qt::RoundCap));
            p.setBrush(Qt::NoBrush);
            for (int n = 1; n < arcs; ++n) {
                const double r = 4.5 * n;
                p.drawArc(QRectF(2 - r, 10 - r, 2 * r, 2 * r), -50 * 16, 100 * 16);
            }
        });
    }
    // The recording panel.
    draw(QStringLiteral("列表"), 20, 20, [](QPainter& p) {
        roundedBox(p, QRectF(0.5, 0.5, 19, 19), 6, Qt::white, QColor(225, 225, 225));
    });
    for (int frame = 1; frame <= 7; ++frame) {
        const QString name = frame == 1 ? QStringLiteral("录音") : QStringLiteral("录音-%1").arg(frame);
        draw(name, 75, 75, [frame](QPainter& p) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(236, 246, 231));
            p.drawEllipse(QRectF(0.5, 0.5, 74, 74));
            microphoneWithLevels(p, 75, (frame - 1) % 4, kVoiceGreen);
        });
    }
    draw(QStringLiteral("关闭"), 15, 15, [](QPainter& p) {
        cross(p, QRectF(2, 2, 11, 11), QColor(150, 150, 150), 1.8);
    });
    // The form's own back button at the top left, over the form's light grey: a chevron in
    // the title's colour; pressed, on a pale disc.
    for (const bool pressed : {false, true}) {
        draw(pressed ? QStringLiteral("发布页返回点击") : QStringLiteral("发布页返回"), 26, 26,
             [pressed](QPainter& p) {
                 if (pressed) {
                     p.setPen(Qt::NoPen);
                     p.setBrush(QColor(217, 217, 217));
                     p.drawEllipse(QRectF(0.5, 0.5, 25, 25));
                 }
                 p.setPen(QPen(pressed ? QColor(60, 65, 68) : kSoftText, 2.2, Qt::SolidLine,
                               Qt::RoundCap, Qt::RoundJoin));
                 p.setBrush(Qt::NoBrush);
                 p.drawPolyline(
                     QPolygonF({QPointF(15.5, 6.5), QPointF(9, 13), QPointF(15.5, 19.5)}));
             });
    }
    // The SMS validation's buttons.
    draw(QStringLiteral("button36px-置灰"), 13, 36, [](QPainter& p) {
        roundedBox(p, QRectF(0.5, 0.5, 12, 35), 4, QColor(200, 200, 200), QColor(180, 180, 180));
    });
    draw(QStringLiteral("短信发送button"), 12, 40, [](QPainter& p) {
        roundedBox(p, QRectF(0.5, 0.5, 11, 39), 4, kOrange, QColor(220, 110, 0));
    });
    draw(QStringLiteral("短信发送button点击"), 12, 40, [](QPainter& p) {
        roundedBox(p, QRectF(0.5, 0.5, 11, 39), 4, QColor(220, 110, 0), QColor(190, 95, 0));
    });
    // The map point picker's pin: the head that jumps, and its shadow on the ground.
    draw(QStringLiteral("地图地标02"), 24, 36, [](QPainter& p) {
        p.setPen(QPen(QColor(40, 120, 10), 1));
        p.setBrush(kGreen);
        p.drawPath(pinPath(24, 34));
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(8, 7, 8, 8));
    });
    draw(QStringLiteral("地图地标01"), 24, 36, [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 70));
        p.drawEllipse(QRectF(7, 32, 10, 4));
    });
}

}  // namespace pictures
