// The detail's actions: the favourite or remark button, the report, the community page.
#include "analytics/StatClick.h"
#include "houses/HousesNavigation.h"
#include "houses/detail/QXAddSignController.h"
#include "houses/detail/QXPostDetailNew.h"
#include "houses/detail/Report.h"
#include "houses/shared/HouseFavourites.h"
#include "platform/uikit/bar_button_item.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/label.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/navigation_item.h"
#include "util/categories/Tolerant.h"

namespace {

const QString kFavouriteTitle = QStringLiteral("收藏");
const QString kRemarkTitle = QStringLiteral("备注");

}  // namespace

void QXPostDetailNew::addNavButtons() {
    const bool favourite = HouseFavourites::isSaved(contentDict_);
    favBtn_ =
        HousesNavigation::setRightButton(*this, QString(), [weak = weakAs<QXPostDetailNew>()] {
            auto self = weak.lock();
            if (!self || !self->favBtn_) return;
            if (self->favBtn_->titleForState(ui::kControlStateNormal) == kRemarkTitle) {
                self->addSign();
            } else {
                self->favorite();
            }
        });
    favBtn_->setTitle(favourite ? kRemarkTitle : kFavouriteTitle, ui::kControlStateNormal);
}

void QXPostDetailNew::removeNavButtons() {
    navigationItem().setRightBarButtonItem(nullptr);
    favBtn_.reset();
}

void QXPostDetailNew::favorite() {
    if (fromType_ == 1) StatClick::event(QStringLiteral("chat_houses_collect"));
    if (HouseFavourites::addTellingUser(contentDict_) == HouseFavourites::Outcome::Done && favBtn_)
        favBtn_->setTitle(kRemarkTitle, ui::kControlStateNormal);
}

void QXPostDetailNew::addSign() {
    if (puid_.isEmpty()) return;
    StatClick::event(QStringLiteral("house_detail_remark"));
    auto remark = std::make_shared<QXAddSignController>();
    remark->setPuid(puid_);
    if (ui::NavigationController* navigation = navigationController())
        navigation->pushViewController(remark, true);
}

void QXPostDetailNew::gotoReport() {
    const Tolerant post{QVariant(contentDict_)};
    auto report = std::make_shared<Report>();
    report->setCategoryId(post["CategoryId"].intValue());
    report->setMajorCategoryScriptIndex(post["major_category"].intValue());
    report->setPostId(puid_);
    if (ui::NavigationController* navigation = navigationController())
        navigation->pushViewController(report, true);
}

void QXPostDetailNew::goToXiaoquInfo() {
    StatClick::event(showOtherListEntrance_ ? QStringLiteral("house_bn_xiaoqu1")
                                            : QStringLiteral("house_bn_xiaoqu2"));
    HousesNavigation::pushCommunityPage(*this, contentDict_, showOtherListEntrance_);
}
