#include <QPainterPath>
#include <QPolygonF>

#include "Painting.h"
#include "PictureGroups.h"

namespace pictures {

namespace {

// A cell badge: white text on a coloured rounded box, 18 points high.
void badge(const QString& name, double width, const QColor& colour, const QString& glyph) {
    draw(name, width, 18, [&](QPainter& p) {
        roundedBox(p, QRectF(0.5, 0.5, width - 1, 17), 3, colour);
        p.setPen(Qt::white);
        p.setFont(font(12, true));
        p.drawText(QRectF(0, 0, width, 18), Qt::AlignCenter, glyph);
    });
}

// The cells: badges, the text-mode mark, the thumbnail frame and placeholders, the divider.
void cells() {
    badge(QStringLiteral("顶"), 18, QColor(230, 70, 60), QStringLiteral("顶"));
    badge(QStringLiteral("验"), 18, QColor(60, 130, 220), QStringLiteral("验"));
    badge(QStringLiteral("放心房"), 18, kWidgetGreen, QStringLiteral("放"));
    badge(QStringLiteral("报价"), 35, kOrange, QStringLiteral("报价"));
    draw(QStringLiteral("文字预览模式"), 17, 14, [](QPainter& p) {
        roundedBox(p, QRectF(1, 3, 15, 10), 2, QColor(170, 170, 170));
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(5.5, 5, 6, 6));
        p.fillRect(QRectF(5, 1, 6, 3), QColor(170, 170, 170));
    });
    draw(QStringLiteral("列表-照片背景块"), 14, 14, [](QPainter& p) {
        roundedBox(p, QRectF(0.5, 0.5, 13, 13), 3, Qt::white, QColor(220, 220, 220));
    });
    draw(QStringLiteral("列表分割线"), 2, 1,
         [](QPainter& p) { p.fillRect(QRectF(0, 0, 2, 1), QColor(224, 224, 224)); });
    for (const bool failed : {true, false}) {
        draw(failed ? QStringLiteral("信息列表加载失败") : QStringLiteral("信息列表-加载中"), 62,
             46, [failed](QPainter& p) {
                 p.fillRect(QRectF(0, 0, 62, 46), QColor(238, 238, 238));
                 if (!failed) return;
                 p.setPen(QPen(QColor(200, 200, 200), 2));
                 p.setBrush(Qt::NoBrush);
                 p.drawPolyline(QPolygonF({QPointF(19, 24), QPointF(31, 13), QPointF(43, 24)}));
                 p.drawRect(QRectF(23, 23, 16, 12));
             });
    }
    draw(QStringLiteral("帖子加载失败"), 80, 80, [](QPainter& p) {
        p.setPen(QPen(QColor(205, 205, 205), 4));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(6, 6, 68, 68));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(205, 205, 205));
        p.drawRoundedRect(QRectF(36, 20, 8, 30), 4, 4);
        p.drawEllipse(QRectF(36, 54, 8, 8));
    });
}

// The quick-filter bar: tab arrows and dividers, the pressed tab, the drop-down's pointer.
void quickFilter() {
    triangle(QStringLiteral("标签箭头"), 12, 10, QColor(150, 150, 150), true);
    triangle(QStringLiteral("快速筛选-三角"), 16, 10, QColor(250, 250, 250), false);
    triangle(QStringLiteral("向下展开"), 10, 10, QColor(150, 150, 150), true);
    draw(QStringLiteral("标签分割线"), 2, 40, [](QPainter& p) {
        p.fillRect(QRectF(0, 8, 1, 24), QColor(210, 210, 210));
        p.fillRect(QRectF(1, 8, 1, 24), QColor(250, 250, 250));
    });
    draw(QStringLiteral("点击灰色"), 2, 40,
         [](QPainter& p) { p.fillRect(QRectF(0, 0, 2, 40), QColor(215, 215, 215)); });
    draw(QStringLiteral("icon右箭头"), 9, 13, [](QPainter& p) {
        p.setPen(QPen(QColor(160, 160, 160), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({QPointF(2, 1.5), QPointF(7, 6.5), QPointF(2, 11.5)}));
    });
}

// The three type tabs of the title bar, 70 x 34 points each, side by side on the green bar:
// the left one rounded on its left, the right one on its right; the chosen tab is darker.
void typeTabs() {
    enum class Side { Left, Middle, Right };
    const std::pair<QString, Side> tabs[] = {{QStringLiteral("房源tab左"), Side::Left},
                                             {QStringLiteral("房源tab中"), Side::Middle},
                                             {QStringLiteral("房源tab右"), Side::Right}};
    for (const auto& [name, side] : tabs) {
        for (const bool chosen : {false, true}) {
            draw(chosen ? name + QStringLiteral("-点击态") : name, 70, 34,
                 [side = side, chosen](QPainter& p) {
                     p.setClipRect(QRectF(0, 0, 70, 34));
                     // Rounded on the outer side only: the box runs past the inner edge.
                     const double left = side == Side::Left ? 0.5 : -10;
                     const double right = side == Side::Right ? 69.5 : 80;
                     roundedBox(p, QRectF(left, 0.5, right - left, 33), 5,
                                chosen ? QColor(40, 110, 10) : kGreen, Qt::white);
                     if (side != Side::Right) {
                         p.setPen(QPen(Qt::white, 1));
                         p.drawLine(QPointF(69.5, 0.5), QPointF(69.5, 33.5));
                     }
                 });
        }
    }
    // The search button of the navigation bar: a white magnifier.
    draw(QStringLiteral("搜索"), 48, 32,
         [](QPainter& p) { magnifier(p, 23, 14, 6, 2.5, Qt::white); });
}

// The quick-filter bar's strip and its drop-downs: the strip's tile (stretched across the
// 320 x 40 strip), the first column's background with its line on the right (stretched from
// a one-point left cap), its rows plain and chosen (43 points high, caps 5 and 21), and the
// chosen row of the other columns (stretched from a three-point cap).
void quickFilterDropDowns() {
    barTile(QStringLiteral("标签平铺"), 40, QColor(246, 246, 246), QColor(234, 234, 234),
            QColor(205, 205, 205), Qt::BottomEdge);
    draw(QStringLiteral("快捷下拉线"), 3, 4, [](QPainter& p) {
        p.fillRect(QRectF(0, 0, 2, 4), QColor(250, 250, 250));
        p.fillRect(QRectF(2, 0, 1, 4), QColor(222, 222, 222));
    });
    for (const bool chosen : {false, true}) {
        draw(chosen ? QStringLiteral("快速筛选A") : QStringLiteral("快捷白按钮"), 11, 43,
             [chosen](QPainter& p) {
                 p.fillRect(QRectF(0, 0, 11, 43),
                            chosen ? QColor(232, 244, 226) : QColor(250, 250, 250));
                 if (chosen) p.fillRect(QRectF(0, 0, 3, 43), kWidgetGreen);
                 p.fillRect(QRectF(0, 42, 11, 1), QColor(230, 230, 230));
             });
    }
    draw(QStringLiteral("右按钮点击"), 7, 40,
         [](QPainter& p) { p.fillRect(QRectF(0, 0, 7, 40), kWidgetGreen); });
}

}  // namespace

void drawListPictures() {
    cells();
    quickFilter();
    typeTabs();
    quickFilterDropDowns();
}

}  // namespace pictures
