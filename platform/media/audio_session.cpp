#include "platform/media/audio_session.h"

#include "platform/foundation/main_queue.h"
#include "platform/media/audio_device.h"

namespace av {

AudioSession::AudioSession() {
    reset();
}

AudioSession& AudioSession::sharedInstance() {
    static AudioSession session;
    return session;
}

bool AudioSession::setCategory(Category category, ns::Error*) {
    std::lock_guard lock(mutex_);
    category_ = category;
    return true;
}

AudioSession::Category AudioSession::category() const {
    std::lock_guard lock(mutex_);
    return category_;
}

bool AudioSession::setActive(bool active, ns::Error*) {
    std::lock_guard lock(mutex_);
    active_ = active;
    return true;
}

bool AudioSession::isActive() const {
    std::lock_guard lock(mutex_);
    return active_;
}

bool AudioSession::inputIsAvailable() const {
    return AudioDevice::current().inputAvailable();
}

AudioSession::RecordPermission AudioSession::recordPermission() const {
    std::lock_guard lock(mutex_);
    return permission_;
}

void AudioSession::requestRecordPermission(std::function<void(bool granted)> response) {
    std::unique_lock lock(mutex_);
    if (permission_ != RecordPermission::Undetermined) {
        const bool granted = permission_ == RecordPermission::Granted;
        lock.unlock();
        if (response) response(granted);
        return;
    }
    lock.unlock();
    ns::MainQueue::post([this, response = std::move(response)] {
        std::unique_lock lock(mutex_);
        if (permission_ == RecordPermission::Undetermined)
            permission_ = answer_ ? RecordPermission::Granted : RecordPermission::Denied;
        const bool granted = permission_ == RecordPermission::Granted;
        lock.unlock();
        if (response) response(granted);
    });
}

bool AudioSession::allowsRecording() const {
    std::lock_guard lock(mutex_);
    return (category_ == Category::Record || category_ == Category::PlayAndRecord) &&
           permission_ != RecordPermission::Denied;
}

void AudioSession::setRecordPermissionAnswer(bool granted) {
    std::lock_guard lock(mutex_);
    answer_ = granted;
}

void AudioSession::reset() {
    std::lock_guard lock(mutex_);
    category_ = Category::SoloAmbient;
    active_ = false;
    permission_ = RecordPermission::Undetermined;
    answer_ = qEnvironmentVariable("HOUSING_AUDIO_RECORD_PERMISSION") != QLatin1String("denied");
}

}  // namespace av
