#pragma once

#include <QImage>
#include <QString>

#include <gtest/gtest.h>

// Drawing is not the same to the last level on every machine: anti-aliased edges and blends
// come out a level or two apart on other processors and with other drawing paths. Pictures are
// compared within a tolerance, never byte for byte.
struct PictureTolerance {
    // The largest difference in any channel of any pixel, in levels of 255.
    int levels = 2;
    // How many pixels may differ at all (by one level or more); negative: any number.
    int differingPixels = -1;
};

// Whether `actual` is `expected` within `tolerance`: the same size, no channel further apart
// than allowed and no more pixels different than allowed. The failure says which bound broke.
::testing::AssertionResult picturesMatch(const QImage& actual, const QImage& expected,
                                         const PictureTolerance& tolerance);

// Reference screenshots are PNG files kept beside the tests. `folder` is relative to the
// tests' source folder (as "platform/uikit/reference"); ctest tells the test programs where
// that folder is, so the comparison does not depend on where the clone was built.
[[nodiscard]] QString referenceImagePath(const QString& folder, const QString& name);

// Compares `image` with the stored reference, allowing `tolerance` levels per channel in any
// number of pixels. With $HOUSING_UPDATE_REFERENCES=1 the reference is rewritten instead.
::testing::AssertionResult matchesReferenceImage(const QImage& image, const QString& folder,
                                                 const QString& name, int tolerance = 2);

// Where the picture of a failed comparison is written (by default the temporary folder);
// the test entry point names the temporary folder it found, before it gives the process a
// temporary folder of its own that goes at its end.
void setKeptOutputFolder(const QString& folder);
