#include "Painting.h"
#include "PictureGroups.h"

namespace pictures {

namespace {

// The city list's rows (320 x 50 points, plain and touched) and the divider at the foot of
// a section header.
void cityList() {
    for (const bool touched : {false, true}) {
        draw(touched ? QStringLiteral("选城城市bg点击") : QStringLiteral("选城城市bg"), 320, 50,
             [touched](QPainter& p) {
                 p.fillRect(QRectF(0, 0, 320, 50),
                            touched ? QColor(228, 228, 228) : QColor(Qt::white));
                 p.fillRect(QRectF(15, 49, 305, 1), QColor(225, 225, 225));
             });
    }
    draw(QStringLiteral("切换城市-分割线"), 320, 1,
         [](QPainter& p) { p.fillRect(QRectF(0, 0, 320, 1), QColor(205, 205, 205)); });
}

// The search bar: the field's background (20 x 34 points, stretched from its centre to any
// field's width), the icon at its left and the cancel button's background, plain and pressed.
void searchBar() {
    draw(QStringLiteral("分类-搜索框"), 20, 34, [](QPainter& p) {
        roundedBox(p, QRectF(0.5, 0.5, 19, 33), 5, Qt::white, QColor(190, 190, 190));
    });
    draw(QStringLiteral("icon搜索"), 28, 34,
         [](QPainter& p) { magnifier(p, 13, 15, 5.5, 2, QColor(160, 160, 160)); });
    for (const bool pressed : {false, true}) {
        draw(pressed ? QStringLiteral("button-高27-点击态") : QStringLiteral("button-高27"), 43, 27,
             [pressed](QPainter& p) {
                 roundedBox(p, QRectF(0.5, 0.5, 42, 26), 4,
                            pressed ? QColor(220, 220, 220) : QColor(248, 248, 248),
                            QColor(190, 190, 190));
             });
    }
}

}  // namespace

void drawCityPictures() {
    cityList();
    searchBar();
}

}  // namespace pictures
