#include "BundleTest.h"

#include "platform/foundation/sandbox.h"
#include "platform/uikit/image.h"

#include <QDir>
#include <QFileInfo>

void BundleTest::SetUp() {
    SandboxTest::SetUp();
    previousBundle_ = ns::Bundle::resourcePath();
    bundle_ = sandboxPath() + QStringLiteral("/bundle");
    QDir().mkpath(bundle_);
    ns::Bundle::setResourcePath(bundle_);
    ui::Image::clearNamedCache();
}

void BundleTest::TearDown() {
    ui::Image::clearNamedCache();
    ns::Bundle::setResourcePath(previousBundle_);
    SandboxTest::TearDown();
}

void BundleTest::writeBundleImage(const QString& fileName, const QImage& image) {
    const QString path = bundle_ + '/' + fileName;
    QDir().mkpath(QFileInfo(path).path());
    ASSERT_TRUE(image.save(path, "PNG")) << path.toStdString();
}

QImage solidImage(int width, int height, QColor color) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(color);
    return image;
}

QColor pixelAt(const QImage& image, int x, int y) {
    return QColor::fromRgba(image.convertToFormat(QImage::Format_ARGB32).pixel(x, y));
}

QColor pixelAt(const ui::Image& image, int x, int y) {
    return pixelAt(image.uprightPixels(), x, y);
}
