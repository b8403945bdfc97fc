#include "platform/foundation/http_header_fields.h"

#include <QStringDecoder>

namespace ns {

HTTPHeaderFields::HTTPHeaderFields(std::initializer_list<Field> fields) {
    for (const auto& [name, value] : fields) setValue(name, value);
}

qsizetype HTTPHeaderFields::indexOf(const QString& name) const {
    for (qsizetype i = 0; i < fields_.size(); ++i) {
        if (fields_[i].first.compare(name, Qt::CaseInsensitive) == 0) return i;
    }
    return -1;
}

QString HTTPHeaderFields::value(const QString& name) const {
    const qsizetype index = indexOf(name);
    return index < 0 ? QString() : fields_[index].second;
}

bool HTTPHeaderFields::contains(const QString& name) const {
    return indexOf(name) >= 0;
}

void HTTPHeaderFields::setValue(const QString& name, const QString& value) {
    const qsizetype index = indexOf(name);
    if (value.isNull()) {
        if (index >= 0) fields_.removeAt(index);
    } else if (index >= 0) {
        fields_[index].second = value;
    } else {
        fields_.append({name, value});
    }
}

void HTTPHeaderFields::addValue(const QString& name, const QString& value) {
    const qsizetype index = indexOf(name);
    if (index < 0) {
        fields_.append({name, value});
    } else {
        fields_[index].second += QStringLiteral(", ") + value;
    }
}

void HTTPHeaderFields::remove(const QString& name) {
    const qsizetype index = indexOf(name);
    if (index >= 0) fields_.removeAt(index);
}

QStringList HTTPHeaderFields::names() const {
    QStringList result;
    for (const auto& field : fields_) result << field.first;
    return result;
}

QVariantMap HTTPHeaderFields::toVariantMap() const {
    QVariantMap map;
    for (const auto& [name, value] : fields_) map.insert(name, value);
    return map;
}

HTTPHeaderFields HTTPHeaderFields::fromVariantMap(const QVariantMap& map) {
    HTTPHeaderFields fields;
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        fields.setValue(it.key(), it.value().toString());
    return fields;
}

QString HTTPHeaderFields::textOf(const QByteArray& raw) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8(raw);
    return utf8.hasError() ? QString::fromLatin1(raw) : text;
}

}  // namespace ns
