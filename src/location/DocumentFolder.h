#pragma once

#include <QString>

// The app's document folder: the folder named after the client version under Documents,
// made on first use. Every layer finds it here (the app's utilities hand out the same
// folder): the district caches, the filter definitions, the read marks, the need form's
// files and the statistics buffer lie there.
class DocumentFolder {
public:
    [[nodiscard]] static QString path();
    [[nodiscard]] static QString filePath(const QString& name);
};
