#pragma once

#include "chat/VoicePlayer.h"
#include "platform/foundation/notification_center.h"

// The app's one voice player. It keeps the audio session playing, and when the app resigns
// active it tells its observers that playback ended (the sound itself goes on).
class QXVoicePlayer final : public VoicePlayer {
public:
    // Made on first use.
    static QXVoicePlayer& shared();
    // Lets the shared player go; the next shared() makes a new one.
    static void forceRelease();

    // Plays the AMR file at `path`: the recording of that voice still in the WAV cache when
    // this device made it, else its decoded WAV file, else the file decoded now.
    void playByAmrPath(const QString& path);

private:
    QXVoicePlayer();

    std::shared_ptr<ns::NotificationCenter::Observation> resignActive_;
};
