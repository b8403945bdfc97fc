#pragma once

namespace ui {

// The platform's keyboard choices, as it numbers them.
enum class ReturnKeyType {
    Default = 0,
    Go = 1,
    Google = 2,
    Join = 3,
    Next = 4,
    Route = 5,
    Search = 6,
    Send = 7,
    Yahoo = 8,
    Done = 9,
    EmergencyCall = 10,
};
enum class KeyboardType {
    Default = 0,
    ASCIICapable = 1,
    NumbersAndPunctuation = 2,
    URL = 3,
    NumberPad = 4,
    PhonePad = 5,
    NamePhonePad = 6,
    EmailAddress = 7,
    DecimalPad = 8,
};
enum class TextAutocapitalizationType { None = 0, Words = 1, Sentences = 2, AllCharacters = 3 };
enum class TextAutocorrectionType { Default = 0, No = 1, Yes = 2 };
enum class KeyboardAppearance { Default = 0, Dark = 1, Light = 2 };

// What a text input asks of the keyboard: the on-screen keyboard shows the
// keys of its keyboard type and names its return key by the return key type;
// the desktop's input method hears the type and secure entry as hints. Secure
// entry also changes what the input shows.
class TextInputTraits {
public:
    virtual ~TextInputTraits() = default;

    [[nodiscard]] ReturnKeyType returnKeyType() const { return returnKeyType_; }
    void setReturnKeyType(ReturnKeyType type) { returnKeyType_ = type; }
    [[nodiscard]] KeyboardType keyboardType() const { return keyboardType_; }
    void setKeyboardType(KeyboardType type) { keyboardType_ = type; }
    [[nodiscard]] KeyboardAppearance keyboardAppearance() const { return appearance_; }
    void setKeyboardAppearance(KeyboardAppearance appearance) { appearance_ = appearance; }
    [[nodiscard]] TextAutocapitalizationType autocapitalizationType() const { return capitals_; }
    void setAutocapitalizationType(TextAutocapitalizationType type) { capitals_ = type; }
    [[nodiscard]] TextAutocorrectionType autocorrectionType() const { return correction_; }
    void setAutocorrectionType(TextAutocorrectionType type) { correction_ = type; }
    // The return key is offered only while there is text.
    [[nodiscard]] bool enablesReturnKeyAutomatically() const { return returnAutomatically_; }
    void setEnablesReturnKeyAutomatically(bool enables) { returnAutomatically_ = enables; }
    [[nodiscard]] bool isSecureTextEntry() const { return secure_; }
    virtual void setSecureTextEntry(bool secure) { secure_ = secure; }

private:
    ReturnKeyType returnKeyType_ = ReturnKeyType::Default;
    KeyboardType keyboardType_ = KeyboardType::Default;
    KeyboardAppearance appearance_ = KeyboardAppearance::Default;
    TextAutocapitalizationType capitals_ = TextAutocapitalizationType::Sentences;
    TextAutocorrectionType correction_ = TextAutocorrectionType::Default;
    bool returnAutomatically_ = false;
    bool secure_ = false;
};

}  // namespace ui
