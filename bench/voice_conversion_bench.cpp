// A minute of speech through the voice file conversion (AMR encode and decode, files on both
// sides) against the codec's encoder and decoder called directly in a loop over the same
// samples in memory. The conversion should keep at least 0.9 of the direct loop's speed.
#include "chat/AmrWavConversion.h"
#include "platform/media/file_audio_device.h"

#include "support/side_by_side.h"

#include <opencore-amrnb/interf_dec.h>
#include <opencore-amrnb/interf_enc.h>

#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <filesystem>
#include <vector>

namespace {

constexpr int kSeconds = 60;
constexpr int kFrames = kSeconds * 50;

struct Material {
    QTemporaryDir folder;
    std::vector<short> speech;  // kFrames frames
    std::vector<unsigned char> coded;
    std::string pcmPath, amrPath, wavPath;
};

Material* material = nullptr;

// The spoken note of the tests, found from the program's folder upwards.
std::filesystem::path spokenNote(const char* program) {
    for (auto folder = std::filesystem::absolute(program).parent_path(); !folder.empty();
         folder = folder.parent_path()) {
        const auto candidate = folder / "tests/src/chat/data/spoken-note.wav";
        if (std::filesystem::exists(candidate)) return candidate;
        if (folder == folder.root_path()) break;
    }
    return {};
}

bool prepare(const char* program) {
    const auto note = av::readWaveSamples(QString::fromStdString(spokenNote(program).string()));
    if (!note || note->pcm.isEmpty()) return false;
    material = new Material;
    const auto* samples = reinterpret_cast<const short*>(note->pcm.constData());
    const std::size_t count = note->pcm.size() / 2;
    for (std::size_t i = 0; material->speech.size() < std::size_t(kFrames) * kPcmFrameSamples; ++i)
        material->speech.push_back(samples[i % count]);
    const std::string folder = material->folder.path().toStdString();
    material->pcmPath = folder + "/speech.pcm";
    material->amrPath = folder + "/speech.amr";
    material->wavPath = folder + "/speech.wav";
    QFile pcm(QString::fromStdString(material->pcmPath));
    if (!pcm.open(QIODevice::WriteOnly)) return false;
    pcm.write(reinterpret_cast<const char*>(material->speech.data()),
              qint64(material->speech.size() * 2));
    pcm.close();
    if (encodeWavFileToAmrFile(material->pcmPath.c_str(), material->amrPath.c_str(), 1, 16) !=
        kFrames)
        return false;
    QFile amr(QString::fromStdString(material->amrPath));
    if (!amr.open(QIODevice::ReadOnly)) return false;
    const QByteArray coded = amr.readAll().mid(6);
    material->coded.assign(coded.begin(), coded.end());
    return true;
}

void BM_EncodeFiles(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(
            encodeWavFileToAmrFile(material->pcmPath.c_str(), material->amrPath.c_str(), 1, 16));
}

void BM_EncodeDirect(benchmark::State& state) {
    std::vector<unsigned char> out(kFrames * kAmrFrameBufferBytes);
    for (auto _ : state) {
        void* encoder = Encoder_Interface_init(0);
        for (int frame = 0; frame < kFrames; ++frame)
            Encoder_Interface_Encode(encoder, MR122,
                                     material->speech.data() + frame * kPcmFrameSamples,
                                     out.data() + frame * kAmrFrameBufferBytes, 0);
        Encoder_Interface_exit(encoder);
        benchmark::DoNotOptimize(out.data());
    }
}

void BM_DecodeFiles(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(
            decodeAmrFileToWavFile(material->amrPath.c_str(), material->wavPath.c_str()));
}

void BM_DecodeDirect(benchmark::State& state) {
    std::vector<short> out(std::size_t(kFrames) * kPcmFrameSamples);
    for (auto _ : state) {
        void* decoder = Decoder_Interface_init();
        for (int frame = 0; frame < kFrames; ++frame)
            Decoder_Interface_Decode(decoder, material->coded.data() + frame * kAmrFrameBufferBytes,
                                     out.data() + frame * kPcmFrameSamples, 0);
        Decoder_Interface_exit(decoder);
        benchmark::DoNotOptimize(out.data());
    }
}

BENCHMARK(BM_EncodeFiles)->Unit(benchmark::kMillisecond)->Apply(bench::fastestOf<5>);
BENCHMARK(BM_EncodeDirect)->Unit(benchmark::kMillisecond)->Apply(bench::fastestOf<5>);
BENCHMARK(BM_DecodeFiles)->Unit(benchmark::kMillisecond)->Apply(bench::fastestOf<5>);
BENCHMARK(BM_DecodeDirect)->Unit(benchmark::kMillisecond)->Apply(bench::fastestOf<5>);

}  // namespace

int main(int argc, char** argv) {
    if (!prepare(argv[0])) {
        std::fprintf(stderr, "the spoken note tests/src/chat/data/spoken-note.wav was not found\n");
        return 1;
    }
    bench::FastestTimes reporter;
    if (!bench::runBenchmarks(argc, argv, reporter)) return 1;

    std::printf(
        "\n%d s of speech, as multiples of real time (speed of the conversion as a "
        "share of the direct codec loop, target 0.90):\n",
        kSeconds);
    for (const char* step : {"Encode", "Decode"}) {
        const auto files = reporter.seconds(std::string("BM_") + step + "Files");
        const auto direct = reporter.seconds(std::string("BM_") + step + "Direct");
        if (!files || !direct) continue;
        std::printf("  %s: conversion %.0fx, direct %.0fx real time: %.2f\n", step,
                    kSeconds / *files, kSeconds / *direct, *direct / *files);
    }
    delete material;
    return 0;
}
