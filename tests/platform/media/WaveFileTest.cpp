#include "platform/media/wave_file.h"

#include "VoiceFiles.h"

#include "SandboxTest.h"

using namespace voice_files;

namespace {

class WaveFileTest : public SandboxTest {
protected:
    av::WaveHeader headerOf(const QByteArray& bytes, long* positionAfter = nullptr) {
        const QString path = sandboxPath() + "/file.wav";
        write(path, bytes);
        std::FILE* file = std::fopen(path.toUtf8().constData(), "rb");
        const av::WaveHeader header = av::readWaveHeader(file);
        if (positionAfter) *positionAfter = std::ftell(file);
        std::fclose(file);
        return header;
    }
};

TEST_F(WaveFileTest, FindsTheSamplesAfterAnyChunks) {
    QByteArray bytes = wave(tone(100), 1, 16, 8000, -1, "LIST\2\0\0\0ab");
    bytes.insert(12, QByteArray("odd \1\0\0\0z\0", 10));  // padded to an even size
    long position = 0;
    const av::WaveHeader header = headerOf(bytes, &position);
    ASSERT_EQ(header.kind, av::WaveHeader::Kind::Valid);
    EXPECT_TRUE(header.isPcm());
    EXPECT_EQ(header.format, (av::AudioFormat{8000, 1, 16}));
    EXPECT_EQ(header.dataOffset, 54);
    EXPECT_EQ(position, 54);
    EXPECT_EQ(header.dataSize, 200);
    EXPECT_FALSE(header.truncated);
}

TEST_F(WaveFileTest, DeclaredSizesAreCutAtTheEndOfTheFile) {
    const av::WaveHeader header = headerOf(wave(tone(100), 1, 16, 8000, 0xfffffff0));
    EXPECT_EQ(header.dataSize, 200);
    EXPECT_TRUE(header.truncated);

    // A chunk before the data that claims to run past the end hides the data: malformed.
    QByteArray hidden = wave(tone(10));
    hidden.insert(36, QByteArray("big \xff\xff\xff\x7f", 8));
    EXPECT_EQ(headerOf(hidden).kind, av::WaveHeader::Kind::Malformed);
}

TEST_F(WaveFileTest, BrokenOrForeignFilesAreToldApart) {
    long position = -1;
    EXPECT_EQ(headerOf(tone(100), &position).kind, av::WaveHeader::Kind::NotWave);
    EXPECT_EQ(position, 0);
    EXPECT_EQ(headerOf({}).kind, av::WaveHeader::Kind::NotWave);
    EXPECT_EQ(headerOf(QByteArray("RIFF\0\0\0\0WAVE", 12)).kind, av::WaveHeader::Kind::Malformed);
    // Data before any format, and a format chunk too small to hold one.
    QByteArray dataFirst = QByteArray("RIFF\0\0\0\0WAVEdata\2\0\0\0ab", 22) + wave({}).mid(12);
    EXPECT_EQ(headerOf(dataFirst).kind, av::WaveHeader::Kind::Malformed);
    QByteArray smallFormat = wave(tone(10));
    smallFormat[16] = 8;
    EXPECT_EQ(headerOf(smallFormat).kind, av::WaveHeader::Kind::Malformed);
    // A format the players can't take is read but is not PCM.
    const av::WaveHeader twentyFour = headerOf(wave(tone(10), 1, 24));
    EXPECT_EQ(twentyFour.kind, av::WaveHeader::Kind::Valid);
    EXPECT_FALSE(twentyFour.isPcm());
}

TEST_F(WaveFileTest, WrittenHeadersReadBack) {
    const QString path = sandboxPath() + "/out.wav";
    std::FILE* file = std::fopen(path.toUtf8().constData(), "wb");
    ASSERT_TRUE(av::writeWaveHeader(file, {16000, 2, 16}, 8));
    std::fwrite("12345678", 1, 8, file);
    std::fclose(file);
    const av::WaveHeader header = headerOf(read(path));
    EXPECT_TRUE(header.isPcm());
    EXPECT_EQ(header.format, (av::AudioFormat{16000, 2, 16}));
    EXPECT_EQ(header.dataSize, 8);
}

}  // namespace
