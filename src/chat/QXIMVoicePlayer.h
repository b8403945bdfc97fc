#pragma once

#include "chat/VoicePlayer.h"

// The messaging library's voice player: the same player, which leaves the audio session
// ready to record (and inactive) whenever no voice plays.
class QXIMVoicePlayer final : public VoicePlayer {
public:
    // Made on first use.
    static QXIMVoicePlayer& shared();
    // Lets the shared player go; the next shared() makes a new one.
    static void forceRelease();

private:
    QXIMVoicePlayer();
};
