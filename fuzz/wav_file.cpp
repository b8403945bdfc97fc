// Recorded WAV files and any file handed to the encoder or the player: any bytes are read
// within the file's real size, and only whole frames of the data chunk are encoded.
#include "platform/media/file_audio_device.h"
#include "platform/media/wave_file.h"
#include "src/chat/AmrWavConversion.h"

#include "scratch_file.h"

#include <QFileInfo>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const ScratchFile input("in.wav");
    static const ScratchFile output("out.amr");
    input.write(data, size);

    std::FILE* stream = std::fopen(input.utf8(), "rb");
    const av::WaveHeader header = av::readWaveHeader(stream);
    std::fclose(stream);
    if (header.kind == av::WaveHeader::Kind::Valid &&
        (header.dataOffset < 0 || header.dataSize < 0 ||
         header.dataOffset + header.dataSize > static_cast<std::int64_t>(size)))
        std::abort();

    if (const auto samples = av::readWaveSamples(input.path());
        samples && samples->pcm.size() > header.dataSize)
        std::abort();

    const int frames = encodeWavFileToAmrFile(input.utf8(), output.utf8(), 1, 16);
    // A frame takes at least 160 bytes of input (8-bit mono).
    if (frames < 0 || static_cast<size_t>(frames) * 160 > size) std::abort();
    return 0;
}
