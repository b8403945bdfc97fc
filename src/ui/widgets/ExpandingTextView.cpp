#include "ui/widgets/ExpandingTextView.h"

#include "platform/uikit/device.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/string_drawing.h"

#include <algorithm>
#include <cmath>

namespace {

const QString kSampleLine = QStringLiteral("\n|W|");
constexpr double kUnbounded = 1e9;

}  // namespace

std::shared_ptr<ExpandingTextView> ExpandingTextView::initWithFrame(const ui::Rect& frame) {
    auto view = std::make_shared<ExpandingTextView>(frame);
    view->textView_->setDelegate(view);
    view->setMinimumNumberOfLines(1);
    view->setMaximumNumberOfLines(1);
    view->setForceSizeUpdate(true);
    view->grow();
    return view;
}

ExpandingTextView::ExpandingTextView(const ui::Rect& frame)
    : ui::View(frame),
      // The version is compared as a number, as the older variant always did.
      preIOS7_(ui::Device::currentDevice().systemVersion().toDouble() < 7.0) {
    const ui::Rect inner(0, 0, frame.size.width, frame.size.height);
    backgroundImage_ = std::make_shared<ui::ImageView>(inner);
    backgroundImage_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth |
                                          ui::kAutoresizingFlexibleHeight);
    if (auto picture = ui::Image::imageNamed(preIOS7_ ? QStringLiteral("textbg")
                                                      : QStringLiteral("textbg_7"))) {
        const double capWidth = std::floor(picture->size().width / 2);
        const double capHeight = std::floor(picture->size().height / 2);
        backgroundImage_->setImage(
            picture->resizableImageWithCapInsets({capHeight, capWidth, capHeight, capWidth}));
    }
    addSubview(backgroundImage_);

    textView_ = std::make_shared<ui::TextView>(inner);
    textView_->setBackgroundColor(ui::Color::clearColor());
    textView_->setFont(ui::Font::systemFontOfSize(15));
    if (preIOS7_) {
        textView_->setContentInset({-4, 0, 4, 0});
        textView_->setScrollIndicatorInsets({6, 0, 6, 0});
    }
    addSubview(textView_);

    const double lineHeight = textView_->font().lineHeight();
    placeholderLabel_ =
        std::make_shared<ui::Label>(preIOS7_ ? ui::Rect(12, 7, frame.size.width - 24, lineHeight)
                                             : ui::Rect(8, 8, frame.size.width - 16, lineHeight));
    placeholderLabel_->setTextColor(ui::Color::lightGrayColor());
    placeholderLabel_->setFont(textView_->font());
    placeholderLabel_->setBackgroundColor(ui::Color::clearColor());
    addSubview(placeholderLabel_);
}

const QString& ExpandingTextView::placeholder() const {
    return placeholderLabel_->text();
}

void ExpandingTextView::setPlaceholder(const QString& placeholder) {
    placeholderLabel_->setText(placeholder);
}

void ExpandingTextView::setFont(const ui::Font& font) {
    textView_->setFont(font);
    placeholderLabel_->setFont(font);
}

double ExpandingTextView::measureHeight() const {
    if (preIOS7_) return textView_->contentSize().height - 8;
    QString text = textView_->text();
    // A final line break still takes a line.
    if (text.endsWith(QLatin1Char('\n'))) text += QLatin1Char('-');
    const double width = textView_->bounds().size.width - 10;
    return ui::StringDrawing::sizeWithFont(text, textView_->font(), {width, kUnbounded}).height +
           16;
}

double ExpandingTextView::heightOfSample(int repeats) {
    const QString kept = textView_->text();
    textView_->setDelegate(std::weak_ptr<ui::TextViewDelegate>());
    QString sample = QStringLiteral("-");
    for (int i = 0; i < repeats; ++i) sample += kSampleLine;
    textView_->setText(sample);
    const double height = measureHeight();
    textView_->setText(kept);
    textView_->setDelegate(weakAs<ExpandingTextView>());
    return height;
}

void ExpandingTextView::setMinimumNumberOfLines(int lines) {
    minimumHeight_ = heightOfSample(std::max(0, lines - 2));
}

void ExpandingTextView::setMaximumNumberOfLines(int lines) {
    maximumHeight_ = heightOfSample(std::max(0, lines - 1));
}

void ExpandingTextView::setText(const QString& text) {
    textView_->setText(text);
    grow();
}

void ExpandingTextView::grow() {
    auto delegate = delegate_.lock();
    const double target = std::min(std::max(measureHeight(), minimumHeight_), maximumHeight_);
    if (textView_->frame().size.height != target || forceSizeUpdate_) {
        forceSizeUpdate_ = false;
        const double height = target + 1;
        if (delegate) delegate->expandingTextViewWillChangeHeight(*this, height);
        View::animateWithDuration(
            0.2,
            [&] {
                ui::Rect frame = this->frame();
                frame.size.height = height;
                setFrame(frame);
                ui::Rect inner = textView_->frame();
                inner.size.height = target;
                textView_->setFrame(inner);
            },
            [weak = weakAs<ExpandingTextView>(), height](bool) {
                auto self = weak.lock();
                if (!self) return;
                if (auto later = self->delegate_.lock()) {
                    later->expandingTextViewDidChangeHeight(*self, height);
                }
            });
        textView_->setScrollEnabled(height >= maximumHeight_);
    }
    placeholderLabel_->setHidden(hasText());
    if (delegate) delegate->expandingTextViewDidChange(*this);
    // Taller than it may grow, the text keeps the caret in view (typing may go on anywhere).
    if (!preIOS7_ && hasText() && measureHeight() > maximumHeight_) {
        textView_->scrollRangeToVisible(textView_->selectedRange());
    }
}

bool ExpandingTextView::textViewShouldBeginEditing(ui::TextView&) {
    auto delegate = delegate_.lock();
    return !delegate || delegate->expandingTextViewShouldBeginEditing(*this);
}

bool ExpandingTextView::textViewShouldEndEditing(ui::TextView&) {
    auto delegate = delegate_.lock();
    return !delegate || delegate->expandingTextViewShouldEndEditing(*this);
}

void ExpandingTextView::textViewDidBeginEditing(ui::TextView&) {
    if (auto delegate = delegate_.lock()) delegate->expandingTextViewDidBeginEditing(*this);
}

void ExpandingTextView::textViewDidEndEditing(ui::TextView&) {
    if (auto delegate = delegate_.lock()) delegate->expandingTextViewDidEndEditing(*this);
}

bool ExpandingTextView::shouldChangeTextInRange(ui::TextView&, ui::Range, const QString& text) {
    if (text.isEmpty() && !hasText()) return false;
    if (text == QStringLiteral("\n")) {
        auto delegate = delegate_.lock();
        if (delegate && delegate->expandingTextViewShouldReturn(*this)) {
            textView_->resignFirstResponder();
            return false;
        }
    }
    return true;
}

void ExpandingTextView::textViewDidChangeSelection(ui::TextView&) {
    if (auto delegate = delegate_.lock()) delegate->expandingTextViewDidChangeSelection(*this);
}
