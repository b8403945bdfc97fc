#pragma once

#include "platform/uikit/control.h"

#include <QString>
#include <QVariant>

#include <functional>
#include <memory>

namespace ui {
class ImageView;
class Label;
}  // namespace ui

// A tick picture and a text that the user taps to switch on and off, or, in unique mode,
// only on. Each change made by a tap is told to the value-change action; setChecked() tells
// no one.
class CheckBox : public ui::Control {
public:
    using ValueChanged = std::function<void(CheckBox& box)>;

    CheckBox(const ui::Rect& frame, const QString& text);

    [[nodiscard]] bool checked() const { return checked_; }
    void setChecked(bool checked);
    [[nodiscard]] bool unique() const { return unique_; }
    void setUnique(bool unique) { unique_ = unique; }
    void setTarget(ValueChanged valueChanged) { valueChanged_ = std::move(valueChanged); }
    void setCheckKey(const QString& key, const QVariant& value) {
        checkKey_ = key;
        checkValue_ = value;
    }
    [[nodiscard]] const QString& checkKey() const { return checkKey_; }
    [[nodiscard]] const QVariant& checkValue() const { return checkValue_; }
    [[nodiscard]] ui::Label* label() const { return label_.get(); }
    [[nodiscard]] ui::ImageView* checkedView() const { return checkedView_.get(); }

    // Rebuilds the box with a 100 x 42 picture of these two images and the label at x 40.
    void changeTheImage(const QString& normalImage, const QString& highlightedImage);
    // The same with the broker pictures and a picture 200 / n points wide.
    void SetTheImageWith(int n);
    // What a tap does.
    void touchUpInside();

private:
    void rebuild(const QString& normalImage, const QString& highlightedImage, double pictureWidth);
    void listenForTaps();

    std::shared_ptr<ui::Label> label_;
    std::shared_ptr<ui::ImageView> checkedView_;
    bool checked_ = false;
    bool unique_ = false;
    ValueChanged valueChanged_;
    QString checkKey_;
    QVariant checkValue_;
};
