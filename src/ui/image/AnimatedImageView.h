#pragma once

#include "platform/uikit/image_view.h"

#include <QString>

#include <cstddef>
#include <memory>

namespace ui {
class DisplayLink;
}
class AnimatedGIFImage;

// An image view that plays an AnimatedGIFImage on a display link, frame by frame after
// the GIF's own delays (time gathered per refresh, at most 1 s a tick), for the GIF's
// loop count; any other image shows still. It plays while it is in a window, unless its owner
// stopped it: that stop holds wherever the view goes, until startAnimating or a new image.
class AnimatedImageView : public ui::ImageView {
public:
    AnimatedImageView();
    explicit AnimatedImageView(const ui::Rect& frame);
    ~AnimatedImageView() override;

    // The animated image while one plays, else the still one shown.
    [[nodiscard]] std::shared_ptr<ui::Image> image() const override;
    void setImage(std::shared_ptr<ui::Image> image) override;
    // The animated image being played, or nothing for a still one.
    [[nodiscard]] const std::shared_ptr<AnimatedGIFImage>& animatedImage() const {
        return animatedImage_;
    }
    void startAnimating() override;
    void stopAnimating() override;
    [[nodiscard]] bool isAnimating() const override;
    void setHighlighted(bool highlighted) override;
    [[nodiscard]] ui::Size sizeThatFits(ui::Size size) const override;
    void didMoveToWindow() override;
    void didMoveToSuperview() override;

    [[nodiscard]] const QString& runLoopMode() const { return runLoopMode_; }
    void setRunLoopMode(const QString& mode);
    // The link, made when the view has a superview and an animated image; none (and an
    // old one ended) without a superview.
    std::shared_ptr<ui::DisplayLink> displayLink();
    [[nodiscard]] std::size_t currentFrameIndex() const { return currentFrameIndex_; }
    // One refresh of the display link: `seconds` since the one before.
    void changeKeyframe(double seconds);

private:
    // Plays from where it stands, or from the first frame once its passes are played.
    void play();
    // Stops playing for now (out of the window, its passes played); what its owner said stands.
    void pause();
    void displayLayer();

    std::shared_ptr<AnimatedGIFImage> animatedImage_;
    std::shared_ptr<ui::DisplayLink> displayLink_;
    QString runLoopMode_;
    std::size_t currentFrameIndex_ = 0;
    std::shared_ptr<ui::Image> currentFrame_;
    // Passes left to play; none while it stands still.
    unsigned loopCountdown_ = 0;
    bool stoppedByOwner_ = false;
    double accumulator_ = 0;
};
