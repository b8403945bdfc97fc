#pragma once

#include "platform/media/audio_recorder.h"
#include "platform/uikit/view.h"

#include <QString>

#include <memory>

namespace ns {
class Timer;
}

class VoiceHUD;

// Hears the recorder overlay; both calls are optional and come on the main thread.
class VoiceHUDDelegate {
public:
    virtual ~VoiceHUDDelegate() = default;
    // A recording of one second or more ended: its file and its length in seconds.
    virtual void voiceRecorded(VoiceHUD& hud, const QString& path, double length) {
        (void)hud, (void)path, (void)length;
    }
    virtual void voiceRecordCancelledByUser(VoiceHUD& hud) { (void)hud; }
};

// The hold-to-talk recorder: a see-through view over a whole screen that, while the user holds
// the talk button, records the microphone into a file as 8 kHz mono linear PCM and draws a dark
// 140-point square with a microphone and a live level meter (or the release-to-cancel sign).
// It hands the finished file and its length to its delegate; it never converts, uploads or
// plays anything itself. One overlay serves any number of recordings in turn.
class VoiceHUD : public ui::View, public av::AudioRecorderDelegate {
public:
    static constexpr double kMaxSeconds = 60.0;
    static constexpr double kMeterInterval = 0.05;
    static constexpr double kMinSeconds = 1.0;
    static constexpr double kSquare = 140;
    // The looks: recording with the level image, recording with level bars, release to cancel.
    enum RecordingType { kRecording = 0, kRecordingBars = 1, kReleaseToCancel = 2 };

    static inline const QString kTooShort = QStringLiteral("时间过短，请重新录制");
    static inline const QString kNoInput = QStringLiteral("Audio input hardware not available");

    // Covers `parent`'s bounds (a zero frame without a parent); invisible until a recording.
    [[nodiscard]] static std::shared_ptr<VoiceHUD> initWithParentView(ui::View* parent);
    explicit VoiceHUD(const ui::Rect& frame);
    ~VoiceHUD() override;

    // Starts recording into `path` (an existing file there is replaced).
    void startForFilePath(const QString& path);
    // Ends the recording and hands it to the delegate when it lasted a second or more.
    void finishRecording();
    // Ends the recording and tells the delegate it was cancelled; the file stays.
    void cancelRecording();
    // Whether the user lets the app use the microphone (yes while the answer is pending).
    [[nodiscard]] bool canRecord();

    [[nodiscard]] int recordingType() const { return recordingType_; }
    void setRecordingType(int type);
    [[nodiscard]] bool isRecording() const { return isRecording_; }
    [[nodiscard]] double recordTime() const { return recordTime_; }
    [[nodiscard]] double soundMeters() const { return soundMeters_; }
    [[nodiscard]] const QString& recorderFilePath() const { return recorderFilePath_; }
    [[nodiscard]] ui::Rect hudRect() const;
    void setDelegate(std::weak_ptr<VoiceHUDDelegate> delegate) { delegate_ = std::move(delegate); }

    void drawRect(const ui::Rect& rect) override;

private:
    void updateMeters();
    void stopTimer();
    void hide();
    // The height of the level image for the current level: 73 points for silence up to 101.
    [[nodiscard]] double meterHeight() const;

    std::shared_ptr<av::AudioRecorder> recorder_;
    std::shared_ptr<ns::Timer> timer_;
    QString recorderFilePath_;
    double recordTime_ = 0;
    double soundMeters_ = 0;
    int recordingType_ = kRecording;
    bool isRecording_ = false;
    std::weak_ptr<VoiceHUDDelegate> delegate_;
};
