#pragma once

#include "IMChat/qximlib/QXIMMessage.h"

#include <QList>

#include <memory>

class QXIMService;
struct QXIMServiceObserver;

// The library's plug-in that puts a card of the post a talk is about in front of a received
// packet that opens the talk or changes its post, so the conversation shows what it is
// about.
class QXIMCheckIfInsertAnotherParser {
public:
    // Registers the plug-in with the service; it stays while the returned object is held.
    [[nodiscard]] static std::shared_ptr<QXIMServiceObserver> install(QXIMService& service);

    // For a message of a broker (not type 1 or 2, a sender id) whose complete message names
    // a post with an id and a title: stores the post card a second before the first stored
    // message and puts it at the front of `stored`.
    static void receivedDifferentPostMessage(const QXIMMessage& last, QList<QXIMMessage>& stored);
};
