#include "houses/detail/tovikReport.h"

#include "houses/detail/PostDetailRequest.h"
#include "net/EndpointTable.h"
#include "net/FormBody.h"
#include "net/QXIMRequest.h"
#include "net/QXNetContext.h"
#include "util/categories/Tolerant.h"

tovikReport::tovikReport(std::weak_ptr<TovikReportResponder> responseVc, QString postId)
    : responseVc_(std::move(responseVc)), postId_(std::move(postId)) {}

QString tovikReport::reportBody(int categoryId, int majorId, int cityScriptIndex,
                                const QString& content, const QString& address, bool mail,
                                const QString& postId) {
    return FormBody()
        .add(QStringLiteral("categoryId"), categoryId)
        .add(QStringLiteral("majorCategoryScriptIndex"), majorId)
        .add(QStringLiteral("cityScriptIndex"), cityScriptIndex)
        .add(QStringLiteral("phone"), mail ? QStringLiteral("") : address)
        .add(QStringLiteral("email"), mail ? address : QStringLiteral(""))
        .add(QStringLiteral("content"), content)
        .add(QStringLiteral("reasonId"), QStringLiteral(""))
        .add(QStringLiteral("postId"), postId)
        .add(QStringLiteral("agent"), 0)
        .add(QStringLiteral("description"), content)
        .text();
}

void tovikReport::SendReportWithCataId(int categoryId, int majorId, const QString& content,
                                       const QString& address, bool mail) {
    const auto context = QXNetContext::shared();
    RequestHeaderSet headers = PostDetailRequest::headers(kInterface);
    headers.set(QStringLiteral("Accept-Encoding"), QStringLiteral("gzip"))
        .set(QStringLiteral("ClientTimeStamp"), context->timeStamp())
        .set(QStringLiteral("SeqId"), context->newSeqId());
    auto& request = QXIMRequest::shared();
    request.addValuesFormDic(headers);
    request.requestWithUrl(
        EndpointTable::dataShareEndpoint(), kInterface,
        reportBody(categoryId, majorId, context->currentCityScript_index(), content, address, mail,
                   postId_),
        [self = shared_from_this()](const QVariant& reply) {
            const auto screen = self->responseVc_.lock();
            if (!screen) return;
            const Tolerant answer(reply);
            if (!answer["status"].isNil() && answer["status"].intValue() == 0) {
                screen->newNetWorkForTovikReport(*self);
                return;
            }
            const QString reason = answer["errDetail"].toString();
            screen->newNetWorkForTovikReportError(
                {{QStringLiteral("errDetail"),
                  reason.isEmpty() ? QStringLiteral("举报未被受理") : reason}});
        },
        [self = shared_from_this()](const QVariantMap& failure) {
            if (const auto screen = self->responseVc_.lock())
                screen->newNetWorkForTovikReportError(failure);
        });
}

QString tovikReport::feedbackBody(int cityScriptIndex, const QString& content,
                                  const QString& address, bool mail, qint64 loginId) {
    return FormBody()
        .add(QStringLiteral("categoryScriptIndex"), cityScriptIndex)
        .add(QStringLiteral("phone"), mail ? QStringLiteral("") : address)
        .add(QStringLiteral("email"), mail ? address : QStringLiteral(""))
        .add(QStringLiteral("contents"), content)
        .add(QStringLiteral("loginId"), loginId)
        .text();
}

void tovikReport::SendFeedbackWithContent(const QString& content, const QString& address,
                                          bool mail) {
    const auto context = QXNetContext::shared();
    RequestHeaderSet headers = PostDetailRequest::headers(kFeedbackInterface);
    headers.set(QStringLiteral("Accept-Encoding"), QStringLiteral("gzip"))
        .set(QStringLiteral("ClientTimeStamp"), context->timeStamp());
    auto& request = QXIMRequest::shared();
    request.addValuesFormDic(headers);
    request.requestWithUrl(
        EndpointTable::dataShareEndpoint(), kFeedbackInterface,
        feedbackBody(context->currentCityScript_index(), content, address, mail,
                     context->logonState().userId),
        [self = shared_from_this()](const QVariant&) {
            if (const auto screen = self->responseVc_.lock())
                screen->newNetWorkForTovikReport(*self);
        },
        [](const QVariantMap&) {});
}

void tovikReport::cancel() {
    QXIMRequest::shared().cancelToVikRequestByInterface(kInterface,
                                                        EndpointTable::dataShareEndpoint());
}
