#pragma once

#include "platform/foundation/error.h"
#include "platform/media/wave_file.h"

#include <QString>
#include <QVariantMap>

#include <array>
#include <cstdio>
#include <memory>

namespace av {

class AudioInput;
class AudioRecorder;

// Keys and values of a recorder's settings.
inline const QString kFormatIDKey = QStringLiteral("AVFormatIDKey");
inline const QString kSampleRateKey = QStringLiteral("AVSampleRateKey");
inline const QString kNumberOfChannelsKey = QStringLiteral("AVNumberOfChannelsKey");
inline const QString kLinearPCMBitDepthKey = QStringLiteral("AVLinearPCMBitDepthKey");
inline constexpr quint32 kAudioFormatLinearPCM = 0x6C70636D;  // 'lpcm'

class AudioRecorderDelegate {
public:
    virtual ~AudioRecorderDelegate() = default;
    // After stop() or the end of a timed recording; the file is complete by then.
    virtual void audioRecorderDidFinishRecording(AudioRecorder& recorder, bool successfully);
};

// Records the device's microphone into a WAV file of linear PCM, with a level meter.
class AudioRecorder : public std::enable_shared_from_this<AudioRecorder> {
public:
    // Settings name the format (linear PCM only), the sample rate (44100 by default), the
    // channels (2) and the bit depth (16). nullptr, with `error`, for anything else.
    [[nodiscard]] static std::shared_ptr<AudioRecorder> create(const QString& path,
                                                               const QVariantMap& settings,
                                                               ns::Error* error = nullptr);
    ~AudioRecorder();

    // Creates (or replaces) the file. record() does it when it was not done.
    bool prepareToRecord();
    // Starts recording; false when the session does not allow it or there is no input.
    bool record();
    // Records for at most `seconds` of sound, then finishes by itself.
    bool recordForDuration(double seconds);
    void stop();

    [[nodiscard]] bool isRecording() const { return input_ != nullptr; }
    // Seconds of sound recorded.
    [[nodiscard]] double currentTime() const;
    [[nodiscard]] const QString& path() const { return path_; }
    [[nodiscard]] const AudioFormat& format() const { return format_; }

    void setMeteringEnabled(bool enabled) { meteringEnabled_ = enabled; }
    [[nodiscard]] bool isMeteringEnabled() const { return meteringEnabled_; }
    // Takes the levels of the sound recorded since the last call.
    void updateMeters();
    // Levels in decibels of full scale: 0 at most, -160 for silence.
    [[nodiscard]] float averagePowerForChannel(int channel) const;
    [[nodiscard]] float peakPowerForChannel(int channel) const;

    void setDelegate(std::weak_ptr<AudioRecorderDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

private:
    AudioRecorder(QString path, const AudioFormat& format);
    bool start(qint64 frameLimit);
    void receive(QByteArray pcm);
    void finish(bool tellDelegate);

    struct Level {
        double sumOfSquares = 0;
        double peak = 0;
        qint64 samples = 0;
    };

    QString path_;
    AudioFormat format_;
    std::FILE* file_ = nullptr;
    std::unique_ptr<AudioInput> input_;
    qint64 bytesRecorded_ = 0;
    qint64 frameLimit_ = -1;
    bool meteringEnabled_ = false;
    std::array<Level, 2> pending_{};
    std::array<float, 2> average_{-160, -160};
    std::array<float, 2> peak_{-160, -160};
    std::weak_ptr<AudioRecorderDelegate> delegate_;
};

}  // namespace av
