#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>

#include <optional>

namespace standin {

// What the streaming receive sends: a chunked reply that never ends on its own, one script
// segment per chunk. The listed segments go first; after them come heartbeat segments that
// carry their chunk number, `recvHeartbeatMsg(7)`.
struct StreamSettings {
    QList<QByteArray> segments;  // whole segment texts, sent in order
    int count = -1;              // chunks before the reply ends normally; -1: never
    double intervalMs = 0;       // pause before each listed segment after the first chunk
    double heartbeatMs = 20000;  // pause before each heartbeat after the first chunk

    // The chunk at position `index` (from 0).
    [[nodiscard]] QByteArray chunk(int index) const;
    // The pause before the chunk at `index`, in milliseconds.
    [[nodiscard]] double pauseBefore(int index) const;

    // "<script>window.parent.QX.webim.cometMgr.KEY(PAYLOAD);</script>"
    static QByteArray segment(const QByteArray& key, const QByteArray& payload);

    // {"segments": [text or {"key", "payload"}], "count", "intervalMs", "heartbeatMs"};
    // a payload that is not a string is written as compact JSON. Absent fields keep their
    // defaults; nullopt when the text is not such an object.
    static std::optional<StreamSettings> fromJson(const QByteArray& json);
    [[nodiscard]] QJsonObject toJson() const;
};

}  // namespace standin
