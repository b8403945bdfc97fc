#pragma once

#include "platform/foundation/error.h"
#include "platform/media/audio_player.h"
#include "platform/media/audio_session.h"

#include <QString>

#include <memory>
#include <variant>
#include <vector>

class VoicePlayer;

// Hears that a voice stopped playing.
class VoicePlayerObserver {
public:
    virtual ~VoicePlayerObserver() = default;
    // `interruption` is true when the voice played to its end, false when it was stopped or
    // could not play, or the error of a file whose sound broke off.
    virtual void playbackQueueStopped(VoicePlayer& player,
                                      const std::variant<bool, ns::Error>& interruption) = 0;
};

// Plays voice messages: an AMR voice is decoded once into a WAV file of the WAV cache, which
// is played on the platform's audio player; every observer hears when a playback ends. The
// app's player (QXVoicePlayer) and the messaging library's (QXIMVoicePlayer) are this one
// design with different audio session habits.
class VoicePlayer : public av::AudioPlayerDelegate,
                    public std::enable_shared_from_this<VoicePlayer> {
public:
    ~VoicePlayer() override;

    // Plays the voice named `name`: its decoded WAV file, else its AMR file once decoded.
    void playByAmrName(const QString& name);
    // Plays <WAV cache>/<name>.wav as it is.
    void playByWavName(const QString& name);
    // Plays a WAV file.
    void playFromPath(const QString& path);
    // Stops and tells the observers the playback ended (also when nothing was playing).
    void stop();

    // The voice playing now; empty when the platform player is not playing.
    [[nodiscard]] QString playingName() const;
    [[nodiscard]] bool isPlaying() const;

    // Observers are held until they remove themselves, which they may do while being told.
    void addObject(const std::shared_ptr<VoicePlayerObserver>& observer);
    void removeObject(const VoicePlayerObserver* observer);

    void audioPlayerDidFinishPlaying(av::AudioPlayer& player, bool successfully) override;
    void audioPlayerDecodeErrorDidOccur(av::AudioPlayer& player, const ns::Error& error) override;

protected:
    struct SessionHabits {
        // Set at creation; activated when `activeWhenIdle`, else deactivated.
        av::AudioSession::Category idleCategory;
        bool activeWhenIdle;
        // Whether the idle category comes back after each playback ends.
        bool restoredAfterEachPlayback;
    };
    explicit VoicePlayer(const SessionHabits& habits);

    // Plays the decoded form of the AMR file at `amrPath` as <WAV cache>/<name>.wav, or ends the
    // playback (false) when there is no sound to decode.
    void playDecoded(const QString& amrPath, const QString& name);
    void rememberName(const QString& name) { playingName_ = name; }
    // Tells every observer, on the main thread, that the playback ended.
    void endPlayback(const std::variant<bool, ns::Error>& interruption);

private:
    SessionHabits habits_;
    std::shared_ptr<av::AudioPlayer> player_;
    QString playingName_;
    std::vector<std::shared_ptr<VoicePlayerObserver>> observers_;
};
