#pragma once

#include "SandboxTest.h"

#include <QColor>
#include <QImage>
#include <QString>

namespace ui {
class Image;
}

// Base fixture of the tests that load pictures by name: a sandbox with its manual clock and a
// bundle folder of its own that tests put pictures into. The named pictures already loaded
// are forgotten before and after each test, so that no test sees another's.
class BundleTest : public SandboxTest {
protected:
    void SetUp() override;
    void TearDown() override;

    [[nodiscard]] const QString& bundlePath() const { return bundle_; }
    // The bundle in force before the test: the app's own.
    [[nodiscard]] const QString& appBundlePath() const { return previousBundle_; }
    // Writes `image` into the bundle under `fileName` (PNG), making its folder.
    void writeBundleImage(const QString& fileName, const QImage& image);

private:
    QString bundle_;
    QString previousBundle_;
};

// A QImage filled with one colour.
[[nodiscard]] QImage solidImage(int width, int height, QColor color);
// The colour of one pixel of an image (in pixels, not points).
[[nodiscard]] QColor pixelAt(const ui::Image& image, int x, int y);
[[nodiscard]] QColor pixelAt(const QImage& image, int x, int y);
