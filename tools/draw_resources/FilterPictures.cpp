#include <QPainterPath>

#include "Painting.h"
#include "PictureGroups.h"

namespace pictures {

namespace {

const QColor kBorder(210, 210, 210);
const QColor kPressed(228, 228, 228);

// The filter screen's rows, 299 x 44 points: a white box whose left and right borders join
// the rows into one framed list; the last row's closing line is a picture of its own.
void filterRows() {
    for (const QString& name : {QStringLiteral("更多框"), QStringLiteral("填写信息框")}) {
        draw(name, 299, 44, [](QPainter& p) {
            p.fillRect(QRectF(0, 0, 299, 44), Qt::white);
            p.fillRect(QRectF(0, 0, 1, 44), kBorder);
            p.fillRect(QRectF(298, 0, 1, 44), kBorder);
            p.fillRect(QRectF(0, 0, 299, 1), kBorder);
        });
    }
    draw(QStringLiteral("更多框-封口"), 299, 1,
         [](QPainter& p) { p.fillRect(QRectF(0, 0, 299, 1), kBorder); });
    // The shaded field behind a row's label.
    draw(QStringLiteral("填写信息框-标题"), 90, 44, [](QPainter& p) {
        p.fillRect(QRectF(1, 1, 89, 43), QColor(242, 247, 238));
        p.fillRect(QRectF(89, 1, 1, 43), QColor(225, 232, 220));
    });
}

// The bar at the bottom of the filter screen (stretched below a 22-point top cap) and its
// finish button (stretched from its middle).
void bottomBar() {
    barTile(QStringLiteral("tabs-bg"), 44, QColor(250, 250, 250), QColor(236, 236, 236),
            QColor(200, 200, 200), Qt::TopEdge);
    for (const bool pressed : {false, true}) {
        draw(pressed ? QStringLiteral("buttonB高34-点击态") : QStringLiteral("buttonB高34"), 20, 34,
             [pressed](QPainter& p) {
                 roundedBox(p, QRectF(0.5, 0.5, 19, 33), 5, pressed ? kDarkGreen : kGreen,
                            kDarkGreen);
             });
    }
}

// One row of a value list, 15 x 44 points, stretched from a 7-point left and a 25-point top
// cap: the first row is rounded at the top, the last at the bottom, the middle ones are
// open; rows below the first draw the line that parts them from the row above.
enum class Place { Top, Middle, Bottom };

void valueRow(const QString& name, Place place, bool pressed) {
    draw(name, 15, 44, [=](QPainter& p) {
        p.setClipRect(QRectF(0, 0, 15, 44));
        const double top = place == Place::Top ? 0.5 : -10;
        const double bottom = place == Place::Bottom ? 43.5 : 54;
        roundedBox(p, QRectF(0.5, top, 14, bottom - top), 5, pressed ? kPressed : QColor(Qt::white),
                   kBorder);
        if (place != Place::Top) p.fillRect(QRectF(0, 0, 15, 1), kBorder);
    });
}

// The value lists' rows and the district chooser's rows (299 x 52 points).
void valueLists() {
    const std::pair<QString, Place> rows[] = {{QStringLiteral("条顶"), Place::Top},
                                              {QStringLiteral("条中"), Place::Middle},
                                              {QStringLiteral("条底"), Place::Bottom}};
    for (const auto& [name, place] : rows) {
        valueRow(name, place, false);
        valueRow(name + QStringLiteral("点击"), place, true);
    }
    for (const bool pressed : {false, true}) {
        draw(pressed ? QStringLiteral("列表信息条点击") : QStringLiteral("列表信息条"), 299, 52,
             [pressed](QPainter& p) {
                 p.fillRect(QRectF(0, 0, 299, 52), pressed ? kPressed : QColor(Qt::white));
                 p.fillRect(QRectF(0, 51, 299, 1), QColor(225, 225, 225));
             });
    }
}

}  // namespace

void drawFilterPictures() {
    filterRows();
    bottomBar();
    valueLists();
}

}  // namespace pictures
