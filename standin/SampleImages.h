#pragma once

#include <QString>
#include <QStringList>

namespace standin {

// Small pictures for the image host, drawn at start so that nothing is fetched:
// "test/red.png" (8 x 8), "test/pixel.png" (1 x 1, half transparent) and
// "test/blue.jpg" (16 x 12).
class SampleImages {
public:
    // Writes the pictures that are missing under `folder`; returns their relative paths.
    static QStringList writeTo(const QString& folder);
};

}  // namespace standin
