#pragma once

#include "platform/media/audio_device.h"

namespace av {

// The desktop's sound server through Qt Multimedia's raw audio input and output, on the
// default devices.
class SystemAudioDevice final : public AudioDevice {
public:
    [[nodiscard]] bool inputAvailable() const override;
    std::unique_ptr<AudioInput> startInput(const AudioFormat& format,
                                           AudioInput::SamplesHandler samples,
                                           ns::Error* error) override;
    std::unique_ptr<AudioOutput> startOutput(const AudioFormat& format, QByteArray pcm,
                                             std::function<void()> finished,
                                             ns::Error* error) override;
};

}  // namespace av
