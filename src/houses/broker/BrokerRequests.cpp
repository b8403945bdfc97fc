#include "houses/broker/BrokerRequests.h"

#include "net/EndpointTable.h"
#include "net/FormBody.h"
#include "net/QXNetContext.h"

RequestHeaderSet BrokerRequests::headers(const QString& interface) {
    RequestHeaderSet headers;
    headers.set(QStringLiteral("customerID"), EndpointTable::customerId())
        .set(QStringLiteral("clientAgent"), EndpointTable::clientAgent())
        .set(QStringLiteral("model"), EndpointTable::model())
        .set(QStringLiteral("userId"), QXNetContext::shared()->userId())
        .set(QStringLiteral("versionId"), EndpointTable::versionId())
        .set(QStringLiteral("interface"), interface);
    return headers;
}

QString BrokerRequests::userIdText(const QString& userId) {
    bool isNumber = false;
    const qint64 whole = userId.trimmed().toLongLong(&isNumber);
    return isNumber ? QString::number(whole) : userId;
}

QString BrokerRequests::commonBody(int cityScriptIndex, const QString& userId, int pi) {
    return FormBody()
        .add(QStringLiteral("cityScriptIndex"), cityScriptIndex)
        .add(QStringLiteral("categoryId"), 7)
        .add(QStringLiteral("feeType"), 1)
        .add(QStringLiteral("ucUserId"), userIdText(userId))
        .add(QStringLiteral("pg"), 2)
        .add(QStringLiteral("pi"), pi)
        .text();
}

QString BrokerRequests::privilegeBody(int cityScriptIndex, const QString& userId) {
    return commonBody(cityScriptIndex, userId, 1);
}

void BrokerRequests::getPrivilege(const QString& userId, QXIMRequest::Owner owner,
                                  QXIMRequest::SuccessBlock success,
                                  QXIMRequest::FailureBlock failure) {
    auto& request = QXIMRequest::shared();
    request.addValuesFormDic(headers(kPrivilegeInterface));
    request.requestWithUrl(EndpointTable::dataShareEndpoint(), kPrivilegeInterface,
                           privilegeBody(QXNetContext::shared()->currentCityScript_index(), userId),
                           std::move(owner), std::move(success), std::move(failure));
}

QString BrokerRequests::biotopeBody(int cityScriptIndex, const QString& userId, int listType,
                                    int majorType) {
    FormBody more;
    more.add(QStringLiteral("listType"), listType);
    if (majorType != 0) more.add(QStringLiteral("majorCategoryScriptIndex"), majorType);
    return commonBody(cityScriptIndex, userId, 1) + u'&' + more.text();
}

QString BrokerRequests::postListBody(int cityScriptIndex, const QString& userId, int majorType,
                                     qint64 biotopeId, int listType, int page) {
    FormBody more;
    if (majorType != 0) more.add(QStringLiteral("majorCategoryScriptIndex"), majorType);
    if (biotopeId != 0) more.add(QStringLiteral("biotopeId"), biotopeId);
    more.add(QStringLiteral("listType"), listType)
        .add(QStringLiteral("page"), page)
        .add(QStringLiteral("pageSize"), kPageSize);
    return commonBody(cityScriptIndex, userId, 3) + u'&' + more.text();
}
