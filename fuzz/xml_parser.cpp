// The XML event parser reads server replies: any bytes end in a finished walk or one
// error, never a crash; its events nest properly.
#include "platform/foundation/xml_parser.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

class Nesting final : public ns::XMLParserDelegate {
public:
    void didStartElement(ns::XMLParser&, const QString&, const QString&, const QString&,
                         const QMap<QString, QString>&) override {
        ++depth;
    }
    void didEndElement(ns::XMLParser&, const QString&, const QString&, const QString&) override {
        if (--depth < 0) std::abort();
    }
    void parseErrorOccurred(ns::XMLParser&, const ns::Error&) override { ++errors; }
    int depth = 0;
    int errors = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (const bool namespaces : {false, true}) {
        auto delegate = std::make_shared<Nesting>();
        ns::XMLParser parser(bytes);
        parser.setShouldProcessNamespaces(namespaces);
        parser.setDelegate(delegate);
        const bool finished = parser.parse();
        // A finished walk closed every element it opened and reported no error.
        if (finished && (delegate->depth != 0 || delegate->errors != 0 || parser.parserError()))
            std::abort();
        if (!finished && delegate->errors > 1) std::abort();
    }
    return 0;
}
