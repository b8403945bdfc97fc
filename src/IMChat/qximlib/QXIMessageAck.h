#pragma once

#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>

// Tells the message server which messages of a talk the client has stored
// ("op=ackrecvmsg"). Busy from the call until its reply or failure; a lost
// acknowledgement only means that the server sends the messages again.
class QXIMessageAck {
public:
    // (acknowledged): true on a reply, false on a failure.
    using DoneHandler = std::function<void(bool acknowledged)>;

    // Nothing for a null talk id or no ids. The ids go as one value joined by ",".
    void ackRecvMess(const QString& talkId, const QStringList& messageIds,
                     DoneHandler done = nullptr);
    [[nodiscard]] bool isAcking() const { return acking_->load(); }
    [[nodiscard]] static QString url(const QString& talkId, const QStringList& messageIds);

private:
    std::shared_ptr<std::atomic<bool>> acking_ = std::make_shared<std::atomic<bool>>(false);
};
