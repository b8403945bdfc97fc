#include "account/tovikVersionCheck.h"

#include "net/EndpointTable.h"
#include "net/FormBody.h"
#include "net/QXIMRequest.h"
#include "net/RequestHeaderSet.h"
#include "platform/uikit/application.h"
#include "platform/uikit/screen.h"

void tovikVersionCheck::CheckVersionWithDelegate(std::weak_ptr<tovikVersionCheckDelegate> delegate,
                                                 int mode) {
    delegate_ = std::move(delegate);
    const QString body =
        FormBody()
            .add(QStringLiteral("deviceToken"),
                 QString::fromLatin1(ui::Application::deviceToken().toHex()))
            .add(QStringLiteral("screenWidth"), qint64(ui::Screen::mainScreen().bounds().width()))
            .add(QStringLiteral("upgradeMode"), qint64(mode))
            .text();
    QXIMRequest::shared().addValuesFormDic(RequestHeaderSet::dataShare(kInterface));
    QXIMRequest::shared().requestWithUrl(
        EndpointTable::dataShareEndpoint(), kInterface, body,
        [weak = weak_from_this()](const QVariant& reply) {
            if (auto self = weak.lock()) self->takeReply(reply);
        },
        [](const QVariantMap&) {});
}

void tovikVersionCheck::takeReply(const QVariant& reply) {
    data_ = reply;
    if (auto delegate = delegate_.lock()) delegate->newNetWorkForToVikVersonCheck(*this);
}
