#include "account/QXHouseNewsViewController.h"

#include "account/FailureAlert.h"
#include "net/EndpointTable.h"
#include "net/FormBody.h"
#include "net/QXIMRequest.h"
#include "net/RequestHeaderSet.h"
#include "platform/uikit/label.h"
#include "platform/uikit/table_view.h"
#include "platform/uikit/table_view_cell.h"
#include "ui/navigation/UIViewController+Navigation.h"
#include "util/categories/Tolerant.h"

namespace {
const QString kInterface = QStringLiteral("CommonConsultList");
const QString kCell = QStringLiteral("news");
}  // namespace

QXHouseNewsViewController::QXHouseNewsViewController() {
    setTitle(QStringLiteral("房产资讯"));
    setHidesBottomBarWhenPushed(true);
}

void QXHouseNewsViewController::viewDidLoad() {
    ui::TableViewController::viewDidLoad();
    tableView()->setRowHeight(56);
    UIViewControllerNavigation::setNavigationBackButton(*this);
    requestNews();
}

void QXHouseNewsViewController::viewWillAppear(bool animated) {
    ui::TableViewController::viewWillAppear(animated);
    dragBackPause_.begin(*this);
}

void QXHouseNewsViewController::viewWillDisappear(bool animated) {
    ui::TableViewController::viewWillDisappear(animated);
    dragBackPause_.end();
}

void QXHouseNewsViewController::requestNews() {
    QXIMRequest::shared().addValuesFormDic(RequestHeaderSet::newsList());
    QXIMRequest::shared().requestWithUrl(
        EndpointTable::dataShareEndpoint(), kInterface,
        FormBody().add(QStringLiteral("pageIndex"), qint64(0)).text(),
        [weak = weakAs<QXHouseNewsViewController>()](const QVariant& reply) {
            auto self = weak.lock();
            if (!self) return;
            const Tolerant answer(reply);
            // A reply that refuses says why; one without a status is read for its list.
            if (!answer["status"].isNil() && answer["status"].intValue() != 0) {
                showFailureAlert(answer["errDetail"].toString());
                return;
            }
            self->news_ = answer["data"].toList();
            self->tableView()->reloadData();
        },
        // A list that stays empty says why; a screen already gone says nothing.
        [weak = weakAs<QXHouseNewsViewController>()](const QVariantMap& failure) {
            if (weak.lock() && !wasCancelled(failure)) showFailureAlert(QString());
        });
}

int QXHouseNewsViewController::numberOfRowsInSection(ui::TableView&, int) {
    return int(news_.size());
}

std::shared_ptr<ui::TableViewCell> QXHouseNewsViewController::cellForRowAtIndexPath(
    ui::TableView& table, const ui::IndexPath& indexPath) {
    auto cell = table.dequeueReusableCellWithIdentifier(kCell);
    if (!cell) cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Subtitle, kCell);
    const Tolerant item = Tolerant(news_.value(indexPath.row));
    cell->textLabel()->setText(item["title"].toString());
    if (auto* detail = cell->detailTextLabel()) detail->setText(item["source"].toString());
    return cell;
}
