#pragma once

#include "IMChat/qximlib/CometScriptCutter.h"
#include "IMChat/qximlib/QXIMAcknowledgements.h"
#include "IMChat/qximlib/QXIMDatabase.h"
#include "IMChat/qximlib/QXIMMessage.h"
#include "IMChat/qximlib/QXIMOnlineScriptParser.h"
#include "IMChat/qximlib/QXIMPacketReader.h"

#include "platform/foundation/clock.h"
#include "platform/foundation/concurrent_queue.h"
#include "platform/foundation/timer.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

class QXIMOnlineReceiver;
class QXIMOfflineReceiver;
class QXIMessageAck;
class QXIMSender;

// A plug-in of the messaging service: each hook it sets is called on the service's queue
// (never the main thread, which may be waiting for the service); a plug-in that touches
// the screens posts itself to the main queue.
struct QXIMServiceObserver {
    // True when the plug-in has handled the received message: it is then not stored, and
    // counts against the stream's bound as a message that stores nothing does.
    std::function<bool(const QVariantMap& message)> parseMessage;
    // A packet without a post; when a plug-in has this hook the packet is its to handle (and it
    // stores nothing).
    std::function<void(const QVariantMap& packet)> parseMakeLoveMessage;
    // Visitor data ("recvData").
    std::function<void(const QVariant& data)> parseVisitorMessage;
    // A talk started, or a packet about another post than the talk's: may put messages
    // in front of the stored ones (`container`).
    std::function<void(const QXIMMessage& last, QList<QXIMMessage>& container)>
        receivedDifferentPostMessage;
};

// The messaging engine: for the current messaging user it keeps the streaming receive
// open, watches it with a heartbeat on the one clock (reconnecting and fetching what was
// missed after 65 s without a heartbeat), stores received packets before acknowledging
// them, sends messages and confirms or fails them, and tells the screens by notifications
// posted to the main queue (QXIMNotifications.h). A stream given up (a segment past
// CometScriptCutter::kMostSegmentBytes, or kMostUndeliveredBytes that deliver no segment, the
// segments set aside and those that store nothing among them, packets that waited to be stored
// counted until they stored a message not stored before) is closed and opened again,
// with the fetch of what it missed, after a pause on the one clock that grows while it happens
// again: heartbeats between its filler, or carrying it, do not keep it open.
//
// Threads: stream chunks, segments, packets and offline replies are handled on the
// service's serial queue; start, userChanged and cancelRecConnect may be called from any
// thread; the heartbeat timer fires on the main thread. The service never waits for the
// main thread.
class QXIMService : public std::enable_shared_from_this<QXIMService> {
public:
    static constexpr auto kHeartbeatInterval = std::chrono::seconds(60);
    static constexpr auto kHeartbeatTimeout = std::chrono::seconds(65);
    // The pause before a stream given up is opened again: the first one, then twice the one
    // before, up to the longest, while each stream is given up before it delivered segments
    // for the longest pause. A server that gives every stream up (a heartbeat, then filler, say)
    // costs a second or so of reading a minute, and what it missed comes with each new stream's
    // fetch. After a stream that was not given up (the server ended it, the heartbeat or the
    // user opened another), or one that delivered segments for the longest pause, the first
    // pause comes again. The longest stays within the heartbeat's timeout, which counts from
    // the stream given up: the pause, not the heartbeat, decides when the stream reopens.
    static constexpr auto kFirstReopenPause = std::chrono::seconds(2);
    static constexpr auto kLongestReopenPause = std::chrono::seconds(60);
    static_assert(kLongestReopenPause < kHeartbeatTimeout);
    static inline const QString kNoPostId = QStringLiteral("0_0_1000_0");
    static inline const QString kForceOffCommand = QStringLiteral("FORCEOFF");
    // Stream packets stored in one transaction at most: a burst reaches the screens, and its
    // acknowledgements the server, in steps of this many.
    static constexpr qsizetype kStoreBatch = 500;
    // While this many stream packets, or packets cut from this many bytes of segments, wait
    // to be stored, the stream is not read on: a server faster than the store is held back
    // by the connection's flow control, and what waits stays bounded. Two batches: the next
    // transaction is always ready while one is written.
    static constexpr qsizetype kMostPacketsWaiting = 2 * kStoreBatch;
    static constexpr qsizetype kMostPacketBytesWaiting = 16 * 1024 * 1024;
    // What a stream segment set aside counts at least against the stream's bytes that deliver
    // no segment (CometScriptCutter::kMostUndeliveredBytes): reading, logging and acknowledging
    // a short one costs what reading tens of kilobytes of filler does, so that a flood of short
    // packets set aside gives its stream up after some 2,000 of them (a real stream sets aside
    // one now and then) rather than after 200,000 and minutes of a core.
    static constexpr qsizetype kLeastSetAsideSegmentBytes = 16 * 1024;
    // A segment that stores nothing (a heartbeat, a command the app does not act on, visitor
    // data, a copy of a packet that waits, a packet that stores no message not stored before:
    // with no messages, none of this user's, none with contents or a positive id, only copies
    // of stored ones) counts against the same bound, whole and at least
    // this much, the white space after it too: an honest one comes every 30 s or so and holds
    // some 100 bytes, so that a stream of them lives for days, while heartbeats carrying
    // filler, or sent without pause, give their stream up within 32 MB. It is also the most an
    // honest one holds, without the white space it is padded with: a longer one neither resets
    // the heartbeat's clock, a heartbeat, nor counts as delivering for the reopen pause.
    static constexpr qsizetype kLongestQuietSegmentBytes = 1024;

    // The service, made and started on first use for the current messaging user. Throws
    // std::invalid_argument when the client constants the library needs are unset.
    static std::shared_ptr<QXIMService> shared();
    // The service when it has been started; none otherwise.
    static std::shared_ptr<QXIMService> sharedIfStarted();
    // Stops and drops the service (the next shared() starts a new one); see stop().
    static void forceRelease();

    ~QXIMService();
    QXIMService(const QXIMService&) = delete;
    QXIMService& operator=(const QXIMService&) = delete;

    // Stops for good, when the process ends: the stream closes at once and the heartbeat
    // reconnects no more; the transaction under way is finished (its packets acknowledged),
    // and then nothing more is stored, so that the store may close once this returns. What
    // waits to be stored is neither stored nor acknowledged: the server sends it again. From
    // any thread; off the service's queue it waits for that queue.
    void stop();

    // Restarts everything for the current messaging user when it is another one than the
    // one listened to: store, stream, heartbeat, offline fetch.
    void userChanged();
    // Stops the stream open now (only that one).
    void cancelRecConnect();
    // The timer's check: reconnects and fetches what was missed when no heartbeat came for
    // more than 65 s, unless held offline.
    void heartbeat();
    void setNoKeepOnline(bool noKeepOnline) { noKeepOnline_ = noKeepOnline; }
    [[nodiscard]] bool noKeepOnline() const { return noKeepOnline_; }
    void receiveOfflineMessages();
    [[nodiscard]] qint64 curListenUserid() const { return curListenUserid_; }

    // Plug-ins are held weakly.
    void addObserver(const std::shared_ptr<QXIMServiceObserver>& observer);
    void removeObserver(const std::shared_ptr<QXIMServiceObserver>& observer);
    // The script parser; a plug-in may widen its keys and stand in front of the service's
    // own handling (which it then calls through parserResult()). A segment of the stream that
    // the plug-in handles itself stores nothing: it counts against the stream's bound as a
    // heartbeat does.
    [[nodiscard]] QXIMOnlineScriptParser& scriptParser() { return scriptParser_; }
    // The service's handling of one parsed segment.
    void parserResult(const QVariant& result, const QString& key,
                      const std::optional<ns::Error>& error);

    // Sends a complete-message text for the stored local rows it carries; the rows become
    // sent (kIMRecieveNotification with {"m_sid"}) or failed (kIMSendErrorNotification).
    void sendTextMessage(const QString& completeMessage, qint64 localId);
    void sendTextMessage(const QString& completeMessage, const QList<qint64>& localIds);

    // Stores one received packet (on the service queue) and acknowledges it once stored;
    // with `notify` the screens are told. Stored messages and the talk row are appended to
    // the containers when given.
    void saveMessages(const QVariantMap& packet, bool notify,
                      QList<QXIMMessage>* messagesContainer = nullptr,
                      QVariantList* talksContainer = nullptr);
    // What a received packet holds for user `me`: the rows to store, or none when it holds
    // nothing to keep; a packet without rows is acknowledged all the same when it belongs
    // to no talk or holds only what the plug-ins took, never when it is another user's.
    // A packet the store cannot keep whole (a part nested deeper than the JSON writer
    // goes) is set aside: no rows, acknowledged, and the reason says why.
    // A message from the server without a positive id is set aside too: the store could not
    // tell its copies apart, and would keep one row more for every copy. A message a plug-in
    // takes is neither stored nor set aside.
    struct PacketReading {
        std::optional<QXIMDatabase::ReceivedPacket> rows;
        bool acknowledgeAnyway = false;
        QString setAsideReason;
        // The ids of the messages set aside, each as the packet holds it (its JSON text, or
        // kNoMessageId): all of the packet's when the whole packet is.
        QStringList setAsideIds;
    };
    static inline const QString kNoMessageId = QStringLiteral("(none)");
    [[nodiscard]] static PacketReading readPacket(
        const QVariantMap& packet, qint64 me,
        const std::vector<std::shared_ptr<QXIMServiceObserver>>& plugIns);

    // Handles the reply of an offline fetch (on the service queue), and the packets of it
    // that could not be read: they are set aside, and the ids they name acknowledged.
    void offlineMessage(const QVariant& reply, const QXIMPacketReader::Refused& refused = {});
    // Handles one chunk of the stream (on the service queue), which came in `framingChunks`
    // chunks of the reply's framing (CometScriptCutter::chargeChunks()). A segment too long to
    // be kept whole is read as it comes, its long strings cut (QXIMOnlineScriptParser); one
    // given up closes the stream, which opens again after a pause.
    void onlineMessage(const QByteArray& chunk, qint64 framingChunks = 0);
    // The pause before a stream given up is opened again, when the pause before was `previous`
    // (none: zero) and the stream delivered segments for `delivering` (from its opening to the
    // last segment it delivered).
    [[nodiscard]] static ns::Duration nextReopenPause(ns::Duration previous,
                                                      ns::Duration delivering);

    // When the last heartbeat segment (or connection) was, on the clock's uptime.
    [[nodiscard]] ns::Duration lastHeartbeatTime() const {
        return ns::Duration(lastHeartbeat_.load());
    }
    [[nodiscard]] std::shared_ptr<ns::SerialQueue> queue() const { return queue_; }
    [[nodiscard]] QByteArray subDataString() const;

protected:
    QXIMService();

private:
    void start();
    // Opens the stream: again after a pause when the one before was given up, anew otherwise
    // (the pause starts again from the first).
    enum class Opening { Anew, AfterGivingUp };
    void openConnection(qint64 userId, Opening opening = Opening::Anew);
    // Closes the stream whose segment was given up and opens it again after a pause.
    void reopenAfterPause();
    void markHeartbeat();
    // Hands a whole segment, or the last piece of one, to the script parser, and counts it as
    // one that stores nothing when nothing reached parserResult().
    void parseSegment(const std::function<void()>& parse);
    // A segment that stores nothing counts its bytes (at least kLongestQuietSegmentBytes)
    // against the stream's bound, unless it was `queued` to be stored (charged until then);
    // one of an honest size tells that the stream is healthy.
    void countSegment(bool queued);
    // Runs `work` on the service queue: at once when already there.
    void onQueue(std::function<void()> work);
    [[nodiscard]] std::vector<std::shared_ptr<QXIMServiceObserver>> observers() const;
    // An idle acknowledgement sender of the pool (a new one when all are busy), from any
    // thread.
    std::shared_ptr<QXIMessageAck> getIdleAckMessNet();
    // Owes the server the acknowledgement of the packet's messages, for both its talk ids.
    void acknowledge(const QVariantMap& packet);
    // Reads a received packet into the rows to store; none when there is nothing to store
    // (what needs an acknowledgement all the same has had it).
    std::optional<QXIMDatabase::ReceivedPacket> preparePacket(const QVariantMap& packet);
    // Stores packets in one transaction, then acknowledges each and, with `notify`, tells the
    // screens of all of them in one notification. Returns for each packet whether it delivered:
    // stored a message not stored before. One whose messages a plug-in took stores nothing.
    std::vector<bool> savePackets(const QList<QVariantMap>& packets, bool notify,
                                  QList<QXIMMessage>* messagesContainer,
                                  QVariantList* talksContainer);
    // Packets of the stream wait for the chunks already queued, to be stored with them, at
    // most kStoreBatch in one transaction; their segments are charged to the stream's bound
    // until the store tells whether they delivered. A copy the server sent again while the
    // packet waits to be stored or acknowledged is let go at once: false, it is not queued.
    bool queueStreamPacket(const QVariantMap& packet);
    void storeStreamPackets();
    // Holds the stream's reading back while too much waits to be stored, and lets it go on
    // once less does.
    void holdStreamWhileFull();
    // The ids of the packet's messages.
    [[nodiscard]] static QList<qint64> messageIdsOf(const QVariantMap& packet);
    void sendSuccess(QXIMSender& sender, const QVariant& reply);
    void sendFail(QXIMSender& sender);
    // Logs what the service cannot keep (a packet it cannot store, a segment it cannot read)
    // and lets it go, in lines of bounded length; what comes again is logged once.
    void setAside(const QString& reason, const QVariantMap& packet, const QStringList& ids);
    void setAside(const QString& reason, const QString& key, const QString& text);
    // Where packets set aside came from: a fetch logs what it sets aside in a few lines, a
    // stream in a few lines for all its segments, then a line of counts when it closes.
    enum class Road { Fetch, Stream };
    // Sets aside the packets of a fetch or a segment that could not be read: acknowledges the
    // ids they name, and logs in a line for each outcome (acknowledged, ids not kept, naming
    // nothing) what they were.
    void setAsideUnread(const QXIMPacketReader::Refused& refused, Road road);
    // Whether `key` is new among the texts set aside lately; remembers it.
    bool remember(size_t key);
    // Whether a line may still tell of what was set aside: always for a fetch, for the first
    // few segments of a stream.
    bool mayLog(Road road);
    // Logs once that acknowledgements were let go past their bound.
    void logLetGo();
    // Logs what the stream open now set aside beyond its lines, as it closes.
    void closeStreamLog();

    std::shared_ptr<ns::SerialQueue> queue_;
    QXIMDatabase& database_;
    QXIMOnlineScriptParser scriptParser_;
    CometScriptCutter cutter_;
    std::unique_ptr<QXIMOnlineReceiver> receiver_;
    std::unique_ptr<QXIMOfflineReceiver> offlineReceiver_;
    std::mutex ackPoolMutex_;
    std::vector<std::shared_ptr<QXIMessageAck>> ackPool_;
    QXIMAcknowledgements acknowledgements_;
    // A stream packet waiting to be stored, with the bytes of the segment it was cut from, and
    // what that segment was charged to the stream's bound until the store tells whether it
    // delivered.
    struct WaitingPacket {
        QVariantMap packet;
        qsizetype bytes = 0;
        CometScriptCutter::Charge charge = 0;
    };
    QList<WaitingPacket> streamPackets_;
    qsizetype streamPacketBytes_ = 0;
    bool streamHeld_ = false;
    // The bytes of the segment being handled: a whole one's, or at most what one read in
    // pieces keeps.
    qsizetype segmentBytes_ = 0;
    // The message ids of `streamPackets_`, each with the number of packets naming it.
    QHash<qint64, int> idsToStore_;
    bool storeQueued_ = false;
    QSet<size_t> setAsideSeen_;
    // What the stream open now set aside, and what became of the acknowledgements: the
    // segments, the lines that told of them, and the ids let go before it opened.
    struct StreamSetAside {
        qint64 segments = 0;
        int lines = 0;
        qint64 letGoBefore = 0;
        bool letGoLogged = false;
    };
    StreamSetAside streamSetAside_;
    // The bytes of the segment being read, whole or in pieces so far: a segment set aside
    // counts them as delivering nothing.
    qsizetype segmentRead_ = 0;
    // The white space the segment being handled ends with (none for one read in pieces).
    qsizetype segmentSpace_ = 0;
    // parserResult() has counted the segment being handled against the stream's bound.
    bool segmentCounted_ = false;
    std::shared_ptr<ns::Timer> heartbeatTimer_;
    // When the stream was opened and when it last delivered a segment, on the clock's uptime,
    // and the pause before the last reopening of a stream given up (on the service queue).
    ns::Duration streamOpenedAt_{0};
    ns::Duration lastDeliveredAt_{0};
    ns::Duration reopenPause_{0};
    std::atomic<qint64> lastHeartbeat_{0};
    std::atomic<qint64> curListenUserid_{0};
    std::atomic<bool> noKeepOnline_{false};
    std::atomic<bool> stopped_{false};
    mutable std::mutex observersMutex_;
    std::vector<std::weak_ptr<QXIMServiceObserver>> observers_;
};
