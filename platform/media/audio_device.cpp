#include "platform/media/audio_device.h"

#include "platform/foundation/sandbox.h"
#include "platform/media/file_audio_device.h"
#include "platform/media/system_audio_device.h"

#include <mutex>

namespace av {

namespace {

std::mutex deviceMutex;
std::shared_ptr<AudioDevice> deviceInForce;

std::shared_ptr<AudioDevice> configuredDevice() {
    if (qEnvironmentVariable("HOUSING_AUDIO_DEVICE") == QLatin1String("file")) {
        QString output = qEnvironmentVariable("HOUSING_AUDIO_OUTPUT");
        if (output.isEmpty()) output = ns::Sandbox::tmp() + QStringLiteral("/audio-output.wav");
        return std::make_shared<FileAudioDevice>(qEnvironmentVariable("HOUSING_AUDIO_INPUT"),
                                                 output);
    }
    return std::make_shared<SystemAudioDevice>();
}

}  // namespace

AudioDevice& AudioDevice::current() {
    std::lock_guard lock(deviceMutex);
    if (!deviceInForce) deviceInForce = configuredDevice();
    return *deviceInForce;
}

void AudioDevice::install(std::shared_ptr<AudioDevice> device) {
    std::lock_guard lock(deviceMutex);
    deviceInForce = std::move(device);
}

ns::Error audioError(qint64 code, const QString& description) {
    return ns::Error::withDescription(kAudioErrorDomain, code, description);
}

}  // namespace av
