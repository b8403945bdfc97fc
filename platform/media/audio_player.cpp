#include "platform/media/audio_player.h"

#include "platform/media/audio_device.h"
#include "platform/media/file_audio_device.h"

#include <cmath>

namespace av {

void AudioPlayerDelegate::audioPlayerDidFinishPlaying(AudioPlayer&, bool) {}
void AudioPlayerDelegate::audioPlayerDecodeErrorDidOccur(AudioPlayer&, const ns::Error&) {}

std::shared_ptr<AudioPlayer> AudioPlayer::create(const QString& path, ns::Error* error) {
    std::optional<WaveSamples> samples = readWaveSamples(path);
    if (!samples) {
        if (error)
            *error = audioError(kAudioErrorFileFormatNotRecognized,
                                QStringLiteral("The file holds no playable sound"));
        return nullptr;
    }
    return std::shared_ptr<AudioPlayer>(new AudioPlayer(
        path, samples->header.format, std::move(samples->pcm), samples->header.truncated));
}

AudioPlayer::AudioPlayer(QString path, const AudioFormat& format, QByteArray pcm, bool truncated)
    : path_(std::move(path)), format_(format), pcm_(std::move(pcm)), truncated_(truncated) {}

AudioPlayer::~AudioPlayer() {
    stop();
}

bool AudioPlayer::play() {
    if (isPlaying()) return true;
    const qint64 frames = pcm_.size() / format_.bytesPerFrame();
    if (startFrame_ >= frames) startFrame_ = 0;
    output_ = AudioDevice::current().startOutput(
        format_, pcm_.mid(startFrame_ * format_.bytesPerFrame()),
        [weak = weak_from_this()] {
            if (auto self = weak.lock()) self->finished();
        },
        nullptr);
    return output_ != nullptr;
}

void AudioPlayer::stop() {
    if (!output_) return;
    startFrame_ += std::llround(output_->currentTime() * format_.sampleRate);
    output_->stop();
    output_.reset();
}

double AudioPlayer::currentTime() const {
    return double(startFrame_) / format_.sampleRate + (output_ ? output_->currentTime() : 0.0);
}

double AudioPlayer::duration() const {
    return double(pcm_.size() / format_.bytesPerFrame()) / format_.sampleRate;
}

void AudioPlayer::finished() {
    output_.reset();
    startFrame_ = 0;
    // The delegate may let the player go.
    const auto self = shared_from_this();
    auto delegate = delegate_.lock();
    if (!delegate) return;
    if (truncated_)
        delegate->audioPlayerDecodeErrorDidOccur(
            *this, audioError(kAudioErrorDecodeFailed,
                              QStringLiteral("The sound ends before its header says")));
    else
        delegate->audioPlayerDidFinishPlaying(*this, true);
}

}  // namespace av
