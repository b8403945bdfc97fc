#include <QLinearGradient>
#include <QPainterPath>

#include <cmath>

#include "Painting.h"
#include "PictureGroups.h"

namespace pictures {

namespace {

// Tab icons, 24 x 24 points, centred at the top of an 80 x 49 button.
void homeIcon(QPainter& p) {
    QPainterPath roof;
    roof.moveTo(28, 16);
    roof.lineTo(40, 5);
    roof.lineTo(52, 16);
    p.drawPath(roof);
    p.drawRect(QRectF(31, 15, 18, 14));
    p.drawRect(QRectF(37.5, 21, 5, 8));
}

void chatIcon(QPainter& p) {
    QPainterPath bubble;
    bubble.addRoundedRect(QRectF(28, 6, 24, 17), 5, 5);
    bubble.moveTo(33, 23);
    bubble.lineTo(31, 29);
    bubble.lineTo(39, 23);
    p.drawPath(bubble);
}

void recordIcon(QPainter& p) {
    QPainterPath heart;
    heart.moveTo(40, 28);
    heart.cubicTo(24, 18, 28, 4, 40, 12);
    heart.cubicTo(52, 4, 56, 18, 40, 28);
    p.drawPath(heart);
}

void personIcon(QPainter& p) {
    p.drawEllipse(QRectF(34, 5, 12, 12));
    QPainterPath body;
    body.moveTo(28, 29);
    body.cubicTo(28, 19, 52, 19, 52, 29);
    p.drawPath(body);
}

void tabButton(const QString& title, void (*icon)(QPainter&), bool selected) {
    draw(title + (selected ? QStringLiteral("点击") : QString()), 80, 49, [&](QPainter& p) {
        const QColor colour = selected ? kGreen : kGrey;
        p.setPen(QPen(colour, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        icon(p);
        p.setFont(font(11));
        p.setPen(colour);
        p.drawText(QRectF(0, 32, 80, 15), Qt::AlignHCenter | Qt::AlignVCenter, title);
    });
}

// A button background with five-point corners and a hairline border.
void roundedButton(const QString& name, double width, double height, const QColor& fill,
                   const QColor& border) {
    draw(name, width, height, [&](QPainter& p) {
        roundedBox(p, QRectF(0.5, 0.5, width - 1, height - 1), 5, fill, border);
    });
}

void star(const QString& name, const QColor& colour) {
    draw(name, 10, 10, [&](QPainter& p) {
        QPainterPath outline;
        for (int i = 0; i < 10; ++i) {
            const double radius = i % 2 == 0 ? 5 : 2.1;
            const double angle = -M_PI / 2 + i * M_PI / 5;
            const QPointF point(5 + radius * std::cos(angle), 5.3 + radius * std::sin(angle));
            if (i == 0)
                outline.moveTo(point);
            else
                outline.lineTo(point);
        }
        outline.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawPath(outline);
    });
}

void tabBar() {
    for (const bool selected : {false, true}) {
        tabButton(QStringLiteral("首页"), homeIcon, selected);
        tabButton(QStringLiteral("沟通"), chatIcon, selected);
        tabButton(QStringLiteral("看房记"), recordIcon, selected);
        tabButton(QStringLiteral("个人中心"), personIcon, selected);
    }
    draw(QStringLiteral("底部tabBG"), 4, 52, [](QPainter& p) {
        p.fillRect(QRectF(0, 0, 4, 52), QColor(250, 250, 250));
        p.fillRect(QRectF(0, 0, 4, 0.5), QColor(200, 200, 200));
    });
    draw(QStringLiteral("提示圈"), 22, 22, [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(kRed);
        p.drawEllipse(QRectF(1, 1, 20, 20));
    });
    draw(QStringLiteral("im消息提示"), 30, 20, [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(kRed);
        p.drawRoundedRect(QRectF(0, 0, 30, 20), 10, 10);
    });
}

void navigationBar() {
    draw(QStringLiteral("顶部BG"), 4, 64, [](QPainter& p) {
        p.fillRect(QRectF(0, 0, 4, 64), kGreen);
        p.fillRect(QRectF(0, 63.5, 4, 0.5), kDarkGreen);
    });
    for (const bool pressed : {false, true}) {
        draw(pressed ? QStringLiteral("返回点击") : QStringLiteral("返回"), 48, 32,
             [pressed](QPainter& p) {
                 p.setPen(QPen(pressed ? QColor(220, 240, 210) : Qt::white, 2.5, Qt::SolidLine,
                               Qt::RoundCap, Qt::RoundJoin));
                 QPainterPath chevron;
                 chevron.moveTo(20, 8);
                 chevron.lineTo(12, 16);
                 chevron.lineTo(20, 24);
                 p.drawPath(chevron);
             });
    }
    roundedButton(QStringLiteral("button34px"), 20, 34, kDarkGreen, QColor(255, 255, 255, 120));
    roundedButton(QStringLiteral("button34px-点击态"), 20, 34, QColor(40, 110, 10),
                  QColor(255, 255, 255, 120));
    roundedButton(QStringLiteral("icon点击背景"), 12, 12, QColor(0, 0, 0, 50), Qt::transparent);
    draw(QStringLiteral("红点"), 8, 8, [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(kRed);
        p.drawEllipse(QRectF(0, 0, 8, 8));
    });
    draw(QStringLiteral("title底部阴影"), 320, 7, [](QPainter& p) {
        QLinearGradient shade(0, 0, 0, 7);
        shade.setColorAt(0, QColor(0, 0, 0, 50));
        shade.setColorAt(1, QColor(0, 0, 0, 0));
        p.fillRect(QRectF(0, 0, 320, 7), shade);
    });
}

void loadingOverlay() {
    draw(QStringLiteral("loading底部"), 60, 60, [](QPainter& p) {
        p.setPen(QPen(QColor(225, 225, 225), 4));
        p.drawEllipse(QRectF(4, 4, 52, 52));
    });
    draw(QStringLiteral("loading图标"), 60, 60, [](QPainter& p) {
        p.setPen(QPen(kGreen, 4, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(QRectF(4, 4, 52, 52), 90 * 16, -100 * 16);
    });
}

void checkBox() {
    for (const bool ticked : {false, true}) {
        draw(ticked ? QStringLiteral("登陆-下次自动登录-选择")
                    : QStringLiteral("登陆-下次自动登录-未选"),
             22, 22, [ticked](QPainter& p) {
                 p.setPen(QPen(ticked ? kGreen : kGrey, 1.5));
                 p.setBrush(ticked ? kGreen : Qt::white);
                 p.drawRoundedRect(QRectF(2, 2, 18, 18), 3, 3);
                 if (!ticked) return;
                 p.setPen(QPen(Qt::white, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
                 QPainterPath tick;
                 tick.moveTo(6, 11);
                 tick.lineTo(10, 15);
                 tick.lineTo(16, 7);
                 p.drawPath(tick);
             });
    }
}

void pushBanner() {
    draw(QStringLiteral("推送-小喇叭"), 16, 16, [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        QPainterPath horn;
        horn.moveTo(2, 6);
        horn.lineTo(6, 6);
        horn.lineTo(12, 2);
        horn.lineTo(12, 14);
        horn.lineTo(6, 10);
        horn.lineTo(2, 10);
        horn.closeSubpath();
        p.drawPath(horn);
    });
    draw(QStringLiteral("状态栏 icon im消息提示"), 16, 16, [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(kGreen);
        p.drawRoundedRect(QRectF(1, 2, 14, 10), 3, 3);
        QPainterPath tail;
        tail.moveTo(4, 11);
        tail.lineTo(4, 15);
        tail.lineTo(8, 11);
        tail.closeSubpath();
        p.drawPath(tail);
    });
}

// The payment check's panel (stretched from its middle) and its two buttons (caps 7 and 20).
void paymentPanel() {
    draw(QStringLiteral("框"), 20, 20, [](QPainter& p) {
        roundedBox(p, QRectF(0.5, 0.5, 19, 19), 8, Qt::white, QColor(200, 200, 200));
    });
    for (const bool pressed : {false, true}) {
        draw(pressed ? QStringLiteral("停止上传button-点击") : QStringLiteral("停止上传button"), 15,
             40, [pressed](QPainter& p) {
                 roundedBox(p, QRectF(0.5, 0.5, 14, 39), 5,
                            pressed ? QColor(220, 220, 220) : QColor(248, 248, 248),
                            QColor(190, 190, 190));
             });
    }
}

// The two-way choice of the check box (100 x 42 points): an outlined box, filled when chosen.
void choicePictures() {
    for (const bool chosen : {false, true}) {
        draw(chosen ? QStringLiteral("个人经纪人-选中") : QStringLiteral("个人经纪人-未选中"), 100,
             42, [chosen](QPainter& p) {
                 roundedBox(p, QRectF(1, 5, 98, 32), 5, chosen ? kGreen : QColor(Qt::white),
                            chosen ? kDarkGreen : kGrey);
             });
    }
}

// The caption of the guide cover that darkens the screen (319 x 248 points): a white arrow
// pointing up and a line of white text.
void guideCoverCaption() {
    draw(QStringLiteral("引导页文字1"), 319, 248, [](QPainter& p) {
        p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        QPainterPath arrow;
        arrow.moveTo(160, 130);
        arrow.cubicTo(160, 90, 200, 70, 220, 40);
        arrow.moveTo(206, 44);
        arrow.lineTo(220, 40);
        arrow.lineTo(222, 55);
        p.drawPath(arrow);
        p.setPen(Qt::white);
        p.setFont(font(20, true));
        p.drawText(QRectF(0, 150, 319, 40), Qt::AlignCenter, QStringLiteral("轻触屏幕，开始找房"));
    });
}

}  // namespace

void drawShellPictures() {
    paymentPanel();
    choicePictures();
    guideCoverCaption();
    tabBar();
    navigationBar();
    loadingOverlay();
    checkBox();
    star(QStringLiteral("彩色五星"), QColor(255, 170, 0));
    star(QStringLiteral("灰色五星"), QColor(210, 210, 210));
    pushBanner();
}

}  // namespace pictures
