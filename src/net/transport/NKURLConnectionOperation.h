#pragma once

#include "net/transport/NKPieceDelivery.h"
#include "net/transport/NKStringEncoding.h"

#include "platform/foundation/dispatch_queue.h"
#include "platform/foundation/error.h"
#include "platform/foundation/keyed_archiver.h"
#include "platform/foundation/network_thread.h"
#include "platform/foundation/operation.h"
#include "platform/foundation/stream.h"
#include "platform/foundation/url_connection.h"
#include "platform/foundation/url_credential.h"
#include "platform/foundation/url_request.h"
#include "platform/foundation/url_response.h"
#include "platform/uikit/application.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariantMap>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

// How a secure connection's server is checked against the certificates of the bundle.
enum class NKSSLPinningMode : int { None = 0, PublicKey = 1, Certificate = 2 };

// One request carried through one URL connection as a concurrent operation: it keeps
// the response, the body and the error that come back. Every connection of every
// operation runs on the one "NetKit" thread; progress, notifications and the bytes-read
// count are reported on the main queue.
//
// State changes follow a fixed transition rule (see setState()), and the completion
// block runs at most once: it clears itself after its run, so whatever it captured is
// let go of right after. A finished operation stays alive until its completion block
// has run, even when nobody else holds it.
class NKURLConnectionOperation : public ns::Operation, public ns::URLConnectionDelegate {
public:
    enum class State : qint16 { Paused = -1, Initial = 0, Ready = 1, Executing = 2, Finished = 3 };

    // Posted on the main queue with the operation as object (a
    // std::shared_ptr<NKURLConnectionOperation>) and the operation as sender.
    static inline const QString kOperationDidStartNotification =
        QStringLiteral("com.housing.netkit.networking.operation.start");
    static inline const QString kOperationDidFinishNotification =
        QStringLiteral("com.housing.netkit.networking.operation.finish");

    // (bytes now, total bytes, total bytes expected or -1)
    using ProgressBlock =
        std::function<void(quint64 bytes, qint64 totalBytes, qint64 totalBytesExpected)>;
    using AuthenticationChallengeBlock = std::function<void(
        ns::URLConnection& connection, const ns::URLAuthenticationChallenge& challenge)>;
    using CacheResponseBlock = std::function<std::optional<ns::CachedURLResponse>(
        ns::URLConnection& connection, const ns::CachedURLResponse& proposed)>;
    using RedirectResponseBlock = std::function<std::optional<ns::URLRequest>(
        ns::URLConnection& connection, const ns::URLRequest& request,
        const std::shared_ptr<const ns::URLResponse>& redirectResponse)>;
    // One received piece of the body, as its own bytes.
    using ChunkHandler = std::function<void(const QByteArray& chunk)>;

    explicit NKURLConnectionOperation(const ns::URLRequest& request);
    ~NKURLConnectionOperation() override;

    // The one thread that runs every connection.
    [[nodiscard]] static ns::NetworkThread& networkRequestThread();
    // The DER data of every ".cer" file at the top of the bundle that holds a readable
    // certificate, and the public key of each; made once.
    [[nodiscard]] static const QList<QByteArray>& pinnedCertificates();
    [[nodiscard]] static const QList<QByteArray>& pinnedPublicKeys();

    void start() override;
    void cancel() override;
    // Stops a running exchange without finishing: the connection is cancelled, the
    // finish notification is posted and the state becomes paused. Nothing when
    // already paused, finished or cancelled.
    virtual void pause();
    // Starts a paused operation again, with a new connection for its request.
    void resume();

    [[nodiscard]] State state() const { return static_cast<State>(state_.load()); }
    [[nodiscard]] bool isPaused() const { return state() == State::Paused; }
    [[nodiscard]] bool isReady() const override;
    [[nodiscard]] bool isExecuting() const override;
    [[nodiscard]] bool isFinished() const override;
    [[nodiscard]] bool isConcurrent() const override { return true; }

    // Runs at most once; a block set again after that run is a new one.
    using ns::Operation::setCompletionBlock;
    void setCompletionBlock(Block block, CompletionThread thread) override;

    [[nodiscard]] ns::URLRequest request() const;
    [[nodiscard]] std::shared_ptr<const ns::URLResponse> response() const;
    // The connection's failure or the cancellation (-999).
    [[nodiscard]] virtual std::optional<ns::Error> error() const;
    // The whole body, set when loading finishes; null before that, and when the body
    // went to an output stream of the caller's that does not keep it in memory.
    [[nodiscard]] QByteArray responseData() const;
    // The body as text, made on first request and kept; nothing before a response and
    // a body exist, or when the body is not of the response's encoding.
    [[nodiscard]] std::optional<QString> responseString() const;
    // UTF-8 unless the response names a charset the platform knows.
    [[nodiscard]] virtual NKStringEncoding responseStringEncoding() const;
    // Body bytes received so far, counted on the main queue, where the download progress is
    // reported: the pieces that come while a report waits for the main queue join it.
    [[nodiscard]] qint64 totalBytesRead() const { return totalBytesRead_.load(); }

    // The request's body stream; setting it replaces the request by a copy with it.
    [[nodiscard]] std::shared_ptr<ns::InputStream> inputStream() const;
    void setInputStream(std::shared_ptr<ns::InputStream> stream);
    // Where body bytes are written: a to-memory stream unless one was set. As the reply's head
    // comes, the stream is told the length it announces when the request's bound admits it
    // (ns::OutputStream::expectBytes), so that a memory stream makes room for the whole body.
    [[nodiscard]] std::shared_ptr<ns::OutputStream> outputStream();
    void setOutputStream(std::shared_ptr<ns::OutputStream> stream);

    // Hands the received body to `handler` on `queue` as it comes, in arrival order, each byte
    // once, instead of collecting it: for streamed replies that never end, such as the
    // messaging receive. Pieces that come while a delivery still waits for the queue join it
    // (NKPieceDelivery): the handler takes what came meanwhile in one call. The handler is let
    // go of when the operation finishes (after what came before the end) or is cancelled
    // (nothing more reaches it). Set it before the operation starts; a null handler goes back
    // to collecting. With `mostBytesWaiting`, the connection stops reading while that many
    // bytes wait for the handler, and goes on once fewer do: a handler slower than the server
    // holds the server back, and what waits stays bounded.
    void setChunkHandler(std::shared_ptr<ns::DispatchQueue> queue, ChunkHandler handler,
                         qint64 mostBytesWaiting = 0);
    // The chunks of the reply's chunked framing that the body handed to the chunk handler so
    // far came in (URLConnection::chunksReceived()): read from the handler, it counts those of
    // the pieces in hand. A reader may count each chunk as at least a few dozen bytes, which is
    // about what it costs to read.
    [[nodiscard]] qint64 chunksHandedOver() const { return *chunksHandedOver_; }
    // Holds the reading of the reply back, besides the waiting pieces' own hold, until let
    // go: for a handler that has more of its own to work through first. Any thread.
    void setReadingHeld(bool held);
    // Whether the connection's reading is held back now (by waiting pieces or the caller).
    [[nodiscard]] bool isReadingHeld() const;

    [[nodiscard]] bool allowsInvalidSSLCertificate() const;
    void setAllowsInvalidSSLCertificate(bool allows);
    [[nodiscard]] bool shouldUseCredentialStorage() const;
    void setShouldUseCredentialStorage(bool use);
    [[nodiscard]] std::optional<ns::URLCredential> credential() const;
    void setCredential(std::optional<ns::URLCredential> credential);
    [[nodiscard]] NKSSLPinningMode SSLPinningMode() const;
    void setSSLPinningMode(NKSSLPinningMode mode);
    // Free for the caller; the operation never reads it.
    [[nodiscard]] QVariantMap userInfo() const;
    void setUserInfo(const QVariantMap& userInfo);

    void setUploadProgressBlock(ProgressBlock block);
    void setDownloadProgressBlock(ProgressBlock block);
    void setWillSendRequestForAuthenticationChallengeBlock(AuthenticationChallengeBlock block);
    void setCacheResponseBlock(CacheResponseBlock block);
    void setRedirectResponseBlock(RedirectResponseBlock block);

    // "<Class: address, state: key, cancelled: YES|NO request: ..., response: ...>"
    [[nodiscard]] QString description() const;
    // A new operation of the same class for the same request, with the same progress,
    // challenge, cache and redirect blocks and the same certificate setting.
    [[nodiscard]] std::shared_ptr<NKURLConnectionOperation> copy() const;

    // Pauses the operation, then archives its request, its state (a running or paused one
    // as ready), whether it was cancelled, its response, error and body, the bytes read
    // and the certificate setting.
    void encodeWithCoder(ns::KeyedArchiver& coder);
    // An operation of class T (this class or a subclass) from such an archive, in the
    // archived state as far as the transition rule lets a new operation take it; nothing
    // when the archive holds no request.
    template <class T = NKURLConnectionOperation>
    [[nodiscard]] static std::shared_ptr<T> initWithCoder(const ns::KeyedUnarchiver& coder) {
        const auto request = ns::unarchivedURLRequest(coder.decodeObjectForKey("request"));
        if (!request) return nullptr;
        auto operation = std::make_shared<T>(*request);
        operation->takeArchivedState(coder);
        return operation;
    }

    // Lets the exchange go on while the application is in the background, until the
    // background time runs out: then `handler` runs and the operation is cancelled. Once
    // per operation; the task ends when the operation goes. Main thread.
    void setShouldExecuteAsBackgroundTaskWithExpirationHandler(std::function<void()> handler);
    [[nodiscard]] ui::BackgroundTaskIdentifier backgroundTaskIdentifier() const;

    // The connection's questions, all asked on the network thread.
    std::optional<ns::URLRequest> willSendRequest(
        ns::URLConnection& connection, const ns::URLRequest& request,
        const std::shared_ptr<const ns::URLResponse>& redirectResponse) override;
    void willSendRequestForAuthenticationChallenge(
        ns::URLConnection& connection, const ns::URLAuthenticationChallenge& challenge) override;
    bool connectionShouldUseCredentialStorage(ns::URLConnection& connection) override;
    std::shared_ptr<ns::InputStream> needNewBodyStream(ns::URLConnection& connection,
                                                       const ns::URLRequest& request) override;
    void didSendBodyData(ns::URLConnection& connection, qint64 bytesWritten,
                         qint64 totalBytesWritten, qint64 totalBytesExpectedToWrite) override;
    void didReceiveResponse(ns::URLConnection& connection,
                            const std::shared_ptr<const ns::URLResponse>& response) override;
    void didReceiveData(ns::URLConnection& connection, const QByteArray& data) override;
    std::optional<ns::CachedURLResponse> willCacheResponse(
        ns::URLConnection& connection, const ns::CachedURLResponse& proposed) override;
    void didFinishLoading(ns::URLConnection& connection) override;
    void didFailWithError(ns::URLConnection& connection, const ns::Error& error) override;

protected:
    // Applies a change allowed by the transition rule and announces it; any other
    // change is ignored:
    //   paused -> ready; ready -> paused, executing, or finished when cancelled;
    //   executing -> paused, finished; finished -> nothing; initial -> anything.
    void setState(State state);
    // Replaces the request (a copy with other fields, never a change in place).
    void setRequest(const ns::URLRequest& request);
    // Guards the state changes, the connection start and the values set from several
    // threads; recursive, so that resume() may start and pause() may change state.
    std::recursive_mutex& lock() const { return lock_; }

    // An empty operation of the receiving class for `request`, for copy().
    [[nodiscard]] virtual std::shared_ptr<NKURLConnectionOperation> makeOperation(
        const ns::URLRequest& request) const;
    [[nodiscard]] virtual QString className() const;

    template <class T>
    [[nodiscard]] std::shared_ptr<T> sharedAs() {
        return std::static_pointer_cast<T>(shared_from_this());
    }
    template <class T>
    [[nodiscard]] std::weak_ptr<T> weakAs() {
        return std::static_pointer_cast<T>(shared_from_this());
    }

private:
    void operationDidStart();
    void cancelConnection();
    void finish();
    void postNotification(const QString& name);
    // Closes the output stream and lets go of the connection and the chunk handler.
    void endConnection();
    void answerServerTrust(const ns::URLAuthenticationChallenge& challenge);
    // Holds or lets go the connection's reading as the holds now stand ("NetKit").
    void applyReadingHold();
    void takeArchivedState(const ns::KeyedUnarchiver& coder);

    mutable std::recursive_mutex lock_;
    std::atomic<qint16> state_{static_cast<qint16>(State::Initial)};
    bool allowsInvalidSSLCertificate_ = false;
    bool shouldUseCredentialStorage_ = true;
    std::shared_ptr<ns::URLConnection> connection_;
    ns::URLRequest request_;
    std::shared_ptr<const ns::URLResponse> response_;
    std::optional<ns::Error> error_;
    QByteArray responseData_;
    mutable std::optional<QString> responseString_;
    mutable NKStringEncoding responseStringEncoding_;
    std::shared_ptr<ns::OutputStream> outputStream_;
    std::optional<ns::URLCredential> credential_;
    NKSSLPinningMode pinningMode_ = NKSSLPinningMode::None;
    QVariantMap userInfo_;
    ProgressBlock uploadProgress_;
    ProgressBlock downloadProgress_;
    AuthenticationChallengeBlock authenticationChallenge_;
    CacheResponseBlock cacheResponse_;
    RedirectResponseBlock redirectResponse_;
    std::shared_ptr<NKPieceDelivery> pieceDelivery_;
    qint64 chunksSeen_ = 0;  // the connection's chunksReceived() at its last piece
    // Shared with the deliveries, which may outlive the operation's hold on them.
    std::shared_ptr<std::atomic<qint64>> chunksHandedOver_ =
        std::make_shared<std::atomic<qint64>>(0);
    bool readingHeld_ = false;
    std::atomic<qint64> totalBytesRead_{0};
    // Received bytes not yet counted: while there are, a report of them is on the main queue.
    std::atomic<qint64> bytesUnreported_{0};
    ui::BackgroundTaskIdentifier backgroundTaskIdentifier_ = ui::kBackgroundTaskInvalid;
};
