#include "IMChat/qximlib/QXIMService.h"

#include "IMChat/qximlib/QXIMNotifications.h"
#include "IMChat/qximlib/QXIMOfflineReceiver.h"
#include "IMChat/qximlib/QXIMOnlineReceiver.h"
#include "IMChat/qximlib/QXIMSender.h"
#include "IMChat/qximlib/QXIMUser.h"
#include "IMChat/qximlib/QXIMessageAck.h"

#include "net/QXIMConstantManager.h"
#include "net/transport/Json.h"
#include "util/categories/Tolerant.h"

#include "platform/foundation/notification_center.h"

#include <QUuid>

#include <algorithm>

namespace {

std::mutex sharedMutex;
std::shared_ptr<QXIMService> sharedService;

const QString kRecvMsg = QStringLiteral("recvMsg");
const QString kRecvData = QStringLiteral("recvData");
const QString kCommand = QStringLiteral("command");
const QString kHeartbeat = QStringLiteral("recvHeartbeatMsg");
void postOnMain(const QString& name, const QVariantMap& userInfo = {}, std::any object = {}) {
    ns::NotificationCenter::defaultCenter().postOnMainQueue(
        ns::Notification{.name = name, .object = std::move(object), .userInfo = userInfo});
}

qint64 now() {
    return ns::Clock::shared().uptime().count();
}

}  // namespace

std::shared_ptr<QXIMService> QXIMService::shared() {
    const std::lock_guard lock(sharedMutex);
    if (!sharedService) {
        struct Made : QXIMService {};
        auto service = std::make_shared<Made>();
        service->start();
        sharedService = std::move(service);
    }
    return sharedService;
}

std::shared_ptr<QXIMService> QXIMService::sharedIfStarted() {
    const std::lock_guard lock(sharedMutex);
    return sharedService;
}

void QXIMService::forceRelease() {
    std::shared_ptr<QXIMService> service;
    {
        const std::lock_guard lock(sharedMutex);
        service = std::move(sharedService);
    }
    if (!service) return;
    qInfo("Force release QXIMService");
    service->stop();
}

void QXIMService::stop() {
    stopped_ = true;
    noKeepOnline_ = true;
    // At once, not behind a store under way: no more comes meanwhile.
    receiver_->cancel();
    // Behind the transaction under way: a reconnection queued before the stop is closed, and
    // the packets that wait are let go.
    queue_->sync([this] {
        receiver_->cancel();
        closeStreamLog();
        // Such a reconnection keeps the connection again: no tick may reconnect after the stop.
        noKeepOnline_ = true;
        streamPackets_.clear();
        streamPacketBytes_ = 0;
        idsToStore_.clear();
    });
}

QXIMService::QXIMService()
    : queue_(std::make_shared<ns::SerialQueue>(
          QStringLiteral("QXIMService.%1")
              .arg(QUuid::createUuid().toString(QUuid::WithoutBraces)))),
      database_(QXIMDatabase::shared()),
      scriptParser_({kRecvMsg, kRecvData, kCommand, kHeartbeat}),
      cutter_(
          [this](QByteArrayView segment) {
              // A whole segment is whole UTF-8; one that is not cannot be read.
              if (!segment.isValidUtf8()) {
                  segmentRead_ = segment.size();
                  parserResult(QVariant(), QString(),
                               ns::Error(QXIMOnlineScriptParser::kErrorDomain, -1));
                  return;
              }
              segmentBytes_ = segment.size();
              segmentRead_ = segment.size();
              segmentSpace_ = CometScriptCutter::trailingSpace(segment);
              parseSegment([&] { scriptParser_.parseScriptText(QString::fromUtf8(segment)); });
          },
          [this](QByteArrayView bytes, CometScriptCutter::Piece piece) {
              segmentBytes_ = CometScriptCutter::kMaxSegment;
              segmentRead_ =
                  (piece == CometScriptCutter::Piece::First ? 0 : segmentRead_) + bytes.size();
              segmentSpace_ = 0;
              // The parser hands a segment in pieces over at its last piece.
              if (piece == CometScriptCutter::Piece::Last) {
                  parseSegment([&] { scriptParser_.readPiece(bytes, piece); });
              } else {
                  scriptParser_.readPiece(bytes, piece);
              }
          }),
      acknowledgements_([this](const QString& talkId, const QStringList& ids,
                               std::function<void(bool)> done) {
          // The reply is taken where it arrives, not behind the stream's chunks.
          getIdleAckMessNet()->ackRecvMess(
              talkId, ids, [weak = weak_from_this(), done = std::move(done)](bool acknowledged) {
                  if (const auto self = weak.lock()) done(acknowledged);
              });
      }) {
    scriptParser_.setReslutTypes({{kRecvMsg, QXIMOnlineScriptParser::kJsonResult},
                                  {kRecvData, QXIMOnlineScriptParser::kJsonResult}});
}

QXIMService::~QXIMService() {
    if (heartbeatTimer_) heartbeatTimer_->invalidate();
    if (receiver_) receiver_->cancel();
    // The last owner may let go on the service queue itself, which cannot wait for itself
    // to stop: another queue lets the service queue go once this block has finished.
    if (queue_->isCurrent()) ns::DispatchQueue::global()->async([queue = std::move(queue_)] {});
}

void QXIMService::start() {
    QXIMConstantManager::share().isRequireParamNoNull();
    const qint64 userId = QXIMUser::shared().userId();
    curListenUserid_ = userId;
    database_.openDatabase(QString::number(userId));
    const std::weak_ptr<QXIMService> weak = weak_from_this();
    scriptParser_.setDelegate(
        [weak](const QVariant& result, const QString& key, const std::optional<ns::Error>& error) {
            if (const auto self = weak.lock()) self->parserResult(result, key, error);
        });
    queue_->sync([&] {
        database_.updateMessageSendFaild();
        receiver_ = std::make_unique<QXIMOnlineReceiver>(
            [weak](const QByteArray& chunk, qint64 framingChunks) {
                if (const auto self = weak.lock()) self->onlineMessage(chunk, framingChunks);
            });
    });
    // As on every (re)connection, the fetch goes out before the stream.
    receiveOfflineMessages();
    queue_->sync([&] {
        openConnection(userId);
        noKeepOnline_ = false;
        markHeartbeat();
    });
    heartbeatTimer_ = ns::Timer::scheduledTimer(kHeartbeatInterval, true, [weak](ns::Timer&) {
        if (const auto self = weak.lock()) self->heartbeat();
    });
}

void QXIMService::onQueue(std::function<void()> work) {
    if (queue_->isCurrent()) {
        work();
        return;
    }
    queue_->async([weak = weak_from_this(), work = std::move(work)] {
        if (const auto self = weak.lock()) work();
    });
}

void QXIMService::markHeartbeat() {
    lastHeartbeat_ = now();
}

void QXIMService::parseSegment(const std::function<void()>& parse) {
    segmentCounted_ = false;
    parse();
    if (!segmentCounted_) countSegment(false);
}

void QXIMService::countSegment(bool queued) {
    segmentCounted_ = true;
    if (segmentRead_ - segmentSpace_ <= kLongestQuietSegmentBytes)
        lastDeliveredAt_ = ns::Clock::shared().uptime();
    if (!queued) cutter_.setAside(std::max(segmentRead_, kLongestQuietSegmentBytes));
}

void QXIMService::openConnection(qint64 userId, Opening opening) {
    closeStreamLog();
    cutter_.reset();
    if (opening == Opening::Anew) reopenPause_ = ns::Duration(0);
    streamOpenedAt_ = ns::Clock::shared().uptime();
    lastDeliveredAt_ = streamOpenedAt_;
    // The packets still waiting hold the new stream back as they held the old one.
    receiver_->createReceiveConnection(userId, queue_);
}

void QXIMService::userChanged() {
    const qint64 userId = QXIMUser::shared().userId();
    bool changed = false;
    // Compared on the queue, where a cancel asked for just before has run (it forgets the
    // user listened to): a restart right after a cancel must not be taken for no change.
    queue_->sync([&] {
        if (userId == curListenUserid_) return;
        changed = true;
        database_.updateMessageSendFaild();
        receiver_->cancel();
        database_.openDatabase(QString::number(userId));
        curListenUserid_ = userId;
        offlineReceiver_.reset();
    });
    if (!changed) return;
    receiveOfflineMessages();
    // The fetch goes out before the new stream: a request queued right behind the opening
    // of a stream that replaces a cancelled one was seen to wait for ever.
    queue_->sync([&] {
        openConnection(userId);
        noKeepOnline_ = false;
        markHeartbeat();
    });
}

void QXIMService::cancelRecConnect() {
    // Queued work runs in order: a cancel reaches the stream that was open when it was
    // asked for, never one opened after it.
    onQueue([this] {
        receiver_->cancel();
        curListenUserid_ = 0;
    });
}

void QXIMService::heartbeat() {
    if (noKeepOnline_) return;
    if (ns::Duration(now() - lastHeartbeat_.load()) <= kHeartbeatTimeout) return;
    markHeartbeat();
    // Looked at again on the queue: a FORCEOFF or a stop handled since the check above means
    // the connection is no longer kept, and nothing of it may open again.
    onQueue([this] {
        if (noKeepOnline_) return;
        receiver_->cancel();
        // Fetched before the new stream opens, as on a change of user.
        receiveOfflineMessages();
        curListenUserid_ = 0;
        openConnection(QXIMUser::shared().userId());
    });
}

void QXIMService::receiveOfflineMessages() {
    onQueue([this] {
        if (!offlineReceiver_) {
            offlineReceiver_ = std::make_unique<QXIMOfflineReceiver>(
                [weak = weak_from_this()](const QVariant& reply,
                                          const QXIMOfflineReceiver::Refused& refused) {
                    if (const auto self = weak.lock()) self->offlineMessage(reply, refused);
                },
                queue_);
        }
        offlineReceiver_->getNotRecvMsgs(QXIMUser::shared().userId());
    });
}

void QXIMService::addObserver(const std::shared_ptr<QXIMServiceObserver>& observer) {
    const std::lock_guard lock(observersMutex_);
    observers_.push_back(observer);
}

void QXIMService::removeObserver(const std::shared_ptr<QXIMServiceObserver>& observer) {
    const std::lock_guard lock(observersMutex_);
    std::erase_if(observers_, [&](const auto& weak) {
        const auto held = weak.lock();
        return !held || held == observer;
    });
}

std::vector<std::shared_ptr<QXIMServiceObserver>> QXIMService::observers() const {
    // A snapshot: plug-ins may register while the service walks them.
    std::vector<std::shared_ptr<QXIMServiceObserver>> live;
    const std::lock_guard lock(observersMutex_);
    for (const auto& weak : observers_) {
        if (auto observer = weak.lock()) live.push_back(std::move(observer));
    }
    return live;
}

std::shared_ptr<QXIMessageAck> QXIMService::getIdleAckMessNet() {
    const std::lock_guard lock(ackPoolMutex_);
    for (const auto& ack : ackPool_) {
        if (!ack->isAcking()) return ack;
    }
    ackPool_.push_back(std::make_shared<QXIMessageAck>());
    return ackPool_.back();
}

QList<qint64> QXIMService::messageIdsOf(const QVariantMap& packet) {
    QList<qint64> ids;
    for (const QVariant& item : Tolerant(packet)[QStringLiteral("msgs")].toList())
        ids.append(Tolerant(item)[QStringLiteral("id")].value().toLongLong());
    return ids;
}

void QXIMService::acknowledge(const QVariantMap& packet) {
    const QList<qint64> ids = messageIdsOf(packet);
    const Tolerant talk = Tolerant(packet)[QStringLiteral("talk")];
    acknowledgements_.acknowledge(talk[QStringLiteral("toTalkId")].toString(), ids);
    acknowledgements_.acknowledge(talk[QStringLiteral("fromTalkId")].toString(), ids);
    logLetGo();
}

void QXIMService::onlineMessage(const QByteArray& chunk, qint64 framingChunks) {
    // What comes after a segment given up is not read: its stream is being closed.
    if (cutter_.givenUp()) return;
    cutter_.chargeChunks(framingChunks, chunk.size());
    cutter_.feed(chunk);
    if (cutter_.givenUp()) reopenAfterPause();
}

ns::Duration QXIMService::nextReopenPause(ns::Duration previous, ns::Duration delivering) {
    if (delivering >= kLongestReopenPause) return kFirstReopenPause;
    return std::clamp<ns::Duration>(2 * previous, kFirstReopenPause, kLongestReopenPause);
}

void QXIMService::reopenAfterPause() {
    receiver_->cancel();
    reopenPause_ = nextReopenPause(reopenPause_, lastDeliveredAt_ - streamOpenedAt_);
    markHeartbeat();
    qWarning(
        "Stream given up after %lld bytes that delivered no segment (at most %lld a "
        "stream, a segment unfinished after %lld): it opens again in %lld s",
        static_cast<long long>(cutter_.undeliveredBytes()),
        static_cast<long long>(CometScriptCutter::kMostUndeliveredBytes),
        static_cast<long long>(CometScriptCutter::kMostSegmentBytes),
        static_cast<long long>(
            std::chrono::duration_cast<std::chrono::seconds>(reopenPause_).count()));
    ns::DelayedCall::schedule(reopenPause_, [weak = weak_from_this()] {
        const auto self = weak.lock();
        if (!self) return;
        self->onQueue([service = self.get()] {
            // Not once the connection is no longer kept (forced off, stopped). A stream another
            // reconnection opened meanwhile is replaced, the fetch first as on every opening.
            if (service->noKeepOnline_) return;
            service->markHeartbeat();
            service->receiveOfflineMessages();
            service->openConnection(QXIMUser::shared().userId(), Opening::AfterGivingUp);
        });
    });
}

QByteArray QXIMService::subDataString() const {
    QByteArray tail;
    queue_->sync([&] { tail = cutter_.tail(); });
    return tail;
}

void QXIMService::parserResult(const QVariant& result, const QString& key,
                               const std::optional<ns::Error>& error) {
    if (error) {
        // A segment set aside delivers nothing: with the stream's filler it may give the stream
        // up.
        segmentCounted_ = true;
        cutter_.setAside(std::max(segmentRead_, kLeastSetAsideSegmentBytes));
        ++streamSetAside_.segments;
        // A packet that cannot be read is acknowledged when it names its ids, so that it is
        // not sent again for ever; a payload that does not decode names none: the stream
        // goes on without it.
        const QVariantMap unread = error->userInfo();
        const QVariant refused = unread.value(QXIMOnlineScriptParser::kIdsKey);
        if (unread.value(QXIMOnlineScriptParser::kKeyKey) == kRecvMsg &&
            refused.canConvert<QXIMPacketReader::Refused>()) {
            setAsideUnread(refused.value<QXIMPacketReader::Refused>(), Road::Stream);
        } else if (unread.contains(QXIMOnlineScriptParser::kPayloadKey)) {
            setAside(error->localizedDescription(),
                     unread.value(QXIMOnlineScriptParser::kKeyKey).toString(),
                     unread.value(QXIMOnlineScriptParser::kPayloadKey).toString());
        }
        return;
    }
    // Whether the segment delivered is known once its packet is stored, when it stored a
    // message not stored before: until then it is charged. A heartbeat, a command, visitor data,
    // a packet a plug-in takes and a copy of a packet that waits store nothing: their bytes
    // count with those that deliver nothing, and only one of an honest size is a heartbeat, or
    // tells that the stream is healthy.
    bool queued = false;
    const bool honest = segmentRead_ - segmentSpace_ <= kLongestQuietSegmentBytes;
    if (key == kHeartbeat) {
        if (honest) markHeartbeat();
    } else if (key == kRecvMsg) {
        postOnMain(QXIMNotifications::kStat,
                   {{QStringLiteral("statName"), QStringLiteral("im_userdetail_receive")}});
        const Tolerant packet(result);
        const Tolerant post = packet[QStringLiteral("post")];
        const bool hasPost =
            !packet[QStringLiteral("talk")][QStringLiteral("postId")].isEqualToString(kNoPostId) &&
            post.value().typeId() == QMetaType::QVariantMap &&
            !post[QStringLiteral("id")].isEqualToString(kNoPostId);
        if (hasPost) {
            queued = queueStreamPacket(result.toMap());
        } else {
            bool handled = false;
            for (const auto& observer : observers()) {
                if (!observer->parseMakeLoveMessage) continue;
                observer->parseMakeLoveMessage(result.toMap());
                handled = true;
            }
            if (handled) {
                acknowledge(result.toMap());
            } else {
                // Nobody else takes it: kept under the no-post id rather than sent again
                // and again.
                QVariantMap packetWithoutPost = result.toMap();
                packetWithoutPost.insert(QStringLiteral("post"),
                                         QVariantMap{{QStringLiteral("id"), kNoPostId}});
                queued = queueStreamPacket(packetWithoutPost);
            }
        }
    } else if (key == kRecvData) {
        for (const auto& observer : observers()) {
            if (observer->parseVisitorMessage) observer->parseVisitorMessage(result);
        }
    } else if (key == kCommand) {
        const QVariant command = result.typeId() == QMetaType::QString ? json_JSON(result) : result;
        if (Tolerant(command)[QStringLiteral("command")].isEqualToString(kForceOffCommand)) {
            noKeepOnline_ = true;
            cancelRecConnect();
        }
    }
    countSegment(queued);
    postOnMain(QXIMNotifications::kTalkInfoChange);
}
