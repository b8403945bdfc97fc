#include "app/guide/QXNewGuidViewItem2.h"

#include "platform/uikit/image.h"
#include "platform/uikit/screen.h"

namespace {
constexpr double kSecondIconLift = 884;
constexpr double kPinDrop = 20;

// How far icon `i` (0-based) of the page rises on a show.
double rise(std::size_t i) {
    const int index = int(i) + 1;
    return QXNewGuidViewItem2::getIconPoint(index, true).y -
           QXNewGuidViewItem2::getIconPoint(index, false).y;
}
}  // namespace

std::shared_ptr<QXNewGuidViewItem2> QXNewGuidViewItem2::create(const ui::Rect& frame) {
    auto page = std::make_shared<QXNewGuidViewItem2>(frame);
    page->setupCenterLV();
    page->setupIcon(4);
    page->setupTextView(QStringLiteral("字3"), 185);
    return page;
}

QXNewGuidViewItem2::QXNewGuidViewItem2(const ui::Rect& frame) : QXNewGuidViewItem(frame) {}

ui::Point QXNewGuidViewItem2::getIconPoint(int index, bool isStart) {
    switch (index) {
        case 2:
            return isStart ? ui::Point{91, 995} : ui::Point{91, 964};
        case 3:
            return isStart ? ui::Point{172, 995} : ui::Point{172, 924};
        default:
            return isStart ? ui::Point{203, 995} : ui::Point{203, 970};
    }
}

void QXNewGuidViewItem2::setupCenterLV() {
    auto place = [&](const QString& name, double x, double y) {
        auto view = halfSizeImageView(name);
        ui::Rect frame = view->frame();
        frame.origin = {x, y};
        view->setFrame(frame);
        view->setAlpha(0);
        setScale(*view, 0.3);
        addSubview(view);
        return view;
    };
    const auto centre = ui::Image::imageNamed(QStringLiteral("2-1.png"));
    const double w = centre ? centre->size().width : 0;
    centerView_ = place(QStringLiteral("2-1.png"),
                        ui::Screen::mainScreen().bounds().size.width / 2 - w / 4, 111);
    personView_ = place(QStringLiteral("2-7.png"), 108, 23);
    mapPointView_ = place(QStringLiteral("2-3.png"), 150, 75);
    moveBy(*mapPointView_, 0, kPinDrop);
    multiCircleView_ = place(QStringLiteral("2-2.png"), 148.5, 122);
}

std::shared_ptr<ui::ImageView> QXNewGuidViewItem2::createView(int n) {
    auto icon = halfSizeImageView(QStringLiteral("2-%1.png").arg(n));
    const ui::Point start = getIconPoint(7 - n, true);
    ui::Rect frame = icon->frame();
    frame.origin = {start.x, start.y - kSecondIconLift};
    icon->setFrame(frame);
    icon->setAlpha(0);
    setScale(*icon, 0.1);
    return icon;
}

void QXNewGuidViewItem2::showAnimation() {
    beginShow();
    const auto center = centerView_;
    const auto person = personView_;
    const auto pin = mapPointView_;
    const auto circle = multiCircleView_;
    animate(
        0, 0.15,
        [center] {
            center->setAlpha(1);
            setScale(*center, 1.1);
        },
        [center] { animate(0, 0.15, [center] { setScale(*center, 1.0); }); });
    animate(
        0.3, 0.15,
        [person] {
            person->setAlpha(1);
            setScale(*person, 1.1);
        },
        [person] { animate(0, 0.1, [person] { setScale(*person, 1.0); }); });
    animate(
        0.5, 0.15,
        [pin, circle] {
            pin->setAlpha(1);
            setScale(*pin, 1.0);
            moveBy(*pin, 0, -kPinDrop);
            circle->setAlpha(1);
            setScale(*circle, 1.1);
        },
        [circle] { animate(0, 0.1, [circle] { setScale(*circle, 1.0); }); });
    animateIcons([](std::size_t) { return 0.55; }, 0.4,
                 [](ui::View& icon, std::size_t i) {
                     icon.setAlpha(1);
                     setScale(icon, 1.0);
                     moveBy(icon, 0, -rise(i));
                 },
                 true);
}

void QXNewGuidViewItem2::showRevertAnimation() {
    beginRevert();
    const auto center = centerView_;
    const auto person = personView_;
    const auto pin = mapPointView_;
    const auto circle = multiCircleView_;
    auto hide = [](ui::View& view) {
        view.setAlpha(0);
        setScale(view, 0.3);
    };
    animate(0, 0.2, [center, hide] { hide(*center); });
    animate(0.2, 0.2, [person, hide] { hide(*person); });
    animate(0.4, 0.2, [pin, circle, hide] {
        hide(*pin);
        moveBy(*pin, 0, kPinDrop);
        hide(*circle);
    });
    animateIcons([](std::size_t) { return 0.6; }, 0.2,
                 [hide](ui::View& icon, std::size_t i) {
                     hide(icon);
                     moveBy(icon, 0, rise(i));
                 },
                 false);
}
