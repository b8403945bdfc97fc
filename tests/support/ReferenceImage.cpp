#include "ReferenceImage.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstdlib>

namespace {

QString& keptOutputFolder() {
    static QString folder;
    return folder;
}

QString testsSourceDir() {
    const QString fromEnvironment = qEnvironmentVariable("HOUSING_TESTS_SOURCE_DIR");
    return fromEnvironment.isEmpty() ? QStringLiteral(HOUSING_TESTS_SOURCE_DIR) : fromEnvironment;
}

}  // namespace

::testing::AssertionResult picturesMatch(const QImage& actual, const QImage& expected,
                                         const PictureTolerance& tolerance) {
    if (actual.size() != expected.size()) {
        return ::testing::AssertionFailure()
               << "size " << actual.width() << "x" << actual.height() << " differs from "
               << expected.width() << "x" << expected.height();
    }
    // Compared as they are seen, premultiplied: a translucent edge a level apart in its
    // colour stays a level apart, however faint it is, and a transparent pixel has no colour.
    const QImage a = actual.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage e = expected.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    int differing = 0;
    int beyond = 0;
    int largest = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto* aLine = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* eLine = reinterpret_cast<const QRgb*>(e.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            if (aLine[x] == eLine[x]) continue;
            const int apart = std::max({std::abs(qRed(aLine[x]) - qRed(eLine[x])),
                                        std::abs(qGreen(aLine[x]) - qGreen(eLine[x])),
                                        std::abs(qBlue(aLine[x]) - qBlue(eLine[x])),
                                        std::abs(qAlpha(aLine[x]) - qAlpha(eLine[x]))});
            ++differing;
            largest = std::max(largest, apart);
            if (apart > tolerance.levels) ++beyond;
        }
    }
    if (beyond > 0) {
        return ::testing::AssertionFailure()
               << beyond << " pixels differ by more than " << tolerance.levels << " levels (up to "
               << largest << ")";
    }
    if (tolerance.differingPixels >= 0 && differing > tolerance.differingPixels) {
        return ::testing::AssertionFailure()
               << differing << " pixels differ, more than " << tolerance.differingPixels << " may";
    }
    return ::testing::AssertionSuccess();
}

void setKeptOutputFolder(const QString& folder) {
    keptOutputFolder() = folder;
}

QString referenceImagePath(const QString& folder, const QString& name) {
    return testsSourceDir() + '/' + folder + '/' + name;
}

::testing::AssertionResult matchesReferenceImage(const QImage& image, const QString& folder,
                                                 const QString& name, int tolerance) {
    const QString path = referenceImagePath(folder, name);
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
    ::testing::AssertionResult match = picturesMatch(actual, reference, {tolerance, -1});
    if (!match) {
        // One file, never a folder: a name with folders in it is flattened.
        const QString folder = keptOutputFolder().isEmpty() ? QDir::tempPath() : keptOutputFolder();
        const QString actualPath =
            folder + QStringLiteral("/actual-") + QString(name).replace(QLatin1Char('/'), '-');
        actual.save(actualPath, "PNG");
        return match << " from " << name.toStdString() << " (actual written to "
                     << actualPath.toStdString() << ")";
    }
    return ::testing::AssertionSuccess();
}
