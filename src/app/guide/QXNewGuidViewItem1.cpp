#include "app/guide/QXNewGuidViewItem1.h"

#include "platform/uikit/image.h"
#include "platform/uikit/screen.h"

namespace {
constexpr double kChildSlide = 233;
constexpr double kCircleSlide = 228;
constexpr double kIconLift = 459;
}  // namespace

std::shared_ptr<QXNewGuidViewItem1> QXNewGuidViewItem1::create(const ui::Rect& frame) {
    auto page = std::make_shared<QXNewGuidViewItem1>(frame);
    page->setupCenterLV();
    page->setupIcon(4);
    page->setupTextView(QStringLiteral("字2.png"), 220);
    return page;
}

QXNewGuidViewItem1::QXNewGuidViewItem1(const ui::Rect& frame) : QXNewGuidViewItem(frame) {}

ui::Point QXNewGuidViewItem1::getIconPoint(int index, bool) {
    switch (index) {
        case 2:
            return {149, 512};
        case 3:
            return {200, 533};
        default:
            return {103, 521};
    }
}

void QXNewGuidViewItem1::setupCenterLV() {
    const double half = ui::Screen::mainScreen().bounds().size.width / 2;
    auto place = [&](const QString& name, double dx, double y) {
        auto view = halfSizeImageView(name);
        const double w = view->image() ? view->image()->size().width : 0;
        ui::Rect frame = view->frame();
        frame.origin = {half - w / 4 + dx, y};
        view->setFrame(frame);
        addSubview(view);
        return view;
    };
    centerView_ = place(QStringLiteral("1-1.png"), 2, 12);
    centerView_->setAlpha(0);
    setScale(*centerView_, 0.3);
    childImgView_ = place(QStringLiteral("1-3.png"), -14, 73);
    moveBy(*childImgView_, kChildSlide, 0);
    blackCircleView_ = place(QStringLiteral("1-2.png"), -26, 191);
    moveBy(*blackCircleView_, kCircleSlide, 0);
}

std::shared_ptr<ui::ImageView> QXNewGuidViewItem1::createView(int n) {
    auto icon = halfSizeImageView(QStringLiteral("1-%1.png").arg(n));
    const ui::Point start = getIconPoint(7 - n, true);
    ui::Rect frame = icon->frame();
    frame.origin = {start.x, start.y - kIconLift};
    icon->setFrame(frame);
    icon->setAlpha(0);
    setScale(*icon, 0.3);
    return icon;
}

void QXNewGuidViewItem1::showAnimation() {
    beginShow();
    const auto center = centerView_;
    const auto child = childImgView_;
    const auto circle = blackCircleView_;
    animate(
        0, 0.2,
        [center] {
            center->setAlpha(1);
            setScale(*center, 1.1);
        },
        [center] { animate(0, 0.2, [center] { setScale(*center, 1.0); }); });
    animate(0.2, 0.2, [child, circle] {
        moveBy(*child, -kChildSlide, 0);
        moveBy(*circle, -kCircleSlide, 0);
    });
    // The icons follow one another: 0.4 + 0.05, + 0.10, + 0.15 (single precision, as drawn).
    // The icons follow one another: 0.4 + 0.05, + 0.10, + 0.15 (single precision, as drawn).
    animateIcons(
        [](std::size_t i) {
            float delay = 0.4f;
            for (std::size_t k = 0; k <= i; ++k) delay += 0.05f * float(k + 1);
            return double(delay);
        },
        0.3,
        [](ui::View& icon, std::size_t) {
            icon.setAlpha(1);
            setScale(icon, 1.0);
        },
        true);
}

void QXNewGuidViewItem1::showRevertAnimation() {
    beginRevert();
    const auto center = centerView_;
    const auto child = childImgView_;
    const auto circle = blackCircleView_;
    animate(0, 0.2, [center] {
        center->setAlpha(0);
        setScale(*center, 0.3);
    });
    animate(0.2, 0.2, [child, circle] {
        moveBy(*child, kChildSlide, 0);
        moveBy(*circle, kCircleSlide, 0);
    });
    animateIcons([](std::size_t i) { return 0.15 * double(i + 1); }, 0.2,
                 [](ui::View& icon, std::size_t) {
                     icon.setAlpha(0);
                     setScale(icon, 0.3);
                 },
                 false);
}
