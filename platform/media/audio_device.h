#pragma once

#include "platform/foundation/error.h"
#include "platform/media/wave_file.h"

#include <QByteArray>

#include <functional>
#include <memory>

namespace av {

// A running capture. Samples arrive on the main thread in the format it was started with.
class AudioInput {
public:
    using SamplesHandler = std::function<void(const QByteArray& pcm)>;
    virtual ~AudioInput() = default;
    virtual void stop() = 0;
};

// A running playback of a block of samples.
class AudioOutput {
public:
    virtual ~AudioOutput() = default;
    virtual void stop() = 0;
    // Seconds of the samples played so far.
    [[nodiscard]] virtual double currentTime() const = 0;
};

// Where sound comes from and goes to: the desktop's sound server, or files for tests and
// headless runs. The recorder and the player reach the hardware only through the device in
// force, and stop what they started when they go.
class AudioDevice {
public:
    virtual ~AudioDevice() = default;

    [[nodiscard]] virtual bool inputAvailable() const = 0;
    // Starts capturing; nullptr, with `error` filled, when it can't.
    virtual std::unique_ptr<AudioInput> startInput(const AudioFormat& format,
                                                   AudioInput::SamplesHandler samples,
                                                   ns::Error* error) = 0;
    // Starts playing `pcm`; `finished` runs on the main thread once all of it was played.
    virtual std::unique_ptr<AudioOutput> startOutput(const AudioFormat& format, QByteArray pcm,
                                                     std::function<void()> finished,
                                                     ns::Error* error) = 0;

    // The device in force: the installed one, else the one the environment names
    // (HOUSING_AUDIO_DEVICE=file records from $HOUSING_AUDIO_INPUT and plays into
    // $HOUSING_AUDIO_OUTPUT, by default tmp/audio-output.wav of the sandbox), else the sound
    // server's default devices.
    static AudioDevice& current();
    // Replaces the device in force; nullptr goes back to the configured one.
    static void install(std::shared_ptr<AudioDevice> device);
};

// The errors of the audio stand-ins.
inline const QString kAudioErrorDomain = QStringLiteral("AVFoundationErrorDomain");
inline constexpr qint64 kAudioErrorDeviceNotAvailable = -11814;
inline constexpr qint64 kAudioErrorDecodeFailed = -11821;
inline constexpr qint64 kAudioErrorFileFormatNotRecognized = -11828;
inline constexpr qint64 kAudioErrorRecordingNotAllowed = -11803;

[[nodiscard]] ns::Error audioError(qint64 code, const QString& description);

}  // namespace av
