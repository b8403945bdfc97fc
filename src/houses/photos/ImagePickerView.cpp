#include "houses/photos/ImagePickerView.h"

#include "analytics/StatClick.h"
#include "houses/photos/ImageScrollPageController.h"
#include "houses/shared/HousesHost.h"
#include "houses/shared/PostPhotosScreen.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/tap_gesture_recognizer.h"
#include "ui/image/ImageView.h"

#include <cmath>

namespace {

constexpr double kStripWidthOf126 = 320;
constexpr int kPlaceholders = 3;
constexpr double kFlashDuration = 0.75;

const ui::Color& flashGreen() {
    static const ui::Color green = ui::Color::rgb(85, 187, 34);
    return green;
}

const ui::Color& restingGrey() {
    static const ui::Color grey = ui::Color::rgb(229, 229, 229);
    return grey;
}

}  // namespace

std::shared_ptr<ImagePickerView> ImagePickerView::initWithFrame(
    const ui::Rect& frame, const std::optional<QStringList>& array, int style) {
    auto strip = std::make_shared<ImagePickerView>(frame, style);
    strip->scrollView_->setDelegate(strip);
    strip->addImageViewsWithImageURLArray(array);
    return strip;
}

ImagePickerView::ImagePickerView(const ui::Rect& frame, int style)
    : ui::View(frame), backStyle_(style) {
    setBackgroundColor(style == 1 ? ui::Color::clearColor() : ui::Color::rgb(237, 237, 237));
    scrollView_ =
        std::make_shared<ui::ScrollView>(ui::Rect(0, 0, frame.size.width, frame.size.height));
    scrollView_->setPagingEnabled(true);
    addSubview(scrollView_);
}

ImagePickerView::~ImagePickerView() {
    cancelDownImage();
}

ImagePickerView::Geometry ImagePickerView::geometry() const {
    if (scrollView_->frame().size.width == kStripWidthOf126) return {8, {126, 95}};
    return {4, {80, 60}};
}

ui::Rect ImagePickerView::thumbnailFrame(const Geometry& geometry, int index) const {
    const double height = scrollView_->frame().size.height;
    return {geometry.gap + index * (geometry.gap + geometry.thumbnail.width),
            (height - geometry.thumbnail.height) / 2, geometry.thumbnail.width,
            geometry.thumbnail.height};
}

void ImagePickerView::addImageViewsWithImageURLArray(const std::optional<QStringList>& array) {
    const Geometry sizes = geometry();
    int shown = kPlaceholders;
    if (array) {
        setTarget();
        theImageArray_ = *array;
        // The old thumbnails' downloads go on: another view may be waiting for the same URL.
        imageViewArray_.clear();
        for (const auto& subview : std::vector(scrollView_->subviews()))
            subview->removeFromSuperview();
        for (int i = 0; i < array->size(); ++i) {
            auto thumbnail = std::make_shared<ImageView>(thumbnailFrame(sizes, i));
            thumbnail->setImageUrl(QUrl(array->at(i)));
            thumbnail->setImageFromImageUrl();
            scrollView_->addSubview(thumbnail);
            imageViewArray_.push_back(std::move(thumbnail));
        }
        shown = int(array->size());
    } else {
        for (int i = 0; i < kPlaceholders; ++i) {
            scrollView_->addSubview(std::make_shared<ImageView>(thumbnailFrame(sizes, i)));
        }
    }
    scrollView_->setContentSize({sizes.gap + shown * (sizes.gap + sizes.thumbnail.width),
                                 scrollView_->frame().size.height});
    scrollView_->setPagingEnabled(false);
    scrollView_->setUserInteractionEnabled(true);
    scrollView_->setShowsHorizontalScrollIndicator(false);
    scrollView_->setShowsVerticalScrollIndicator(false);
}

void ImagePickerView::setTarget(const std::shared_ptr<ui::ViewController>& target) {
    if (target && !target_.lock()) target_ = target;
    // One recognizer, so that one tap presents one pager.
    if (tap_) return;
    tap_ = std::make_shared<ui::TapGestureRecognizer>(this, [this](ui::GestureRecognizer& tap) {
        handleTap(static_cast<ui::TapGestureRecognizer&>(tap));
    });
    addGestureRecognizer(tap_);
}

std::shared_ptr<ui::ViewController> ImagePickerView::target() const {
    if (auto chosen = target_.lock()) return chosen;
    for (ui::Responder* responder = nextResponder(); responder;
         responder = responder->nextResponder()) {
        if (auto* screen = dynamic_cast<ui::ViewController*>(responder)) {
            return screen->sharedAs<ui::ViewController>();
        }
    }
    return nullptr;
}

void ImagePickerView::scrollViewDidScroll(ui::ScrollView& scrollView) {
    const int x = int(std::trunc(scrollView.contentOffset().x));
    if (x >= 0) contentX_ = x;
}

void ImagePickerView::cancelDownImage() {
    for (const auto& thumbnail : imageViewArray_) thumbnail->cancelDownload();
    imageViewArray_.clear();
}

void ImagePickerView::handleTap(ui::TapGestureRecognizer& tap) {
    if (theImageArray_.isEmpty()) return;
    const int x = int(std::trunc(tap.locationInView(this).x + contentX_));
    selectIndex_ = kNoSelection;
    for (int i = 0; i < theImageArray_.size() && i < int(imageViewArray_.size()); ++i) {
        const ui::Rect frame = imageViewArray_[std::size_t(i)]->frame();
        if (frame.origin.x < x && frame.origin.x + frame.size.width > x) {
            selectIndex_ = i;
            break;
        }
    }
    if (selectIndex_ == kNoSelection) return;
    if (fromWhereIn_ == kFromNeedReplies)
        StatClick::event(QStringLiteral("subscribe_detail_pic_clk"));
    flash(*imageViewArray_[std::size_t(selectIndex_)]);

    auto pager = std::make_shared<ImageScrollPageController>(theImageArray_, selectIndex_);
    pager->setShouldShowHouseInfoView(true);
    const auto screen = target();
    if (!screen) return;
    handPostTo(*pager, *screen);
    screen->presentViewController(HousesHost::shared()->makeNavigationController(pager), true);
}

void ImagePickerView::handPostTo(ImageScrollPageController& pager,
                                 ui::ViewController& target) const {
    if (auto* detail = dynamic_cast<PostPhotosScreen*>(&target)) {
        pager.setHouseInfoFromQXPostDetailNew(detail->post());
        pager.setAgentInfoFromQXPostDetailNew(detail->agentInfo());
        pager.setHiddenChatAgentInfoFromQXPostDetailNew(detail->hiddenChatAgentInfo());
    } else if (auto* replies = dynamic_cast<NeedReplyScreen*>(&target)) {
        pager.setPostIdFromFindHouseRequestDetailPage(replies->needId());
        pager.setHouseInfoFromFindHouseRequestDetailPage(houseInfoFromFindHouseRequestDetailPage_);
    }
}

void ImagePickerView::flash(ImageView& thumbnail) {
    thumbnail.setBackgroundColor(flashGreen());
    const ui::Size size = thumbnail.bounds().size;
    thumbnail.bImageView()->setFrame({2, 2, size.width - 4, size.height - 4});
    ui::View::animateWithDuration(
        kFlashDuration, [&thumbnail] { thumbnail.setBackgroundColor(restingGrey()); },
        [weak = thumbnail.weakAs<ImageView>(), size](bool) {
            const auto shown = weak.lock();
            if (!shown) return;
            shown->setBackgroundColor(restingGrey());
            shown->bImageView()->setFrame({1, 1, size.width - 2, size.height - 2});
        });
}
