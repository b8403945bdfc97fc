#pragma once

#include <cstdint>
#include <cstdio>

namespace av {

// The sample layout of linear PCM audio.
struct AudioFormat {
    int sampleRate = 8000;
    int channels = 1;
    int bitsPerSample = 16;

    [[nodiscard]] int bytesPerFrame() const { return channels * bitsPerSample / 8; }
    [[nodiscard]] bool isSupportedPcm() const {
        return sampleRate > 0 && sampleRate <= 192000 && (channels == 1 || channels == 2) &&
               (bitsPerSample == 8 || bitsPerSample == 16);
    }
    bool operator==(const AudioFormat&) const = default;
};

// What the RIFF/WAVE header of a file says, checked against the file's real size.
struct WaveHeader {
    enum class Kind {
        NotWave,    // the file does not begin with "RIFF" .... "WAVE": raw data, or nothing
        Malformed,  // a RIFF/WAVE file without a readable "fmt " chunk before its "data" chunk
        Valid,
    };
    Kind kind = Kind::NotWave;
    int formatTag = 0;  // 1 for linear PCM
    AudioFormat format;
    std::int64_t dataOffset = 0;
    // The sample bytes there really are: the declared data size, cut at the end of the file.
    std::int64_t dataSize = 0;
    // The header declared more data than the file holds.
    bool truncated = false;

    [[nodiscard]] bool isPcm() const {
        return kind == Kind::Valid && formatTag == 1 && format.isSupportedPcm();
    }
};

// Reads the header of an open file from its first byte: the chunks are walked up to "data",
// every size checked against the file's size, so no lying or cut header leads a read past the
// file. Leaves the stream at the first sample byte when the file is valid.
[[nodiscard]] WaveHeader readWaveHeader(std::FILE* file);

// Writes the usual 44-byte header of a PCM WAVE file holding `dataBytes` of samples at the
// stream's current position.
bool writeWaveHeader(std::FILE* file, const AudioFormat& format, std::uint32_t dataBytes);

}  // namespace av
