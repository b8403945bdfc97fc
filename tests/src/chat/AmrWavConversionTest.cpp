#include "chat/AmrWavConversion.h"

#include "VoiceFiles.h"

#include "SandboxTest.h"

#include <opencore-amrnb/interf_enc.h>

#include <QFileInfo>

#include <array>

using namespace voice_files;

namespace {

class AmrWavConversionTest : public SandboxTest {
protected:
    [[nodiscard]] QString path(const QString& name) const { return sandboxPath() + "/" + name; }

    int encode(const QString& from, const QString& to, int channels = 1, int bits = 16) {
        return encodeWavFileToAmrFile(from.toUtf8().constData(), to.toUtf8().constData(), channels,
                                      bits);
    }
    int decode(const QString& from, const QString& to) {
        return decodeAmrFileToWavFile(from.toUtf8().constData(), to.toUtf8().constData());
    }

    // An AMR file of `frames` frames coded by the codec itself in `mode`.
    QByteArray amrFile(int frames, Mode mode = MR122) {
        QByteArray bytes("#!AMR\n");
        void* encoder = Encoder_Interface_init(0);
        const QByteArray pcm = tone(frames * kPcmFrameSamples);
        std::array<unsigned char, kAmrFrameBufferBytes> coded{};
        for (int i = 0; i < frames; ++i) {
            const auto* speech = reinterpret_cast<const short*>(pcm.constData()) + i * 160;
            const int size = Encoder_Interface_Encode(encoder, mode, speech, coded.data(), 0);
            bytes.append(reinterpret_cast<const char*>(coded.data()), size);
        }
        Encoder_Interface_exit(encoder);
        return bytes;
    }
};

TEST_F(AmrWavConversionTest, SixtySecondsOfPcmBecomeThreeThousandFramesOf122) {
    write(path("in.pcm"), tone(3000 * kPcmFrameSamples));
    ASSERT_EQ(QFileInfo(path("in.pcm")).size(), 960000);

    EXPECT_EQ(encode(path("in.pcm"), path("out.amr")), 3000);

    const QByteArray amr = read(path("out.amr"));
    ASSERT_EQ(amr.size(), 96006);
    EXPECT_EQ(amr.left(6), QByteArray("#!AMR\n"));
    for (int frame = 0; frame < 3000; ++frame)
        ASSERT_EQ(std::uint8_t(amr[6 + 32 * frame]), 0x3C) << "frame " << frame;
}

TEST_F(AmrWavConversionTest, LessThanOneFrameGivesTheMagicAlone) {
    write(path("short.pcm"), tone(kPcmFrameSamples).left(319));
    EXPECT_EQ(encode(path("short.pcm"), path("short.amr")), 0);
    EXPECT_EQ(read(path("short.amr")), QByteArray("#!AMR\n"));

    write(path("empty.pcm"), {});
    EXPECT_EQ(encode(path("empty.pcm"), path("empty.amr")), 0);
    EXPECT_EQ(read(path("empty.amr")), QByteArray("#!AMR\n"));
}

TEST_F(AmrWavConversionTest, UnopenableFilesFailWithoutLeavingOutput) {
    EXPECT_EQ(encode(path("missing.pcm"), path("a.amr")), 0);
    EXPECT_FALSE(QFileInfo::exists(path("a.amr")));
    write(path("in.pcm"), tone(800));
    EXPECT_EQ(encode(path("in.pcm"), path("no-such-folder/a.amr")), 0);

    EXPECT_EQ(decode(path("missing.amr"), path("a.wav")), 0);
    EXPECT_FALSE(QFileInfo::exists(path("a.wav")));
    write(path("in.amr"), amrFile(2));
    EXPECT_EQ(decode(path("in.amr"), path("no-such-folder/a.wav")), 0);
}

TEST_F(AmrWavConversionTest, RecorderHeaderAndTrailingChunksAreNeverEncodedAsSamples) {
    const QByteArray pcm = tone(50 * kPcmFrameSamples);
    write(path("raw.pcm"), pcm);
    // An odd-sized chunk before the samples and a tag chunk after them, as recorders write.
    QByteArray recorded =
        wave(pcm, 1, 16, 8000, -1, QByteArray("LIST\x10\0\0\0", 8) + QByteArray(16, 'x'));
    recorded.insert(36, QByteArray("junk\x03\0\0\0abc\0", 12));
    write(path("recorded.wav"), recorded);

    EXPECT_EQ(encode(path("raw.pcm"), path("raw.amr")), 50);
    EXPECT_EQ(encode(path("recorded.wav"), path("recorded.amr")), 50);
    EXPECT_EQ(read(path("recorded.amr")), read(path("raw.amr")));
}

TEST_F(AmrWavConversionTest, TheHeaderSaysHowTheSamplesAreLaidOut) {
    // Stereo samples with equal channels code like the mono ones (the channels are averaged).
    write(path("mono.pcm"), tone(10 * kPcmFrameSamples, 4000));
    write(path("stereo.wav"), wave(tone(10 * kPcmFrameSamples, 4000, 2), 2));
    EXPECT_EQ(encode(path("mono.pcm"), path("mono.amr")), 10);
    EXPECT_EQ(encode(path("stereo.wav"), path("stereo.amr"), 1, 16), 10);
    EXPECT_EQ(read(path("stereo.amr")), read(path("mono.amr")));
}

TEST_F(AmrWavConversionTest, LyingOrUnusableHeadersAreBoundedOrRefused) {
    const QByteArray pcm = tone(10 * kPcmFrameSamples);
    // The data chunk claims far more than there is: only the real samples are coded.
    write(path("long-claim.wav"), wave(pcm, 1, 16, 8000, 0x7fffffff));
    EXPECT_EQ(encode(path("long-claim.wav"), path("a.amr")), 10);
    // It claims less: the rest is not samples.
    write(path("short-claim.wav"), wave(pcm, 1, 16, 8000, 3 * 320 + 100));
    EXPECT_EQ(encode(path("short-claim.wav"), path("b.amr")), 3);
    // Zero-length data.
    write(path("empty.wav"), wave({}, 1, 16, 8000, 0, pcm));
    EXPECT_EQ(encode(path("empty.wav"), path("c.amr")), 0);

    // No data chunk, a rate the voice codec can't take, a compressed format: refused outright.
    write(path("no-data.wav"), wave(pcm).left(36) + QByteArray("LIST\4\0\0\0abcd", 12));
    write(path("16k.wav"), wave(pcm, 1, 16, 16000));
    QByteArray alaw = wave(pcm);
    alaw[20] = 6;
    write(path("alaw.wav"), alaw);
    for (const QString name : {"no-data.wav", "16k.wav", "alaw.wav"}) {
        EXPECT_EQ(encode(path(name), path(name + ".amr")), 0) << name.toStdString();
        EXPECT_FALSE(QFileInfo::exists(path(name + ".amr"))) << name.toStdString();
    }
}

TEST_F(AmrWavConversionTest, DecodingWritesTheHeaderAndOneFrameOfSamplesPerFrame) {
    write(path("in.amr"), amrFile(7));
    EXPECT_EQ(decode(path("in.amr"), path("out.wav")), 7);

    const QByteArray wav = read(path("out.wav"));
    ASSERT_EQ(wav.size(), 48 + 320 * 7);
    QByteArray header("RIFF");
    appendLittleEndian(header, 40 + 320 * 7, 4);
    header.append("WAVEfmt ");
    for (const auto& [value, size] : std::initializer_list<std::pair<std::uint32_t, int>>{
             {20, 4}, {1, 2}, {1, 2}, {8000, 4}, {16000, 4}, {2, 2}, {16, 2}, {0, 4}})
        appendLittleEndian(header, value, size);
    header.append("data");
    appendLittleEndian(header, 320 * 7, 4);
    EXPECT_EQ(wav.left(48), header);
    EXPECT_GT(rms(wav.mid(48)), 500);

    EXPECT_EQ(decode(path("in.amr"), path("again.wav")), 7);
    EXPECT_EQ(read(path("again.wav")), wav);
}

TEST_F(AmrWavConversionTest, CutOrEmptyStreamsCountOnlyWholeFrames) {
    write(path("cut.amr"), amrFile(5).chopped(1));
    EXPECT_EQ(decode(path("cut.amr"), path("cut.wav")), 4);
    EXPECT_EQ(read(path("cut.wav")).size(), 48 + 320 * 4);

    write(path("magic.amr"), "#!AMR\n");
    EXPECT_EQ(decode(path("magic.amr"), path("magic.wav")), 0);
    EXPECT_EQ(littleEndianAt(read(path("magic.wav")), 44, 4), 0u);

    write(path("half.amr"), amrFile(1).left(20));
    EXPECT_EQ(decode(path("half.amr"), path("half.wav")), 0);
}

TEST_F(AmrWavConversionTest, OtherMagicsAreRefusedBeforeAnyOutput) {
    QByteArray wide = amrFile(3);
    wide.replace(0, 6, "#!AMR-WB\n");
    write(path("wide.amr"), wide);
    write(path("tiny.amr"), "#!AM");
    for (const QString name : {"wide.amr", "tiny.amr"}) {
        EXPECT_EQ(decode(path(name), path(name + ".wav")), 0);
        EXPECT_FALSE(QFileInfo::exists(path(name + ".wav")));
    }
}

TEST_F(AmrWavConversionTest, LowRateFramesAreReadInTheirOwnSize) {
    const QByteArray amr = amrFile(6, MR475);
    ASSERT_EQ(amr.size(), 6 + 13 * 6);
    ASSERT_EQ(std::uint8_t(amr[6]), 0x04 | 0x00);
    write(path("475.amr"), amr);
    EXPECT_EQ(decode(path("475.amr"), path("475.wav")), 6);
}

TEST_F(AmrWavConversionTest, NonSpeechFirstFramesStopCleanly) {
    // Frame types 8-15 have no rate: nothing beyond the rate table or the frame buffer is read.
    for (int type = 8; type <= 15; ++type) {
        QByteArray amr("#!AMR\n");
        for (int i = 0; i < 4; ++i)
            amr.append(char(type << 3 | 0x04)).append(QByteArray(40, '\xff'));
        const QString name = QString("type%1").arg(type);
        write(path(name + ".amr"), amr);
        EXPECT_EQ(decode(path(name + ".amr"), path(name + ".wav")), 0) << type;
        EXPECT_EQ(read(path(name + ".wav")).size(), 48) << type;
    }

    // The first type without a rate is refused before anything of it is taken as a frame.
    const QByteArray typeEight = QByteArray(1, char(8 << 3 | 0x04)) + QByteArray(40, '\x3c');
    write(path("type8.frame"), typeEight);
    std::FILE* stream = std::fopen(path("type8.frame").toUtf8().constData(), "rb");
    ASSERT_NE(stream, nullptr);
    std::array<unsigned char, kAmrFrameBufferBytes> frame{};
    frame.fill(0xEE);
    int frameSize = -7;
    unsigned char frameHeader = 0xAA;
    EXPECT_EQ(readFirstAmrFrame(stream, frame.data(), &frameSize, &frameHeader), 0);
    std::fclose(stream);
    EXPECT_EQ(frameSize, -7);
    EXPECT_EQ(frameHeader, 0xAA);
    EXPECT_EQ(frame[0], 0xEE);
}

TEST_F(AmrWavConversionTest, FramesOfAnotherTypeAreSkippedUpToTheFirstHeader) {
    // A 4.75 kbit/s frame between 12.2 ones: its bytes are passed over until 0x3C turns up.
    const QByteArray fast = amrFile(3);
    QByteArray mixed =
        fast.left(6 + 32) + QByteArray("\x04", 1) + QByteArray(12, '\x11') + fast.mid(6 + 32);
    write(path("mixed.amr"), mixed);
    EXPECT_EQ(decode(path("mixed.amr"), path("mixed.wav")), 3);
}

TEST_F(AmrWavConversionTest, PcmFramesOfEveryLayout) {
    std::array<short, kPcmFrameSamples> speech{};
    const auto readFrom = [&](const QByteArray& bytes, int channels, int bits) {
        write(path("frame.pcm"), bytes);
        std::FILE* file = std::fopen(path("frame.pcm").toUtf8().constData(), "rb");
        const int items = readPcmFrame(speech.data(), file, channels, bits);
        std::fclose(file);
        return items;
    };
    QByteArray eightBit(320, '\0');
    for (int i = 0; i < 320; ++i) eightBit[i] = char(i % 2 ? 7 : 255);
    EXPECT_EQ(readFrom(eightBit.left(160), 1, 8), 160);
    EXPECT_EQ(speech[0], 255 * 128);
    EXPECT_EQ(speech[1], 7 * 128);
    EXPECT_EQ(readFrom(eightBit, 2, 8), 320);
    EXPECT_EQ(speech[1], 255 * 128);  // the left byte of each pair

    QByteArray stereo;
    for (int i = 0; i < 160; ++i) {
        appendLittleEndian(stereo, 30000, 2);
        appendLittleEndian(stereo, std::uint16_t(i == 0 ? 30000 : -2000), 2);
    }
    EXPECT_EQ(readFrom(stereo, 2, 16), 320);
    EXPECT_EQ(speech[0], std::int16_t(60000) >> 1);  // the sum wraps before the halving
    EXPECT_EQ(speech[1], 14000);

    EXPECT_EQ(readFrom(stereo.chopped(1), 2, 16), 0);
    EXPECT_EQ(readFrom(stereo, 3, 16), 0);
    EXPECT_EQ(readFrom(stereo, 1, 24), 0);
}

}  // namespace
