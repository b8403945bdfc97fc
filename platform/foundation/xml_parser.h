#pragma once

#include "platform/foundation/error.h"

#include <QByteArray>
#include <QMap>
#include <QString>

#include <memory>
#include <optional>

namespace ns {

class XMLParser;

// Hears the events of an XML parse, in document order. Every method is optional.
class XMLParserDelegate {
public:
    virtual ~XMLParserDelegate();

    virtual void parserDidStartDocument(XMLParser& parser);
    virtual void parserDidEndDocument(XMLParser& parser);
    virtual void didStartElement(XMLParser& parser, const QString& elementName,
                                 const QString& namespaceURI, const QString& qualifiedName,
                                 const QMap<QString, QString>& attributes);
    virtual void didEndElement(XMLParser& parser, const QString& elementName,
                               const QString& namespaceURI, const QString& qualifiedName);
    virtual void foundCharacters(XMLParser& parser, const QString& characters);
    virtual void parseErrorOccurred(XMLParser& parser, const Error& error);
};

// An event parser over XML bytes: parse() walks the document once and tells its delegate
// (held weakly) what it finds, stopping at the first error or at abortParsing().
class XMLParser {
public:
    static inline const QString kErrorDomain = QStringLiteral("NSXMLParserErrorDomain");
    static constexpr qint64 kInternalError = 1;
    static constexpr qint64 kEmptyDocumentError = 4;
    static constexpr qint64 kPrematureDocumentEndError = 5;
    static constexpr qint64 kNotWellBalancedError = 85;
    static constexpr qint64 kDelegateAbortedParseError = 512;

    explicit XMLParser(QByteArray data);

    [[nodiscard]] std::shared_ptr<XMLParserDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<XMLParserDelegate> delegate) { delegate_ = std::move(delegate); }

    // Element names without their prefix, with their namespace URI; off by default.
    [[nodiscard]] bool shouldProcessNamespaces() const { return processNamespaces_; }
    void setShouldProcessNamespaces(bool process) { processNamespaces_ = process; }

    // True when the whole document was read without an error.
    bool parse();
    // From inside a delegate call: stops the parse, which fails as aborted.
    void abortParsing() { aborted_ = true; }
    [[nodiscard]] const std::optional<Error>& parserError() const { return error_; }

private:
    void fail(qint64 code, const QString& description);

    QByteArray data_;
    std::weak_ptr<XMLParserDelegate> delegate_;
    bool processNamespaces_ = false;
    bool aborted_ = false;
    std::optional<Error> error_;
};

}  // namespace ns
