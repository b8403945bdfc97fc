#pragma once

#include "platform/foundation/error.h"

#include <functional>
#include <mutex>

namespace av {

// The app's one audio session: what it means to do with sound (its category), whether it is
// active, and the user's answer to the microphone question.
class AudioSession {
public:
    enum class Category { Ambient, SoloAmbient, Playback, Record, PlayAndRecord };
    enum class RecordPermission { Undetermined, Denied, Granted };

    static AudioSession& sharedInstance();

    bool setCategory(Category category, ns::Error* error = nullptr);
    [[nodiscard]] Category category() const;
    bool setActive(bool active, ns::Error* error = nullptr);
    [[nodiscard]] bool isActive() const;
    // Whether the device in force has a microphone.
    [[nodiscard]] bool inputIsAvailable() const;

    [[nodiscard]] RecordPermission recordPermission() const;
    // Asks the user once; later requests answer at once with the answer given. The first
    // answer comes later, on the main queue, as the user takes a moment to decide.
    void requestRecordPermission(std::function<void(bool granted)> response);
    // Whether the category and the permission let a recorder run.
    [[nodiscard]] bool allowsRecording() const;

    // The stand-in's user at the microphone question: grants unless told otherwise here or by
    // HOUSING_AUDIO_RECORD_PERMISSION=denied.
    void setRecordPermissionAnswer(bool granted);
    // Back to a fresh launch: solo-ambient, inactive, not yet asked.
    void reset();

private:
    AudioSession();

    mutable std::mutex mutex_;
    Category category_ = Category::SoloAmbient;
    bool active_ = false;
    RecordPermission permission_ = RecordPermission::Undetermined;
    bool answer_ = true;
};

}  // namespace av
