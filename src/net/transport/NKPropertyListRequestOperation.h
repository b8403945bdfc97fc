#pragma once

#include "net/transport/NKDecodedOnce.h"
#include "net/transport/NKTypedRequestOperation.h"

#include "platform/foundation/property_list.h"

// An HTTP request operation whose body is a property list ("application/x-plist", or a
// ".plist" URL), decoded into a QVariant tree before calling back.
class NKPropertyListRequestOperation
    : public NKTypedRequestOperation<NKPropertyListRequestOperation> {
public:
    static inline const QString kClassName = QStringLiteral("NKPropertyListRequestOperation");
    static inline const QString kProcessingQueueLabel =
        QStringLiteral("com.housing.netkit.property-list-request.processing");

    using Success = std::function<void(const ns::URLRequest& request,
                                       const std::shared_ptr<const ns::HTTPURLResponse>& response,
                                       const QVariant& propertyList)>;
    using Failure = std::function<void(const ns::URLRequest& request,
                                       const std::shared_ptr<const ns::HTTPURLResponse>& response,
                                       const ns::Error& error, const QVariant& propertyList)>;

    explicit NKPropertyListRequestOperation(const ns::URLRequest& request);

    // A new operation with its completion installed, not yet queued.
    [[nodiscard]] static std::shared_ptr<NKPropertyListRequestOperation>
    propertyListRequestOperationWithRequest(const ns::URLRequest& request, Success success,
                                            Failure failure);

    // The decoded body, made once the operation has finished with a body; nil with
    // propertyListError() set when it is no property list. Decoded once, without the
    // operation's lock: a reader that comes while it decodes waits for it.
    [[nodiscard]] QVariant responsePropertyList();
    [[nodiscard]] std::optional<ns::PropertyList::Format> propertyListFormat() const;
    [[nodiscard]] std::optional<ns::Error> propertyListError() const;

    // The decoding error when there is one, else the HTTP request operation's.
    [[nodiscard]] std::optional<ns::Error> error() const override;

private:
    friend class NKTypedRequestOperation<NKPropertyListRequestOperation>;
    [[nodiscard]] static QStringList defaultContentTypes();
    [[nodiscard]] static QStringList pathExtensions();
    [[nodiscard]] std::pair<QVariant, std::optional<ns::Error>> decodeResponse();
    [[nodiscard]] QVariant decodedSoFar() const;

    struct Decoded {
        QVariant propertyList;
        std::optional<ns::PropertyList::Format> format;
        std::optional<ns::Error> error;
    };

    NKDecodedOnce<Decoded> decoded_;
};
