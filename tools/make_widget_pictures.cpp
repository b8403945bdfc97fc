// Draws the pictures the reusable widgets load by name into resources/ (at scale 2).
// Build and run from the repository root:
//   g++ -std=c++20 -fPIC tools/make_widget_pictures.cpp $(pkg-config --cflags --libs Qt6Gui) \
//       -o /tmp/make_widget_pictures && QT_QPA_PLATFORM=offscreen /tmp/make_widget_pictures
//       resources
// The output is committed; a build never runs this.

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <functional>

namespace {

QString root;

// `width` x `height` points, drawn at two pixels per point.
void picture(const QString& name, int width, int height,
             const std::function<void(QPainter&)>& draw) {
    QImage image(width * 2, height * 2, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(2, 2);
    draw(painter);
    painter.end();
    QString base = name;
    if (base.endsWith(QStringLiteral(".png"))) base.chop(4);
    const QString path = root + '/' + base + QStringLiteral("@2x.png");
    QDir().mkpath(QFileInfo(path).path());
    image.save(path, "PNG");
}

void roundedBox(QPainter& p, QRectF rect, double radius, QColor fill, QColor line = {}) {
    p.setPen(line.isValid() ? QPen(line, 1) : Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(rect, radius, radius);
}

void arrow(QPainter& p, QRectF box, QColor colour, bool down) {
    p.setPen(QPen(colour, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const double cx = box.center().x();
    const double top = box.top() + 2, bottom = box.bottom() - 2;
    p.drawLine(QPointF(cx, top), QPointF(cx, bottom));
    const double tip = down ? bottom : top, back = down ? tip - 7 : tip + 7;
    p.drawLine(QPointF(cx - 6, back), QPointF(cx, tip));
    p.drawLine(QPointF(cx + 6, back), QPointF(cx, tip));
}

void icon(const QString& name, QColor colour, const QString& glyph) {
    picture(name, 66, 66, [&](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawEllipse(QRectF(3, 3, 60, 60));
        p.setPen(Qt::white);
        QFont font = p.font();
        font.setPixelSize(26);
        font.setBold(true);
        p.setFont(font);
        p.drawText(QRectF(3, 3, 60, 60), Qt::AlignCenter, glyph);
    });
}

void badge(const QString& name, int width, QColor colour, const QString& glyph) {
    picture(name, width, 18, [&](QPainter& p) {
        roundedBox(p, QRectF(0.5, 0.5, width - 1, 17), 3, colour);
        p.setPen(Qt::white);
        QFont font = p.font();
        font.setPixelSize(12);
        font.setBold(true);
        p.setFont(font);
        p.drawText(QRectF(0, 0, width, 18), Qt::AlignCenter, glyph);
    });
}

void triangle(const QString& name, int width, int height, QColor colour, bool down) {
    picture(name, width, height, [&](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawPolygon(
            down
                ? QPolygonF({QPointF(0, 0), QPointF(width, 0), QPointF(width / 2.0, height)})
                : QPolygonF({QPointF(0, height), QPointF(width, height), QPointF(width / 2.0, 0)}));
    });
}

// The post list's badges, marks, placeholders and quick-filter parts.
void listPictures() {
    badge(QStringLiteral("顶.png"), 18, QColor(230, 70, 60), QStringLiteral("顶"));
    badge(QStringLiteral("验.png"), 18, QColor(60, 130, 220), QStringLiteral("验"));
    badge(QStringLiteral("放心房.png"), 18, QColor(92, 187, 57), QStringLiteral("放"));
    badge(QStringLiteral("报价.png"), 35, QColor(247, 127, 0), QStringLiteral("报价"));
    picture(QStringLiteral("文字预览模式.png"), 17, 14, [](QPainter& p) {
        roundedBox(p, QRectF(1, 3, 15, 10), 2, QColor(170, 170, 170));
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(5.5, 5, 6, 6));
        p.fillRect(QRectF(5, 1, 6, 3), QColor(170, 170, 170));
    });
    picture(QStringLiteral("列表-照片背景块.png"), 14, 14, [](QPainter& p) {
        roundedBox(p, QRectF(0.5, 0.5, 13, 13), 3, Qt::white, QColor(220, 220, 220));
    });
    picture(QStringLiteral("列表分割线.png"), 2, 1,
            [](QPainter& p) { p.fillRect(QRectF(0, 0, 2, 1), QColor(224, 224, 224)); });
    for (const bool failed : {true, false}) {
        picture(
            failed ? QStringLiteral("信息列表加载失败.png") : QStringLiteral("信息列表-加载中.png"),
            62, 46, [failed](QPainter& p) {
                p.fillRect(QRectF(0, 0, 62, 46), QColor(238, 238, 238));
                if (!failed) return;
                p.setPen(QPen(QColor(200, 200, 200), 2));
                p.setBrush(Qt::NoBrush);
                p.drawPolyline(QPolygonF({QPointF(19, 24), QPointF(31, 13), QPointF(43, 24)}));
                p.drawRect(QRectF(23, 23, 16, 12));
            });
    }
    triangle(QStringLiteral("标签箭头.png"), 12, 10, QColor(150, 150, 150), true);
    triangle(QStringLiteral("快速筛选-三角.png"), 16, 10, QColor(250, 250, 250), false);
    triangle(QStringLiteral("向下展开.png"), 10, 10, QColor(150, 150, 150), true);
    picture(QStringLiteral("标签分割线.png"), 2, 40, [](QPainter& p) {
        p.fillRect(QRectF(0, 8, 1, 24), QColor(210, 210, 210));
        p.fillRect(QRectF(1, 8, 1, 24), QColor(250, 250, 250));
    });
    picture(QStringLiteral("点击灰色.png"), 2, 40,
            [](QPainter& p) { p.fillRect(QRectF(0, 0, 2, 40), QColor(215, 215, 215)); });
    picture(QStringLiteral("icon右箭头.png"), 9, 13, [](QPainter& p) {
        p.setPen(QPen(QColor(160, 160, 160), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({QPointF(2, 1.5), QPointF(7, 6.5), QPointF(2, 11.5)}));
    });
    picture(QStringLiteral("帖子加载失败.png"), 80, 80, [](QPainter& p) {
        p.setPen(QPen(QColor(205, 205, 205), 4));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(6, 6, 68, 68));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(205, 205, 205));
        p.drawRoundedRect(QRectF(36, 20, 8, 30), 4, 4);
        p.drawEllipse(QRectF(36, 54, 8, 8));
    });
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    root = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("resources");
    const QColor green(92, 187, 57), grey(150, 150, 150), pink(255, 89, 131);

    picture(QStringLiteral("tip-bg.png"), 20, 20,
            [](QPainter& p) { roundedBox(p, QRectF(0, 0, 20, 20), 6, QColor(0, 0, 0, 190)); });
    picture(QStringLiteral("title bar－阴影.png"), 20, 7, [](QPainter& p) {
        QLinearGradient shade(0, 0, 0, 7);
        shade.setColorAt(0, QColor(0, 0, 0, 90));
        shade.setColorAt(1, QColor(0, 0, 0, 0));
        p.fillRect(QRectF(0, 0, 20, 7), shade);
    });
    picture(QStringLiteral("PRRefresh.bundle/arrow.png"), 16, 40,
            [&](QPainter& p) { arrow(p, QRectF(0, 0, 16, 40), grey, true); });
    picture(QStringLiteral("信息详情-跳转B.png"), 16, 28,
            [&](QPainter& p) { arrow(p, QRectF(0, 0, 16, 28), grey, false); });
    picture(QStringLiteral("灰色图.png"), 30, 30, [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(200, 200, 200));
        p.drawEllipse(QRectF(2, 2, 26, 26));
        p.setBrush(QColor(245, 245, 245));
        p.drawEllipse(QRectF(9, 9, 12, 12));
    });
    picture(QStringLiteral("圆环.png"), 30, 30, [&](QPainter& p) {
        p.setPen(QPen(green, 3, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(QRectF(2, 2, 26, 26), 90 * 16, 300 * 16);
    });
    picture(QStringLiteral("logo.png"), 30, 30, [&](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(green);
        QPainterPath house;
        house.moveTo(15, 8);
        house.lineTo(22, 14);
        house.lineTo(20, 14);
        house.lineTo(20, 21);
        house.lineTo(10, 21);
        house.lineTo(10, 14);
        house.lineTo(8, 14);
        house.closeSubpath();
        p.drawPath(house);
    });
    for (const bool pressed : {false, true}) {
        picture(pressed ? QStringLiteral("首页关闭点击.png") : QStringLiteral("首页关闭.png"), 38,
                38, [&](QPainter& p) {
                    p.setPen(QPen(pressed ? green : grey, 2));
                    p.setBrush(Qt::white);
                    p.drawEllipse(QRectF(1, 1, 36, 36));
                    p.drawLine(QPointF(13, 13), QPointF(25, 25));
                    p.drawLine(QPointF(25, 13), QPointF(13, 25));
                });
    }
    icon(QStringLiteral("买房icon.png"), QColor(247, 127, 0), QStringLiteral("买"));
    icon(QStringLiteral("整租icon.png"), green, QStringLiteral("租"));
    icon(QStringLiteral("合租icon.png"), QColor(60, 140, 230), QStringLiteral("合"));
    picture(QStringLiteral("textbg.png"), 20, 20, [](QPainter& p) {
        roundedBox(p, QRectF(0.5, 0.5, 19, 19), 8, Qt::white, QColor(160, 160, 160));
    });
    picture(QStringLiteral("textbg_7.png"), 20, 20, [](QPainter& p) {
        roundedBox(p, QRectF(0.5, 0.5, 19, 19), 5, Qt::white, QColor(200, 200, 200));
    });
    picture(QStringLiteral("toolbarbg.png"), 20, 20, [](QPainter& p) {
        QLinearGradient shade(0, 0, 0, 20);
        shade.setColorAt(0, QColor(235, 235, 235));
        shade.setColorAt(1, QColor(200, 200, 200));
        p.fillRect(QRectF(0, 0, 20, 20), shade);
    });
    picture(QStringLiteral("buttonbg.png"), 24, 26,
            [](QPainter& p) { roundedBox(p, QRectF(0.5, 0.5, 23, 25), 6, QColor(90, 140, 220)); });
    picture(QStringLiteral("拖动条.png"), 10, 10,
            [](QPainter& p) { roundedBox(p, QRectF(0, 2, 10, 6), 3, QColor(220, 220, 220)); });
    picture(QStringLiteral("拖动条 选中.png"), 10, 10,
            [&](QPainter& p) { roundedBox(p, QRectF(0, 2, 10, 6), 3, pink); });
    picture(QStringLiteral("圆形按钮.png"), 25, 25, [&](QPainter& p) {
        p.setPen(QPen(QColor(200, 200, 200), 1));
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(1, 1, 23, 23));
    });
    for (const bool chosen : {false, true}) {
        picture(
            chosen ? QStringLiteral("拖动条 提示框 选中.png") : QStringLiteral("拖动条 提示框.png"),
            34, 28, [&](QPainter& p) {
                QPainterPath tip;
                tip.addRoundedRect(QRectF(1, 1, 32, 20), 4, 4);
                QPainterPath point;
                point.moveTo(12, 21);
                point.lineTo(17, 27);
                point.lineTo(22, 21);
                point.closeSubpath();
                p.setPen(QPen(pink, 1));
                p.setBrush(chosen ? pink : QColor(Qt::white));
                p.drawPath(tip.united(point));
            });
    }
    listPictures();
    return 0;
}
