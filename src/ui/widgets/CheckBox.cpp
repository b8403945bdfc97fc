#include "ui/widgets/CheckBox.h"

#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"

namespace {
std::shared_ptr<ui::Label> makeLabel(const ui::Rect& frame, const QString& text) {
    auto label = std::make_shared<ui::Label>(frame);
    label->setBackgroundColor(ui::Color::clearColor());
    label->setFont(ui::Font::systemFontOfSize(14));
    label->setAdjustsFontSizeToFitWidth(true);
    label->setMinimumFontSize(10);
    label->setText(text);
    return label;
}
}  // namespace

CheckBox::CheckBox(const ui::Rect& frame, const QString& text) : ui::Control(frame) {
    setBackgroundColor(ui::Color::clearColor());
    checkedView_ = std::make_shared<ui::ImageView>(ui::Rect(2, (frame.height() - 16) / 2, 22, 22));
    checkedView_->setImage(ui::Image::imageNamed(QStringLiteral("登陆-下次自动登录-未选.png")));
    checkedView_->setHighlightedImage(
        ui::Image::imageNamed(QStringLiteral("登陆-下次自动登录-选择.png")));
    addSubview(checkedView_);
    label_ = makeLabel(ui::Rect(32, (frame.height() - 18) / 2, frame.width() - 32, 18), text);
    addSubview(label_);
    listenForTaps();
}

void CheckBox::listenForTaps() {
    removeTarget(this);
    addTarget(this, ui::kControlEventTouchUpInside,
              [this](ui::Control&, const ui::Event*) { touchUpInside(); });
}

void CheckBox::setChecked(bool checked) {
    checked_ = checked;
    checkedView_->setHighlighted(checked);
}

void CheckBox::touchUpInside() {
    if (unique_ && checked_) return;
    setChecked(unique_ ? true : !checked_);
    if (valueChanged_) valueChanged_(*this);
}

void CheckBox::rebuild(const QString& normalImage, const QString& highlightedImage,
                       double pictureWidth) {
    const QString text = label_ ? label_->text() : QString();
    while (!subviews().empty()) {
        const std::shared_ptr<ui::View> last = subviews().back();
        last->removeFromSuperview();
    }
    checkedView_ =
        std::make_shared<ui::ImageView>(ui::Rect(0, (frame().height() - 42) / 2, pictureWidth, 42));
    checkedView_->setImage(ui::Image::imageNamed(normalImage));
    checkedView_->setHighlightedImage(ui::Image::imageNamed(highlightedImage));
    checkedView_->setHighlighted(checked_);
    addSubview(checkedView_);
    label_ = makeLabel(ui::Rect(40, (frame().height() - 20) / 2, frame().width() - 40, 20), text);
    addSubview(label_);
    listenForTaps();
}

void CheckBox::changeTheImage(const QString& normalImage, const QString& highlightedImage) {
    rebuild(normalImage, highlightedImage, 100);
}

void CheckBox::SetTheImageWith(int n) {
    if (n == 0) return;
    rebuild(QStringLiteral("个人经纪人-未选中.png"), QStringLiteral("个人经纪人-选中.png"),
            200 / n);
}
