#include "app/guide/QXNewGuidViewItem3.h"

#include "platform/uikit/image.h"

namespace {
constexpr double kPersonSlide = 137;
}  // namespace

std::shared_ptr<QXNewGuidViewItem3> QXNewGuidViewItem3::create(const ui::Rect& frame) {
    auto page = std::make_shared<QXNewGuidViewItem3>(frame);
    page->setupCenterLV();
    page->setupIcon(3);
    page->setupTextView(QStringLiteral("字4.png"), 220);
    return page;
}

QXNewGuidViewItem3::QXNewGuidViewItem3(const ui::Rect& frame) : QXNewGuidViewItem(frame) {}

ui::Point QXNewGuidViewItem3::getIconPoint(int index, bool isStart) {
    if (isStart) return {122, 167};
    switch (index) {
        case 2:
            return {111.5, 125};
        case 3:
            return {146, 127.5};
        case 4:
            return {170, 151};
        default:
            return {83.5, 144};
    }
}

void QXNewGuidViewItem3::setupCenterLV() {
    auto place = [&](const QString& name, double x, double y) {
        auto view = halfSizeImageView(name);
        ui::Rect frame = view->frame();
        frame.origin = {x, y};
        view->setFrame(frame);
        addSubview(view);
        return view;
    };
    phoneView_ = place(QStringLiteral("3-1.png"), 87, 49);
    phoneView_->setAlpha(0);
    setScale(*phoneView_, 0.3);
    personView_ = place(QStringLiteral("3-2.png"), 183, 87);
    moveBy(*personView_, kPersonSlide, 0);
}

std::shared_ptr<ui::ImageView> QXNewGuidViewItem3::createView(int n) {
    auto icon = halfSizeImageView(QStringLiteral("3-%1.png").arg(n));
    const ui::Point start = getIconPoint(7 - n, true);
    ui::Rect frame = icon->frame();
    frame.origin = start;
    icon->setFrame(frame);
    icon->setAlpha(0);
    setScale(*icon, 0.3);
    return icon;
}

void QXNewGuidViewItem3::showAnimation() {
    beginShow();
    const auto phone = phoneView_;
    const auto person = personView_;
    animate(
        0, 0.2,
        [phone] {
            phone->setAlpha(1);
            setScale(*phone, 1.1);
        },
        [phone] { animate(0, 0.1, [phone] { setScale(*phone, 1.0); }); });
    animate(0.3, 0.2, [person] { moveBy(*person, -kPersonSlide, 0); });
    const ui::Point start = getIconPoint(1, true);
    animateIcons([](std::size_t) { return 0.5; }, 0.3,
                 [start](ui::View& icon, std::size_t i) {
                     const ui::Point end = getIconPoint(int(i) + 1, false);
                     icon.setAlpha(1);
                     setScale(icon, 1.0);
                     moveBy(icon, end.x - start.x, end.y - start.y);
                 },
                 true);
}

void QXNewGuidViewItem3::showRevertAnimation() {
    beginRevert();
    const auto phone = phoneView_;
    const auto person = personView_;
    animate(0, 0.2, [phone] {
        phone->setAlpha(0);
        setScale(*phone, 0.3);
    });
    animate(0.2, 0.2, [person] { moveBy(*person, kPersonSlide, 0); });
    const ui::Point start = getIconPoint(1, true);
    animateIcons([](std::size_t) { return 0.4; }, 0.2,
                 [start](ui::View& icon, std::size_t i) {
                     const ui::Point end = getIconPoint(int(i) + 1, false);
                     icon.setAlpha(0);
                     setScale(icon, 0.3);
                     moveBy(icon, start.x - end.x, start.y - end.y);
                 },
                 false);
}
