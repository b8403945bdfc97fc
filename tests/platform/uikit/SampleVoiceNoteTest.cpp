#include "UIKitTest.h"

#include "platform/foundation/sandbox.h"
#include "platform/media/audio_device.h"
#include "platform/media/audio_session.h"
#include "platform/media/file_audio_device.h"
#include "platform/uikit/button.h"
#include "platform/uikit/sample_window.h"
#include "platform/uikit/test_driver.h"
#include "platform/uikit/window.h"

#include "VoiceFiles.h"

using namespace voice_files;

namespace {

class SampleVoiceNoteTest : public UIKitTest {
protected:
    void SetUp() override {
        UIKitTest::SetUp();
        av::AudioSession::sharedInstance().reset();
        microphone_ = tone(16000);
        write(sandboxPath() + "/microphone.wav", wave(microphone_));
    }
    void TearDown() override {
        av::AudioDevice::install(nullptr);
        av::AudioSession::sharedInstance().reset();
        UIKitTest::TearDown();
    }
    void useMicrophone(bool present) {
        av::AudioDevice::install(std::make_shared<av::FileAudioDevice>(
            present ? sandboxPath() + "/microphone.wav" : QString(),
            sandboxPath() + "/speaker.wav"));
    }
    // Opens the voice note from the settings tab.
    ui::TestDriver open() {
        ui::TestDriver driver(ui::SampleWindow::create());
        EXPECT_TRUE(driver.tapText("设置"));
        EXPECT_TRUE(driver.tapText("语音"));
        driver.wait(0.5);
        return driver;
    }
    void holdRecordButton(ui::TestDriver& driver, double seconds) {
        ui::View* record = driver.findByText("按住录音");
        ASSERT_NE(record, nullptr);
        const ui::Rect frame = record->convertRectToView(record->bounds(), nullptr);
        driver.longPressAt(ui::Point(frame.midX(), frame.midY()), seconds);
    }

    QByteArray microphone_;
};

TEST_F(SampleVoiceNoteTest, HoldingRecordsANoteThatPlaysBack) {
    useMicrophone(true);
    ui::TestDriver driver = open();
    holdRecordButton(driver, 1.2);
    EXPECT_NE(driver.findByText("已录 1.2 秒"), nullptr);

    EXPECT_TRUE(driver.tapText("播放"));
    EXPECT_NE(driver.findByText("播放中 1.2 秒"), nullptr);
    driver.wait(1.5);
    EXPECT_NE(driver.findByText("播放完毕"), nullptr);
    EXPECT_EQ(read(sandboxPath() + "/speaker.wav"), wave(microphone_.left(1.2 * 16000)));
}

TEST_F(SampleVoiceNoteTest, WithoutAMicrophoneNothingIsRecorded) {
    useMicrophone(false);
    ui::TestDriver driver = open();
    holdRecordButton(driver, 1);
    EXPECT_NE(driver.findByText("没有可用的麦克风"), nullptr);
    EXPECT_TRUE(driver.tapText("播放"));
    EXPECT_NE(driver.findByText("没有可播放的留言"), nullptr);
}

}  // namespace
