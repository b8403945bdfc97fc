#include "houses/catalog/CategoryTileViews.h"

#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "ui/image/StretchedImage.h"

namespace {

constexpr double kTitleHeight = 25;

}  // namespace

std::shared_ptr<ui::Image> CategoryTile::getImageFromView(ui::View& view) {
    return view.snapshotImage();
}

CategoryTile::CategoryTile(const ui::Rect& frame, const QString& background,
                           const ui::Rect& picture, const ui::Rect& title, double fontSize,
                           const ui::Rect& buttonArea)
    : ui::View(frame) {
    setClipsToBounds(false);
    auto backdrop = std::make_shared<ui::ImageView>(StretchedImage::fromCentre(background));
    backdrop->setFrame(bounds());
    addSubview(backdrop);

    picImgView_ = std::make_shared<ui::ImageView>(picture);
    addSubview(picImgView_);
    titleLbel_ = std::make_shared<ui::Label>(title);
    titleLbel_->setFont(ui::Font::systemFontOfSize(fontSize));
    titleLbel_->setTextColor(ui::Color::blackColor());
    titleLbel_->setTextAlignment(ui::TextAlignment::Center);
    titleLbel_->setBackgroundColor(ui::Color::clearColor());
    addSubview(titleLbel_);

    tagBtn_ = ui::Button::buttonWithType(ui::ButtonType::Custom);
    tagBtn_->setFrame(buttonArea);
    // The pressed look: the picture's area darkened.
    auto shade =
        std::make_shared<ui::View>(ui::Rect(0, 0, picture.size.width, picture.size.height));
    shade->setBackgroundColor(ui::Color::colorWithWhite(0, 0.2));
    tagBtn_->setBackgroundImage(getImageFromView(*shade), ui::kControlStateHighlighted);
    tagBtn_->addTarget(
        tagBtn_.get(), ui::kControlEventTouchUpInside, [](ui::Control& button, const ui::Event*) {
            for (ui::Responder* r = button.nextResponder(); r; r = r->nextResponder()) {
                if (auto* target = dynamic_cast<CategoryTileTarget*>(r)) {
                    target->click(static_cast<ui::Button&>(button));
                    return;
                }
            }
        });
    addSubview(tagBtn_);
}

TempView::TempView(const ui::Rect& frame)
    : CategoryTile(
          frame, QStringLiteral("招聘背景框子.png"),
          ui::Rect((frame.size.width - 60) / 2, (frame.size.height - 60) / 2, 60, 60),
          ui::Rect(-5, frame.size.height - 4 - kTitleHeight, frame.size.width + 10, kTitleHeight),
          14, ui::Rect((frame.size.width - 60) / 2, (frame.size.height - 60) / 2, 60, 60)) {}

namespace {
// The picture and the title under it, centred vertically together.
double pictureTop(const ui::Rect& frame) {
    return (frame.size.height - 44 - kTitleHeight) / 2;
}
}  // namespace

TempViewNew::TempViewNew(const ui::Rect& frame)
    : CategoryTile(frame, QStringLiteral("边框.png"),
                   ui::Rect((frame.size.width - 44) / 2, pictureTop(frame), 44, 44),
                   ui::Rect(0, pictureTop(frame) + 44, frame.size.width, kTitleHeight), 14,
                   ui::Rect((frame.size.width - 44) / 2, pictureTop(frame), 44, 44)) {}

NearByTempView::NearByTempView(const ui::Rect& frame)
    : CategoryTile(frame, QStringLiteral("边框.png"), ui::Rect(frame.size.width - 212, 2, 210, 62),
                   ui::Rect(0, 0, frame.size.width - 214, frame.size.height), 16,
                   ui::Rect(0, 0, frame.size.width, frame.size.height)) {
    auto divider =
        std::make_shared<ui::ImageView>(ui::Image::imageNamed(QStringLiteral("附近分割线.png")));
    divider->setFrame({frame.size.width - 214, 0, 1, 66});
    insertSubviewBelowSubview(divider, tagBtn());
    topImg_ = std::make_shared<ui::ImageView>(ui::Rect(frame.size.width - 45, 8, 32, 32));
    insertSubviewBelowSubview(topImg_, tagBtn());
}
