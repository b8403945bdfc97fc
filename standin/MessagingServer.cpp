#include "standin/MessagingServer.h"

#include "standin/ChatBroker.h"
#include "standin/KeptJournal.h"
#include "standin/KeptJsonFile.h"
#include "standin/StreamSettings.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QUrlQuery>

#include <algorithm>
#include <chrono>
#include <thread>

namespace standin {

namespace {

// Where a deeply nested element goes in a packet's text.
const QByteArray kNestedMark = "@nested@";

constexpr qint64 kBrokerId = 880001;
constexpr int kMaxTalkNum = 50;

qint64 nowSeconds() {
    return QDateTime::currentSecsSinceEpoch();
}

qint64 nowMs() {
    return QDateTime::currentMSecsSinceEpoch();
}

QString queryValue(const QByteArray& query, const QString& name) {
    return QUrlQuery(QString::fromLatin1(query)).queryItemValue(name, QUrl::FullyDecoded);
}

// `text` (or "长" when it is empty) repeated to `bytes` bytes of UTF-8, no character cut.
QString textOfBytes(const QString& text, qint64 bytes) {
    const QByteArray unit = (text.isEmpty() ? QStringLiteral("长") : text).toUtf8();
    QByteArray filled;
    filled.reserve(bytes + unit.size());
    while (filled.size() < bytes) filled += unit;
    filled.truncate(bytes);
    // A character cut at the end is left out.
    while (!filled.isEmpty() && !filled.isValidUtf8()) filled.chop(1);
    return QString::fromUtf8(filled);
}

QString talkId(qint64 other, qint64 own) {
    return QStringLiteral("%1-%2").arg(other).arg(own);
}

// Contents holding the one element `element`. Spelt out through a value: a braced list
// holding just one array is a copy of that array to some compilers and a list of one
// element to others.
QJsonArray oneElement(const QJsonArray& element) {
    return QJsonArray{QJsonValue(element)};
}

// The contents of a sample message of `kind`.
QJsonArray contentsOf(const QString& kind, const QString& text, const QString& root) {
    const QString picture = root + QStringLiteral("/img/chat/1.jpg");
    if (kind == "picture") {
        return oneElement(QJsonArray{"pic", QJsonObject{{"pic_url", picture}, {"success", "1"}},
                                     QStringLiteral("有图片%1").arg(picture)});
    }
    if (kind == "voice") {
        const QString voice = root + QStringLiteral("/img/test/voice.amr");
        return oneElement(QJsonArray{"sound", QJsonObject{{"src", voice}, {"duration", 3}},
                                     QStringLiteral("有语音%1").arg(voice)});
    }
    if (kind == "card") {
        const QJsonObject card = ChatBroker::cardData(root);
        return oneElement(QJsonArray{"url", card, card.value("title").toString()});
    }
    if (kind == "notice") {
        return oneElement(QJsonArray{"notice",
                                     QJsonObject{{"type", text == "block" ? "block" : "normal"}},
                                     "该经纪人已被屏蔽"});
    }
    return {text};
}

}  // namespace

MessagingServer::Stream::Stream(MessagingServer& server, qint64 userId, quint32 seed)
    : server_(server), userId_(userId), random_(seed) {
    const std::lock_guard lock(server_.mutex_);
    commandsSeen_ = server_.commands_[userId_].size();
    dropGeneration_ = server_.dropGeneration_;
    ++server_.openStreams_[userId_];
    server_.lastStreamUser_ = userId_;
    const Faults& faults = server_.faults_;
    if (faults.dropAfterMax > 0) {
        std::uniform_int_distribution<int> drop(std::max(faults.dropAfterMin, 1),
                                                faults.dropAfterMax);
        dropAfter_ = drop(random_);
    }
}

MessagingServer::Stream::~Stream() {
    const std::lock_guard lock(server_.mutex_);
    --server_.openStreams_[userId_];
}

QList<QByteArray> MessagingServer::Stream::take() {
    QList<QByteArray> segments;
    std::vector<QJsonObject> carried;
    bool split = false;
    {
        const std::lock_guard lock(server_.mutex_);
        split = server_.faults_.splitSegments;
        const auto& commands = server_.commands_[userId_];
        while (commandsSeen_ < commands.size()) segments.append(commands[commandsSeen_++]);
        const qint64 now = nowMs();
        for (auto& [sequence, packet] : server_.packets_) {
            if (packet.userId != userId_ || !server_.due(packet, now)) continue;
            packet.sentAtMs = now;
            segments.append(packet.segment);
            ++server_.carried_;
            carried.push_back(packet.body);
        }
    }
    server_.tellCarried(carried);
    segments_ += static_cast<int>(segments.size());
    if (!split) return segments;
    QList<QByteArray> chunks;
    for (const QByteArray& segment : segments) {
        // Anywhere, inside a character too: the client must put the pieces together.
        std::uniform_int_distribution<qsizetype> at(1, segment.size() - 1);
        const qsizetype cut = at(random_);
        chunks.append(segment.left(cut));
        chunks.append(segment.mid(cut));
    }
    return chunks;
}

bool MessagingServer::Stream::shouldDrop() {
    const std::lock_guard lock(server_.mutex_);
    return (dropAfter_ > 0 && segments_ >= dropAfter_) ||
           dropGeneration_ != server_.dropGeneration_;
}

bool MessagingServer::Stream::waitForChunks(int milliseconds) {
    std::unique_lock lock(server_.mutex_);
    const auto ready = [&] {
        if (commandsSeen_ < server_.commands_[userId_].size()) return true;
        if (dropGeneration_ != server_.dropGeneration_) return true;
        const qint64 now = nowMs();
        return std::any_of(
            server_.packets_.begin(), server_.packets_.end(), [&](const auto& entry) {
                return entry.second.userId == userId_ && server_.due(entry.second, now);
            });
    };
    return server_.changed_.wait_for(lock, std::chrono::milliseconds(milliseconds), ready);
}

void MessagingServer::install(Endpoints& endpoints) {
    endpoints.addRoute(paths::kMessageApi,
                       [this](const RecordedRequest& request, const QByteArray& root) {
                           return std::optional<Reply>(messageApi(request, root));
                       });
    endpoints.addRoute(
        paths::kStreamReceive, [this](const RecordedRequest& request, const QByteArray&) {
            bool valid = false;
            const qint64 userId = queryValue(request.query, "userid").toLongLong(&valid);
            Reply reply = Reply::text({}, "text/html; charset=utf-8");
            reply.streamed = true;
            if (valid && userId > 0) {
                quint32 seed = 0;
                {
                    const std::lock_guard lock(mutex_);
                    seed = random_();
                }
                reply.source = std::make_shared<Stream>(*this, userId, seed);
            }
            return std::optional<Reply>(std::move(reply));
        });
}

Reply MessagingServer::messageApi(const RecordedRequest& request, const QByteArray& root) {
    const QString op = queryValue(request.query, "op");
    if (op == "sendmsg") return sendmsg(request, root);
    if (op == "getnotrecvmsgs") return offline(request);
    if (op == "ackrecvmsg") return acknowledge(request);
    return Reply::json(QJsonObject{{"error_msg", QStringLiteral("unknown op %1").arg(op)}});
}

bool MessagingServer::ready(const Packet& packet, qint64 nowMs) const {
    // A message goes out once it is on file: a stop then gives none of its id again.
    return nowMs >= packet.notBeforeMs && packet.sequence <= onFileSequence_;
}

bool MessagingServer::due(const Packet& packet, qint64 nowMs) const {
    if (!ready(packet, nowMs)) return false;
    return packet.sentAtMs == 0 || nowMs - packet.sentAtMs >= faults_.redeliverMs;
}

bool MessagingServer::failNow() {
    const std::lock_guard lock(mutex_);
    if (faults_.failPercent <= 0) return false;
    return std::uniform_int_distribution<int>(0, 99)(random_) < faults_.failPercent;
}

void MessagingServer::tellCarried(const std::vector<QJsonObject>& packets) const {
    if (!carriedHook_) return;
    for (const QJsonObject& packet : packets) carriedHook_(packet);
}

Reply MessagingServer::sendmsg(const RecordedRequest& request, const QByteArray& root) {
    const QJsonDocument document = QJsonDocument::fromJson(request.body);
    const QJsonObject sent = document.object();
    if (!document.isObject() || !sent.value("fromUser").isObject() ||
        !sent.value("toUser").isObject()) {
        return Reply::json(QJsonObject{{"error_msg", "消息格式错误"}});
    }
    auto withPicture = [](QJsonObject user) {
        if (!user.contains("picUrl")) user.insert("picUrl", "");
        return user;
    };
    qint64 id = 0;
    {
        const std::lock_guard lock(mutex_);
        id = ++lastMessageId_;
        keepChange(QJsonObject{{"id", QString::number(id)}});
    }
    // The client keeps its message under the id: on file before the client hears of it.
    writeKept();
    if (sentHook_) sentHook_(sent, root);
    return Reply::json(
        QJsonObject{{"data", QJsonObject{
                                 {"msg", QJsonObject{{"id", id}, {"updateTime", nowSeconds()}}},
                                 {"fromUser", withPicture(sent.value("fromUser").toObject())},
                                 {"toUser", withPicture(sent.value("toUser").toObject())},
                             }}});
}

Reply MessagingServer::offline(const RecordedRequest& request) {
    if (failNow()) return Reply::json(QJsonObject{{"error", "busy"}}, 500);
    const qint64 userId = queryValue(request.query, "userId").toLongLong();
    int limit = queryValue(request.query, "maxTalkNum").toInt();
    if (limit <= 0 || limit > kMaxTalkNum) limit = kMaxTalkNum;
    // Written as text: a packet's text may nest deeper than a JSON document here may.
    QByteArrayList data;
    std::vector<QJsonObject> carried;
    {
        const std::lock_guard lock(mutex_);
        for (const auto& [sequence, packet] : packets_) {
            if (packet.userId != userId || !ready(packet, nowMs())) continue;
            if (data.size() >= limit) break;
            data.append(packet.text);
            carried.push_back(packet.body);
        }
    }
    tellCarried(carried);
    return Reply::text("{\"requestTime\":" + QByteArray::number(nowSeconds()) + ",\"data\":[" +
                           data.join(',') + "]}",
                       "application/json; charset=utf-8");
}

Reply MessagingServer::acknowledge(const RecordedRequest& request) {
    if (failNow()) return Reply::json(QJsonObject{{"error", "busy"}}, 500);
    int delay = 0;
    {
        const std::lock_guard lock(mutex_);
        delay = faults_.ackDelayMs;
    }
    if (delay > 0) std::this_thread::sleep_for(std::chrono::milliseconds(delay));
    const QString talk = queryValue(request.query, "talkId");
    QSet<qint64> ids;
    for (const QString& id : queryValue(request.query, "msgIds").split(',', Qt::SkipEmptyParts)) {
        ids.insert(id.toLongLong());
    }
    QJsonArray keptIds;  // acknowledged of the messages the file keeps
    {
        const std::lock_guard lock(mutex_);
        ++acknowledgeCalls_;
        acknowledgedIds_ += ids.size();
        for (auto entry = packets_.begin(); entry != packets_.end();) {
            Packet& packet = entry->second;
            if (packet.talkIds.contains(talk)) {
                packet.pendingIds.removeIf([&](qint64 id) {
                    if (!ids.contains(id)) return false;
                    if (!packet.answer.isEmpty()) keptIds.append(QString::number(id));
                    return true;
                });
            }
            entry = packet.pendingIds.isEmpty() ? packets_.erase(entry) : std::next(entry);
        }
        if (!keptIds.isEmpty()) keepChange(QJsonObject{{"acknowledged", keptIds}});
    }
    // On file before the client hears of it: a stop now does not send the messages again.
    if (!keptIds.isEmpty()) writeKept();
    return Reply::json(QJsonObject{{"params", QJsonObject{{"errorno", 0}}}});
}

QList<qint64> MessagingServer::write(const QJsonObject& order) {
    const qint64 to = order.value("to").toVariant().toLongLong();
    const qint64 from = order.value("from").toVariant().toLongLong() > 0
                            ? order.value("from").toVariant().toLongLong()
                            : kBrokerId;
    const QString kind = order.value("kind").toString("text");
    const QString root = order.value("root").toString();
    const int count = std::max(1, order.value("count").toInt(1));
    const QString postId = order.value("postId").toString("10086_1_1009_1");
    const qint64 time = order.value("updateTime").toVariant().toLongLong() > 0
                            ? order.value("updateTime").toVariant().toLongLong()
                            : nowSeconds();
    const qint64 notBefore = nowMs() + std::max<qint64>(0, order.value("delayMs").toInteger());
    // Written into the packet's text as it stands: a number of any length, say.
    const QByteArray contentsText = order.value("contentsText").toString().toUtf8();
    QList<qint64> ids;
    if (kind == "forceoff") {
        const std::lock_guard lock(mutex_);
        commands_[to].push_back(
            StreamSettings::segment("command", R"({ "command" : "FORCEOFF" })"));
        changed_.notify_all();
        return ids;
    }
    std::unique_lock lock(mutex_);
    for (int n = 0; n < count; ++n) {
        const qint64 id = ++lastMessageId_;
        QString text = count > 1 && order.value("text").toString().isEmpty()
                           ? QStringLiteral("第%1条消息").arg(n + 1)
                           : order.value("text").toString();
        // A text of so many bytes is cut to them, to nothing when not one character fits.
        if (const qint64 bytes = order.value("textBytes").toInteger(); bytes > 0)
            text = textOfBytes(text, bytes);
        else if (text.isEmpty())
            text = QStringLiteral("您好，这套房子还在，欢迎来看房。");
        Packet packet;
        packet.sequence = ++lastSequence_;
        packet.userId = to;
        packet.pendingIds = {id};
        packet.talkIds = {talkId(from, to), talkId(to, from)};
        packet.notBeforeMs = notBefore;
        packet.answer = order.value("answer").toString();
        packet.body = QJsonObject{
            {"fromUser", ChatBroker::profile(from)},
            {"toUser", QJsonObject{{"id", QString::number(to)}, {"name", "用户"}}},
            {"post", QJsonObject{{"id", postId}, {"title", "阳光花园 两室一厅"}}},
            {"talk", QJsonObject{{"toTalkId", packet.talkIds[1]},
                                 {"fromTalkId", packet.talkIds[0]},
                                 {"postId", postId}}},
            {"msgs", QJsonArray{QJsonObject{
                         {"id", id},
                         {"fromUserId", QString::number(from)},
                         {"updateTime", time},
                         {"contents",
                          order.value("nestDepth").toInt() > 0
                              ? QJsonArray{QString::fromLatin1(kNestedMark)}
                          : !contentsText.isEmpty() ? QJsonValue(QString::fromLatin1(kNestedMark))
                          : order.value("contents").isArray() ? order.value("contents").toArray()
                                                              : contentsOf(kind, text, root)},
                         {"type", 0},
                         {"sysMsgType", 0}}}},
        };
        if (order.value("noPost").toBool()) {
            // A packet about no post at all.
            packet.body.remove("post");
            QJsonObject talk = packet.body.value("talk").toObject();
            talk.insert("postId", "0_0_1000_0");
            packet.body.insert("talk", talk);
        }
        packet.text = QJsonDocument(packet.body).toJson(QJsonDocument::Compact);
        if (const int depth = order.value("nestDepth").toInt(); depth > 0) {
            // The contents' one element nests that many arrays deep: spliced in as text.
            packet.text.replace("\"" + kNestedMark + "\"",
                                QByteArray(depth, '[') + "\"深\"" + QByteArray(depth, ']'));
        }
        if (!contentsText.isEmpty()) packet.text.replace("\"" + kNestedMark + "\"", contentsText);
        packet.segment = StreamSettings::segment("recvMsg", packet.text);
        // An answer's message is kept until it is acknowledged, whether or not it went out;
        // among the packets before the change, which may write them all anew.
        const auto added = packets_.emplace(packet.sequence, std::move(packet)).first;
        if (!added->second.answer.isEmpty())
            keepChange(QJsonObject{{"packet", added->second.toKept()}});
        sent_[to].push_back(id);
        ids.append(id);
    }
    // The ids given, so that the server gives none of them again after a stop.
    keepChange(QJsonObject{{"id", QString::number(lastMessageId_)}});
    if (!kept_.keeping()) {
        onFileSequence_ = lastSequence_;
        changed_.notify_all();
    }
    lock.unlock();
    writeKept();
    return ids;
}

std::optional<std::pair<int, QJsonValue>> MessagingServer::control(const QByteArray& what,
                                                                   const QByteArray& method,
                                                                   const QByteArray& query,
                                                                   const QByteArray& body,
                                                                   const QString& root) {
    if (what == "im/write" && method == "POST") {
        const QJsonDocument order = QJsonDocument::fromJson(body);
        if (!order.isObject()) {
            return std::pair{400, QJsonValue(QJsonObject{{"error", "expected {\"to\": user}"}})};
        }
        QJsonObject written = order.object();
        // Without "to" the message goes to the user whose app opened a stream last: the app
        // of a demo run, whose user id nobody has to look up.
        if (!written.contains("to")) {
            const std::lock_guard lock(mutex_);
            if (lastStreamUser_ == 0) {
                return std::pair{400,
                                 QJsonValue(QJsonObject{{"error",
                                                         "no app has opened a stream yet: give "
                                                         "{\"to\": user}"}})};
            }
            written.insert("to", lastStreamUser_);
        }
        if (!written.contains("root")) written.insert("root", root);
        QJsonArray ids;
        for (const qint64 id : write(written)) ids.append(id);
        return std::pair{200, QJsonValue(QJsonObject{{"status", 0}, {"ids", ids}})};
    }
    if (what == "im/messages" && method == "GET") {
        const qint64 user = queryValue(query, "to").toLongLong();
        QJsonArray sent;
        QJsonArray pending;
        const std::lock_guard lock(mutex_);
        for (const qint64 id : sent_[user]) sent.append(id);
        for (const auto& [sequence, packet] : packets_) {
            if (packet.userId != user) continue;
            for (const qint64 id : packet.pendingIds) pending.append(id);
        }
        return std::pair{200, QJsonValue(QJsonObject{{"sent", sent},
                                                     {"unacknowledged", pending},
                                                     {"streams", openStreams_[user]}})};
    }
    if (what == "im/counters" && method == "GET") {
        const std::lock_guard lock(mutex_);
        return std::pair{200, QJsonValue(QJsonObject{{"acknowledgeCalls", acknowledgeCalls_},
                                                     {"acknowledgedIds", acknowledgedIds_},
                                                     {"carried", carried_}})};
    }
    if (what == "im/drop" && method == "POST") {
        const std::lock_guard lock(mutex_);
        ++dropGeneration_;
        changed_.notify_all();
        return std::pair{200, QJsonValue(QJsonObject{{"status", 0}})};
    }
    if (what == "im/faults" && (method == "POST" || method == "DELETE")) {
        Faults faults;
        if (method == "POST") {
            const QJsonObject json = QJsonDocument::fromJson(body).object();
            const QJsonArray drop = json.value("dropAfterSegments").toArray();
            faults.dropAfterMin = drop.size() == 2 ? drop[0].toInt() : 0;
            faults.dropAfterMax = drop.size() == 2 ? drop[1].toInt() : 0;
            faults.splitSegments = json.value("splitSegments").toBool();
            faults.failPercent = json.value("failPercent").toInt();
            faults.ackDelayMs = json.value("ackDelayMs").toInt();
            faults.fileDelayMs = json.value("fileDelayMs").toInt();
            faults.redeliverMs = json.value("redeliverMs").toInt(faults.redeliverMs);
            faults.seed = static_cast<quint32>(json.value("seed").toInt(1));
        }
        const std::lock_guard lock(mutex_);
        faults_ = faults;
        random_.seed(faults.seed);
        return std::pair{200, QJsonValue(QJsonObject{{"status", 0}})};
    }
    return std::nullopt;
}

QJsonObject MessagingServer::Packet::toKept() const {
    QJsonArray ids;
    for (const qint64 id : pendingIds) ids.append(QString::number(id));
    return QJsonObject{{"user", QString::number(userId)},
                       {"ids", ids},
                       {"talks", QJsonArray::fromStringList(talkIds)},
                       {"notBefore", QString::number(notBeforeMs)},
                       {"answer", answer},
                       {"body", body},
                       {"text", QString::fromUtf8(text)}};
}

std::optional<MessagingServer::Packet> MessagingServer::Packet::fromKept(const QJsonObject& kept) {
    Packet packet;
    packet.userId = kept.value("user").toString().toLongLong();
    for (const QJsonValue id : kept.value("ids").toArray())
        packet.pendingIds.append(id.toString().toLongLong());
    for (const QJsonValue talk : kept.value("talks").toArray())
        packet.talkIds.append(talk.toString());
    packet.notBeforeMs = kept.value("notBefore").toString().toLongLong();
    packet.answer = kept.value("answer").toString();
    packet.body = kept.value("body").toObject();
    packet.text = kept.value("text").toString().toUtf8();
    if (packet.userId <= 0 || packet.pendingIds.isEmpty() || packet.pendingIds.contains(0) ||
        packet.talkIds.size() != 2 || packet.answer.isEmpty() || packet.text.isEmpty()) {
        return std::nullopt;
    }
    packet.segment = StreamSettings::segment("recvMsg", packet.text);
    return packet;
}

bool MessagingServer::keepIn(const QString& file) {
    KeptJsonFile::removeLeftovers(file);
    const auto kept = KeptJournal::read(file);
    if (!kept) return false;
    const QJsonObject& whole = kept->whole;
    if (whole.contains("answers") && !whole.value("answers").isArray()) return false;
    std::vector<Packet> answers;
    qint64 lastId = whole.value("lastMessageId").toVariant().toLongLong();
    for (const QJsonValue entry : whole.value("answers").toArray()) {
        auto packet = Packet::fromKept(entry.toObject());
        if (!packet) return false;
        answers.push_back(std::move(*packet));
    }
    // The changes since, in the order made.
    for (const QJsonObject& change : kept->changes) {
        if (change.contains("id")) {
            lastId = std::max(lastId, change.value("id").toString().toLongLong());
        } else if (change.contains("packet")) {
            auto packet = Packet::fromKept(change.value("packet").toObject());
            if (!packet) return false;
            lastId = std::max(lastId, packet->pendingIds.back());
            answers.push_back(std::move(*packet));
        } else if (change.value("acknowledged").isArray()) {
            QSet<qint64> acknowledged;
            for (const QJsonValue id : change.value("acknowledged").toArray())
                acknowledged.insert(id.toString().toLongLong());
            for (Packet& packet : answers)
                packet.pendingIds.removeIf([&](qint64 id) { return acknowledged.contains(id); });
            std::erase_if(answers,
                          [](const Packet& packet) { return packet.pendingIds.isEmpty(); });
        } else {
            return false;
        }
    }
    QJsonObject keeping;
    {
        const std::lock_guard lock(mutex_);
        lastMessageId_ = std::max(lastMessageId_, lastId);
        // In the order they were written; each goes out at once, or when its time comes.
        for (Packet& packet : answers) {
            packet.sequence = ++lastSequence_;
            packets_.emplace(packet.sequence, std::move(packet));
        }
        onFileSequence_ = lastSequence_;
        keeping = keptWhole();
        changed_.notify_all();
    }
    // Written whole as read, with the journal emptied: the next start reads the file alone.
    kept_.start(file, keeping);
    if (keptHook_) keptHook_();
    return true;
}

std::set<QString> MessagingServer::heldAnswers() const {
    const std::lock_guard lock(mutex_);
    std::set<QString> held;
    for (const auto& [sequence, packet] : packets_) {
        if (!packet.answer.isEmpty()) held.insert(packet.answer);
    }
    return held;
}

QJsonObject MessagingServer::keptWhole() const {
    QJsonArray answers;
    for (const auto& [sequence, packet] : packets_) {
        if (!packet.answer.isEmpty()) answers.append(packet.toKept());
    }
    QJsonObject whole{{"lastMessageId", QString::number(lastMessageId_)}};
    if (!answers.isEmpty()) whole.insert("answers", answers);
    return whole;
}

void MessagingServer::keepChange(const QJsonObject& change) {
    if (!kept_.keeping()) return;
    kept_.change(change, lastSequence_);
    if (kept_.grown()) kept_.replace(keptWhole(), lastSequence_);
}

void MessagingServer::writeKept() {
    if (!kept_.keeping()) return;
    int delay = 0;
    {
        const std::lock_guard lock(mutex_);
        delay = faults_.fileDelayMs;
    }
    if (delay > 0) std::this_thread::sleep_for(std::chrono::milliseconds(delay));
    const qint64 written = kept_.write();
    const std::lock_guard lock(mutex_);
    if (written <= onFileSequence_) return;
    onFileSequence_ = written;
    changed_.notify_all();
}

void MessagingServer::reset() {
    {
        const std::lock_guard lock(mutex_);
        faults_ = {};
        random_.seed(1);
        packets_.clear();
        if (kept_.keeping()) kept_.replace(keptWhole(), lastSequence_);
        sent_.clear();
        commands_.clear();
        acknowledgeCalls_ = 0;
        acknowledgedIds_ = 0;
        carried_ = 0;
    }
    writeKept();
}

}  // namespace standin
