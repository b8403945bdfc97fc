#pragma once

#include "IMChat/qximlib/QXIMMessage.h"

#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

#include "platform/foundation/error.h"

class QXIMService;
struct QXIMServiceObserver;

// The application's plug-in of the messaging service: it widens the stream's keys ("test",
// and "command" read as JSON), handles the forced sign-off itself, keeps messages of type 1
// out of the store, and when a broker's talk about one of the user's housing needs starts,
// puts the need itself (its voice note and its sentence) into the talk in front of the reply.
// A talk about a need the store does not know gives its id to the user's one need still
// being sent, and to none while several are (QXIMDatabase::adoptSendingNeed).
class QXFCIMReceiverParser {
public:
    // The need sentence of a stored need row (the needs screens make it).
    using NeedSentence = std::function<QString(const QVariantMap& needRow)>;

    // Registers with the service and stands in front of its script parser; the plug-in
    // stays while the returned object is held.
    [[nodiscard]] static std::shared_ptr<QXIMServiceObserver> install(QXIMService& service,
                                                                      NeedSentence needSentence);

    // One parsed segment, before the service's own handling.
    static void parserResult(QXIMService& service, const QVariant& result, const QString& key,
                             const std::optional<ns::Error>& error);
    // Puts the need of the talk's message `last` (taken by value: it may be one of `stored`)
    // in front of `stored`.
    static void autoInsertNeedContent(QXIMMessage last, QList<QXIMMessage>& stored,
                                      const NeedSentence& needSentence);
};
