// The lower part of a need's replies screen: the recommended houses, a batch at a time, and
// the need's daily push subscription.
#include "needs/QXBrokerReplyViewController.h"

#include "needs/NeedNeighbourScreens.h"
#include "needs/QXHouseSourceCell.h"

#include "IMChat/qximlib/QXIMDatabase.h"
#include "analytics/StatClick.h"
#include "chat/QXChatListController.h"
#include "chat/QXMessageController.h"
#include "houses/shared/HouseFavourites.h"
#include "net/EndpointTable.h"
#include "net/QXIMRequest.h"
#include "net/QXNetConnection.h"
#include "net/QXNetContext.h"
#include "net/RequestHeaderSet.h"
#include "net/transport/Json.h"
#include "ui/widgets/AlertMessages.h"
#include "ui/widgets/FloatView.h"
#include "ui/widgets/QueueAlertView.h"
#include "util/categories/Tolerant.h"

#include "platform/foundation/notification_center.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/screen.h"
#include "platform/uikit/window.h"

namespace {

const QString kNextPageCell = QStringLiteral("QXCellNextPage");
constexpr double kBarHeight = 44;
constexpr double kBandHeight = 63;
constexpr double kRowWithPhotos = 209;
constexpr double kRowWithoutPhotos = 149;
constexpr double kNoticeLift = 40;

void moveBy(ui::View& view, double dy) {
    ui::Rect frame = view.frame();
    frame.origin.y += dy;
    view.setFrame(frame);
}

std::shared_ptr<ui::ImageView> hairline(const ui::Rect& frame, int grey) {
    auto line = std::make_shared<ui::ImageView>(frame);
    line->setBackgroundColor(ui::Color::rgb(grey, grey, grey));
    return line;
}

// The window's floating message, where the favourite and subscription outcomes show.
void floatMessage(const QString& text) {
    FloatView::showMessageInKeyWindow(text);
}

qint64 subscribeIdOf(const QVariant& reply) {
    return Tolerant(reply)[QStringLiteral("data")][QStringLiteral("subscribeId")]
        .value()
        .toLongLong();
}

}  // namespace

QString QXBrokerReplyViewController::rentOrBuy() const {
    return needInfoDictFromDB_.value(QStringLiteral("rentOrBuy")).toString();
}

QVariantMap QXBrokerReplyViewController::houseAt(int row) const {
    return row >= 0 && row < int(houseSourceArray_.size()) ? houseSourceArray_[row].toMap()
                                                           : QVariantMap();
}

QVariantMap QXBrokerReplyViewController::talkInfoForHouse(const QVariantMap& house,
                                                          const QString& needId, qint64 userId) {
    const Tolerant record{QVariant(house)};
    const QString broker = record[QStringLiteral("userId")].toString();
    // The broker's fields go through the JSON layer, so that any name or company keeps the
    // text valid JSON.
    QVariantMap otherUser{
        {QStringLiteral("id"), broker},
        {QStringLiteral("name"), record[QStringLiteral("person")].toString()},
        {QStringLiteral("phone"), record[QStringLiteral("phone")].toString()},
        {QStringLiteral("creditScore"),
         QString::number(record[QStringLiteral("creditScore")].intValue())},
        {QStringLiteral("picUrl"), record[QStringLiteral("photo")].toString()},
        {QStringLiteral("streetName"), QString()},
        {QStringLiteral("companyName"), record[QStringLiteral("companyName")].toString()},
        {QStringLiteral("districtName"), QString()},
    };
    return {
        {QStringLiteral("u_id"), QString::number(userId)},
        {QStringLiteral("t_id"), QStringLiteral("%1-%2").arg(broker).arg(userId)},
        {QStringLiteral("o_user"), json_JSONString(otherUser)},
        {QStringLiteral("p_post"),
         json_JSONString(QVariantMap{{QStringLiteral("id"), needId},
                                     {QStringLiteral("title"), QStringLiteral(" ")}})},
        {QStringLiteral("r_id"), needId},
    };
}

void QXBrokerReplyViewController::doSomethingBySubscribeId() {
    const QString stored = QXIMDatabase::shared().getSubscribeIdWithPostId(needId_);
    if (!stored.isEmpty()) {
        subscribeId_ = stored.toLongLong();
        loadHouseSourceInfoWithSubscribeId(subscribeId_);
        return;
    }
    const auto weak = weakAs<QXBrokerReplyViewController>();
    QXNetConnection::sharedInstance().requestManageSubscribeWithID(
        needId_, QXNetConnection::kSubscribe, rentOrBuy().toInt(),
        [weak](const QVariant& reply) {
            const auto self = weak.lock();
            if (!self) return;
            self->subscribed(subscribeIdOf(reply));
            self->loadHouseSourceInfoWithSubscribeId(self->subscribeId_);
        },
        [](const QVariantMap&) {});
}

void QXBrokerReplyViewController::subscribed(qint64 id) {
    StatClick::event(QStringLiteral("subscribe_success"));
    QXIMDatabase::shared().updateSubscribeId(QString::number(id), needId_);
    subscribeId_ = id;
}

void QXBrokerReplyViewController::loadHouseSourceInfoWithSubscribeId(qint64 subscribeId) {
    houseSourceTableView_->setContentOffset(ui::Point(0, 0));
    const auto self = sharedAs<QXBrokerReplyViewController>();
    QXNetConnection::sharedInstance().requestSubscribeHouseListWithRequestId(
        needId_, houseSourceInfoPage_, subscribeId > 0 ? subscribeId : 0,
        [self](const QVariant& reply) {
            self->hideLoadingView();
            const Tolerant list =
                Tolerant(reply)[QStringLiteral("data")][QStringLiteral("NevoruSubscribe")]
                               [QStringLiteral("getSubscribeHouseList")];
            self->houseSourceInfoPage_ = list[QStringLiteral("page")].intValue() + 1;
            self->houseSourceTotalNum_ = list[QStringLiteral("total")].intValue();
            const QVariant houses = list[QStringLiteral("list")].value();
            self->houseSourceArray_ =
                houses.typeId() == QMetaType::QVariantList ? houses.toList() : QVariantList();
            // The table follows the batch even when it is empty, so no row outlives its house.
            self->houseSourceTableView_->reloadData();
            if (!self->houseSourceArray_.isEmpty()) {
                self->hideNoResultView();
                if (self->houseSourceArray_.size() == 1) {
                    if (self->isFromNeedHistoryVC_) {
                        self->showPushViewInBottomWithFlag(true);
                    } else {
                        self->later(kMatchingSeconds, [](QXBrokerReplyViewController& screen) {
                            screen.showPushViewInBottomWithFlag(true);
                        });
                    }
                }
            } else if (self->isFromNeedHistoryVC_) {
                self->showNoResultViewWithText(self->matchedBrokerCount_ != 0 ? kNoHouse
                                                                              : kNoBroker);
            }
        },
        [self](const QVariantMap&) { self->hideLoadingView(); });
}

void QXBrokerReplyViewController::getMoreHouseSourceData() {
    StatClick::event(QStringLiteral("subscribe_detail_more_clk"));
    if (!QXNetContext::shared()->connectionReachabil()) {
        AlertMessages::showAlertViewWithAlertString(kNoNetwork);
        return;
    }
    showLoadingView();
    loadHouseSourceInfoWithSubscribeId(subscribeId_);
}

bool QXBrokerReplyViewController::hasLastRow() const {
    return !(houseSourceTotalNum_ < kPagedTotal && houseSourceArray_.size() == 1);
}

int QXBrokerReplyViewController::numberOfRowsInSection(ui::TableView&, int) {
    const int houses = int(houseSourceArray_.size());
    if (houses == 0) return 0;
    return hasLastRow() ? houses + 1 : houses;
}

double QXBrokerReplyViewController::heightForRowAtIndexPath(ui::TableView&,
                                                            const ui::IndexPath& indexPath) {
    const int houses = int(houseSourceArray_.size());
    if (indexPath.row < houses) {
        return houseAt(indexPath.row).value(QStringLiteral("houseImages")).toList().isEmpty()
                   ? kRowWithoutPhotos
                   : kRowWithPhotos;
    }
    const double height = houseSourceTotalNum_ >= kPagedTotal ? 107 : 44;
    return houses == 1 ? height - 44 : height;
}

std::shared_ptr<ui::TableViewCell> QXBrokerReplyViewController::cellForRowAtIndexPath(
    ui::TableView& table, const ui::IndexPath& indexPath) {
    const int houses = int(houseSourceArray_.size());
    if (indexPath.row >= houses) return nextPageCell(table);
    auto cell = std::dynamic_pointer_cast<QXHouseSourceCell>(
        table.dequeueReusableCellWithIdentifier(QXHouseSourceCell::kReuseIdentifier));
    if (!cell) {
        cell = std::make_shared<QXHouseSourceCell>(ui::TableViewCellStyle::Default,
                                                   QXHouseSourceCell::kReuseIdentifier);
        cell->setCellActionsBlock(
            [weak = weakAs<QXBrokerReplyViewController>()](int action, int row) {
                const auto self = weak.lock();
                if (!self || !self->acceptsRowActions()) return;
                switch (action) {
                    case QXHouseSourceCell::kBrokerTapped:
                        self->goToAgentShopWithAgent(row);
                        break;
                    case QXHouseSourceCell::kDetailTapped:
                        self->goToHouseSourceDetailPageWithCellTag(row);
                        break;
                    case QXHouseSourceCell::kChatTapped:
                        self->goToImPageWithAgent(row);
                        break;
                    case QXHouseSourceCell::kFavouriteTapped:
                        self->favriteHouseSourceInfoWithCellTag(row);
                        break;
                    default:
                        break;
                }
            });
    }
    cell->setTag(indexPath.row);
    cell->setHouseSourceInfo(houseAt(indexPath.row), indexPath.row == houses - 1);
    return cell;
}

std::shared_ptr<ui::TableViewCell> QXBrokerReplyViewController::nextPageCell(ui::TableView& table) {
    auto cell = table.dequeueReusableCellWithIdentifier(kNextPageCell);
    if (!cell) {
        cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Default, kNextPageCell);
        cell->setSelectionStyle(ui::TableViewCellSelectionStyle::None);
        cell->setBackgroundColor(ui::Color::whiteColor());
        auto band = std::make_shared<ui::View>(ui::Rect(0, 17, 320, 63));
        band->setTag(kNextBatchBandTag);
        band->setBackgroundColor(ui::Color::clearColor());
        band->addSubview(hairline(ui::Rect(0, 0, 320, 1), 227));
        auto next = ui::Button::buttonWithType(ui::ButtonType::Custom);
        next->setFrame(ui::Rect(0, 1, 320, 44));
        next->setBackgroundColor(ui::Color::whiteColor());
        next->setTitle(QStringLiteral("换一批"), ui::kControlStateNormal);
        next->setTitleColor(ui::Color::rgb(83, 188, 44), ui::kControlStateNormal);
        next->titleLabel()->setFont(ui::Font::systemFontOfSize(15));
        next->addTarget(
            this, ui::kControlEventTouchUpInside,
            [weak = weakAs<QXBrokerReplyViewController>()](ui::Control&, const ui::Event*) {
                if (const auto self = weak.lock()) self->getMoreHouseSourceData();
            });
        band->addSubview(next);
        band->addSubview(hairline(ui::Rect(0, 45, 320, 1), 227));
        cell->contentView()->addSubview(band);
    }
    ui::View* band = cell->contentView()->viewWithTag(kNextBatchBandTag);
    const bool paged = houseSourceTotalNum_ > 10;
    band->setHidden(!paged);
    // With one house the bar is docked at the bottom of the screen and this row holds the band
    // alone: taken into the row it would lie below the row's bounds, out of reach of taps.
    if (houseSourceArray_.size() < 2) return cell;
    bottomPushView_->removeFromSuperview();
    ui::Rect bar = bottomPushView_->frame();
    bar.origin = ui::Point(0, paged ? kBandHeight : 0);
    bottomPushView_->setFrame(bar);
    cell->contentView()->addSubview(bottomPushView_);
    showPushViewInBottomWithFlag(false);
    return cell;
}

void QXBrokerReplyViewController::didSelectRowAtIndexPath(ui::TableView& table,
                                                          const ui::IndexPath& indexPath) {
    table.deselectRowAtIndexPath(indexPath, true);
    if (!acceptsRowActions() || indexPath.row >= int(houseSourceArray_.size())) return;
    goToHouseSourceDetailPageWithCellTag(indexPath.row);
}

void QXBrokerReplyViewController::processTabelHeaderView() {
    auto header = std::make_shared<ui::View>(pushTipInfoView_->frame());
    header->setBackgroundColor(ui::Color::rgb(240, 240, 240));
    houseSourceTableHeaderLbl_ = std::make_shared<ui::Label>(ui::Rect(10, 12, 300, 15));
    houseSourceTableHeaderLbl_->setTextColor(ui::Color::rgb(64, 64, 64));
    houseSourceTableHeaderLbl_->setFont(ui::Font::systemFontOfSize(14));
    houseSourceTableHeaderLbl_->setBackgroundColor(ui::Color::clearColor());
    houseSourceTableHeaderLbl_->setText(QStringLiteral("经纪人推荐房源"));
    header->addSubview(houseSourceTableHeaderLbl_);
    header->addSubview(hairline(ui::Rect(0, 0, 320, 0.5), 217));
    header->addSubview(hairline(ui::Rect(0, header->frame().height() - 0.5, 320, 0.5), 217));
    houseSourceTableView_->setTableHeaderView(header);
}

void QXBrokerReplyViewController::generateBottomPushView() {
    if (bottomPushView_) return;
    bottomPushView_ = std::make_shared<ui::View>(ui::Rect(0, 0, 320, kBarHeight));
    bottomPushView_->setTag(kBarTag);
    bottomPushView_->setBackgroundColor(ui::Color::rgb(240, 240, 240));
    bottomPushView_->addSubview(hairline(ui::Rect(0, 0, 320, 0.5), 217));
    auto text = std::make_shared<ui::Label>(ui::Rect(30, (kBarHeight - 16) / 2, 200, 16));
    text->setTag(kBarLabelTag);
    text->setFont(ui::Font::systemFontOfSize(12));
    text->setTextColor(ui::Color::rgb(153, 153, 153));
    text->setBackgroundColor(ui::Color::clearColor());
    bottomPushView_->addSubview(text);
    auto button = ui::Button::buttonWithType(ui::ButtonType::Custom);
    button->setFrame(ui::Rect(text->frame().maxX(), 11, 64, 24));
    button->setTag(kBarButtonTag);
    button->titleLabel()->setFont(ui::Font::systemFontOfSize(12));
    button->setTitleColor(ui::Color::rgb(153, 153, 153), ui::kControlStateNormal);
    for (const auto& [name, state] :
         {std::pair{QStringLiteral("灰色小button"), ui::kControlStateNormal},
          std::pair{QStringLiteral("灰色小button点击"), ui::kControlStateHighlighted}}) {
        if (const auto image = ui::Image::imageNamed(name))
            button->setBackgroundImage(image->stretchableImageWithLeftCapWidth(20, 15), state);
    }
    button->addTarget(
        this, ui::kControlEventTouchUpInside,
        [weak = weakAs<QXBrokerReplyViewController>()](ui::Control&, const ui::Event*) {
            if (const auto self = weak.lock()) self->closeSubscribeBtnFunc();
        });
    bottomPushView_->addSubview(button);
}

void QXBrokerReplyViewController::showPushViewInBottomWithFlag(bool dock) {
    auto* text = dynamic_cast<ui::Label*>(bottomPushView_->viewWithTag(kBarLabelTag));
    auto* button = dynamic_cast<ui::Button*>(bottomPushView_->viewWithTag(kBarButtonTag));
    const bool subscribed = subscribeId_ > 0;
    text->setText(subscribed ? kCancelText : kSubscribeText);
    button->setTitle(subscribed ? QStringLiteral("取消推送") : QStringLiteral("重新推送"),
                     ui::kControlStateNormal);
    if (!dock) return;
    bottomPushView_->removeFromSuperview();
    bottomPushView_->setFrame(ui::Rect(0, view()->bounds().height() - kBarHeight, 320, kBarHeight));
    view()->addSubview(bottomPushView_);
}

void QXBrokerReplyViewController::redockBarOrReload() {
    if (houseSourceArray_.size() < 2) {
        bottomPushView_->removeFromSuperview();
        showPushViewInBottomWithFlag(true);
    } else {
        houseSourceTableView_->reloadData();
    }
}

void QXBrokerReplyViewController::closeSubscribeBtnFunc() {
    const auto weak = weakAs<QXBrokerReplyViewController>();
    if (subscribeId_ <= 0) {
        QXNetConnection::sharedInstance().requestManageSubscribeWithID(
            needId_, QXNetConnection::kSubscribe, rentOrBuy().toInt(),
            [weak](const QVariant& reply) {
                const auto self = weak.lock();
                if (!self) return;
                self->subscribed(subscribeIdOf(reply));
                floatMessage(QStringLiteral("操作成功"));
                self->redockBarOrReload();
            },
            [](const QVariantMap&) {});
        return;
    }
    QueueAlertView::alertViewWithTitle(
        QStringLiteral("取消推送"),
        QStringLiteral("取消推送后，将无法再接收到优质房源推荐。确定要取消么？"),
        {QStringLiteral("取消"), QStringLiteral("确定")}, {},
        [weak](int buttonIndex) {
            const auto self = weak.lock();
            if (!self || buttonIndex != 1) return;
            if (!QXNetContext::shared()->connectionReachabil()) {
                AlertMessages::showAlertViewWithAlertString(kNoNetwork);
                return;
            }
            QXNetConnection::sharedInstance().requestManageSubscribeWithID(
                QString::number(self->subscribeId_), QXNetConnection::kCancelSubscription,
                self->rentOrBuy().toInt(),
                [weak](const QVariant&) {
                    const auto screen = weak.lock();
                    if (!screen) return;
                    StatClick::event(QStringLiteral("subscribe_cancel"));
                    QXIMDatabase::shared().updateSubscribeId(QStringLiteral("-1"), screen->needId_);
                    screen->subscribeId_ = -1;
                    screen->redockBarOrReload();
                    floatMessage(QStringLiteral("推送已取消"));
                },
                [](const QVariantMap&) {});
        })
        ->show();
}

void QXBrokerReplyViewController::showNoResultViewWithText(const QString& text) {
    if (noResultView_->window()) return;
    if (auto* label = dynamic_cast<ui::Label*>(noResultView_->viewWithTag(kNoticeTextTag)))
        label->setText(text);
    if (auto* hint = dynamic_cast<ui::Label*>(noResultView_->viewWithTag(kNoticeHintTag))) {
        hint->setText(text == kNoHouse ? QStringLiteral("请等待经纪人响应，或者先到好房子看看")
                                       : QStringLiteral("建议您：修改找房意向或到“好房子”看看"));
    }
    auto button = ui::Button::buttonWithType(ui::ButtonType::Custom);
    button->setFrame(ui::Rect(32, 290, 256, 37));
    for (const auto& [name, state] :
         {std::pair{QStringLiteral("button34px.png"), ui::kControlStateNormal},
          std::pair{QStringLiteral("button34px-点击态.png"), ui::kControlStateHighlighted}}) {
        if (const auto image = ui::Image::imageNamed(name)) {
            button->setBackgroundImage(
                image->stretchableImageWithLeftCapWidth(int(image->size().width / 2),
                                                        int(image->size().height / 2)),
                state);
        }
    }
    button->setTitle(QStringLiteral("好房子"), ui::kControlStateNormal);
    button->titleLabel()->setFont(ui::Font::systemFontOfSize(14));
    button->setTitleColor(ui::Color::whiteColor(), ui::kControlStateNormal);
    button->setExclusiveTouch(true);
    button->addTarget(
        this, ui::kControlEventTouchUpInside,
        [weak = weakAs<QXBrokerReplyViewController>()](ui::Control&, const ui::Event*) {
            if (const auto self = weak.lock()) self->goToGoodHousePage();
        });
    noResultView_->addSubview(button);
    if (ui::Screen::mainScreen().bounds().height() < 568) {
        for (const int tag : {kNoticePictureTag, kNoticeTextTag, kNoticeHintTag}) {
            if (ui::View* part = noResultView_->viewWithTag(tag)) moveBy(*part, -kNoticeLift);
        }
        moveBy(*button, -kNoticeLift);
    }
    ui::Rect frame = noResultView_->frame();
    frame.origin.y = kHeaderHeight;
    noResultView_->setFrame(frame);
    view()->addSubview(noResultView_);
}

void QXBrokerReplyViewController::hideNoResultView() {
    noResultView_->removeFromSuperview();
}

void QXBrokerReplyViewController::goToGoodHousePage() {
    NeedNeighbourScreens::pushGoodHouses(*this, rentOrBuy().toInt());
}

void QXBrokerReplyViewController::goToHouseSourceDetailPageWithCellTag(int row) {
    const QVariantMap house = houseAt(row);
    if (house.isEmpty()) return;
    StatClick::event(QStringLiteral("subscribe_detail_house_clk"));
    NeedNeighbourScreens::pushPostDetail(*this, HouseFavourites::puidOf(house));
}

void QXBrokerReplyViewController::goToAgentShopWithAgent(int row) {
    const QVariantMap house = houseAt(row);
    if (house.isEmpty()) return;
    StatClick::event(QStringLiteral("subscribe_detail_broker_clk"));
    const QString agentId = house.value(QStringLiteral("userId")).toString();
    const auto weak = weakAs<QXBrokerReplyViewController>();
    QXNetConnection::sharedInstance().requestAgentInfoWithAgentId(
        agentId,
        [weak, agentId](const QVariant& reply) {
            const auto self = weak.lock();
            if (!self) return;
            const int kind = Tolerant(reply)[QStringLiteral("isZuzeridUser")].intValue();
            if (kind == 1 && self->acceptsRowActions()) {
                NeedNeighbourScreens::pushBrokerPage(*self, agentId, reply, self->needId_);
            } else if (kind == 0 && !Tolerant(reply)[QStringLiteral("isZuzeridUser")].isNil()) {
                FloatView::showMessageInKeyWindow(QStringLiteral("亲，个人用户没有经纪人店铺哟！"));
            }
        },
        [weak](const QVariantMap&) {
            if (weak.lock())
                FloatView::showMessageInKeyWindow(QStringLiteral("加载失败，重新点击试试！"));
        });
}

void QXBrokerReplyViewController::goToImPageWithAgent(int row) {
    const QVariantMap house = houseAt(row);
    if (house.isEmpty()) return;
    StatClick::event(QStringLiteral("subscribe_detail_chat_clk"));
    const QVariantMap talk =
        talkInfoForHouse(house, needInfoDictFromDB_.value(QStringLiteral("n_id")).toString(),
                         QXNetContext::shared()->logonState().userId);
    QXIMDatabase::shared().saveTalkInfoAndClearReadByTalkId(
        talk.value(QStringLiteral("t_id")).toString());
    ns::NotificationCenter::defaultCenter().post(
        ns::Notification{.name = QXChatListController::kRefreshIconNotification});
    auto chat = std::make_shared<QXMessageController>(talk);
    chat->setTitle(house.value(QStringLiteral("person")).toString());
    if (ui::NavigationController* stack = navigationController())
        stack->pushViewController(chat, true);
}

void QXBrokerReplyViewController::favriteHouseSourceInfoWithCellTag(int row) {
    const QVariantMap house = houseAt(row);
    if (house.isEmpty()) return;
    StatClick::event(QStringLiteral("subscribe_detail_fav_clk"));
    if (HouseFavourites::isSaved(house)) {
        if (HouseFavourites::remove(house) == HouseFavourites::Outcome::Done) {
            floatMessage(QStringLiteral("取消收藏成功"));
            houseSourceTableView_->reloadData();
        }
        return;
    }
    if (QXIMDatabase::shared().historyCountByUserId(HouseFavourites::userIdText()) >=
        HouseFavourites::kLimit) {
        AlertMessages::showAlertViewWithAlertString(
            QStringLiteral("客官，您收藏的房源超出限制，请管理看房记中的房源后再做添加"));
        return;
    }
    const auto self = sharedAs<QXBrokerReplyViewController>();
    QXIMRequest& request = QXIMRequest::shared();
    RequestHeaderSet headers = RequestHeaderSet::dataShare(QStringLiteral("GetPost"));
    headers.set(QStringLiteral("puid"), HouseFavourites::puidOf(house));
    request.addValuesFormDic(headers);
    request.requestWithUrlSuccessData(
        EndpointTable::dataShareEndpoint(), QStringLiteral("GetPost"), QString(),
        [self](const QVariant& reply) {
            const QVariant first = Tolerant(reply)[QStringLiteral("posts")][0].value();
            if (first.typeId() != QMetaType::QVariantMap) {
                floatMessage(QStringLiteral("收藏失败！请检查网络状况"));
                return;
            }
            if (HouseFavourites::add(first.toMap()) == HouseFavourites::Outcome::Done) {
                floatMessage(QStringLiteral("收藏成功，您可以在“看房记”中查看、备注房源哦"));
                self->houseSourceTableView_->reloadData();
            }
        },
        [](const QVariantMap&) { floatMessage(QStringLiteral("收藏失败！请检查网络状况")); });
}
