#include "net/TransportFailure.h"

#include "net/transport/NKHTTPRequestOperation.h"

QVariantMap TransportFailure::fromError(const NKHTTPRequestOperation& operation,
                                        const ns::Error& error) {
    QVariantMap failure = message(error);
    if (const auto response = operation.HTTPResponse()) {
        failure.insert(kStatusCode, response->statusCode());
    }
    const QString suggestion = error.localizedRecoverySuggestion();
    if (!suggestion.isEmpty()) failure.insert(kLocalizedRecoverySuggestion, suggestion);
    return failure;
}

QVariantMap TransportFailure::message(const ns::Error& error) {
    return {{kMsg, error.description()}};
}

QVariantMap TransportFailure::status(int statusCode) {
    return {{kStatusCode, statusCode}};
}
