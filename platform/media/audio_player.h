#pragma once

#include "platform/foundation/error.h"
#include "platform/media/wave_file.h"

#include <QByteArray>
#include <QString>

#include <memory>

namespace av {

class AudioOutput;
class AudioPlayer;

class AudioPlayerDelegate {
public:
    virtual ~AudioPlayerDelegate() = default;
    // The sound played to its end (not after stop()).
    virtual void audioPlayerDidFinishPlaying(AudioPlayer& player, bool successfully);
    // The file's samples ended before its header said they would.
    virtual void audioPlayerDecodeErrorDidOccur(AudioPlayer& player, const ns::Error& error);
};

// Plays one WAV file of linear PCM on the device in force.
class AudioPlayer : public std::enable_shared_from_this<AudioPlayer> {
public:
    // nullptr, with `error`, when the file can't be read or holds no PCM WAV sound.
    [[nodiscard]] static std::shared_ptr<AudioPlayer> create(const QString& path,
                                                             ns::Error* error = nullptr);
    ~AudioPlayer();

    bool prepareToPlay() { return true; }
    // Plays from the current time; false when the device can't play.
    bool play();
    // Stops, keeping the current time; the delegate is not told.
    void stop();

    [[nodiscard]] bool isPlaying() const { return output_ != nullptr; }
    [[nodiscard]] double currentTime() const;
    [[nodiscard]] double duration() const;
    [[nodiscard]] const QString& path() const { return path_; }

    void setDelegate(std::weak_ptr<AudioPlayerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

private:
    AudioPlayer(QString path, const AudioFormat& format, QByteArray pcm, bool truncated);
    void finished();

    QString path_;
    AudioFormat format_;
    QByteArray pcm_;
    bool truncated_;
    qint64 startFrame_ = 0;
    std::unique_ptr<AudioOutput> output_;
    std::weak_ptr<AudioPlayerDelegate> delegate_;
};

}  // namespace av
