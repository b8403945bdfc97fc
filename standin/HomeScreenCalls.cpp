#include "standin/HomeScreenCalls.h"

#include <QJsonArray>
#include <QJsonObject>

namespace standin {

namespace {

constexpr char kHelpPages[] = "/help/";

QJsonArray tags(std::initializer_list<const char*> names) {
    QJsonArray list;
    for (const char* name : names) list.append(QString::fromUtf8(name));
    return list;
}

// The terms a need of each kind may carry: 1 rent, 3 shared rent, 5 purchase.
QJsonObject appConfig() {
    return QJsonObject{
        {"version", HomeScreenCalls::kTermsVersion},
        {"config", QJsonObject{{"tags",
                                QJsonObject{
                                    {"1", tags({"近地铁", "精装修", "家电齐全", "可短租"})},
                                    {"3", tags({"限女生", "独立卫生间", "朝南", "可做饭"})},
                                    {"5", tags({"满五唯一", "学区房", "南北通透", "随时看房"})},
                                }}}},
    };
}

Reply helpPage(const RecordedRequest& request) {
    const QString name = QString::fromUtf8(request.path.mid(qsizetype(sizeof kHelpPages) - 1));
    QString title;
    QString body;
    if (name == QStringLiteral("terms.html")) {
        title = QStringLiteral("使用条款");
        body = QStringLiteral("<p>发布找房意向即表示您同意经纪人通过本应用联系您。</p>");
    } else if (name == QStringLiteral("about.html")) {
        title = QStringLiteral("关于Nevoru找房");
        body = QStringLiteral("<p>找房、问经纪人，一个应用就够了。</p>");
    } else {
        return Endpoints::refusal(QStringLiteral("no such page"), 404);
    }
    return Reply::text(QStringLiteral("<html><head><meta charset=\"utf-8\"><title>%1</title></head>"
                                      "<body><h1>%1</h1>%2</body></html>")
                           .arg(title, body)
                           .toUtf8(),
                       "text/html; charset=utf-8");
}

}  // namespace

void HomeScreenCalls::install(Endpoints& endpoints) {
    endpoints.classCalls().add("HousingRequestInfo", "SearchHousingRequest", "getNevoruAppConfig",
                               [](const QJsonArray&, const QJsonObject&, const RecordedRequest&,
                                  const QByteArray&) { return QJsonValue(appConfig()); });
    endpoints.addRoute(kHelpPages, [](const RecordedRequest& request, const QByteArray&) {
        return std::optional<Reply>(helpPage(request));
    });
}

}  // namespace standin
