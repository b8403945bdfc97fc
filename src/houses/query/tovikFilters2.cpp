#include "houses/query/tovikFilters2.h"

#include "analytics/StatClick.h"
#include "houses/query/FilterCondition.h"
#include "houses/query/PostListPaging.h"
#include "location/DocumentFolder.h"
#include "net/EndpointTable.h"
#include "net/FormBody.h"
#include "net/QXIMRequest.h"
#include "net/QXNetContext.h"
#include "net/RequestHeaderSet.h"
#include "platform/foundation/clock.h"
#include "platform/foundation/file_manager.h"
#include "platform/foundation/property_list.h"
#include "platform/foundation/user_defaults.h"

#include <QDateTime>

#include <utility>

namespace {

FilterList itemsFrom(const QVariantList& list) {
    FilterList items;
    items.reserve(std::size_t(list.size()));
    for (const QVariant& entry : list) {
        items.push_back(std::make_shared<QVariantMap>(entry.toMap()));
    }
    return items;
}

QVariantList listFrom(const FilterList& items) {
    QVariantList list;
    for (const FilterItem& item : items) list << *item;
    return list;
}

QString key(int number) {
    return QString::number(number);
}

// The shared request object cancels a running call of the same interface and URL. Each
// model's URL carries a fragment of its own (never sent), so that the post list's load and
// another model's of the same category do not cancel each other.
QString nextCancelKey() {
    static quint64 models = 0;
    return QStringLiteral("#filters-%1").arg(++models);
}

}  // namespace

tovikFilters2::tovikFilters2() : cancelKey_(nextCancelKey()) {}

FilterItem tovikFilters2::getFilterWithIndex(int index) const {
    if (!data_ || index < 0 || index >= int(data_->size())) return nullptr;
    return (*data_)[std::size_t(index)];
}

FilterItem tovikFilters2::getFilterWithKey(const QString& field) const {
    if (!data_) return nullptr;
    for (const FilterItem& item : *data_) {
        if (item->value(QStringLiteral("f")).toString() == field) return item;
    }
    return nullptr;
}

void tovikFilters2::adopt(const QVariantList& items) {
    data_ = itemsFrom(items);
    checkPageFrom();
}

void tovikFilters2::saveTheDate() const {
    // A model without items saves that state too, so that going back never brings the
    // items of an earlier save.
    ns::writeToFile(data_ ? listFrom(*data_) : QVariantList(), savePath(), true);
}

void tovikFilters2::returnTheDate() {
    const auto saved = ns::arrayWithContentsOfFile(savePath());
    if (!saved || saved->isEmpty()) {
        data_.reset();
        return;
    }
    data_ = itemsFrom(*saved);
}

void tovikFilters2::checkPageFrom() {
    if (!data_) return;
    if (pageFrom_ == 1 && !data_->empty() && getFilterWithKey(QStringLiteral("district_id"))) {
        QVariantList choices;
        for (const QString& radius : NearbyRadiusTable::radii()) {
            choices << QVariantMap{{"n", radius + QStringLiteral("米")}, {"v", radius}};
        }
        (*data_)[0] = std::make_shared<QVariantMap>(
            QVariantMap{{"f", "latlng"},
                        {"n", QStringLiteral("范围")},
                        {"t", "normal"},
                        {"v", NearbyRadiusTable::radii().at(NearbyRadiusTable::kDefaultIndex)},
                        {"firstSectionRow", "2"},
                        {"vs", choices}});
    }
    const QDateTime now = ns::Clock::shared().currentDateTime().toLocalTime();
    for (const FilterItem& item : *data_) {
        if (item->value(QStringLiteral("f")).toString() != QLatin1String("start_time")) continue;
        const QVariantList old = item->value(QStringLiteral("vs")).toList();
        // Without a first choice to keep, the list is the ten dates alone.
        QVariantList choices = old.isEmpty() ? QVariantList() : QVariantList{old.first()};
        for (int day = 0; day < 10; ++day) {
            const QString date =
                now.addSecs(qint64(day) * 86400).toString(QStringLiteral("yyyy-MM-dd"));
            choices << QVariantMap{{"n", date}, {"v", date}};
        }
        item->insert(QStringLiteral("vs"), choices);
    }
}

QString tovikFilters2::cachePath() {
    return DocumentFolder::filePath(QStringLiteral("filters"));
}

QString tovikFilters2::savePath() {
    return DocumentFolder::filePath(QStringLiteral("savefilterdata"));
}

void tovikFilters2::setMasterMajorId(int masterId, int majorId) {
    masterIndex_ = masterId;
    majorIndex_ = majorId;
    // The cache's writes that a kill cut short leave their temporary files behind.
    ns::FileManager::removeAbandonedTemporaryFilesInFolder(DocumentFolder::path());
    allFilter_ = ns::dictionaryWithContentsOfFile(cachePath()).value_or(QVariantMap());
}

int tovikFilters2::selectedCity() const {
    return QXNetContext::shared()->currentCityScript_index();
}

int tovikFilters2::requestCity() const {
    if (isNearBy_) return 0;
    return (pageFrom_ == 1 || pageFrom_ == 4) && locatedCity_ >= 0 ? locatedCity_ : selectedCity();
}

int tovikFilters2::cacheCity() const {
    return replyCity_ >= 0 ? replyCity_ : requestCity();
}

QString tovikFilters2::cachedVersion() const {
    if (!allFilter_) return QStringLiteral("0");
    const QVariant version = allFilter_->value(key(requestCity()))
                                 .toMap()
                                 .value(key(masterIndex_))
                                 .toMap()
                                 .value(key(majorIndex_))
                                 .toMap()
                                 .value(QStringLiteral("version"));
    return version.isValid() && !version.toString().isEmpty() ? version.toString()
                                                              : QStringLiteral("0");
}

void tovikFilters2::httpRequestWithSuccess(Callback success, Callback failure) {
    const int city = requestCity();
    replyCity_ = city;
    RequestHeaderSet headers = RequestHeaderSet::clientIdentity();
    headers.set("categoryId", key(masterIndex_))
        .set("cityScriptIndex", key(city))
        .set("majorCategoryScriptIndex", key(majorIndex_))
        .set("interface", "GetMajorCategoryFilter")
        .set("ClientTimeStamp", QXNetContext::shared()->timeStamp())
        .set("Accept-Encoding", "gzip")
        .set("version", cachedVersion());
    FormBody body;
    body.add("cityScriptIndex", city)
        .add("categoryId", masterIndex_)
        .add("majorCategoryScriptIndex", havMiiId_ ? 0 : majorIndex_);
    QXIMRequest& request = QXIMRequest::shared();
    request.addValuesFormDic(headers);
    waiting_.push_back({std::move(success), std::move(failure)});
    const quint64 number = ++latestRequest_;
    // The model stays alive until its request ends, as the screens expect. A request that
    // this model's newer one has replaced answers no one and stores nothing: its callers
    // wait for the newer one (the filter screen reloads on the post list's model while the
    // list still waits for its bar).
    auto self = shared_from_this();
    request.requestWithUrl(
        EndpointTable::dataShareEndpoint() + cancelKey_, QStringLiteral("GetMajorCategoryFilter"),
        body.text(),
        [self, number](const QVariant& reply) {
            if (number == self->latestRequest_) self->takeReply(reply);
        },
        [self, number](const QVariantMap& reason) {
            if (number != self->latestRequest_) return;
            if (!PostListPaging::isCancellation(reason))
                StatClick::event(QStringLiteral("ReceivedServerDataError"),
                                 QStringLiteral("tovikFilters2"));
            self->answerWaiting(false);
        });
}

void tovikFilters2::cancelRequest() const {
    QXIMRequest::shared().cancelToVikRequestByInterface(
        QStringLiteral("GetMajorCategoryFilter"), EndpointTable::dataShareEndpoint() + cancelKey_);
}

void tovikFilters2::answerWaiting(bool succeeded) {
    // Taken out first: a callback may start the next request.
    const std::vector<Waiting> callers = std::exchange(waiting_, {});
    for (const Waiting& caller : callers) {
        const Callback& callback = succeeded ? caller.success : caller.failure;
        if (callback) callback();
    }
}

void tovikFilters2::takeReply(const QVariant& reply) {
    const QVariantMap result = reply.toMap();
    if (!result.isEmpty()) {
        ns::UserDefaults::standardUserDefaults().setObject(result.value(QStringLiteral("v")),
                                                           QStringLiteral("filterVersion"));
        requestSuccessWithResult(result);
        answerWaiting(true);
        return;
    }
    // Unchanged: the cached definitions of the city asked for serve, never another's.
    const QVariant cached = allFilter_ ? allFilter_->value(key(cacheCity()))
                                             .toMap()
                                             .value(key(masterIndex_))
                                             .toMap()
                                             .value(key(majorIndex_))
                                             .toMap()
                                             .value(QStringLiteral("filter"))
                                       : QVariant();
    if (cached.typeId() != QMetaType::QVariantList) {
        answerWaiting(false);
        return;
    }
    adopt(cached.toList());
    answerWaiting(true);
}

void tovikFilters2::requestSuccessWithResult(const QVariantMap& result) {
    // Definitions that are no list are none: storing them would serve an empty list for as
    // long as the server keeps their version.
    if (result.value(QStringLiteral("fs")).typeId() != QMetaType::QVariantList) return;
    QVariantList items = result.value(QStringLiteral("fs")).toList();
    for (QVariant& entry : items) {
        QVariantMap item = entry.toMap();
        item.insert(QStringLiteral("firstSectionRow"), 0);
        if (item.value(QStringLiteral("f")).toString() == QLatin1String("district_id")) {
            item.insert(QStringLiteral("secondSectionRow"), 0);
        }
        entry = item;
    }
    // Stored under the city asked for, beside the entries of other cities and categories.
    // The file is read again first: the model of another list may have stored its own entry
    // since this one was loaded, and writing back an older copy would drop it.
    QVariantMap all =
        ns::dictionaryWithContentsOfFile(cachePath()).value_or(allFilter_.value_or(QVariantMap()));
    QVariantMap city = all.value(key(cacheCity())).toMap();
    QVariantMap master = city.value(key(masterIndex_)).toMap();
    // A reply without a version is kept without one (a property list holds no nil), so
    // the next request names "0" and gets the definitions again.
    QVariantMap entry{{"filter", items}};
    if (const QVariant version = result.value(QStringLiteral("v")); version.isValid())
        entry.insert(QStringLiteral("version"), version);
    master.insert(key(majorIndex_), entry);
    city.insert(key(masterIndex_), master);
    all.insert(key(cacheCity()), city);
    allFilter_ = all;
    ns::writeToFile(all, cachePath(), true);
    if (!data_) adopt(items);
}
