// A fetch's reply read packet by packet (QXIMPacketReader), its packets that cannot be read
// set aside: what the reader keeps plus what it refused adds up to what a plain read of the
// same text finds. The first four bytes choose the bound of a packet, the bound of what the
// refused packets keep and the chunks; the rest is the reply. The reader and the plain read
// (the same parser, strings cut and unreadable numbers left out alike) end alike. Wherever
// the plain read decodes the reply whole and names each list of packets once, every element
// of such a list is either kept by the reader, in order and equal, or one of the packets it
// refused; the refused ones name, talk by talk, the ids their trees hold (all of them while
// none was left out at the bound, only those otherwise) and are counted unnamed when they
// name no talk or no message; and nothing is refused when no packet could be too long and no
// number was left out.
#include "src/IMChat/qximlib/QXIMPacketReader.h"
#include "src/IMChat/qximlib/QXIMWire.h"
#include "src/net/transport/JsonDocument.h"

#include "chunks.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QVariant>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <utility>

namespace {

// A plain read of the whole reply that also counts the keys naming its lists of packets, to
// tell a reply that names one twice (its tree keeps the last only, the reader reads both).
class PlainRead : public JsonParserDelegate {
public:
    PlainRead() {
        parser_.setLongestString(QXIMWire::kLongestString);
        parser_.setLeavesOutUnreadableNumbers(true);
        parser_.setDelegate(this);
    }
    ~PlainRead() override { parser_.setDelegate(nullptr); }
    PlainRead(const PlainRead&) = delete;
    PlainRead& operator=(const PlainRead&) = delete;

    ParserStatus read(QByteArrayView chunk) { return parser_.parse(chunk); }
    [[nodiscard]] QVariant root() const { return tree_.root(); }
    [[nodiscard]] bool namesAListTwice() const { return namedTwice_; }
    [[nodiscard]] qint64 leftOutNumbers() const { return parser_.leftOutNumbers(); }

private:
    void parserDidStartDictionary(JsonParser& parser) override {
        ++depth_;
        plain().parserDidStartDictionary(parser);
    }
    void parserDidEndDictionary(JsonParser& parser) override {
        --depth_;
        plain().parserDidEndDictionary(parser);
    }
    void parserDidStartArray(JsonParser& parser) override {
        ++depth_;
        plain().parserDidStartArray(parser);
    }
    void parserDidEndArray(JsonParser& parser) override {
        --depth_;
        plain().parserDidEndArray(parser);
    }
    void parserDidMapKey(JsonParser& parser, const QString& key) override {
        if ((depth_ == 1 || depth_ == 2) && (key == "data" || key == "params")) {
            const std::pair named{depth_, key};
            namedTwice_ |= named_.contains(named);
            named_.insert(named);
        }
        plain().parserDidMapKey(parser, key);
    }
    void parserDidAdd(JsonParser& parser, QVariant&& value) override {
        plain().parserDidAdd(parser, std::move(value));
    }
    JsonParserDelegate& plain() { return tree_; }

    JsonParser parser_;
    JsonDocument tree_{0, JsonDocument::Room::Own};
    qsizetype depth_ = 0;
    QSet<std::pair<qsizetype, QString>> named_;
    bool namedTwice_ = false;
};

using Talks = QHash<std::pair<QString, QString>, QSet<qint64>>;

// What a refused packet's tree names: its talk ids and the ids of its messages.
void addNames(const QVariant& packet, Talks& talks, qint64& unnamed) {
    const QVariantMap map = packet.toMap();
    const QVariantMap talk = map.value("talk").toMap();
    const QString to = map.value("talk").typeId() == QMetaType::QVariantMap
                           ? QXIMPacketReader::talkIdOf(talk.value("toTalkId"))
                           : QString();
    const QString from = map.value("talk").typeId() == QMetaType::QVariantMap
                             ? QXIMPacketReader::talkIdOf(talk.value("fromTalkId"))
                             : QString();
    QSet<qint64> ids;
    if (packet.typeId() == QMetaType::QVariantMap &&
        map.value("msgs").typeId() == QMetaType::QVariantList) {
        for (const QVariant& message : map.value("msgs").toList()) {
            if (message.typeId() != QMetaType::QVariantMap) continue;
            if (const auto id = QXIMPacketReader::messageIdOf(message.toMap().value("id")))
                ids.insert(*id);
        }
    }
    if ((to.isNull() && from.isNull()) || ids.isEmpty()) {
        ++unnamed;
        return;
    }
    talks[{to, from}].unite(ids);
}

// Matches a plain list of packets with what the reader kept of it: the elements it did not
// keep, in order, or nothing (and `matched` false) when the kept ones are not among them.
QVariantList refusedOf(const QVariantList& plain, const QVariantList& kept, bool& matched) {
    QVariantList refused;
    qsizetype next = 0;
    for (const QVariant& element : plain) {
        if (next < kept.size() && kept[next] == element) {
            ++next;
        } else {
            refused.append(element);
        }
    }
    matched = next == kept.size();
    return refused;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    const QByteArray text(reinterpret_cast<const char*>(data) + 4,
                          static_cast<qsizetype>(size - 4));
    // A packet bound of 16 bytes to 1 KB, or past the whole text; what refused packets keep,
    // from a few ids to the reader's own bound.
    const qint64 mostPacketBytes = data[0] >= 192 ? text.size() + 1 : (data[0] % 64 + 1) * 16;
    const qint64 mostRefusedBytes =
        data[1] % 16 == 0 ? QXIMPacketReader::kMostRefusedBytes : qint64(data[1]) * 8;
    const int first = data[2] % 64 + 1;
    const int later = data[3] % 16 + 1;

    PlainRead plain;
    const ParserStatus plainStatus =
        readInChunks(text, first, later, [&](QByteArrayView chunk) { return plain.read(chunk); });
    QXIMPacketReader reader(QXIMPacketReader::Shape::Reply, mostPacketBytes, mostRefusedBytes);
    const ParserStatus readerStatus =
        readInChunks(text, first, later, [&](QByteArrayView chunk) { return reader.read(chunk); });
    if (readerStatus != plainStatus) std::abort();
    const QXIMPacketReader::Refused& refused = reader.refused();
    if (refused.packets < refused.unnamed || refused.talks.size() > refused.packets) std::abort();
    if (plainStatus != ParserStatusOK || plain.namesAListTwice()) return 0;

    // The lists of packets: "data", and "params"' "data".
    QVariantMap expected = plain.root().toMap();
    const QVariantMap kept = reader.value().toMap();
    QVariantList refusedPackets;
    bool matched = true;
    if (expected.value("data").typeId() == QMetaType::QVariantList) {
        refusedPackets =
            refusedOf(expected.value("data").toList(), kept.value("data").toList(), matched);
        expected.insert("data", kept.value("data"));
    }
    QVariantMap params = expected.value("params").toMap();
    if (matched && expected.value("params").typeId() == QMetaType::QVariantMap &&
        params.value("data").typeId() == QMetaType::QVariantList) {
        const QVariantList keptParams = kept.value("params").toMap().value("data").toList();
        refusedPackets += refusedOf(params.value("data").toList(), keptParams, matched);
        params.insert("data", keptParams);
        expected.insert("params", params);
    }
    if (!matched || refusedPackets.size() != refused.packets) std::abort();
    if (plain.root().typeId() == QMetaType::QVariantMap ? QVariant(expected) != reader.value()
                                                        : plain.root() != reader.value()) {
        std::abort();
    }
    if (refused.packets > 0 && plain.leftOutNumbers() == 0 && mostPacketBytes > text.size())
        std::abort();

    Talks named;
    qint64 unnamed = 0;
    for (const QVariant& packet : refusedPackets) {
        // Scalars are never packets, and so never refused.
        if (packet.typeId() != QMetaType::QVariantMap && packet.typeId() != QMetaType::QVariantList)
            std::abort();
        addNames(packet, named, unnamed);
    }
    if (unnamed != refused.unnamed) std::abort();
    Talks keptIds;
    for (const QXIMPacketReader::Refused::Talk& talk : refused.talks) {
        if (talk.messageIds.isEmpty() || keptIds.contains({talk.toTalkId, talk.fromTalkId}))
            std::abort();
        keptIds.insert({talk.toTalkId, talk.fromTalkId}, talk.messageIds);
    }
    if (refused.idsLeftOut == 0 && keptIds != named) std::abort();
    for (auto talk = keptIds.cbegin(); talk != keptIds.cend(); ++talk) {
        if (!named.value(talk.key()).contains(talk.value())) std::abort();
    }
    return 0;
}
