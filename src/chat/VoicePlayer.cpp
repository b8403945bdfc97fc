#include "chat/VoicePlayer.h"

#include "chat/AmrWavConversion.h"
#include "chat/VoiceFolders.h"
#include "platform/foundation/file_manager.h"
#include "platform/foundation/main_queue.h"

#include <algorithm>

namespace {

const QString kWavExtension = QStringLiteral(".wav");

QString wavCachePath(const QString& name) {
    return VoiceFolders::wavCacheDirectory() + QLatin1Char('/') + name;
}

}  // namespace

VoicePlayer::VoicePlayer(const SessionHabits& habits) : habits_(habits) {
    auto& session = av::AudioSession::sharedInstance();
    session.setCategory(habits_.idleCategory);
    session.setActive(habits_.activeWhenIdle);
}

VoicePlayer::~VoicePlayer() = default;

void VoicePlayer::playFromPath(const QString& path) {
    auto& session = av::AudioSession::sharedInstance();
    session.setCategory(av::AudioSession::Category::Playback);
    session.setActive(true);
    // Replacing the player silences the one before.
    player_ = av::AudioPlayer::create(path);
    if (!player_) return;
    player_->prepareToPlay();
    player_->setDelegate(weak_from_this());
    player_->play();
}

void VoicePlayer::playByAmrName(const QString& name) {
    if (name.isEmpty()) return;
    playingName_ = name;
    const QString wav = wavCachePath(name + kWavExtension);
    if (ns::FileManager::fileExistsAtPath(wav)) {
        playFromPath(wav);
        return;
    }
    playDecoded(VoiceFolders::amrCacheDirectory() + QLatin1Char('/') + name, name);
}

void VoicePlayer::playDecoded(const QString& amrPath, const QString& name) {
    const QString wav = wavCachePath(name + kWavExtension);
    if (ns::FileManager::fileExistsAtPath(amrPath) &&
        decodeAmrFileToWavFile(amrPath.toUtf8().constData(), wav.toUtf8().constData()) >= 1) {
        playFromPath(wav);
        return;
    }
    // A partial decode is no voice.
    ns::FileManager::removeItemAtPath(wav);
    endPlayback(false);
}

void VoicePlayer::playByWavName(const QString& name) {
    if (name.isEmpty()) return;
    const QString file = name.endsWith(kWavExtension) ? name : name + kWavExtension;
    playingName_ = file.chopped(kWavExtension.size());
    playFromPath(wavCachePath(file));
}

void VoicePlayer::stop() {
    if (player_) player_->stop();
    endPlayback(false);
}

QString VoicePlayer::playingName() const {
    return player_ && player_->isPlaying() ? playingName_ : QString();
}

bool VoicePlayer::isPlaying() const {
    return player_ && player_->isPlaying();
}

void VoicePlayer::addObject(const std::shared_ptr<VoicePlayerObserver>& observer) {
    ns::MainQueue::postSync([&] {
        if (observer &&
            std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
            observers_.push_back(observer);
    });
}

void VoicePlayer::removeObject(const VoicePlayerObserver* observer) {
    ns::MainQueue::postSync([&] {
        std::erase_if(observers_, [&](const auto& held) { return held.get() == observer; });
    });
}

void VoicePlayer::audioPlayerDidFinishPlaying(av::AudioPlayer&, bool successfully) {
    endPlayback(successfully);
}

void VoicePlayer::audioPlayerDecodeErrorDidOccur(av::AudioPlayer&, const ns::Error& error) {
    endPlayback(error);
}

void VoicePlayer::endPlayback(const std::variant<bool, ns::Error>& interruption) {
    ns::MainQueue::postSync([&] {
        playingName_.clear();
        // Observers may come and go while they are told.
        const auto observers = observers_;
        for (const auto& observer : observers) observer->playbackQueueStopped(*this, interruption);
        if (habits_.restoredAfterEachPlayback && std::holds_alternative<bool>(interruption)) {
            auto& session = av::AudioSession::sharedInstance();
            session.setCategory(habits_.idleCategory);
            session.setActive(habits_.activeWhenIdle);
        }
    });
}
