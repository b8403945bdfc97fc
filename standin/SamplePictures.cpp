#include "standin/SamplePictures.h"

#include "standin/GifWriter.h"

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>

#include <algorithm>

namespace standin {

namespace {

constexpr int kLargestSide = 2048;
constexpr int kDotsPerMeter = 2835;  // 72 dots per inch

struct PictureKind {
    const char* folder;
    int width;
    int height;
    bool round;  // avatars: a person on a round ground
};

const PictureKind kPictureKinds[] = {
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

// A person's head and shoulders on a disc in colours of the id, on a white ground: skin,
// hair and shirt vary with the id. Shapes only, so no font decides a pixel.
QImage drawAvatar(quint32 hash, int width, int height) {
    static const QColor kSkins[] = {
        {250, 224, 196}, {238, 200, 160}, {214, 170, 128}, {180, 132, 96}};
    static const QColor kHair[] = {{40, 32, 28}, {70, 50, 36}, {110, 80, 50}, {30, 30, 40}};
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.scale(width / 100.0, height / 100.0);
    QPainterPath disc;
    disc.addEllipse(QRectF(0, 0, 100, 100));
    painter.setClipPath(disc);
    painter.fillRect(QRectF(0, 0, 100, 100), QColor::fromHsv(int(hash % 360), 70, 235));
    const QColor skin = kSkins[(hash >> 9) % std::size(kSkins)];
    const QColor hair = kHair[(hash >> 12) % std::size(kHair)];
    // Shoulders in a shirt, then the neck and the head over them.
    painter.setBrush(QColor::fromHsv(int((hash >> 16) % 360), 150, 170));
    painter.drawEllipse(QRectF(14, 70, 72, 56));
    painter.setBrush(skin.darker(108));
    painter.drawRect(QRectF(43, 58, 14, 16));
    painter.setBrush(skin);
    painter.drawEllipse(QRectF(31, 22, 38, 44));
    // Hair: a cap over the top of the head, longer at the sides for some.
    painter.setBrush(hair);
    QPainterPath cap;
    cap.moveTo(29, 42);
    cap.cubicTo(27, 14, 73, 14, 71, 42);
    cap.cubicTo(66, 32, 48, 28, 34, 34);
    cap.closeSubpath();
    painter.drawPath(cap);
    if ((hash >> 20) % 2 == 0) {
        painter.drawRoundedRect(QRectF(27, 32, 8, 30), 4, 4);
        painter.drawRoundedRect(QRectF(65, 32, 8, 30), 4, 4);
    }
    // Eyes and a smile.
    painter.setBrush(QColor(40, 40, 40));
    painter.drawEllipse(QPointF(43, 45), 2.6, 2.6);
    painter.drawEllipse(QPointF(57, 45), 2.6, 2.6);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(150, 70, 60), 2.2, Qt::SolidLine, Qt::RoundCap));
    painter.drawArc(QRectF(43, 48, 14, 9), 200 * 16, 140 * 16);
    return image;
}

// A house on a sky, in colours of the id; shapes only, so no font decides a pixel.
QImage draw(const QString& id, int width, int height, bool round) {
    const quint32 hash = hashOf(id);
    if (round) return drawAvatar(hash, width, height);
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor::fromHsv(int(hash % 360), 60, 235));
    QPainter painter(&image);
    const QColor wall = QColor::fromHsv(int((hash >> 9) % 360), 160, 200);
    const QColor roof = QColor::fromHsv(int((hash >> 18) % 360), 200, 150);
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
QImage rendition(const PictureKind& kind, const QString& id, int width, int height, bool cut) {
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
    for (const PictureKind& kind : kPictureKinds) {
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
