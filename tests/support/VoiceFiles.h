#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cmath>
#include <cstdint>

// Small helpers of the voice tests: files of bytes, PCM samples and WAV headers.
namespace voice_files {

inline QByteArray read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(bytes);
}

inline void appendLittleEndian(QByteArray& into, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) into.append(static_cast<char>(value >> (8 * i)));
}

inline std::uint32_t littleEndianAt(const QByteArray& bytes, int offset, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) value = value << 8 | std::uint8_t(bytes[offset + i]);
    return value;
}

// `samples` 16-bit samples of a tone that speech coding keeps (a few hundred hertz).
inline QByteArray tone(int samples, double amplitude = 8000.0, int channels = 1) {
    QByteArray pcm;
    for (int i = 0; i < samples; ++i) {
        const double t = i / 8000.0;
        const auto value = static_cast<std::int16_t>(
            amplitude * (std::sin(2 * M_PI * 440 * t) + 0.5 * std::sin(2 * M_PI * 700 * t)) / 1.5);
        for (int c = 0; c < channels; ++c) appendLittleEndian(pcm, std::uint16_t(value), 2);
    }
    return pcm;
}

// A RIFF/WAVE file: the fmt chunk, the data chunk (declaring `declaredDataSize`, or the real
// size when negative) with `pcm`, and `trailer` after it.
inline QByteArray wave(const QByteArray& pcm, int channels = 1, int bits = 16, int rate = 8000,
                       qint64 declaredDataSize = -1, const QByteArray& trailer = {}) {
    QByteArray bytes("RIFF");
    appendLittleEndian(bytes, std::uint32_t(36 + pcm.size() + trailer.size()), 4);
    bytes.append("WAVEfmt ");
    appendLittleEndian(bytes, 16, 4);
    appendLittleEndian(bytes, 1, 2);
    appendLittleEndian(bytes, std::uint32_t(channels), 2);
    appendLittleEndian(bytes, std::uint32_t(rate), 4);
    appendLittleEndian(bytes, std::uint32_t(rate * channels * bits / 8), 4);
    appendLittleEndian(bytes, std::uint32_t(channels * bits / 8), 2);
    appendLittleEndian(bytes, std::uint32_t(bits), 2);
    bytes.append("data");
    appendLittleEndian(bytes, std::uint32_t(declaredDataSize < 0 ? pcm.size() : declaredDataSize),
                       4);
    return bytes + pcm + trailer;
}

// Root mean square of 16-bit little-endian mono samples.
inline double rms(const QByteArray& pcm) {
    const qsizetype count = pcm.size() / 2;
    if (count == 0) return 0;
    double sum = 0;
    for (qsizetype i = 0; i < count; ++i) {
        const auto sample = std::int16_t(littleEndianAt(pcm, int(2 * i), 2));
        sum += double(sample) * sample;
    }
    return std::sqrt(sum / double(count));
}

}  // namespace voice_files
