#include "chat/AmrWavConversion.h"
#include "chat/QXVoicePlayer.h"
#include "chat/VoiceFolders.h"
#include "platform/media/audio_device.h"
#include "platform/media/audio_recorder.h"
#include "platform/media/file_audio_device.h"

#include "ReferenceImage.h"
#include "SandboxTest.h"
#include "VoiceFiles.h"

using namespace voice_files;

namespace {

struct EndWatcher : VoicePlayerObserver {
    void playbackQueueStopped(VoicePlayer&,
                              const std::variant<bool, ns::Error>& interruption) override {
        endings.push_back(interruption);
    }
    std::vector<std::variant<bool, ns::Error>> endings;
};

// A spoken note recorded from the microphone, coded for sending, decoded and played back, as
// the chat does with a voice message.
class VoiceRoundTripTest : public SandboxTest {
protected:
    void SetUp() override {
        SandboxTest::SetUp();
        av::AudioSession::sharedInstance().reset();
        spoken_ = av::readWaveSamples(referenceImagePath("src/chat/data", "spoken-note.wav"));
        ASSERT_TRUE(spoken_);
        av::AudioDevice::install(std::make_shared<av::FileAudioDevice>(
            referenceImagePath("src/chat/data", "spoken-note.wav"),
            sandboxPath() + "/speaker.wav"));
    }
    void TearDown() override {
        QXVoicePlayer::forceRelease();
        av::AudioDevice::install(nullptr);
        av::AudioSession::sharedInstance().reset();
        SandboxTest::TearDown();
    }

    std::optional<av::WaveSamples> spoken_;
};

TEST_F(VoiceRoundTripTest, ASpokenNoteComesBackAsLongAndAudible) {
    const qsizetype spokenSamples = spoken_->pcm.size() / 2;
    auto& session = av::AudioSession::sharedInstance();
    session.setCategory(av::AudioSession::Category::PlayAndRecord);
    session.setActive(true);
    const QString recording = VoiceFolders::wavCacheDirectory() + "/1700000100";
    auto recorder =
        av::AudioRecorder::create(recording, {{av::kFormatIDKey, av::kAudioFormatLinearPCM},
                                              {av::kSampleRateKey, 8000.0},
                                              {av::kNumberOfChannelsKey, 1}});
    ASSERT_TRUE(recorder && recorder->record());
    clock().advance(std::chrono::microseconds(spokenSamples * 125));
    recorder->stop();

    const QString amr = VoiceFolders::amrCacheDirectory() + "/1700000100";
    const int frames =
        encodeWavFileToAmrFile(recording.toUtf8().constData(), amr.toUtf8().constData(), 1, 16);
    EXPECT_NEAR(frames * 160, spokenSamples, 160);

    auto watcher = std::make_shared<EndWatcher>();
    QXVoicePlayer::shared().addObject(watcher);
    QXVoicePlayer::shared().playByAmrName("1700000100");
    clock().advance(5s);
    ASSERT_EQ(watcher->endings.size(), 1u);
    EXPECT_TRUE(std::get<bool>(watcher->endings[0]));

    const auto played = av::readWaveSamples(sandboxPath() + "/speaker.wav");
    ASSERT_TRUE(played);
    EXPECT_EQ(played->header.format, (av::AudioFormat{8000, 1, 16}));
    EXPECT_NEAR(played->pcm.size() / 2, spokenSamples, 160);
    const double spokenLevel = rms(spoken_->pcm);
    EXPECT_GT(spokenLevel, 1000);
    EXPECT_GT(rms(played->pcm), 0.3 * spokenLevel);
}

}  // namespace
