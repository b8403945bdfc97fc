#include "location/DocumentFolder.h"

#include "net/EndpointTable.h"
#include "platform/foundation/sandbox.h"

#include <QDir>

QString DocumentFolder::path() {
    const QString folder = QDir(ns::Sandbox::documents()).filePath(EndpointTable::versionId());
    QDir().mkpath(folder);
    return folder;
}

QString DocumentFolder::filePath(const QString& name) {
    return QDir(path()).filePath(name);
}
