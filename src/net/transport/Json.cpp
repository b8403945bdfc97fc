#include "net/transport/Json.h"

#include "net/transport/JsonDocument.h"

QVariant json_JSON(const QVariant& receiver) {
    return json_JSON(receiver, nullptr);
}

QVariant json_JSON(const QVariant& receiver, std::optional<ns::Error>* error) {
    return json_JSONWithOptions(receiver, 0, error);
}

QVariant json_JSONWithOptions(const QVariant& receiver, ParserOptions options,
                              std::optional<ns::Error>* error) {
    if (error) error->reset();
    QByteArray bytes;
    switch (receiver.typeId()) {
        case QMetaType::QByteArray:
            bytes = receiver.toByteArray();
            break;
        case QMetaType::QString:
            bytes = receiver.toString().toUtf8();
            break;
        default:
            return {};
    }
    const JsonDocument document(bytes, options, error);
    if (document.parserStatus() != ParserStatusOK) return {};
    return document.root();
}

QString json_JSONString(const QVariant& object) {
    return json_JSONStringWithOptions(object, 0, QStringLiteral("  "));
}

QString json_JSONStringWithOptions(const QVariant& object, GenOptions options,
                                   const QString& indentString) {
    if (!object.isValid()) return {};
    JsonGen generator(options, indentString);
    generator.object(object);
    if (!generator.isValid()) return {};
    return generator.buffer();
}
