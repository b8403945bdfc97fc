#pragma once

#include "standin/Endpoints.h"
#include "standin/KeptJournal.h"

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <vector>

namespace standin {

// The messaging server: a queue of packets per user, each kept until the user's client
// acknowledges its messages. A user's stream (GET /comet/recvmsg?userid=U) carries every
// unacknowledged packet as a `recvMsg` script segment, again after a while when no
// acknowledgement came; "getnotrecvmsgs" answers them as a list; "ackrecvmsg" takes them
// off; "sendmsg" gives the sent packet a server id and time, or refuses it with "error_msg".
//
// A sample broker writes to a user through the control call (README.md), so a person can
// watch a conversation arrive. Its fault switches cut the stream after a number of
// segments, split segments into two chunks at a random byte (inside a character too),
// answer a share of offline fetches and acknowledgements with 500 and slow the
// acknowledgements and the writing of the messages file down.
class MessagingServer {
public:
    struct Faults {
        // Each stream breaks off after a random number of segments in [min, max]; 0: never.
        int dropAfterMin = 0;
        int dropAfterMax = 0;
        bool splitSegments = false;
        int failPercent = 0;  // of offline fetches and acknowledgements, answered with 500
        int ackDelayMs = 0;
        // Each writing of the messages file waits this long first, as on a slow disk.
        int fileDelayMs = 0;
        int redeliverMs = 2000;  // an unacknowledged packet goes out again on the stream
        quint32 seed = 1;
    };

    // Chunks of one open stream.
    class Stream : public ChunkSource {
    public:
        Stream(MessagingServer& server, qint64 userId, quint32 seed);
        ~Stream() override;
        Stream(const Stream&) = delete;
        Stream& operator=(const Stream&) = delete;
        QList<QByteArray> take() override;
        bool shouldDrop() override;
        bool waitForChunks(int milliseconds) override;

    private:
        MessagingServer& server_;
        qint64 userId_;
        std::mt19937 random_;
        std::size_t commandsSeen_ = 0;
        int segments_ = 0;
        int dropAfter_ = 0;
        int dropGeneration_ = 0;
    };

    MessagingServer() = default;

    // Answers the message API and the streams of users.
    void install(Endpoints& endpoints);
    // "/__control/im/...": write, messages, faults; nullopt for another control. A write that
    // names no "root" takes `root`, the server's root as the caller reached it, so that its
    // pictures and voices are whole addresses.
    std::optional<std::pair<int, QJsonValue>> control(const QByteArray& what,
                                                      const QByteArray& method,
                                                      const QByteArray& query,
                                                      const QByteArray& body,
                                                      const QString& root = {});
    // Forgets every message, those the file keeps too (the ids go on).
    void reset();
    // Reads what `file` keeps (nothing when it is missing) and keeps there from now on: the
    // last message id given, so that a server restarted for the same client gives none of the
    // ids it gave before (the client keeps its messages by their ids), and the unacknowledged
    // messages of every answer, which go out again, under their ids and at their times, once
    // the server is started again, whether or not any of them went out before. A change is
    // on file before the call that made it answers, and before a stream or a fetch carries
    // the message it writes (KeptJournal: a line of a journal beside the file, not the whole
    // file). The temporary files that a kill while writing left beside the file go first.
    // False when the file holds something else (it is then left alone and not written).
    bool keepIn(const QString& file);
    // The answers some of whose messages are not acknowledged yet.
    [[nodiscard]] std::set<QString> heldAnswers() const;

    // Has the sample broker write `count` messages of a kind to `userId`; their ids. Beside
    // the control call's fields an order may give the message's `contents` (a contents
    // array) and `delayMs`, the real time before the user's streams and offline fetches see
    // it, so that an answer arrives a moment after what it answers, and `answer`, a name the
    // messages of one answer share: on a server that keeps a file they outlive its stops
    // until the user's client has acknowledged them (a message of no answer does not).
    QList<qint64> write(const QJsonObject& order);

    // Hears every packet a client sent and had accepted, with the root URL (ChatBroker).
    using SentHook = std::function<void(const QJsonObject& packet, const QByteArray& root)>;
    void setSentHook(SentHook hook) { sentHook_ = std::move(hook); }
    // Hears each packet (its body) a stream or an offline fetch carries to its user, again
    // each time it is carried again, outside the lock (NeedReplies: who answered a need as
    // the user sees it). Set before the server starts.
    using CarriedHook = std::function<void(const QJsonObject& packet)>;
    void setCarriedHook(CarriedHook hook) { carriedHook_ = std::move(hook); }
    // Called once keepIn has read the file, outside the lock (NeedReplies: the answers the
    // kept needs are still owed). Set before keepIn.
    using KeptHook = std::function<void()>;
    void setKeptHook(KeptHook hook) { keptHook_ = std::move(hook); }

private:
    struct Packet {
        qint64 sequence = 0;
        qint64 userId = 0;
        QList<qint64> pendingIds;
        QJsonObject body;
        QByteArray text;  // the body as sent, which a "nestDepth" order writes past it
        QByteArray segment;
        QStringList talkIds;
        qint64 sentAtMs = 0;     // when a stream last carried it; 0: never
        qint64 notBeforeMs = 0;  // no stream or fetch carries it before then
        QString answer;          // the answer it is part of; empty: none

        // The packet as the file keeps it, and back; nullopt for an entry that is no packet.
        [[nodiscard]] QJsonObject toKept() const;
        [[nodiscard]] static std::optional<Packet> fromKept(const QJsonObject& kept);
    };

    Reply messageApi(const RecordedRequest& request, const QByteArray& root);
    Reply sendmsg(const RecordedRequest& request, const QByteArray& root);
    Reply offline(const RecordedRequest& request);
    Reply acknowledge(const RecordedRequest& request);
    // Whether a fetch may carry the packet now: its time has come and it is on file. The
    // caller holds the lock.
    [[nodiscard]] bool ready(const Packet& packet, qint64 nowMs) const;
    // Whether a stream is to carry the packet now: ready, and never sent or not acknowledged
    // for a while. The caller holds the lock.
    [[nodiscard]] bool due(const Packet& packet, qint64 nowMs) const;
    bool failNow();
    // Tells the carried hook of the packets carried; without the lock.
    void tellCarried(const std::vector<QJsonObject>& packets) const;
    // What the file keeps now, as a whole; the caller holds the lock.
    [[nodiscard]] QJsonObject keptWhole() const;
    // Queues a change of what the file keeps (a line of the journal), then what it keeps as a
    // whole once the journal has grown past it; the caller holds the lock and has made the
    // change among the packets already, so that the whole takes it in.
    void keepChange(const QJsonObject& change);
    // Writes the queued changes to the file, then lets streams and fetches carry the
    // messages they wrote; without the lock.
    void writeKept();

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    Faults faults_;
    std::mt19937 random_{1};
    std::map<qint64, Packet> packets_;  // unacknowledged, by sequence
    qint64 onFileSequence_ = 0;         // the packets up to this sequence are on file (if any)
    std::map<qint64, std::vector<qint64>> sent_;          // every message id written, by user
    std::map<qint64, std::vector<QByteArray>> commands_;  // command segments, by user
    int dropGeneration_ = 0;                              // raised to break off every open stream
    std::map<qint64, int> openStreams_;                   // streams being served, by user
    qint64 lastStreamUser_ = 0;                           // the user who opened a stream last
    qint64 lastSequence_ = 0;
    qint64 lastMessageId_ = 0;
    KeptJournal kept_;
    // What the clients made of it, for "im/counters".
    qint64 acknowledgeCalls_ = 0;
    qint64 acknowledgedIds_ = 0;  // ids named in them, each time named
    qint64 carried_ = 0;          // packets streams carried, a packet each time sent again
    SentHook sentHook_;
    CarriedHook carriedHook_;
    KeptHook keptHook_;
};

}  // namespace standin
