#pragma once

#include "net/transport/JsonDocument.h"

#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <array>
#include <memory>
#include <optional>

// Reads received messaging packets as their bytes come, every string longer than
// QXIMWire::kLongestString cut, one packet at a time: a packet that cannot be read is set
// aside on its own, and the packets beside it are read as ever. A packet cannot be read when
// it holds a number that cannot be (one that overflows a double, or one longer than
// kJsonLongestNumber) or keeps more than its bound of bytes after cutting. Such a packet is
// read on to its end all the same, keeping only its ids: its talk ids and the ids of (at
// most kMostRefusedIds of) its messages, so that it can be acknowledged rather than sent
// again for ever.
//
// A text that does not decode (a syntax error, nesting past kJsonMaxDepth) stops the reading:
// the packets read whole before it stand, the one under way is neither read nor refused.
class QXIMPacketReader : private JsonParserDelegate {
public:
    // What the text is: one packet (a stream segment's payload), or the reply of an offline
    // fetch, whose packets are the elements of its "data" list or of its "params"' one.
    enum class Shape { Packet, Reply };

    // A packet set aside: what could be read of its ids, in a packet's shape
    // ({"talk": {"toTalkId", "fromTalkId"}, "msgs": [{"id"}, ...]}), and why.
    struct Refused {
        QVariantMap ids;
        QString reason;
    };

    // The message ids a refused packet keeps at most.
    static constexpr qsizetype kMostRefusedIds = 1000;

    // `mostPacketBytes`: what one packet may keep, after cutting.
    QXIMPacketReader(Shape shape, qint64 mostPacketBytes);
    ~QXIMPacketReader() override;
    QXIMPacketReader(const QXIMPacketReader&) = delete;
    QXIMPacketReader& operator=(const QXIMPacketReader&) = delete;

    // Reads the next piece; the status of the text (JsonParser::parse).
    ParserStatus read(QByteArrayView piece);
    [[nodiscard]] ParserStatus status() const { return status_; }
    [[nodiscard]] const std::optional<ns::Error>& error() const { return parser_.parserError(); }

    // What was read, the refused packets left out: the packet itself; or the reply with the
    // packets read whole in its list. A reply still open (or given up) is closed as it
    // stands: it holds every member and packet read whole so far.
    [[nodiscard]] QVariant value();
    [[nodiscard]] const QList<Refused>& refused() const { return refused_; }
    // The bytes read so far less what was cut away and what refused packets held: what the
    // value holds.
    [[nodiscard]] qint64 keptBytes() const;

    // Whether a refused packet's ids name a talk and a message, and so can be acknowledged.
    [[nodiscard]] static bool namesMessages(const QVariantMap& ids);

private:
    // The packet under way.
    struct Packet {
        qsizetype depth = 0;  // the containers open, the packet's own included
        qint64 start = 0;     // the kept bytes before it
        qint64 leftOutBefore = 0;
        std::unique_ptr<JsonDocument> document;  // none once refused
        QString reason;
        // Its ids: the keys waiting at its first three levels, and what they named.
        std::array<QString, 4> keys;
        std::array<bool, 4> isDictionary{};
        QVariantMap talk;
        QVariantList messages;
    };

    void parserDidStartDictionary(JsonParser& parser) override;
    void parserDidEndDictionary(JsonParser& parser) override;
    void parserDidStartArray(JsonParser& parser) override;
    void parserDidEndArray(JsonParser& parser) override;
    void parserDidMapKey(JsonParser& parser, const QString& key) override;
    void parserDidAdd(JsonParser& parser, QVariant&& value) override;

    void opened(bool isDictionary);
    void closed(bool isDictionary);
    // Whether a container opening now is a packet.
    [[nodiscard]] bool opensPacket() const;
    void refuse(const QString& reason);
    // Refuses the packet under way once it keeps more than its bound.
    void weigh();
    void finishPacket();
    // The part of the text outside packets (a reply's members), or the packet's.
    [[nodiscard]] JsonParserDelegate* target();

    Shape shape_;
    qint64 mostPacketBytes_;
    JsonParser parser_;
    // A reply's members, and the packets read whole as elements of its list.
    JsonDocument reply_;
    ParserStatus status_ = ParserStatusNone;
    QVariant packetValue_;
    std::unique_ptr<Packet> packet_;
    qsizetype depth_ = 0;
    // Outside packets: the keys waiting at the reply's first two levels.
    std::array<QString, 3> replyKeys_;
    // The depth of the packets' list while it is open; 0 while none is.
    qsizetype listDepth_ = 0;
    QList<Refused> refused_;
    qint64 refusedBytes_ = 0;
};
