#include "WidgetTest.h"

#include "ReferenceImage.h"

#include "platform/foundation/sandbox.h"
#include "platform/uikit/device.h"
#include "platform/uikit/image.h"
#include "platform/uikit/test_driver.h"
#include "platform/uikit/window.h"

void WidgetTest::TearDown() {
    driver_.reset();
    window_.reset();
    BundleTest::TearDown();
}

void WidgetTest::useAppBundle() {
    ns::Bundle::setResourcePath(appBundlePath());
    ui::Image::clearNamedCache();
}

void WidgetTest::writeBundleImage(const QString& fileName, int width, int height, QColor color) {
    writeBundleImage(fileName, solidImage(width, height, color));
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

OlderSystem::OlderSystem() {
    ui::Device::currentDevice().setSystemVersion(QStringLiteral("6.1"));
}

OlderSystem::~OlderSystem() {
    ui::Device::currentDevice().setSystemVersion(QStringLiteral("7.0"));
}
