#include "standin/AppShellCalls.h"

#include "standin/FormFields.h"

#include <QJsonArray>
#include <QJsonObject>

#include <atomic>
#include <memory>

namespace standin {

namespace {

QJsonObject filterItem(const QString& field, const QString& name, const QString& kind,
                       const QList<std::pair<QString, QString>>& choices) {
    QJsonArray values{QJsonObject{{"n", QStringLiteral("不限")}, {"v", "-1"}}};
    for (const auto& [label, value] : choices)
        values.append(QJsonObject{{"n", label}, {"v", value}});
    return QJsonObject{{"f", field}, {"n", name}, {"t", kind}, {"v", "-1"}, {"vs", values}};
}

// The need form's filters of one major category: 1 rent, 3 shared rent, 5 sale.
QJsonArray needFormFilters(qint64 major) {
    const QJsonObject rooms = filterItem("huxing_shi", QStringLiteral("户型"), "normal",
                                         {{QStringLiteral("一室"), "1"},
                                          {QStringLiteral("二室"), "2"},
                                          {QStringLiteral("三室"), "3"},
                                          {QStringLiteral("四室以上"), "4"}});
    switch (major) {
        case 1:
            return {filterItem("price", QStringLiteral("租金"), "range",
                               {{QStringLiteral("1000元以下"), "0_1000"},
                                {QStringLiteral("1000-2000元"), "1000_2000"},
                                {QStringLiteral("2000-4000元"), "2000_4000"},
                                {QStringLiteral("4000元以上"), "4000_"}}),
                    rooms};
        case 3:
            return {filterItem("price", QStringLiteral("租金"), "range",
                               {{QStringLiteral("800元以下"), "0_800"},
                                {QStringLiteral("800-1500元"), "800_1500"},
                                {QStringLiteral("1500元以上"), "1500_"}}),
                    filterItem("share_mode", QStringLiteral("合租方式"), "normal",
                               {{QStringLiteral("主卧"), "1"},
                                {QStringLiteral("次卧"), "2"},
                                {QStringLiteral("床位"), "3"}})};
        case 5:
            return {filterItem("price", QStringLiteral("售价"), "range",
                               {{QStringLiteral("100万以下"), "0_1000000"},
                                {QStringLiteral("100-200万"), "1000000_2000000"},
                                {QStringLiteral("200万以上"), "2000000_"}}),
                    rooms};
        default:
            return {};
    }
}

}  // namespace

void AppShellCalls::install(Endpoints& endpoints) {
    endpoints.addInterface("CheckVersion", [](const RecordedRequest&, const QByteArray& root) {
        // The app is up to date: no update is offered.
        return Reply::json(QJsonObject{{"Status", 0},
                                       {"capichaUrl", QString::fromUtf8(root + "/captcha")},
                                       {"Url", ""},
                                       {"Version", "2.3.0"},
                                       {"Description", ""}});
    });
    endpoints.addInterface(
        "GetMajorCategoryFilter", [](const RecordedRequest& request, const QByteArray&) {
            const FormFields form(request.body);
            const qint64 city = form.number("cityScriptIndex", -1);
            if (city < 0) return Endpoints::refusal(QStringLiteral("no city %1").arg(city));
            return Reply::json(QJsonObject{
                {"v", "1"}, {"fs", needFormFilters(form.number("majorCategoryScriptIndex", 0))}});
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
