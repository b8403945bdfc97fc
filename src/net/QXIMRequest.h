#pragma once

#include "net/RequestHeaderSet.h"
#include "net/transport/NKHTTPClient.h"

#include "platform/foundation/dispatch_queue.h"
#include "platform/foundation/http_header_fields.h"

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <mutex>

// The one object through which every service call of the app travels: post lists,
// filters, details, logons, subscriptions, uploads, the messaging library's send,
// acknowledge and streaming receive, and the chat's picture downloads. Callers install
// a header set with addValuesFormDic() and then make one request call with a URL, an
// interface name and a body.
//
// Replies come to the success block parsed into a QVariant tree (nil for a body that is
// not JSON); failures come to the failure block as a TransportFailure dictionary. Blocks
// run on the main queue, except the messaging stream's, which run on the queue its
// caller names; an absent block is simply not called. A call with an empty URL or a
// method it cannot send reports a failure {"msg": ...} too, so that no caller waits for
// ever.
//
// Headers: on the main thread the installed header set is the HTTP client's default
// header set, shared by every main-thread call that follows. A call made on any other
// thread uses the header set installed on that same thread (the client's defaults of
// that moment until one is): the messaging library's queue and the screens never see
// each other's headers. Every request is built from one snapshot of its URL and headers.
//
// Pre-cancel: most calls first cancel a queued or running call with the same
// "interface" header and the same URL text, so that a screen asking again replaces its
// earlier request; the cancelled call's failure "msg" contains "Code=-999". Message
// sends ("im-sendmsg") are exempt: one send never cancels another. Screens that send
// calls of one interface name side by side (a community page and its house lists) send
// them for an owner of their own: the pre-cancel and the cancel by interface then reach
// only that owner's calls, so that one screen never cancels another's.
class QXIMRequest {
public:
    // The caller a call is sent for; 0 is nobody in particular.
    using Owner = quint64;
    // The parsed reply: a dictionary, list, text or number, or nil.
    using SuccessBlock = std::function<void(const QVariant& responseObject)>;
    using FailureBlock = std::function<void(const QVariantMap& failure)>;
    // The same with the user info handed in with the call, unchanged.
    using UserInfoSuccessBlock =
        std::function<void(const QVariant& responseObject, const QVariant& userInfo)>;
    using UserInfoFailureBlock =
        std::function<void(const QVariantMap& failure, const QVariant& userInfo)>;
    // The raw response bytes.
    using DataSuccessBlock = std::function<void(const QByteArray& data)>;
    // A piece of a stream, and the chunks of the reply's chunked framing it came in.
    using StreamPieceBlock = std::function<void(const QByteArray& piece, qint64 framingChunks)>;
    // (bytes now, total bytes, total bytes expected or -1), on the main queue.
    using ProgressBlock = NKURLConnectionOperation::ProgressBlock;
    // The share of the body sent so far (0 to 1) and the call's user info.
    using UploadProgressBlock = std::function<void(double progress, const QVariant& userInfo)>;

    // The interface name of message sends, exempt from the pre-cancel.
    static inline const QString kSendMessageInterface = QStringLiteral("im-sendmsg");

    // The one instance, made on first use.
    static QXIMRequest& shared();
    // A new owner, never 0 and never handed out before.
    [[nodiscard]] static Owner newOwner();

    // A client made by QXClient::initForQXProject(), with "ClientTimeStamp" (now) and
    // "userId" (the messaging user's key, "" while it has none) added to its defaults.
    QXIMRequest();
    ~QXIMRequest();
    QXIMRequest(const QXIMRequest&) = delete;
    QXIMRequest& operator=(const QXIMRequest&) = delete;

    [[nodiscard]] std::shared_ptr<NKHTTPClient> httpClient() const { return httpClient_; }

    // Replaces the whole header set by `headers`, in their order, adding "token" (the
    // messaging user's token) when there is one.
    void addValuesFormDic(const RequestHeaderSet& headers);
    // Removes every header.
    void clearHeaderOfHttp();
    // Removes the headers named in `headers`; their values are not looked at.
    void removeValuesInHead(const RequestHeaderSet& headers);
    // Sets "SeqId" to a new sequence id.
    void addSeq();
    // Removes "SeqId" when it holds a value.
    void removeSeq();
    // The header set calls made on this thread would carry now.
    [[nodiscard]] ns::HTTPHeaderFields headOfHttp() const;
    void addValue(const QString& value, const QString& key);
    void removeParam(const QString& key);
    // The header's value; a null text when it is not set.
    [[nodiscard]] QString getValueFromHeader(const QString& key) const;

    // Request calls. A null `parameter` is an absent one; an empty text is a body.

    // Pre-cancel (also for an empty URL). A parameter is POSTed as the body; without one
    // the URL is fetched by GET. A reply of status 200 goes to success, parsed; another
    // accepted status gives failure {"statusCode": status}.
    void requestWithUrl(const QString& url, const QString& interface, const QString& parameter,
                        const QVariant& userInfo, UserInfoSuccessBlock success,
                        UserInfoFailureBlock failure);
    void requestWithUrl(const QString& url, const QString& interface, const QString& parameter,
                        SuccessBlock success, FailureBlock failure);
    // The same for `owner`: the pre-cancel reaches only the calls of that owner.
    void requestWithUrl(const QString& url, const QString& interface, const QString& parameter,
                        Owner owner, SuccessBlock success, FailureBlock failure);
    void requestWithUrlSuccessData(const QString& url, const QString& interface,
                                   const QString& parameter, SuccessBlock success,
                                   FailureBlock failure);
    // Method "POST" sends the parameter; "GET" (also for a null or empty method) fetches
    // the bare URL and drops the parameter; any other method fails {"msg": ...}.
    // Pre-cancel only for a URL that is not empty.
    void requestWithUrlWithMethod(const QString& url, const QString& interface,
                                  const QString& parameter, const QString& method,
                                  SuccessBlock success, FailureBlock failure);
    // GET of the URL; no pre-cancel.
    void requestWithUrl(const QString& url, const QVariant& userInfo, UserInfoSuccessBlock success,
                        UserInfoFailureBlock failure);
    void requestWithUrl(const QString& url, SuccessBlock success, FailureBlock failure);
    // GET with the pre-cancel for the empty interface: the raw bytes of any accepted
    // reply; failures {"msg"} only.
    void requestWithUrlSuccessWithData(const QString& url, DataSuccessBlock success,
                                       FailureBlock failure);
    // Pre-cancel, then a POST of the bytes: the parsed reply of any accepted status;
    // failures {"msg"} only.
    void requestWithUrlWithDataParameter(const QString& url, const QString& interface,
                                         const QByteArray& parameter, const QVariant& userInfo,
                                         UserInfoSuccessBlock success,
                                         UserInfoFailureBlock failure);
    void requestWithUrlWithDataParameter(const QString& url, const QString& interface,
                                         const QByteArray& parameter, SuccessBlock success,
                                         FailureBlock failure);
    // A picture: GET with no headers at all. Status 200 gives the bytes; anything else
    // {"error": "http result error"}; an empty URL {"error": "url为空"}. Progress as
    // received. Clears the header set in force, as it always has. A picture may bring more
    // and take longer than a call's reply: a picture loader's bounds, not a call's.
    void requestWithUrlForImage(const QString& url, DataSuccessBlock success, FailureBlock failure,
                                ProgressBlock progress);
    // The messaging library's streaming receive: each received chunk goes to success on
    // `callbackQueue` as its own bytes, in order, then success once more with empty bytes
    // when the stream ends normally; a break-off or cancel gives failure {"msg"} there.
    // Neither its length nor its time is bounded: it lasts as long as it is open.
    // Answers the stream's operation, so that its owner can cancel that one stream (none
    // for an empty URL).
    std::shared_ptr<NKHTTPRequestOperation> requsetWithImNetWork(
        const QString& url, std::shared_ptr<ns::DispatchQueue> callbackQueue,
        DataSuccessBlock success, FailureBlock failure);
    // The same, each piece with the chunks of the reply's framing it came in
    // (NKURLConnectionOperation::chunksHandedOver()); `piece` is called as given.
    std::shared_ptr<NKHTTPRequestOperation> receiveStream(
        const QString& url, std::shared_ptr<ns::DispatchQueue> callbackQueue,
        StreamPieceBlock piece, FailureBlock failure);

    // A GET whose reply is read as it comes, for a reader that keeps less than the reply
    // brings: after the pre-cancel for `interface`, each piece of an accepted reply's body
    // goes to `piece` on `queue`, in order, as its own bytes, and then `end` once the reply
    // has ended normally; a refused reply, a break-off or a cancel gives `failure` {"msg"}
    // there instead. The call's deadline holds; its 8 MB bound does not, the reader
    // bounding what it keeps. Answers the operation, so that the reader may stop it once it
    // has what it needs (none for an empty URL).
    std::shared_ptr<NKHTTPRequestOperation> requestWithUrlAsItComes(
        const QString& url, const QString& interface, std::shared_ptr<ns::DispatchQueue> queue,
        DataSuccessBlock piece, std::function<void()> end, FailureBlock failure);

    // Calls kept for the family; nothing in the app sends them. The first three hand
    // over the raw bytes, or {"statusCode"} for a status other than 200.
    void requestFindHouseWithUrl(const QString& url, const QString& interface,
                                 const QString& parameter, DataSuccessBlock success,
                                 FailureBlock failure);
    void requestGetUserPrivilegeWithUrl(const QString& url, const QString& interface,
                                        const QString& parameter, DataSuccessBlock success,
                                        FailureBlock failure);
    // POST with a parameter, else GET.
    void requestWithUrlForPush(const QString& url, const QString& interface,
                               const QString& parameter, DataSuccessBlock success,
                               FailureBlock failure);
    // As the main call without the pre-cancel.
    void goOnRequestWithUrl(const QString& url, const QString& interface, const QString& parameter,
                            SuccessBlock success, FailureBlock failure);
    // POST of bytes without the pre-cancel, with upload progress; failures {"msg"} only.
    void uploadDataWithURL(const QString& url, const QString& interface, const QByteArray& data,
                           const QVariant& userInfo, UploadProgressBlock uploadProgress,
                           UserInfoSuccessBlock success, UserInfoFailureBlock failure);
    // Cancels the client's POST operations for `path`.
    void cancelTovikRequest(const QString& path);

    // Applies the pre-cancel rule; screens send it when they close. Without an owner it
    // reaches every call of the interface and URL, with one only that owner's calls.
    void cancelToVikRequestByInterface(const QString& interface, const QString& url,
                                       Owner owner = 0);
    // Cancels the first messaging stream operation of the client's queue, if any.
    void cancelIMNetWork();

    // The operation whose reply was last handed to a block. The blocks run on the main
    // queue, and the messaging stream does not record its operation here, so a success
    // block reads its own call's operation (a logon reads its reply headers here).
    [[nodiscard]] std::shared_ptr<NKHTTPRequestOperation> _operation() const;
    void set_operation(std::shared_ptr<NKHTTPRequestOperation> operation);

private:
    struct Handling;
    struct OperationSlot;

    [[nodiscard]] ns::HTTPHeaderFields currentHeaders() const;
    void setCurrentHeaders(const ns::HTTPHeaderFields& headers);
    void editHeaders(const std::function<void(ns::HTTPHeaderFields& headers)>& edit);

    // The pre-cancel rule; the caller holds submitMutex_.
    void preCancel(const QString& interface, const QString& url, Owner owner = 0);
    // The pre-cancel rule on its own.
    void cancelMatching(const QString& interface, const QString& url, Owner owner = 0);
    // Builds the request from one snapshot of the headers in force and queues it; the
    // pre-cancel (for a non-null interface) and the queuing happen as one step.
    void send(const QString& interface, const QString& url, const QString& method,
              const QVariant& body, const QVariant& userInfo, const Handling& handling,
              UploadProgressBlock uploadProgress = nullptr, Owner owner = 0);
    // Reports {"msg": ...} for a call that cannot be sent, on `queue` (main when empty).
    void refuse(const ns::Error& error, const Handling& handling, const QVariant& userInfo,
                std::shared_ptr<ns::DispatchQueue> queue = nullptr) const;

    const quint64 serial_;
    std::shared_ptr<NKHTTPClient> httpClient_;
    // Shared with the blocks of the calls, which may outlive this object.
    std::shared_ptr<OperationSlot> lastOperation_;
    // Makes the pre-cancel and the queuing of one call a single step.
    std::mutex submitMutex_;
};
