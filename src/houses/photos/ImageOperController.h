#pragma once

#include "platform/uikit/gesture_recognizer.h"
#include "platform/uikit/view_controller.h"

#include <QString>

#include <memory>

namespace ui {
class Button;
class ImageView;
class PanGestureRecognizer;
class PinchGestureRecognizer;
class ScrollView;
class TapGestureRecognizer;
}  // namespace ui

// One page of the full-screen photo pager: a black view showing one photo, fetched at the
// page's size, that zooms between 1x and 2x about the fingers of a pinch (the pointer, for
// the wheel) or a double-tapped point, moves with one finger while zoomed, and toggles the
// pager's bars with a single tap. While zoomed it holds the pager's scroll view still, so
// that a drag moves the photo instead of turning the page. A photo that cannot be fetched
// leaves a button to try again.
class ImageOperController : public ui::ViewController, public ui::GestureRecognizerDelegate {
public:
    static constexpr int kIndicatorTag = 1000;
    static constexpr int kRetryTag = 1001;
    static constexpr double kMaximumScale = 2;
    static inline const QString kRetryTitle = QStringLiteral("图片加载失败，点击重试");

    ImageOperController(const QString& imageName, const ui::Rect& frame);
    ~ImageOperController() override;

    void setOffsetAlignToBottomInSuperView(double offset) {
        offsetAlignToBottomInSuperView_ = offset;
    }
    [[nodiscard]] double offsetAlignToBottomInSuperView() const {
        return offsetAlignToBottomInSuperView_;
    }
    // The photo's view; the pager's save action reads its image.
    [[nodiscard]] ui::ImageView* imageView() const { return imageView_.get(); }
    // The URL, as rewritten for the page's size once the view has loaded.
    [[nodiscard]] const QString& imageName() const { return imageName_; }
    [[nodiscard]] const ui::Rect& imageFrame() const { return imageFrame_; }
    [[nodiscard]] double currentScale() const { return currentScale_; }
    [[nodiscard]] const ui::Rect& currentFrame() const { return currentFrame_; }
    [[nodiscard]] const ui::Rect& initialFrame() const { return initialFrame_; }
    [[nodiscard]] ui::Point initialTopLeftPoint() const { return initialTopLeftPoint_; }
    [[nodiscard]] ui::Point initialBottomRightPoint() const { return initialBottomRightPoint_; }
    [[nodiscard]] ui::PinchGestureRecognizer* pinchGesture() const { return pinchGesture_.get(); }
    [[nodiscard]] ui::PanGestureRecognizer* panGesture() const { return panGesture_.get(); }
    [[nodiscard]] ui::TapGestureRecognizer* tapGestrue() const { return tapGestrue_.get(); }
    [[nodiscard]] ui::TapGestureRecognizer* singleTapGestrue() const {
        return singleTapGestrue_.get();
    }

    // Records the unzoomed state; the view's transform is left alone.
    void setInitialStatus();
    void handlePinchGesture(ui::PinchGestureRecognizer& pinch);
    void handlePanGesture(ui::PanGestureRecognizer& pan);
    void handleSingleDoubleTap(ui::TapGestureRecognizer& tap);
    void handleSingleSingleTap(ui::TapGestureRecognizer& tap);
    // Attaches the pan while zoomed (holding the pager's scroll view) and detaches it after.
    void autoJudgePanGesture();
    // The pan sees touches only while the photo is zoomed.
    bool gestureRecognizerShouldReceiveTouch(ui::GestureRecognizer& recognizer,
                                             ui::Touch& touch) override;

    // An image-host URL "<a>_<w>-<h>_<c>" asked at `width` x `height`, in the better quality
    // ("_7-" for "_3-") on Wi-Fi; a URL of any other number of "_" pieces stays as it is.
    [[nodiscard]] static QString sizedImageURL(const QString& url, int width, int height,
                                               bool wifi);

protected:
    void viewDidLoad() override;

private:
    void createGestureRecognizers();
    void requestPhoto();
    void photoArrived(bool hasOld, bool hasNew);
    void photoFailed();
    // Turns the page's spinner while the photo loads, stops it (hidden) once it came or failed.
    void showIndicator(bool shown);
    // Keeps `frame` covering the unzoomed area: an edge that would come inside it goes back
    // onto the area's edge. The frame as it was when no edge came inside.
    [[nodiscard]] ui::Rect keptCovering(ui::Rect frame) const;
    [[nodiscard]] ui::ScrollView* pagerScrollView();

    std::shared_ptr<ui::ImageView> imageView_;
    double offsetAlignToBottomInSuperView_ = 0;
    QString imageName_;
    std::shared_ptr<ui::PinchGestureRecognizer> pinchGesture_;
    std::shared_ptr<ui::PanGestureRecognizer> panGesture_;
    std::shared_ptr<ui::TapGestureRecognizer> tapGestrue_;
    std::shared_ptr<ui::TapGestureRecognizer> singleTapGestrue_;
    double currentScale_ = 1;
    ui::Point initialTopLeftPoint_;
    ui::Point initialBottomRightPoint_;
    ui::Rect imageFrame_;
    ui::Rect currentFrame_;
    ui::Rect initialFrame_;
    std::shared_ptr<ui::Button> retryButton_;
    bool watchingPhoto_ = false;
};
