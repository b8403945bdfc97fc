#include "chat/VoiceFolders.h"

#include "platform/foundation/file_manager.h"
#include "platform/foundation/sandbox.h"

namespace VoiceFolders {

QString wavCacheDirectory() {
    return ns::Sandbox::tmp();
}

QString amrCacheDirectory() {
    const QString folder = ns::Sandbox::documents() + QStringLiteral("/audCache");
    if (!ns::FileManager::fileExistsAtPath(folder))
        ns::FileManager::createDirectoryAtPath(folder, true);
    return folder;
}

}  // namespace VoiceFolders
