#pragma once

#include "net/transport/NKTypedRequestOperation.h"

#include "platform/foundation/xml_parser.h"

// An XML parser as it travels as a response object.
Q_DECLARE_METATYPE(std::shared_ptr<ns::XMLParser>)

// An HTTP request operation whose body is XML ("application/xml", "text/xml", or a
// ".xml" URL): it hands over a parser over the body. The parser has not run; the
// caller sets its delegate and parses.
class NKXMLRequestOperation : public NKTypedRequestOperation<NKXMLRequestOperation> {
public:
    static inline const QString kClassName = QStringLiteral("NKXMLRequestOperation");
    static inline const QString kProcessingQueueLabel =
        QStringLiteral("com.housing.netkit.xml-request.processing");

    using Parser = std::shared_ptr<ns::XMLParser>;
    using Success = std::function<void(const ns::URLRequest& request,
                                       const std::shared_ptr<const ns::HTTPURLResponse>& response,
                                       const Parser& parser)>;
    using Failure = std::function<void(const ns::URLRequest& request,
                                       const std::shared_ptr<const ns::HTTPURLResponse>& response,
                                       const ns::Error& error, const Parser& parser)>;

    explicit NKXMLRequestOperation(const ns::URLRequest& request);

    // A new operation with its completion installed, not yet queued.
    [[nodiscard]] static std::shared_ptr<NKXMLRequestOperation>
    XMLParserRequestOperationWithRequest(const ns::URLRequest& request, Success success,
                                         Failure failure);

    // A parser over the body, made once the operation has finished with a body.
    [[nodiscard]] Parser responseXMLParser();

    // Cancels, then leaves the parser without a delegate.
    void cancel() override;

private:
    friend class NKTypedRequestOperation<NKXMLRequestOperation>;
    [[nodiscard]] static QStringList defaultContentTypes();
    [[nodiscard]] static QStringList pathExtensions();
    [[nodiscard]] std::pair<QVariant, std::optional<ns::Error>> decodeResponse();
    [[nodiscard]] Parser decodedSoFar() { return responseXMLParser(); }

    Parser responseXMLParser_;
};
