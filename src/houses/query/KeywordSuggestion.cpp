#include "houses/query/KeywordSuggestion.h"

#include "houses/query/PostListPaging.h"
#include "net/EndpointTable.h"
#include "net/JsonArgsBody.h"
#include "net/QXIMRequest.h"
#include "net/QXNetContext.h"

KeywordSuggestion::KeywordSuggestion() : latest_(std::make_shared<quint64>(0)) {}

QString KeywordSuggestion::body(int cityScriptIndex, const QString& keyword,
                                std::optional<int> categoryId, std::optional<int> majorId) {
    JsonArgsBody args;
    args.add("cityScriptIndex", QString::number(cityScriptIndex)).add("keyword", keyword);
    if (categoryId) args.add("categoryId", QString::number(*categoryId));
    if (majorId) args.add("majorCategoryScriptIndex", QString::number(*majorId));
    return args.text();
}

RequestHeaderSet KeywordSuggestion::headers() {
    RequestHeaderSet headers = RequestHeaderSet::clientIdentity();
    headers.set(QStringLiteral("interface"), kInterface)
        .set(QStringLiteral("ClientTimeStamp"), QXNetContext::shared()->timeStamp())
        .set(QStringLiteral("Accept-Encoding"), QStringLiteral("gzip"));
    return headers;
}

void KeywordSuggestion::request(const QString& body, RowsBlock rows, FailureBlock failure) {
    const quint64 number = ++*latest_;
    const std::weak_ptr<quint64> latest = latest_;
    QXIMRequest& shared = QXIMRequest::shared();
    shared.addValuesFormDic(headers());
    shared.requestWithUrl(
        EndpointTable::dataShareEndpoint(), kInterface, body,
        [latest, number, rows = std::move(rows)](const QVariant& reply) {
            const auto current = latest.lock();
            if (!current || *current != number) return;
            if (reply.typeId() == QMetaType::QVariantList && rows) rows(reply.toList());
        },
        [latest, number, failure = std::move(failure)](const QVariantMap& reason) {
            const auto current = latest.lock();
            if (!current || *current != number || PostListPaging::isCancellation(reason)) return;
            if (failure) failure(reason);
        });
}

void KeywordSuggestion::cancel() {
    ++*latest_;
    QXIMRequest::shared().cancelToVikRequestByInterface(kInterface,
                                                        EndpointTable::dataShareEndpoint());
}
