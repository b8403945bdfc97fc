#include "ui/widgets/QXFCExpandingTextView.h"

#include "platform/uikit/string_drawing.h"
#include "platform/uikit/window.h"
#include "ui/widgets/PlatformVersion.h"

namespace {

const QString kFCSampleLine = QStringLiteral("\n|W|");

}  // namespace

std::shared_ptr<QXFCExpandingTextView> QXFCExpandingTextView::initWithFrame(const ui::Rect& frame) {
    auto view = std::make_shared<QXFCExpandingTextView>(frame);
    view->attachInnerDelegate();
    view->minHeight_ = view->getTextViewContentHeight();
    view->minNumberOfLines_ = 1;
    view->animateHeightChange_ = true;
    view->internalTextView_->setText({});
    view->setMaxNumberOfLines(3);
    return view;
}

QXFCExpandingTextView::QXFCExpandingTextView(const ui::Rect& frame)
    : ui::View(frame),
      internalTextView_(std::make_shared<ExpandingTextViewInternal>(
          ui::Rect(0, 0, frame.size.width, frame.size.height))) {
    if (!PlatformVersion::isVersion7OrLater()) internalTextView_->setScrollEnabled(false);
    internalTextView_->setFont(ui::Font::fontWithName(QStringLiteral("Helvetica"), 13));
    internalTextView_->setContentInset({});
    internalTextView_->setShowsHorizontalScrollIndicator(false);
    internalTextView_->setText(QStringLiteral("-"));
    setBackgroundColor(ui::Color::clearColor());
    internalTextView_->setBackgroundColor(ui::Color::clearColor());
    addSubview(internalTextView_);
}

void QXFCExpandingTextView::attachInnerDelegate() {
    internalTextView_->setDelegate(weakAs<QXFCExpandingTextView>());
}

int QXFCExpandingTextView::getTextViewContentHeight() const {
    if (!PlatformVersion::isVersion7OrLater()) {
        return static_cast<int>(internalTextView_->contentSize().height);
    }
    const QString& text = internalTextView_->text();
    if (text.isEmpty()) return 18;
    const double width = internalTextView_->bounds().size.width - 8;
    const ui::Size measured = ui::StringDrawing::sizeWithFont(
        text, internalTextView_->font(), {width, 1e9}, ui::LineBreakMode::CharacterWrap);
    return static_cast<int>(measured.height + 18);
}

int QXFCExpandingTextView::heightOfLines(int lines) {
    const QString kept = internalTextView_->text();
    internalTextView_->setDelegate(std::weak_ptr<ui::TextViewDelegate>());
    internalTextView_->setHidden(true);
    QString sample = QStringLiteral("-");
    for (int i = 1; i < lines; ++i) sample += kFCSampleLine;
    internalTextView_->setText(sample);
    const int height = getTextViewContentHeight();
    internalTextView_->setText(kept);
    internalTextView_->setHidden(false);
    attachInnerDelegate();
    return height;
}

void QXFCExpandingTextView::setMaxNumberOfLines(int lines) {
    maxHeight_ = heightOfLines(lines);
    sizeToFit();
    maxNumberOfLines_ = lines;
}

void QXFCExpandingTextView::setMinNumberOfLines(int lines) {
    minHeight_ = heightOfLines(lines);
    sizeToFit();
    minNumberOfLines_ = lines;
}

void QXFCExpandingTextView::sizeToFit() {
    if (!internalTextView_->text().isEmpty()) return;
    ui::Rect frame = this->frame();
    frame.size.height = minHeight_;
    setFrame(frame);
}

void QXFCExpandingTextView::setFrame(const ui::Rect& frame) {
    internalTextView_->setFrame({contentInset_.left, 0,
                                 frame.size.width - contentInset_.left - contentInset_.right,
                                 frame.size.height});
    View::setFrame(frame);
}

void QXFCExpandingTextView::setContentInset(const ui::EdgeInsets& insets) {
    contentInset_ = insets;
    const ui::Size size = bounds().size;
    internalTextView_->setFrame({insets.left, insets.top - insets.bottom,
                                 size.width - insets.left - insets.right, size.height});
    setMaxNumberOfLines(maxNumberOfLines_);
    setMinNumberOfLines(minNumberOfLines_);
}

void QXFCExpandingTextView::setText(const QString& text) {
    internalTextView_->setText(text);
    textViewDidChange(nullptr);
}

void QXFCExpandingTextView::setFont(const ui::Font& font) {
    internalTextView_->setFont(font);
    setMaxNumberOfLines(maxNumberOfLines_);
    setMinNumberOfLines(minNumberOfLines_);
}

void QXFCExpandingTextView::textViewDidChange(ui::TextView* textView) {
    auto delegate = delegate_.lock();
    const int measured = textView ? static_cast<int>(internalTextView_->contentSize().height)
                                  : getTextViewContentHeight();
    int target = measured - 8;
    if (target < minHeight_ || internalTextView_->text().isEmpty()) target = minHeight_;
    const double current = internalTextView_->frame().size.height;
    bool changes = current != target;
    if (changes && target > maxHeight_) {
        if (current <= maxHeight_) {
            target = maxHeight_;
        } else {
            changes = false;
        }
    }
    if (changes) {
        if (animateHeightChange_) {
            View::beginAnimations(QStringLiteral("growingTextView"));
            View::setAnimationDuration(kGrowDuration);
            View::setAnimationBeginsFromCurrentState(true);
            View::setAnimationDidStopHandler(
                [weak = weakAs<QXFCExpandingTextView>()](const QString&, bool) {
                    if (auto self = weak.lock()) self->growDidStop();
                });
        }
        if (delegate) delegate->expandingTextViewWillChangeHeight(*this, target);
        ui::Rect frame = this->frame();
        frame.size.height = target;
        View::setFrame(frame);
        internalTextView_->setFrame({contentInset_.left, contentInset_.top - contentInset_.bottom,
                                     internalTextView_->bounds().size.width,
                                     static_cast<double>(target)});
        if (animateHeightChange_) {
            View::commitAnimations();
        } else if (delegate) {
            delegate->expandingTextViewDidChangeHeight(*this, target);
        }
    }
    if (!PlatformVersion::isVersion7OrLater()) {
        // Older systems scroll only once the text fills the maximum.
        const bool full = internalTextView_->frame().size.height >= maxHeight_;
        if (full && !internalTextView_->isScrollEnabled()) {
            internalTextView_->setScrollEnabled(true);
            internalTextView_->flashScrollIndicators();
        } else if (!full) {
            internalTextView_->setScrollEnabled(false);
        }
    }
    if (delegate) delegate->expandingTextViewDidChange(*this);
}

void QXFCExpandingTextView::growDidStop() {
    if (auto delegate = delegate_.lock()) {
        delegate->expandingTextViewDidChangeHeight(*this, frame().size.height);
    }
}

bool QXFCExpandingTextView::becomeFirstResponder() {
    View::becomeFirstResponder();
    return internalTextView_->becomeFirstResponder();
}

bool QXFCExpandingTextView::resignFirstResponder() {
    View::resignFirstResponder();
    return internalTextView_->resignFirstResponder();
}

bool QXFCExpandingTextView::isFirstResponder() const {
    ui::Window* window = this->window();
    if (!window) return false;
    const ui::Responder* first = window->firstResponder();
    return first == this || first == internalTextView_.get();
}

void QXFCExpandingTextView::touchesEnded(const ui::TouchSet&, const ui::Event*) {
    internalTextView_->becomeFirstResponder();
}

bool QXFCExpandingTextView::textViewShouldBeginEditing(ui::TextView&) {
    auto delegate = delegate_.lock();
    return !delegate || delegate->expandingTextViewShouldBeginEditing(*this);
}

bool QXFCExpandingTextView::textViewShouldEndEditing(ui::TextView&) {
    auto delegate = delegate_.lock();
    return !delegate || delegate->expandingTextViewShouldEndEditing(*this);
}

void QXFCExpandingTextView::textViewDidBeginEditing(ui::TextView&) {
    if (auto delegate = delegate_.lock()) delegate->expandingTextViewDidBeginEditing(*this);
}

void QXFCExpandingTextView::textViewDidEndEditing(ui::TextView&) {
    if (auto delegate = delegate_.lock()) delegate->expandingTextViewDidEndEditing(*this);
}

bool QXFCExpandingTextView::shouldChangeTextInRange(ui::TextView&, ui::Range range,
                                                    const QString& text) {
    auto delegate = delegate_.lock();
    if (!delegate) return true;
    if (text == QStringLiteral("\n") && delegate->expandingTextViewShouldReturn(*this)) {
        return false;
    }
    return delegate->expandingTextViewShouldChangeTextInRange(*this, range, text);
}

void QXFCExpandingTextView::textViewDidChangeSelection(ui::TextView&) {
    if (auto delegate = delegate_.lock()) delegate->expandingTextViewDidChangeSelection(*this);
}
