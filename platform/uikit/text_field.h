#pragma once

#include "platform/uikit/control.h"
#include "platform/uikit/font.h"
#include "platform/uikit/text_input.h"
#include "platform/uikit/text_layout.h"

#include <QString>

#include <memory>

namespace ui {

class Button;
class Image;
class TextField;

inline const QString kTextFieldTextDidBeginEditingNotification =
    QStringLiteral("UITextFieldTextDidBeginEditingNotification");
inline const QString kTextFieldTextDidChangeNotification =
    QStringLiteral("UITextFieldTextDidChangeNotification");
inline const QString kTextFieldTextDidEndEditingNotification =
    QStringLiteral("UITextFieldTextDidEndEditingNotification");

enum class TextBorderStyle { None = 0, Line = 1, Bezel = 2, RoundedRect = 3 };
enum class TextFieldViewMode { Never = 0, WhileEditing = 1, UnlessEditing = 2, Always = 3 };

// Hears a text field and may refuse its changes. Every method is optional.
class TextFieldDelegate {
public:
    virtual ~TextFieldDelegate() = default;
    virtual bool textFieldShouldBeginEditing(TextField&) { return true; }
    virtual void textFieldDidBeginEditing(TextField&) {}
    virtual bool textFieldShouldEndEditing(TextField&) { return true; }
    virtual void textFieldDidEndEditing(TextField&) {}
    // Asked before every edit: typing, deleting, pasting and each step of the
    // input method's composition. The delegate may set the text itself and refuse.
    virtual bool shouldChangeCharactersInRange(TextField&, Range range,
                                               const QString& replacement) {
        (void)range, (void)replacement;
        return true;
    }
    virtual bool textFieldShouldClear(TextField&) { return true; }
    virtual bool textFieldShouldReturn(TextField&) { return true; }
};

// One line of editable text. A tap makes it first responder (the keyboard
// comes up) and puts the caret where it lands; so does a long press, which shows the edit
// menu above the caret (or above a selection, which it keeps); typed text, deletions and the input
// method's composition from the host reach it through the window; each change asks the delegate
// first, then sends editing-changed and posts the text-did-change notification. Setting the text by
// program asks and tells no one. The return key asks the delegate and, for controls listening to
// editing-did-end-on-exit, ends editing.
//
// Rectangles of the border, the text, the placeholder, the editing area, the
// clear button and the side views may be overridden, as may the drawing of the
// text and of the placeholder. The text, its selection and composition, and the
// keys are TextInput's, shared with the text view.
class TextField : public Control, public TextInput {
public:
    static constexpr double kDefaultFontSize = 17;

    TextField();
    explicit TextField(const Rect& frame);
    ~TextField() override;

    virtual void setText(const QString& text);
    [[nodiscard]] const QString& placeholder() const { return placeholder_; }
    virtual void setPlaceholder(const QString& placeholder);
    [[nodiscard]] TextBorderStyle borderStyle() const { return borderStyle_; }
    void setBorderStyle(TextBorderStyle style);
    [[nodiscard]] const std::shared_ptr<Image>& background() const { return background_; }
    void setBackground(std::shared_ptr<Image> image);
    [[nodiscard]] const std::shared_ptr<Image>& disabledBackground() const {
        return disabledBackground_;
    }
    void setDisabledBackground(std::shared_ptr<Image> image);
    [[nodiscard]] TextFieldViewMode clearButtonMode() const { return clearMode_; }
    void setClearButtonMode(TextFieldViewMode mode);
    [[nodiscard]] const std::shared_ptr<View>& leftView() const { return leftView_; }
    void setLeftView(std::shared_ptr<View> view);
    [[nodiscard]] TextFieldViewMode leftViewMode() const { return leftMode_; }
    void setLeftViewMode(TextFieldViewMode mode);
    [[nodiscard]] const std::shared_ptr<View>& rightView() const { return rightView_; }
    void setRightView(std::shared_ptr<View> view);
    [[nodiscard]] TextFieldViewMode rightViewMode() const { return rightMode_; }
    void setRightViewMode(TextFieldViewMode mode);
    [[nodiscard]] bool clearsOnBeginEditing() const { return clearsOnBegin_; }
    void setClearsOnBeginEditing(bool clears) { clearsOnBegin_ = clears; }
    [[nodiscard]] bool adjustsFontSizeToFitWidth() const { return adjustsFontSize_; }
    void setAdjustsFontSizeToFitWidth(bool adjusts) { adjustsFontSize_ = adjusts; }
    [[nodiscard]] double minimumFontSize() const { return minimumFontSize_; }
    void setMinimumFontSize(double size) { minimumFontSize_ = size; }
    void setSecureTextEntry(bool secure) override;

    [[nodiscard]] std::shared_ptr<TextFieldDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<TextFieldDelegate> delegate) { delegate_ = std::move(delegate); }
    // The clear button's action: asks the delegate, then empties the field.
    void clear();
    // The clear button while shown, for tests and the driver.
    [[nodiscard]] Button* clearButton() const;

    // Layout rectangles, in bounds coordinates.
    [[nodiscard]] virtual Rect borderRectForBounds(const Rect& bounds) const;
    [[nodiscard]] virtual Rect textRectForBounds(const Rect& bounds) const;
    [[nodiscard]] virtual Rect placeholderRectForBounds(const Rect& bounds) const;
    [[nodiscard]] virtual Rect editingRectForBounds(const Rect& bounds) const;
    [[nodiscard]] virtual Rect clearButtonRectForBounds(const Rect& bounds) const;
    [[nodiscard]] virtual Rect leftViewRectForBounds(const Rect& bounds) const;
    [[nodiscard]] virtual Rect rightViewRectForBounds(const Rect& bounds) const;
    virtual void drawTextInRect(const Rect& rect);
    virtual void drawPlaceholderInRect(const Rect& rect);

    // First responder.
    [[nodiscard]] bool canBecomeFirstResponder() const override;
    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;
    [[nodiscard]] bool canPerformAction(const QString& action) const override;
    void performAction(const QString& action) override;

    void insertReturn() override;

    void endTrackingWithTouch(Touch* touch, const Event* event) override;
    void drawRect(const Rect& rect) override;
    void layoutSubviews() override;
    [[nodiscard]] Size sizeThatFits(Size size) const override;
    [[nodiscard]] QString shownText() const override { return displayText(); }

protected:
    void stateDidChange() override;

private:
    bool shouldChangeText(Range range, const QString& replacement) override;
    void textDidChange() override;
    void textNeedsDisplay() override;
    void post(const QString& name);
    [[nodiscard]] QString displayText() const;
    [[nodiscard]] bool shows(TextFieldViewMode mode) const;
    [[nodiscard]] bool showsClearButton() const;
    [[nodiscard]] double borderInset() const;
    [[nodiscard]] Font drawingFont(double width) const;
    // Where the shown text starts in `rect`, drawn in `font`.
    [[nodiscard]] double textStart(const Rect& rect, const Font& font) const;
    // The caret position nearest `point` (bounds coordinates) in the text as it shows.
    [[nodiscard]] qsizetype positionAt(Point point) const;
    [[nodiscard]] Caret caretAt(const Point& location) const override {
        return {positionAt(location)};
    }
    // The caret, or what of the selection shows inside the text's rectangle, on the line.
    [[nodiscard]] Rect selectionRect() const override;

    QString placeholder_;
    TextBorderStyle borderStyle_ = TextBorderStyle::None;
    std::shared_ptr<Image> background_;
    std::shared_ptr<Image> disabledBackground_;
    TextFieldViewMode clearMode_ = TextFieldViewMode::Never;
    std::shared_ptr<View> leftView_;
    TextFieldViewMode leftMode_ = TextFieldViewMode::Never;
    std::shared_ptr<View> rightView_;
    TextFieldViewMode rightMode_ = TextFieldViewMode::Never;
    std::shared_ptr<Button> clearButton_;
    std::weak_ptr<TextFieldDelegate> delegate_;
    double minimumFontSize_ = 0;
    bool clearsOnBegin_ = false;
    bool adjustsFontSize_ = false;
};

}  // namespace ui
