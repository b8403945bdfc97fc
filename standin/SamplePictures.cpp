#include "standin/SamplePictures.h"

#include "standin/GifWriter.h"

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QRegularExpression>

#include <algorithm>

namespace standin {

namespace {

constexpr int kLargestSide = 2048;
constexpr int kDotsPerMeter = 2835;  // 72 dots per inch

struct Kind {
    const char* folder;
    int width;
    int height;
    bool round;  // avatars are round on a white ground
};

const Kind kKinds[] = {
    {"posts/", 640, 480, false},        {"avatars/brokers/", 120, 120, true},
    {"avatars/users/", 120, 120, true}, {"banners/", 640, 240, false},
    {"chat/", 480, 640, false},
};

// FNV-1a: the same colours for the same id on every machine.
quint32 hashOf(const QString& text) {
    quint32 hash = 2166136261u;
    for (const char byte : text.toUtf8()) {
        hash ^= quint8(byte);
        hash *= 16777619u;
    }
    return hash;
}

// A house on a sky, in colours of the id; shapes only, so no font decides a pixel.
QImage draw(const QString& id, int width, int height, bool round) {
    const quint32 hash = hashOf(id);
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(round ? Qt::white : QColor::fromHsv(int(hash % 360), 60, 235));
    QPainter painter(&image);
    const QColor wall = QColor::fromHsv(int((hash >> 9) % 360), 160, 200);
    const QColor roof = QColor::fromHsv(int((hash >> 18) % 360), 200, 150);
    if (round) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(wall);
        painter.drawEllipse(QRectF(0, 0, width, height));
        painter.setBrush(roof);
        painter.drawEllipse(QRectF(width * 0.3, height * 0.18, width * 0.4, height * 0.4));
        return image;
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromHsv(int((hash >> 4) % 360), 90, 120));
    painter.drawRect(QRectF(0, height * 0.8, width, height * 0.2));
    const QRectF body(width * 0.3, height * 0.45, width * 0.4, height * 0.35);
    painter.setBrush(wall);
    painter.drawRect(body);
    painter.setBrush(roof);
    const QPointF roofPoints[] = {
        {width * 0.25, height * 0.45}, {width * 0.5, height * 0.2}, {width * 0.75, height * 0.45}};
    painter.drawPolygon(roofPoints, 3);
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(width * 0.45, height * 0.6, width * 0.1, height * 0.2));
    return image;
}

QByteArray encode(QImage image, const QString& extension, int quality) {
    // A fixed density: otherwise the process's screen (if any) decides header bytes.
    image.setDotsPerMeterX(kDotsPerMeter);
    image.setDotsPerMeterY(kDotsPerMeter);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const QByteArray format = extension == "png" ? "png" : extension == "webp" ? "webp" : "jpeg";
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    if (!writer.write(image)) return {};
    return bytes;
}

QByteArray animation(const QString& name) {
    const quint32 hash = hashOf(name);
    std::vector<GifWriter::Frame> frames;
    for (int frame = 0; frame < 8; ++frame) {
        QImage image(64, 64, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor::fromHsv(int((hash + quint32(frame) * 45) % 360), 200, 220));
        painter.drawEllipse(QRectF(8 + frame * 4, 8 + frame * 4, 48 - frame * 8, 48 - frame * 8));
        frames.push_back({image, 10});
    }
    return GifWriter::encode(frames, 0);
}

// The rendition's size: within W x H keeping the kind's proportions, or W x H when cut.
QImage rendition(const Kind& kind, const QString& id, int width, int height, bool cut) {
    width = std::clamp(width, 1, kLargestSide);
    height = std::clamp(height, 1, kLargestSide);
    if (cut) {
        const QImage base = draw(id, kind.width, kind.height, kind.round);
        return base.scaled(width, height, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation)
            .copy(0, 0, width, height);
    }
    const QSize fitted = QSize(kind.width, kind.height).scaled(width, height, Qt::KeepAspectRatio);
    return draw(id, std::max(1, fitted.width()), std::max(1, fitted.height()), kind.round);
}

}  // namespace

std::optional<QByteArray> SamplePictures::render(const QString& path) {
    if (path.startsWith("anim/") && path.endsWith(".gif") && path.count('/') == 1) {
        return animation(path.mid(5, path.size() - 9));
    }
    static const QRegularExpression renditionPattern(QStringLiteral(
        "^([A-Za-z0-9-]+)_(\\d{1,5})-(\\d{1,5})(c?)_(\\d{1,2})-(\\d{1,4})\\.(jpg|jpeg|png|webp)$"));
    static const QRegularExpression basePattern(
        QStringLiteral("^([A-Za-z0-9-]+)\\.(jpg|jpeg|png|webp)$"));
    for (const Kind& kind : kKinds) {
        if (!path.startsWith(QLatin1String(kind.folder))) continue;
        const QString file = path.mid(int(qstrlen(kind.folder)));
        if (const auto match = renditionPattern.match(file); match.hasMatch()) {
            const QImage image = rendition(kind, match.captured(1), match.captured(2).toInt(),
                                           match.captured(3).toInt(), !match.captured(4).isEmpty());
            return encode(image, match.captured(7),
                          std::clamp(match.captured(5).toInt() * 10, 10, 100));
        }
        if (const auto match = basePattern.match(file); match.hasMatch()) {
            return encode(draw(match.captured(1), kind.width, kind.height, kind.round),
                          match.captured(2), 80);
        }
        return std::nullopt;
    }
    return std::nullopt;
}

void SamplePictures::addRoutes(Endpoints& endpoints) {
    endpoints.addRoute(
        QByteArray(paths::kImageHost) + '/',
        [](const RecordedRequest& request, const QByteArray&) -> std::optional<Reply> {
            const QString path = QString::fromUtf8(QByteArray::fromPercentEncoding(
                request.path.mid(qsizetype(qstrlen(paths::kImageHost)) + 1)));
            auto bytes = render(path);
            if (!bytes) return std::nullopt;
            const QString suffix = path.section('.', -1);
            const QByteArray type = suffix == "gif"    ? "image/gif"
                                    : suffix == "png"  ? "image/png"
                                    : suffix == "webp" ? "image/webp"
                                                       : "image/jpeg";
            return Reply::text(*bytes, type);
        });
}

QStringList SamplePictures::examples() {
    return {"posts/1001.jpg",
            "posts/1001_120-90c_7-0.jpg",
            "posts/1001_300-300_8-0.jpg",
            "posts/1002_640-480_5-0.webp",
            "avatars/brokers/2001.jpg",
            "avatars/brokers/2001_44-44c_7-0.jpg",
            "avatars/users/3001_44-44c_7-0.png",
            "banners/1.jpg",
            "banners/1_320-120c_7-0.jpg",
            "chat/4001.jpg",
            "chat/4001_120-160_7-0.jpg",
            "anim/waiting.gif"};
}

}  // namespace standin
