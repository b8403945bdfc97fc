#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainterPath>

#include <cmath>
#include <cstdio>
#include <numbers>

#include "Painting.h"
#include "PictureGroups.h"
#include "standin/GifWriter.h"

namespace pictures {

namespace {

const QColor kInk(64, 64, 64);
const QColor kLightGrey(217, 217, 217);
const QColor kPaleGreen(230, 245, 222);

// A speech bubble of `width` x `height` at (x, y) with a small tail at its lower left.
QPainterPath bubblePath(double x, double y, double width, double height) {
    QPainterPath path;
    path.addRoundedRect(QRectF(x, y, width, height), height / 2.5, height / 2.5);
    QPainterPath tail;
    tail.moveTo(x + width * 0.25, y + height - 2);
    tail.lineTo(x + width * 0.18, y + height + 5);
    tail.lineTo(x + width * 0.42, y + height - 2);
    tail.closeSubpath();
    return path.united(tail);
}

// The count button of the replies screen: a green bubble for the number and "应答" under it,
// on the header's white; `halo` (0 to 1) draws a ring spreading from the bubble.
void countButton(QPainter& p, bool pressed, double halo) {
    p.fillRect(QRectF(0, 0, 58, 58), pressed ? QColor(232, 232, 232) : QColor(255, 255, 255));
    if (halo > 0) {
        QColor ring = kGreen;
        ring.setAlphaF(0.5 * (1 - halo));
        p.setPen(QPen(ring, 3));
        p.setBrush(Qt::NoBrush);
        const double grow = 6 + 10 * halo;
        p.drawRoundedRect(QRectF(13 - grow / 2, 18 - grow / 2, 32 + grow, 22 + grow), 12, 12);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(pressed ? kDarkGreen : kGreen);
    p.drawPath(bubblePath(13, 18, 32, 22));
    p.setPen(kGrey);
    p.setFont(font(10));
    p.drawText(QRectF(0, 44, 58, 12), Qt::AlignCenter, QStringLiteral("应答"));
}

// A round broker face: head and shoulders in `colour` on a pale disc.
void person(QPainter& p, const QRectF& box, const QColor& colour, const QColor& ground) {
    p.setPen(Qt::NoPen);
    p.setBrush(ground);
    p.drawEllipse(box);
    p.setBrush(colour);
    const double w = box.width();
    p.drawEllipse(QPointF(box.center().x(), box.top() + w * 0.38), w * 0.17, w * 0.17);
    QPainterPath shoulders;
    shoulders.moveTo(box.left() + w * 0.22, box.top() + w * 0.82);
    shoulders.cubicTo(box.left() + w * 0.25, box.top() + w * 0.55, box.right() - w * 0.25,
                      box.top() + w * 0.55, box.right() - w * 0.22, box.top() + w * 0.82);
    shoulders.closeSubpath();
    p.drawPath(shoulders);
}

void star(QPainter& p, const QPointF& centre, double radius, const QColor& line,
          const QColor& fill) {
    QPolygonF points;
    for (int i = 0; i < 10; ++i) {
        const double r = i % 2 == 0 ? radius : radius * 0.45;
        const double angle = -std::numbers::pi / 2 + i * std::numbers::pi / 5;
        points << QPointF(centre.x() + r * std::cos(angle), centre.y() + r * std::sin(angle));
    }
    p.setPen(QPen(line, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(fill.isValid() ? QBrush(fill) : QBrush(Qt::NoBrush));
    p.drawPolygon(points);
}

// An animation written as "<name>" (a GIF at two pixels per point) from `count` frames of
// `width` x `height` points, each shown `delay` hundredths of a second.
void animation(const QString& name, double width, double height, int count, int delay,
               const std::function<void(QPainter&, int frame)>& paint, const QString& folder) {
    std::vector<standin::GifWriter::Frame> frames;
    for (int n = 0; n < count; ++n) {
        QImage image(int(width * 2), int(height * 2), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(2, 2);
        paint(painter, n);
        painter.end();
        frames.push_back({image, delay});
    }
    QFile file(folder + QLatin1Char('/') + name);
    if (!file.open(QIODevice::WriteOnly) || file.write(standin::GifWriter::encode(frames, 0)) < 0) {
        std::fprintf(stderr, "draw_resources: cannot write %s\n", qPrintable(file.fileName()));
    }
}

// The matching panel's animation: a radar sweeping over the map, brokers lighting up.
void matchingFrame(QPainter& p, int frame) {
    const QPointF centre(75, 75);
    p.setPen(Qt::NoPen);
    p.setBrush(kPaleGreen);
    p.drawEllipse(centre, 70, 70);
    p.setBrush(Qt::NoBrush);
    for (const double r : {24.0, 46.0, 68.0}) {
        p.setPen(QPen(QColor(190, 225, 170), 1));
        p.drawEllipse(centre, r, r);
    }
    const double sweep = frame * 30.0;
    QConicalGradient beam(centre, -sweep);
    beam.setColorAt(0, QColor(86, 186, 34, 150));
    beam.setColorAt(0.15, QColor(86, 186, 34, 0));
    beam.setColorAt(1, QColor(86, 186, 34, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(beam);
    p.drawEllipse(centre, 68, 68);
    const QPointF brokers[] = {{40, 50}, {110, 60}, {95, 115}, {50, 105}};
    for (int i = 0; i < 4; ++i) {
        const bool lit = (frame / 3) % 4 >= i;
        person(p, QRectF(brokers[i].x() - 10, brokers[i].y() - 10, 20, 20),
               lit ? QColor(255, 255, 255) : QColor(200, 220, 190), lit ? kGreen : kLightGrey);
    }
    p.setBrush(kGreen);
    p.drawEllipse(centre, 5, 5);
}

}  // namespace

void drawNeedReplyPictures(const QString& folder) {
    // The replies screen's count button.
    draw("消息提示", 58, 58, [](QPainter& p) { countButton(p, false, 0); });
    draw("消息提示点击", 58, 58, [](QPainter& p) { countButton(p, true, 0); });
    animation(
        QStringLiteral("消息提示gif动画@2x.gif"), 58, 58, 8, 12,
        [](QPainter& p, int frame) { countButton(p, false, frame / 8.0); }, folder);
    animation(QStringLiteral("经纪人应答gif@2x.gif"), 150, 150, 12, 10, matchingFrame, folder);

    // The subscription bar's small button.
    for (const bool pressed : {false, true}) {
        draw(pressed ? "灰色小button点击" : "灰色小button", 41, 31, [pressed](QPainter& p) {
            roundedBox(p, QRectF(0.5, 0.5, 40, 30), 5,
                       pressed ? QColor(225, 225, 225) : QColor(250, 250, 250),
                       QColor(200, 200, 200));
        });
    }

    // The replied-brokers pop-up: its close button and the picture of no broker yet.
    for (const bool pressed : {false, true}) {
        draw(pressed ? "经纪人关闭点击" : "经纪人关闭", 34, 34, [pressed](QPainter& p) {
            p.setPen(Qt::NoPen);
            p.setBrush(pressed ? QColor(220, 220, 220) : QColor(255, 255, 255));
            p.drawEllipse(QRectF(1, 1, 32, 32));
            p.setPen(QPen(kInk, 2.2, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(11.5, 11.5), QPointF(22.5, 22.5));
            p.drawLine(QPointF(22.5, 11.5), QPointF(11.5, 22.5));
        });
    }
    draw("没有经纪人", 128, 128, [](QPainter& p) {
        person(p, QRectF(14, 14, 100, 100), QColor(205, 205, 205), QColor(242, 242, 242));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(190, 190, 190));
        p.drawEllipse(QPointF(96, 34), 15, 15);
        p.setPen(Qt::white);
        p.setFont(font(20, true));
        p.drawText(QRectF(81, 19, 30, 30), Qt::AlignCenter, QStringLiteral("?"));
    });
    draw("默认头像", 53, 53, [](QPainter& p) {
        p.fillRect(QRectF(0, 0, 53, 53), QColor(235, 235, 235));
        person(p, QRectF(4, 6, 45, 45), QColor(200, 200, 200), QColor(235, 235, 235));
    });

    // The need history's card icons and its empty page.
    draw("icon-1.png", 16, 16,
         [](QPainter& p) { person(p, QRectF(0, 0, 16, 16), Qt::white, kGreen); });
    draw("icon-2.png", 16, 16,
         [](QPainter& p) { person(p, QRectF(0, 0, 16, 16), Qt::white, QColor(190, 190, 190)); });
    draw("找房意向空白页", 166, 130, [](QPainter& p) {
        p.setPen(QPen(QColor(200, 200, 200), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(QColor(246, 246, 246));
        QPolygonF house;
        house << QPointF(30, 62) << QPointF(75, 22) << QPointF(120, 62) << QPointF(110, 62)
              << QPointF(110, 112) << QPointF(40, 112) << QPointF(40, 62);
        p.drawPolygon(house);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(64, 80, 22, 32));
        magnifier(p, 124, 84, 18, 4, QColor(190, 190, 190));
    });

    // The recommended house cell: its box, the pressed ground and the button icons.
    draw("点击bg", 21, 21,
         [](QPainter& p) { p.fillRect(QRectF(0, 0, 21, 21), QColor(230, 230, 230)); });
    draw("经纪人推送帖子", 122, 22, [](QPainter& p) {
        roundedBox(p, QRectF(0.5, 0.5, 121, 21), 3, QColor(250, 250, 250), QColor(222, 222, 222));
    });
    draw("小聊天", 17, 17, [](QPainter& p) {
        p.setPen(QPen(kGrey, 1.3));
        p.setBrush(Qt::NoBrush);
        p.drawPath(bubblePath(1.5, 2.5, 14, 10));
    });
    draw("收藏", 17, 17, [](QPainter& p) { star(p, QPointF(8.5, 9), 7.5, kGrey, {}); });
    draw("已收藏", 17, 17, [](QPainter& p) { star(p, QPointF(8.5, 9), 7.5, kOrange, kOrange); });
}

}  // namespace pictures
