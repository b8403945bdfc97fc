#include "chat/QXVoicePlayer.h"

#include "chat/ProcessWideInstance.h"
#include "chat/VoiceFolders.h"
#include "platform/foundation/file_manager.h"
#include "platform/uikit/application.h"

#include <QFileInfo>

QXVoicePlayer::QXVoicePlayer() : VoicePlayer({av::AudioSession::Category::Playback, true, false}) {
    resignActive_ = ns::NotificationCenter::defaultCenter().addObserver(
        ui::kApplicationWillResignActiveNotification,
        [this](const ns::Notification&) { endPlayback(false); });
}

QXVoicePlayer& QXVoicePlayer::shared() {
    return ProcessWideInstance<QXVoicePlayer>::get(
        [] { return std::shared_ptr<QXVoicePlayer>(new QXVoicePlayer()); });
}

void QXVoicePlayer::forceRelease() {
    ProcessWideInstance<QXVoicePlayer>::release("QXVoicePlayer");
}

void QXVoicePlayer::playByAmrPath(const QString& path) {
    if (path.isEmpty()) return;
    const QString name = QFileInfo(path).fileName();
    rememberName(name);
    const QString recording = VoiceFolders::wavCacheDirectory() + QLatin1Char('/') + name;
    for (const QString& wav : {recording, recording + QStringLiteral(".wav")}) {
        if (ns::FileManager::fileExistsAtPath(wav)) {
            playFromPath(wav);
            return;
        }
    }
    playDecoded(path, name);
}
