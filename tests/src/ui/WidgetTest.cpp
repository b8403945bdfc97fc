#include "WidgetTest.h"

#include "ReferenceImage.h"

#include "platform/foundation/sandbox.h"
#include "platform/uikit/device.h"
#include "platform/uikit/image.h"
#include "platform/uikit/test_driver.h"
#include "platform/uikit/window.h"

#include <QDir>
#include <QFileInfo>

void WidgetTest::SetUp() {
    SandboxTest::SetUp();
    previousBundle_ = ns::Bundle::resourcePath();
    bundle_ = sandboxPath() + QStringLiteral("/bundle");
    QDir().mkpath(bundle_);
    ns::Bundle::setResourcePath(bundle_);
    ui::Image::clearNamedCache();
}

void WidgetTest::TearDown() {
    driver_.reset();
    window_.reset();
    ui::Image::clearNamedCache();
    ns::Bundle::setResourcePath(previousBundle_);
    SandboxTest::TearDown();
}

void WidgetTest::useAppBundle() {
    ns::Bundle::setResourcePath(previousBundle_);
    ui::Image::clearNamedCache();
}

void WidgetTest::writeBundleImage(const QString& fileName, int width, int height, QColor color) {
    const QString path = bundle_ + '/' + fileName;
    QDir().mkpath(QFileInfo(path).path());
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(color);
    ASSERT_TRUE(image.save(path, "PNG")) << path.toStdString();
}

const std::shared_ptr<ui::Window>& WidgetTest::windowPointer() {
    if (!window_) {
        window_ = std::make_shared<ui::Window>();
        window_->makeKeyAndVisible();
    }
    return window_;
}

ui::Window& WidgetTest::window() {
    return *windowPointer();
}

ui::TestDriver& WidgetTest::driver() {
    if (!driver_) driver_ = std::make_unique<ui::TestDriver>(windowPointer());
    return *driver_;
}

void WidgetTest::run(double seconds) {
    driver().wait(seconds);
}

::testing::AssertionResult WidgetTest::matchesReference(const QImage& image, const QString& name) {
    return matchesReferenceImage(image, QStringLiteral("src/ui/reference"), name);
}

QColor pixelAt(const ui::Image& image, int x, int y) {
    return QColor::fromRgba(
        image.uprightPixels().convertToFormat(QImage::Format_ARGB32).pixel(x, y));
}

OlderSystem::OlderSystem() {
    ui::Device::currentDevice().setSystemVersion(QStringLiteral("6.1"));
}

OlderSystem::~OlderSystem() {
    ui::Device::currentDevice().setSystemVersion(QStringLiteral("7.0"));
}
