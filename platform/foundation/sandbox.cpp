#include "platform/foundation/sandbox.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <mutex>

namespace ns {

namespace {

std::mutex gPathsMutex;
QString gRoot;
QString gBundle;
std::atomic<unsigned> gGeneration{0};

void makeFolders(const QString& root) {
    QDir dir(root);
    for (const char* folder : {"Documents", "Library/Caches", "Library/Preferences", "tmp"}) {
        dir.mkpath(QString::fromLatin1(folder));
    }
}

QString rootLocked() {
    if (gRoot.isEmpty()) {
        const QString fromEnvironment = qEnvironmentVariable("HOUSING_SANDBOX");
        gRoot = !fromEnvironment.isEmpty()
                    ? fromEnvironment
                    : QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                          QStringLiteral("/housing-app");
        makeFolders(gRoot);
    }
    return gRoot;
}

}  // namespace

QString Sandbox::root() {
    std::lock_guard lock(gPathsMutex);
    return rootLocked();
}

void Sandbox::setRoot(const QString& path) {
    {
        std::lock_guard lock(gPathsMutex);
        gRoot = QDir::cleanPath(path);
        makeFolders(gRoot);
    }
    ++gGeneration;
}

unsigned Sandbox::generation() { return gGeneration.load(); }

QString Sandbox::documents() { return root() + QStringLiteral("/Documents"); }
QString Sandbox::library() { return root() + QStringLiteral("/Library"); }
QString Sandbox::caches() { return root() + QStringLiteral("/Library/Caches"); }
QString Sandbox::preferences() { return root() + QStringLiteral("/Library/Preferences"); }
QString Sandbox::tmp() { return root() + QStringLiteral("/tmp"); }

QString Bundle::resourcePath() {
    std::lock_guard lock(gPathsMutex);
    if (gBundle.isEmpty()) {
        const QString fromEnvironment = qEnvironmentVariable("HOUSING_BUNDLE");
        if (!fromEnvironment.isEmpty()) {
            gBundle = fromEnvironment;
        } else if (QCoreApplication::instance() &&
                   QFileInfo::exists(QCoreApplication::applicationDirPath() + "/bundle")) {
            gBundle = QCoreApplication::applicationDirPath() + "/bundle";
        } else {
            gBundle = QStringLiteral(HOUSING_DEFAULT_BUNDLE);
        }
    }
    return gBundle;
}

void Bundle::setResourcePath(const QString& path) {
    std::lock_guard lock(gPathsMutex);
    gBundle = path;
}

QString Bundle::pathForResource(const QString& name, const QString& extension) {
    QString file = name;
    if (!extension.isEmpty()) file += QLatin1Char('.') + extension;
    const QString path = resourcePath() + QLatin1Char('/') + file;
    return QFileInfo(path).isFile() ? path : QString();
}

}  // namespace ns
