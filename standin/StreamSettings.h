#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>

#include <optional>

namespace standin {

// What the streaming receive sends: a chunked reply that never ends on its own, one script
// segment per chunk. The listed segments go first; after them come heartbeat segments that
// carry their chunk number, `recvHeartbeatMsg(7)`. Repeated, the listed segments go round
// and round instead, each time with its chunk number in place of every "@N@" in it.
struct StreamSettings {
    static constexpr char kNumberMark[] = "@N@";

    QList<QByteArray> segments;  // whole segment texts, sent in order
    int count = -1;              // chunks before the reply ends normally; -1: never
    double intervalMs = 0;       // pause before each listed segment after the first chunk
    double heartbeatMs = 20000;  // pause before each heartbeat after the first chunk
    bool repeat = false;         // the listed segments again and again, never a heartbeat

    // The chunk at position `index` (from 0).
    [[nodiscard]] QByteArray chunk(int index) const;
    // The pause before the chunk at `index`, in milliseconds.
    [[nodiscard]] double pauseBefore(int index) const;

    // "<script>window.parent.QX.webim.cometMgr.KEY(PAYLOAD);</script>"
    static QByteArray segment(const QByteArray& key, const QByteArray& payload);

    // {"segments": [text or {"key", "payload"}], "count", "intervalMs", "heartbeatMs",
    // "repeat"};
    // a payload that is not a string is written as compact JSON. Absent fields keep their
    // defaults; nullopt when the text is not such an object.
    static std::optional<StreamSettings> fromJson(const QByteArray& json);
    [[nodiscard]] QJsonObject toJson() const;
};

}  // namespace standin
