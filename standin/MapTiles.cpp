#include "standin/MapTiles.h"

#include "standin/DistrictMap.h"
#include "standin/Geography.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QSaveFile>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <numbers>
#include <optional>

namespace standin {

namespace {

const QColor kWater(181, 208, 222);
const QColor kLand(242, 239, 233);
const QColor kBorder(168, 150, 178);
const QColor kName(90, 80, 100);
constexpr const char* kFontPath = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";
// How far outside a tile a name's anchor may lie and still reach into it, in pixels.
constexpr double kNameReach = 80;

double worldX(double longitude) {
    return (longitude + 180) / 360;
}

double worldY(double latitude) {
    const double s = std::sin(std::clamp(latitude, -85.05, 85.05) * std::numbers::pi / 180);
    return 0.5 - std::log((1 + s) / (1 - s)) / (4 * std::numbers::pi);
}

// An outline ready to draw: its bounds in world units and the place of its name.
struct Area {
    const Outline* outline;
    double left, top, right, bottom;
    double nameX, nameY;
    QString name;
};

// A point inside the outline near the middle of its bounds, for the name.
GeoPoint namePoint(const Outline& outline) {
    const GeoPoint middle{(outline.minX + outline.maxX) / 2, (outline.minY + outline.maxY) / 2};
    if (outline.contains(middle)) return middle;
    GeoPoint best = outline.rings.front().front();
    double bestDistance = 1e9;
    constexpr int kGrid = 12;
    for (int row = 1; row < kGrid; ++row) {
        for (int column = 1; column < kGrid; ++column) {
            const GeoPoint p{outline.minX + (outline.maxX - outline.minX) * column / kGrid,
                             outline.minY + (outline.maxY - outline.minY) * row / kGrid};
            const double distance = std::hypot(p.x - middle.x, p.y - middle.y);
            if (distance < bestDistance && outline.contains(p)) {
                best = p;
                bestDistance = distance;
            }
        }
    }
    return best;
}

const std::vector<Area>& areas() {
    static std::once_flag once;
    static std::vector<Area> made;
    std::call_once(once, [] {
        const DistrictMap& geography = DistrictMap::shared();
        for (const Outline& outline : geography.outlines) {
            const GeoPoint at = namePoint(outline);
            const auto name = geography.districtNames.find(outline.code);
            made.push_back({&outline, worldX(outline.minX), worldY(outline.maxY),
                            worldX(outline.maxX), worldY(outline.minY), worldX(at.x), worldY(at.y),
                            name == geography.districtNames.end() ? QString() : name->second});
        }
    });
    return made;
}

// The font of the names; none without a GUI application (the fonts need one).
std::optional<QFont> nameFont() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return std::nullopt;
    static std::once_flag once;
    static QString family;
    std::call_once(once, [] {
        const int id = QFontDatabase::addApplicationFont(QString::fromUtf8(kFontPath));
        if (id >= 0) family = QFontDatabase::applicationFontFamilies(id).value(0);
    });
    QFont font(family);
    font.setPixelSize(15);
    return font;
}

}  // namespace

QImage MapTiles::render(int z, int x, int y) {
    if (z < 0 || z > kMaximumZoom || x < 0 || y < 0 || x >= (1 << z) || y >= (1 << z)) return {};
    QImage image(kTileSize, kTileSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(kWater);
    const double scale = double(kTileSize) * (1 << z);  // pixels per world unit
    const double left = double(x) / (1 << z), top = double(y) / (1 << z);
    const double right = double(x + 1) / (1 << z), bottom = double(y + 1) / (1 << z);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const auto toPixel = [&](const GeoPoint& p) {
        return QPointF((worldX(p.x) - left) * scale, (worldY(p.y) - top) * scale);
    };
    std::vector<const Area*> shown;
    for (const Area& area : areas()) {
        if (area.right < left || area.left > right || area.bottom < top || area.top > bottom) {
            continue;
        }
        shown.push_back(&area);
        QPainterPath path;
        for (const auto& ring : area.outline->rings) {
            QPolygonF polygon;
            polygon.reserve(qsizetype(ring.size()));
            for (const GeoPoint& p : ring) polygon << toPixel(p);
            path.addPolygon(polygon);
            path.closeSubpath();
        }
        painter.fillPath(path, kLand);
        painter.strokePath(path, QPen(kBorder, z >= 12 ? 2.0 : 1.0));
    }
    const auto font = nameFont();
    if (z >= kFirstNamedZoom && font) {
        painter.setFont(*font);
        const double reach = kNameReach / scale;
        for (const Area& area : areas()) {
            if (area.name.isEmpty() || area.nameX < left - reach || area.nameX > right + reach ||
                area.nameY < top - reach || area.nameY > bottom + reach) {
                continue;
            }
            const QPointF at((area.nameX - left) * scale, (area.nameY - top) * scale);
            QPainterPath text;
            const QFontMetricsF metrics(*font);
            const double width = metrics.horizontalAdvance(area.name);
            text.addText(at.x() - width / 2, at.y() + metrics.ascent() / 2 - 1, *font, area.name);
            painter.strokePath(text, QPen(QColor(255, 255, 255, 220), 3));
            painter.fillPath(text, kName);
        }
    }
    painter.end();
    return image;
}

QString MapTiles::cacheFolder() {
    const QByteArray set = qgetenv("HOUSING_STANDIN_TILE_CACHE");
    if (!set.isEmpty()) return QString::fromLocal8Bit(set);
    return QDir::temp().filePath(QStringLiteral("housing-standin-tiles-%1")
                                     .arg(QString::fromLatin1(Geography::kDataVersion)));
}

QByteArray MapTiles::tile(int z, int x, int y) {
    const QString path = QStringLiteral("%1/%2/%3/%4.png").arg(cacheFolder()).arg(z).arg(x).arg(y);
    QFile cached(path);
    if (cached.open(QIODevice::ReadOnly)) {
        QByteArray bytes = cached.readAll();
        if (!bytes.isEmpty()) return bytes;
    }
    const QImage image = render(z, x, y);
    if (image.isNull()) return {};
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    // Written whole or not at all, so that a reader never gets half a tile.
    QDir().mkpath(QFileInfo(path).path());
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(bytes);
        file.commit();
    }
    return bytes;
}

void MapTiles::install(Endpoints& endpoints) {
    endpoints.addRoute(
        "/tiles/", [](const RecordedRequest& request, const QByteArray&) -> std::optional<Reply> {
            // /tiles/<z>/<x>/<y>.png
            const QList<QByteArray> parts = request.path.mid(7).split('/');
            bool ok[3] = {false, false, false};
            const int z = parts.value(0).toInt(&ok[0]);
            const int x = parts.value(1).toInt(&ok[1]);
            QByteArray last = parts.value(2);
            if (last.endsWith(".png")) last.chop(4);
            const int y = last.toInt(&ok[2]);
            if (parts.size() != 3 || !ok[0] || !ok[1] || !ok[2]) {
                return Endpoints::refusal("no such tile", 404);
            }
            QByteArray bytes = tile(z, x, y);
            if (bytes.isEmpty()) return Endpoints::refusal("no such tile", 404);
            return Reply::text(std::move(bytes), "image/png");
        });
}

}  // namespace standin
