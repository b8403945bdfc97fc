#include "chat/ChatMedia.h"

#include "IMChat/qximlib/qximdata/util/QXIMUtil.h"
#include "map/URLPic.h"
#include "net/EndpointTable.h"

#include "platform/foundation/file_manager.h"

#include <QRegularExpression>

namespace ChatMedia {

QString mediaAddress(const QString& value) {
    if (value.isEmpty() || value.startsWith(kFileScheme) ||
        value.startsWith(QStringLiteral("http")))
        return value;
    return QStringLiteral("%1/%2").arg(EndpointTable::imageHost(), value);
}

QString localFileName(const QString& address) {
    if (!address.startsWith(kFileScheme)) return {};
    const QString name = address.mid(kFileScheme.size());
    if (name.isEmpty() || name == QStringLiteral(".") || name == QStringLiteral("..") ||
        name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
        return {};
    return name;
}

QString uniqueFileName(const QStringList& folders) {
    const QString stem = QXIMUtil::currentTimeID();
    const auto taken = [&](const QString& name) {
        for (const QString& folder : folders) {
            const QString path = folder + QLatin1Char('/') + name;
            if (ns::FileManager::fileExistsAtPath(path) ||
                ns::FileManager::fileExistsAtPath(path + QStringLiteral(".wav")))
                return true;
        }
        return false;
    };
    QString name = stem;
    for (int n = 2; taken(name); ++n) name = QStringLiteral("%1-%2").arg(stem).arg(n);
    return name;
}

QString uploadedFileCachePath(const QString& url) {
    static const QRegularExpression picture(QStringLiteral("\\.(jpg|png|jpeg|gif)$"));
    if (picture.match(url).hasMatch()) return URLPic::getHightQualityLocImagePath(url);
    if (url.endsWith(QStringLiteral(".amr")))
        return QXIMUtil::getAmrCacheDirectory() + QLatin1Char('/') + QXIMUtil::MD5Encode(url);
    return {};
}

}  // namespace ChatMedia
