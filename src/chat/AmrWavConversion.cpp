#include "chat/AmrWavConversion.h"

#include "platform/media/wave_file.h"

#include <opencore-amrnb/interf_dec.h>
#include <opencore-amrnb/interf_enc.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>

namespace {

constexpr char kAmrMagic[] = "#!AMR\n";
constexpr std::size_t kAmrMagicBytes = 6;
constexpr int kWavFrameBytes = kPcmFrameSamples * 2;
constexpr int kVoiceSampleRate = 8000;

// Bits per second of the speech frame types 0-7; the storage format's other types (comfort
// noise, no data, reserved) carry no speech this module reads.
constexpr std::array<int, 8> kFrameTypeRates = {4750, 5150, 5900, 6700, 7400, 7950, 10200, 12200};

// The rate's bits in one 20 ms frame, rounded half up to whole bytes, plus the header byte.
constexpr int frameSizeOf(int rate) {
    return static_cast<int>(static_cast<double>(rate) / 50.0 / 8.0 + 0.5) + 1;
}
static_assert(frameSizeOf(kFrameTypeRates.back()) == kAmrFrameBufferBytes);

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Streams get a larger fixed buffer than the default, so a minute of samples takes a few
// system calls rather than hundreds.
constexpr std::size_t kStreamBufferBytes = 64 * 1024;

File open(const char* path, const char* mode) {
    File file(std::fopen(path, mode));
    if (file) std::setvbuf(file.get(), nullptr, _IOFBF, kStreamBufferBytes);
    return file;
}

// A new file in place of any old one: some file systems write out a file that was cut to
// nothing and written again as soon as it is closed, which costs more than the coding itself.
File create(const char* path) {
    std::remove(path);
    return open(path, "wb");
}

void putLittleEndian(unsigned char* into, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) into[i] = static_cast<unsigned char>(value >> (8 * i));
}

bool writeSamples(std::FILE* output, const short* samples) {
    std::array<unsigned char, kWavFrameBytes> bytes{};
    for (int i = 0; i < kPcmFrameSamples; ++i)
        putLittleEndian(bytes.data() + 2 * i, static_cast<std::uint16_t>(samples[i]), 2);
    return std::fwrite(bytes.data(), 1, bytes.size(), output) == bytes.size();
}

// Where the samples of an input lie: a WAV file's data chunk (its format replacing the
// caller's), or the whole of a raw file. Empty when a WAV file's samples can't be encoded.
struct PcmSource {
    int channels = 1;
    int bitsPerSample = 16;
    std::int64_t bytesLeft = -1;  // -1: up to the end of the file
};

std::optional<PcmSource> findSamples(std::FILE* input, int channels, int bitsPerSample) {
    const av::WaveHeader header = av::readWaveHeader(input);
    switch (header.kind) {
        case av::WaveHeader::Kind::NotWave:
            return PcmSource{channels, bitsPerSample, -1};
        case av::WaveHeader::Kind::Malformed:
            return std::nullopt;
        case av::WaveHeader::Kind::Valid:
            break;
    }
    // Other rates would be coded as 8 kHz speech and play back at the wrong pitch.
    if (!header.isPcm() || header.format.sampleRate != kVoiceSampleRate) return std::nullopt;
    return PcmSource{header.format.channels, header.format.bitsPerSample, header.dataSize};
}

}  // namespace

int readPcmFrame(short speech[kPcmFrameSamples], std::FILE* input, int channels,
                 int bitsPerSample) {
    std::array<unsigned char, kPcmFrameSamples * 2 * 2> bytes{};
    const int bytesPerItem = bitsPerSample / 8;
    if ((bitsPerSample != 8 && bitsPerSample != 16) || (channels != 1 && channels != 2)) return 0;
    const std::size_t items = static_cast<std::size_t>(kPcmFrameSamples * channels);
    if (std::fread(bytes.data(), bytesPerItem, items, input) < items) return 0;

    const auto sample16 = [&](int index) {
        return static_cast<std::int16_t>(bytes[2 * index] | bytes[2 * index + 1] << 8);
    };
    for (int i = 0; i < kPcmFrameSamples; ++i) {
        if (bitsPerSample == 8) {
            speech[i] = static_cast<short>(bytes[i * channels] * 128);
        } else if (channels == 1) {
            speech[i] = sample16(i);
        } else {
            const auto sum = static_cast<std::int16_t>(sample16(2 * i) + sample16(2 * i + 1));
            speech[i] = static_cast<short>(sum >> 1);
        }
    }
    return static_cast<int>(items);
}

void writeWavHeader(std::FILE* output, int frameCount) {
    const auto dataBytes = static_cast<std::uint32_t>(frameCount) * kWavFrameBytes;
    std::array<unsigned char, kWavHeaderBytes> header{};
    std::memcpy(header.data(), "RIFF", 4);
    putLittleEndian(header.data() + 4, kWavHeaderBytes - 8 + dataBytes, 4);
    std::memcpy(header.data() + 8, "WAVEfmt ", 8);
    putLittleEndian(header.data() + 16, 20, 4);  // 16 standard bytes and 4 zero ones
    putLittleEndian(header.data() + 20, 1, 2);
    putLittleEndian(header.data() + 22, 1, 2);
    putLittleEndian(header.data() + 24, kVoiceSampleRate, 4);
    putLittleEndian(header.data() + 28, kVoiceSampleRate * 2, 4);
    putLittleEndian(header.data() + 32, 2, 2);
    putLittleEndian(header.data() + 34, 16, 2);
    std::memcpy(header.data() + 40, "data", 4);
    putLittleEndian(header.data() + 44, dataBytes, 4);
    std::fwrite(header.data(), 1, header.size(), output);
}

int readFirstAmrFrame(std::FILE* input, unsigned char frameBuffer[kAmrFrameBufferBytes],
                      int* frameSize, unsigned char* frameHeader) {
    const int header = std::fgetc(input);
    if (header == EOF) return 0;
    const auto frameType = static_cast<std::size_t>((header >> 3) & 0x0F);
    if (frameType >= kFrameTypeRates.size()) return 0;
    *frameHeader = static_cast<unsigned char>(header);
    *frameSize = frameSizeOf(kFrameTypeRates[frameType]);
    std::memset(frameBuffer, 0, kAmrFrameBufferBytes);
    frameBuffer[0] = *frameHeader;
    const auto rest = static_cast<std::size_t>(*frameSize - 1);
    return std::fread(frameBuffer + 1, 1, rest, input) == rest ? 1 : 0;
}

int readNextAmrFrame(std::FILE* input, unsigned char frameBuffer[kAmrFrameBufferBytes],
                     int frameSize, unsigned char frameHeader) {
    if (frameSize < 1 || frameSize > kAmrFrameBufferBytes) return 0;
    int byte = 0;
    while ((byte = std::fgetc(input)) != EOF && byte != frameHeader) {
    }
    if (byte == EOF) return 0;
    std::memset(frameBuffer, 0, kAmrFrameBufferBytes);
    frameBuffer[0] = frameHeader;
    const auto rest = static_cast<std::size_t>(frameSize - 1);
    return std::fread(frameBuffer + 1, 1, rest, input) == rest ? 1 : 0;
}

int encodeWavFileToAmrFile(const char* wavPath, const char* amrPath, int channels,
                           int bitsPerSample) {
    File input = open(wavPath, "rb");
    if (!input) return 0;
    std::optional<PcmSource> source = findSamples(input.get(), channels, bitsPerSample);
    if (!source) return 0;
    File output = create(amrPath);
    if (!output) return 0;
    std::fwrite(kAmrMagic, 1, kAmrMagicBytes, output.get());

    void* encoder = Encoder_Interface_init(0);
    const std::int64_t frameBytes = static_cast<std::int64_t>(kPcmFrameSamples) * source->channels *
                                    (source->bitsPerSample / 8);
    std::array<short, kPcmFrameSamples> speech{};
    std::array<unsigned char, kAmrFrameBufferBytes> coded{};
    int frames = 0;
    while (source->bytesLeft < 0 || source->bytesLeft >= frameBytes) {
        if (readPcmFrame(speech.data(), input.get(), source->channels, source->bitsPerSample) == 0)
            break;
        if (source->bytesLeft >= 0) source->bytesLeft -= frameBytes;
        const int codedBytes =
            Encoder_Interface_Encode(encoder, MR122, speech.data(), coded.data(), 0);
        std::fwrite(coded.data(), 1, static_cast<std::size_t>(codedBytes), output.get());
        ++frames;
    }
    Encoder_Interface_exit(encoder);
    return frames;
}

int decodeAmrFileToWavFile(const char* amrPath, const char* wavPath) {
    File input = open(amrPath, "rb");
    if (!input) return 0;
    std::array<char, kAmrMagicBytes> magic{};
    if (std::fread(magic.data(), 1, magic.size(), input.get()) != magic.size() ||
        std::memcmp(magic.data(), kAmrMagic, kAmrMagicBytes) != 0)
        return 0;
    File output = create(wavPath);
    if (!output) return 0;
    writeWavHeader(output.get(), 0);

    void* decoder = Decoder_Interface_init();
    std::array<unsigned char, kAmrFrameBufferBytes> frame{};
    std::array<short, kPcmFrameSamples> speech{};
    int frameSize = 0;
    unsigned char frameHeader = 0;
    int frames = 0;
    if (readFirstAmrFrame(input.get(), frame.data(), &frameSize, &frameHeader)) {
        do {
            speech.fill(0);
            Decoder_Interface_Decode(decoder, frame.data(), speech.data(), 0);
            writeSamples(output.get(), speech.data());
            ++frames;
        } while (readNextAmrFrame(input.get(), frame.data(), frameSize, frameHeader));
    }
    Decoder_Interface_exit(decoder);
    output.reset();
    input.reset();

    // The header written first said no frames; now the count is known.
    if (File update = open(wavPath, "r+b")) writeWavHeader(update.get(), frames);
    return frames;
}
