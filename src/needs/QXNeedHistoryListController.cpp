#include "needs/QXNeedHistoryListController.h"

#include "needs/QXBrokerReplyViewController.h"
#include "needs/QXNeedHistoryItem.h"
#include "needs/QXNeedHistroyCell.h"

#include "IMChat/qximlib/QXIMDatabase.h"
#include "IMChat/qximlib/QXIMNotifications.h"
#include "analytics/StatClick.h"
#include "houses/shared/HouseFavourites.h"
#include "net/QXNetConnection.h"
#include "net/QXNetContext.h"
#include "ui/navigation/UIViewController+Navigation.h"
#include "ui/widgets/AlertMessages.h"
#include "util/categories/Tolerant.h"

#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/screen.h"

namespace {

const ui::Color kBackground = ui::Color::colorWithWhite(240.0 / 255);

qint64 subscribeIdOfRow(const QVariant& row) {
    return row.toMap().value(QStringLiteral("subscribeId")).toString().toLongLong();
}

}  // namespace

QXNeedHistoryListController::QXNeedHistoryListController() {
    setEdgesForExtendedLayout(ui::kRectEdgeNone);
    setHidesBottomBarWhenPushed(true);
    observation_ = ns::NotificationCenter::defaultCenter().addObserver(
        QXIMNotifications::kIMRecieveNotification,
        [this](const ns::Notification&) { imRecieveNotification(); });
}

void QXNeedHistoryListController::viewDidLoad() {
    ui::ViewController::viewDidLoad();
    setTitle(kTitle);
    view()->setBackgroundColor(kBackground);
    listTable_ = std::make_shared<ui::TableView>(ui::Rect(0, 0, 320, view()->bounds().height()),
                                                 ui::TableViewStyle::Plain);
    listTable_->setAutoresizingMask(ui::kAutoresizingFlexibleHeight);
    listTable_->setBackgroundColor(kBackground);
    listTable_->setSeparatorStyle(ui::TableViewCellSeparatorStyle::None);
    listTable_->setDataSource(weakAs<QXNeedHistoryListController>());
    listTable_->setDelegate(weakAs<QXNeedHistoryListController>());
    UIViewControllerNavigation::setNavigationBackButton(
        *this, [weak = weakAs<QXNeedHistoryListController>()] {
            if (const auto self = weak.lock()) self->popFromController();
        });
}

void QXNeedHistoryListController::viewWillAppear(bool animated) {
    ui::ViewController::viewWillAppear(animated);
    reloadTableView();
    if (QXNetContext::shared()->connectionReachabil()) getSubscribeRefreshStatusFromServer();
}

void QXNeedHistoryListController::popFromController() {
    observation_.reset();
    statusCall_.cancel();
    if (ui::NavigationController* stack = navigationController())
        stack->popViewControllerAnimated(true);
}

void QXNeedHistoryListController::reloadTableView() {
    const int read = ++readsAsked_;
    QXIMDatabase::shared().getNeedInfoAsyncWithUserID(
        HouseFavourites::userIdText(), kAllNeeds,
        [weak = weakAs<QXNeedHistoryListController>(), read](const QXIMDatabase::Rows& rows) {
            const auto self = weak.lock();
            if (!self || read != self->readsAsked_) return;
            self->readsAnswered_ = read;
            self->needHistoryArray_.clear();
            for (const QVariantMap& row : rows) self->needHistoryArray_.append(row);
            if (rows.isEmpty()) {
                self->addNonView();
                return;
            }
            self->removeNonView();
            StatClick::event(
                QStringLiteral("subscribe_list_count"),
                QVariantMap{{QStringLiteral("RequestCount"), QString::number(rows.size())}});
            int newHouses = 0;
            for (const QVariant& status : self->subscribeRefreshStatusArray_) {
                const qint64 id = Tolerant(status)[QStringLiteral("id")].value().toLongLong();
                const bool listed = std::any_of(
                    rows.begin(), rows.end(),
                    [id](const QVariantMap& row) { return subscribeIdOfRow(row) == id; });
                if (listed) newHouses += Tolerant(status)[QStringLiteral("newNum")].intValue();
            }
            StatClick::event(
                QStringLiteral("subscribe_list_new_count"),
                QVariantMap{{QStringLiteral("SubscribeNewCount"), QString::number(newHouses)}});
        });
}

void QXNeedHistoryListController::getSubscribeRefreshStatusFromServer() {
    const auto weak = weakAs<QXNeedHistoryListController>();
    QXNetConnection::sharedInstance().requestManageSubscribeWithID(
        QString(), QXNetConnection::kListSubscriptions, 0,
        [weak](const QVariant& reply) {
            const auto self = weak.lock();
            if (!self) return;
            self->subscribeRefreshStatusArray_ = Tolerant(reply)[QStringLiteral("data")].toList();
            self->reloadTableView();
        },
        [weak](const QVariantMap&) {
            if (const auto self = weak.lock()) self->reloadTableView();
        });
}

int QXNeedHistoryListController::getRefreshStatusWithSubscribeId(qint64 subscribeId) const {
    for (const QVariant& status : subscribeRefreshStatusArray_) {
        if (Tolerant(status)[QStringLiteral("id")].value().toLongLong() == subscribeId)
            return Tolerant(status)[QStringLiteral("newNum")].intValue();
    }
    return 0;
}

bool QXNeedHistoryListController::isVisibleInStack() const {
    const ui::NavigationController* stack = navigationController();
    return stack && stack->visibleViewController().get() == this;
}

void QXNeedHistoryListController::imRecieveNotification() {
    if (!isVisibleInStack()) return;
    statusCall_.cancel();
    statusCall_ = ns::DelayedCall::schedule(ns::seconds(kStatusDelay),
                                            [weak = weakAs<QXNeedHistoryListController>()] {
                                                if (const auto self = weak.lock())
                                                    self->getSubscribeRefreshStatusFromServer();
                                            });
}

void QXNeedHistoryListController::addNonView() {
    listTable_->removeFromSuperview();
    view()->setBackgroundColor(ui::Color::whiteColor());
    if (noHistoryView_) return;
    noHistoryView_ = std::make_shared<ui::View>(ui::Rect(0, 0, 320, 460));
    noHistoryView_->setBackgroundColor(ui::Color::clearColor());
    auto picture = std::make_shared<ui::ImageView>(ui::Rect(88, 160, 166, 130));
    picture->setImage(ui::Image::imageNamed(QStringLiteral("找房意向空白页")));
    noHistoryView_->addSubview(picture);
    auto text = std::make_shared<ui::Label>(ui::Rect(0, 290, 320, 40));
    text->setTextColor(ui::Color::colorWithWhite(81.0 / 255));
    text->setFont(ui::Font::boldSystemFontOfSize(14));
    text->setNumberOfLines(2);
    text->setTextAlignment(ui::TextAlignment::Center);
    text->setText(kEmptyText);
    noHistoryView_->addSubview(text);
    view()->addSubview(noHistoryView_);
}

void QXNeedHistoryListController::removeNonView() {
    if (noHistoryView_) {
        noHistoryView_->removeFromSuperview();
        noHistoryView_.reset();
    }
    if (!listTable_->superview()) view()->addSubview(listTable_);
    view()->setBackgroundColor(ui::Color::colorWithWhite(245.0 / 255));
    listTable_->reloadData();
}

int QXNeedHistoryListController::numberOfSectionsInTableView(ui::TableView&) {
    if (needHistoryArray_.isEmpty()) addNonView();
    return int(needHistoryArray_.size());
}

int QXNeedHistoryListController::numberOfRowsInSection(ui::TableView&, int) {
    return 1;
}

double QXNeedHistoryListController::heightForRowAtIndexPath(ui::TableView&, const ui::IndexPath&) {
    return QXNeedHistroyCell::kHeight;
}

double QXNeedHistoryListController::heightForFooterInSection(ui::TableView&, int) {
    return 4;
}

std::shared_ptr<ui::View> QXNeedHistoryListController::viewForFooterInSection(ui::TableView&, int) {
    if (!tableViewHeaderOrFooterView_) {
        tableViewHeaderOrFooterView_ = std::make_shared<ui::View>(ui::Rect(0, 0, 320, 5));
        tableViewHeaderOrFooterView_->setBackgroundColor(kBackground);
    }
    return tableViewHeaderOrFooterView_;
}

std::shared_ptr<ui::TableViewCell> QXNeedHistoryListController::cellForRowAtIndexPath(
    ui::TableView& table, const ui::IndexPath& indexPath) {
    auto cell = std::dynamic_pointer_cast<QXNeedHistroyCell>(
        table.dequeueReusableCellWithIdentifier(QXNeedHistroyCell::kReuseIdentifier));
    if (!cell) {
        cell = std::make_shared<QXNeedHistroyCell>();
        auto selected = std::make_shared<ui::View>(cell->frame());
        selected->setBackgroundColor(ui::Color::colorWithWhite(230.0 / 255));
        cell->setSelectedBackgroundView(selected);
    }
    const QVariantMap row = needHistoryArray_.value(indexPath.section).toMap();
    cell->pushFlagLbl()->setHidden(true);
    cell->subscribeRefreshImgView()->setHidden(true);
    if (getRefreshStatusWithSubscribeId(subscribeIdOfRow(row)) != 0)
        cell->subscribeRefreshImgView()->setHidden(false);
    QXNeedHistoryItem item(row);
    QString icon;
    if (item.agentNum.toInt() < 1) {
        cell->agentNumLabel()->setHidden(true);
        cell->houseNumLabel()->setHidden(true);
        cell->bottomBgLabel()->setText(QStringLiteral("暂无经纪人响应"));
        icon = QStringLiteral("icon-2.png");
    } else {
        cell->agentNumLabel()->setHidden(false);
        cell->agentNumLabel()->setText(QString::number(item.agentNum.toInt()));
        cell->bottomBgLabel()->setText(QStringLiteral("已经有    名经纪人响应"));
        cell->houseNumLabel()->setHidden(true);
        icon = QStringLiteral("icon-1.png");
    }
    if (subscribeIdOfRow(row) < 0) cell->pushFlagLbl()->setHidden(false);
    cell->bottomIconView()->setImage(ui::Image::imageNamed(icon));
    // A need placed around a position reads "<place>附近". A point picked on the map is
    // kept with its street's "附近" already, and says it once.
    const QString nearby = QStringLiteral("附近");
    if (row.value(QStringLiteral("latlng")).toString().size() >= 2 &&
        !item.needAddressString.endsWith(nearby))
        item.needAddressString += nearby;
    if (!row.isEmpty()) cell->setAddRequestListCellWithItem(item);
    return cell;
}

void QXNeedHistoryListController::didSelectRowAtIndexPath(ui::TableView& table,
                                                          const ui::IndexPath& indexPath) {
    table.deselectRowAtIndexPath(indexPath, true);
    StatClick::event(QStringLiteral("subscribe_list_clk"));
    const QVariantMap row = needHistoryArray_.value(indexPath.section).toMap();
    auto replies = std::make_shared<QXBrokerReplyViewController>();
    replies->setNeedId(row.value(QStringLiteral("n_id")).toString());
    replies->setIsFromNeedHistoryVC(true);
    if (ui::NavigationController* stack = navigationController())
        stack->pushViewController(replies, true);
}

bool QXNeedHistoryListController::canEditRowAtIndexPath(ui::TableView&, const ui::IndexPath&) {
    return true;
}

QString QXNeedHistoryListController::titleForDeleteConfirmationButtonForRowAtIndexPath(
    ui::TableView&, const ui::IndexPath&) {
    return QStringLiteral("删除");
}

void QXNeedHistoryListController::commitEditingStyle(ui::TableView&,
                                                     ui::TableViewCellEditingStyle style,
                                                     const ui::IndexPath& indexPath) {
    if (style != ui::TableViewCellEditingStyle::Delete) return;
    const QVariantMap row = needHistoryArray_.value(indexPath.section).toMap();
    const QString userId = row.value(QStringLiteral("u_id")).toString();
    const QString needId = row.value(QStringLiteral("n_id")).toString();
    const qint64 subscribeId = subscribeIdOfRow(row);
    if (subscribeId <= 0) {
        deleteNeed(userId, needId);
        return;
    }
    if (!QXNetContext::shared()->connectionReachabil()) {
        AlertMessages::showAlertViewWithAlertString(QXBrokerReplyViewController::kNoNetwork);
        return;
    }
    const auto weak = weakAs<QXNeedHistoryListController>();
    QXNetConnection::sharedInstance().requestManageSubscribeWithID(
        QString::number(subscribeId), QXNetConnection::kCancelSubscription,
        row.value(QStringLiteral("rentOrBuy")).toInt(),
        [weak, userId, needId](const QVariant&) {
            const auto self = weak.lock();
            if (!self) return;
            StatClick::event(QStringLiteral("subscribe_cancel"));
            self->deleteNeed(userId, needId);
        },
        [](const QVariantMap&) {});
}

void QXNeedHistoryListController::deleteNeed(const QString& userId, const QString& needId) {
    QXIMDatabase::shared().deleteNeedListByUserId(userId, needId);
    needHistoryArray_.removeIf([&needId](const QVariant& row) {
        return row.toMap().value(QStringLiteral("n_id")).toString() == needId;
    });
    listTable_->reloadData();
    // A read still on its way began before the deletion: read again instead.
    if (readsAnswered_ != readsAsked_) reloadTableView();
}
