#pragma once

#include "BundleTest.h"

#include <QImage>
#include <QString>

// Base fixture of the user-interface tests: a sandbox, a manual clock, and a
// bundle folder of its own that tests put images into.
class UIKitTest : public BundleTest {
protected:
    // The folder of stored reference screenshots; $HOUSING_UPDATE_REFERENCES=1
    // rewrites them instead of comparing.
    [[nodiscard]] static QString referencePath(const QString& name);
    // Compares with the stored reference, allowing `tolerance` per channel.
    ::testing::AssertionResult matchesReference(const QImage& image, const QString& name,
                                                int tolerance = 2);
};
