#include "UIKitTest.h"

#include "ReferenceImage.h"

QString UIKitTest::referencePath(const QString& name) {
    return referenceImagePath(QStringLiteral("platform/uikit/reference"), name);
}

::testing::AssertionResult UIKitTest::matchesReference(const QImage& image, const QString& name,
                                                       int tolerance) {
    return matchesReferenceImage(image, QStringLiteral("platform/uikit/reference"), name,
                                 tolerance);
}
