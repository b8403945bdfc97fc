#include "platform/media/system_audio_device.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QAudioSource>
#include <QBuffer>
#include <QMediaDevices>

namespace av {

namespace {

QAudioFormat qtFormat(const AudioFormat& format) {
    QAudioFormat qt;
    qt.setSampleRate(format.sampleRate);
    qt.setChannelCount(format.channels);
    qt.setSampleFormat(format.bitsPerSample == 8 ? QAudioFormat::UInt8 : QAudioFormat::Int16);
    return qt;
}

class SystemInput final : public AudioInput {
public:
    SystemInput(const QAudioDevice& device, const QAudioFormat& format, SamplesHandler samples)
        : source_(device, format), samples_(std::move(samples)) {}
    ~SystemInput() override { stop(); }

    bool start() {
        device_ = source_.start();
        if (!device_) return false;
        QObject::connect(device_, &QIODevice::readyRead, device_,
                         [this] { samples_(device_->readAll()); });
        return true;
    }
    void stop() override {
        if (device_) QObject::disconnect(device_, nullptr, nullptr, nullptr);
        device_ = nullptr;
        source_.stop();
    }

private:
    QAudioSource source_;
    SamplesHandler samples_;
    QIODevice* device_ = nullptr;
};

class SystemOutput final : public AudioOutput {
public:
    SystemOutput(const QAudioDevice& device, const QAudioFormat& format, QByteArray pcm,
                 std::function<void()> finished)
        : sink_(device, format), pcm_(std::move(pcm)), finished_(std::move(finished)) {
        buffer_.setData(pcm_);
    }
    ~SystemOutput() override { stop(); }

    bool start() {
        if (!buffer_.open(QIODevice::ReadOnly)) return false;
        // The sink goes idle when the buffer is played out: the end of the playback.
        QObject::connect(&sink_, &QAudioSink::stateChanged, &sink_, [this](QAudio::State state) {
            if (state != QAudio::IdleState || !finished_) return;
            auto finished = std::move(finished_);
            sink_.stop();
            finished();
        });
        sink_.start(&buffer_);
        return sink_.error() == QAudio::NoError;
    }
    void stop() override {
        QObject::disconnect(&sink_, nullptr, nullptr, nullptr);
        sink_.stop();
    }
    [[nodiscard]] double currentTime() const override {
        return double(sink_.processedUSecs()) / 1e6;
    }

private:
    QAudioSink sink_;
    QByteArray pcm_;
    QBuffer buffer_;
    std::function<void()> finished_;
};

}  // namespace

bool SystemAudioDevice::inputAvailable() const {
    return !QMediaDevices::defaultAudioInput().isNull();
}

std::unique_ptr<AudioInput> SystemAudioDevice::startInput(const AudioFormat& format,
                                                          AudioInput::SamplesHandler samples,
                                                          ns::Error* error) {
    const QAudioDevice device = QMediaDevices::defaultAudioInput();
    auto input = std::make_unique<SystemInput>(device, qtFormat(format), std::move(samples));
    if (device.isNull() || !device.isFormatSupported(qtFormat(format)) || !input->start()) {
        if (error) *error = audioError(kAudioErrorDeviceNotAvailable, "No audio input");
        return nullptr;
    }
    return input;
}

std::unique_ptr<AudioOutput> SystemAudioDevice::startOutput(const AudioFormat& format,
                                                            QByteArray pcm,
                                                            std::function<void()> finished,
                                                            ns::Error* error) {
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    auto output = std::make_unique<SystemOutput>(device, qtFormat(format), std::move(pcm),
                                                 std::move(finished));
    if (device.isNull() || !output->start()) {
        if (error) *error = audioError(kAudioErrorDeviceNotAvailable, "No audio output");
        return nullptr;
    }
    return output;
}

}  // namespace av
