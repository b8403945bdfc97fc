#include "platform/uikit/search_bar.h"

#include "platform/uikit/button.h"
#include "platform/uikit/graphics_context.h"
#include "platform/uikit/image.h"
#include "platform/uikit/search_display_controller.h"
#include "platform/uikit/string_drawing.h"
#include "platform/uikit/text_field.h"

#include <cmath>

namespace ui {

namespace {

constexpr double kSearchFieldHeight = 28;
constexpr double kSearchMargin = 8;
constexpr double kSearchFontSize = 14;

// The magnifier glass at the start of the field.
class Magnifier : public View {
public:
    Magnifier() : View(Rect(0, 0, 26, 16)) {
        setBackgroundColor(Color::clearColor());
        setUserInteractionEnabled(false);
    }
    void drawRect(const Rect&) override {
        GraphicsContext* context = GraphicsContext::current();
        if (!context) return;
        context->setStrokeColor(Color::colorWithWhite(0.56));
        context->setLineWidth(1.5);
        context->strokeEllipseInRect(Rect(8, 2, 9, 9));
        context->strokeLineSegments({{15.5, 9.5}, {19, 13}});
    }
};

}  // namespace

// Turns the field's questions and events into the bar's.
class SearchBar::FieldDelegate : public TextFieldDelegate {
public:
    explicit FieldDelegate(SearchBar& bar) : bar_(bar) {}

    bool textFieldShouldBeginEditing(TextField&) override {
        auto delegate = bar_.delegate();
        return !delegate || delegate->searchBarShouldBeginEditing(bar_);
    }
    void textFieldDidBeginEditing(TextField&) override {
        if (auto delegate = bar_.delegate()) delegate->searchBarTextDidBeginEditing(bar_);
        if (bar_.display_) bar_.display_->searchBarDidBeginEditing();
    }
    bool textFieldShouldEndEditing(TextField&) override {
        auto delegate = bar_.delegate();
        return !delegate || delegate->searchBarShouldEndEditing(bar_);
    }
    void textFieldDidEndEditing(TextField&) override {
        if (auto delegate = bar_.delegate()) delegate->searchBarTextDidEndEditing(bar_);
    }
    bool shouldChangeCharactersInRange(TextField&, Range range,
                                       const QString& replacement) override {
        auto delegate = bar_.delegate();
        return !delegate || delegate->shouldChangeTextInRange(bar_, range, replacement);
    }
    bool textFieldShouldReturn(TextField&) override {
        if (auto delegate = bar_.delegate()) delegate->searchBarSearchButtonClicked(bar_);
        return true;
    }

private:
    SearchBar& bar_;
};

SearchBar::SearchBar() : SearchBar(Rect(0, 0, 320, kHeight)) {}

SearchBar::SearchBar(const Rect& frame) : View(frame), field_(std::make_shared<TextField>()) {
    fieldDelegate_ = std::make_shared<FieldDelegate>(*this);
    field_->setDelegate(fieldDelegate_);
    field_->setBorderStyle(TextBorderStyle::RoundedRect);
    field_->setFont(Font::systemFontOfSize(kSearchFontSize));
    field_->setReturnKeyType(ReturnKeyType::Search);
    field_->setEnablesReturnKeyAutomatically(true);
    field_->setClearButtonMode(TextFieldViewMode::WhileEditing);
    field_->setLeftView(std::make_shared<Magnifier>());
    field_->setLeftViewMode(TextFieldViewMode::Always);
    field_->addTarget(this, kControlEventEditingChanged, [this](Control&, const Event*) {
        const auto keep = sharedView();
        const QString text = field_->text();
        if (auto delegate = delegate_.lock()) delegate->textDidChange(*this, text);
        if (display_) display_->searchTextDidChange(text);
    });
    setAutoresizingMask(kAutoresizingFlexibleWidth);
    addSubview(field_);
}

SearchBar::~SearchBar() {
    field_->removeTarget(this);
    field_->setDelegate({});
    if (cancel_) cancel_->removeTarget(this);
}

QString SearchBar::text() const {
    return field_->text();
}

void SearchBar::setText(const QString& text) {
    field_->setText(text);
}

QString SearchBar::placeholder() const {
    return field_->placeholder();
}

void SearchBar::setPlaceholder(const QString& placeholder) {
    field_->setPlaceholder(placeholder);
}

void SearchBar::setShowsCancelButton(bool shows, bool animated) {
    if (shows == showsCancel_) return;
    showsCancel_ = shows;
    if (shows && !cancel_) {
        cancel_ = std::make_shared<Button>();
        cancel_->setTitle(QStringLiteral("取消"), kControlStateNormal);
        cancel_->setFont(Font::systemFontOfSize(16));
        cancel_->addTarget(this, kControlEventTouchUpInside,
                           [this](Control&, const Event*) { cancel(); });
    }
    setNeedsLayout();
    if (animated) {
        View::animateWithDuration(0.25, [&] { layoutIfNeeded(); });
    }
}

Button* SearchBar::cancelButton() const {
    return showsCancel_ && cancel_ && cancel_->superview() == this ? cancel_.get() : nullptr;
}

void SearchBar::setBarStyle(BarStyle style) {
    barStyle_ = style;
    setNeedsDisplay();
}

bool SearchBar::becomeFirstResponder() {
    return field_->becomeFirstResponder();
}

bool SearchBar::resignFirstResponder() {
    return field_->resignFirstResponder();
}

bool SearchBar::isEditing() const {
    return field_->isEditing();
}

void SearchBar::cancel() {
    const auto keep = sharedView();
    if (auto delegate = delegate_.lock()) delegate->searchBarCancelButtonClicked(*this);
    if (display_) display_->searchBarCancelled();
}

void SearchBar::layoutSubviews() {
    const Rect b = bounds();
    double right = b.size.width - kSearchMargin;
    if (showsCancel_ && cancel_) {
        const Color tint = itemTint();
        cancel_->setTitleColor(tint, kControlStateNormal);
        cancel_->setTitleColor(tint.colorWithAlphaComponent(0.2), kControlStateHighlighted);
        const double width =
            std::ceil(StringDrawing::sizeWithFont(cancel_->currentTitle(), cancel_->font()).width) +
            2 * kSearchMargin;
        cancel_->setFrame(Rect(b.size.width - width, 0, width, b.size.height));
        if (cancel_->superview() != this) addSubview(cancel_);
        right = b.size.width - width;
    } else if (cancel_ && cancel_->superview() == this) {
        cancel_->removeFromSuperview();
    }
    // Apps may take the field out of the bar; it is then theirs to place.
    if (field_->superview() == this) {
        field_->setFrame(Rect(kSearchMargin, std::round((b.size.height - kSearchFieldHeight) / 2),
                              std::max(0.0, right - kSearchMargin), kSearchFieldHeight));
    }
}

void SearchBar::drawRect(const Rect&) {
    paintGround(bounds(), barStyle_ == BarStyle::Black ? Color::colorWithWhite(0.15)
                                                       : Color::colorWithRed(0.79, 0.79, 0.81));
}

Size SearchBar::sizeThatFits(Size size) const {
    return {size.width > 0 ? size.width : bounds().size.width, kHeight};
}

}  // namespace ui
