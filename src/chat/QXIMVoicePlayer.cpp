#include "chat/QXIMVoicePlayer.h"

#include "chat/ProcessWideInstance.h"

QXIMVoicePlayer::QXIMVoicePlayer()
    : VoicePlayer({av::AudioSession::Category::PlayAndRecord, false, true}) {}

QXIMVoicePlayer& QXIMVoicePlayer::shared() {
    return ProcessWideInstance<QXIMVoicePlayer>::get(
        [] { return std::shared_ptr<QXIMVoicePlayer>(new QXIMVoicePlayer()); });
}

void QXIMVoicePlayer::forceRelease() {
    ProcessWideInstance<QXIMVoicePlayer>::release("QXIMVoicePlayer");
}
