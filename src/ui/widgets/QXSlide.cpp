#include "ui/widgets/QXSlide.h"

#include "platform/foundation/notification_center.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"

#include <cmath>

namespace {

const ui::Color kAgeColour = ui::Color::rgb(255, 89, 131);
const QString kTip = QStringLiteral("拖动条 提示框.png");
const QString kChosenTip = QStringLiteral("拖动条 提示框 选中.png");

std::shared_ptr<ui::Image> slideStretchedFromCentre(const QString& name) {
    auto image = ui::Image::imageNamed(name);
    if (!image) return nullptr;
    return image->stretchableImageWithLeftCapWidth(static_cast<int>(image->size().width / 2),
                                                   static_cast<int>(image->size().height / 2));
}

void moveAbove(ui::View& view, const ui::View& thumb, double distance) {
    view.setCenter({thumb.center().x, thumb.center().y - distance});
}

}  // namespace

std::shared_ptr<QXSlide> QXSlide::initWithFrame(const ui::Rect& frame, int style, int min,
                                                int max) {
    if (max == min) return nullptr;
    auto slide = std::make_shared<QXSlide>(frame, style);
    slide->buildRange(min, max);
    return slide;
}

std::shared_ptr<QXSlide> QXSlide::initWithFrame(const ui::Rect& frame, int style, int min, int max,
                                                int curLeft, int curRight) {
    auto slide = initWithFrame(frame, style, min, max);
    if (!slide) return nullptr;
    slide->curLeft_ = curLeft;
    QXSlideControl* left = slide->thumb(kLeftThumbTag);
    slide->placeThumb(*left, curLeft);
    if (style == kAgeRange) {
        slide->curRight_ = curRight;
        QXSlideControl* right = slide->thumb(kRightThumbTag);
        slide->placeThumb(*right, curRight);
        slide->processView_->setFrame(
            {left->center().x, 5, right->center().x - left->center().x, 10});
        right->setMinPoint(left->center());
        left->setMaxPoint(right->center());
        slide->showAge(kLeftLabelTag, kLeftTipTag, *left, curLeft);
        slide->showAge(kRightLabelTag, kRightTipTag, *right, curRight);
    } else {
        slide->setSelectedWidth(left->center().x - kTrackStart);
    }
    return slide;
}

std::shared_ptr<QXSlide> QXSlide::initWithFrame(const ui::Rect& frame, int style,
                                                const QStringList& marks) {
    if (marks.size() < 2) return nullptr;
    auto slide = std::make_shared<QXSlide>(frame, style);
    slide->intervalArr_ = marks;
    slide->addThumb(kLeftThumbTag, {kTrackStart, 10});
    const double step = 260.0 / static_cast<double>(marks.size() - 1);
    for (qsizetype i = 0; i < marks.size(); ++i) {
        auto label =
            std::make_shared<ui::Label>(ui::Rect(step * static_cast<double>(i), -20, 30, 20));
        label->setFont(ui::Font::systemFontOfSize(14));
        label->setText(marks[i]);
        slide->addSubview(label);
    }
    return slide;
}

QXSlide::QXSlide(const ui::Rect& frame, int style) : ui::View(frame), slideStyle_(style) {
    buildTrack();
}

QXSlide::~QXSlide() {
    for (int tag : {kLeftThumbTag, kRightThumbTag}) {
        if (auto* control = thumb(tag)) control->setDelegate(nullptr);
    }
}

void QXSlide::buildTrack() {
    bgView_ = std::make_shared<ui::ImageView>(ui::Rect(kTrackStart, 5, kTrackLength, 10));
    bgView_->setImage(slideStretchedFromCentre(QStringLiteral("拖动条.png")));
    addSubview(bgView_);
    processView_ = std::make_shared<ui::ImageView>(ui::Rect(kTrackStart, 5, 0, 10));
    processView_->setImage(slideStretchedFromCentre(QStringLiteral("拖动条 选中.png")));
    addSubview(processView_);
}

QXSlideControl* QXSlide::thumb(int tag) const {
    for (const auto& view : subviews()) {
        if (view->tag() == tag) return dynamic_cast<QXSlideControl*>(view.get());
    }
    return nullptr;
}

std::shared_ptr<QXSlideControl> QXSlide::addThumb(int tag, ui::Point centre) {
    auto control = std::make_shared<QXSlideControl>(ui::Point(kTrackStart, 10));
    control->setTag(tag);
    control->setMaxPoint({kTrackStart + kTrackLength, 10});
    control->setCenter(centre);
    control->setDelegate(this);
    addSubview(control);
    return control;
}

std::shared_ptr<ui::Label> QXSlide::addValueLabel(int tag, const ui::Rect& frame, double fontSize) {
    auto label = std::make_shared<ui::Label>(frame);
    label->setTag(tag);
    label->setFont(ui::Font::systemFontOfSize(fontSize));
    label->setTextAlignment(ui::TextAlignment::Center);
    label->setBackgroundColor(ui::Color::clearColor());
    addSubview(label);
    return label;
}

void QXSlide::buildRange(int min, int max) {
    minNum_ = min;
    maxNum_ = max;
    const double width = bounds().size.width;
    addValueLabel(0, {5, -20, 30, 20}, 14)->setText(QString::number(min));
    addValueLabel(0, {width - 35, -20, 30, 20}, 14)->setText(QString::number(max));
    addThumb(kLeftThumbTag, {kTrackStart, 10});
    addValueLabel(kLeftLabelTag, {0, -7, 30, 16}, 12)->setHidden(true);
    curLeft_ = min;
    if (slideStyle_ != kAgeRange) return;
    auto right = addThumb(kRightThumbTag, {kTrackStart + kTrackLength, 10});
    addValueLabel(kRightLabelTag, {0, -7, 30, 16}, 12);
    for (int tipTag : {kLeftTipTag, kRightTipTag}) {
        auto tip = std::make_shared<ui::ImageView>(ui::Rect(0, 0, 34, 28));
        tip->setTag(tipTag);
        tip->setImage(ui::Image::imageNamed(kTip));
        addSubview(tip);
    }
    curRight_ = max;
    auto* leftLabel = static_cast<ui::Label*>(viewWithTag(kLeftLabelTag));
    leftLabel->setHidden(false);
    // The tips lie behind their labels.
    for (int labelTag : {kLeftLabelTag, kRightLabelTag}) bringSubviewToFront(viewWithTag(labelTag));
    showAge(kLeftLabelTag, kLeftTipTag, *thumb(kLeftThumbTag), curLeft_);
    showAge(kRightLabelTag, kRightTipTag, *right, curRight_);
}

void QXSlide::placeThumb(QXSlideControl& control, int value) {
    const double fraction = static_cast<double>(value - minNum_) / (maxNum_ - minNum_);
    control.setCenter({kTrackStart + kTrackLength * fraction, control.center().y});
}

void QXSlide::setSelectedWidth(double width) {
    processView_->setFrame({kTrackStart, 5, width, 10});
}

void QXSlide::showAge(int labelTag, int tipTag, QXSlideControl& control, int value) {
    auto* label = static_cast<ui::Label*>(viewWithTag(labelTag));
    ui::View* tip = viewWithTag(tipTag);
    if (!label || !tip) return;
    label->setText(QStringLiteral("%1岁").arg(value));
    label->setTextColor(kAgeColour);
    label->setAlpha(1);
    moveAbove(*label, control, 27);
    tip->setAlpha(1);
    moveAbove(*tip, control, 25);
}

void QXSlide::slideMoved(QXSlideControl& control) {
    const double span = control.maxPoint().x - control.minPoint().x;
    const double fraction = span > 0 ? (control.center().x - control.minPoint().x) / span : 0;
    if (slideStyle_ == kMarks) {
        setSelectedWidth(kTrackLength * fraction);
        return;
    }
    if (slideStyle_ == kValue) {
        setSelectedWidth(kTrackLength * fraction);
        curLeft_ = minNum_ + static_cast<int>(fraction * (maxNum_ - minNum_));
        auto* label = static_cast<ui::Label*>(viewWithTag(kLeftLabelTag));
        const QString text = QString::number(curLeft_);
        label->setText(text);
        label->setAlpha(1);
        moveAbove(*label, control, 27);
        label->setHidden(true);
        ns::NotificationCenter::defaultCenter().post(
            ns::Notification{kChangeNotification, nullptr, text, {}});
        return;
    }
    QXSlideControl* left = thumb(kLeftThumbTag);
    QXSlideControl* right = thumb(kRightThumbTag);
    if (!left || !right) return;
    processView_->setFrame({left->center().x, 5, right->center().x - left->center().x, 10});
    // The thumbs cannot pass each other.
    right->setMinPoint(left->center());
    left->setMaxPoint(right->center());
    const double start = left->minPoint().x;
    curLeft_ =
        minNum_ + static_cast<int>((left->center().x - start) / kTrackLength * (maxNum_ - minNum_));
    curRight_ = minNum_ +
                static_cast<int>((right->center().x - start) / kTrackLength * (maxNum_ - minNum_));
    showAge(kLeftLabelTag, kLeftTipTag, *left, curLeft_);
    showAge(kRightLabelTag, kRightTipTag, *right, curRight_);
    const bool leftMoves = &control == left;
    const int movingTip = leftMoves ? kLeftTipTag : kRightTipTag;
    const int movingLabel = leftMoves ? kLeftLabelTag : kRightLabelTag;
    const int restingTip = leftMoves ? kRightTipTag : kLeftTipTag;
    static_cast<ui::ImageView*>(viewWithTag(movingTip))
        ->setImage(ui::Image::imageNamed(kChosenTip));
    static_cast<ui::Label*>(viewWithTag(movingLabel))->setTextColor(ui::Color::whiteColor());
    static_cast<ui::ImageView*>(viewWithTag(restingTip))->setImage(ui::Image::imageNamed(kTip));
    bringSubviewToFront(&control);
    bringSubviewToFront(viewWithTag(movingTip));
    bringSubviewToFront(viewWithTag(movingLabel));
}

void QXSlide::slideEnded(QXSlideControl& control) {
    if (slideStyle_ == kValue) {
        if (ui::View* label = viewWithTag(kLeftLabelTag)) label->setHidden(true);
        return;
    }
    if (slideStyle_ == kAgeRange) {
        for (int tipTag : {kLeftTipTag, kRightTipTag}) {
            auto* tip = static_cast<ui::ImageView*>(viewWithTag(tipTag));
            tip->setImage(ui::Image::imageNamed(kTip));
            tip->setAlpha(1);
        }
        for (int labelTag : {kLeftLabelTag, kRightLabelTag}) {
            static_cast<ui::Label*>(viewWithTag(labelTag))->setTextColor(kAgeColour);
        }
        return;
    }
    const auto marks = intervalArr_.size();
    if (marks < 2) return;
    const double step = kTrackLength / static_cast<double>(marks - 1);
    const double along = control.center().x - control.minPoint().x;
    int nearest = 0;
    int best = -1;
    for (qsizetype i = 0; i < marks; ++i) {
        const int distance = static_cast<int>(std::abs(step * static_cast<double>(i) - along));
        if (best < 0 || distance < best) {
            best = distance;
            nearest = static_cast<int>(i);
        }
    }
    curLeft_ = nearest;
    control.setCenter({step * nearest + kTrackStart, control.center().y});
    slideMoved(control);
}

void QXSlide::setCurLeft(QXSlide& slider, int value) {
    if (slideStyle_ != kValue) return;
    QXSlideControl* control = thumb(kLeftThumbTag);
    if (!control) return;
    const double half = control->frame().size.width / 2;
    ui::Rect frame = control->frame();
    if (value >= minNum_) {
        const int percent = (value - minNum_) * 100 / (maxNum_ - minNum_);
        setSelectedWidth(kTrackLength * percent / 100);
        frame.origin.x =
            kTrackStart + percent * (control->maxPoint().x - control->minPoint().x) / 100 - half;
        slider.curLeft_ = value;
    } else {
        setSelectedWidth(0);
        frame.origin.x = kTrackStart - half;
        slider.curLeft_ = minNum_;
    }
    control->setFrame(frame);
    auto* label = static_cast<ui::Label*>(viewWithTag(kLeftLabelTag));
    label->setText(QString::number(value));
    moveAbove(*label, *control, 27);
    label->setAlpha(1);
    ns::NotificationCenter::defaultCenter().post(
        ns::Notification{kChangeNotification, nullptr, QString::number(slider.curLeft_), {}});
    View::beginAnimations(QStringLiteral("labelHide"));
    View::setAnimationDuration(2);
    label->setAlpha(0);
    View::commitAnimations();
}
