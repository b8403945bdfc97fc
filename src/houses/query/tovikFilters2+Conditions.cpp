// The filter model's further operations: a second definitions interface, condition and
// title texts made from the items, copies of the model and a reset of the cache.
#include "houses/query/tovikFilters2.h"

#include "analytics/StatClick.h"
#include "houses/query/FilterCondition.h"
#include "houses/query/PostListPaging.h"
#include "location/CityNode.h"
#include "location/DocumentFolder.h"
#include "net/BodyJson.h"
#include "net/EndpointTable.h"
#include "net/JsonArgsBody.h"
#include "net/QXIMRequest.h"
#include "net/QXNetContext.h"
#include "net/RequestHeaderSet.h"
#include "platform/foundation/property_list.h"
#include "util/categories/Tolerant.h"

namespace {

const QString kAnyCondition = QStringLiteral("不限");
const QString kAnyValue = QStringLiteral("-1");

QString field(const FilterItem& item) {
    return item->value(QStringLiteral("f")).toString();
}

QString kind(const FilterItem& item) {
    return item->value(QStringLiteral("t")).toString();
}

// The chosen value; a null text when the item has none.
QString valueOf(const FilterItem& item) {
    const QVariant value = item->value(QStringLiteral("v"));
    return value.isValid() ? value.toString() : QString();
}

bool isAny(const QString& value) {
    return value.isNull() || value == kAnyValue;
}

// Items passed through a property-list file of the document folder and read back, so that
// the holder's items are objects of its own.
std::optional<FilterList> throughFile(const QVariantList& items, const QString& path) {
    ns::writeToFile(items, path, true);
    const auto read = ns::arrayWithContentsOfFile(path);
    if (!read) return std::nullopt;
    FilterList list;
    for (const QVariant& entry : *read)
        list.push_back(std::make_shared<QVariantMap>(entry.toMap()));
    return list;
}

QVariantList listOf(const FilterList& items) {
    QVariantList list;
    for (const FilterItem& item : items) list << *item;
    return list;
}

}  // namespace

QString tovikFilters2::copyPath() {
    return DocumentFolder::filePath(QStringLiteral("filterdata"));
}

QString tovikFilters2::tempPath() {
    return DocumentFolder::filePath(QStringLiteral("FilterDataTemp"));
}

std::shared_ptr<tovikFilters2> tovikFilters2::initWithFilter(const tovikFilters2& model) {
    auto copy = std::make_shared<tovikFilters2>();
    copy->keyWord_ = model.keyWord_;
    copy->stringFilter_ = model.stringFilter_;
    copy->latlng_ = model.latlng_;
    copy->extra_ = model.extra_;
    copy->pageFrom_ = model.pageFrom_;
    copy->currentStreet_ = model.currentStreet_;
    copy->masterIndex_ = model.masterIndex_;
    copy->majorIndex_ = model.majorIndex_;
    copy->bUsingFilter_ = model.bUsingFilter_;
    if (model.data_ && !model.data_->empty()) {
        copy->data_ = throughFile(listOf(*model.data_), copyPath());
        copy->checkPageFrom();
    }
    return copy;
}

void tovikFilters2::httpRequestWithMasterId(int masterId, Callback success, Callback failure) {
    JsonArgsBody args;
    args.add("cityScriptIndex", QString::number(selectedCity()))
        .add("categoryId", QString::number(masterId));
    requestFastFilter(masterId, args.text(), std::move(success), std::move(failure));
}

void tovikFilters2::httpRequestWithMasterId(int masterId, int baseTag, Callback success,
                                            Callback failure) {
    JsonArgsBody args;
    args.add("cityScriptIndex", QString::number(selectedCity()))
        .add("categoryId", QString::number(masterId))
        .add("base_tag", QString::number(baseTag));
    requestFastFilter(masterId, args.text(), std::move(success), std::move(failure));
}

void tovikFilters2::requestFastFilter(int masterId, const QString& body, Callback success,
                                      Callback failure) {
    const QString interface = QStringLiteral("getFastCommonFilter");
    masterIndex_ = masterId;
    majorIndex_ = 0;
    replyCity_ = requestCity();
    RequestHeaderSet headers = RequestHeaderSet::clientIdentity();
    headers.set(QStringLiteral("interface"), interface)
        .set(QStringLiteral("ClientTimeStamp"), QXNetContext::shared()->timeStamp())
        .set(QStringLiteral("Accept-Encoding"), QStringLiteral("gzip"));
    QXIMRequest& request = QXIMRequest::shared();
    request.addValuesFormDic(headers);
    auto self = shared_from_this();
    request.requestWithUrl(
        EndpointTable::dataShareEndpoint() + cancelKey_, interface, body,
        [self, success, failure](const QVariant& reply) {
            const QVariantMap result = reply.toMap();
            if (result.isEmpty()) {
                if (failure) failure();
                return;
            }
            self->requestSuccessWithResult(result);
            if (success) success();
        },
        [failure](const QVariantMap& reason) {
            if (!PostListPaging::isCancellation(reason))
                StatClick::event(QStringLiteral("ReceivedServerDataError"),
                                 QStringLiteral("tovikFilters2"));
            if (failure) failure();
        });
}

void tovikFilters2::setMasterIndex(int masterId, int majorId) {
    masterIndex_ = masterId;
    majorIndex_ = majorId;
    if (pageFrom_ == 1) return;
    allFilter_ = ns::dictionaryWithContentsOfFile(cachePath()).value_or(QVariantMap());
    const QVariant cached = allFilter_->value(QString::number(selectedCity()))
                                .toMap()
                                .value(QString::number(masterId))
                                .toMap()
                                .value(QString::number(majorId))
                                .toMap()
                                .value(QStringLiteral("filter"));
    if (cached.typeId() == QMetaType::QVariantList) adopt(cached.toList());
}

void tovikFilters2::SetData(const QVariantList& items) {
    data_.reset();
    data_ = throughFile(items, tempPath());
}

FilterItem tovikFilters2::GetFilterItemWithName(const QString& label) const {
    if (!data_) return nullptr;
    for (const FilterItem& item : *data_) {
        if (item->value(QStringLiteral("n")).toString() == label) return item;
    }
    return nullptr;
}

QString tovikFilters2::getDisplayStringWithIndex(int position) const {
    const FilterItem item = getFilterWithIndex(position);
    if (!item) return QString();
    const QString value = valueOf(item);
    for (const QVariant& choice : item->value(QStringLiteral("vs")).toList()) {
        if (choice.toMap().value(QStringLiteral("v")).toString() == value)
            return choice.toMap().value(QStringLiteral("n")).toString();
    }
    return QString();
}

int tovikFilters2::buxianNumber() const {
    if (!data_) return 0;
    int count = 0;
    for (const FilterItem& item : *data_) {
        if (field(item) == QLatin1String("district_id")) continue;
        if (Tolerant(item->value(QStringLiteral("v"))).intValue() == -1) ++count;
    }
    return count;
}

bool tovikFilters2::isDefault() const {
    if (!keyWord_.isEmpty()) return false;
    if (!data_ || data_->empty()) return true;
    for (const FilterItem& item : *data_) {
        const QString f = field(item);
        if (f == QLatin1String("latlng")) {
            if (valueOf(item) != NearbyRadiusTable::radii().at(NearbyRadiusTable::kDefaultIndex))
                return false;
        } else if (f == QLatin1String("district_id")) {
            const auto district = currentStreet_ ? currentStreet_->parent() : nullptr;
            if (district && district->index() != -1) return false;
        } else if (valueOf(item) != kAnyValue) {
            return false;
        }
    }
    return true;
}

QString tovikFilters2::FilterToString(const FilterItem& item) {
    if (!item) return QString();
    const QString f = field(item);
    const QString value = valueOf(item);
    if (f == QLatin1String("district_id")) {
        if (!currentStreet_) return QString();
        QStringList parts;
        if (currentStreet_->index() != -1)
            parts << FilterCondition::make(QStringLiteral("street_id"),
                                           QString::number(currentStreet_->index()));
        const auto district = currentStreet_->parent();
        if (district && district->index() != -1)
            parts << FilterCondition::make(f, QString::number(district->index()));
        return parts.isEmpty() ? QString() : parts.join(u',');
    }
    if (f == QLatin1String("latlng")) {
        if (latlng_.isEmpty()) return QString();
        return FilterCondition::make(f, latlng_ + u',' + value);
    }
    const QString t = kind(item);
    if (t == QLatin1String("text")) {
        if (value.isEmpty() || isAny(value)) {
            extra_.remove(f);
        } else {
            extra_.insert(f, value);
        }
        return QString();
    }
    if (isAny(value)) return QString();
    if (fromErshou_ && f == QLatin1String("minor_category")) return QString();
    if (t == QLatin1String("range") || (t == QLatin1String("normal") && !fromErshou_))
        return FilterCondition::make(f, value);
    return QString();
}

void tovikFilters2::makeFilter() {
    QStringList conditions;
    if (data_) {
        for (const FilterItem& item : *data_) {
            const QString condition = FilterToString(item);
            if (!condition.isEmpty()) conditions << condition;
        }
    }
    stringFilter_ = conditions.join(u',');
}

QString tovikFilters2::getStringFilter() const {
    if (!bUsingFilter_) {
        return FilterCondition::make(
            QStringLiteral("latlng"),
            latlng_ + u',' + NearbyRadiusTable::radii().at(NearbyRadiusTable::kDefaultIndex));
    }
    return stringFilter_;
}

QString tovikFilters2::getSearchString() const {
    const auto condition = [](const QString& name, const QString& value) {
        return BodyJson::object({{QStringLiteral("name"), BodyJson::string(name)},
                                 {QStringLiteral("value"), BodyJson::string(value)}});
    };
    const QString title =
        keyWord_.isEmpty() ? QString() : condition(QStringLiteral("title"), keyWord_);
    if (!bUsingFilter_) return pageFrom_ == 2 ? title : QString();
    // Joined only between conditions: a list that starts with a comma is no list.
    QStringList conditions;
    if (!title.isEmpty()) conditions << title;
    for (auto it = extra_.begin(); it != extra_.end(); ++it)
        conditions << condition(it.key(), it.value().toString());
    return conditions.join(u',');
}

QString tovikFilters2::FilterToStringTitle(const FilterItem& item) const {
    return item ? titleOf(item) : QString();
}

QString tovikFilters2::titleOf(const FilterItem& item) const {
    const QString f = field(item);
    const QString value = valueOf(item);
    if (f == QLatin1String("district_id")) {
        const auto district = currentStreet_ ? currentStreet_->parent() : nullptr;
        if (!district || district->index() == -1) return QString();
        if (currentStreet_->index() == -1) return district->name();
        return district->name() + u'-' + currentStreet_->name();
    }
    if (f == QLatin1String("latlng")) return QStringLiteral("附近%1米").arg(value);
    if (isAny(value)) return QString();
    const QString t = kind(item);
    if (t == QLatin1String("normal") || t == QLatin1String("range")) {
        for (const QVariant& choice : item->value(QStringLiteral("vs")).toList()) {
            if (choice.toMap().value(QStringLiteral("v")).toString() == value)
                return choice.toMap().value(QStringLiteral("n")).toString();
        }
        return QString();
    }
    return t == QLatin1String("text") ? value : QString();
}

QString tovikFilters2::joinedTitles(bool withDistrict) const {
    QStringList titles;
    if (data_) {
        for (const FilterItem& item : *data_) {
            if (!withDistrict && field(item) == QLatin1String("district_id")) continue;
            const QString title = titleOf(item).trimmed();
            if (!title.isEmpty()) titles << title;
        }
    }
    if (!keyWord_.isEmpty()) titles << keyWord_;
    return titles.isEmpty() ? QString() : titles.join(u'/');
}

QString tovikFilters2::makeFilterTitle() const {
    return joinedTitles(true);
}

QString tovikFilters2::makeFilterTitleWithoutDistrict() const {
    return joinedTitles(false);
}

QString tovikFilters2::getDistrict() const {
    if (!currentStreet_) return QString();
    const auto district = currentStreet_->parent();
    const auto city = district ? district->parent() : nullptr;
    QString text = city ? city->sname() : QString();
    if (district && district->name() != kAnyCondition) text += u'-' + district->name();
    if (currentStreet_->name() != kAnyCondition) text += u'-' + currentStreet_->name();
    return text;
}

void tovikFilters2::CityChanged() {
    if (!allFilter_ || allFilter_->isEmpty()) return;
    allFilter_ = QVariantMap();
    ns::writeToFile(*allFilter_, cachePath(), true);
}
