#pragma once

#include "net/transport/JsonParser.h"
#include "net/transport/NKDecodedOnce.h"
#include "net/transport/NKTypedRequestOperation.h"

// An HTTP request operation whose body is JSON: it accepts "application/json",
// "text/json" and "text/javascript" (and ".json" URLs), and decodes the body into a
// QVariant tree through the JSON object layer before calling back.
class NKJSONRequestOperation : public NKTypedRequestOperation<NKJSONRequestOperation> {
public:
    static inline const QString kClassName = QStringLiteral("NKJSONRequestOperation");
    static inline const QString kProcessingQueueLabel =
        QStringLiteral("com.housing.netkit.json-request.processing");

    using Success = std::function<void(const ns::URLRequest& request,
                                       const std::shared_ptr<const ns::HTTPURLResponse>& response,
                                       const QVariant& JSON)>;
    // Also receives the JSON as far as it was decoded (nil on a parse failure).
    using Failure = std::function<void(const ns::URLRequest& request,
                                       const std::shared_ptr<const ns::HTTPURLResponse>& response,
                                       const ns::Error& error, const QVariant& JSON)>;

    explicit NKJSONRequestOperation(const ns::URLRequest& request);

    // A new operation with its completion installed, not yet queued.
    [[nodiscard]] static std::shared_ptr<NKJSONRequestOperation> JSONRequestOperationWithRequest(
        const ns::URLRequest& request, Success success, Failure failure);

    // The decoded body, made once the operation has finished with a body; nil for a
    // body of a single space, and nil with JSONError() set when it does not decode. Decoded
    // once, without the operation's lock: a reader that comes while it decodes waits for it.
    [[nodiscard]] QVariant responseJSON();
    [[nodiscard]] std::optional<ns::Error> JSONError() const;
    [[nodiscard]] ParserOptions JSONReadingOptions() const;
    void setJSONReadingOptions(ParserOptions options);

    // The decoding error when there is one, else the HTTP request operation's.
    [[nodiscard]] std::optional<ns::Error> error() const override;

private:
    friend class NKTypedRequestOperation<NKJSONRequestOperation>;
    [[nodiscard]] static QStringList defaultContentTypes();
    [[nodiscard]] static QStringList pathExtensions();
    [[nodiscard]] std::pair<QVariant, std::optional<ns::Error>> decodeResponse();
    [[nodiscard]] QVariant decodedSoFar() const;

    struct Decoded {
        QVariant JSON;
        std::optional<ns::Error> error;
    };
    [[nodiscard]] Decoded decode(ParserOptions options) const;

    NKDecodedOnce<Decoded> decoded_;
    ParserOptions JSONReadingOptions_ = 0;
};
