#include "Painting.h"

#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QImage>
#include <QLinearGradient>
#include <QPolygonF>

#include <cstdio>

namespace pictures {

namespace {

constexpr double kScale = 2;
const char kFontFile[] = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";

QString gFamily;
QString gFolder;
int gFailures = 0;

}  // namespace

bool begin(const QString& folder) {
    gFolder = folder;
    QDir().mkpath(gFolder);
    const int fontId = QFontDatabase::addApplicationFont(QString::fromLatin1(kFontFile));
    if (fontId < 0) {
        std::fprintf(stderr, "draw_resources: the font %s is missing\n", kFontFile);
        return false;
    }
    gFamily = QFontDatabase::applicationFontFamilies(fontId).value(0);
    return true;
}

void draw(const QString& name, double width, double height,
          const std::function<void(QPainter&)>& paint) {
    QImage image(int(width * kScale), int(height * kScale), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.scale(kScale, kScale);
        paint(painter);
    }
    QString base = name;
    if (base.endsWith(QLatin1String(".png"))) base.chop(4);
    const QString path = gFolder + QLatin1Char('/') + base + QStringLiteral("@2x.png");
    QDir().mkpath(QFileInfo(path).path());
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "draw_resources: cannot write %s\n", qPrintable(path));
        ++gFailures;
    }
}

int failures() {
    return gFailures;
}

QFont font(double points, bool bold) {
    QFont f(gFamily);
    f.setPixelSize(int(points));
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

void roundedBox(QPainter& p, const QRectF& rect, double radius, const QColor& fill,
                const QColor& line) {
    p.setPen(line.isValid() ? QPen(line, 1) : QPen(Qt::NoPen));
    p.setBrush(fill);
    p.drawRoundedRect(rect, radius, radius);
}

void triangle(const QString& name, double width, double height, const QColor& colour, bool down) {
    draw(name, width, height, [=](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawPolygon(
            down ? QPolygonF({QPointF(0, 0), QPointF(width, 0), QPointF(width / 2, height)})
                 : QPolygonF({QPointF(0, height), QPointF(width, height), QPointF(width / 2, 0)}));
    });
}

void barTile(const QString& name, double height, const QColor& top, const QColor& bottom,
             const QColor& line, Qt::Edge edge) {
    draw(name, 4, height, [=](QPainter& p) {
        QLinearGradient fill(0, 0, 0, height);
        fill.setColorAt(0, top);
        fill.setColorAt(1, bottom);
        p.fillRect(QRectF(0, 0, 4, height), fill);
        p.fillRect(QRectF(0, edge == Qt::TopEdge ? 0 : height - 0.5, 4, 0.5), line);
    });
}

void magnifier(QPainter& p, double x, double y, double radius, double width, const QColor& colour) {
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(x, y), radius, radius);
    const double start = radius * 0.72, end = radius * 1.45;
    p.drawLine(QPointF(x + start, y + start), QPointF(x + end, y + end));
}

}  // namespace pictures
