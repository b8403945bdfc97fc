#pragma once

#include "platform/uikit/scroll_view.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <optional>
#include <vector>

namespace ui {
class TapGestureRecognizer;
class ViewController;
}  // namespace ui
class ImageView;
class ImageScrollPageController;

// A horizontal strip of one post's photo thumbnails. A tap on a thumbnail opens the photo
// pager at that photo, presented over the screen that shows the strip, and hands the pager
// what that screen knows of the post: the post detail its post, broker data and hide-broker
// flag; a screen of a housing need's replies its need and the recommended house.
//
// The strip may be made without photos (three empty thumbnails that take no taps) and
// refilled any number of times; it cancels its thumbnails' downloads when it goes.
class ImagePickerView : public ui::View, public ui::ScrollViewDelegate {
public:
    // No thumbnail was hit.
    static constexpr int kNoSelection = 2147483647;
    // The opener mark of the house cells of a need's replies.
    static constexpr int kFromNeedReplies = 1;

    // A screen that shows strips of the houses recommended for a housing need.
    class NeedReplyScreen {
    public:
        virtual ~NeedReplyScreen() = default;
        // The id of the need whose replies the screen shows.
        [[nodiscard]] virtual QString needId() const = 0;
    };

    // `array` nil: three empty placeholders. Style 1 has a clear background, any other a
    // light grey one.
    [[nodiscard]] static std::shared_ptr<ImagePickerView> initWithFrame(
        const ui::Rect& frame, const std::optional<QStringList>& array, int style);
    ImagePickerView(const ui::Rect& frame, int style);
    ~ImagePickerView() override;

    // Replaces the thumbnails (nil: three empty placeholders, the photos kept) and starts
    // their downloads.
    void addImageViewsWithImageURLArray(const std::optional<QStringList>& array);
    // The screen the pager is presented over: the first one given stays. Without one, the
    // screen whose view holds the strip. Makes the strip take taps (once, however often it
    // is called).
    void setTarget(const std::shared_ptr<ui::ViewController>& target = nullptr);
    [[nodiscard]] std::shared_ptr<ui::ViewController> target() const;

    void setFromWhereIn(int from) { fromWhereIn_ = from; }
    [[nodiscard]] int fromWhereIn() const { return fromWhereIn_; }
    void setHouseInfoFromFindHouseRequestDetailPage(QVariant house) {
        houseInfoFromFindHouseRequestDetailPage_ = std::move(house);
    }
    [[nodiscard]] const QVariant& houseInfoFromFindHouseRequestDetailPage() const {
        return houseInfoFromFindHouseRequestDetailPage_;
    }
    [[nodiscard]] ui::ScrollView* scrollView() const { return scrollView_.get(); }
    [[nodiscard]] int backStyle() const { return backStyle_; }
    [[nodiscard]] const QStringList& theImageArray() const { return theImageArray_; }
    [[nodiscard]] const std::vector<std::shared_ptr<ImageView>>& imageViewArray() const {
        return imageViewArray_;
    }
    [[nodiscard]] int contentX() const { return contentX_; }
    [[nodiscard]] int selectIndex() const { return selectIndex_; }

    void scrollViewDidScroll(ui::ScrollView& scrollView) override;
    // Cancels every thumbnail's download and forgets the thumbnails.
    void cancelDownImage();
    void handleTap(ui::TapGestureRecognizer& tap);

private:
    // The thumbnails' gap and size for the scroll view's width.
    struct Geometry {
        double gap;
        ui::Size thumbnail;
    };
    [[nodiscard]] Geometry geometry() const;
    [[nodiscard]] ui::Rect thumbnailFrame(const Geometry& geometry, int index) const;
    void flash(ImageView& thumbnail);
    void handPostTo(ImageScrollPageController& pager, ui::ViewController& target) const;

    std::shared_ptr<ui::ScrollView> scrollView_;
    std::vector<std::shared_ptr<ImageView>> imageViewArray_;
    int backStyle_ = 0;
    QStringList theImageArray_;
    std::weak_ptr<ui::ViewController> target_;
    int contentX_ = 0;
    int selectIndex_ = kNoSelection;
    int fromWhereIn_ = 0;
    QVariant houseInfoFromFindHouseRequestDetailPage_;
    std::shared_ptr<ui::TapGestureRecognizer> tap_;
};
