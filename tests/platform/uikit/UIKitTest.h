#pragma once

#include "SandboxTest.h"

#include "platform/uikit/geometry.h"

#include <QColor>
#include <QImage>
#include <QString>

#include <memory>

namespace ui {
class Image;
}

// Base fixture of the user-interface tests: a sandbox, a manual clock, and a
// bundle folder of its own that tests put images into.
class UIKitTest : public SandboxTest {
protected:
    void SetUp() override;
    void TearDown() override;

    [[nodiscard]] QString bundlePath() const { return bundle_; }
    // Writes `image` into the bundle under `fileName` (PNG).
    void writeBundleImage(const QString& fileName, const QImage& image);

    // The folder of stored reference screenshots; $HOUSING_UPDATE_REFERENCES=1
    // rewrites them instead of comparing.
    [[nodiscard]] static QString referencePath(const QString& name);
    // Compares with the stored reference, allowing `tolerance` per channel.
    ::testing::AssertionResult matchesReference(const QImage& image, const QString& name,
                                                int tolerance = 2);

private:
    QString bundle_;
    QString previousBundle_;
};

// A QImage filled with one colour.
[[nodiscard]] QImage solidImage(int width, int height, QColor color);
// The colour of one pixel of an image (in pixels, not points).
[[nodiscard]] QColor pixelAt(const ui::Image& image, int x, int y);
[[nodiscard]] QColor pixelAt(const QImage& image, int x, int y);
