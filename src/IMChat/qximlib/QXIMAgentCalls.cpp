#include "IMChat/qximlib/QXIMAgentCalls.h"

#include "IMChat/qximlib/QXIMUser.h"
#include "net/BodyJson.h"
#include "net/ClassCallBody.h"
#include "net/QXIMConstantManager.h"
#include "net/QXIMRequest.h"
#include "net/RequestHeaderSet.h"
#include "util/categories/Tolerant.h"

namespace QXIMAgentCalls {

namespace {

void call(const QString& method, const QStringList& arguments, Success success, Failure failure) {
    QStringList json{BodyJson::string(QString::number(QXIMUser::shared().userId()))};
    for (const QString& argument : arguments) json << BodyJson::string(argument);
    const QString body = ClassCallBody().call(kClass, method, json).text();
    QXIMRequest& request = QXIMRequest::shared();
    request.addValuesFormDic(RequestHeaderSet::clientIdentity()
                                 .set(QStringLiteral("interface"), kInterface)
                                 .set(QStringLiteral("Accept-Encoding"), QStringLiteral("gzip")));
    request.requestWithUrl(QXIMConstantManager::share().qximnewServerURL(), kInterface, body,
                           std::move(success), std::move(failure));
}

}  // namespace

void insertAgentUserContact(const QString& agentId, const QString& kind, const QString& needId) {
    call(QStringLiteral("insertAgentUserContact"),
         {agentId, kind, needId.section(QLatin1Char('_'), 0, 0)}, nullptr, nullptr);
}

void getUserAgentTransaction(const QString& agentId, Success success, Failure failure) {
    call(QStringLiteral("getUserAgentTransaction"), {agentId, QStringLiteral("user")},
         std::move(success), std::move(failure));
}

void insertAgentUserTransaction(const QString& agentId, const QString& mobile, Success success,
                                Failure failure) {
    call(QStringLiteral("insertAgentUserTransaction"), {agentId, mobile}, std::move(success),
         std::move(failure));
}

QVariant resultOf(const QVariant& reply, const QString& method) {
    return Tolerant(reply)[QStringLiteral("data")][kClass][method].value();
}

}  // namespace QXIMAgentCalls
