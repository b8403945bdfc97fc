#pragma once

#include "BundleTest.h"

#include "platform/uikit/test_driver.h"
#include "platform/uikit/window.h"

#include <QColor>
#include <QImage>
#include <QString>

#include <memory>

namespace ui {
class Image;
}

// Base fixture of the widget tests: a sandbox, a manual clock, a bundle folder of
// its own that tests put pictures into, and a key window with a driver on demand.
class WidgetTest : public BundleTest {
protected:
    void TearDown() override;

    // Loads pictures from the app's own bundle instead of the test's.
    void useAppBundle();
    using BundleTest::writeBundleImage;
    // Writes a picture of one colour into the bundle under `fileName` (PNG).
    void writeBundleImage(const QString& fileName, int width, int height, QColor color);
    [[nodiscard]] ui::Window& window();
    [[nodiscard]] const std::shared_ptr<ui::Window>& windowPointer();
    [[nodiscard]] ui::TestDriver& driver();
    // Lets the manual clock run for `seconds` in display-link steps.
    void run(double seconds);
    [[nodiscard]] ::testing::AssertionResult matchesReference(const QImage& image,
                                                              const QString& name);

private:
    std::shared_ptr<ui::Window> window_;
    std::unique_ptr<ui::TestDriver> driver_;
};

// Runs the app as on a system before version 7 while it lives.
class OlderSystem {
public:
    OlderSystem();
    ~OlderSystem();
    OlderSystem(const OlderSystem&) = delete;
    OlderSystem& operator=(const OlderSystem&) = delete;
};
