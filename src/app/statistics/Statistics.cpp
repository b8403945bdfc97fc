#include "app/statistics/Statistics.h"

#include "app/QXUtil.h"
#include "net/RequestStamp.h"
#include "platform/foundation/file_manager.h"
#include "platform/foundation/property_list.h"
#include "platform/foundation/timer.h"
#include "platform/foundation/user_defaults.h"
#include "platform/uikit/application.h"

namespace {
std::shared_ptr<Statistics>& sharedSlot() {
    static std::shared_ptr<Statistics> instance;
    return instance;
}

std::shared_ptr<ADStatistics>& sharedADSlot() {
    static std::shared_ptr<ADStatistics> instance;
    return instance;
}

const QString kCountKey = QStringLiteral("StatisticCount");
constexpr qint64 kCountLimit = 1201;

QString withParameters(QString record, const QStringList& paras) {
    for (const QString& para : paras) record += QLatin1Char(',') + para;
    return record;
}
}  // namespace

QString Statistics::NewSeqId() {
    return RequestStamp::newUUID();
}

QString Statistics::getTimeStamp() {
    return RequestStamp::timeStamp();
}

qint32 Statistics::getTimeInterval() {
    return RequestStamp::timeInterval();
}

Statistics& Statistics::getInstance() {
    auto& slot = sharedSlot();
    if (!slot) slot = std::make_shared<Statistics>();
    return *slot;
}

void Statistics::resetInstance() {
    sharedSlot().reset();
    sharedADSlot().reset();
}

Statistics::Statistics() : Statistics(kFileName) {}

Statistics::Statistics(const QString& fileName) : fileName_(fileName) {
    logArray_ = ns::arrayWithContentsOfFile(filePath()).value_or(QVariantList());
    logArray_.reserve(100);
    saveTimer_ = ns::Timer::scheduledTimer(ns::seconds(kSaveInterval), true,
                                           [this](ns::Timer&) { timeToSave(); });
    terminateObservation_ = ns::NotificationCenter::defaultCenter().addObserver(
        ui::kApplicationWillTerminateNotification,
        [this](const ns::Notification&) { applicationWillTerminate(); });
}

Statistics::~Statistics() {
    if (saveTimer_) saveTimer_->invalidate();
}

QString Statistics::filePath() const {
    return QXUtil::pathForDocumentWithFilename(fileName_);
}

void Statistics::applicationWillTerminate() {
    timeToSave();
}

void Statistics::timeToSave() {
    if (logArray_.isEmpty()) return;
    ns::writeToFile(logArray_, filePath(), true);
}

void Statistics::AddLogWithAction(int action, const QStringList& paras) {
    AddLog(withParameters(QString::number(action) + QLatin1Char(',') + getTimeStamp(), paras));
}

void Statistics::AddLog(const QString& record) {
    auto& defaults = ns::UserDefaults::standardUserDefaults();
    const qint64 count = defaults.integerForKey(kCountKey);
    if (count < kCountLimit) {
        defaults.setInteger(count + 1, kCountKey);
        defaults.synchronize();
        if (count == 399 || count == 799 || count == 1199) {
            defaults.setBool(true, QStringLiteral("ShouldAlertComment"));
            defaults.synchronize();
        }
    }
    logArray_.append(record);
    if (logArray_.size() >= kUploadAt) uploadLog();
}

QString Statistics::GetLogData() {
    const int count = int(logArray_.size());
    if (lastQueryCount_ >= 1 && lastQueryCount_ != count) return {};
    lastQueryCount_ = count;
    if (count == 0) return {};
    QStringList records;
    for (const QVariant& record : logArray_) {
        records << record.toString() + QLatin1Char(',') + QXUtil::macaddress();
    }
    return records.join(QLatin1Char('|'));
}

void Statistics::uploadLog() {
    const QString payload = GetLogData();
    if (payload.isEmpty()) return;
    uploader_ = std::make_shared<LogInfoUploader>(
        std::static_pointer_cast<LogInfoUploaderOwner>(shared_from_this()));
    uploader_->uploadLogInfo(payload);
}

void Statistics::flush() {
    logArray_.erase(logArray_.begin(),
                    logArray_.begin() + std::min<qsizetype>(lastQueryCount_, logArray_.size()));
    lastQueryCount_ = 0;
    ns::FileManager::removeItemAtPath(filePath());
}

ADStatistics& ADStatistics::getInstance() {
    auto& slot = sharedADSlot();
    if (!slot) slot = std::make_shared<ADStatistics>();
    return *slot;
}

ADStatistics::ADStatistics() : Statistics(kFileName) {}

void ADStatistics::AddLogForADWithAction(int action, const QStringList& paras) {
    AddADLog(withParameters(QStringLiteral("%1").arg(action, 5, 10, QLatin1Char('0')) +
                                QLatin1Char(',') + getTimeStamp(),
                            paras));
}

void ADStatistics::AddADLog(const QString& record) {
    QVariantList records = logArray();
    records.append(record);
    setLogArray(std::move(records));
    if (logArray().size() >= kUploadAt) uploadLog();
}

void ADStatistics::uploadLog() {
    // The payload is asked for twice; the second asking passes the in-flight test, since the
    // count is the same.
    (void)GetLogData();
    const QString payload = GetLogData();
    if (payload.isEmpty()) return;
    uploader_ = std::make_shared<LogInfoUploader>(
        std::static_pointer_cast<LogInfoUploaderOwner>(shared_from_this()));
    uploader_->uploadADLogInfo(payload);
}
