#pragma once

#include <QImage>
#include <QString>

#include <gtest/gtest.h>

// Reference screenshots are PNG files kept beside the tests. `folder` is relative to the
// tests' source folder (as "platform/uikit/reference"); ctest tells the test programs where
// that folder is, so the comparison does not depend on where the clone was built.
[[nodiscard]] QString referenceImagePath(const QString& folder, const QString& name);

// Compares `image` with the stored reference, allowing `tolerance` levels per channel.
// With $HOUSING_UPDATE_REFERENCES=1 the reference is rewritten instead.
::testing::AssertionResult matchesReferenceImage(const QImage& image, const QString& folder,
                                                 const QString& name, int tolerance = 2);

// Where the picture of a failed comparison is written (by default the temporary folder);
// the test entry point names the temporary folder it found, before it gives the process a
// temporary folder of its own that goes at its end.
void setKeptOutputFolder(const QString& folder);
