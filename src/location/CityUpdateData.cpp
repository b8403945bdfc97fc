#include "location/CityUpdateData.h"

#include "location/CityNode.h"
#include "location/DocumentFolder.h"

#include "net/EndpointTable.h"
#include "net/QXIMRequest.h"
#include "net/QXNetContext.h"
#include "net/RequestHeaderSet.h"
#include "platform/foundation/property_list.h"
#include "platform/foundation/sandbox.h"
#include "platform/foundation/user_defaults.h"
#include "util/categories/Tolerant.h"

#include <QFile>

#include <algorithm>

namespace {

const QString kInterface = QStringLiteral("GetLastGeography");
const QString kCityVersionKey = QStringLiteral("cityVersion");
const QString kAppVersionKey = QStringLiteral("appVersionId");

ns::UserDefaults& defaults() {
    return ns::UserDefaults::standardUserDefaults();
}

QVariantMap anyRow(bool district) {
    QVariantMap row{{"id", qint64(-1)},
                    {"index", qint64(-1)},
                    {"name", QStringLiteral("不限")},
                    {"pinyin", QStringLiteral("buxian")}};
    if (district) row.insert("sname", QStringLiteral("不限"));
    return row;
}

std::shared_ptr<Street> anyStreet(const std::shared_ptr<District>& district) {
    auto street = std::make_shared<Street>();
    street->setProperties(anyRow(false));
    street->setParent(district);
    return street;
}

std::optional<QVariantMap> readReply(const QString& file) {
    auto reply = ns::dictionaryWithContentsOfFile(file);
    if (!reply || reply->isEmpty()) return std::nullopt;
    return reply;
}

RequestHeaderSet headersOf(const QString& seqId, const QString& version, int scriptIndex) {
    RequestHeaderSet headers = RequestHeaderSet::clientIdentity();
    headers.set("SeqId", seqId)
        .set("interface", kInterface)
        .set("version", version)
        .set("cityScriptIndex", QString::number(scriptIndex));
    return headers;
}

}  // namespace

CityUpdateData::CityUpdateData(std::weak_ptr<CityUpdateResponder> responseVc)
    : responseVc_(std::move(responseVc)) {}

QString CityUpdateData::currentCacheFile() {
    return DocumentFolder::filePath(QStringLiteral("streetInfonew"));
}

QString CityUpdateData::cacheFileOfCity(int scriptIndex) {
    return DocumentFolder::filePath(QStringLiteral("streetInfo-%1").arg(scriptIndex));
}

QString CityUpdateData::versionToSend(int scriptIndex) {
    const QString stored = defaults().stringForKey(kCityVersionKey);
    if (defaults().stringForKey(kAppVersionKey) != EndpointTable::versionId() || stored.isEmpty() ||
        stored == "0") {
        return QStringLiteral("0");
    }
    const auto own = readReply(cacheFileOfCity(scriptIndex));
    const QString version = own ? Tolerant(*own)["v"].toString() : QString();
    return version.isEmpty() ? QStringLiteral("0") : version;
}

bool CityUpdateData::isShippedCity(int scriptIndex) const {
    return std::ranges::find(kShippedCities, scriptIndex) != std::end(kShippedCities);
}

QVariantMap CityUpdateData::shippedList(int scriptIndex) {
    const QString file = ns::Bundle::pathForResource(QStringLiteral("%1city").arg(scriptIndex));
    return file.isEmpty() ? QVariantMap() : readReply(file).value_or(QVariantMap());
}

void CityUpdateData::store(const QVariantMap& reply, int scriptIndex) {
    defaults().setObject(Tolerant(reply)["v"].toString(), kCityVersionKey);
    defaults().setObject(EndpointTable::versionId(), kAppVersionKey);
    ns::writeToFile(reply, cacheFileOfCity(scriptIndex), true);
}

void CityUpdateData::hotCityWay(int scriptIndex) {
    if (!isShippedCity(scriptIndex) || readReply(cacheFileOfCity(scriptIndex))) return;
    const QVariantMap shipped = shippedList(scriptIndex);
    if (!shipped.isEmpty()) store(shipped, scriptIndex);
}

void CityUpdateData::updateCityData(int scriptIndex) {
    const QString seqId = userClicked_ ? QXNetContext::shared()->newSeqId() : QString("");
    scriptIndex_ = scriptIndex;
    hotCityWay(scriptIndex);
    const RequestHeaderSet headers = headersOf(seqId, versionToSend(scriptIndex), scriptIndex);
    auto& request = QXIMRequest::shared();
    const QString url = EndpointTable::dataShareEndpoint();
    request.cancelToVikRequestByInterface(kInterface, url);
    request.addValuesFormDic(headers);
    // The headers name the interface, so a later update's pre-cancel finds this call.
    request.requestWithUrl(
        url,
        [weak = weak_from_this(), headers](const QVariant& reply) {
            QXIMRequest::shared().removeValuesInHead(headers);
            if (auto self = weak.lock()) self->succeeded(reply);
        },
        [weak = weak_from_this(), headers](const QVariantMap&) {
            QXIMRequest::shared().removeValuesInHead(headers);
            if (auto self = weak.lock()) self->failed();
        });
}

bool CityUpdateData::installOwnCache() {
    const auto own = readReply(cacheFileOfCity(scriptIndex_));
    if (!own) return false;
    ns::writeToFile(*own, currentCacheFile(), true);
    parserLocalInfo(*own);
    return true;
}

void CityUpdateData::succeeded(const QVariant& reply) {
    const QVariantMap dictionary = reply.toMap();
    // A list of districts is what makes a reply; anything else (an empty dictionary for
    // "unchanged", a reply of another shape) leaves the city's stored lists as they are.
    const bool hasDistricts = reply.typeId() == QMetaType::QVariantMap &&
                              dictionary.value("g").typeId() == QMetaType::QVariantList;
    if (hasDistricts) {
        store(dictionary, scriptIndex_);
        ns::writeToFile(dictionary, currentCacheFile(), true);
        parserLocalInfo(dictionary);
    } else if (!installOwnCache()) {
        // "Unchanged" or an unreadable reply, with no list of this city to fall back on.
        failed();
        return;
    }
    if (auto responder = responseVc_.lock()) responder->newNetWorkForCityUpdateData(*this);
}

void CityUpdateData::failed() {
    auto responder = responseVc_.lock();
    if (responder) responder->newNetWorkForCityUpdateDataError(*this);
    // The shipped list of a hot city becomes its cache for its next update unless the city
    // has one already, never older than the shipped list; the city now selected keeps its
    // own lists, so the user is told as for any other city.
    if (isShippedCity(scriptIndex_)) hotCityWay(scriptIndex_);
    if (!responder || !responder->showsUpdateAlerts()) return;
    std::shared_ptr<ui::AlertView> alert;
    if (tryAgain_) {
        alert = std::make_shared<ui::AlertView>(QString(), QStringLiteral("城市信息获取失败"),
                                                std::weak_ptr<ui::AlertViewDelegate>(),
                                                QStringLiteral("确  定"));
    } else if (!responder->networkReachable()) {
        alert = std::make_shared<ui::AlertView>(
            QStringLiteral("无法与服务器通讯"),
            QStringLiteral("无法与服务器通讯。请连接到移动数据网络或者wifi"),
            std::weak_ptr<ui::AlertViewDelegate>(), QStringLiteral("确  定"));
    } else {
        alert = std::make_shared<ui::AlertView>(
            QString(), QStringLiteral("城市信息获取失败，请重试"), weak_from_this(),
            QStringLiteral("取消"), QStringList{QStringLiteral("重试")});
        alert->setTag(kRetryAlertTag);
    }
    alert->show();
}

void CityUpdateData::clickedButtonAtIndex(ui::AlertView& alert, int index) {
    if (alert.tag() != kRetryAlertTag || index != 1) return;
    if (auto responder = responseVc_.lock()) responder->cityUpdateRetried(*this);
    updateCityData(scriptIndex_);
    tryAgain_ = true;
}

void CityUpdateData::readDistrictInfoFromFile() {
    if (const auto reply = readReply(currentCacheFile())) parserLocalInfo(*reply);
}

void CityUpdateData::readDistrictInfoOfCity(int scriptIndex) {
    scriptIndex_ = scriptIndex;
    districtArray_.clear();
    if (const auto reply = readReply(cacheFileOfCity(scriptIndex))) parserLocalInfo(*reply);
}

void CityUpdateData::parserLocalInfo(const QVariant& reply) {
    if (!reply.isValid()) return;
    const Tolerant info(reply);
    citySupportLatlong_ = info["isxiaoqu"].intValue() == 1;
    districtArray_.clear();
    auto any = std::make_shared<District>();
    any->setProperties(anyRow(true));
    any->Streets.push_back(anyStreet(any));
    districtArray_.push_back(any);
    const Tolerant districts = info["g"];
    for (qsizetype i = 0; i < districts.count(); ++i) {
        const Tolerant entry = districts[i];
        auto district = std::make_shared<District>();
        const qint64 id = entry["dsi"].intValue();
        district->setFields(id, int(id), entry["dn"].toString(), QString(""));
        district->setSname(QString(""));
        district->Streets.push_back(anyStreet(district));
        const Tolerant streets = entry["ss"];
        for (qsizetype j = 0; j < streets.count(); ++j) {
            auto street = std::make_shared<Street>();
            const qint64 streetId = streets[j]["ssi"].intValue();
            street->setFields(streetId, int(streetId), streets[j]["sn"].toString(), QString(""));
            street->setParent(district);
            district->Streets.push_back(std::move(street));
        }
        districtArray_.push_back(std::move(district));
    }
}
