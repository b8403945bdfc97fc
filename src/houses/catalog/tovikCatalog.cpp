#include "houses/catalog/tovikCatalog.h"

#include "location/DocumentFolder.h"
#include "net/EndpointTable.h"
#include "net/QXIMRequest.h"
#include "net/QXNetContext.h"
#include "net/RequestHeaderSet.h"
#include "platform/foundation/dispatch_queue.h"
#include "platform/foundation/notification_center.h"
#include "platform/foundation/property_list.h"
#include "util/categories/Tolerant.h"

#include <cmath>

namespace {

// Master script index 6 and master id 13 name each other whatever the catalog says.
constexpr int kFixedScriptIndex = 6;
constexpr int kFixedMasterId = 13;
const QString kAny = QStringLiteral("不限");

int number(const QVariantMap& entry, const char* key) {
    return Tolerant(entry.value(QString::fromLatin1(key))).intValue();
}

QString text(const QVariantMap& entry, const char* key) {
    return entry.value(QString::fromLatin1(key)).toString();
}

// Where the shared catalog of each kind lives; empty until first used or after a reset.
template <class Catalog>
std::unique_ptr<Catalog>& sharedSlot() {
    static std::unique_ptr<Catalog> slot;
    return slot;
}

template <class Catalog>
Catalog& shared() {
    auto& slot = sharedSlot<Catalog>();
    if (!slot) slot = std::make_unique<Catalog>();
    return *slot;
}

}  // namespace

tovikCatalog& tovikCatalog::instance() {
    return shared<tovikCatalog>();
}

void tovikCatalog::resetShared() {
    sharedSlot<tovikCatalog>().reset();
    sharedSlot<tovikCatalog_nb>().reset();
    sharedSlot<tovikCatalog_list>().reset();
}

tovikCatalog::tovikCatalog() : data_(ns::arrayWithContentsOfFile(filePath())) {}

tovikCatalog::~tovikCatalog() {
    *alive_ = false;
    retry_.cancel();
}

QString tovikCatalog::filePath() {
    return DocumentFolder::filePath(QStringLiteral("cata.xml"));
}

void tovikCatalog::updateWithCityIndex(int) {
    retries_ = 0;
    starthttpRequest();
}

void tovikCatalog::starthttpRequest() {
    send(true, [this](const QVariantList& catalog) {
        // Only the file write leaves the main thread; it touches nothing else.
        ns::DispatchQueue::global()->async(
            [catalog] { ns::writeToFile(catalog, filePath(), true); });
        data_ = catalog;
        if (responseVc_) responseVc_->newNetWorkSuccessDeletgate(catalog);
    });
}

void tovikCatalog::send(bool withCity, std::function<void(const QVariantList&)> adopt) {
    retry_.cancel();
    const auto context = QXNetContext::shared();
    RequestHeaderSet headers = RequestHeaderSet::clientIdentity();
    const QString user = context->userId();
    headers.set(QStringLiteral("userId"), user.isEmpty() ? EndpointTable::fallbackUserId() : user)
        .set(QStringLiteral("interface"), kInterface);
    if (withCity)
        headers.set(QStringLiteral("cityScriptIndex"),
                    QString::number(context->currentCityScript_index()));
    headers.set(QStringLiteral("ClientTimeStamp"), context->timeStamp())
        .set(QStringLiteral("Accept-Encoding"), QStringLiteral("gzip"));
    QXIMRequest& shared = QXIMRequest::shared();
    shared.addValuesFormDic(headers);
    const std::weak_ptr<bool> alive = alive_;
    requesting_ = true;
    shared.requestWithUrlSuccessData(
        EndpointTable::dataShareEndpoint(), kInterface, QString(),
        [this, alive, adopt = std::move(adopt)](const QVariant& reply) {
            if (!alive.lock()) return;
            requesting_ = false;
            if (reply.typeId() != QMetaType::QVariantList) return;
            retries_ = 0;
            adopt(reply.toList());
        },
        [this, alive](const QVariantMap& failure) {
            if (!alive.lock()) return;
            requesting_ = false;
            // A server that answered with an error status may answer later; a cancel or a
            // connection that could not be made is not asked again. Each repeat waits
            // twice as long as the one before, and a few repeats end it.
            if (Tolerant(failure.value(QStringLiteral("statusCode"))).intValue() < 1) return;
            if (retries_ >= kMaxRetries) return;
            const double delay = kFirstRetryDelay * std::pow(2.0, retries_);
            ++retries_;
            retry_ = ns::DelayedCall::schedule(ns::seconds(delay), [this, alive] {
                if (alive.lock()) starthttpRequest();
            });
        });
}

void tovikCatalog::narrow(const QString& flag) {
    if (!data_) return;
    QVariantList kept;
    for (const QVariant& entry : *data_) {
        QVariantMap masterEntry = entry.toMap();
        if (!masterEntry.value(flag).toBool()) continue;
        QVariantList majors = masterEntry.value(QStringLiteral("ms")).toList();
        for (qsizetype i = majors.size() - 1; i >= 0; --i) {
            if (!majors[i].toMap().value(flag).toBool()) majors.removeAt(i);
        }
        if (majors.isEmpty()) continue;
        masterEntry.insert(QStringLiteral("ms"), majors);
        kept << masterEntry;
    }
    data_ = kept;
}

QVariantMap tovikCatalog::master(int index) const {
    if (!data_ || index < 0 || index >= data_->size()) return {};
    return data_->at(index).toMap();
}

QVariantMap tovikCatalog::major(int masterIndex, int majorIndex) const {
    const QVariantList majors = master(masterIndex).value(QStringLiteral("ms")).toList();
    if (majorIndex < 0 || majorIndex >= majors.size()) return {};
    return majors.at(majorIndex).toMap();
}

std::optional<QVariantMap> tovikCatalog::masterWithId(int id) const {
    if (!data_) return std::nullopt;
    for (const QVariant& entry : *data_) {
        if (number(entry.toMap(), "cid") == id) return entry.toMap();
    }
    return std::nullopt;
}

int tovikCatalog::getMasterCatalogNum() const {
    return data_ ? int(data_->size()) : 0;
}

QString tovikCatalog::getMasterCatalogNameWithIndex(int index) const {
    return text(master(index), "n");
}

int tovikCatalog::getMasterCatalogIDWithIndex(int index) const {
    return number(master(index), "cid");
}

int tovikCatalog::getMasterCatalogIndexWithID(int id) const {
    for (int i = 0; i < getMasterCatalogNum(); ++i) {
        if (number(master(i), "cid") == id) return i;
    }
    return getMasterCatalogNum();
}

int tovikCatalog::getMajorCatalogNumWithMasterIndex(int index) const {
    return int(master(index).value(QStringLiteral("ms")).toList().size());
}

int tovikCatalog::getMajorCatalogIDWithMasterIndex(int masterIndex, int majorIndex) const {
    return number(major(masterIndex, majorIndex), "msi");
}

QString tovikCatalog::getMajorCatalogNameWithMasterIndex(int masterIndex, int majorIndex) const {
    return text(major(masterIndex, majorIndex), "n");
}

int tovikCatalog::getMiiIDWithMasterIndex(int masterIndex, int majorIndex) const {
    return number(major(masterIndex, majorIndex), "mii");
}

std::vector<KeywordMatchMajor> tovikCatalog::getMajorListWithMasterIndex(
    int masterIndex, const QString& keyword) const {
    std::vector<KeywordMatchMajor> found;
    const int first = masterIndex < 0 ? 0 : masterIndex;
    const int last = masterIndex < 0 ? getMasterCatalogNum() - 1 : masterIndex;
    for (int m = first; m <= last; ++m) {
        for (int j = 0; j < getMajorCatalogNumWithMasterIndex(m); ++j) {
            if (getMajorCatalogNameWithMasterIndex(m, j).contains(keyword)) found.push_back({m, j});
        }
    }
    return found;
}

std::optional<QVariantList> tovikCatalog::getMajorArrayWithMasterId(int id) const {
    const auto entry = masterWithId(id);
    if (!entry) return std::nullopt;
    return entry->value(QStringLiteral("ms")).toList();
}

std::optional<QStringList> tovikCatalog::getMajorListArrayWithMasterId(int id) const {
    const auto majors = getMajorArrayWithMasterId(id);
    if (!majors) return std::nullopt;
    QStringList names{kAny};
    for (const QVariant& each : *majors) names << text(each.toMap(), "n");
    return names;
}

std::optional<QList<int>> tovikCatalog::getMajorIdArrayWithMasterId(int id) const {
    const auto majors = getMajorArrayWithMasterId(id);
    if (!majors) return std::nullopt;
    QList<int> ids{-1};
    for (const QVariant& each : *majors) ids << number(each.toMap(), "msi");
    return ids;
}

QString tovikCatalog::getMajorNameWithMasterId(int id, int majorScriptIndex) const {
    if (!data_) return QString();
    for (const QVariant& entry : *data_) {
        if (number(entry.toMap(), "cid") != id) continue;
        for (const QVariant& each : entry.toMap().value(QStringLiteral("ms")).toList()) {
            if (number(each.toMap(), "msi") == majorScriptIndex) return text(each.toMap(), "n");
        }
    }
    return QString();
}

QString tovikCatalog::getMasterNameWithMasterId(int id) const {
    const auto entry = masterWithId(id);
    return entry ? text(*entry, "n") : QString();
}

int tovikCatalog::getMasterCatalogIDWithScriptIndex(int scriptIndex) const {
    if (scriptIndex == kFixedScriptIndex) return kFixedMasterId;
    if (!data_) return 0;
    for (const QVariant& entry : *data_) {
        if (number(entry.toMap(), "cidx") == scriptIndex) return number(entry.toMap(), "cid");
    }
    return 0;
}

int tovikCatalog::getMasterCatalogScriptIndexWithID(int id) const {
    if (id == kFixedMasterId) return kFixedScriptIndex;
    const auto entry = masterWithId(id);
    return entry ? number(*entry, "cidx") : 0;
}

std::optional<QVariantMap> tovikCatalog::getTagDictionaryWithMasterID(int id) const {
    return masterWithId(id);
}

// --- the narrowed catalogs ---

tovikCatalog_nb& tovikCatalog_nb::instance() {
    return shared<tovikCatalog_nb>();
}

tovikCatalog_nb::tovikCatalog_nb() {
    narrow(QStringLiteral("nb"));
}

void tovikCatalog_nb::starthttpRequest() {
    const auto loaded = [this] {
        narrow(QStringLiteral("nb"));
        ns::NotificationCenter::defaultCenter().post(kLoadedNotification);
    };
    if (data() && !data()->isEmpty()) {
        QXIMRequest::shared().cancelToVikRequestByInterface(kInterface,
                                                            EndpointTable::dataShareEndpoint());
        loaded();
        return;
    }
    send(false, [this, loaded](const QVariantList& catalog) {
        setData(catalog);
        loaded();
    });
}

bool tovikCatalog_nb::isSupportXiaoquWithMasterIndex(int masterIndex, int majorIndex) const {
    const QVariantList majors =
        data() ? data()->value(masterIndex).toMap().value("ms").toList() : QVariantList();
    return majors.value(majorIndex).toMap().value(QStringLiteral("xq")).toBool();
}

tovikCatalog_list& tovikCatalog_list::instance() {
    return shared<tovikCatalog_list>();
}

tovikCatalog_list::tovikCatalog_list() {
    narrow(QStringLiteral("l"));
}
