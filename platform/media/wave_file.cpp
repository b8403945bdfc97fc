#include "platform/media/wave_file.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace av {

namespace {

constexpr std::int64_t kRiffHeaderBytes = 12;
constexpr std::int64_t kChunkHeaderBytes = 8;
constexpr std::int64_t kPcmFormatBytes = 16;

std::uint32_t littleEndian32(const unsigned char* bytes) {
    return std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 | std::uint32_t(bytes[2]) << 16 |
           std::uint32_t(bytes[3]) << 24;
}

std::uint16_t littleEndian16(const unsigned char* bytes) {
    return std::uint16_t(bytes[0] | bytes[1] << 8);
}

void putLittleEndian32(unsigned char* bytes, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<unsigned char>(value >> (8 * i));
}

void putLittleEndian16(unsigned char* bytes, std::uint16_t value) {
    bytes[0] = static_cast<unsigned char>(value);
    bytes[1] = static_cast<unsigned char>(value >> 8);
}

std::int64_t sizeOf(std::FILE* file) {
    if (std::fseek(file, 0, SEEK_END) != 0) return -1;
    const long size = std::ftell(file);
    return size < 0 ? -1 : size;
}

bool readAt(std::FILE* file, std::int64_t offset, unsigned char* into, std::size_t count) {
    return std::fseek(file, static_cast<long>(offset), SEEK_SET) == 0 &&
           std::fread(into, 1, count, file) == count;
}

}  // namespace

WaveHeader readWaveHeader(std::FILE* file) {
    WaveHeader header;
    const std::int64_t fileSize = sizeOf(file);
    std::array<unsigned char, kRiffHeaderBytes> riff{};
    if (fileSize < kRiffHeaderBytes || !readAt(file, 0, riff.data(), riff.size()) ||
        std::memcmp(riff.data(), "RIFF", 4) != 0 || std::memcmp(riff.data() + 8, "WAVE", 4) != 0) {
        std::rewind(file);
        return header;
    }
    header.kind = WaveHeader::Kind::Malformed;
    bool formatSeen = false;
    std::int64_t offset = kRiffHeaderBytes;
    while (offset + kChunkHeaderBytes <= fileSize) {
        std::array<unsigned char, kChunkHeaderBytes> chunk{};
        if (!readAt(file, offset, chunk.data(), chunk.size())) break;
        const std::int64_t declared = littleEndian32(chunk.data() + 4);
        const std::int64_t body = offset + kChunkHeaderBytes;
        if (std::memcmp(chunk.data(), "fmt ", 4) == 0) {
            std::array<unsigned char, kPcmFormatBytes> fmt{};
            if (declared < kPcmFormatBytes || body + kPcmFormatBytes > fileSize ||
                !readAt(file, body, fmt.data(), fmt.size()))
                break;
            header.formatTag = littleEndian16(fmt.data());
            header.format.channels = littleEndian16(fmt.data() + 2);
            header.format.sampleRate = static_cast<int>(
                std::min<std::uint32_t>(littleEndian32(fmt.data() + 4), 0x7fffffff));
            header.format.bitsPerSample = littleEndian16(fmt.data() + 14);
            formatSeen = true;
        } else if (std::memcmp(chunk.data(), "data", 4) == 0) {
            if (!formatSeen) break;
            header.kind = WaveHeader::Kind::Valid;
            header.dataOffset = body;
            header.dataSize = std::min(declared, fileSize - body);
            header.truncated = declared > fileSize - body;
            std::fseek(file, static_cast<long>(body), SEEK_SET);
            return header;
        }
        // Chunks are padded to an even size.
        offset = body + declared + (declared & 1);
    }
    std::rewind(file);
    return header;
}

bool writeWaveHeader(std::FILE* file, const AudioFormat& format, std::uint32_t dataBytes) {
    std::array<unsigned char, 44> bytes{};
    std::memcpy(bytes.data(), "RIFF", 4);
    putLittleEndian32(bytes.data() + 4, 36 + dataBytes);
    std::memcpy(bytes.data() + 8, "WAVEfmt ", 8);
    putLittleEndian32(bytes.data() + 16, kPcmFormatBytes);
    putLittleEndian16(bytes.data() + 20, 1);
    putLittleEndian16(bytes.data() + 22, static_cast<std::uint16_t>(format.channels));
    putLittleEndian32(bytes.data() + 24, static_cast<std::uint32_t>(format.sampleRate));
    putLittleEndian32(bytes.data() + 28,
                      static_cast<std::uint32_t>(format.sampleRate * format.bytesPerFrame()));
    putLittleEndian16(bytes.data() + 32, static_cast<std::uint16_t>(format.bytesPerFrame()));
    putLittleEndian16(bytes.data() + 34, static_cast<std::uint16_t>(format.bitsPerSample));
    std::memcpy(bytes.data() + 36, "data", 4);
    putLittleEndian32(bytes.data() + 40, dataBytes);
    return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
}

}  // namespace av
