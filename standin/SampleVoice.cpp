#include "standin/SampleVoice.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <opencore-amrnb/interf_enc.h>

#include <array>
#include <cmath>
#include <numbers>

namespace standin {

namespace {

constexpr int kRate = 8000;
constexpr int kFrameSamples = 160;
constexpr int kMode122 = 7;

// The sample at `n`: one of three notes a second, each fading in and out.
short chime(int n) {
    constexpr std::array<double, 3> kNotes{523.25, 659.25, 783.99};
    const int note = (n / kRate) % 3;
    const double within = double(n % kRate) / kRate;
    const double envelope = std::sin(std::numbers::pi * within);
    const double value = 0.3 * envelope * std::sin(2 * std::numbers::pi * kNotes[note] * n / kRate);
    return short(std::lround(value * 32767));
}

}  // namespace

QByteArray SampleVoice::amr() {
    QByteArray file("#!AMR\n");
    void* encoder = Encoder_Interface_init(0);
    std::array<short, kFrameSamples> speech{};
    std::array<unsigned char, 32> frame{};
    for (int start = 0; start < kSeconds * kRate; start += kFrameSamples) {
        for (int i = 0; i < kFrameSamples; ++i) speech[std::size_t(i)] = chime(start + i);
        const int bytes =
            Encoder_Interface_Encode(encoder, Mode(kMode122), speech.data(), frame.data(), 0);
        file.append(reinterpret_cast<const char*>(frame.data()), bytes);
    }
    Encoder_Interface_exit(encoder);
    return file;
}

void SampleVoice::writeTo(const QString& folder) {
    const QString path = folder + QLatin1Char('/') + kPath;
    if (QFileInfo::exists(path)) return;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(amr());
}

}  // namespace standin
