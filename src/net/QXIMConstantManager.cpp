#include "net/QXIMConstantManager.h"

#include "net/EndpointTable.h"

#include <stdexcept>

QXIMConstantManager& QXIMConstantManager::share() {
    // Never destroyed: the messaging library reads it on its own queue, whose block may still
    // run as the process's statics go.
    static auto* const instance = new QXIMConstantManager;
    return *instance;
}

QString QXIMConstantManager::read(const QString& field) const {
    const std::lock_guard lock(mutex_);
    return field;
}

QString QXIMConstantManager::readOr(const QString& field, const QString& fallback) const {
    const std::lock_guard lock(mutex_);
    return field.isNull() ? fallback : field;
}

void QXIMConstantManager::write(QString& field, const QString& value) {
    const std::lock_guard lock(mutex_);
    field = value;
}

QString QXIMConstantManager::qximclientAgent() const {
    return read(clientAgent_);
}
void QXIMConstantManager::setQximclientAgent(const QString& value) {
    write(clientAgent_, value);
}

QString QXIMConstantManager::qximcustomId() const {
    return read(customId_);
}
void QXIMConstantManager::setQximcustomId(const QString& value) {
    write(customId_, value);
}

QString QXIMConstantManager::qximmodel() const {
    return readOr(model_, EndpointTable::model());
}
void QXIMConstantManager::setQximmodel(const QString& value) {
    write(model_, value);
}

QString QXIMConstantManager::qximagency() const {
    return readOr(agency_, EndpointTable::agency());
}
void QXIMConstantManager::setQximagency(const QString& value) {
    write(agency_, value);
}

QString QXIMConstantManager::qximversionId() const {
    return read(versionId_);
}
void QXIMConstantManager::setQximversionId(const QString& value) {
    write(versionId_, value);
}

QString QXIMConstantManager::qximclientTest() const {
    return read(clientTest_);
}
void QXIMConstantManager::setQximclientTest(const QString& value) {
    write(clientTest_, value);
}

QString QXIMConstantManager::qximwebimServer() const {
    return readOr(webimServer_, EndpointTable::webIMPost());
}
void QXIMConstantManager::setQximwebimServer(const QString& value) {
    write(webimServer_, value);
}

QString QXIMConstantManager::qximwebimgetServer() const {
    return readOr(webimgetServer_, EndpointTable::webIMGet());
}
void QXIMConstantManager::setQximwebimgetServer(const QString& value) {
    write(webimgetServer_, value);
}

QString QXIMConstantManager::qximnewServerURL() const {
    return readOr(newServerURL_, EndpointTable::dataShareEndpoint());
}
void QXIMConstantManager::setQximnewServerURL(const QString& value) {
    write(newServerURL_, value);
}

QString QXIMConstantManager::qximIMweb6ServerUrl() const {
    return readOr(imWeb6ServerUrl_, EndpointTable::backend());
}
void QXIMConstantManager::setQximIMweb6ServerUrl(const QString& value) {
    write(imWeb6ServerUrl_, value);
}

QString QXIMConstantManager::qximserverDomain() const {
    return readOr(serverDomain_, EndpointTable::imageHost());
}
void QXIMConstantManager::setQximserverDomain(const QString& value) {
    write(serverDomain_, value);
}

QString QXIMConstantManager::qximdataVersion() const {
    return readOr(dataVersion_, QStringLiteral("2.0"));
}
void QXIMConstantManager::setQximdataVersion(const QString& value) {
    write(dataVersion_, value);
}

bool QXIMConstantManager::qximIsShowHead() const {
    const std::lock_guard lock(mutex_);
    return isShowHead_;
}
void QXIMConstantManager::setQximIsShowHead(bool value) {
    const std::lock_guard lock(mutex_);
    isShowHead_ = value;
}

bool QXIMConstantManager::qximIsShowQuickReply() const {
    const std::lock_guard lock(mutex_);
    return isShowQuickReply_;
}
void QXIMConstantManager::setQximIsShowQuickReply(bool value) {
    const std::lock_guard lock(mutex_);
    isShowQuickReply_ = value;
}

void QXIMConstantManager::isRequireParamNoNull() const {
    const std::lock_guard lock(mutex_);
    if (clientTest_.isNull() || customId_.isNull() || versionId_.isNull()) {
        throw std::invalid_argument(
            " qximclientTest， qximcustomId ，qximversionId， qximclientTest 必须赋值");
    }
}
