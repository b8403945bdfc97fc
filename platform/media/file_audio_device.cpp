#include "platform/media/file_audio_device.h"

#include "platform/foundation/clock.h"
#include "platform/foundation/timer.h"

#include <cmath>
#include <cstdio>

namespace av {

namespace {

constexpr ns::Duration kTick = std::chrono::milliseconds(20);

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Sample frames due after the time since `start` on the clock.
qint64 framesDue(ns::Duration start, int sampleRate) {
    const double elapsed = ns::toSeconds(ns::Clock::shared().uptime() - start);
    return static_cast<qint64>(std::floor(elapsed * sampleRate + 1e-6));
}

class FileInput final : public AudioInput {
public:
    FileInput(const AudioFormat& format, QByteArray pcm, SamplesHandler samples)
        : format_(format),
          pcm_(std::move(pcm)),
          samples_(std::move(samples)),
          start_(ns::Clock::shared().uptime()) {
        timer_ = ns::Timer::scheduledTimer(kTick, true, [this](ns::Timer&) { deliverDue(); });
    }
    ~FileInput() override { stop(); }

    void stop() override {
        if (timer_) timer_->invalidate();
        timer_.reset();
    }

private:
    void deliverDue() {
        const qint64 due = framesDue(start_, format_.sampleRate) * format_.bytesPerFrame();
        if (due <= delivered_) return;
        QByteArray chunk = pcm_.mid(delivered_, due - delivered_);
        // Past the end of the file the microphone hears silence (the 8-bit zero is 128).
        chunk.append(due - delivered_ - chunk.size(), format_.bitsPerSample == 8 ? '\x80' : '\0');
        delivered_ = due;
        samples_(chunk);
    }

    AudioFormat format_;
    QByteArray pcm_;
    SamplesHandler samples_;
    ns::Duration start_;
    qint64 delivered_ = 0;
    std::shared_ptr<ns::Timer> timer_;
};

class FileOutput final : public AudioOutput {
public:
    FileOutput(File file, const AudioFormat& format, QByteArray pcm, std::function<void()> finished)
        : file_(std::move(file)),
          format_(format),
          pcm_(std::move(pcm)),
          finished_(std::move(finished)),
          start_(ns::Clock::shared().uptime()) {
        writeWaveHeader(file_.get(), format_, 0);
        timer_ = ns::Timer::scheduledTimer(kTick, true, [this](ns::Timer&) { writeDue(); });
    }
    ~FileOutput() override { stop(); }

    void stop() override {
        if (timer_) timer_->invalidate();
        timer_.reset();
        if (!file_) return;
        std::rewind(file_.get());
        writeWaveHeader(file_.get(), format_, static_cast<std::uint32_t>(written_));
        file_.reset();
    }

    [[nodiscard]] double currentTime() const override {
        return double(written_ / format_.bytesPerFrame()) / format_.sampleRate;
    }

private:
    void writeDue() {
        const qint64 due = std::min<qint64>(
            framesDue(start_, format_.sampleRate) * format_.bytesPerFrame(), pcm_.size());
        if (due > written_) {
            std::fwrite(pcm_.constData() + written_, 1, std::size_t(due - written_), file_.get());
            written_ = due;
        }
        if (written_ < pcm_.size()) return;
        stop();
        // The owner may drop this output from inside the call.
        auto finished = std::move(finished_);
        if (finished) finished();
    }

    File file_;
    AudioFormat format_;
    QByteArray pcm_;
    std::function<void()> finished_;
    ns::Duration start_;
    qint64 written_ = 0;
    std::shared_ptr<ns::Timer> timer_;
};

}  // namespace

std::optional<WaveSamples> readWaveSamples(const QString& path) {
    File file(std::fopen(path.toUtf8().constData(), "rb"));
    if (!file) return std::nullopt;
    WaveSamples samples{readWaveHeader(file.get()), {}};
    if (!samples.header.isPcm()) return std::nullopt;
    samples.pcm.resize(samples.header.dataSize);
    const std::size_t read = std::fread(samples.pcm.data(), 1, samples.pcm.size(), file.get());
    samples.pcm.truncate(static_cast<qsizetype>(read));
    // Whole sample frames only.
    samples.pcm.chop(samples.pcm.size() % samples.header.format.bytesPerFrame());
    return samples;
}

FileAudioDevice::FileAudioDevice(QString inputPath, QString outputPath)
    : inputPath_(std::move(inputPath)), outputPath_(std::move(outputPath)) {}

bool FileAudioDevice::inputAvailable() const {
    return !inputPath_.isEmpty() && readWaveSamples(inputPath_).has_value();
}

std::unique_ptr<AudioInput> FileAudioDevice::startInput(const AudioFormat& format,
                                                        AudioInput::SamplesHandler samples,
                                                        ns::Error* error) {
    std::optional<WaveSamples> input =
        inputPath_.isEmpty() ? std::nullopt : readWaveSamples(inputPath_);
    if (!input || input->header.format != format) {
        if (error)
            *error = audioError(kAudioErrorDeviceNotAvailable,
                                input ? QStringLiteral("The input file's format is not the one "
                                                       "asked for")
                                      : QStringLiteral("No audio input"));
        return nullptr;
    }
    return std::make_unique<FileInput>(format, std::move(input->pcm), std::move(samples));
}

std::unique_ptr<AudioOutput> FileAudioDevice::startOutput(const AudioFormat& format, QByteArray pcm,
                                                          std::function<void()> finished,
                                                          ns::Error* error) {
    File file(std::fopen(outputPath_.toUtf8().constData(), "wb"));
    if (!file || !format.isSupportedPcm()) {
        if (error)
            *error = audioError(kAudioErrorDeviceNotAvailable,
                                QStringLiteral("The output file can't be written"));
        return nullptr;
    }
    return std::make_unique<FileOutput>(std::move(file), format, std::move(pcm),
                                        std::move(finished));
}

}  // namespace av
