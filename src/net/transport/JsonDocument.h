#pragma once

#include "net/transport/JsonParser.h"

#include <QVariantList>
#include <QVariantMap>

#include <map>
#include <memory>
#include <vector>

class JsonDocument;

// Hears the tree grow; every method is optional.
class JsonDocumentDelegate {
public:
    virtual ~JsonDocumentDelegate() = default;
    // A container closed and was attached to its parent (or became the finished root).
    virtual void documentDidAddDictionary(JsonDocument& /*document*/,
                                          const QVariantMap& /*dictionary*/) {}
    virtual void documentDidAddArray(JsonDocument& /*document*/, const QVariantList& /*array*/) {}
    virtual void documentDidAddObjectToArray(JsonDocument& /*document*/, const QVariant& /*object*/,
                                             const QVariantList& /*array*/) {}
    // A member was set in the innermost open dictionary; the dictionary itself is
    // handed over when it closes (documentDidAddDictionary).
    virtual void documentDidSetObjectForKey(JsonDocument& /*document*/, const QVariant& /*object*/,
                                            const QString& /*key*/) {}
};

// Builds a QVariant tree (QVariantMap, QVariantList, QString, qint64, double, bool)
// from the events of its own parser. It may also be handed the events of another parser,
// as that parser's delegate, to build the tree of a part of that parser's text.
class JsonDocument : public JsonParserDelegate {
public:
    // Where a document keeps the working room of its parse: the thread's, lent to one
    // document at a time, suits a text read at once; a text read a piece at a time over a
    // while, as its pieces arrive, has its own.
    enum class Room { Thread, Own };

    explicit JsonDocument(ParserOptions options = 0, Room room = Room::Thread);
    // Reads `data` as one whole text (JsonParser::parseWhole): a text that stops early
    // or has more than white space after its value is an error. `error` receives the
    // parser's error, or nothing.
    JsonDocument(QByteArrayView data, ParserOptions options, std::optional<ns::Error>* error);
    ~JsonDocument() override;
    JsonDocument(const JsonDocument&) = delete;
    JsonDocument& operator=(const JsonDocument&) = delete;

    // Parses the next chunk (JsonParser::parse) and keeps its status; `error`
    // receives the parser's error, or nothing.
    ParserStatus parse(QByteArrayView chunk, std::optional<ns::Error>* error = nullptr);
    // Cuts long strings as they come (JsonParser::setLongestString).
    void setLongestString(qsizetype bytes) { parser_.setLongestString(bytes); }
    // The bytes read so far, less what was cut away (JsonParser::keptBytes).
    [[nodiscard]] qint64 keptBytes() const { return parser_.keptBytes(); }

    // The first container opened: nil until one is, and a top-level scalar gives none.
    // A container joins its parent only when it closes, so after
    // ParserStatusInsufficientData the root holds exactly the completed members.
    [[nodiscard]] QVariant root() const;
    // Closes every container still open, each joining its parent, so that the root holds
    // all that was read (a key whose value did not come is left out).
    void closeOpenContainers();
    [[nodiscard]] ParserStatus parserStatus() const { return parserStatus_; }
    [[nodiscard]] JsonDocumentDelegate* delegate() const { return delegate_; }
    // The delegate is not owned.
    void setDelegate(JsonDocumentDelegate* delegate) { delegate_ = delegate; }

private:
    // One open container and, for a dictionary, the key waiting for its value. A
    // dictionary collects its members in text order and becomes a map when it closes
    // (takeDictionary). Containers are reused level by level, keeping their room.
    struct Container {
        bool isDictionary = false;
        std::vector<std::pair<QString, QVariant>> members;
        QVariantList array;
        QString key;
    };

    void parserDidStartDictionary(JsonParser& parser) override;
    void parserDidEndDictionary(JsonParser& parser) override;
    void parserDidStartArray(JsonParser& parser) override;
    void parserDidEndArray(JsonParser& parser) override;
    void parserDidMapKey(JsonParser& parser, const QString& key) override;
    void parserDidAdd(JsonParser& parser, QVariant&& value) override;

    void open(bool isDictionary);
    void close();
    void add(QVariant&& value);
    void reportStatus(std::optional<ns::Error>* error) const;
    // The members of a closed dictionary as a map, later equal keys replacing earlier ones.
    std::map<QString, QVariant> takeDictionary(Container& container);

    // The working room of a parse. One per thread is lent to each document in turn, so
    // that a small reply neither allocates it afresh nor relearns the order of keys.
    struct Scratch {
        std::vector<Container> stack;
        // The records of a reply share their keys (one QString each, from the parser's
        // key cache) in the same order. For the last dictionary's keys this keeps the
        // order that sorts them and a map of them with empty values: the next
        // dictionary with the very same keys copies that map, which takes no key
        // comparison, and fills in its values in sorted order.
        std::vector<QString> shape;
        std::vector<quint32> sortedOrder;
        std::vector<bool> repeatsKey;  // by sorted place: the key equals the one before
        std::map<QString, QVariant> keysOnly;
        bool lent = false;
    };
    static Scratch& threadScratch();

    JsonParser parser_;
    JsonDocumentDelegate* delegate_ = nullptr;
    std::unique_ptr<Scratch> ownScratch_;  // when the thread's is lent already
    Scratch* scratch_ = nullptr;
    std::vector<Container>& stack_;
    std::size_t open_ = 0;  // the containers of stack_ now open
    // The root once it has closed; while it is open it is the bottom of stack_.
    QVariant root_;
    ParserStatus parserStatus_ = ParserStatusNone;
};
