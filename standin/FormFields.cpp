#include "standin/FormFields.h"

namespace standin {

namespace {

QByteArray decoded(QByteArray text) {
    text.replace('+', ' ');
    return QByteArray::fromPercentEncoding(text);
}

}  // namespace

FormFields::FormFields(const QByteArray& body) {
    for (const QByteArray& field : body.split('&')) {
        if (field.isEmpty()) continue;
        const qsizetype equals = field.indexOf('=');
        const QByteArray name = decoded(equals < 0 ? field : field.left(equals));
        if (fields_.contains(name)) continue;
        fields_.insert(name, equals < 0 ? QByteArray() : decoded(field.mid(equals + 1)));
        names_.append(name);
    }
}

qint64 FormFields::number(const QByteArray& name, qint64 fallback) const {
    bool ok = false;
    const qint64 value = fields_.value(name).trimmed().toLongLong(&ok);
    return ok ? value : fallback;
}

}  // namespace standin
