#include "IMChat/qximlib/QXIMPacketReader.h"

#include "IMChat/qximlib/QXIMWire.h"

#include <cmath>

namespace {

const QString kData = QStringLiteral("data");
const QString kParams = QStringLiteral("params");
const QString kTalk = QStringLiteral("talk");
const QString kToTalkId = QStringLiteral("toTalkId");
const QString kFromTalkId = QStringLiteral("fromTalkId");
const QString kMsgs = QStringLiteral("msgs");
const QString kId = QStringLiteral("id");

// The levels of a packet where its ids are: the packet 1, its talk and its list of messages
// 2, a message 3.
constexpr qsizetype kIdLevels = 3;

// What a text kept costs.
qint64 textBytes(const QString& text) {
    return 2 * qint64(text.size());
}

}  // namespace

QXIMPacketReader::QXIMPacketReader(Shape shape, qint64 mostPacketBytes, qint64 mostRefusedBytes)
    : shape_(shape),
      mostPacketBytes_(mostPacketBytes),
      mostRefusedBytes_(mostRefusedBytes),
      reply_(0, JsonDocument::Room::Own) {
    parser_.setLongestString(QXIMWire::kLongestString);
    parser_.setLeavesOutUnreadableNumbers(true);
    parser_.setDelegate(this);
}

QXIMPacketReader::~QXIMPacketReader() {
    parser_.setDelegate(nullptr);
}

ParserStatus QXIMPacketReader::read(QByteArrayView piece) {
    status_ = parser_.parse(piece);
    return status_;
}

QVariant QXIMPacketReader::value() {
    if (shape_ == Shape::Packet) return packetValue_;
    if (status_ != ParserStatusOK) reply_.closeOpenContainers();
    return reply_.root();
}

qint64 QXIMPacketReader::keptBytes() const {
    const qint64 read = parser_.keptBytes();
    qint64 refusing = 0;
    if (packet_ && !packet_->document) {
        refusing = read - packet_->start - qint64(packet_->messageIds.size()) * kRefusedIdBytes;
    }
    return read - refusedBytes_ - refusing + refusedKept_;
}

std::optional<qint64> QXIMPacketReader::messageIdOf(const QVariant& value) {
    switch (value.typeId()) {
        case QMetaType::LongLong:
            return value.toLongLong();
        case QMetaType::Double: {
            // Past 2^53 a double is whole, and from 2^63 on no qint64.
            const double number = value.toDouble();
            if (number != std::trunc(number) || !(std::abs(number) < 0x1p63)) return std::nullopt;
            return qint64(number);
        }
        case QMetaType::QString: {
            bool ok = false;
            const qint64 id = value.toString().toLongLong(&ok);
            return ok ? std::optional(id) : std::nullopt;
        }
        default:
            return std::nullopt;
    }
}

QString QXIMPacketReader::talkIdOf(const QVariant& value) {
    if (value.typeId() == QMetaType::LongLong) return QString::number(value.toLongLong());
    if (value.typeId() != QMetaType::QString || value.toString().isEmpty()) return QString();
    return value.toString();
}

JsonParserDelegate* QXIMPacketReader::target() {
    if (packet_) return packet_->document.get();
    return shape_ == Shape::Reply ? &reply_ : nullptr;
}

bool QXIMPacketReader::opensPacket() const {
    if (shape_ == Shape::Packet) return depth_ == 1;
    return listDepth_ > 0 && depth_ == listDepth_ + 1;
}

void QXIMPacketReader::parserDidStartDictionary(JsonParser&) {
    opened(true);
}
void QXIMPacketReader::parserDidEndDictionary(JsonParser&) {
    closed(true);
}
void QXIMPacketReader::parserDidStartArray(JsonParser&) {
    opened(false);
}
void QXIMPacketReader::parserDidEndArray(JsonParser&) {
    closed(false);
}

void QXIMPacketReader::opened(bool isDictionary) {
    ++depth_;
    if (!packet_ && opensPacket()) {
        packet_ = std::make_unique<Packet>();
        packet_->start = parser_.keptBytes() - 1;  // before its opening bracket
        packet_->leftOutBefore = parser_.leftOutNumbers();
        packet_->document = std::make_unique<JsonDocument>(0, JsonDocument::Room::Own);
    }
    if (packet_) {
        const qsizetype level = ++packet_->depth;
        assigned(level - 1, nullptr);
        if (level <= kIdLevels) {
            packet_->keys[level] = QString();
            packet_->isDictionary[level] = isDictionary;
            if (inMessage()) packet_->messageId.reset();
        }
    } else if (shape_ == Shape::Reply) {
        if (depth_ < qsizetype(replyKeys_.size())) replyKeys_[depth_] = QString();
        // "data", or "params"' "data"
        const bool list = !isDictionary && listDepth_ == 0 &&
                          ((depth_ == 2 && replyKeys_[1] == kData) ||
                           (depth_ == 3 && replyKeys_[1] == kParams && replyKeys_[2] == kData));
        if (list) listDepth_ = depth_;
    }
    if (JsonParserDelegate* to = target()) {
        if (isDictionary) {
            to->parserDidStartDictionary(parser_);
        } else {
            to->parserDidStartArray(parser_);
        }
    }
    if (packet_) weigh();
}

void QXIMPacketReader::closed(bool isDictionary) {
    if (JsonParserDelegate* to = target()) {
        if (isDictionary) {
            to->parserDidEndDictionary(parser_);
        } else {
            to->parserDidEndArray(parser_);
        }
    }
    if (packet_) {
        Packet& packet = *packet_;
        if (packet.depth == kIdLevels && inMessage() && packet.messageId &&
            !packet.messageIds.contains(*packet.messageId)) {
            const qint64 room = mostRefusedBytes_ - refusedKept_ -
                                qint64(packet.messageIds.size()) * kRefusedIdBytes;
            if (room >= kRefusedIdBytes) {
                packet.messageIds.insert(*packet.messageId);
            } else {
                ++packet.idsLeftOut;
            }
        }
        weigh();
        if (--packet.depth == 0) finishPacket();
    } else if (depth_ == listDepth_) {
        listDepth_ = 0;
    }
    --depth_;
}

void QXIMPacketReader::parserDidMapKey(JsonParser&, const QString& key) {
    if (packet_) {
        if (packet_->depth <= kIdLevels) packet_->keys[packet_->depth] = key;
    } else if (depth_ < qsizetype(replyKeys_.size())) {
        replyKeys_[depth_] = key;
    }
    if (JsonParserDelegate* to = target()) to->parserDidMapKey(parser_, key);
}

void QXIMPacketReader::parserDidAdd(JsonParser&, QVariant&& value) {
    if (!packet_) {
        if (JsonParserDelegate* to = target()) to->parserDidAdd(parser_, std::move(value));
        return;
    }
    Packet& packet = *packet_;
    if (!value.isValid() && parser_.leftOutNumbers() > packet.leftOutBefore && packet.document) {
        refuse(parser_.lastLeftOut());
    }
    // A value left out replaces nothing in the tree.
    if (value.isValid()) assigned(packet.depth, &value);
    if (JsonParserDelegate* document = packet.document.get())
        document->parserDidAdd(parser_, std::move(value));
    weigh();
}

bool QXIMPacketReader::inMessage() const {
    const Packet& packet = *packet_;
    return packet.depth >= kIdLevels && packet.keys[1] == kMsgs && packet.isDictionary[1] &&
           !packet.isDictionary[2] && packet.isDictionary[3];
}

void QXIMPacketReader::assigned(qsizetype level, const QVariant* scalar) {
    Packet& packet = *packet_;
    if (level < 1 || level > kIdLevels || !packet.isDictionary[level]) return;
    // The member as the tree keeps it: the last one of its key.
    const QString& key = packet.keys[level];
    if (level == 1) {
        if (key == kTalk) {
            packet.toTalkId = QString();
            packet.fromTalkId = QString();
        } else if (key == kMsgs) {
            packet.messageIds.clear();
            packet.idsLeftOut = 0;
        }
    } else if (level == 2 && packet.keys[1] == kTalk && packet.isDictionary[1]) {
        const QString talkId = scalar ? talkIdOf(*scalar) : QString();
        if (key == kToTalkId) packet.toTalkId = talkId;
        if (key == kFromTalkId) packet.fromTalkId = talkId;
    } else if (level == kIdLevels && key == kId && inMessage()) {
        packet.messageId = scalar ? messageIdOf(*scalar) : std::nullopt;
    }
}

void QXIMPacketReader::refuse(const QString& reason) {
    packet_->reason = reason;
    packet_->document.reset();
}

void QXIMPacketReader::weigh() {
    if (!packet_->document || parser_.keptBytes() - packet_->start <= mostPacketBytes_) return;
    refuse(QStringLiteral("longer than %1 bytes with its strings cut to %2 bytes")
               .arg(mostPacketBytes_)
               .arg(QXIMWire::kLongestString));
}

void QXIMPacketReader::finishPacket() {
    const std::unique_ptr<Packet> finished = std::move(packet_);
    Packet& packet = *finished;
    if (packet.document) {
        QVariant value = packet.document->root();
        if (shape_ == Shape::Packet) {
            packetValue_ = std::move(value);
        } else {
            static_cast<JsonParserDelegate&>(reply_).parserDidAdd(parser_, std::move(value));
        }
        return;
    }
    refusedBytes_ += parser_.keptBytes() - packet.start;
    keepRefused(packet);
}

void QXIMPacketReader::keepRefused(Packet& packet) {
    ++refused_.packets;
    const QString reason = packet.reason.left(kLongestRefusedReason);
    if (refused_.reasons.size() < kRefusedReasons && !refused_.reasons.contains(reason)) {
        refused_.reasons.append(reason);
        refusedKept_ += textBytes(reason);
    }
    const bool namesTalk = !packet.toTalkId.isNull() || !packet.fromTalkId.isNull();
    if (!namesTalk || (packet.messageIds.isEmpty() && packet.idsLeftOut == 0)) {
        ++refused_.unnamed;
        return;
    }
    refused_.idsLeftOut += packet.idsLeftOut;
    const std::pair key{packet.toTalkId, packet.fromTalkId};
    const auto found = refusedTalks_.constFind(key);
    QSet<qint64>* kept =
        found != refusedTalks_.cend() ? &refused_.talks[*found].messageIds : nullptr;
    // What the packet adds: its ids not kept before, and its talk when it is new.
    if (kept) packet.messageIds.removeIf([&](qint64 id) { return kept->contains(id); });
    if (packet.messageIds.isEmpty()) return;
    const qint64 talkBytes =
        kept ? 0 : kRefusedTalkBytes + textBytes(packet.toTalkId) + textBytes(packet.fromTalkId);
    const auto room = [&] {
        return mostRefusedBytes_ - refusedKept_ - talkBytes -
               qint64(packet.messageIds.size()) * kRefusedIdBytes;
    };
    while (room() < 0 && !packet.messageIds.isEmpty()) {
        packet.messageIds.erase(packet.messageIds.cbegin());
        ++refused_.idsLeftOut;
    }
    if (packet.messageIds.isEmpty()) return;
    if (!kept) {
        refusedTalks_.insert(key, refused_.talks.size());
        refused_.talks.append({packet.toTalkId, packet.fromTalkId, {}});
        kept = &refused_.talks.last().messageIds;
    }
    refusedKept_ += talkBytes + qint64(packet.messageIds.size()) * kRefusedIdBytes;
    kept->unite(packet.messageIds);
}
