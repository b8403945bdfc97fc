#include "standin/SampleImages.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>

namespace standin {

namespace {

struct Sample {
    const char* path;
    int width;
    int height;
    QColor color;
    const char* format;
};

}  // namespace

QStringList SampleImages::writeTo(const QString& folder) {
    const Sample samples[] = {
        {"test/red.png", 8, 8, QColor(255, 0, 0), "PNG"},
        {"test/pixel.png", 1, 1, QColor(0, 128, 0, 128), "PNG"},
        {"test/blue.jpg", 16, 12, QColor(0, 0, 255), "JPEG"},
    };
    QStringList written;
    for (const auto& sample : samples) {
        const QString path = QDir(folder).filePath(QString::fromLatin1(sample.path));
        written.append(QString::fromLatin1(sample.path));
        if (QFile::exists(path)) continue;
        QDir().mkpath(QFileInfo(path).absolutePath());
        QImage image(sample.width, sample.height, QImage::Format_ARGB32);
        image.fill(sample.color);
        image.save(path, sample.format);
    }
    return written;
}

}  // namespace standin
