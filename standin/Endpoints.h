#pragma once

#include "standin/ClassCalls.h"
#include "standin/PostViews.h"
#include "standin/PostedNeeds.h"
#include "standin/RecordedRequest.h"
#include "standin/UploadStore.h"

#include <QByteArray>
#include <QJsonValue>
#include <QList>
#include <QString>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace standin {

// Where each server of the app lives under the one root URL (see README.md).
namespace paths {
inline constexpr char kDataShare[] = "/datashare/";  // API host = the root itself
inline constexpr char kUsers[] = "/users/";
inline constexpr char kPush[] = "/push/";
inline constexpr char kBackend[] = "/backend/";
inline constexpr char kMessageApi[] = "/im/index.php";      // the messaging server's short calls
inline constexpr char kStreamHost[] = "/comet";             // streaming receive host root
inline constexpr char kStreamReceive[] = "/comet/recvmsg";  // the streaming receive itself
inline constexpr char kImageHost[] = "/img";
inline constexpr char kUploads[] = "/img/uploads/";  // where uploaded files are served
inline constexpr char kLog[] = "/log/";
inline constexpr char kEcho[] = "/echo/";
inline constexpr char kControl[] = "/__control/";
}  // namespace paths

// Chunks a streamed reply sends as they become ready, beside its listed segments and
// heartbeats (the messaging server's packets for one user).
class ChunkSource {
public:
    virtual ~ChunkSource() = default;
    // The chunks ready to go now, in order; none when there are none.
    virtual QList<QByteArray> take() = 0;
    // True when the stream is to break off now.
    virtual bool shouldDrop() = 0;
    // Waits at most `milliseconds` for chunks to become ready; whether there are some.
    virtual bool waitForChunks(int milliseconds) = 0;
};

// One reply before fault switches are applied to it.
struct Reply {
    int status = 200;
    QByteArray contentType = "application/json; charset=utf-8";
    QByteArray body;
    QList<std::pair<QByteArray, QByteArray>> headers;
    bool streamed = false;                // the body is the script stream of the streaming receive
    std::shared_ptr<ChunkSource> source;  // chunks of a streamed reply made as it goes

    static Reply json(const QJsonValue& value, int status = 200);
    static Reply text(QByteArray body, QByteArray contentType, int status = 200);
};

// The servers of the app behind their path prefixes: what each answers to a request.
class Endpoints {
public:
    // `rootUrl` is the root the client reached ("http://host:port"), for URLs in replies.
    using InterfaceHandler =
        std::function<Reply(const RecordedRequest& request, const QByteArray& rootUrl)>;

    // `imagesFolder` holds the image host's files; uploads are stored under "uploads/"
    // (UploadStore: named by their content, bounded in size).
    explicit Endpoints(QString imagesFolder);

    [[nodiscard]] Reply answer(const RecordedRequest& request, const QByteArray& rootUrl);

    // Adds or replaces a data-share interface (the "interface" header names it).
    void addInterface(const QByteArray& name, InterfaceHandler handler);
    // The class calls of data-share interfaces with no handler of their own.
    ClassCalls& classCalls() { return classCalls_; }
    // The housing needs the app published, for the calls that take and answer them.
    PostedNeeds& postedNeeds() { return postedNeeds_; }
    // The views of the sample posts, counted by the detail calls.
    PostViews& postViews() { return postViews_; }

    // A handler for the requests under a path prefix of any server, asked before the
    // built-in answers (in the order added); it answers nullopt to leave a request to them.
    using Route = std::function<std::optional<Reply>(const RecordedRequest& request,
                                                     const QByteArray& rootUrl)>;
    void addRoute(const QByteArray& pathPrefix, Route route);

    // A control call "/__control/<name>" of a server's own (what it recorded, for tests and
    // a person); the handler answers nullopt to leave the request to the other controls.
    using Control = std::function<std::optional<Reply>(const RecordedRequest& request)>;
    void addControl(const QByteArray& name, Control control);
    [[nodiscard]] std::optional<Reply> control(const QByteArray& name,
                                               const RecordedRequest& request) const;
    // Called by reset(), after the needs are forgotten.
    void onReset(std::function<void()> listener);
    // Forgets what the servers kept of earlier requests: the needs and whatever the
    // reset listeners keep.
    void reset();

    // {"status": -1, "errDetail": text}, the envelope of a refused call.
    static Reply refusal(const QString& detail, int status = 200);
    // The request as JSON, as the echo endpoint answers it.
    static Reply echo(const RecordedRequest& request);

private:
    Reply dataShare(const RecordedRequest& request, const QByteArray& rootUrl);
    Reply upload(const RecordedRequest& request, const QByteArray& rootUrl);
    Reply users(const RecordedRequest& request);
    Reply image(const RecordedRequest& request) const;

    QString imagesFolder_;
    std::map<QByteArray, InterfaceHandler> interfaces_;
    ClassCalls classCalls_;
    PostedNeeds postedNeeds_;
    PostViews postViews_;
    UploadStore uploads_;
    std::vector<std::pair<QByteArray, Route>> routes_;
    std::map<QByteArray, Control> controls_;
    std::vector<std::function<void()>> resetListeners_;
    std::atomic<qint64> lastLogin_{0};
};

}  // namespace standin
