#include "app/statistics/Statistics.h"

#include "app/QXUtil.h"
#include "net/RequestStamp.h"
#include "platform/foundation/notification_center.h"
#include "platform/foundation/property_list.h"
#include "platform/foundation/timer.h"
#include "platform/uikit/application.h"

namespace {
std::unique_ptr<Statistics>& sharedSlot() {
    static std::unique_ptr<Statistics> instance;
    return instance;
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
    if (!slot) slot = std::make_unique<Statistics>();
    return *slot;
}

void Statistics::resetInstance() {
    sharedSlot().reset();
}

Statistics::Statistics() {
    logArray_ = ns::arrayWithContentsOfFile(QXUtil::pathForDocumentWithFilename(kFileName))
                    .value_or(QVariantList());
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

void Statistics::applicationWillTerminate() {
    timeToSave();
}

void Statistics::timeToSave() {
    if (logArray_.isEmpty()) return;
    ns::writeToFile(logArray_, QXUtil::pathForDocumentWithFilename(kFileName), true);
}
