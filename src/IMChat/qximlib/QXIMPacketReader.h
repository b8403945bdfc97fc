#pragma once

#include "net/transport/JsonDocument.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <array>
#include <memory>
#include <optional>
#include <utility>

// Reads received messaging packets as their bytes come, every string longer than
// QXIMWire::kLongestString cut, one packet at a time: a packet that cannot be read is set
// aside on its own, and the packets beside it are read as ever. A packet cannot be read when
// it holds a number that cannot be (one that overflows a double, or one longer than
// kJsonLongestNumber) or keeps more than its bound of bytes after cutting. Such a packet is
// read on to its end all the same, keeping only its ids: its talk ids and the ids of its
// messages, so that it can be acknowledged rather than sent again for ever.
//
// What refused packets keep is bounded in bytes, not in packets: their ids, talk by talk,
// each id once, however many packets name it, within the bound the reader is given; an id
// read past it is counted and not kept. keptBytes() counts it, so that a reader bounded by
// what it keeps is bounded by the refused packets too.
//
// A text that does not decode (a syntax error, nesting past kJsonMaxDepth) stops the reading:
// the packets read whole before it stand, the one under way is neither read nor refused.
class QXIMPacketReader : private JsonParserDelegate {
public:
    // What the text is: one packet (a stream segment's payload), or the reply of an offline
    // fetch, whose packets are the elements of its "data" list or of its "params"' one.
    enum class Shape { Packet, Reply };

    // What the packets set aside keep: the message ids they name, talk by talk, and why they
    // were set aside. A packet names a message by an "id" of an element of its "msgs" list,
    // and a talk by its "talk"'s "toTalkId" and "fromTalkId", as its tree would hold them.
    struct Refused {
        // The messages that refused packets naming the same talk ids name.
        struct Talk {
            QString toTalkId;  // null when they name none
            QString fromTalkId;
            QSet<qint64> messageIds;
        };
        QList<Talk> talks;
        qint64 packets = 0;
        // Of those, packets that name no talk id or no message: none can be acknowledged.
        qint64 unnamed = 0;
        // Message ids read when their bound was reached, not kept (some may have been kept
        // before, from another packet).
        qint64 idsLeftOut = 0;
        // Why packets were set aside: the first kRefusedReasons different reasons.
        QStringList reasons;

        [[nodiscard]] bool isEmpty() const { return packets == 0; }
    };

    // What refused packets keep at most, unless the reader is told otherwise: some 65,000
    // message ids of one talk, so that a packet of tens of thousands of messages is
    // acknowledged whole, in a few hundred calls at most.
    static constexpr qint64 kMostRefusedBytes = 1024 * 1024;
    // What a refused packet's message id costs (what a set of them holds for one) and its
    // talk besides its ids' characters.
    static constexpr qint64 kRefusedIdBytes = 16;
    static constexpr qint64 kRefusedTalkBytes = 64;
    static constexpr qsizetype kRefusedReasons = 4;
    static constexpr qsizetype kLongestRefusedReason = 200;

    // `mostPacketBytes`: what one packet may keep, after cutting; `mostRefusedBytes`: what the
    // refused packets may keep in all.
    QXIMPacketReader(Shape shape, qint64 mostPacketBytes,
                     qint64 mostRefusedBytes = kMostRefusedBytes);
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
    [[nodiscard]] const Refused& refused() const { return refused_; }
    // The bytes read so far less what was cut away and what refused packets held, and what
    // the refused packets keep: what the value and refused() hold.
    [[nodiscard]] qint64 keptBytes() const;

    // A message id as a packet's tree holds it: a whole number, or a text of one; none else.
    [[nodiscard]] static std::optional<qint64> messageIdOf(const QVariant& value);
    // A talk id as a packet's tree holds it: a text that is not empty, or a whole number; a
    // null text else.
    [[nodiscard]] static QString talkIdOf(const QVariant& value);

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
        QString toTalkId;
        QString fromTalkId;
        std::optional<qint64> messageId;  // of the message under way
        QSet<qint64> messageIds;          // while there is room for them
        qint64 idsLeftOut = 0;
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
    // The packet's member waiting at `level` took a value: `scalar`, or a container.
    void assigned(qsizetype level, const QVariant* scalar);
    // Whether the packet's container at `level` 3 is a message of its "msgs" list.
    [[nodiscard]] bool inMessage() const;
    void refuse(const QString& reason);
    // Refuses the packet under way once it keeps more than its bound.
    void weigh();
    void finishPacket();
    // Keeps what a refused packet names within the bound.
    void keepRefused(Packet& packet);
    // The part of the text outside packets (a reply's members), or the packet's.
    [[nodiscard]] JsonParserDelegate* target();

    Shape shape_;
    qint64 mostPacketBytes_;
    qint64 mostRefusedBytes_;
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
    Refused refused_;
    // Where each pair of talk ids is in refused_.talks.
    QHash<std::pair<QString, QString>, qsizetype> refusedTalks_;
    // The bytes of text the refused packets held, and what refused_ keeps.
    qint64 refusedBytes_ = 0;
    qint64 refusedKept_ = 0;
};
