#pragma once

#include "net/transport/NKHTTPClient.h"

#include "platform/foundation/dispatch_queue.h"
#include "platform/foundation/http_header_fields.h"
#include "platform/foundation/url_request.h"

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <QVariant>

#include <memory>

// The app's side of the HTTP client and its operations: a client with the app's fixed
// defaults, requests made from a ready body text or bytes instead of a parameter
// dictionary, GET and POST to any URL, operation factories that attach a user info or
// the messaging flag, the rule that cancels a queued call of the same interface and URL,
// and the messaging mode of an operation, in which a long-lived GET hands every received
// chunk to its success block as it arrives.
//
// A request is built from one snapshot of what it carries: the URL of the call and the
// header fields of one moment. Nothing another thread changes afterwards reaches it.
namespace QXClient {

using SuccessBlock = NKHTTPRequestOperation::SuccessBlock;
using FailureBlock = NKHTTPRequestOperation::FailureBlock;
using ProgressBlock = NKURLConnectionOperation::ProgressBlock;

// A client with no base URL and no operation classes of its own: UTF-8, form
// parameters, the default headers "Accept-Encoding" "gzip", then "customerId",
// "clientAgent", "versionId", "model", "agency" of QXIMConstantManager (each left out
// while unset) and "contentformat" "json2", and an operation queue of unbounded width.
// Its reachability status stays undetermined: without a base URL there is no host to
// watch.
[[nodiscard]] std::shared_ptr<NKHTTPClient> initForQXProject();
// The same; the URL is not used.
[[nodiscard]] std::shared_ptr<NKHTTPClient> clientWithQXBaseURL(const QUrl& url);

// What the reply to a service call may bring, decoded, and how long the call may take in
// all: far above any real reply (a page of posts is tens of KB), and low enough that a
// broken or hostile server can neither fill the phone's memory nor hold a screen's loading
// cover for long. An upload first sends its body (a photo of a few MB over a slow mobile
// link), so it has longer.
inline constexpr qint64 kMaximumReplyLength = 8 * 1024 * 1024;
inline constexpr double kCallDeadline = 120.0;
inline constexpr double kUploadDeadline = 600.0;
// The bytes of a reply read as it comes (the messaging stream, the offline fetch) that may
// wait for their queue: past it the connection stops reading until its reader catches up,
// so that a server faster than the reader is held back by the connection's flow control.
// A reader works through a megabyte in milliseconds, so a normal stream never waits for it.
inline constexpr qint64 kMostPieceBytesWaiting = 1024 * 1024;

// A request for the URL text `url`, sent as written (read strictly: an invalid text
// fails as a bad URL), carrying `headers`, with the bounds of a service call above (an
// upload's deadline for body bytes). "GET" and "HEAD" may be pipelined. A body
// text goes, for every method but "GET", "HEAD" and "DELETE", as its UTF-8 bytes; for
// those three it is appended to the URL's text as it stands (a query body begins with
// its own "?"). A null text is no body. No Content-Type is added: the header set of
// the call names what its server expects.
[[nodiscard]] ns::URLRequest requestWithUrl(const QString& url, const ns::HTTPHeaderFields& headers,
                                            const QString& method, const QString& body);
// The same with body bytes, sent as they are (for POST).
[[nodiscard]] ns::URLRequest requestWithUrl(const QString& url, const ns::HTTPHeaderFields& headers,
                                            const QString& method, const QByteArray& body);
// Lifts both bounds from a request for the messaging stream: its reply never ends, and
// its pieces are handed on as they come, never kept.
void makeStreaming(ns::URLRequest& request);
// The same for the client's base URL and default headers, both of this moment.
[[nodiscard]] ns::URLRequest requestWithMethod(const NKHTTPClient& client, const QString& method,
                                               const QString& body);
[[nodiscard]] ns::URLRequest requestWithMethod(const NKHTTPClient& client, const QString& method,
                                               const QByteArray& body);

// An operation for `request` with the client's credential and certificate settings,
// not yet queued. The messaging flag is set first, then the callback queue (empty: the
// main queue) of both blocks, then the blocks. A messaging operation hands each chunk
// to `success` on that queue as it arrives, each with its own bytes, and calls
// `success` once more with empty bytes when the stream ends normally, or `failure`
// when it breaks off or is cancelled; chunks of a reply of unacceptable status or type
// are not handed over. Its blocks are let go of when its stream ends.
[[nodiscard]] std::shared_ptr<NKHTTPRequestOperation> HTTPRequestOperationWithRequest(
    const NKHTTPClient& client, const ns::URLRequest& request, SuccessBlock success,
    FailureBlock failure, bool forIM, std::shared_ptr<ns::DispatchQueue> callbackQueue = {});
// Has the operation hand each piece of its reply's body to `piece` on `queue` as it
// arrives, each with its own bytes, instead of collecting the body; pieces of a reply of
// unacceptable status or type are not handed over. At most kMostPieceBytesWaiting bytes
// wait for the queue. Before the operation starts.
void handPiecesAsTheyCome(const std::shared_ptr<NKHTTPRequestOperation>& operation,
                          std::shared_ptr<ns::DispatchQueue> queue,
                          std::function<void(const QByteArray& piece)> piece);
// An operation carrying `userInfo` (see userInfo()), then the blocks.
[[nodiscard]] std::shared_ptr<NKHTTPRequestOperation> HTTPRequestOperationWithRequest(
    const NKHTTPClient& client, const ns::URLRequest& request, const QVariant& userInfo,
    SuccessBlock success, FailureBlock failure);

// The user info an operation was made with; nil when none.
[[nodiscard]] QVariant userInfo(const NKURLConnectionOperation& operation);
void setUserInfo(NKURLConnectionOperation& operation, const QVariant& userInfo);

// The owner an operation was sent for (see QXIMRequest::Owner); 0 when none.
[[nodiscard]] quint64 ownerOf(const NKURLConnectionOperation& operation);
void setOwner(NKURLConnectionOperation& operation, quint64 owner);

// GET and POST of a body text to `url` with the client's default headers of this
// moment. The client's base URL becomes `url`.
void getWithUrl(NKHTTPClient& client, const QUrl& url, const QString& body, SuccessBlock success,
                FailureBlock failure);
void getWithUrl(NKHTTPClient& client, const QUrl& url, const QString& body,
                const QVariant& userInfo, SuccessBlock success, FailureBlock failure);
void postWithUrl(NKHTTPClient& client, const QUrl& url, const QString& body, SuccessBlock success,
                 FailureBlock failure);
void postWithUrl(NKHTTPClient& client, const QUrl& url, const QString& body,
                 const QVariant& userInfo, SuccessBlock success, FailureBlock failure);
// A messaging GET: both blocks run on `callbackQueue`; see HTTPRequestOperationWithRequest.
void getWithUrlForIM(NKHTTPClient& client, const QUrl& url, const QString& body,
                     std::shared_ptr<ns::DispatchQueue> callbackQueue, SuccessBlock success,
                     FailureBlock failure);
// POST of body bytes, with upload progress on the main queue when a block is given.
void postWithUrlDataBody(NKHTTPClient& client, const QUrl& url, const QByteArray& body,
                         const QVariant& userInfo, SuccessBlock success, FailureBlock failure);
void postWithUrlDataBody(NKHTTPClient& client, const QUrl& url, const QByteArray& body,
                         const QVariant& userInfo, ProgressBlock uploadProgress,
                         SuccessBlock success, FailureBlock failure);

// Cancels every queued or running HTTP request operation of the client whose request
// has an "interface" header equal to `interface` and whose URL text equals `url`
// (exact, case-sensitive). Requests without an "interface" header are never matched.
// With an `owner` other than 0 only the operations sent for that owner match. Safe from
// any thread.
void cancelAllHTTPOperationsWithInterface(const NKHTTPClient& client, const QString& interface,
                                          const QString& url, quint64 owner = 0);

[[nodiscard]] ns::HTTPHeaderFields returnDefaultHeaders(const NKHTTPClient& client);
void clearHeaderWithKey(NKHTTPClient& client, const QString& key);
void clearDefaultHeaders(NKHTTPClient& client);

// The messaging flag of an operation; false unless set.
[[nodiscard]] bool isForIM(const NKURLConnectionOperation& operation);
// Set it before the blocks are installed: an operation flagged afterwards keeps the
// ordinary collect-then-complete-once behaviour.
void setIsForIM(NKURLConnectionOperation& operation, bool forIM);

}  // namespace QXClient
