#include "chat/QXChatListController.h"

#include "chat/ChatHost.h"
#include "chat/QXBrokerItem.h"
#include "chat/QXChatListCell.h"
#include "chat/QXMessageController.h"

#include "IMChat/qximlib/QXIMDatabase.h"
#include "IMChat/qximlib/QXIMMessage.h"
#include "IMChat/qximlib/QXIMNotifications.h"
#include "IMChat/qximlib/QXIMUser.h"
#include "analytics/StatClick.h"
#include "net/QXNetContext.h"

#include "platform/foundation/dispatch_queue.h"
#include "platform/foundation/main_queue.h"
#include "platform/uikit/alert_view.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/tab_bar_controller.h"
#include "platform/uikit/window.h"

#include <algorithm>

namespace {

constexpr unsigned kTalkLimit = 1000;
const QString kTalkCell = QStringLiteral("chatListTableCell");
const QString kFailCell = QStringLiteral("netFailchatListTableCell");

}  // namespace

QXChatListController::QXChatListController() {
    // The screen starts below the navigation bar.
    setEdgesForExtendedLayout(ui::kRectEdgeNone);
    setTitle(QStringLiteral("沟通"));
    observe(QXIMNotifications::kIMRecieveNotification, [this] { imRecieveNotification(); });
    observe(kUserChangedNotification, [this] { imRecieveNotification(); });
    observe(QXChatListCell::kCheckNetWorkNotification, [this] { checkNetWork(); });
    observe(kRefreshIconNotification, [this] { refreshIconCount(); });
}

QXChatListController::~QXChatListController() {
    if (timer_) timer_->invalidate();
}

void QXChatListController::observe(const QString& name, std::function<void()> handler) {
    observations_.push_back(ns::NotificationCenter::defaultCenter().addObserver(
        name, [handler = std::move(handler)](const ns::Notification&) { handler(); }));
}

QString QXChatListController::ownUserId() const {
    return QString::number(QXIMUser::shared().userId());
}

void QXChatListController::viewDidLoad() {
    isNetConnect_ = QXNetContext::shared()->connectionReachabil();
    // The list ends above the tab bar, which the screen reaches under: its last talk can be
    // scrolled into sight whole.
    ui::Rect listFrame = view()->bounds();
    listFrame.size.height =
        std::max(0.0, listFrame.size.height - ChatHost::shared()->tabBarHeight());
    chatTable_ = std::make_shared<ui::TableView>(listFrame);
    chatTable_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth |
                                    ui::kAutoresizingFlexibleHeight);
    chatTable_->setSeparatorStyle(ui::TableViewCellSeparatorStyle::None);
    chatTable_->setDataSource(weakAs<QXChatListController>());
    chatTable_->setDelegate(weakAs<QXChatListController>());
    view()->addSubview(chatTable_);
    view()->setBackgroundColor(ui::Color::whiteColor());
    loadListData();
}

void QXChatListController::viewWillAppear(bool animated) {
    ui::ViewController::viewWillAppear(animated);
    if (timer_) timer_->invalidate();
    timer_ = ns::Timer::scheduledTimer(ns::seconds(kNetCheckInterval), true,
                                       [weak = weakAs<QXChatListController>()](ns::Timer&) {
                                           if (auto self = weak.lock()) self->checkNetConnect();
                                       });
    checkNetConnect();
    foregroundObservation_ = ns::NotificationCenter::defaultCenter().addObserver(
        kEnterBackgroundNotification,
        [weak = weakAs<QXChatListController>()](const ns::Notification&) {
            if (auto self = weak.lock()) self->delayReloadTableView();
        });
    setHidesBottomBarWhenPushed(false);
    if (needLoad_) {
        loadListData();
        needLoad_ = false;
    }
    setTitle(QStringLiteral("沟通"));
    refreshIconCount();
    const bool onlyService = chatData_.isEmpty() || (chatData_.size() == 1 &&
                                                     chatData_.first()
                                                         .toMap()
                                                         .value(QStringLiteral("t_id"))
                                                         .toString()
                                                         .startsWith(QXIMMessage::serviceUserId()));
    if (gotoZhaofangzi_ && onlyService) {
        gotoZhaofangzi_ = false;
        if (ui::TabBarController* tabs = tabBarController()) tabs->setSelectedIndex(1);
    }
}

void QXChatListController::viewWillDisappear(bool animated) {
    ui::ViewController::viewWillDisappear(animated);
    if (timer_) timer_->invalidate();
    timer_.reset();
}

QStringList QXChatListController::talkIds() const {
    QStringList ids;
    for (const QVariant& talk : chatData_)
        ids << talk.toMap().value(QStringLiteral("t_id")).toString();
    return ids;
}

void QXChatListController::loadListData() {
    const QStringList shown = talkIds();
    chatData_.clear();
    const auto rows = QXIMDatabase::shared().talksListByUserId(
        ownUserId(), QXIMDatabase::kEndOfTime, 0, kTalkLimit);
    for (const QVariantMap& row : rows) chatData_.append(row);
    if (chatTable_) {
        chatTable_->reloadData();
        // Other talks, or the same in another order (another user's, or a talk that moved up
        // with a new message), show from the top, where the newest is; the offset the old rows
        // were scrolled to means nothing for them and may leave a short list under the bar.
        if (talkIds() != shown) chatTable_->setContentOffset(chatTable_->minimumContentOffset());
    }
    if (rows.isEmpty()) {
        addNonView();
    } else {
        removeNonView();
    }
}

void QXChatListController::refreshIconCount() {
    needLoad_ = true;
    const QString user = ownUserId();
    ns::DispatchQueue::global()->async([user] {
        const int unread = QXIMDatabase::shared().talkUnReadCountWithUserId(user);
        ns::MainQueue::post([unread] { ChatHost::shared()->setUnreadBadge(unread); });
    });
}

bool QXChatListController::isListVisible() const {
    const ui::NavigationController* stack = navigationController();
    if (!stack) return false;
    const ui::TabBarController* tabs = tabBarController();
    if (tabs && tabs->selectedViewController().get() != stack) return false;
    return stack->visibleViewController().get() == this;
}

void QXChatListController::imRecieveNotification() {
    refreshIconCount();
    delayReloadTableView();
}

void QXChatListController::delayReloadTableView() {
    if (isListVisible()) {
        loadListData();
    } else {
        needLoad_ = true;
    }
}

void QXChatListController::checkNetConnect() {
    const bool reachable = QXNetContext::shared()->connectionReachabil();
    if (reachable == isNetConnect_) return;
    isNetConnect_ = reachable;
    if (chatTable_) chatTable_->reloadData();
}

void QXChatListController::checkNetWork() {
    ChatHost::shared()->startListenNetWorkStatus();
    if (QXNetContext::shared()->connectionReachabil()) return;
    auto alert = std::make_shared<ui::AlertView>(
        QStringLiteral("联网失败"), QStringLiteral("本应用需要联网才能正常使用，是否开启网络？"),
        std::weak_ptr<ui::AlertViewDelegate>(), QStringLiteral("确定"));
    alert->setTag(101);
    alert->show();
}

void QXChatListController::addNonView() {
    if (!isViewLoaded()) return;
    if (!nonView_) {
        double height = view()->bounds().size.height;
        if (ui::Window* window = view()->window())
            height = window->bounds().size.height - 49 - 44 - 22;
        nonView_ =
            std::make_shared<ui::ImageView>(ui::Rect(0, 0, view()->bounds().size.width, height));
        nonView_->setBackgroundColor(ui::Color::clearColor());
        nonView_->setContentMode(ui::ContentMode::Center);
        nonView_->setImage(ui::Image::imageNamed(QStringLiteral("沟通空白页.png")));
    }
    if (chatTable_) chatTable_->setHidden(true);
    view()->addSubview(nonView_);
}

void QXChatListController::removeNonView() {
    if (nonView_) nonView_->removeFromSuperview();
    nonView_.reset();
    if (chatTable_) chatTable_->setHidden(false);
}

int QXChatListController::talkIndexOfRow(int row) const {
    return isNetConnect_ ? row : row - 1;
}

int QXChatListController::numberOfRowsInSection(ui::TableView&, int) {
    if (isNetConnect_ && chatData_.isEmpty()) addNonView();
    return int(chatData_.size()) + (isNetConnect_ ? 0 : 1);
}

double QXChatListController::heightForRowAtIndexPath(ui::TableView&, const ui::IndexPath&) {
    return QXChatListCell::kRowHeight;
}

std::shared_ptr<ui::TableViewCell> QXChatListController::cellForRowAtIndexPath(
    ui::TableView& table, const ui::IndexPath& indexPath) {
    const int talk = talkIndexOfRow(indexPath.row);
    if (talk < 0) {
        auto cell = std::dynamic_pointer_cast<QXChatListCell>(
            table.dequeueReusableCellWithIdentifier(kFailCell));
        return cell ? cell : QXChatListCell::make(QXChatListCell::kNetFailRowTag, kFailCell);
    }
    auto cell = std::dynamic_pointer_cast<QXChatListCell>(
        table.dequeueReusableCellWithIdentifier(kTalkCell));
    if (!cell) cell = QXChatListCell::make(QXChatListCell::kTalkRowTag, kTalkCell);
    const bool last = talk == chatData_.size() - 1;
    cell->lineView()->setFrame(last ? ui::Rect(0, 76.5, 320, 0.5) : ui::Rect(5, 76.5, 310, 0.5));
    cell->setSelectionStyle(ui::TableViewCellSelectionStyle::None);
    const QVariantMap row = chatData_.value(talk).toMap();
    if (row.isEmpty()) return cell;
    cell->isPubToView = false;
    cell->setChatListCellWithDic(*QXBrokerItem::loadSuccessDataAboutBrokerDic(row));
    if (isNetConnect_) cell->setSelectionStyle(ui::TableViewCellSelectionStyle::Gray);
    return cell;
}

void QXChatListController::didSelectRowAtIndexPath(ui::TableView& table,
                                                   const ui::IndexPath& indexPath) {
    if (ui::TableViewCell* cell = table.cellForRowAtIndexPath(indexPath))
        cell->setSelected(false, true);
    const int talk = talkIndexOfRow(indexPath.row);
    if (talk < 0 || talk >= chatData_.size()) return;
    StatClick::event(QStringLiteral("coumnicate_bn_message"));
    const QVariantMap row = chatData_.value(talk).toMap();
    if (QXIMDatabase::shared().saveTalkInfoAndClearRead(
            row.value(QStringLiteral("_id")).toLongLong())) {
        if (auto* cell = dynamic_cast<QXChatListCell*>(table.cellForRowAtIndexPath(indexPath))) {
            cell->infoCount()->setHidden(true);
            cell->iconImageView()->setHidden(true);
        }
    }
    auto chat = std::make_shared<QXMessageController>(row);
    if (ui::NavigationController* stack = navigationController())
        stack->pushViewController(chat, true);
    needLoad_ = true;
}

bool QXChatListController::canEditRowAtIndexPath(ui::TableView&, const ui::IndexPath& indexPath) {
    return talkIndexOfRow(indexPath.row) >= 0;
}

ui::TableViewCellEditingStyle QXChatListController::editingStyleForRowAtIndexPath(
    ui::TableView&, const ui::IndexPath&) {
    return ui::TableViewCellEditingStyle::Delete;
}

QString QXChatListController::titleForDeleteConfirmationButtonForRowAtIndexPath(
    ui::TableView&, const ui::IndexPath&) {
    return QStringLiteral("删除");
}

void QXChatListController::commitEditingStyle(ui::TableView& table,
                                              ui::TableViewCellEditingStyle style,
                                              const ui::IndexPath& indexPath) {
    const int talk = talkIndexOfRow(indexPath.row);
    if (talk < 0) return;
    if (style == ui::TableViewCellEditingStyle::Delete && talk < chatData_.size()) {
        const QVariantMap row = chatData_.value(talk).toMap();
        const QString talkId = row.value(QStringLiteral("t_id")).toString();
        const QString userId = row.value(QStringLiteral("u_id")).toString();
        QXIMDatabase& store = QXIMDatabase::shared();
        store.deleteMsgListByTalkId(talkId, userId);
        store.deleteMsgInfo(userId, talkId);
        chatData_.removeAt(talk);
        table.deleteRowsAtIndexPaths({indexPath}, ui::TableViewRowAnimation::Fade);
    }
    refreshIconCount();
}
