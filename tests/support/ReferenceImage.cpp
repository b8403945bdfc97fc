#include "ReferenceImage.h"

#include <QDir>
#include <QFileInfo>

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
        // One file, never a folder: a name with folders in it is flattened.
        const QString folder = keptOutputFolder().isEmpty() ? QDir::tempPath() : keptOutputFolder();
        const QString actualPath =
            folder + QStringLiteral("/actual-") + QString(name).replace(QLatin1Char('/'), '-');
        actual.save(actualPath, "PNG");
        return ::testing::AssertionFailure()
               << differing << " pixels differ from " << name.toStdString()
               << " (actual written to " << actualPath.toStdString() << ")";
    }
    return ::testing::AssertionSuccess();
}
