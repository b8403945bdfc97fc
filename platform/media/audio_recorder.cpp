#include "platform/media/audio_recorder.h"

#include "platform/media/audio_device.h"
#include "platform/media/audio_session.h"

#include <cmath>

namespace av {

namespace {

constexpr float kSilenceDecibels = -160;

float decibels(double level) {
    if (level <= 0) return kSilenceDecibels;
    return std::max(kSilenceDecibels, static_cast<float>(20 * std::log10(level)));
}

}  // namespace

void AudioRecorderDelegate::audioRecorderDidFinishRecording(AudioRecorder&, bool) {}

std::shared_ptr<AudioRecorder> AudioRecorder::create(const QString& path,
                                                     const QVariantMap& settings,
                                                     ns::Error* error) {
    AudioFormat format{44100, 2, 16};
    const quint32 formatId = settings.value(kFormatIDKey, kAudioFormatLinearPCM).toUInt();
    format.sampleRate = qRound(settings.value(kSampleRateKey, 44100.0).toDouble());
    format.channels = settings.value(kNumberOfChannelsKey, 2).toInt();
    format.bitsPerSample = settings.value(kLinearPCMBitDepthKey, 16).toInt();
    if (formatId != kAudioFormatLinearPCM || !format.isSupportedPcm() || path.isEmpty()) {
        if (error)
            *error = audioError(kAudioErrorFileFormatNotRecognized,
                                QStringLiteral("The recording settings are not supported"));
        return nullptr;
    }
    return std::shared_ptr<AudioRecorder>(new AudioRecorder(path, format));
}

AudioRecorder::AudioRecorder(QString path, const AudioFormat& format)
    : path_(std::move(path)), format_(format) {}

AudioRecorder::~AudioRecorder() {
    finish(false);
}

bool AudioRecorder::prepareToRecord() {
    if (isRecording()) return true;
    if (file_) std::fclose(file_);
    file_ = std::fopen(path_.toUtf8().constData(), "wb");
    bytesRecorded_ = 0;
    return file_ && writeWaveHeader(file_, format_, 0);
}

bool AudioRecorder::record() {
    return start(-1);
}

bool AudioRecorder::recordForDuration(double seconds) {
    return start(static_cast<qint64>(std::llround(seconds * format_.sampleRate)));
}

bool AudioRecorder::start(qint64 frameLimit) {
    if (isRecording()) return true;
    if (!AudioSession::sharedInstance().allowsRecording()) return false;
    if (!file_ && !prepareToRecord()) return false;
    frameLimit_ = frameLimit;
    pending_ = {};
    input_ = AudioDevice::current().startInput(
        format_,
        [weak = weak_from_this()](const QByteArray& pcm) {
            if (auto self = weak.lock()) self->receive(pcm);
        },
        nullptr);
    return input_ != nullptr;
}

void AudioRecorder::stop() {
    finish(true);
}

double AudioRecorder::currentTime() const {
    return double(bytesRecorded_ / format_.bytesPerFrame()) / format_.sampleRate;
}

void AudioRecorder::receive(QByteArray pcm) {
    if (!file_) return;
    const int frameBytes = format_.bytesPerFrame();
    bool limitReached = false;
    if (frameLimit_ >= 0) {
        const qint64 room = frameLimit_ * frameBytes - bytesRecorded_;
        limitReached = pcm.size() >= room;
        pcm.truncate(static_cast<qsizetype>(std::max<qint64>(0, room)));
    }
    std::fwrite(pcm.constData(), 1, std::size_t(pcm.size()), file_);
    bytesRecorded_ += pcm.size();

    if (meteringEnabled_) {
        const int bytesPerSample = format_.bitsPerSample / 8;
        for (qsizetype offset = 0; offset + frameBytes <= pcm.size(); offset += frameBytes) {
            for (int channel = 0; channel < format_.channels; ++channel) {
                const auto* sample = reinterpret_cast<const uchar*>(pcm.constData()) + offset +
                                     channel * bytesPerSample;
                const double value = bytesPerSample == 1
                                         ? (sample[0] - 128) / 128.0
                                         : std::int16_t(sample[0] | sample[1] << 8) / 32768.0;
                Level& level = pending_[std::size_t(channel)];
                level.sumOfSquares += value * value;
                level.peak = std::max(level.peak, std::abs(value));
                ++level.samples;
            }
        }
    }
    if (limitReached) finish(true);
}

void AudioRecorder::updateMeters() {
    for (std::size_t channel = 0; channel < pending_.size(); ++channel) {
        const Level& level = pending_[channel];
        average_[channel] = level.samples
                                ? decibels(std::sqrt(level.sumOfSquares / double(level.samples)))
                                : kSilenceDecibels;
        peak_[channel] = level.samples ? decibels(level.peak) : kSilenceDecibels;
    }
    pending_ = {};
}

float AudioRecorder::averagePowerForChannel(int channel) const {
    return channel >= 0 && channel < format_.channels ? average_[std::size_t(channel)]
                                                      : kSilenceDecibels;
}

float AudioRecorder::peakPowerForChannel(int channel) const {
    return channel >= 0 && channel < format_.channels ? peak_[std::size_t(channel)]
                                                      : kSilenceDecibels;
}

void AudioRecorder::finish(bool tellDelegate) {
    const bool wasRecording = isRecording();
    if (input_) input_->stop();
    input_.reset();
    if (file_) {
        std::rewind(file_);
        writeWaveHeader(file_, format_, static_cast<std::uint32_t>(bytesRecorded_));
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!wasRecording || !tellDelegate) return;
    // The delegate may let the recorder go.
    const auto self = shared_from_this();
    if (auto delegate = delegate_.lock()) delegate->audioRecorderDidFinishRecording(*this, true);
}

}  // namespace av
