#include "platform/uikit/text_field.h"

#include "platform/foundation/notification_center.h"
#include "platform/uikit/bezier_path.h"
#include "platform/uikit/button.h"
#include "platform/uikit/graphics_context.h"
#include "platform/uikit/image.h"
#include "platform/uikit/string_drawing.h"
#include "platform/uikit/touch.h"

#include <algorithm>
#include <cmath>

namespace ui {

namespace {

constexpr double kClearButtonSize = 19;
constexpr double kClearButtonMargin = 5;
const QChar kSecureBullet(0x2022);

// The grey round button with a white cross.
std::shared_ptr<Image> clearButtonImage() {
    static std::shared_ptr<Image> image = [] {
        GraphicsContext::beginImageContextWithOptions(Size(14, 14), false, 0);
        GraphicsContext* context = GraphicsContext::current();
        context->setFillColor(Color::colorWithWhite(0.7));
        context->fillEllipseInRect(Rect(0, 0, 14, 14));
        context->setStrokeColor(Color::whiteColor());
        context->setLineWidth(1.5);
        context->strokeLineSegments({{4.5, 4.5}, {9.5, 9.5}, {9.5, 4.5}, {4.5, 9.5}});
        auto made = GraphicsContext::imageFromCurrentImageContext();
        GraphicsContext::endImageContext();
        return made;
    }();
    return image;
}

}  // namespace

TextField::TextField() : TextField(Rect()) {}

TextField::TextField(const Rect& frame)
    : Control(frame),
      TextInput(static_cast<View&>(*this), Font::systemFontOfSize(kDefaultFontSize)) {
    setContentMode(ContentMode::Redraw);
}

TextField::~TextField() {
    if (clearButton_) clearButton_->removeTarget(this);
}

void TextField::setText(const QString& text) {
    storage_.setText(text);
    setNeedsDisplay();
    setNeedsLayout();
}

void TextField::setPlaceholder(const QString& placeholder) {
    placeholder_ = placeholder;
    setNeedsDisplay();
}

void TextField::setBorderStyle(TextBorderStyle style) {
    borderStyle_ = style;
    setNeedsDisplay();
    setNeedsLayout();
}

void TextField::setBackground(std::shared_ptr<Image> image) {
    background_ = std::move(image);
    setNeedsDisplay();
}

void TextField::setDisabledBackground(std::shared_ptr<Image> image) {
    disabledBackground_ = std::move(image);
    setNeedsDisplay();
}

void TextField::setClearButtonMode(TextFieldViewMode mode) {
    clearMode_ = mode;
    setNeedsLayout();
    setNeedsDisplay();
}

void TextField::setLeftView(std::shared_ptr<View> view) {
    if (leftView_) leftView_->removeFromSuperview();
    leftView_ = std::move(view);
    setNeedsLayout();
    setNeedsDisplay();
}

void TextField::setLeftViewMode(TextFieldViewMode mode) {
    leftMode_ = mode;
    setNeedsLayout();
    setNeedsDisplay();
}

void TextField::setRightView(std::shared_ptr<View> view) {
    if (rightView_) rightView_->removeFromSuperview();
    rightView_ = std::move(view);
    setNeedsLayout();
    setNeedsDisplay();
}

void TextField::setRightViewMode(TextFieldViewMode mode) {
    rightMode_ = mode;
    setNeedsLayout();
    setNeedsDisplay();
}

void TextField::setSecureTextEntry(bool secure) {
    TextInputTraits::setSecureTextEntry(secure);
    setNeedsDisplay();
}

void TextField::stateDidChange() {
    setNeedsDisplay();
}

bool TextField::shows(TextFieldViewMode mode) const {
    switch (mode) {
        case TextFieldViewMode::Never:
            return false;
        case TextFieldViewMode::WhileEditing:
            return isEditing();
        case TextFieldViewMode::UnlessEditing:
            return !isEditing();
        case TextFieldViewMode::Always:
            return true;
    }
    return false;
}

bool TextField::showsClearButton() const {
    return !storage_.text().isEmpty() && shows(clearMode_);
}

Button* TextField::clearButton() const {
    return clearButton_ && clearButton_->superview() == this && !clearButton_->isHidden()
               ? clearButton_.get()
               : nullptr;
}

QString TextField::displayText() const {
    if (!isSecureTextEntry()) return storage_.text();
    return QString(storage_.text().size(), kSecureBullet);
}

double TextField::borderInset() const {
    switch (borderStyle_) {
        case TextBorderStyle::RoundedRect:
            return 7;
        case TextBorderStyle::Line:
        case TextBorderStyle::Bezel:
            return 3;
        case TextBorderStyle::None:
            break;
    }
    return 0;
}

Rect TextField::borderRectForBounds(const Rect& bounds) const {
    return bounds;
}

Rect TextField::leftViewRectForBounds(const Rect& bounds) const {
    if (!leftView_) return Rect();
    const Size size = leftView_->frame().size;
    return Rect(0, std::round((bounds.size.height - size.height) / 2), size.width, size.height);
}

Rect TextField::rightViewRectForBounds(const Rect& bounds) const {
    if (!rightView_) return Rect();
    const Size size = rightView_->frame().size;
    return Rect(bounds.size.width - size.width, std::round((bounds.size.height - size.height) / 2),
                size.width, size.height);
}

Rect TextField::clearButtonRectForBounds(const Rect& bounds) const {
    double right = bounds.size.width - kClearButtonMargin;
    if (rightView_ && shows(rightMode_)) right = rightViewRectForBounds(bounds).minX();
    return Rect(right - kClearButtonSize, std::round((bounds.size.height - kClearButtonSize) / 2),
                kClearButtonSize, kClearButtonSize);
}

Rect TextField::textRectForBounds(const Rect& bounds) const {
    const double inset = borderInset();
    double left = inset;
    double right = bounds.size.width - inset;
    if (leftView_ && shows(leftMode_)) left = std::max(left, leftViewRectForBounds(bounds).maxX());
    if (rightView_ && shows(rightMode_))
        right = std::min(right, rightViewRectForBounds(bounds).minX());
    if (showsClearButton()) right = std::min(right, clearButtonRectForBounds(bounds).minX());
    return Rect(left, 0, std::max(0.0, right - left), bounds.size.height);
}

Rect TextField::placeholderRectForBounds(const Rect& bounds) const {
    return textRectForBounds(bounds);
}

Rect TextField::editingRectForBounds(const Rect& bounds) const {
    return textRectForBounds(bounds);
}

Font TextField::drawingFont(double width) const {
    if (!adjustsFontSize_) return font();
    Font fitting = font();
    const double minimum = std::max(1.0, minimumFontSize_);
    while (fitting.pointSize() > minimum &&
           StringDrawing::sizeWithFont(displayText(), fitting).width > width) {
        fitting = fitting.fontWithSize(std::max(minimum, fitting.pointSize() - 1));
    }
    return fitting;
}

double TextField::textStart(const Rect& rect, const Font& font) const {
    // While editing, text wider than the field scrolls to keep the cursor in view.
    const QString shown = displayText();
    const double cursorX =
        StringDrawing::sizeWithFont(shown.left(storage_.selectedRange().location), font).width;
    const double textWidth = StringDrawing::sizeWithFont(shown, font).width;
    double x = rect.origin.x;
    if (isEditing() && cursorX + kCaretWidth > rect.size.width) {
        x -= cursorX + kCaretWidth - rect.size.width;
    } else if (textWidth < rect.size.width) {
        x += alignedOffset(rect.size.width - textWidth);
    }
    return x;
}

qsizetype TextField::positionAt(Point point) const {
    const Rect rect = isEditing() ? editingRectForBounds(bounds()) : textRectForBounds(bounds());
    const Font font = drawingFont(rect.size.width);
    const QString shown = displayText();
    const double start = textStart(rect, font);
    return closestPosition({0, shown.size()}, point.x, [&](qsizetype position) {
        return start + StringDrawing::sizeWithFont(shown.left(position), font).width;
    });
}

Rect TextField::selectionRect() const {
    const Rect rect = isEditing() ? editingRectForBounds(bounds()) : textRectForBounds(bounds());
    const Font font = drawingFont(rect.size.width);
    const QString shown = displayText();
    const double start = textStart(rect, font);
    const auto xOf = [&](qsizetype position) {
        return start + StringDrawing::sizeWithFont(shown.left(position), font).width;
    };
    const Range selection = storage_.selectedRange();
    const double from = xOf(selection.location);
    const double to = selection.length > 0 ? xOf(selection.end()) : from + kCaretWidth;
    // Text wider than the field shows only in part, and so does a selection of it.
    const double left = std::max(from, rect.minX());
    const double right = std::min(to, rect.maxX() + kCaretWidth);
    const double lineHeight = font.lineHeight();
    return Rect(left, rect.origin.y + std::round((rect.size.height - lineHeight) / 2),
                std::max(0.0, right - left), lineHeight);
}

void TextField::drawTextInRect(const Rect& rect) {
    GraphicsContext* context = GraphicsContext::current();
    if (!context) return;
    const QString shown = displayText();
    const Font font = drawingFont(rect.size.width);
    const double lineHeight = font.lineHeight();
    const double y = rect.origin.y + std::round((rect.size.height - lineHeight) / 2);
    const Range selection = storage_.selectedRange();
    const double cursorX = StringDrawing::sizeWithFont(shown.left(selection.location), font).width;
    const double x = textStart(rect, font);
    context->saveGState();
    context->clipToRect(
        Rect(rect.origin.x, rect.origin.y, rect.size.width + kCaretWidth, rect.size.height));
    context->setFillColor(isEnabled() ? textColor() : textColor().colorWithAlphaComponent(0.5));
    StringDrawing::drawAtPoint(shown, Point(x, y), font);
    if (const auto& marked = storage_.markedRange()) {
        const double from = StringDrawing::sizeWithFont(shown.left(marked->location), font).width;
        const double to = StringDrawing::sizeWithFont(shown.left(marked->end()), font).width;
        context->fillRect(Rect(x + from, y + lineHeight - 1, to - from, 1));
    }
    if (isEditing()) {
        context->setFillColor(caretColor());
        if (selection.length > 0) {
            const double end = StringDrawing::sizeWithFont(shown.left(selection.end()), font).width;
            context->setAlpha(0.3);
            context->fillRect(Rect(x + cursorX, y, end - cursorX, lineHeight));
        } else {
            context->fillRect(Rect(x + cursorX, y, kCaretWidth, lineHeight));
        }
    }
    context->restoreGState();
}

void TextField::drawPlaceholderInRect(const Rect& rect) {
    GraphicsContext* context = GraphicsContext::current();
    if (!context) return;
    const double y = rect.origin.y + std::round((rect.size.height - font().lineHeight()) / 2);
    context->setFillColor(Color::colorWithWhite(0.7));
    StringDrawing::drawInRect(placeholder_,
                              Rect(rect.origin.x, y, rect.size.width, font().lineHeight()), font(),
                              LineBreakMode::TruncateTail, textAlignment());
    if (isEditing()) {
        context->setFillColor(caretColor());
        double x = rect.origin.x;
        if (textAlignment() == TextAlignment::Center) x += rect.size.width / 2;
        if (textAlignment() == TextAlignment::Right) x += rect.size.width - kCaretWidth;
        context->fillRect(Rect(x, y, kCaretWidth, font().lineHeight()));
    }
}

void TextField::drawRect(const Rect&) {
    GraphicsContext* context = GraphicsContext::current();
    if (!context) return;
    const Rect b = bounds();
    const Rect border = borderRectForBounds(b);
    const auto& image = !isEnabled() && disabledBackground_ ? disabledBackground_ : background_;
    if (image) {
        image->drawInRect(border);
    } else if (borderStyle_ == TextBorderStyle::RoundedRect) {
        const BezierPath path = BezierPath::bezierPathWithRoundedRect(border.insetBy(0.5, 0.5), 5);
        context->setFillColor(Color::whiteColor());
        context->addPath(path);
        context->fillPath();
        context->setStrokeColor(Color::colorWithWhite(0.8));
        context->setLineWidth(1);
        context->addPath(path);
        context->strokePath();
    } else if (borderStyle_ == TextBorderStyle::Line || borderStyle_ == TextBorderStyle::Bezel) {
        context->setStrokeColor(borderStyle_ == TextBorderStyle::Line ? Color::blackColor()
                                                                      : Color::colorWithWhite(0.6));
        context->strokeRectWithWidth(border.insetBy(0.5, 0.5), 1);
    }
    if (storage_.text().isEmpty()) {
        drawPlaceholderInRect(placeholderRectForBounds(b));
    } else {
        drawTextInRect(isEditing() ? editingRectForBounds(b) : textRectForBounds(b));
    }
}

void TextField::layoutSubviews() {
    const Rect b = bounds();
    auto place = [&](const std::shared_ptr<View>& view, bool shown, const Rect& frame) {
        if (!view) return;
        if (!shown) {
            if (view->superview() == this) view->removeFromSuperview();
            return;
        }
        view->setFrame(frame);
        if (view->superview() != this) addSubview(view);
    };
    place(leftView_, shows(leftMode_), leftViewRectForBounds(b));
    place(rightView_, shows(rightMode_), rightViewRectForBounds(b));
    if (showsClearButton() && !clearButton_) {
        clearButton_ = std::make_shared<Button>();
        clearButton_->setImage(clearButtonImage(), kControlStateNormal);
        clearButton_->addTarget(this, kControlEventTouchUpInside,
                                [this](Control&, const Event*) { clear(); });
    }
    place(clearButton_, showsClearButton(), clearButtonRectForBounds(b));
}

Size TextField::sizeThatFits(Size size) const {
    return {size.width > 0 ? size.width : bounds().size.width,
            std::ceil(font().lineHeight() + 2 * borderInset())};
}

void TextField::clear() {
    const auto keep = sharedView();
    if (auto delegate = delegate_.lock(); delegate && !delegate->textFieldShouldClear(*this))
        return;
    if (!isEditing() && !becomeFirstResponder()) return;
    storage_.setText(QString());
    textDidChange();
}

// --- First responder --------------------------------------------------------

bool TextField::canBecomeFirstResponder() const {
    return isEnabled();
}

bool TextField::becomeFirstResponder() {
    const auto delegate = delegate_.lock();
    return beginTextEditing(
        [&] { return !delegate || delegate->textFieldShouldBeginEditing(*this); },
        [&] {
            if (clearsOnBegin_) {
                storage_.setText(QString());
            } else {
                storage_.setSelectedRange({storage_.text().size(), 0});
            }
            setNeedsLayout();
            setNeedsDisplay();
            if (delegate) delegate->textFieldDidBeginEditing(*this);
            sendActionsForControlEvents(kControlEventEditingDidBegin);
            post(kTextFieldTextDidBeginEditingNotification);
        });
}

bool TextField::resignFirstResponder() {
    const auto delegate = delegate_.lock();
    return endTextEditing([&] { return !delegate || delegate->textFieldShouldEndEditing(*this); },
                          [&] {
                              setNeedsLayout();
                              setNeedsDisplay();
                              if (delegate) delegate->textFieldDidEndEditing(*this);
                              sendActionsForControlEvents(kControlEventEditingDidEnd);
                              post(kTextFieldTextDidEndEditingNotification);
                          });
}

void TextField::endTrackingWithTouch(Touch* touch, const Event* event) {
    const bool inside = isTouchInside();
    Control::endTrackingWithTouch(touch, event);
    if (!inside || !isEnabled() || !touch) return;
    // The caret goes where the finger lifted, in the text as it showed then.
    const qsizetype tapped = positionAt(touch->locationInView(this));
    if (!isFirstResponder() && !becomeFirstResponder()) return;
    placeCaret({tapped});
}

bool TextField::canPerformAction(const QString& action) const {
    return canPerformEditAction(action);
}

void TextField::performAction(const QString& action) {
    performEditAction(action);
}

void TextField::post(const QString& name) {
    ns::NotificationCenter::defaultCenter().post(name, this);
}

// --- Keys ---------------------------------------------------------------

bool TextField::shouldChangeText(Range range, const QString& replacement) {
    const auto delegate = delegate_.lock();
    return !delegate || delegate->shouldChangeCharactersInRange(*this, range, replacement);
}

void TextField::textDidChange() {
    setNeedsDisplay();
    setNeedsLayout();
    sendActionsForControlEvents(kControlEventEditingChanged);
    post(kTextFieldTextDidChangeNotification);
}

void TextField::textNeedsDisplay() {
    setNeedsDisplay();
}

void TextField::insertReturn() {
    // A number pad has no return key: the desktop's asks nothing of the delegate either.
    if (!isEditing() || !hasReturnKey()) return;
    const auto keep = sharedView();
    storage_.unmark();
    auto delegate = delegate_.lock();
    const bool returns = !delegate || delegate->textFieldShouldReturn(*this);
    if (returns && hasActionsForEvents(kControlEventEditingDidEndOnExit)) {
        sendActionsForControlEvents(kControlEventEditingDidEndOnExit);
        resignFirstResponder();
    }
}

}  // namespace ui
