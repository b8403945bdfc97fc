#pragma once

#include "net/transport/JsonParser.h"

#include <QVariantList>
#include <QVariantMap>

#include <map>
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
// from the events of its own parser.
class JsonDocument : public JsonParserDelegate {
public:
    explicit JsonDocument(ParserOptions options = 0);
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

    // The first container opened: nil until one is, and a top-level scalar gives none.
    // A container joins its parent only when it closes, so after
    // ParserStatusInsufficientData the root holds exactly the completed members.
    [[nodiscard]] QVariant root() const;
    [[nodiscard]] ParserStatus parserStatus() const { return parserStatus_; }
    [[nodiscard]] JsonDocumentDelegate* delegate() const { return delegate_; }
    // The delegate is not owned.
    void setDelegate(JsonDocumentDelegate* delegate) { delegate_ = delegate; }

private:
    // One open container and, for a dictionary, the key waiting for its value. An
    // open dictionary is a std::map, which takes its members by move, and becomes a
    // QVariantMap without a copy when it closes.
    struct Container {
        bool isDictionary = false;
        std::map<QString, QVariant> dictionary;
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

    JsonParser parser_;
    JsonDocumentDelegate* delegate_ = nullptr;
    std::vector<Container> stack_;
    // The root once it has closed; while it is open it is the bottom of stack_.
    QVariant root_;
    ParserStatus parserStatus_ = ParserStatusNone;
};
