#include "IMChat/qximlib/QXIMPacketReader.h"

#include "IMChat/qximlib/QXIMWire.h"

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

}  // namespace

QXIMPacketReader::QXIMPacketReader(Shape shape, qint64 mostPacketBytes)
    : shape_(shape), mostPacketBytes_(mostPacketBytes), reply_(0, JsonDocument::Room::Own) {
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
    const qint64 refusing = packet_ && !packet_->document ? read - packet_->start : 0;
    return read - refusedBytes_ - refusing;
}

bool QXIMPacketReader::namesMessages(const QVariantMap& ids) {
    const QVariantMap talk = ids.value(kTalk).toMap();
    return (talk.contains(kToTalkId) || talk.contains(kFromTalkId)) &&
           !ids.value(kMsgs).toList().isEmpty();
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
        if (level <= kIdLevels) {
            packet_->keys[level] = QString();
            packet_->isDictionary[level] = isDictionary;
            if (level == 3 && isDictionary && packet_->keys[1] == kMsgs &&
                !packet_->isDictionary[2] && packet_->messages.size() < kMostRefusedIds) {
                packet_->messages.append(QVariantMap());
            }
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
        weigh();
        if (--packet_->depth == 0) finishPacket();
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
    const qsizetype level = packet.depth;
    if (value.isValid() && level == 2 && packet.keys[1] == kTalk && packet.isDictionary[2] &&
        (packet.keys[2] == kToTalkId || packet.keys[2] == kFromTalkId)) {
        packet.talk.insert(packet.keys[2], value);
    } else if (value.isValid() && level == 3 && packet.keys[1] == kMsgs &&
               !packet.isDictionary[2] && packet.isDictionary[3] && packet.keys[3] == kId &&
               !packet.messages.isEmpty()) {
        packet.messages.last() = QVariantMap{{kId, value}};
    }
    if (JsonParserDelegate* document = packet.document.get())
        document->parserDidAdd(parser_, std::move(value));
    weigh();
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
    QVariantMap ids;
    if (!packet.talk.isEmpty()) ids.insert(kTalk, packet.talk);
    QVariantList messages;
    for (const QVariant& message : packet.messages) {
        if (message.toMap().contains(kId)) messages.append(message);
    }
    if (!messages.isEmpty()) ids.insert(kMsgs, messages);
    refused_.append({std::move(ids), std::move(packet.reason)});
}
