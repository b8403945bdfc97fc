// AMR voice files as they come from the server or the disk: any bytes decode to a WAV file of
// whole frames (or are refused with 0), never reading past a frame buffer or the file.
#include "src/chat/AmrWavConversion.h"

#include "scratch_file.h"

#include <QFileInfo>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const ScratchFile input("in.amr");
    static const ScratchFile output("out.wav");
    input.write(data, size);
    QFile::remove(output.path());

    const int frames = decodeAmrFileToWavFile(input.utf8(), output.utf8());
    // Each frame is at least 13 bytes after the 6-byte magic, and the WAV file holds them all.
    if (frames < 0 || (frames > 0 && 6 + 13 * static_cast<size_t>(frames) > size)) std::abort();
    if (frames > 0 && QFileInfo(output.path()).size() != kWavHeaderBytes + 320 * frames)
        std::abort();
    return 0;
}
