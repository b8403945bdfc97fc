// The detail's actions: the favourite or remark button, the report, the community page.
#include "analytics/StatClick.h"
#include "houses/HouseFavourites.h"
#include "houses/HousesNavigation.h"
#include "houses/QXAddSignController.h"
#include "houses/QXPostDetailNew.h"
#include "houses/Report.h"
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

// Stands in for the community page until the community screens exist: the community's name
// and where it lies.
class CommunityPagePlaceholder final : public ui::ViewController {
public:
    CommunityPagePlaceholder(QString name, QString area)
        : name_(std::move(name)), area_(std::move(area)) {
        setHidesBottomBarWhenPushed(true);
        setEdgesForExtendedLayout(ui::kRectEdgeNone);
    }

protected:
    void viewDidLoad() override {
        ui::ViewController::viewDidLoad();
        setTitle(QStringLiteral("小区详情"));
        view()->setBackgroundColor(ui::Color::rgb(250, 250, 250));
        const auto line = [this](double y, const QString& text, double size, double white) {
            auto label = std::make_shared<ui::Label>(ui::Rect(12, y, 296, 24));
            label->setText(text);
            label->setFont(ui::Font::systemFontOfSize(size));
            label->setTextColor(ui::Color::colorWithWhite(white));
            label->setTextAlignment(ui::TextAlignment::Center);
            label->setBackgroundColor(ui::Color::clearColor());
            view()->addSubview(label);
        };
        line(150, name_, 18, 0.2);
        line(180, area_, 14, 0.6);
    }

private:
    QString name_;
    QString area_;
};

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

std::optional<QString> QXPostDetailNew::communityArea(const PostRecord& post) {
    const QString district = post.value(QStringLiteral("district_name")).toString();
    const QString street = post.value(QStringLiteral("street_name")).toString();
    if (!district.isEmpty() && !street.isEmpty()) return district + QStringLiteral(" - ") + street;
    if (!district.isEmpty()) return district;
    if (!street.isEmpty()) return street;
    return std::nullopt;
}

void QXPostDetailNew::goToXiaoquInfo() {
    StatClick::event(showOtherListEntrance_ ? QStringLiteral("house_bn_xiaoqu1")
                                            : QStringLiteral("house_bn_xiaoqu2"));
    auto page = makeCommunityPage(contentDict_.value(QStringLiteral("domain")).toString(),
                                  contentDict_.value(QStringLiteral("pinyin")).toString(),
                                  communityArea(contentDict_));
    if (ui::NavigationController* navigation = navigationController())
        navigation->pushViewController(page, true);
}

std::shared_ptr<ui::ViewController> QXPostDetailNew::makeCommunityPage(
    const QString& cityKey, const QString& pinyin, const std::optional<QString>& area) const {
    (void)cityKey;
    (void)pinyin;
    return std::make_shared<CommunityPagePlaceholder>(
        contentDict_.value(QStringLiteral("xiaoqu")).toString(), area.value_or(QString()));
}
