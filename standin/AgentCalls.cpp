#include "standin/AgentCalls.h"

#include "standin/SamplePeople.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>

#include <map>
#include <memory>
#include <mutex>

namespace standin {

namespace {

constexpr char kInterface[] = "HousingRequestInfo";
const QString kClass = QStringLiteral("SearchHousingRequest");
constexpr char kDealPages[] = "/deal/";

// The deals recorded, by "<user>-<broker>": the mobile number given.
struct Deals {
    std::mutex mutex;
    std::map<QString, QString> mobiles;
};

QString pairOf(const QJsonArray& arguments) {
    return arguments.at(0).toVariant().toString() + QLatin1Char('-') +
           arguments.at(1).toVariant().toString();
}

}  // namespace

void AgentCalls::install(Endpoints& endpoints) {
    auto deals = std::make_shared<Deals>();
    endpoints.classCalls().add(kInterface, kClass, "insertAgentUserContact",
                               [](const QJsonArray&, const QJsonObject&, const RecordedRequest&,
                                  const QByteArray&) { return QJsonValue(1); });
    endpoints.classCalls().add(
        kInterface, kClass, "insertAgentUserTransaction",
        [deals](const QJsonArray& arguments, const QJsonObject&, const RecordedRequest&,
                const QByteArray& root) {
            static const QRegularExpression mobile(QStringLiteral("^1[0-9]{10}$"));
            const QString number = arguments.at(2).toVariant().toString();
            if (!mobile.match(number).hasMatch()) return QJsonValue(QString());
            const QString pair = pairOf(arguments);
            {
                const std::lock_guard lock(deals->mutex);
                deals->mobiles[pair] = number;
            }
            return QJsonValue(QString::fromUtf8(root) + kDealPages + pair +
                              QStringLiteral(".html"));
        });
    endpoints.classCalls().add(
        kInterface, kClass, "getUserAgentTransaction",
        [deals](const QJsonArray& arguments, const QJsonObject&, const RecordedRequest&,
                const QByteArray& root) {
            const QString pair = pairOf(arguments);
            const std::lock_guard lock(deals->mutex);
            if (!deals->mobiles.contains(pair))
                return QJsonValue(QJsonObject{{"status", 0}, {"url", ""}});
            return QJsonValue(QJsonObject{
                {"status", 1},
                {"url", QString::fromUtf8(root) + kDealPages + pair + QStringLiteral(".html")}});
        });
    endpoints.addRoute(
        kDealPages,
        [deals](const RecordedRequest& request, const QByteArray&) -> std::optional<Reply> {
            QString pair = QString::fromUtf8(request.path.mid(int(sizeof(kDealPages)) - 1));
            pair.chop(5);
            QString mobile;
            {
                const std::lock_guard lock(deals->mutex);
                const auto found = deals->mobiles.find(pair);
                if (found == deals->mobiles.end())
                    return Reply::text("<html><body>no deal</body></html>", "text/html", 404);
                mobile = found->second;
            }
            // The page names the broker as the chat does; an id no sample broker has stays as
            // it is.
            QString broker = pair.section(QLatin1Char('-'), 1);
            if (const auto known = SamplePeople::broker(broker.toLongLong())) broker = known->name;
            const QString page =
                QStringLiteral(
                    "<html><head><title>成交记录</title></head><body><h1>成交记录</h1>"
                    "<p>经纪人：%1</p><p>联系手机：%2</p><p>经纪人确认后，这笔成交会出现在"
                    "您的记录里。</p></body></html>")
                    .arg(broker.toHtmlEscaped(), mobile.toHtmlEscaped());
            return Reply::text(page.toUtf8(), "text/html; charset=utf-8");
        });
}

}  // namespace standin
