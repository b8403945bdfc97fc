#pragma once

#include "platform/uikit/text_input_traits.h"
#include "platform/uikit/view.h"

#include <QString>

#include <optional>
#include <vector>

namespace ui {

// The keys of the on-screen keyboard, laid out and labelled as the platform's keyboard
// types have them: letters with shift, digits and punctuation, symbols, or a number pad for
// the number, decimal and phone pads. A key types into the window's first responder when
// the finger lifts over it (the key under the finger shows pressed); the plane keys ("123",
// "ABC", "#+=") change the keys shown. The keys fill the bottom 216 points; a taller
// keyboard (an input method's candidates) leaves a strip above them.
class KeyboardView : public View {
public:
    enum class Plane { Letters, Digits, Symbols, NumberPad };
    enum class Action { Type, Space, Shift, Delete, Return, ToPlane };
    struct Key {
        Action action = Action::Type;
        // What the key shows; the text it types is this one (upper case under shift).
        QString label;
        // The smaller line under a number-pad digit ("ABC").
        QString letters;
        Plane plane = Plane::Letters;  // where a plane key leads
        Rect frame;
    };

    static constexpr double kKeysHeight = 216;

    KeyboardView();

    // The keys a text input with these traits asks for, starting on its first plane.
    void showKeysFor(KeyboardType type, ReturnKeyType returnKey);
    [[nodiscard]] Plane plane() const { return plane_; }
    void setPlane(Plane plane);
    [[nodiscard]] bool isShifted() const { return shifted_; }
    // The keys as laid out for the present size and plane, in view coordinates.
    [[nodiscard]] const std::vector<Key>& keys() const { return keys_; }
    [[nodiscard]] const Key* keyLabelled(const QString& label) const;
    [[nodiscard]] const Key* keyAt(Point point) const;
    // The return key's label for a return key type ("换行", "搜索", "完成", ...).
    [[nodiscard]] static QString returnKeyLabel(ReturnKeyType type);
    // What the number pad of `type` types: its digits, and the key left of 0 on the decimal
    // pad (a point) and the phone pad (a plus); none for a keyboard that is no pad.
    [[nodiscard]] static std::optional<QString> padCharacters(KeyboardType type);
    // `text` as the pad of `type` could have typed it: an input method's full-width forms
    // and the ideographic full stop read as the keys they stand for, whatever else dropped.
    // Unchanged for a keyboard that is no pad.
    [[nodiscard]] static QString typeableOnPad(KeyboardType type, const QString& text);
    // Acts as a tap on `key` does.
    void press(const Key& key);

    void drawRect(const Rect& rect) override;
    void layoutSubviews() override;
    void touchesBegan(const TouchSet& touches, const Event* event) override;
    void touchesMoved(const TouchSet& touches, const Event* event) override;
    void touchesEnded(const TouchSet& touches, const Event* event) override;
    void touchesCancelled(const TouchSet& touches, const Event* event) override;

private:
    void layOutKeys();
    void setPressed(std::optional<std::size_t> index);
    void drawKey(const Key& key, bool pressed) const;
    [[nodiscard]] std::optional<std::size_t> indexAt(Point point) const;

    Plane plane_ = Plane::Letters;
    KeyboardType type_ = KeyboardType::Default;
    ReturnKeyType returnKey_ = ReturnKeyType::Default;
    bool shifted_ = false;
    std::vector<Key> keys_;
    Size laidOutFor_;
    std::optional<std::size_t> pressed_;
};

}  // namespace ui
