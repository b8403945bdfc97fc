#include "houses/shared/FangXinFangBanner.h"

#include "platform/foundation/timer.h"
#include "platform/foundation/user_defaults.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/screen.h"
#include "util/categories/Tolerant.h"

namespace {

const QString kFangXinFangFlag = QStringLiteral("fangXinFangFlag");
constexpr double kBannerScreenWidth = 320;

}  // namespace

std::shared_ptr<ns::Timer> FangXinFangBanner::showOnce(ui::View& view, int masterId, int majorId) {
    if (masterId != 7 || (majorId != 1 && majorId != 3 && majorId != 5)) return nullptr;
    auto& defaults = ns::UserDefaults::standardUserDefaults();
    if (Tolerant(defaults.objectForKey(kFangXinFangFlag)).intValue() == 1) return nullptr;
    defaults.setObject(QStringLiteral("1"), kFangXinFangFlag);
    auto background = ui::Image::imageNamed(QStringLiteral("tip-bg.png"));
    auto banner = std::make_shared<ui::ImageView>(
        background ? background->stretchableImageWithLeftCapWidth(
                         int(background->size().width / 2), int(background->size().height / 2))
                   : nullptr);
    banner->setFrame({(kBannerScreenWidth - 250) / 2,
                      ui::Screen::mainScreen().bounds().size.height - 174, 250, 70});
    banner->setTag(kTag);
    banner->setUserInteractionEnabled(false);
    banner->setClipsToBounds(false);
    auto badge =
        std::make_shared<ui::ImageView>(ui::Image::imageNamed(QStringLiteral("放心房.png")));
    if (badge->image())
        badge->setFrame({20, 18, badge->image()->size().width, badge->image()->size().height});
    banner->addSubview(badge);
    auto text = std::make_shared<ui::Label>(ui::Rect(50, 5, 200, 60));
    text->setBackgroundColor(ui::Color::clearColor());
    text->setTextColor(ui::Color::whiteColor());
    text->setFont(ui::Font::systemFontOfSize(14));
    text->setLineBreakMode(ui::LineBreakMode::CharacterWrap);
    text->setNumberOfLines(0);
    text->setText(QStringLiteral("该信息是放心房，经纪人承诺房源真实有效！"));
    banner->addSubview(text);
    view.addSubview(banner);
    return ns::Timer::scheduledTimer(
        ns::seconds(kShowSeconds), true,
        [shown = std::weak_ptr<ui::ImageView>(banner)](ns::Timer& timer) {
            timer.invalidate();
            if (auto banner = shown.lock()) banner->setHidden(true);
        });
}
