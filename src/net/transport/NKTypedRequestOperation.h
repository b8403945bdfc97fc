#pragma once

#include "net/transport/NKHTTPRequestOperation.h"

#include "platform/foundation/concurrent_queue.h"

#include <QFileInfo>

// What the typed operations (JSON, property list, XML, image) share: a class-wide list
// of acceptable content types, the URL path extensions they recognise, and a concurrent
// queue of their own on which the body is decoded before the callbacks run.
//
// `Derived` names itself (kClassName), its defaults (defaultContentTypes(),
// pathExtensions()) and its queue (kProcessingQueueLabel), and decodes the finished
// body in decodeResponse(): the result and the decoding error, if any.
template <class Derived>
class NKTypedRequestOperation : public NKHTTPRequestOperation {
public:
    using NKHTTPRequestOperation::NKHTTPRequestOperation;

    [[nodiscard]] static QStringList acceptableContentTypes() { return setting().types(); }
    static void addAcceptableContentTypes(const QStringList& types) { setting().add(types); }
    // A URL whose path extension is one the class recognises (compared as written), or
    // an "Accept" header naming one of the content types.
    [[nodiscard]] static bool canProcessRequest(const ns::URLRequest& request) {
        if (Derived::pathExtensions().contains(QFileInfo(request.url().path()).suffix())) {
            return true;
        }
        return acceptHeaderNamesAny(request, acceptableContentTypes());
    }

    // The response object handed to success is the decoded body: a QVariant tree, or a
    // QVariant holding the image or the XML parser.
    void setCompletionBlockWithSuccess(SuccessBlock success, FailureBlock failure) override {
        setDecodingCompletionBlock(std::move(success), std::move(failure), processingQueue(),
                                   [](NKHTTPRequestOperation& operation) {
                                       return static_cast<Derived&>(operation).decodeResponse();
                                   });
    }

protected:
    [[nodiscard]] std::optional<QStringList> contentTypesOfClass() const override {
        return acceptableContentTypes();
    }
    [[nodiscard]] std::shared_ptr<NKURLConnectionOperation> makeOperation(
        const ns::URLRequest& request) const override {
        return std::make_shared<Derived>(request);
    }
    [[nodiscard]] QString className() const override { return Derived::kClassName; }

    // The body once the operation has finished with one; nothing before, or for an empty body.
    [[nodiscard]] std::optional<QByteArray> finishedBody() const {
        if (!isFinished()) return std::nullopt;
        QByteArray data = responseData();
        if (data.isEmpty()) return std::nullopt;
        return data;
    }

    [[nodiscard]] static const std::shared_ptr<ns::ConcurrentQueue>& processingQueue() {
        // Never destroyed: its decodes may still run as the process's statics go, and its
        // destructor would wait for them, at an exit whose end comes after it (a process without
        // an application object) for as long as they take.
        static const auto* const queue = new std::shared_ptr<ns::ConcurrentQueue>(
            std::make_shared<ns::ConcurrentQueue>(Derived::kProcessingQueueLabel));
        return *queue;
    }

    // A new operation whose blocks receive the request, the response and the decoded
    // body (`Result` out of the response object); failure also receives what was decoded
    // so far (Derived::decodedSoFar()).
    template <class Result>
    [[nodiscard]] static std::shared_ptr<Derived> operationWithRequest(
        const ns::URLRequest& request,
        std::function<void(const ns::URLRequest&, const std::shared_ptr<const ns::HTTPURLResponse>&,
                           const Result&)>
            success,
        std::function<void(const ns::URLRequest&, const std::shared_ptr<const ns::HTTPURLResponse>&,
                           const ns::Error&, const Result&)>
            failure) {
        auto operation = std::make_shared<Derived>(request);
        SuccessBlock onSuccess;
        if (success) {
            onSuccess = [success = std::move(success)](
                            const std::shared_ptr<NKHTTPRequestOperation>& op,
                            const QVariant& responseObject) {
                success(op->request(), op->HTTPResponse(), responseObject.value<Result>());
            };
        }
        FailureBlock onFailure;
        if (failure) {
            onFailure = [failure = std::move(failure)](
                            const std::shared_ptr<NKHTTPRequestOperation>& op,
                            const ns::Error& error) {
                failure(op->request(), op->HTTPResponse(), error,
                        static_cast<Derived&>(*op).decodedSoFar());
            };
        }
        operation->setCompletionBlockWithSuccess(std::move(onSuccess), std::move(onFailure));
        return operation;
    }

private:
    static NKContentTypeSetting& setting() {
        static NKContentTypeSetting types(Derived::defaultContentTypes());
        return types;
    }
};
