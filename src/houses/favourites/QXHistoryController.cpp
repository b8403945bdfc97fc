#include "houses/favourites/QXHistoryController.h"

#include "IMChat/qximlib/QXIMDatabase.h"
#include "analytics/StatClick.h"
#include "houses/HousesNavigation.h"
#include "houses/favourites/QXHistoryCell.h"
#include "houses/shared/HouseFavourites.h"
#include "net/transport/Json.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/window.h"
#include "ui/widgets/AlertMessages.h"
#include "util/categories/Tolerant.h"

namespace {

const QString kEditTitle = QStringLiteral("编辑");
const QString kDoneTitle = QStringLiteral("完成");

QString signOf(const QVariant& row) {
    return row.toMap().value(QStringLiteral("u_sign")).toString();
}

bool isReadable(const QVariant& row) {
    return row.toMap().value(QStringLiteral("content")).typeId() == QMetaType::QVariantMap;
}

}  // namespace

QXHistoryController::QXHistoryController() {
    setEdgesForExtendedLayout(ui::kRectEdgeNone);
}

void QXHistoryController::viewDidLoad() {
    ui::ViewController::viewDidLoad();
    setTitle(QStringLiteral("看房记"));
    auto& center = ns::NotificationCenter::defaultCenter();
    for (const QString& name :
         {HouseFavourites::kSignChangedNotification, QStringLiteral("kUserChangedNotification"),
          HouseFavourites::kAddHistoryNotification}) {
        observations_.push_back(center.addObserver(
            name, [weak = weakAs<QXHistoryController>()](const ns::Notification&) {
                if (auto self = weak.lock()) self->signChanged();
            }));
    }
    table_ = std::make_shared<ui::TableView>(view()->bounds());
    table_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
    table_->setSeparatorStyle(ui::TableViewCellSeparatorStyle::None);
    table_->setDataSource(weakAs<QXHistoryController>());
    table_->setDelegate(weakAs<QXHistoryController>());
    view()->addSubview(table_);
    refreshDataAndView();
    view()->setBackgroundColor(ui::Color::whiteColor());
    table_->setBackgroundColor(ui::Color::whiteColor());

    rightButton_ = HousesNavigation::setRightButton(
        *this, kEditTitle,
        [weak = weakAs<QXHistoryController>()] {
            if (auto self = weak.lock()) self->editHistory(true);
        },
        QStringLiteral("button34px"));
}

void QXHistoryController::viewWillAppear(bool animated) {
    ui::ViewController::viewWillAppear(animated);
    if (!needRefresh_) return;
    needRefresh_ = false;
    refreshDataAndView();
}

bool QXHistoryController::isVisibleScreen() {
    if (!isViewLoaded() || !view()->window()) return false;
    const ui::NavigationController* navigation = navigationController();
    return !navigation || navigation->topViewController().get() == this;
}

void QXHistoryController::signChanged() {
    if (isVisibleScreen()) {
        refreshDataAndView();
        return;
    }
    needRefresh_ = true;
}

void QXHistoryController::refreshDataAndView() {
    formatDBArray(QXIMDatabase::shared().historyListByUserId(HouseFavourites::userIdText()));
    if (table_ && table_->isEditing()) editHistory(false);
    if (table_) table_->reloadData();
    if (rows_.isEmpty()) {
        showNoInfoView();
    } else {
        hiddenNoInfoView();
    }
}

void QXHistoryController::formatDBArray(const QList<QVariantMap>& rows) {
    rows_.clear();
    for (QVariantMap row : rows) {
        // A copy that does not read stays in the store: it is listed as unreadable and only
        // the user deletes it.
        const QVariant post = json_JSON(row.value(QStringLiteral("content")));
        if (post.typeId() == QMetaType::QVariantMap) {
            row[QStringLiteral("content")] = post;
        } else {
            row.remove(QStringLiteral("content"));
        }
        rows_ << row;
    }
}

void QXHistoryController::editHistory(bool fromButton) {
    if (rows_.isEmpty() && fromButton) {
        AlertMessages::showAlertViewWithAlertString(kEmptyEditMessage);
        return;
    }
    const bool editing = !table_->isEditing();
    table_->setEditing(editing, true);
    if (rightButton_)
        rightButton_->setTitle(editing ? kDoneTitle : kEditTitle, ui::kControlStateNormal);
}

void QXHistoryController::showNoInfoView() {
    if (view()->viewWithTag(kNoInfoTag)) return;
    const ui::Window* window = view()->window();
    const double height =
        (window ? window->bounds().size.height : view()->bounds().size.height + 115) - 115;
    auto picture =
        std::make_shared<ui::ImageView>(ui::Image::imageNamed(QStringLiteral("看房记没信息.png")));
    picture->setFrame({0, 0, view()->bounds().size.width, height});
    picture->setBackgroundColor(ui::Color::rgb(245, 245, 245));
    picture->setContentMode(ui::ContentMode::Center);
    picture->setTag(kNoInfoTag);
    view()->addSubview(picture);
}

void QXHistoryController::hiddenNoInfoView() {
    if (ui::View* picture = view()->viewWithTag(kNoInfoTag)) picture->removeFromSuperview();
}

double QXHistoryController::heightForRowAtIndexPath(ui::TableView&, const ui::IndexPath& path) {
    return signOf(rows_.value(path.row)).isEmpty() ? QXHistoryCell::kHeight
                                                   : QXHistoryCell::kHeightWithRemark;
}

std::shared_ptr<ui::TableViewCell> QXHistoryController::cellForRowAtIndexPath(
    ui::TableView& table, const ui::IndexPath& path) {
    auto cell = std::dynamic_pointer_cast<QXHistoryCell>(
        table.dequeueReusableCellWithIdentifier(QXHistoryCell::kReuseIdentifier));
    if (!cell) cell = std::make_shared<QXHistoryCell>();
    cell->setDelegate(weakAs<QXHistoryController>());
    const QVariantMap row = rows_.value(path.row).toMap();
    const QString sign = signOf(row);
    cell->setSign(sign);
    cell->setLine(
        sign.isEmpty() ? QXHistoryCell::kHeight - 0.5 : QXHistoryCell::kHeightWithRemark - 0.5,
        path.row == int(rows_.size()) - 1);
    if (isReadable(row)) {
        const QVariantMap post = row.value(QStringLiteral("content")).toMap();
        cell->setContent(GetPostListCellFormate::shareFormate().returnDictionaryForCellWithContent(
            post, 7, Tolerant(QVariant(post))["major_category"].intValue()));
    } else {
        cell->setContent({{QStringLiteral("left1"), kUnreadableTitle},
                          {QStringLiteral("left2"), kUnreadableHint}});
    }
    cell->setIsShowWifiImage(true);
    cell->setCheckboxViewSelected(row.value(QStringLiteral("b_time")).toLongLong() > 0);
    cell->setKeyId(row.value(QStringLiteral("_id")).toLongLong());
    return cell;
}

void QXHistoryController::commitEditingStyle(ui::TableView& table,
                                             ui::TableViewCellEditingStyle style,
                                             const ui::IndexPath& path) {
    if (!table.isEditing() || style != ui::TableViewCellEditingStyle::Delete ||
        path.row >= int(rows_.size())) {
        return;
    }
    const qint64 rowId = rows_.value(path.row).toMap().value(QStringLiteral("_id")).toLongLong();
    // The row leaves the screen only when it left the store.
    if (!QXIMDatabase::shared().deleteHistoryById(rowId)) {
        AlertMessages::showAlertViewWithAlertString(kDeleteFailed);
        return;
    }
    rows_.removeAt(path.row);
    table.deleteRowsAtIndexPaths({path}, ui::TableViewRowAnimation::Fade);
    if (rows_.isEmpty()) refreshDataAndView();
}

void QXHistoryController::didSelectRowAtIndexPath(ui::TableView& table, const ui::IndexPath& path) {
    table.deselectRowAtIndexPath(path, true);
    const QVariantMap row = rows_.value(path.row).toMap();
    if (!isReadable(row)) {
        AlertMessages::showAlertViewWithAlertString(kUnreadableTitle + QStringLiteral("，") +
                                                    kUnreadableHint);
        return;
    }
    StatClick::event(QStringLiteral("bn_house_detail"));
    const QVariantMap post = row.value(QStringLiteral("content")).toMap();
    HousesNavigation::pushPostDetail(
        *this, HousesNavigation::PostOpener::Favourites,
        {.post = post,
         .master = 7,
         .major = Tolerant(QVariant(post))["major_category"].intValue(),
         .title = title(),
         .puid = row.value(QStringLiteral("puid")).toString()});
}

void QXHistoryController::historyCellCheckboxSelected(QXHistoryCell& cell, bool selected) {
    const bool marked = QXIMDatabase::shared().markHistory(selected, cell.keyId());
    StatClick::event(QStringLiteral("house_list_remark"));
    if (marked) refreshDataAndView();
}
