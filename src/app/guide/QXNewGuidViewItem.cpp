#include "app/guide/QXNewGuidViewItem.h"

#include "platform/uikit/image.h"
#include "platform/uikit/screen.h"

QXNewGuidViewItem::QXNewGuidViewItem(const ui::Rect& frame) : ui::View(frame) {
    setBackgroundColor(ui::Color::clearColor());
}

std::shared_ptr<ui::ImageView> QXNewGuidViewItem::halfSizeImageView(const QString& name) {
    auto view = std::make_shared<ui::ImageView>();
    const auto image = ui::Image::imageNamed(name);
    view->setImage(image);
    // Image sizes are in points already (two pixels each); the artwork is drawn at twice
    // the size the page shows it.
    const ui::Size size = image ? image->size() : ui::Size{};
    view->setFrame(ui::Rect(0, 0, size.width / 2, size.height / 2));
    return view;
}

void QXNewGuidViewItem::setScale(ui::View& view, double scale) {
    view.setTransform(ui::AffineTransform::makeScale(scale, scale));
}

void QXNewGuidViewItem::moveBy(ui::View& view, double dx, double dy) {
    const ui::Point center = view.center();
    view.setCenter({center.x + dx, center.y + dy});
}

void QXNewGuidViewItem::animate(double delay, double duration, std::function<void()> animations,
                                std::function<void()> completion) {
    ui::View::animateWithDuration(duration, delay, 0, animations,
                                  [completion = std::move(completion)](bool) {
                                      if (completion) completion();
                                  });
}

std::function<void()> QXNewGuidViewItem::whileAlive(std::function<void(QXNewGuidViewItem&)> step) {
    return [weak = weakAs<QXNewGuidViewItem>(), step = std::move(step)] {
        if (const auto self = weak.lock()) step(*self);
    };
}

void QXNewGuidViewItem::animateIcons(
    const std::function<double(std::size_t)>& delay, double duration,
    const std::function<void(ui::View& icon, std::size_t index)>& step, bool show) {
    for (std::size_t i = 0; i < viewArray_.size(); ++i) {
        const auto icon = viewArray_[i];
        const bool last = i + 1 == viewArray_.size();
        animate(
            delay(i), duration, [icon, step, i] { step(*icon, i); },
            last ? whileAlive([show](QXNewGuidViewItem& self) {
                if (show) {
                    self.endShow();
                } else {
                    self.endRevert();
                }
            })
                 : std::function<void()>());
    }
}

void QXNewGuidViewItem::setupTextView(const QString& image, double offset) {
    textView_ = std::make_shared<ui::ImageView>(ui::Image::imageNamed(image));
    const double height = textView_->frame().size.height;
    textView_->setCenter({ui::Screen::mainScreen().bounds().size.width / 2, height / 2 + offset});
    textView_->setAlpha(0);
    setScale(*textView_, 0.3);
    addSubview(textView_);
}

void QXNewGuidViewItem::setupIcon(int lastIcon) {
    for (int n = 6; n >= lastIcon; --n) {
        auto icon = createView(n);
        addSubview(icon);
        viewArray_.push_back(std::move(icon));
    }
}

void QXNewGuidViewItem::showTextAnimation() {
    isPlayTextAnimation_ = true;
    const auto caption = textView_;
    animate(
        0, 0.2,
        [caption] {
            caption->setAlpha(1);
            setScale(*caption, 1.0);
        },
        whileAlive([](QXNewGuidViewItem& self) {
            self.isPlayTextAnimation_ = false;
            self.isTextShow_ = true;
        }));
}

void QXNewGuidViewItem::showTextRevertAnimation() {
    isPlayTextAnimation_ = true;
    const auto caption = textView_;
    animate(
        0, 0.2,
        [caption] {
            caption->setAlpha(0);
            setScale(*caption, 0.3);
        },
        whileAlive([](QXNewGuidViewItem& self) {
            self.isPlayTextAnimation_ = false;
            self.isTextShow_ = false;
        }));
}

void QXNewGuidViewItem::beginShow() {
    isPlayAnimation_ = true;
}

void QXNewGuidViewItem::endShow() {
    isPlayAnimation_ = false;
    isShow_ = true;
}

void QXNewGuidViewItem::beginRevert() {
    isShow_ = false;
    isPlayRevertAnimation_ = true;
}

void QXNewGuidViewItem::endRevert() {
    isPlayRevertAnimation_ = false;
}
