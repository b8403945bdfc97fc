#include "platform/uikit/sample_voice_note.h"

#include "platform/foundation/sandbox.h"
#include "platform/foundation/timer.h"
#include "platform/media/audio_recorder.h"
#include "platform/media/audio_session.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/label.h"

#include <cmath>

namespace ui {

namespace {

constexpr double kMeterInterval = 0.05;
constexpr double kLongestNote = 60;

QString notePath() {
    return ns::Sandbox::tmp() + QStringLiteral("/sample-note.wav");
}

std::shared_ptr<Button> button(const Rect& frame, const QString& title, const Color& colour) {
    auto made = std::make_shared<Button>(frame);
    made->setBackgroundImage(Image::imageWithColor(colour), kControlStateNormal);
    made->setTitle(title, kControlStateNormal);
    return made;
}

}  // namespace

SampleVoiceNote::SampleVoiceNote() {
    setTitle(QStringLiteral("语音留言"));
}

SampleVoiceNote::~SampleVoiceNote() {
    if (meter_) meter_->invalidate();
}

void SampleVoiceNote::viewDidLoad() {
    view()->setBackgroundColor(Color::whiteColor());
    setEdgesForExtendedLayout(kRectEdgeNone);
    status_ = std::make_shared<Label>(Rect(15, 30, 290, 24));
    status_->setTextAlignment(TextAlignment::Center);
    status_->setText(QStringLiteral("按住按钮录音"));
    view()->addSubview(status_);

    auto record =
        button(Rect(15, 80, 290, 44), QStringLiteral("按住录音"), Color::rgb(86, 186, 34));
    record->addTarget(this, kControlEventTouchDown,
                      [this](Control&, const Event*) { startRecording(); });
    record->addTarget(
        this, kControlEventTouchUpInside | kControlEventTouchUpOutside | kControlEventTouchCancel,
        [this](Control&, const Event*) { finishRecording(); });
    view()->addSubview(record);

    auto playback = button(Rect(15, 140, 290, 44), QStringLiteral("播放"), Color::rgb(247, 127, 0));
    playback->addTarget(this, kControlEventTouchUpInside,
                        [this](Control&, const Event*) { play(); });
    view()->addSubview(playback);
}

void SampleVoiceNote::startRecording() {
    player_.reset();
    auto& session = av::AudioSession::sharedInstance();
    session.setCategory(av::AudioSession::Category::PlayAndRecord);
    session.setActive(true);
    session.requestRecordPermission({});
    ns::Error error;
    recorder_ = av::AudioRecorder::create(notePath(),
                                          {{av::kFormatIDKey, av::kAudioFormatLinearPCM},
                                           {av::kSampleRateKey, 8000.0},
                                           {av::kNumberOfChannelsKey, 1}},
                                          &error);
    if (!recorder_) {
        status_->setText(error.localizedDescription());
        return;
    }
    recorder_->setMeteringEnabled(true);
    if (!session.inputIsAvailable() || !recorder_->recordForDuration(kLongestNote)) {
        status_->setText(QStringLiteral("没有可用的麦克风"));
        recorder_.reset();
        return;
    }
    status_->setText(QStringLiteral("录音中"));
    meter_ = ns::Timer::scheduledTimer(ns::seconds(kMeterInterval), true,
                                       [this](ns::Timer&) { showLevel(); });
}

void SampleVoiceNote::showLevel() {
    if (!recorder_) return;
    recorder_->updateMeters();
    status_->setText(QStringLiteral("录音中 %1 秒 %2 dB")
                         .arg(recorder_->currentTime(), 0, 'f', 1)
                         .arg(std::lround(recorder_->averagePowerForChannel(0))));
}

void SampleVoiceNote::finishRecording() {
    if (meter_) meter_->invalidate();
    meter_.reset();
    if (!recorder_) return;
    recorder_->stop();
    status_->setText(QStringLiteral("已录 %1 秒").arg(recorder_->currentTime(), 0, 'f', 1));
    recorder_.reset();
}

void SampleVoiceNote::play() {
    auto& session = av::AudioSession::sharedInstance();
    session.setCategory(av::AudioSession::Category::Playback);
    session.setActive(true);
    player_ = av::AudioPlayer::create(notePath());
    if (!player_ || !player_->play()) {
        status_->setText(QStringLiteral("没有可播放的留言"));
        player_.reset();
        return;
    }
    player_->setDelegate(
        std::static_pointer_cast<av::AudioPlayerDelegate>(sharedAs<SampleVoiceNote>()));
    status_->setText(QStringLiteral("播放中 %1 秒").arg(player_->duration(), 0, 'f', 1));
}

void SampleVoiceNote::audioPlayerDidFinishPlaying(av::AudioPlayer&, bool) {
    status_->setText(QStringLiteral("播放完毕"));
}

}  // namespace ui
