#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// JSON texts for request bodies. The server formats fix the order of object members,
// which a QVariantMap would sort, so bodies are written member by member from JSON texts:
// BodyJson::object({{"userids", BodyJson::string(ids)}, {"page", BodyJson::number(2)}}).
// Output is compact (no white space), like the body formats.
class BodyJson {
public:
    // Members of an object: names with their values as JSON texts.
    using Members = QList<QPair<QString, QString>>;

    // A JSON string literal of any text: quotation mark, backslash and control characters
    // escaped; "/" and non-ASCII characters stay as they are.
    [[nodiscard]] static QString string(const QString& text);
    [[nodiscard]] static QString number(qint64 value);
    // An array of JSON texts.
    [[nodiscard]] static QString array(const QStringList& elements);
    // An object of members, in the order given.
    [[nodiscard]] static QString object(const Members& members);

    // A JSON text as it goes into form text ("jsonArgs=<json>", "class=<json>"): "%", "&"
    // and "+" are percent-escaped, so that the server's form decoding gives back exactly
    // the JSON (a raw "&" would end the value, a raw "+" become a space). No JSON text
    // holds these characters outside its strings, so an ordinary body keeps its form.
    [[nodiscard]] static QString formValue(const QString& json);
};
