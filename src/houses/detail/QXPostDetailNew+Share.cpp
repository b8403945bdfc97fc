// The detail's share row and the first photo it shares, and the row that leads to another
// list of houses: pieces a build may place at the running position.
#include "houses/detail/QXPostDetailNew.h"
#include "platform/uikit/action_sheet.h"
#include "platform/uikit/application.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "ui/image/IKImageManager.h"
#include "ui/image/StretchedImage.h"

#include <QUrl>

namespace {

constexpr double kShareHeight = 40;
constexpr double kShareAdvance = 50;
constexpr double kOtherHouseAdvance = 30;

}  // namespace

void QXPostDetailNew::addSendWeixin() {
    auto box =
        std::make_shared<ui::ImageView>(StretchedImage::fromCentre(QStringLiteral("button灰色")));
    box->setFrame({10, y_, kWidth - 20, kShareHeight});
    box->setTag(kShareBoxTag);
    box->setUserInteractionEnabled(true);
    auto share = std::make_shared<ui::Button>(ui::Rect(0, 0, kWidth - 20, kShareHeight));
    share->setBackgroundImage(StretchedImage::fromCentre(QStringLiteral("button灰色")),
                              ui::kControlStateNormal);
    share->setBackgroundImage(StretchedImage::fromCentre(QStringLiteral("button灰色点击态")),
                              ui::kControlStateHighlighted);
    share->setImage(ui::Image::imageNamed(QStringLiteral("微信icon.png")), ui::kControlStateNormal);
    share->setTitle(kShareTitle, ui::kControlStateNormal);
    share->setFont(ui::Font::systemFontOfSize(14));
    // A post nobody can be reached at reads paler.
    share->setTitleColor(postPhone_.isEmpty() ? ui::Color::grayColor() : ui::Color::blackColor(),
                         ui::kControlStateNormal);
    share->addTarget(this, ui::kControlEventTouchUpInside,
                     [this](ui::Control&, const ui::Event*) { smsAction(); });
    box->addSubview(share);
    addSubview(box);
    y_ += kShareAdvance;
}

void QXPostDetailNew::smsAction() {
    // Closing the sheet, by either button, does nothing more.
    auto sheet = std::make_shared<ui::ActionSheet>(
        QString(), std::weak_ptr<ui::ActionSheetDelegate>(), QStringLiteral("取消"), QString(),
        QStringList{kShareChoice});
    sheet->setTag(kShareSheetTag);
    sheet->showInView(view().get());
}

void QXPostDetailNew::clickedButtonAtIndex(ui::AlertView&, int index) {
    if (index == 1) ui::Application::sharedApplication().openURL(QUrl(kMessengerStorePage));
}

void QXPostDetailNew::uploadWeiXinImage(const QString& url) {
    // The image manager reads and decodes off the main thread and answers on it.
    IKImageManager::sharedManager().downloadImageWithURL(
        url, 0, {},
        [weak = weakAs<QXPostDetailNew>()](const IKImageManager::Image& image,
                                           const std::optional<ns::Error>&, IKImageCacheType,
                                           bool finished, const QUrl&) {
            auto self = weak.lock();
            if (self && finished && image) self->weiXinImage_ = image;
        });
}

void QXPostDetailNew::addOtherHouse(const QString& title, std::function<void()> entry) {
    auto row = std::make_shared<ui::Button>(ui::Rect(0, y_, kWidth, kOtherHouseAdvance));
    row->setBackgroundColor(ui::Color::clearColor());
    row->addTarget(this, ui::kControlEventTouchUpInside,
                   [entry = std::move(entry)](ui::Control&, const ui::Event*) {
                       if (entry) entry();
                   });
    auto label = std::make_shared<ui::Label>(ui::Rect(12, 10, 300, 20));
    label->setText(title);
    label->setFont(ui::Font::systemFontOfSize(14));
    label->setTextColor(ui::Color::colorWithWhite(0.2));
    label->setBackgroundColor(ui::Color::clearColor());
    label->setUserInteractionEnabled(false);
    row->addSubview(label);
    addSubview(row);
    y_ += kOtherHouseAdvance;
}
