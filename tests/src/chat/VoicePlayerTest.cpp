#include "chat/AmrWavConversion.h"
#include "chat/QXIMVoicePlayer.h"
#include "chat/QXVoicePlayer.h"
#include "chat/VoiceFolders.h"
#include "platform/foundation/notification_center.h"
#include "platform/media/audio_device.h"
#include "platform/media/file_audio_device.h"
#include "platform/uikit/application.h"

#include "VoiceFiles.h"

#include "SandboxTest.h"

#include <QFileInfo>

using namespace voice_files;

namespace {

// Notes every end of playback, with what the player said at that moment.
struct PlaybackWatcher : VoicePlayerObserver {
    void playbackQueueStopped(VoicePlayer& player,
                              const std::variant<bool, ns::Error>& interruption) override {
        endings.push_back(interruption);
        namesWhenTold.push_back(player.playingName());
        if (leaveWhenTold) player.removeObject(this);
    }
    [[nodiscard]] std::vector<bool> flags() const {
        std::vector<bool> result;
        for (const auto& ending : endings) result.push_back(std::get<bool>(ending));
        return result;
    }
    std::vector<std::variant<bool, ns::Error>> endings;
    std::vector<QString> namesWhenTold;
    bool leaveWhenTold = false;
};

class VoicePlayerTest : public SandboxTest {
protected:
    void SetUp() override {
        SandboxTest::SetUp();
        av::AudioSession::sharedInstance().reset();
        av::AudioDevice::install(std::make_shared<av::FileAudioDevice>(QString(), speaker()));
        watcher_ = std::make_shared<PlaybackWatcher>();
        QXVoicePlayer::shared().addObject(watcher_);
    }
    void TearDown() override {
        QXVoicePlayer::forceRelease();
        QXIMVoicePlayer::forceRelease();
        av::AudioDevice::install(nullptr);
        av::AudioSession::sharedInstance().reset();
        SandboxTest::TearDown();
    }

    [[nodiscard]] QString speaker() const { return sandboxPath() + "/speaker.wav"; }
    [[nodiscard]] static QString wavCache(const QString& name) {
        return VoiceFolders::wavCacheDirectory() + "/" + name;
    }
    [[nodiscard]] static QString amrCache(const QString& name) {
        return VoiceFolders::amrCacheDirectory() + "/" + name;
    }
    // A voice of `frames` 20 ms frames coded into `amrPath`.
    static void makeVoice(const QString& amrPath, int frames) {
        const QString pcm = amrPath + ".pcm";
        write(pcm, tone(frames * kPcmFrameSamples));
        ASSERT_EQ(
            encodeWavFileToAmrFile(pcm.toUtf8().constData(), amrPath.toUtf8().constData(), 1, 16),
            frames);
        QFile::remove(pcm);
    }

    std::shared_ptr<PlaybackWatcher> watcher_;
};

TEST_F(VoicePlayerTest, AVoiceIsDecodedOncePlayedAndItsEndTold) {
    auto& player = QXVoicePlayer::shared();
    makeVoice(amrCache("1700000000"), 50);
    player.playByAmrName("1700000000");
    EXPECT_TRUE(player.isPlaying());
    EXPECT_EQ(player.playingName(), "1700000000");
    ASSERT_TRUE(QFileInfo::exists(wavCache("1700000000.wav")));

    clock().advance(1s);
    EXPECT_EQ(watcher_->flags(), std::vector<bool>{true});
    EXPECT_EQ(watcher_->namesWhenTold, std::vector<QString>{QString()});
    EXPECT_FALSE(player.isPlaying());
    const QByteArray decoded = read(wavCache("1700000000.wav"));
    EXPECT_EQ(read(speaker()).mid(44), decoded.mid(48));
    EXPECT_GT(rms(decoded.mid(48)), 500);

    // The second time the decoded file serves, even with the AMR file gone.
    QFile::remove(amrCache("1700000000"));
    player.playByAmrName("1700000000");
    EXPECT_TRUE(player.isPlaying());
    clock().advance(1s);
    EXPECT_EQ(watcher_->flags(), (std::vector<bool>{true, true}));
}

TEST_F(VoicePlayerTest, VoicesWithoutSoundEndAtOnceAndLeaveNoFile) {
    auto& player = QXVoicePlayer::shared();
    player.playByAmrName("missing");
    write(amrCache("bad-magic"), "#!AMR-WB\n0123456789012345678901234567890123456789");
    player.playByAmrName("bad-magic");
    write(amrCache("magic-only"), "#!AMR\n");
    player.playByAmrName("magic-only");
    player.playByAmrPath(sandboxPath() + "/nowhere/1700000001");

    EXPECT_EQ(watcher_->flags(), std::vector<bool>(4, false));
    EXPECT_FALSE(player.isPlaying());
    for (const QString name : {"missing", "bad-magic", "magic-only", "1700000001"})
        EXPECT_FALSE(QFileInfo::exists(wavCache(name + ".wav"))) << name.toStdString();

    // Nothing to name: nothing happens at all.
    player.playByAmrName(QString());
    player.playByWavName(QString());
    player.playByAmrPath(QString());
    EXPECT_EQ(watcher_->endings.size(), 4u);
}

TEST_F(VoicePlayerTest, StoppingTellsEveryObserverEvenWhenIdle) {
    auto& player = QXVoicePlayer::shared();
    auto leaving = std::make_shared<PlaybackWatcher>();
    leaving->leaveWhenTold = true;
    player.addObject(leaving);
    player.addObject(leaving);  // held once

    player.stop();
    EXPECT_EQ(watcher_->flags(), std::vector<bool>{false});
    EXPECT_EQ(leaving->flags(), std::vector<bool>{false});

    makeVoice(amrCache("v"), 50);
    player.playByAmrName("v");
    clock().advance(300ms);
    player.stop();
    EXPECT_EQ(watcher_->flags(), (std::vector<bool>{false, false}));
    EXPECT_EQ(leaving->endings.size(), 1u);  // it had left
    EXPECT_EQ(read(speaker()).size(), 44 + 300 * 16);
    clock().advance(2s);
    EXPECT_EQ(watcher_->endings.size(), 2u);
}

TEST_F(VoicePlayerTest, ARecordingOfThisDevicePlaysAsRecorded) {
    auto& player = QXVoicePlayer::shared();
    const QByteArray samples = tone(4000);
    write(wavCache("1700000002"), wave(samples));
    makeVoice(amrCache("1700000002"), 10);

    player.playByAmrPath(amrCache("1700000002"));
    EXPECT_EQ(player.playingName(), "1700000002");
    clock().advance(1s);
    EXPECT_EQ(watcher_->flags(), std::vector<bool>{true});
    EXPECT_FALSE(QFileInfo::exists(wavCache("1700000002.wav")));
    EXPECT_EQ(read(speaker()), wave(samples));

    // Without the recording, the AMR file is decoded beside it.
    QFile::remove(wavCache("1700000002"));
    player.playByAmrPath(amrCache("1700000002"));
    clock().advance(1s);
    EXPECT_TRUE(QFileInfo::exists(wavCache("1700000002.wav")));
    EXPECT_EQ(read(speaker()).size(), 44 + 10 * 320);
}

TEST_F(VoicePlayerTest, WavNamesPlayAsGivenAndBrokenSoundReportsItsError) {
    auto& player = QXVoicePlayer::shared();
    write(wavCache("cut.wav"), wave(tone(800), 1, 16, 8000, 16000));
    player.playByWavName("cut");
    EXPECT_EQ(player.playingName(), "cut");
    clock().advance(1s);
    ASSERT_EQ(watcher_->endings.size(), 1u);
    EXPECT_TRUE(std::holds_alternative<ns::Error>(watcher_->endings[0]));

    // A file the platform can't open: silence, and nobody is told.
    write(wavCache("noise.wav"), "not a wave at all");
    player.playByWavName("noise.wav");
    clock().advance(1s);
    EXPECT_FALSE(player.isPlaying());
    EXPECT_EQ(watcher_->endings.size(), 1u);
}

TEST_F(VoicePlayerTest, ResigningActiveEndsThePlaybackForObserversOnly) {
    auto& player = QXVoicePlayer::shared();
    makeVoice(amrCache("v"), 50);
    player.playByAmrName("v");
    ns::NotificationCenter::defaultCenter().post(ui::kApplicationWillResignActiveNotification);
    EXPECT_EQ(watcher_->flags(), std::vector<bool>{false});
    EXPECT_TRUE(player.isPlaying());
}

TEST_F(VoicePlayerTest, TheMessagingPlayerLeavesTheSessionReadyToRecord) {
    auto& session = av::AudioSession::sharedInstance();
    auto& player = QXIMVoicePlayer::shared();
    EXPECT_EQ(session.category(), av::AudioSession::Category::PlayAndRecord);
    EXPECT_FALSE(session.isActive());

    auto watcher = std::make_shared<PlaybackWatcher>();
    player.addObject(watcher);
    makeVoice(amrCache("v"), 20);
    player.playByAmrName("v");
    EXPECT_EQ(session.category(), av::AudioSession::Category::Playback);
    EXPECT_TRUE(session.isActive());
    clock().advance(1s);
    EXPECT_EQ(watcher->flags(), std::vector<bool>{true});
    EXPECT_EQ(session.category(), av::AudioSession::Category::PlayAndRecord);
    EXPECT_FALSE(session.isActive());

    // It does not hear the app resigning active.
    player.playByAmrName("v");
    ns::NotificationCenter::defaultCenter().post(ui::kApplicationWillResignActiveNotification);
    EXPECT_EQ(watcher->endings.size(), 1u);
}

TEST_F(VoicePlayerTest, ForceReleaseMakesANewPlayerNextTime) {
    auto* first = &QXVoicePlayer::shared();
    EXPECT_EQ(&QXVoicePlayer::shared(), first);
    QXVoicePlayer::forceRelease();
    QXVoicePlayer::shared().stop();
    EXPECT_TRUE(watcher_->endings.empty());  // the new player has no observers
}

}  // namespace
