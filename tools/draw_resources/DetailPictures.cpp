#include <QPainterPath>
#include <QPolygonF>

#include "Painting.h"
#include "PictureGroups.h"

namespace pictures {

namespace {

const QColor kLine(221, 221, 221);
const QColor kIconGrey(160, 160, 160);
const QColor kPaleOrange(255, 248, 235);
const QColor kButtonGrey(246, 246, 246);
const QColor kPressedGrey(226, 226, 226);

// A button background to be stretched from its middle: a rounded box with an outline.
void buttonBox(const QString& name, double width, double height, const QColor& fill,
               const QColor& line, double radius = 4) {
    draw(name, width, height, [&](QPainter& p) {
        roundedBox(p, QRectF(0.5, 0.5, width - 1, height - 1), radius, fill, line);
    });
}

QPen stroke(const QColor& colour, double width) {
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// The detail's bottom bar: its ground, its buttons and their white icons.
void bottomBar() {
    draw(QStringLiteral("联系人tab"), 320, 44, [](QPainter& p) {
        QLinearGradient ground(0, 0, 0, 44);
        ground.setColorAt(0, QColor(252, 252, 252));
        ground.setColorAt(1, QColor(236, 236, 236));
        p.fillRect(QRectF(0, 0, 320, 44), ground);
        p.fillRect(QRectF(0, 0, 320, 0.5), QColor(200, 200, 200));
    });
    for (const bool pressed : {false, true}) {
        const QString suffix = pressed ? QStringLiteral("-点击态") : QString();
        buttonBox(QStringLiteral("底栏按钮34px") + suffix, 20, 34, pressed ? kDarkGreen : kGreen,
                  kDarkGreen);
        buttonBox(QStringLiteral("底栏留言按钮34px") + suffix, 20, 34,
                  pressed ? QColor(214, 104, 0) : kOrange, QColor(214, 104, 0));
    }
    draw(QStringLiteral("底栏电话"), 22, 22, [](QPainter& p) {
        QPainterPath handset;
        handset.moveTo(5, 3);
        handset.lineTo(9, 3);
        handset.lineTo(10, 8);
        handset.lineTo(7.5, 9.5);
        handset.cubicTo(8.5, 12.5, 9.5, 13.5, 12.5, 14.5);
        handset.lineTo(14, 12);
        handset.lineTo(19, 13);
        handset.lineTo(19, 17);
        handset.cubicTo(19, 18.5, 17.5, 19.5, 16, 19);
        handset.cubicTo(9, 17.5, 4.5, 13, 3, 6);
        handset.cubicTo(2.5, 4.5, 3.5, 3, 5, 3);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawPath(handset);
    });
    draw(QStringLiteral("底栏聊天"), 22, 22, [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(2, 3, 18, 13), 4, 4);
        p.drawPolygon(QPolygonF({QPointF(6, 15), QPointF(6, 20), QPointF(11, 15)}));
        p.setBrush(kGreen);
        for (const double x : {6.5, 11.0, 15.5}) p.drawEllipse(QRectF(x - 1.2, 8.3, 2.4, 2.4));
    });
    draw(QStringLiteral("底栏留言"), 22, 22, [](QPainter& p) {
        p.setPen(stroke(Qt::white, 1.6));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(2.5, 5, 17, 12.5), 2, 2);
        p.drawPolyline(QPolygonF({QPointF(3, 6), QPointF(11, 12), QPointF(19, 6)}));
    });
}

// The detail's sections: dividers, the clock, the facilities' marks, the whole-detail button,
// the row arrow, the anti-fraud tip box and its report button.
void sections() {
    draw(QStringLiteral("分割线"), 4, 2, [](QPainter& p) {
        p.fillRect(QRectF(0, 0, 4, 1), kLine);
        p.fillRect(QRectF(0, 1, 4, 1), Qt::white);
    });
    draw(QStringLiteral("时间icon"), 12, 12, [](QPainter& p) {
        p.setPen(stroke(kIconGrey, 1.2));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(1, 1, 10, 10));
        p.drawPolyline(QPolygonF({QPointF(6, 3.2), QPointF(6, 6), QPointF(8.3, 7.3)}));
    });
    draw(QStringLiteral("房源选择"), 14, 14, [](QPainter& p) {
        roundedBox(p, QRectF(1, 1, 12, 12), 2, kGreen);
        p.setPen(stroke(Qt::white, 1.6));
        p.drawPolyline(QPolygonF({QPointF(3.8, 7), QPointF(6.2, 9.4), QPointF(10.4, 4.6)}));
    });
    draw(QStringLiteral("房源未选择"), 14, 14, [](QPainter& p) {
        roundedBox(p, QRectF(1.5, 1.5, 11, 11), 2, Qt::white, QColor(190, 190, 190));
    });
    draw(QStringLiteral("详情页下箭头"), 16, 9, [](QPainter& p) {
        p.setPen(stroke(kIconGrey, 2));
        p.drawPolyline(QPolygonF({QPointF(2, 1.5), QPointF(8, 7), QPointF(14, 1.5)}));
    });
    draw(QStringLiteral("箭头"), 8, 14, [](QPainter& p) {
        p.setPen(stroke(kIconGrey, 2));
        p.drawPolyline(QPolygonF({QPointF(1.5, 1.5), QPointF(6.5, 7), QPointF(1.5, 12.5)}));
    });
    draw(QStringLiteral("小提示BG"), 304, 140, [](QPainter& p) {
        roundedBox(p, QRectF(0.5, 0.5, 303, 139), 6, kPaleOrange, QColor(245, 205, 150));
        // A shield with an exclamation mark beside the heading.
        QPainterPath shield;
        shield.moveTo(42, 24);
        shield.lineTo(62, 31);
        shield.cubicTo(62, 50, 55, 62, 42, 70);
        shield.cubicTo(29, 62, 22, 50, 22, 31);
        shield.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 140, 40));
        p.drawPath(shield);
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(40, 34, 4, 18), 2, 2);
        p.drawEllipse(QRectF(40, 56, 4, 4));
    });
    draw(QStringLiteral("举报icon"), 16, 16, [](QPainter& p) {
        p.setPen(stroke(QColor(230, 90, 40), 1.5));
        p.drawLine(QPointF(3.5, 2), QPointF(3.5, 14.5));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(230, 90, 40));
        p.drawPolygon(QPolygonF({QPointF(4, 2.5), QPointF(13.5, 2.5), QPointF(11, 5.5),
                                 QPointF(13.5, 8.5), QPointF(4, 8.5)}));
    });
    buttonBox(QStringLiteral("举报"), 20, 30, Qt::white, QColor(240, 170, 120));
    buttonBox(QStringLiteral("举报-点击态"), 20, 30, QColor(255, 232, 214), QColor(240, 170, 120));
}

// Buttons and fields of the remark and report forms, of the navigation bar's favourite and of
// the share button.
void forms() {
    for (const bool pressed : {false, true}) {
        buttonBox(pressed ? QStringLiteral("button点击态") : QStringLiteral("button"), 20, 34,
                  pressed ? QColor(40, 110, 10) : kDarkGreen, QColor(255, 255, 255, 120));
        buttonBox(pressed ? QStringLiteral("button灰色点击态") : QStringLiteral("button灰色"), 20,
                  34, pressed ? kPressedGrey : kButtonGrey, QColor(205, 205, 205));
        buttonBox(
            pressed ? QStringLiteral("button灰色36px_点击态") : QStringLiteral("button灰色36px"),
            20, 36, pressed ? kPressedGrey : kButtonGrey, QColor(205, 205, 205), 1.5);
    }
    // The share button's icon beside its title: a white speech bubble on a green tile.
    draw(QStringLiteral("微信icon"), 22, 22, [](QPainter& p) {
        roundedBox(p, QRectF(0.5, 0.5, 21, 21), 5, kGreen);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(4, 4.5, 14, 10.5));
        p.drawPolygon(QPolygonF({QPointF(7, 13), QPointF(6, 17.5), QPointF(10.5, 14.5)}));
        p.setBrush(kGreen);
        for (const double x : {8.0, 11.0, 14.0}) p.drawEllipse(QRectF(x - 1, 8.8, 2, 2));
    });
    draw(QStringLiteral("备注"), 14, 14, [](QPainter& p) {
        p.setPen(stroke(kGreen, 1.4));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(1.5, 2.5, 10, 10), 1.5, 1.5);
        p.setPen(stroke(kGreen, 1.8));
        p.drawLine(QPointF(6, 8.5), QPointF(12.5, 2));
    });
}

// The favourites tab without favourites: a house with a heart and what to do.
void emptyFavourites() {
    draw(QStringLiteral("看房记没信息"), 220, 170, [](QPainter& p) {
        const QColor shade(200, 200, 200);
        p.setPen(stroke(shade, 4));
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(QPolygonF({QPointF(62, 66), QPointF(110, 24), QPointF(158, 66)}));
        p.drawRect(QRectF(74, 60, 72, 54));
        QPainterPath heart;
        heart.moveTo(110, 104);
        heart.cubicTo(88, 90, 92, 70, 104, 72);
        heart.cubicTo(108, 73, 110, 77, 110, 79);
        heart.cubicTo(110, 77, 112, 73, 116, 72);
        heart.cubicTo(128, 70, 132, 90, 110, 104);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(240, 160, 150));
        p.drawPath(heart);
        p.setPen(QColor(160, 160, 160));
        p.setFont(font(14));
        p.drawText(QRectF(0, 126, 220, 20), Qt::AlignCenter, QStringLiteral("还没有收藏的房源"));
        p.setFont(font(12));
        p.drawText(QRectF(0, 148, 220, 18), Qt::AlignCenter,
                   QStringLiteral("在房源详情里点“收藏”就会出现在这里"));
    });
}

}  // namespace

void drawDetailPictures() {
    bottomBar();
    sections();
    forms();
    emptyFavourites();
}

}  // namespace pictures
