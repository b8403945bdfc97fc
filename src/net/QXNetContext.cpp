#include "net/QXNetContext.h"

#include "net/QXNetDefaultContext.h"
#include "net/RequestStamp.h"

#include <mutex>

namespace {

std::mutex contextMutex;

std::shared_ptr<QXNetContext>& installedContext() {
    // Never destroyed, nor the context it holds: the messaging library builds its requests on
    // its own queue, whose block may still run as the process's statics go.
    static auto* const context =
        new std::shared_ptr<QXNetContext>(std::make_shared<QXNetDefaultContext>());
    return *context;
}

}  // namespace

QXNetContext::~QXNetContext() = default;

std::shared_ptr<QXNetContext> QXNetContext::shared() {
    const std::lock_guard lock(contextMutex);
    return installedContext();
}

void QXNetContext::install(std::shared_ptr<QXNetContext> context) {
    if (!context) context = std::make_shared<QXNetDefaultContext>();
    const std::lock_guard lock(contextMutex);
    installedContext() = std::move(context);
}

qint64 QXNetContext::currentCityId() const {
    return 0;
}

void QXNetContext::setUserId(const QString&) {}

void QXNetContext::setIMUserId(qint64) {}

void QXNetContext::imUserChanged() {}

QString QXNetContext::newSeqId() const {
    return RequestStamp::newUUID();
}

QString QXNetContext::timeStamp() const {
    return RequestStamp::timeStamp();
}

qint32 QXNetContext::timeInterval() const {
    return RequestStamp::timeInterval();
}
