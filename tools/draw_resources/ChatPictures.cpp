#include <QPainterPath>

#include "Painting.h"
#include "PictureGroups.h"

namespace pictures {

namespace {

const QColor kOwnBubble(196, 236, 150);
const QColor kOwnBubblePressed(160, 210, 112);
const QColor kOtherBubble(255, 255, 255);
const QColor kOtherBubblePressed(225, 225, 225);
const QColor kBubbleLine(205, 205, 200);
const QColor kIconGrey(120, 120, 120);

// A speech bubble of 40 x 40 points with its tail on the right (own) or the left, 14 points
// from the top, so that stretching keeps the tail near the top.
void bubble(const QString& name, const QColor& fill, bool right) {
    draw(name, 40, 40, [=](QPainter& p) {
        QPainterPath path;
        const QRectF body = right ? QRectF(0.5, 0.5, 33, 39) : QRectF(6.5, 0.5, 33, 39);
        path.addRoundedRect(body, 7, 7);
        QPainterPath tail;
        if (right) {
            tail.moveTo(33, 11);
            tail.lineTo(39.5, 16);
            tail.lineTo(33, 21);
        } else {
            tail.moveTo(7, 11);
            tail.lineTo(0.5, 16);
            tail.lineTo(7, 21);
        }
        tail.closeSubpath();
        path = path.united(tail);
        p.setPen(QPen(right ? fill.darker(115) : kBubbleLine, 1));
        p.setBrush(fill);
        p.drawPath(path);
    });
}

// Three sound arcs growing from a point on the left (other side) or the right (own side);
// `arcs` of them drawn (the animation's frames).
void soundWaves(const QString& name, bool right, int arcs) {
    draw(name, 20, 20, [=](QPainter& p) {
        const QColor colour = right ? QColor(70, 140, 40) : kIconGrey;
        p.setPen(QPen(colour, 2, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        const QPointF origin = right ? QPointF(17, 10) : QPointF(3, 10);
        p.setBrush(colour);
        p.drawEllipse(origin, 1.6, 1.6);
        p.setBrush(Qt::NoBrush);
        for (int n = 1; n < arcs; ++n) {
            const double r = 5.0 * n;
            const QRectF box(origin.x() - r, origin.y() - r, 2 * r, 2 * r);
            p.drawArc(box, (right ? 135 : -45) * 16, 90 * 16);
        }
    });
}

void microphone(QPainter& p, double x, double y, const QColor& colour) {
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawRoundedRect(QRectF(x + 10, y, 20, 36), 10, 10);
    p.setPen(QPen(colour, 3, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(x + 4, y + 14, 32, 32), 180 * 16, 180 * 16);
    p.drawLine(QPointF(x + 20, y + 46), QPointF(x + 20, y + 54));
    p.drawLine(QPointF(x + 12, y + 55), QPointF(x + 28, y + 55));
}

// A round icon of the input bar: a grey ring with `inside` drawn in it.
void barIcon(const QString& name, bool pressed, const std::function<void(QPainter&)>& inside) {
    draw(name, 34, 34, [=](QPainter& p) {
        p.setPen(QPen(pressed ? kGreen : kIconGrey, 1.5));
        p.setBrush(pressed ? QColor(230, 245, 222) : QColor(255, 255, 255, 0));
        p.drawEllipse(QRectF(3, 3, 28, 28));
        p.setPen(QPen(pressed ? kGreen : kIconGrey, 2, Qt::SolidLine, Qt::RoundCap));
        inside(p);
    });
}

void chatBubbles() {
    bubble(QStringLiteral("对话气泡-右"), kOwnBubble, true);
    bubble(QStringLiteral("对话气泡-右点击态"), kOwnBubblePressed, true);
    bubble(QStringLiteral("对话气泡左"), kOtherBubble, false);
    bubble(QStringLiteral("对话气泡左-点击态"), kOtherBubblePressed, false);
    draw(QStringLiteral("im对话时间BG"), 20, 18,
         [](QPainter& p) { roundedBox(p, QRectF(0, 0, 20, 18), 5, QColor(190, 190, 185)); });
    draw(QStringLiteral("im重发"), 24, 24, [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(kRed);
        p.drawEllipse(QRectF(2, 2, 20, 20));
        p.setPen(Qt::white);
        p.setFont(font(15, true));
        p.drawText(QRectF(2, 2, 20, 20), Qt::AlignCenter, QStringLiteral("!"));
    });
    for (int n = 1; n <= 3; ++n) {
        soundWaves(QStringLiteral("右语音-%1").arg(n), true, n);
        soundWaves(QStringLiteral("左语音-%1").arg(n), false, n);
    }
    draw(QStringLiteral("找房占位80x60"), 80, 60, [](QPainter& p) {
        p.fillRect(QRectF(0, 0, 80, 60), QColor(232, 232, 228));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(200, 200, 195));
        p.drawPolygon(QPolygonF({QPointF(24, 30), QPointF(40, 16), QPointF(56, 30)}));
        p.drawRect(QRectF(29, 30, 22, 16));
    });
}

void inputBar() {
    draw(QStringLiteral("输入框"), 11, 31,
         [](QPainter& p) { roundedBox(p, QRectF(0.5, 0.5, 10, 30), 5, Qt::white, QColor(200, 200, 200)); });
    draw(QStringLiteral("白色语音button"), 7, 33,
         [](QPainter& p) { roundedBox(p, QRectF(0.5, 0.5, 6, 32), 3, Qt::white, QColor(190, 190, 190)); });
    draw(QStringLiteral("白色语音button点击"), 7, 33,
         [](QPainter& p) { roundedBox(p, QRectF(0.5, 0.5, 6, 32), 3, kGreen, kDarkGreen); });
    for (const bool pressed : {false, true}) {
        const QString state = pressed ? QStringLiteral("点击态") : QString();
        barIcon(QStringLiteral("im语音") + state, pressed, [](QPainter& p) {
            p.drawArc(QRectF(9, 11, 12, 12), -50 * 16, 100 * 16);
            p.drawArc(QRectF(6, 8, 18, 18), -50 * 16, 100 * 16);
            p.drawPoint(QPointF(16, 17));
        });
        barIcon(QStringLiteral("im键盘") + state, pressed, [](QPainter& p) {
            p.drawRoundedRect(QRectF(9, 12, 16, 11), 2, 2);
            for (int row = 0; row < 2; ++row) {
                for (int key = 0; key < 4; ++key)
                    p.drawPoint(QPointF(11.5 + key * 3.7, 15 + row * 3));
            }
        });
        barIcon(QStringLiteral("更多-icon") + (pressed ? QStringLiteral("点击") : QString()),
                pressed, [](QPainter& p) {
                    p.drawLine(QPointF(17, 10), QPointF(17, 24));
                    p.drawLine(QPointF(10, 17), QPointF(24, 17));
                });
    }
    draw(QStringLiteral("im更多底部bg"), 4, 110, [](QPainter& p) {
        p.fillRect(QRectF(0, 0, 4, 110), QColor(244, 244, 240));
        p.fillRect(QRectF(0, 0, 4, 0.5), QColor(200, 200, 200));
    });
    const auto choice = [](const QString& name, const std::function<void(QPainter&)>& inside) {
        draw(name, 60, 60, [=](QPainter& p) {
            roundedBox(p, QRectF(0.5, 0.5, 59, 59), 8, Qt::white, QColor(210, 210, 210));
            p.setPen(QPen(kIconGrey, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.setBrush(Qt::NoBrush);
            inside(p);
        });
    };
    choice(QStringLiteral("im拍照"), [](QPainter& p) {
        p.drawRoundedRect(QRectF(14, 20, 32, 22), 3, 3);
        p.drawRect(QRectF(24, 16, 12, 4));
        p.drawEllipse(QRectF(24, 25, 12, 12));
    });
    choice(QStringLiteral("im图片"), [](QPainter& p) {
        p.drawRect(QRectF(14, 17, 32, 26));
        p.drawPolyline(QPolygonF({QPointF(16, 40), QPointF(26, 29), QPointF(33, 36),
                                  QPointF(37, 32), QPointF(44, 40)}));
        p.drawEllipse(QRectF(35, 21, 5, 5));
    });
}

void recorder() {
    draw(QStringLiteral("语音对讲"), 40, 60, [](QPainter& p) { microphone(p, 0, 2, Qt::white); });
    draw(QStringLiteral("下滑取消"), 40, 60, [](QPainter& p) {
        p.setPen(QPen(QColor(255, 120, 110), 3.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        QPainterPath back;
        back.moveTo(30, 46);
        back.lineTo(30, 24);
        back.arcTo(QRectF(10, 14, 20, 20), 0, 180);
        back.lineTo(10, 30);
        p.drawPath(back);
        p.drawLine(QPointF(10, 30), QPointF(4, 23));
        p.drawLine(QPointF(10, 30), QPointF(16, 23));
    });
    // The level meter: short bars that stretch upward between the caps.
    draw(QStringLiteral("语音对讲音符"), 56, 73, [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 200));
        for (int bar = 0; bar < 6; ++bar) {
            const double width = 4 + bar * 1.5;
            p.drawRoundedRect(QRectF(44, 62 - bar * 8, width, 4), 2, 2);
        }
    });
}

void brokerBar() {
    draw(QStringLiteral("带投影图片"), 11, 60, [](QPainter& p) {
        p.fillRect(QRectF(0, 0, 11, 58), Qt::white);
        QLinearGradient shade(0, 58, 0, 60);
        shade.setColorAt(0, QColor(0, 0, 0, 50));
        shade.setColorAt(1, QColor(0, 0, 0, 0));
        p.fillRect(QRectF(0, 58, 11, 2), shade);
    });
    draw(QStringLiteral("沟通空白页"), 220, 200, [](QPainter& p) {
        roundedBox(p, QRectF(40, 30, 96, 64), 14, QColor(232, 245, 224));
        roundedBox(p, QRectF(88, 66, 92, 60), 14, QColor(218, 238, 204));
        p.setPen(Qt::NoPen);
        p.setBrush(kGreen);
        for (int dot = 0; dot < 3; ++dot) p.drawEllipse(QRectF(114 + dot * 14, 92, 8, 8));
        p.setPen(QColor(140, 140, 140));
        p.setFont(font(15));
        p.drawText(QRectF(0, 146, 220, 22), Qt::AlignCenter, QStringLiteral("还没有和经纪人的对话"));
        p.setFont(font(12));
        p.drawText(QRectF(0, 170, 220, 20), Qt::AlignCenter,
                   QStringLiteral("在房源详情里点“聊天”就能问经纪人"));
    });
}

}  // namespace

void drawChatPictures() {
    chatBubbles();
    inputBar();
    recorder();
    brokerBar();
}

}  // namespace pictures
