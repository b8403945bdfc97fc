#include "standin/Endpoints.h"

#include "standin/AgentCalls.h"
#include "standin/AppShellCalls.h"
#include "standin/BrokerCalls.h"
#include "standin/BrokerShops.h"
#include "standin/CommunityCalls.h"
#include "standin/Geography.h"
#include "standin/HomeScreenCalls.h"
#include "standin/MapTiles.h"
#include "standin/MultipartReader.h"
#include "standin/NeedCalls.h"
#include "standin/PostDetailCalls.h"
#include "standin/Posts.h"
#include "standin/SearchCalls.h"
#include "standin/ServiceCalls.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <cstring>

namespace standin {

namespace {

QByteArray mimeTypeFor(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == "png") return "image/png";
    if (suffix == "jpg" || suffix == "jpeg") return "image/jpeg";
    if (suffix == "gif") return "image/gif";
    if (suffix == "webp") return "image/webp";
    if (suffix == "amr") return "audio/amr";
    return "application/octet-stream";
}

// The upload's file name extension, from the part's file name, else from its type.
QString extensionFor(const MultipartPart& part) {
    const QString suffix = QFileInfo(QString::fromUtf8(part.filename)).suffix().toLower();
    static const QStringList known{"jpg", "jpeg", "png", "gif", "amr"};
    if (known.contains(suffix)) return suffix;
    return part.contentType.contains("amr") ? "amr" : "jpg";
}

}  // namespace

Reply Reply::json(const QJsonValue& value, int status) {
    Reply reply;
    reply.status = status;
    if (value.isArray()) {
        reply.body = QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact);
    } else {
        reply.body = QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact);
    }
    return reply;
}

Reply Reply::text(QByteArray body, QByteArray contentType, int status) {
    Reply reply;
    reply.status = status;
    reply.body = std::move(body);
    reply.contentType = std::move(contentType);
    return reply;
}

Endpoints::Endpoints(QString imagesFolder)
    : imagesFolder_(std::move(imagesFolder)), uploads_(QDir(imagesFolder_).filePath("uploads")) {
    addInterface("echo",
                 [](const RecordedRequest& request, const QByteArray&) { return echo(request); });
    addInterface("ping", [](const RecordedRequest&, const QByteArray&) {
        return Reply::json(QJsonObject{{"status", 0}, {"data", "pong"}});
    });
    addInterface("UploadImages", [this](const RecordedRequest& request, const QByteArray& root) {
        return upload(request, root);
    });
    ServiceCalls::install(*this);
    Geography::install(*this);
    Posts::install(*this);
    AppShellCalls::install(*this);
    BrokerShops::install(*this);
    MapTiles::install(*this);
    HomeScreenCalls::install(*this);
    AgentCalls::install(*this);
    NeedCalls::install(*this);
    SearchCalls::install(*this);
    PostDetailCalls::install(*this);
    CommunityCalls::install(*this);
    BrokerCalls::install(*this);
}

void Endpoints::addInterface(const QByteArray& name, InterfaceHandler handler) {
    interfaces_[name] = std::move(handler);
}

void Endpoints::addRoute(const QByteArray& pathPrefix, Route route) {
    routes_.emplace_back(pathPrefix, std::move(route));
}

void Endpoints::addControl(const QByteArray& name, Control control) {
    controls_[name] = std::move(control);
}

std::optional<Reply> Endpoints::control(const QByteArray& name,
                                        const RecordedRequest& request) const {
    const auto found = controls_.find(name);
    if (found == controls_.end()) return std::nullopt;
    return found->second(request);
}

void Endpoints::onReset(std::function<void()> listener) {
    resetListeners_.push_back(std::move(listener));
}

void Endpoints::reset() {
    postedNeeds_.reset();
    for (const auto& listener : resetListeners_) listener();
}

Reply Endpoints::refusal(const QString& detail, int status) {
    return Reply::json(QJsonObject{{"status", -1}, {"errDetail", detail}}, status);
}

Reply Endpoints::echo(const RecordedRequest& request) {
    return Reply::json(request.toJson());
}

Reply Endpoints::answer(const RecordedRequest& request, const QByteArray& rootUrl) {
    const QByteArray& path = request.path;
    for (const auto& [prefix, route] : routes_) {
        if (!path.startsWith(prefix)) continue;
        if (auto reply = route(request, rootUrl)) return std::move(*reply);
    }
    if (path.startsWith(paths::kDataShare)) return dataShare(request, rootUrl);
    if (path.startsWith(paths::kUsers)) return users(request);
    if (path.startsWith(paths::kPush))
        return Reply::json(QJsonObject{{"status", 0}, {"errDetail", ""}});
    if (path.startsWith(paths::kBackend)) {
        return Reply::json(
            QJsonObject{{"params", QJsonObject{{"errorno", 0}, {"data", QJsonArray()}}}});
    }
    if (path.startsWith(QByteArray(paths::kImageHost) + '/')) return image(request);
    if (path.startsWith(paths::kLog)) return Reply::json(QJsonObject{{"status", 0}});
    if (path.startsWith(paths::kEcho)) return echo(request);
    return refusal(QStringLiteral("no server at %1").arg(QString::fromLatin1(path)), 404);
}

Reply Endpoints::dataShare(const RecordedRequest& request, const QByteArray& rootUrl) {
    const QByteArray name = request.header("interface");
    const auto found = interfaces_.find(name);
    if (found != interfaces_.end()) return found->second(request, rootUrl);
    if (auto reply = classCalls_.answer(request, rootUrl)) return Reply::json(*reply);
    // Said on the console too: a call the stand-in does not know yet is worth seeing.
    std::fprintf(stderr, "standin: unknown interface \"%s\"\n", name.constData());
    return refusal(name.isEmpty()
                       ? QStringLiteral("no interface header")
                       : QStringLiteral("unknown interface %1").arg(QString::fromUtf8(name)));
}

Reply Endpoints::upload(const RecordedRequest& request, const QByteArray& rootUrl) {
    const auto parts = MultipartReader::read(request.header("Content-Type"), request.body);
    if (!parts) return refusal("malformed multipart body", 400);
    for (const auto& part : *parts) {
        if (part.filename.isEmpty()) continue;
        if (!uploads_.fits(part.content.size())) return refusal("the file is too large", 413);
        const auto name = uploads_.store(part.content, extensionFor(part));
        if (!name) return refusal("cannot store the file", 500);
        return Reply::json(QJsonObject{
            {"status", 0},
            {"data", QString::fromLatin1(rootUrl + paths::kUploads) + *name},
        });
    }
    return refusal("no file in the upload");
}

Reply Endpoints::users(const RecordedRequest& request) {
    Reply reply = Reply::json(QJsonObject{{"status", 0}, {"errDetail", ""}});
    static const QList<QByteArray> logons{"userLogin", "ThirdpartUserLogin", "register"};
    if (logons.contains(request.header("interface"))) {
        // Every logon gets values of its own, so that a client can tell whose reply it reads.
        const qint64 logon = ++lastLogin_;
        const QByteArray n = QByteArray::number(logon);
        reply.headers = {{"Token", "token-" + n},
                         {"Sessionid", "session-" + n},
                         {"LoginId", QByteArray::number(100000 + logon)},
                         {"wapSessionId", "wap-" + n},
                         {"LoginName", "user" + n}};
    }
    return reply;
}

Reply Endpoints::image(const RecordedRequest& request) const {
    const QString relative = QString::fromUtf8(QByteArray::fromPercentEncoding(
        request.path.mid(static_cast<qsizetype>(std::strlen(paths::kImageHost)) + 1)));
    // Only files below the folder: no way up, no absolute paths.
    const QStringList segments = relative.split('/');
    if (relative.isEmpty() || relative.contains('\\') || segments.contains("..") ||
        segments.contains(".") || segments.first().isEmpty()) {
        return refusal("no such image", 404);
    }
    QFile file(QDir(imagesFolder_).filePath(relative));
    if (!file.open(QIODevice::ReadOnly)) return refusal("no such image", 404);
    return Reply::text(file.readAll(), mimeTypeFor(relative));
}

}  // namespace standin
