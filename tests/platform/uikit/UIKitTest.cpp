#include "UIKitTest.h"

#include "platform/foundation/sandbox.h"
#include "platform/uikit/image.h"

#include <QDir>
#include <QFileInfo>

void UIKitTest::SetUp() {
    SandboxTest::SetUp();
    previousBundle_ = ns::Bundle::resourcePath();
    bundle_ = sandboxPath() + QStringLiteral("/bundle");
    QDir().mkpath(bundle_);
    ns::Bundle::setResourcePath(bundle_);
    ui::Image::clearNamedCache();
}

void UIKitTest::TearDown() {
    ui::Image::clearNamedCache();
    ns::Bundle::setResourcePath(previousBundle_);
    SandboxTest::TearDown();
}

void UIKitTest::writeBundleImage(const QString& fileName, const QImage& image) {
    const QString path = bundle_ + '/' + fileName;
    QDir().mkpath(QFileInfo(path).path());
    ASSERT_TRUE(image.save(path, "PNG")) << path.toStdString();
}

QString UIKitTest::referencePath(const QString& name) {
    return QFileInfo(QStringLiteral(__FILE__)).absolutePath() + QStringLiteral("/reference/") +
           name;
}

::testing::AssertionResult UIKitTest::matchesReference(const QImage& image, const QString& name,
                                                       int tolerance) {
    const QString path = referencePath(name);
    if (qEnvironmentVariableIntValue("HOUSING_UPDATE_REFERENCES") == 1) {
        QDir().mkpath(QFileInfo(path).path());
        image.save(path, "PNG");
        return ::testing::AssertionSuccess() << "reference rewritten";
    }
    QImage reference(path);
    if (reference.isNull()) {
        return ::testing::AssertionFailure() << "no reference image " << path.toStdString()
                                             << " (run with HOUSING_UPDATE_REFERENCES=1)";
    }
    const QImage actual = image.convertToFormat(QImage::Format_ARGB32);
    reference = reference.convertToFormat(QImage::Format_ARGB32);
    if (actual.size() != reference.size()) {
        return ::testing::AssertionFailure()
               << "size " << actual.width() << "x" << actual.height() << " differs from reference "
               << reference.width() << "x" << reference.height();
    }
    int differing = 0;
    for (int y = 0; y < actual.height(); ++y) {
        const auto* a = reinterpret_cast<const QRgb*>(actual.constScanLine(y));
        const auto* r = reinterpret_cast<const QRgb*>(reference.constScanLine(y));
        for (int x = 0; x < actual.width(); ++x) {
            if (std::abs(qRed(a[x]) - qRed(r[x])) > tolerance ||
                std::abs(qGreen(a[x]) - qGreen(r[x])) > tolerance ||
                std::abs(qBlue(a[x]) - qBlue(r[x])) > tolerance ||
                std::abs(qAlpha(a[x]) - qAlpha(r[x])) > tolerance) {
                ++differing;
            }
        }
    }
    if (differing > 0) {
        actual.save(QDir::tempPath() + QStringLiteral("/actual-") + name, "PNG");
        return ::testing::AssertionFailure()
               << differing << " pixels differ from " << name.toStdString()
               << " (actual written to the temp folder)";
    }
    return ::testing::AssertionSuccess();
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
