#pragma once

#include <QString>

// The app's document folder: the folder named after the client version under Documents,
// made on first use. The district caches and the need form's files lie there.
class DocumentFolder {
public:
    [[nodiscard]] static QString path();
    [[nodiscard]] static QString filePath(const QString& name);
};
