#include "houses/photos/ImageOperController.h"

#include "houses/photos/ImageScrollPageController.h"
#include "houses/shared/HousesHost.h"
#include "platform/uikit/activity_indicator_view.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/pan_gesture_recognizer.h"
#include "platform/uikit/pinch_gesture_recognizer.h"
#include "platform/uikit/screen.h"
#include "platform/uikit/scroll_view.h"
#include "platform/uikit/tap_gesture_recognizer.h"
#include "ui/image/ImageLoader.h"
#include "ui/widgets/PlatformVersion.h"

#include <QStringList>

#include <algorithm>
#include <functional>

namespace {

// The platform's plain view animation.
constexpr double kDefaultAnimation = 0.2;
constexpr double kScaleRounding = 1e-9;
constexpr double kStatusBarHeight = 20;

// The photo's view, which tells its page when its picture changes.
class PhotoImageView final : public ui::ImageView {
public:
    using Observer = std::function<void(bool hadImage, bool hasImage)>;

    using ui::ImageView::ImageView;

    void setObserver(Observer observer) { observer_ = std::move(observer); }
    void setImage(std::shared_ptr<ui::Image> image) override {
        const bool hadImage = bool(this->image());
        ui::ImageView::setImage(std::move(image));
        // A copy: the observer may stop the watch while it runs.
        if (const Observer observer = observer_) observer(hadImage, bool(this->image()));
    }

private:
    Observer observer_;
};

// The pan translation already applied. Only one pan runs at a time, on whichever page.
ui::Point& panTranslationMemory() {
    static ui::Point memory;
    return memory;
}

}  // namespace

ImageOperController::ImageOperController(const QString& imageName, const ui::Rect& frame)
    : imageName_(imageName), imageFrame_(frame) {}

ImageOperController::~ImageOperController() {
    // The photo's view may outlive the page (the loader or a saved reference may hold it):
    // its watch must not call a page that is gone.
    if (auto* photo = dynamic_cast<PhotoImageView*>(imageView_.get())) photo->setObserver({});
}

QString ImageOperController::sizedImageURL(const QString& url, int width, int height, bool wifi) {
    const QStringList pieces = url.split(QLatin1Char('_'));
    if (pieces.size() != 3) return url;
    QString sized =
        QStringLiteral("%1_%2-%3_%4").arg(pieces[0]).arg(width).arg(height).arg(pieces[2]);
    if (wifi) sized.replace(QStringLiteral("_3-"), QStringLiteral("_7-"));
    return sized;
}

void ImageOperController::viewDidLoad() {
    ui::ViewController::viewDidLoad();
    ui::View& page = *view();
    page.setAutoresizesSubviews(true);
    page.setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight |
                             ui::kAutoresizingFlexibleLeftMargin |
                             ui::kAutoresizingFlexibleRightMargin);
    page.setBackgroundColor(ui::Color::blackColor());
    page.setFrame(imageFrame_);

    auto indicator =
        std::make_shared<ui::ActivityIndicatorView>(ui::ActivityIndicatorViewStyle::White);
    indicator->setTag(kIndicatorTag);
    indicator->setCenter(page.bounds().center());
    indicator->setAutoresizingMask(
        ui::kAutoresizingFlexibleLeftMargin | ui::kAutoresizingFlexibleRightMargin |
        ui::kAutoresizingFlexibleTopMargin | ui::kAutoresizingFlexibleBottomMargin);
    indicator->startAnimating();
    page.addSubview(indicator);

    const ui::Size size = page.bounds().size;
    auto photo = std::make_shared<PhotoImageView>(
        ui::Rect(0, 0, size.width, size.height - offsetAlignToBottomInSuperView_));
    photo->setUserInteractionEnabled(true);
    photo->setContentMode(ui::ContentMode::ScaleAspectFit);
    photo->setClipsToBounds(true);
    photo->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
    page.addSubview(photo);
    imageView_ = photo;

    imageName_ = sizedImageURL(imageName_, int(size.width), int(size.height),
                               HousesHost::shared()->useWifi());
    requestPhoto();
    createGestureRecognizers();
    setInitialStatus();
}

void ImageOperController::requestPhoto() {
    auto* photo = static_cast<PhotoImageView*>(imageView_.get());
    watchingPhoto_ = true;
    photo->setObserver([weak = weakAs<ImageOperController>()](bool hadImage, bool hasImage) {
        if (auto self = weak.lock()) self->photoArrived(hadImage, hasImage);
    });
    ImageLoader::sharedLoader().setImageWithURL(imageName_, imageView_,
                                                [weak = weakAs<ImageOperController>()] {
                                                    if (auto self = weak.lock())
                                                        self->photoFailed();
                                                });
}

void ImageOperController::photoArrived(bool hadImage, bool hasImage) {
    if (hadImage || !hasImage || !watchingPhoto_) return;
    watchingPhoto_ = false;
    static_cast<PhotoImageView*>(imageView_.get())->setObserver({});
    showIndicator(false);
}

void ImageOperController::showIndicator(bool shown) {
    // A spinner that only hid would turn on unseen behind the photo, and every turn is a frame.
    auto* indicator = dynamic_cast<ui::ActivityIndicatorView*>(view()->viewWithTag(kIndicatorTag));
    if (!indicator) return;
    shown ? indicator->startAnimating() : indicator->stopAnimating();
}

void ImageOperController::photoFailed() {
    if (imageView_->image()) return;
    showIndicator(false);
    if (!retryButton_) {
        retryButton_ = ui::Button::buttonWithType(ui::ButtonType::Custom);
        retryButton_->setTag(kRetryTag);
        retryButton_->setTitle(kRetryTitle, ui::kControlStateNormal);
        retryButton_->setTitleColor(ui::Color::whiteColor(), ui::kControlStateNormal);
        retryButton_->setTitleColor(ui::Color::lightGrayColor(), ui::kControlStateHighlighted);
        retryButton_->setFont(ui::Font::systemFontOfSize(14));
        retryButton_->setFrame({0, 0, 200, 44});
        retryButton_->setCenter(view()->bounds().center());
        retryButton_->setAutoresizingMask(
            ui::kAutoresizingFlexibleLeftMargin | ui::kAutoresizingFlexibleRightMargin |
            ui::kAutoresizingFlexibleTopMargin | ui::kAutoresizingFlexibleBottomMargin);
        retryButton_->addTarget(this, ui::kControlEventTouchUpInside,
                                [this](ui::Control&, const ui::Event*) {
                                    retryButton_->setHidden(true);
                                    showIndicator(true);
                                    requestPhoto();
                                });
        view()->addSubview(retryButton_);
    }
    retryButton_->setHidden(false);
}

void ImageOperController::createGestureRecognizers() {
    ui::View& page = *view();
    singleTapGestrue_ =
        std::make_shared<ui::TapGestureRecognizer>(this, [this](ui::GestureRecognizer& tap) {
            handleSingleSingleTap(static_cast<ui::TapGestureRecognizer&>(tap));
        });
    tapGestrue_ =
        std::make_shared<ui::TapGestureRecognizer>(this, [this](ui::GestureRecognizer& tap) {
            handleSingleDoubleTap(static_cast<ui::TapGestureRecognizer&>(tap));
        });
    tapGestrue_->setNumberOfTapsRequired(2);
    singleTapGestrue_->requireGestureRecognizerToFail(tapGestrue_);
    page.addGestureRecognizer(singleTapGestrue_);
    page.addGestureRecognizer(tapGestrue_);

    panGesture_ =
        std::make_shared<ui::PanGestureRecognizer>(this, [this](ui::GestureRecognizer& pan) {
            handlePanGesture(static_cast<ui::PanGestureRecognizer&>(pan));
        });
    panGesture_->setMaximumNumberOfTouches(1);
    panGesture_->setDelegate(weakAs<ImageOperController>());

    pinchGesture_ =
        std::make_shared<ui::PinchGestureRecognizer>(this, [this](ui::GestureRecognizer& pinch) {
            handlePinchGesture(static_cast<ui::PinchGestureRecognizer&>(pinch));
        });
    page.addGestureRecognizer(pinchGesture_);
}

void ImageOperController::setInitialStatus() {
    currentScale_ = 1;
    currentFrame_ = view()->frame();
    const double top = PlatformVersion::isVersion7OrLater() ? 0 : kStatusBarHeight;
    const ui::Size screen = ui::Screen::mainScreen().bounds().size;
    initialFrame_ = ui::Rect(imageFrame_.origin.x, top, screen.width, screen.height - top);
    initialTopLeftPoint_ = initialFrame_.origin;
    initialBottomRightPoint_ = {initialFrame_.origin.x + initialFrame_.size.width,
                                initialFrame_.origin.y + initialFrame_.size.height};
}

ui::Rect ImageOperController::keptCovering(ui::Rect frame) const {
    const ui::Rect before = frame;
    if (before.origin.x > initialTopLeftPoint_.x) frame.origin.x = initialTopLeftPoint_.x;
    if (before.origin.y > initialTopLeftPoint_.y) frame.origin.y = initialTopLeftPoint_.y;
    if (before.origin.x + before.size.width < initialBottomRightPoint_.x) {
        frame.origin.x = initialBottomRightPoint_.x - before.size.width;
    }
    if (before.origin.y + before.size.height < initialBottomRightPoint_.y) {
        frame.origin.y = initialBottomRightPoint_.y - before.size.height;
    }
    return frame;
}

void ImageOperController::handlePinchGesture(ui::PinchGestureRecognizer& pinch) {
    ui::View& page = *view();
    switch (pinch.state()) {
        case ui::GestureRecognizerState::Began:
            // A new pinch goes on from the zoom in effect, the spread that began it counted:
            // a turn of the wheel by one notch is all in that first step.
            pinch.setScale(currentScale_ * pinch.scale());
            break;
        case ui::GestureRecognizerState::Ended:
            currentScale_ = std::clamp(pinch.scale(), 1.0, kMaximumScale);
            currentFrame_ = page.frame();
            autoJudgePanGesture();
            return;
        default:
            break;
    }
    // A scale a rounding error off a limit is the limit: the wheel's notches out undo its
    // notches in only so far, and a photo left at 1.0000001 would keep the pager from paging.
    double scale = pinch.scale();
    if (scale >= kMaximumScale * (1 - kScaleRounding)) {
        scale = kMaximumScale;
        pinch.setScale(scale);
    } else if (scale <= 1 + kScaleRounding) {
        scale = 1;
        pinch.setScale(scale);
    }
    // The photo grows about the point between the fingers (the pointer, for the wheel), as
    // far as it keeps covering the page.
    const ui::Point centre = pinch.locationInView(page.superview());
    const ui::Rect before = page.frame();
    const double growth = scale / page.transform().a;
    page.setTransform(ui::AffineTransform::makeScale(scale, scale));
    ui::Rect frame = page.frame();
    frame.origin = centre + (before.origin - centre) * growth;
    page.setFrame(keptCovering(frame));
}

void ImageOperController::handlePanGesture(ui::PanGestureRecognizer& pan) {
    ui::Point& memory = panTranslationMemory();
    if (pan.state() == ui::GestureRecognizerState::Began) {
        memory = {};
        return;
    }
    if (currentScale_ <= 1) return;
    ui::View& page = *view();
    const ui::Point translation = pan.translationInView(&page);
    const ui::AffineTransform transform = page.transform();
    ui::Rect frame = currentFrame_;
    frame.origin.x += (translation.x - memory.x) * transform.a;
    frame.origin.y += (translation.y - memory.y) * transform.d;
    memory = translation;
    page.setFrame(frame);
    currentFrame_ = frame;
    if (pan.state() != ui::GestureRecognizerState::Ended) return;
    const ui::Rect kept = keptCovering(frame);
    if (kept == frame) return;
    // A drag that left a gap at an edge springs back.
    ui::View::animateWithDuration(kDefaultAnimation, [&] { page.setFrame(kept); });
    currentFrame_ = kept;
}

void ImageOperController::handleSingleDoubleTap(ui::TapGestureRecognizer& tap) {
    ui::View& page = *view();
    const double scale = currentScale_ == 1 ? kMaximumScale : 1;
    const ui::Point tapped = tap.locationInView(page.superview());
    ui::View::animateWithDuration(kDefaultAnimation, [&] {
        const ui::Point centre = page.frame().center();
        page.setTransform(ui::AffineTransform::makeScale(scale, scale));
        if (scale == 1) {
            page.setFrame(initialFrame_);
            return;
        }
        // The photo grows about the tapped point, as far as it keeps covering the page.
        ui::Rect frame = page.frame();
        frame.origin = frame.origin + (centre - tapped) * (scale - 1);
        page.setFrame(keptCovering(frame));
    });
    currentFrame_ = page.frame();
    currentScale_ = scale;
    autoJudgePanGesture();
}

void ImageOperController::handleSingleSingleTap(ui::TapGestureRecognizer&) {
    for (ui::Responder* responder = this; responder; responder = responder->nextResponder()) {
        if (auto* pager = dynamic_cast<ImageScrollPageController*>(responder)) {
            pager->showOrHideHouseSourceInfoBottomView();
            return;
        }
    }
}

ui::ScrollView* ImageOperController::pagerScrollView() {
    return dynamic_cast<ui::ScrollView*>(view()->superview());
}

void ImageOperController::autoJudgePanGesture() {
    ui::View& page = *view();
    const bool zoomed = currentScale_ > 1;
    const auto& attached = page.gestureRecognizers();
    const bool hasPan = std::find(attached.begin(), attached.end(), panGesture_) != attached.end();
    if (zoomed && !hasPan) page.addGestureRecognizer(panGesture_);
    if (!zoomed && hasPan) page.removeGestureRecognizer(panGesture_.get());
    if (ui::ScrollView* pager = pagerScrollView()) pager->setScrollEnabled(!zoomed);
}

bool ImageOperController::gestureRecognizerShouldReceiveTouch(ui::GestureRecognizer&, ui::Touch&) {
    return currentScale_ != 1;
}
