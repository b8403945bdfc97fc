#pragma once

#include "platform/foundation/error.h"
#include "platform/foundation/stream.h"
#include "platform/foundation/url_authentication_challenge.h"
#include "platform/foundation/url_cache.h"
#include "platform/foundation/url_request.h"
#include "platform/foundation/url_response.h"

#include <QByteArray>
#include <QList>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>

class QAuthenticator;
class QNetworkReply;
class QSslError;

namespace ns {

class URLConnection;

// What a connection tells about its load, all on the "NetKit" thread, in this order:
// willSendRequest (first with no redirect response, then once per redirect), the
// authentication questions when a server asks, didSendBodyData while the body goes
// out, didReceiveResponse once, didReceiveData for every piece as it arrives (decoded
// when the server compressed it), willCacheResponse, and then exactly one of
// didFinishLoading and didFailWithError. Nothing follows either of those, nor a
// cancel. Every method is optional.
class URLConnectionDelegate {
public:
    virtual ~URLConnectionDelegate();

    // The request to send instead of `request`, or nothing to send none: before the
    // first request that cancels the load (-999); on a redirect the redirect
    // response is delivered as the load's response instead.
    virtual std::optional<URLRequest> willSendRequest(
        URLConnection& connection, const URLRequest& request,
        const std::shared_ptr<const URLResponse>& redirectResponse);

    // Answers every challenge when overridden. By default it asks
    // canAuthenticateAgainstProtectionSpace() and either passes the challenge to
    // didReceiveAuthenticationChallenge() or handles it the default way.
    virtual void willSendRequestForAuthenticationChallenge(
        URLConnection& connection, const URLAuthenticationChallenge& challenge);
    // By default every space except server trust and client certificates.
    virtual bool canAuthenticateAgainstProtectionSpace(URLConnection& connection,
                                                       const URLProtectionSpace& protectionSpace);
    // By default handled the default way: server trust is evaluated, and a
    // password request goes on without a credential (the load gets the server's 401).
    virtual void didReceiveAuthenticationChallenge(URLConnection& connection,
                                                   const URLAuthenticationChallenge& challenge);
    // Asked once, before the first challenge. The loader keeps no credential store,
    // so the answer changes nothing; it is asked because delegates expect it.
    virtual bool connectionShouldUseCredentialStorage(URLConnection& connection);

    // A fresh copy of the request's body stream, when the body must be sent again
    // (a redirect that keeps the method); nullptr fails the load. By default the
    // stream's own copy.
    virtual std::shared_ptr<InputStream> needNewBodyStream(URLConnection& connection,
                                                           const URLRequest& request);

    virtual void didSendBodyData(URLConnection& connection, qint64 bytesWritten,
                                 qint64 totalBytesWritten, qint64 totalBytesExpectedToWrite);
    virtual void didReceiveResponse(URLConnection& connection,
                                    const std::shared_ptr<const URLResponse>& response);
    // The piece's own bytes; the delegate may keep them.
    virtual void didReceiveData(URLConnection& connection, const QByteArray& data);
    // What to store in the shared URL cache, or nothing to store nothing; asked for
    // a successful (200) GET from the network whose body the cache could keep. By
    // default the proposal.
    virtual std::optional<CachedURLResponse> willCacheResponse(URLConnection& connection,
                                                               const CachedURLResponse& proposed);
    virtual void didFinishLoading(URLConnection& connection);
    virtual void didFailWithError(URLConnection& connection, const Error& error);
};

// One asynchronous load of a request, run on the "NetKit" thread (see
// NetworkThread), reporting to its delegate there. The connection holds its delegate
// strongly until the load has finished, failed or been cancelled, and keeps itself
// alive while it runs.
//
// The request's time-out is an idle time on the one clock: when nothing arrives and
// nothing is sent for that long, the load fails with -1001. Its deadline counts on the same
// clock from the start: once it has passed, the load fails with -1001 however steadily the
// reply comes. A reply whose body, decoded, grows past the request's maximum length fails
// with -1103 as soon as it does, its connection closed; nothing past the bound reaches the
// delegate, and a compressed body is inflated no further than that. A request that names no
// "Accept-Encoding" asks for gzip and deflate, as the platform's do; compressed
// responses are decoded before they reach the delegate, whoever asked. Cookies, when
// the request handles them, are kept in memory for the process. Failures are errors
// of NSURLErrorDomain with the platform's codes, a description and the failing URL
// (-999 cancelled, -1001 timed out, -1003 host not found, -1004 cannot connect, -1005
// connection lost, -1009 offline, -1016 undecodable body, -1103 reply too large, -1202
// untrusted server).
class URLConnection : public std::enable_shared_from_this<URLConnection> {
public:
    struct SynchronousResult {
        std::shared_ptr<const URLResponse> response;
        QByteArray data;
        std::optional<Error> error;
    };

    // A connection that has started loading.
    static std::shared_ptr<URLConnection> connectionWithRequest(
        const URLRequest& request, std::shared_ptr<URLConnectionDelegate> delegate);
    static std::shared_ptr<URLConnection> create(const URLRequest& request,
                                                 std::shared_ptr<URLConnectionDelegate> delegate,
                                                 bool startImmediately);

    // Loads on the "NetKit" thread and waits. On the main thread (and on "NetKit"
    // itself) the calling thread's events are handled meanwhile, so that the clock
    // can time the load out.
    static SynchronousResult sendSynchronousRequest(const URLRequest& request);

    ~URLConnection();
    URLConnection(const URLConnection&) = delete;
    URLConnection& operator=(const URLConnection&) = delete;

    // Starts once; later calls, and calls after cancel(), do nothing.
    void start();
    // Stops the load. The delegate hears nothing more once this returns: a call
    // already running on "NetKit" is waited for (unless cancel() comes from inside
    // it), so a delegate call must never wait for a thread that may cancel.
    void cancel();

    // Holds the reading of the reply back (true) or lets it go on (false), from any thread;
    // the last call wins. Meanwhile what arrives waits in the reply, which for plain http
    // keeps at most its read buffer and reads no further from its socket, so that the
    // connection's flow control holds the server back; the idle time-out does not count
    // meanwhile, and an end that came waits behind the bytes before it.
    void setReadingHeld(bool held);
    [[nodiscard]] bool isReadingHeld() const { return readingHeld_; }

    // The chunks of chunked framing (plain http) that the body delivered so far came in, over
    // the whole load: read in didReceiveData, it counts those of the piece in hand. Each chunk
    // costs a reader about what a few dozen bytes do, whatever it carries. Any thread.
    [[nodiscard]] qint64 chunksReceived() const { return chunksReceived_; }

    [[nodiscard]] const URLRequest& originalRequest() const { return originalRequest_; }
    // The request being sent, after redirects.
    [[nodiscard]] URLRequest currentRequest() const;

private:
    struct Load;
    class ChallengeSender;
    enum class ChallengeAnswer {
        UseCredential,
        ContinueWithoutCredential,
        Cancel,
        DefaultHandling,
        Reject
    };
    struct Answered {
        ChallengeAnswer answer;
        std::optional<URLCredential> credential;
    };

    URLConnection(const URLRequest& request, std::shared_ptr<URLConnectionDelegate> delegate);

    // Runs `call` with the delegate unless the load was cancelled or ended; false
    // when it did not run or the call itself ended the load.
    template <class Call>
    bool deliver(Call&& call);
    void endDelivery();

    // All below run on "NetKit".
    void begin();
    void answerFromCache(const CachedURLResponse& cached);
    void send(const URLRequest& request);
    void onMetaData();
    void onReadyRead();
    void onUploadProgress(qint64 sent, qint64 total);
    void onFinished();
    void onSslErrors(QNetworkReply* reply, const QList<QSslError>& errors);
    void askForPassword(QNetworkReply* reply, QAuthenticator* authenticator);
    // The delegate's answer to a password challenge; nothing when it gave none.
    std::optional<std::pair<QString, QString>> passwordFor(QNetworkReply* reply,
                                                           const QString& realm,
                                                           const QString& method);
    // Puts the challenge to the delegate; nothing when the load ended meanwhile.
    std::optional<Answered> challenge(const URLProtectionSpace& space,
                                      std::shared_ptr<const URLResponse> failureResponse);
    // Applies a refusal decided in a challenge; true when the load failed with it.
    bool refused();
    // True when the redirect is followed (or the load ended while asking).
    bool followRedirect(int status, const std::shared_ptr<const URLResponse>& response);
    void finishLoading();
    void fail(const Error& error);
    void abandonReply();
    void tearDown();
    void noteActivity();
    void armTimeout();
    void checkTimeout();
    void armDeadline(double seconds);
    [[nodiscard]] Error errorWithCode(qint64 code, const QString& description) const;

    const URLRequest originalRequest_;
    mutable std::mutex requestMutex_;
    URLRequest currentRequest_;

    // Held while the delegate is called; cancel() takes it to wait for a call in
    // progress. Recursive, so that a delegate may cancel from inside a call.
    std::recursive_mutex deliveryMutex_;
    std::shared_ptr<URLConnectionDelegate> delegate_;
    bool ended_ = false;

    std::atomic<bool> started_{false};
    std::atomic<bool> readingHeld_{false};
    std::atomic<qint64> chunksReceived_{0};
    std::unique_ptr<Load> load_;  // on "NetKit" only
    std::shared_ptr<URLConnection> selfHold_;
};

}  // namespace ns
