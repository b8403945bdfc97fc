#pragma once

#include "platform/media/audio_device.h"

#include <QString>

namespace av {

// A sound card made of files, for tests and headless runs: capture reads the samples of a WAV
// file (silence after its end, like a quiet room), playback writes the samples into a WAV file.
// Both move with the one clock, 20 ms at a time, so real time plays in real time and a test's
// manual clock decides exactly how much was recorded or played.
class FileAudioDevice final : public AudioDevice {
public:
    // `inputPath` empty: the device has no input hardware.
    FileAudioDevice(QString inputPath, QString outputPath);

    [[nodiscard]] bool inputAvailable() const override;
    std::unique_ptr<AudioInput> startInput(const AudioFormat& format,
                                           AudioInput::SamplesHandler samples,
                                           ns::Error* error) override;
    std::unique_ptr<AudioOutput> startOutput(const AudioFormat& format, QByteArray pcm,
                                             std::function<void()> finished,
                                             ns::Error* error) override;

    [[nodiscard]] const QString& outputPath() const { return outputPath_; }

private:
    QString inputPath_;
    QString outputPath_;
};

// The samples of a PCM WAV file, read within the file's real size; empty when there are none.
struct WaveSamples {
    WaveHeader header;
    QByteArray pcm;
};
[[nodiscard]] std::optional<WaveSamples> readWaveSamples(const QString& path);

}  // namespace av
