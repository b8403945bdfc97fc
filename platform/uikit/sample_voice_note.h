#pragma once

#include "platform/media/audio_player.h"
#include "platform/uikit/view_controller.h"

#include <memory>

namespace av {
class AudioRecorder;
}  // namespace av

namespace ns {
class Timer;
}

namespace ui {

class Label;

// A voice note to try the audio stand-ins by hand: hold the button to record the microphone
// (8 kHz mono, with its level shown), let go, then play the note back.
class SampleVoiceNote : public ViewController, public av::AudioPlayerDelegate {
public:
    SampleVoiceNote();
    ~SampleVoiceNote() override;

    void viewDidLoad() override;
    void audioPlayerDidFinishPlaying(av::AudioPlayer& player, bool successfully) override;

private:
    void startRecording();
    void finishRecording();
    void play();
    void showLevel();

    std::shared_ptr<Label> status_;
    std::shared_ptr<av::AudioRecorder> recorder_;
    std::shared_ptr<av::AudioPlayer> player_;
    std::shared_ptr<ns::Timer> meter_;
};

}  // namespace ui
