#include "standin/AppShellCalls.h"

#include "standin/FormFields.h"

#include <QJsonObject>

#include <atomic>
#include <memory>

namespace standin {

void AppShellCalls::install(Endpoints& endpoints) {
    endpoints.addInterface("CheckVersion", [](const RecordedRequest&, const QByteArray& root) {
        // The app is up to date: no update is offered.
        return Reply::json(QJsonObject{{"Status", 0},
                                       {"capichaUrl", QString::fromUtf8(root + "/captcha")},
                                       {"Url", ""},
                                       {"Version", "2.3.0"},
                                       {"Description", ""}});
    });
    auto logons = std::make_shared<std::atomic<qint64>>(0);
    endpoints.addRoute(
        paths::kUsers,
        [logons](const RecordedRequest& request, const QByteArray&) -> std::optional<Reply> {
            const QByteArray interface = request.header("interface");
            if (interface == "logout")
                return Reply::json(QJsonObject{{"status", 0}, {"errDetail", ""}});
            if (interface != "autoLogin") return std::nullopt;
            const qint64 loginId = FormFields(request.body).number("loginId", 0);
            if (loginId <= 0) return Endpoints::refusal(QStringLiteral("登录已失效"));
            const QByteArray n = QByteArray::number(++*logons);
            Reply reply = Reply::json(QJsonObject{{"status", 0}, {"errDetail", ""}});
            reply.headers = {{"Token", "auto-token-" + n},
                             {"Sessionid", "auto-session-" + n},
                             {"LoginId", QByteArray::number(loginId)}};
            return reply;
        });

    endpoints.addRoute("/track/",
                       [](const RecordedRequest&, const QByteArray&) -> std::optional<Reply> {
                           return Reply::json(QJsonObject{{"status", 0}});
                       });
}

}  // namespace standin
