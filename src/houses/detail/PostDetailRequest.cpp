#include "houses/detail/PostDetailRequest.h"

#include "houses/shared/HouseFavourites.h"
#include "net/EndpointTable.h"
#include "net/FormBody.h"
#include "net/JsonArgsBody.h"
#include "net/QXNetContext.h"

namespace {

const QString kGetPost = QStringLiteral("GetPost");
const QString kGetPostByPuid = QStringLiteral("GetPostByPuid");
const QString kPostPvStat = QStringLiteral("PostPvStat");
const QString kGetUserStatuss = QStringLiteral("GetUserStatuss");
const QString kBrokerData = QStringLiteral("GetUserPrivilegeByUserId");
const QString kGzip = QStringLiteral("gzip");

}  // namespace

RequestHeaderSet PostDetailRequest::headers(const QString& interface) {
    RequestHeaderSet headers = RequestHeaderSet::clientIdentity();
    headers.set(QStringLiteral("interface"), interface);
    return headers;
}

void PostDetailRequest::getPost(const QString& puid, SuccessBlock success, FailureBlock failure) {
    RequestHeaderSet set = headers(kGetPost);
    if (!puid.isEmpty()) set.set(QStringLiteral("puid"), puid);
    auto& request = QXIMRequest::shared();
    request.addValuesFormDic(set);
    request.requestWithUrl(EndpointTable::dataShareEndpoint(), kGetPost, QString(),
                           std::move(success), std::move(failure));
}

void PostDetailRequest::getPostByPuid(const PostRecord& post, SuccessBlock success,
                                      FailureBlock failure) {
    RequestHeaderSet set = headers(kGetPostByPuid);
    set.set(QStringLiteral("Accept-Encoding"), kGzip)
        .set(QStringLiteral("puid"), HouseFavourites::puidOf(post));
    const QVariant sign = post.value(QStringLiteral("d_sign"));
    const QString body = sign.isValid()
                             ? FormBody().add(QStringLiteral("d_sign"), sign.toString()).text()
                             : QStringLiteral("");
    auto& request = QXIMRequest::shared();
    request.addValuesFormDic(set);
    request.requestWithUrl(EndpointTable::dataShareEndpoint(), kGetPostByPuid, body,
                           std::move(success), std::move(failure));
}

void PostDetailRequest::postPvStat(const PostRecord& post, int masterId, int majorId) {
    RequestHeaderSet set = headers(kPostPvStat);
    set.set(QStringLiteral("Accept-Encoding"), kGzip);
    const QString body =
        JsonArgsBody()
            .add(QStringLiteral("puid"), HouseFavourites::puidOf(post))
            .add(QStringLiteral("city"), QString::number(QXNetContext::shared()->currentCityId()))
            .add(QStringLiteral("categoryId"), QString::number(masterId))
            .add(QStringLiteral("majorCategoryScriptIndex"), QString::number(majorId))
            .text();
    auto& request = QXIMRequest::shared();
    request.addValuesFormDic(set);
    request.requestWithUrl(EndpointTable::dataShareEndpoint(), kPostPvStat, body, nullptr, nullptr);
}

void PostDetailRequest::getUserStatuss(const QString& userIds, SuccessBlock success,
                                       FailureBlock failure) {
    RequestHeaderSet set = headers(kGetUserStatuss);
    set.set(QStringLiteral("Accept-Encoding"), kGzip);
    const QString body = JsonArgsBody()
                             .add(QStringLiteral("userids"), userIds)
                             .add(QStringLiteral("mobiletype"), EndpointTable::customerId())
                             .text();
    auto& request = QXIMRequest::shared();
    request.addValuesFormDic(set);
    request.requestWithUrl(EndpointTable::backend(), kGetUserStatuss, body, std::move(success),
                           std::move(failure));
}

void PostDetailRequest::cancel(const QString& interface) {
    QXIMRequest::shared().cancelToVikRequestByInterface(interface,
                                                        EndpointTable::dataShareEndpoint());
}

void PostDetailRequest::cancelAll() {
    for (const QString& interface : {kBrokerData, kPostPvStat, kGetPostByPuid, kGetPost})
        cancel(interface);
    QXIMRequest::shared().cancelToVikRequestByInterface(kGetUserStatuss, EndpointTable::backend());
}
