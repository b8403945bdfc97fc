#include "platform/media/audio_device.h"
#include "platform/media/audio_player.h"
#include "platform/media/audio_recorder.h"
#include "platform/media/audio_session.h"
#include "platform/media/file_audio_device.h"

#include "VoiceFiles.h"

#include "SandboxTest.h"

#include <QFileInfo>

#include <cmath>

using namespace voice_files;

namespace {

// A sine of amplitude `amplitude` (of full scale 32768) at 8 kHz, `seconds` long.
QByteArray sine(double seconds, double amplitude) {
    QByteArray pcm;
    const int samples = static_cast<int>(seconds * 8000);
    for (int i = 0; i < samples; ++i)
        appendLittleEndian(pcm,
                           std::uint16_t(std::int16_t(
                               std::lround(amplitude * std::sin(2 * M_PI * 500 * i / 8000.0)))),
                           2);
    return pcm;
}

struct RecorderEvents : av::AudioRecorderDelegate {
    void audioRecorderDidFinishRecording(av::AudioRecorder& recorder, bool successfully) override {
        ++finished;
        recordedSeconds = recorder.currentTime();
        EXPECT_TRUE(successfully);
    }
    int finished = 0;
    double recordedSeconds = 0;
};

struct PlayerEvents : av::AudioPlayerDelegate {
    void audioPlayerDidFinishPlaying(av::AudioPlayer&, bool successfully) override {
        finished += successfully ? 1 : 100;
    }
    void audioPlayerDecodeErrorDidOccur(av::AudioPlayer&, const ns::Error& error) override {
        decodeErrors.push_back(error);
    }
    int finished = 0;
    std::vector<ns::Error> decodeErrors;
};

class AudioStandInTest : public SandboxTest {
protected:
    void SetUp() override {
        SandboxTest::SetUp();
        av::AudioSession::sharedInstance().reset();
        input_ = sine(2.0, 16384);
        write(path("microphone.wav"), wave(input_));
        useDevice(path("microphone.wav"));
    }
    void TearDown() override {
        av::AudioDevice::install(nullptr);
        av::AudioSession::sharedInstance().reset();
        SandboxTest::TearDown();
    }

    [[nodiscard]] QString path(const QString& name) const { return sandboxPath() + "/" + name; }
    void useDevice(const QString& input) {
        av::AudioDevice::install(std::make_shared<av::FileAudioDevice>(input, path("speaker.wav")));
    }
    static QVariantMap voiceSettings() {
        return {{av::kFormatIDKey, av::kAudioFormatLinearPCM},
                {av::kSampleRateKey, 8000.0},
                {av::kNumberOfChannelsKey, 1}};
    }
    std::shared_ptr<av::AudioRecorder> recorder(const QString& name = "note") {
        auto& session = av::AudioSession::sharedInstance();
        session.setCategory(av::AudioSession::Category::PlayAndRecord);
        session.setActive(true);
        return av::AudioRecorder::create(path(name), voiceSettings());
    }

    QByteArray input_;
};

TEST_F(AudioStandInTest, RecordsTheMicrophoneAsVoicePcmWithLevels) {
    auto events = std::make_shared<RecorderEvents>();
    auto recording = recorder();
    ASSERT_TRUE(recording);
    recording->setDelegate(events);
    recording->setMeteringEnabled(true);
    ASSERT_TRUE(recording->prepareToRecord());
    ASSERT_TRUE(recording->record());
    EXPECT_TRUE(recording->isRecording());

    clock().advance(500ms);
    recording->updateMeters();
    // A sine at half of full scale: peak -6.02 dB, average (its RMS) 3 dB lower.
    EXPECT_NEAR(recording->peakPowerForChannel(0), -6.02, 0.05);
    EXPECT_NEAR(recording->averagePowerForChannel(0), -9.03, 0.05);
    EXPECT_DOUBLE_EQ(recording->currentTime(), 0.5);

    // Past the end of the file the room is silent.
    clock().advance(2s);
    recording->updateMeters();
    recording->updateMeters();
    EXPECT_EQ(recording->averagePowerForChannel(0), -160);
    recording->stop();
    EXPECT_EQ(events->finished, 1);
    EXPECT_FALSE(recording->isRecording());

    const QByteArray file = read(path("note"));
    EXPECT_EQ(file.left(44), wave(QByteArray(2.5 * 16000, '\0')).left(44));
    EXPECT_EQ(file.mid(44, input_.size()), input_);
    EXPECT_EQ(file.mid(44 + input_.size()), QByteArray(0.5 * 16000, '\0'));
}

TEST_F(AudioStandInTest, TimedRecordingsEndThemselvesAtTheLimit) {
    auto events = std::make_shared<RecorderEvents>();
    auto recording = recorder();
    recording->setDelegate(events);
    ASSERT_TRUE(recording->recordForDuration(1.25));
    clock().advance(3s);
    EXPECT_EQ(events->finished, 1);
    EXPECT_DOUBLE_EQ(events->recordedSeconds, 1.25);
    EXPECT_EQ(read(path("note")).size(), 44 + 1.25 * 16000);
    recording->stop();
    EXPECT_EQ(events->finished, 1);
}

TEST_F(AudioStandInTest, RecordingNeedsTheRightSessionPermissionAndInput) {
    auto& session = av::AudioSession::sharedInstance();
    auto recording = recorder();
    session.setCategory(av::AudioSession::Category::Playback);
    EXPECT_FALSE(recording->record());

    session.setCategory(av::AudioSession::Category::PlayAndRecord);
    session.setRecordPermissionAnswer(false);
    std::vector<bool> answers;
    session.requestRecordPermission([&](bool granted) { answers.push_back(granted); });
    EXPECT_TRUE(answers.empty());  // the user is still deciding
    ASSERT_TRUE(runMainLoopUntil([&] { return answers.size() == 1; }));
    EXPECT_FALSE(answers[0]);
    session.requestRecordPermission([&](bool granted) { answers.push_back(granted); });
    EXPECT_EQ(answers, (std::vector<bool>{false, false}));
    EXPECT_FALSE(recording->record());

    session.reset();
    session.setCategory(av::AudioSession::Category::Record);
    useDevice(QString());
    EXPECT_FALSE(session.inputIsAvailable());
    EXPECT_FALSE(recording->record());
    // A microphone file in another format is no microphone for voice.
    write(path("cd.wav"), wave(input_, 1, 16, 44100));
    useDevice(path("cd.wav"));
    EXPECT_FALSE(recording->record());
}

TEST_F(AudioStandInTest, UnsupportedSettingsMakeNoRecorder) {
    ns::Error error;
    QVariantMap compressed = voiceSettings();
    compressed[av::kFormatIDKey] = 0x61616320u;  // 'aac '
    EXPECT_FALSE(av::AudioRecorder::create(path("a"), compressed, &error));
    EXPECT_EQ(error.domain(), av::kAudioErrorDomain);
    QVariantMap deep = voiceSettings();
    deep[av::kLinearPCMBitDepthKey] = 24;
    EXPECT_FALSE(av::AudioRecorder::create(path("a"), deep));
    EXPECT_EQ(recorder()->format(), (av::AudioFormat{8000, 1, 16}));
}

TEST_F(AudioStandInTest, PlaysIntoTheSpeakerInTimeAndTellsTheEnd) {
    auto events = std::make_shared<PlayerEvents>();
    auto player = av::AudioPlayer::create(path("microphone.wav"));
    ASSERT_TRUE(player);
    player->setDelegate(events);
    EXPECT_DOUBLE_EQ(player->duration(), 2.0);
    ASSERT_TRUE(player->play());
    clock().advance(700ms);
    EXPECT_TRUE(player->isPlaying());
    EXPECT_NEAR(player->currentTime(), 0.7, 1e-9);

    // Stopping keeps the place; playing again goes on from it.
    player->stop();
    clock().advance(5s);
    EXPECT_EQ(events->finished, 0);
    EXPECT_EQ(read(path("speaker.wav")).mid(44), input_.left(0.7 * 16000));
    ASSERT_TRUE(player->play());
    clock().advance(1300ms);
    EXPECT_EQ(events->finished, 1);
    EXPECT_FALSE(player->isPlaying());
    EXPECT_EQ(read(path("speaker.wav")), wave(input_.mid(0.7 * 16000)));
}

TEST_F(AudioStandInTest, CutOrForeignFilesFailAsTheyShould) {
    // Samples that end before the header says: played, then a decode error instead of the end.
    write(path("cut.wav"), wave(input_.left(1600), 1, 16, 8000, input_.size()));
    auto events = std::make_shared<PlayerEvents>();
    auto player = av::AudioPlayer::create(path("cut.wav"));
    ASSERT_TRUE(player);
    player->setDelegate(events);
    player->play();
    clock().advance(1s);
    EXPECT_EQ(events->finished, 0);
    ASSERT_EQ(events->decodeErrors.size(), 1u);
    EXPECT_EQ(events->decodeErrors[0].code(), av::kAudioErrorDecodeFailed);

    ns::Error error;
    write(path("noise.bin"), input_);
    EXPECT_FALSE(av::AudioPlayer::create(path("noise.bin"), &error));
    EXPECT_EQ(error.code(), av::kAudioErrorFileFormatNotRecognized);
    EXPECT_FALSE(av::AudioPlayer::create(path("missing.wav")));

    // A player let go while playing stops and tells nobody.
    auto dropped = av::AudioPlayer::create(path("microphone.wav"));
    dropped->setDelegate(events);
    dropped->play();
    clock().advance(100ms);
    dropped.reset();
    clock().advance(3s);
    EXPECT_EQ(events->finished, 0);
    EXPECT_EQ(read(path("speaker.wav")).size(), 44 + 1600);
}

}  // namespace
