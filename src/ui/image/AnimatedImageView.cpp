#include "ui/image/AnimatedImageView.h"

#include "platform/foundation/main_queue.h"
#include "platform/uikit/display_link.h"
#include "ui/image/AnimatedGIFImage.h"

#include <algorithm>
#include <limits>

namespace {

// Time one refresh may add: a long stall does not race through the frames afterwards.
constexpr double kLongestTick = 1.0;

unsigned countdownFor(const AnimatedGIFImage& image) {
    return image.loopCount() == 0 ? std::numeric_limits<unsigned>::max() : image.loopCount();
}

}  // namespace

AnimatedImageView::AnimatedImageView() : AnimatedImageView(ui::Rect{}) {}

AnimatedImageView::AnimatedImageView(const ui::Rect& frame) : ui::ImageView(frame) {}

AnimatedImageView::~AnimatedImageView() {
    if (displayLink_) displayLink_->invalidate();
}

std::shared_ptr<ui::Image> AnimatedImageView::image() const {
    if (animatedImage_) return animatedImage_;
    return ui::ImageView::image();
}

void AnimatedImageView::setImage(std::shared_ptr<ui::Image> image) {
    if (image == this->image()) return;
    pause();
    stoppedByOwner_ = false;
    currentFrameIndex_ = 0;
    loopCountdown_ = 0;
    accumulator_ = 0;
    if (auto gif = std::dynamic_pointer_cast<AnimatedGIFImage>(image)) {
        ui::ImageView::setImage(gif->frameSlots().front());
        currentFrame_ = nullptr;
        animatedImage_ = std::move(gif);
        play();
    } else {
        animatedImage_ = nullptr;
        currentFrame_ = nullptr;
        ui::ImageView::setImage(std::move(image));
    }
}

std::shared_ptr<ui::DisplayLink> AnimatedImageView::displayLink() {
    if (!superview()) {
        if (displayLink_) displayLink_->invalidate();
        displayLink_.reset();
        return nullptr;
    }
    if (!displayLink_ && animatedImage_) {
        const std::weak_ptr<AnimatedImageView> weak = weakAs<AnimatedImageView>();
        displayLink_ = ui::DisplayLink::displayLinkWithTarget([weak](ui::DisplayLink& link) {
            if (auto self = weak.lock()) self->changeKeyframe(link.duration());
        });
        // A view that stands still gets a link that sleeps until it plays.
        displayLink_->setPaused(loopCountdown_ == 0);
        displayLink_->addToRunLoop();
    }
    return displayLink_;
}

void AnimatedImageView::startAnimating() {
    if (!animatedImage_) {
        ui::ImageView::startAnimating();
        return;
    }
    stoppedByOwner_ = false;
    play();
}

void AnimatedImageView::stopAnimating() {
    if (animatedImage_) stoppedByOwner_ = true;
    pause();
}

void AnimatedImageView::play() {
    if (isAnimating()) return;
    // A GIF that played its last pass starts over from its first frame.
    if (currentFrameIndex_ >= animatedImage_->frameCount()) {
        currentFrameIndex_ = 0;
        accumulator_ = 0;
        currentFrame_ = animatedImage_->getFrameWithIndex(0);
        displayLayer();
    }
    loopCountdown_ = countdownFor(*animatedImage_);
    if (auto link = displayLink()) link->setPaused(false);
}

void AnimatedImageView::pause() {
    if (!animatedImage_) {
        ui::ImageView::stopAnimating();
        return;
    }
    loopCountdown_ = 0;
    if (displayLink_) displayLink_->setPaused(true);
}

bool AnimatedImageView::isAnimating() const {
    return ui::ImageView::isAnimating() || (displayLink_ && !displayLink_->isPaused());
}

void AnimatedImageView::changeKeyframe(double seconds) {
    if (!animatedImage_) return;
    const std::size_t count = animatedImage_->frameCount();
    if (currentFrameIndex_ >= count) return;
    const auto& durations = animatedImage_->frameDurations();
    accumulator_ += std::min(seconds, kLongestTick);
    while (accumulator_ >= durations[currentFrameIndex_]) {
        accumulator_ -= durations[currentFrameIndex_];
        if (++currentFrameIndex_ >= count) {
            if (--loopCountdown_ == 0) {
                pause();
                return;
            }
            currentFrameIndex_ = 0;
        }
        currentFrame_ = animatedImage_->getFrameWithIndex(currentFrameIndex_);
        displayLayer();
    }
}

void AnimatedImageView::displayLayer() {
    // A frame not decoded in time is skipped: the one before stays on screen.
    if (animatedImage_ && currentFrame_) layer()->setContents(currentFrame_);
}

void AnimatedImageView::setHighlighted(bool highlighted) {
    if (!animatedImage_) ui::ImageView::setHighlighted(highlighted);
}

ui::Size AnimatedImageView::sizeThatFits(ui::Size size) const {
    return animatedImage_ ? animatedImage_->size() : ui::ImageView::sizeThatFits(size);
}

void AnimatedImageView::didMoveToWindow() {
    ui::ImageView::didMoveToWindow();
    if (window()) {
        if (!animatedImage_) {
            ui::ImageView::startAnimating();
        } else if (!stoppedByOwner_) {
            play();
        }
        return;
    }
    // Taken out and put back within one turn (moved elsewhere) keeps playing.
    const std::weak_ptr<AnimatedImageView> weak = weakAs<AnimatedImageView>();
    ns::MainQueue::post([weak] {
        auto self = weak.lock();
        if (self && !self->window()) self->pause();
    });
}

void AnimatedImageView::didMoveToSuperview() {
    ui::ImageView::didMoveToSuperview();
    if (superview()) {
        displayLink();
        return;
    }
    const std::weak_ptr<AnimatedImageView> weak = weakAs<AnimatedImageView>();
    ns::MainQueue::post([weak] {
        if (auto self = weak.lock()) self->displayLink();
    });
}

void AnimatedImageView::setRunLoopMode(const QString& mode) {
    if (mode == runLoopMode_) return;
    stopAnimating();
    runLoopMode_ = mode;
    startAnimating();
}
