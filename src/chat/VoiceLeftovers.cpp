#include "chat/VoiceLeftovers.h"

#include "chat/ChatMedia.h"
#include "chat/VoiceFolders.h"

#include "IMChat/qximlib/qximdata/db/JSSQLite.h"
#include "IMChat/qximlib/qximdata/util/QXIMUtil.h"
#include "net/transport/Json.h"
#include "util/categories/Tolerant.h"

#include "platform/foundation/clock.h"
#include "platform/foundation/dispatch_queue.h"
#include "platform/foundation/file_manager.h"
#include "platform/foundation/sandbox.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <cmath>

namespace VoiceLeftovers {

namespace {

const QRegularExpression& recordingName() {
    static const QRegularExpression name(QStringLiteral("^(\\d{1,19})(-\\d{1,9})?(\\.wav)?$"));
    return name;
}

const QRegularExpression& uploadedName() {
    static const QRegularExpression name(QStringLiteral("^[0-9A-F]{32}$"));
    return name;
}

// The name a voice fetched or uploaded from `address` is kept under.
QString nameOfVoiceAddress(const QString& address) {
    if (address.isEmpty() || address.startsWith(ChatMedia::kFileScheme)) return {};
    return QXIMUtil::MD5Encode(ChatMedia::mediaAddress(address));
}

// The start time of a recording's file, in seconds.
qint64 startOf(const QString& fileName) {
    return recordingName().match(fileName).captured(1).toLongLong();
}

// The recording a file is of: its name without ".wav".
QString recordingOf(const QString& fileName) {
    return fileName.endsWith(QStringLiteral(".wav")) ? fileName.chopped(4) : fileName;
}

}  // namespace

bool isRecordingName(const QString& fileName) {
    return recordingName().match(fileName).hasMatch();
}

bool isUploadedName(const QString& fileName) {
    return uploadedName().match(fileName).hasMatch();
}

std::optional<QSet<QString>> namesInStores(const QString& documents) {
    QSet<QString> names;
    for (const QString& folder :
         ns::FileManager::contentsOfDirectoryAtPath(documents).value_or(QStringList())) {
        const QString path = documents + QLatin1Char('/') + folder + QStringLiteral("/im.db");
        if (!ns::FileManager::fileExistsAtPath(path)) continue;
        JSSQLite store;
        if (!store.open(path)) return std::nullopt;
        const bool read = store.forEachRow(
            QStringLiteral("SELECT m_content FROM msgs WHERE m_content LIKE ? OR m_content LIKE ?"),
            {QStringLiteral("%") + ChatMedia::kFileScheme + QStringLiteral("%"),
             QStringLiteral("%\"sound\"%")},
            [&](const JSSQLite::Cursor& row) {
                for (const QVariant& element : json_JSON(row.value(0)).toList()) {
                    const Tolerant data = Tolerant(element)[1];
                    for (const QString& key : {QStringLiteral("src"), QStringLiteral("pic_url")}) {
                        const QString name = ChatMedia::localFileName(data[key].toString());
                        if (!name.isEmpty()) names.insert(name);
                    }
                    if (Tolerant(element)[0].isEqualToString(QStringLiteral("sound"))) {
                        const QString name =
                            nameOfVoiceAddress(data[QStringLiteral("src")].toString());
                        if (!name.isEmpty()) names.insert(name);
                    }
                }
            });
        if (!read) return std::nullopt;
        // The needs' notes (a store of an older file may have no needs at all).
        if (store.tableExists(QStringLiteral("need_list")) &&
            !store.forEachRow(QStringLiteral("SELECT voiceUrl FROM need_list"), {},
                              [&](const JSSQLite::Cursor& row) {
                                  const QString name = nameOfVoiceAddress(row.value(0).toString());
                                  if (!name.isEmpty()) names.insert(name);
                              }))
            return std::nullopt;
    }
    return names;
}

int removeUnused(const QSet<QString>& kept, qint64 before, const QStringList& folders) {
    int removed = 0;
    for (const QString& folder : folders) {
        for (const QString& file :
             ns::FileManager::contentsOfDirectoryAtPath(folder).value_or(QStringList())) {
            if (isUploadedName(file)) {
                if (kept.contains(file)) continue;
            } else if (!isRecordingName(file) || startOf(file) >= before ||
                       kept.contains(recordingOf(file))) {
                continue;
            }
            if (ns::FileManager::removeItemAtPath(folder + QLatin1Char('/') + file)) ++removed;
        }
    }
    return removed;
}

void removeRecording(const QString& path) {
    const QString name = recordingOf(QFileInfo(path).fileName());
    if (!isRecordingName(name)) return;
    const QString wav = VoiceFolders::wavCacheDirectory() + QLatin1Char('/') + name;
    for (const QString& file : {wav, wav + QStringLiteral(".wav"),
                                VoiceFolders::amrCacheDirectory() + QLatin1Char('/') + name}) {
        if (ns::FileManager::fileExistsAtPath(file)) ns::FileManager::removeItemAtPath(file);
    }
}

void clearAtLaunch() {
    const auto now = qint64(std::floor(ns::Clock::shared().timeIntervalSince1970()));
    const QString documents = ns::Sandbox::documents();
    const QStringList folders{VoiceFolders::wavCacheDirectory(), VoiceFolders::amrCacheDirectory()};
    ns::DispatchQueue::global()->async([now, documents, folders] {
        if (const auto kept = namesInStores(documents)) removeUnused(*kept, now, folders);
    });
}

}  // namespace VoiceLeftovers
