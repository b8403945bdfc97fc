#include "net/EndpointTable.h"

#include "net/QXCipherConstants.h"

#include <QtGlobal>

#include <mutex>

namespace {

std::mutex rootMutex;
QString overriddenRoot;

QString withoutTrailingSlashes(QString root) {
    while (root.endsWith(QLatin1Char('/'))) root.chop(1);
    return root;
}

}  // namespace

QStringList EndpointTable::nearbyRadiusSteps() {
    return {QStringLiteral("500"), QStringLiteral("1000"), QStringLiteral("3000"),
            QStringLiteral("5000")};
}

QStringList EndpointTable::hotCities() {
    return {QStringLiteral("上海"), QStringLiteral("北京"), QStringLiteral("深圳"),
            QStringLiteral("广州"), QStringLiteral("南京"), QStringLiteral("成都"),
            QStringLiteral("天津")};
}

QString EndpointTable::cipherKey() {
    return QString::fromUtf8(qxcipher::kDESKey);
}

QString EndpointTable::serverRoot() {
    {
        const std::lock_guard lock(rootMutex);
        if (!overriddenRoot.isEmpty()) return overriddenRoot;
    }
    // Read on every call, so that a test or launcher that sets the variable late is heard.
    const QString fromEnvironment =
        withoutTrailingSlashes(qEnvironmentVariable(kServerRootVariable));
    if (!fromEnvironment.isEmpty()) return fromEnvironment;
    return QString::fromLatin1(kDefaultServerRoot);
}

void EndpointTable::setServerRoot(const QString& root) {
    const std::lock_guard lock(rootMutex);
    overriddenRoot = withoutTrailingSlashes(root);
}

QString EndpointTable::logURL() {
    return serverRoot() + QStringLiteral("/log/ClientLog.ashx");
}

QString EndpointTable::adLogURL() {
    return serverRoot() + QStringLiteral("/log/clientcommerciallog.ashx");
}

QString EndpointTable::imageHost() {
    return serverRoot() + QStringLiteral("/img");
}

QString EndpointTable::imageURL(const QString& pathOrAddress) {
    if (pathOrAddress.startsWith(QLatin1String("http"))) return pathOrAddress;
    const QString path = pathOrAddress.startsWith(u'/') ? pathOrAddress.mid(1) : pathOrAddress;
    return imageHost() + u'/' + path;
}

QString EndpointTable::apiHost() {
    return serverRoot();
}

QString EndpointTable::webIMPost() {
    return serverRoot() + QStringLiteral("/im/index.php");
}

QString EndpointTable::webIMGet() {
    return serverRoot() + QStringLiteral("/comet");
}

QString EndpointTable::dataShareEndpoint() {
    return apiHost() + QStringLiteral("/datashare/");
}

QString EndpointTable::usersEndpoint() {
    return apiHost() + QStringLiteral("/users/");
}

QString EndpointTable::pushEndpoint() {
    return apiHost() + QStringLiteral("/push/");
}

QString EndpointTable::backend() {
    return serverRoot() + QStringLiteral("/backend/");
}
