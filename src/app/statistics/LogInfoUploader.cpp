#include "app/statistics/LogInfoUploader.h"

#include "net/EndpointTable.h"
#include "net/QXEncode.h"
#include "net/QXIMRequest.h"
#include "net/RequestHeaderSet.h"

void LogInfoUploader::uploadLogInfo(const QString& payload) {
    upload(EndpointTable::logURL(), QStringLiteral("Log"), payload);
}

void LogInfoUploader::uploadADLogInfo(const QString& payload) {
    upload(EndpointTable::adLogURL(), QStringLiteral("log"), payload);
}

void LogInfoUploader::upload(const QString& url, const QString& field, const QString& payload) {
    if (payload.isEmpty()) return;
    QXIMRequest::shared().addValuesFormDic(RequestHeaderSet::logUpload());
    // No interface name: a later upload never cancels this one.
    QXIMRequest::shared().requestWithUrl(
        url, QString(), field + QLatin1Char('=') + QXEncode::URLEncode(payload),
        [self = shared_from_this()](const QVariant&) {
            if (auto owner = self->owner_.lock()) owner->newNetWorkForLogInfoUploader(*self);
        },
        [self = shared_from_this()](const QVariantMap&) {
            if (auto owner = self->owner_.lock()) owner->newNetWorkForLogInfoUploaderError(*self);
        });
}
