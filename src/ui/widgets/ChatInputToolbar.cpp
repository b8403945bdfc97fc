#include "ui/widgets/ChatInputToolbar.h"

#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"

#include <cmath>

namespace {

constexpr double kTextGap = 8;

std::shared_ptr<ui::Image> stretchedFromCentre(const QString& name) {
    auto image = ui::Image::imageNamed(name);
    if (!image) return nullptr;
    return image->stretchableImageWithLeftCapWidth(int(image->size().width / 2),
                                                   int(image->size().height / 2));
}

}  // namespace

std::shared_ptr<ChatInputToolbar> ChatInputToolbar::initWithFrame(const ui::Rect& frame,
                                                                  const QString& label) {
    auto bar = std::make_shared<ChatInputToolbar>(frame, label);
    bar->textView_->setDelegate(bar);
    const auto weak = bar->weakAs<ChatInputToolbar>();
    bar->inputButton_->addTarget(bar.get(), ui::kControlEventTouchUpInside,
                                 [weak](ui::Control&, const ui::Event*) {
                                     auto self = weak.lock();
                                     auto delegate = self ? self->inputDelegate_.lock() : nullptr;
                                     if (delegate) delegate->inputButtonPressed(*self);
                                 });
    bar->plusButton_->addTarget(bar.get(), ui::kControlEventTouchUpInside,
                                [weak](ui::Control&, const ui::Event*) {
                                    auto self = weak.lock();
                                    auto delegate = self ? self->inputDelegate_.lock() : nullptr;
                                    if (delegate) delegate->plusButtonPressed(*self);
                                });
    return bar;
}

ChatInputToolbar::ChatInputToolbar(const ui::Rect& frame, const QString& label) : ui::View(frame) {
    textView_ = ExpandingTextView::initWithFrame(ui::Rect(0, 0, 200, frame.size.height - 8));
    preIOS7_ = textView_->isOnPreIOS7();
    setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleTopMargin);
    if (preIOS7_) {
        background_ = std::make_shared<ui::ImageView>(bounds());
        background_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth |
                                         ui::kAutoresizingFlexibleHeight);
        background_->setImage(stretchedFromCentre(QStringLiteral("toolbarbg.png")));
        addSubview(background_);
    } else {
        setBackgroundColor(ui::Color::colorWithWhite(0.97));
    }
    addSubview(textView_);

    inputButton_ = ui::Button::buttonWithType(ui::ButtonType::Custom);
    inputButton_->setTitle(label, ui::kControlStateNormal);
    styleButton(*inputButton_, true);
    inputButton_->setEnabled(false);
    addSubview(inputButton_);

    plusButton_ = ui::Button::buttonWithType(ui::ButtonType::Custom);
    plusButton_->setTitle(QStringLiteral("+"), ui::kControlStateNormal);
    styleButton(*plusButton_, false);
    plusButton_->setHidden(true);
    addSubview(plusButton_);
}

void ChatInputToolbar::styleButton(ui::Button& button, bool send) {
    if (preIOS7_) {
        auto background = ui::Image::imageNamed(QStringLiteral("buttonbg.png"));
        std::shared_ptr<ui::Image> stretched;
        if (background) {
            stretched = send ? stretchedFromCentre(QStringLiteral("buttonbg.png"))
                             : background->resizableImageWithCapInsets({0, 10, 0, 10});
        }
        button.setBackgroundImage(stretched, ui::kControlStateNormal);
        button.setBackgroundImage(stretched, ui::kControlStateDisabled);
        button.setFont(ui::Font::boldSystemFontOfSize(send ? 15 : 30));
        button.titleLabel()->setShadowOffset({0, -1});
        button.setTitleColor(ui::Color::colorWithWhite(1, 0.7), ui::kControlStateDisabled);
    } else {
        button.setFont(send ? ui::Font::boldSystemFontOfSize(17) : ui::Font::systemFontOfSize(40));
        button.setTitleColor(ui::Color::colorWithRed(0, 0.48, 1.0), ui::kControlStateNormal);
        button.setTitleColor(ui::Color::colorWithRed(0.6, 0.8, 1.0), ui::kControlStateHighlighted);
        button.setTitleColor(ui::Color::lightGrayColor(), ui::kControlStateDisabled);
    }
    const ui::Size fits = button.sizeThatFits({1000, kButtonHeight});
    button.setFrame({0, 0, std::ceil(fits.width) + 12, kButtonHeight});
}

double ChatInputToolbar::edgeItemWidth() const {
    return preIOS7_ ? -6 : -12;
}

void ChatInputToolbar::setPlusButtonVisible(bool visible) {
    plusVisible_ = visible;
    plusButton_->setHidden(!visible);
    setNeedsLayout();
}

void ChatInputToolbar::layoutSubviews() {
    View::layoutSubviews();
    const ui::Size size = bounds().size;
    const double buttonY = size.height - kButtonBottomMargin - kButtonHeight;
    double left = kBarMargin + edgeItemWidth();
    if (plusVisible_) {
        ui::Rect plus = plusButton_->frame();
        plusButton_->setFrame({left, buttonY, plus.size.width, kButtonHeight});
        left += plus.size.width;
    }
    const double sendWidth = inputButton_->frame().size.width;
    const double right = size.width - kBarMargin - edgeItemWidth();
    inputButton_->setFrame({right - sendWidth, buttonY, sendWidth, kButtonHeight});
    const double textX = left + kTextGap;
    const double textWidth = right - sendWidth - kTextGap - textX;
    ui::Rect text = textView_->frame();
    textView_->setFrame({textX, (size.height - text.size.height) / 2, textWidth, text.size.height});
}

bool ChatInputToolbar::expandingTextViewShouldBeginEditing(ExpandingTextView&) {
    auto delegate = inputDelegate_.lock();
    return !delegate || delegate->inputToolbarShouldBeginEditing(*this);
}

bool ChatInputToolbar::expandingTextViewShouldEndEditing(ExpandingTextView&) {
    auto delegate = inputDelegate_.lock();
    return !delegate || delegate->inputToolbarShouldEndEditing(*this);
}

void ChatInputToolbar::expandingTextViewDidBeginEditing(ExpandingTextView&) {
    if (auto delegate = inputDelegate_.lock()) delegate->inputToolbarDidBeginEditing(*this);
}

void ChatInputToolbar::expandingTextViewDidEndEditing(ExpandingTextView&) {
    if (auto delegate = inputDelegate_.lock()) delegate->inputToolbarDidEndEditing(*this);
}

bool ChatInputToolbar::expandingTextViewShouldChangeTextInRange(ExpandingTextView&, ui::Range range,
                                                                const QString& text) {
    auto delegate = inputDelegate_.lock();
    return !delegate || delegate->inputToolbarShouldChangeTextInRange(*this, range, text);
}

void ChatInputToolbar::expandingTextViewDidChange(ExpandingTextView& textView) {
    inputButton_->setEnabled(textView.hasText());
    if (auto delegate = inputDelegate_.lock()) delegate->inputToolbarViewDidChange(*this);
}

void ChatInputToolbar::expandingTextViewWillChangeHeight(ExpandingTextView& textView,
                                                         double height) {
    // The bar grows by what the input grows, upwards.
    const double change = height - textView.frame().size.height;
    ui::Rect frame = this->frame();
    frame.origin.y -= change;
    frame.size.height += change;
    if (auto delegate = inputDelegate_.lock()) {
        delegate->inputToolbarWillChangeHeight(*this, frame.size.height);
    }
    setFrame(frame);
    setNeedsLayout();
}

void ChatInputToolbar::expandingTextViewDidChangeHeight(ExpandingTextView&, double) {
    if (auto delegate = inputDelegate_.lock()) {
        delegate->inputToolbarDidChangeHeight(*this, frame().size.height);
    }
}

void ChatInputToolbar::expandingTextViewDidChangeSelection(ExpandingTextView&) {
    if (auto delegate = inputDelegate_.lock()) {
        delegate->inputToolbarViewDidChangeSelection(*this);
    }
}
