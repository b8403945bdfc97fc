#include "platform/foundation/xml_parser.h"

#include <QXmlStreamReader>

namespace ns {

XMLParserDelegate::~XMLParserDelegate() = default;
void XMLParserDelegate::parserDidStartDocument(XMLParser&) {}
void XMLParserDelegate::parserDidEndDocument(XMLParser&) {}
void XMLParserDelegate::didStartElement(XMLParser&, const QString&, const QString&, const QString&,
                                        const QMap<QString, QString>&) {}
void XMLParserDelegate::didEndElement(XMLParser&, const QString&, const QString&, const QString&) {}
void XMLParserDelegate::foundCharacters(XMLParser&, const QString&) {}
void XMLParserDelegate::parseErrorOccurred(XMLParser&, const Error&) {}

XMLParser::XMLParser(QByteArray data) : data_(std::move(data)) {}

void XMLParser::fail(qint64 code, const QString& description) {
    error_ = Error::withDescription(kErrorDomain, code, description);
    if (const auto delegate = this->delegate()) delegate->parseErrorOccurred(*this, *error_);
}

bool XMLParser::parse() {
    error_.reset();
    aborted_ = false;
    QXmlStreamReader reader(data_);
    reader.setNamespaceProcessing(processNamespaces_);
    bool sawElement = false;
    while (!reader.atEnd()) {
        const auto token = reader.readNext();
        const auto delegate = this->delegate();
        switch (token) {
            case QXmlStreamReader::StartDocument:
                if (delegate) delegate->parserDidStartDocument(*this);
                break;
            case QXmlStreamReader::StartElement: {
                sawElement = true;
                if (!delegate) break;
                QMap<QString, QString> attributes;
                for (const auto& attribute : reader.attributes()) {
                    attributes.insert(attribute.qualifiedName().toString(),
                                      attribute.value().toString());
                }
                const QString name = processNamespaces_ ? reader.name().toString()
                                                        : reader.qualifiedName().toString();
                delegate->didStartElement(*this, name, reader.namespaceUri().toString(),
                                          reader.qualifiedName().toString(), attributes);
                break;
            }
            case QXmlStreamReader::EndElement:
                if (delegate) {
                    const QString name = processNamespaces_ ? reader.name().toString()
                                                            : reader.qualifiedName().toString();
                    delegate->didEndElement(*this, name, reader.namespaceUri().toString(),
                                            reader.qualifiedName().toString());
                }
                break;
            case QXmlStreamReader::Characters:
                if (delegate) delegate->foundCharacters(*this, reader.text().toString());
                break;
            case QXmlStreamReader::EndDocument:
                if (delegate) delegate->parserDidEndDocument(*this);
                break;
            default:
                break;
        }
        if (aborted_) {
            fail(kDelegateAbortedParseError, QStringLiteral("The parse was aborted."));
            return false;
        }
    }
    if (reader.hasError()) {
        if (!sawElement && reader.error() == QXmlStreamReader::PrematureEndOfDocumentError) {
            fail(kEmptyDocumentError, reader.errorString());
        } else if (reader.error() == QXmlStreamReader::PrematureEndOfDocumentError) {
            fail(kPrematureDocumentEndError, reader.errorString());
        } else if (reader.error() == QXmlStreamReader::NotWellFormedError) {
            fail(kNotWellBalancedError, reader.errorString());
        } else {
            fail(kInternalError, reader.errorString());
        }
        return false;
    }
    return true;
}

}  // namespace ns
