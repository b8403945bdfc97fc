#include "net/transport/JsonGen.h"

#include "net/transport/JsonBase64.h"

#include <QDateTime>
#include <QUrl>

#include <yajl/yajl_gen.h>

#include <array>
#include <charconv>
#include <cmath>

namespace {

void writeRaw(yajl_gen gen, const char* text, size_t length) {
    yajl_gen_number(gen, text, length);
}

template <typename Integer>
void writeInteger(yajl_gen gen, Integer value) {
    std::array<char, 24> text{};
    const auto result = std::to_chars(text.data(), text.data() + text.size(), value);
    writeRaw(gen, text.data(), size_t(result.ptr - text.data()));
}

template <typename Real>
void writeReal(yajl_gen gen, Real value) {
    // Infinity and NaN have no JSON form: written as text they would spoil the output.
    if (!std::isfinite(value)) {
        yajl_gen_null(gen);
        return;
    }
    std::array<char, 32> text{};
    const auto result = std::to_chars(text.data(), text.data() + text.size(), value);
    writeRaw(gen, text.data(), size_t(result.ptr - text.data()));
}

void writeString(yajl_gen gen, const QString& value) {
    const QByteArray bytes = value.toUtf8();
    yajl_gen_string(gen, reinterpret_cast<const unsigned char*>(bytes.constData()),
                    size_t(bytes.size()));
}

// Members in the dictionary's own iteration order.
template <typename Dictionary>
void writeDictionary(JsonGen& generator, const Dictionary& dictionary) {
    generator.startDictionary();
    for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it) {
        generator.string(it.key());
        generator.object(it.value());
    }
    generator.endDictionary();
}

bool isNumber(int type) {
    switch (type) {
        case QMetaType::Bool:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Long:
        case QMetaType::ULong:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Char:
        case QMetaType::SChar:
        case QMetaType::UChar:
        case QMetaType::Double:
        case QMetaType::Float:
            return true;
        default:
            return false;
    }
}

}  // namespace

JsonGen::JsonGen() : JsonGen(0, QString()) {}

JsonGen::JsonGen(GenOptions options, const QString& indentString)
    : indent_(indentString.toUtf8()), gen_(yajl_gen_alloc(nullptr)), genOptions_(options) {
    yajl_gen_config(gen_, yajl_gen_beautify, (options & GenBeautify) ? 1 : 0);
    yajl_gen_config(gen_, yajl_gen_indent_string, indent_.constData());
}

JsonGen::~JsonGen() {
    yajl_gen_free(gen_);
}

void JsonGen::object(const QVariant& value) {
    const int type = value.typeId();
    switch (type) {
        case QMetaType::QVariantList:
            startArray();
            for (const QVariant& element : value.toList()) object(element);
            endArray();
            return;
        case QMetaType::QStringList:
            startArray();
            for (const QString& element : value.toStringList()) string(element);
            endArray();
            return;
        case QMetaType::QVariantMap:
            writeDictionary(*this, value.toMap());
            return;
        case QMetaType::QVariantHash:
            writeDictionary(*this, value.toHash());
            return;
        case QMetaType::QString:
            string(value.toString());
            return;
        case QMetaType::UnknownType:
        case QMetaType::Nullptr:
            null();
            return;
        default:
            break;
    }
    if (isNumber(type)) {
        number(value);
        return;
    }
    unsupported(value);
}

void JsonGen::unsupported(const QVariant& value) {
    if (genOptions_ & GenIncludeUnsupportedTypes) {
        switch (value.typeId()) {
            case QMetaType::QDateTime:
                writeInteger(gen_, value.toDateTime().toMSecsSinceEpoch());
                return;
            case QMetaType::QByteArray:
                string(JsonBase64::stringByEncodingData(value.toByteArray()));
                return;
            case QMetaType::QUrl:
                string(value.toUrl().toString(QUrl::FullyEncoded));
                return;
            default:
                break;
        }
    }
    if (genOptions_ & GenIgnoreUnknownTypes) {
        null();
        return;
    }
    throw JsonGenInvalidObjectException(
        QStringLiteral("Unknown object type: %1 (%2)")
            .arg(QString::fromLatin1(value.typeName()), value.toString())
            .toStdString());
}

void JsonGen::null() {
    yajl_gen_null(gen_);
}

void JsonGen::boolean(bool value) {
    yajl_gen_bool(gen_, value ? 1 : 0);
}

void JsonGen::number(const QVariant& value) {
    switch (value.typeId()) {
        case QMetaType::Bool:
            boolean(value.toBool());
            return;
        case QMetaType::Double:
            writeReal(gen_, value.toDouble());
            return;
        case QMetaType::Float:
            writeReal(gen_, value.toFloat());
            return;
        case QMetaType::ULongLong:
        case QMetaType::ULong:
            writeInteger(gen_, value.toULongLong());
            return;
        default:
            writeInteger(gen_, value.toLongLong());
            return;
    }
}

void JsonGen::string(const QString& value) {
    writeString(gen_, value);
}

void JsonGen::startDictionary() {
    yajl_gen_map_open(gen_);
}
void JsonGen::endDictionary() {
    yajl_gen_map_close(gen_);
}
void JsonGen::startArray() {
    yajl_gen_array_open(gen_);
}
void JsonGen::endArray() {
    yajl_gen_array_close(gen_);
}
void JsonGen::clear() {
    yajl_gen_clear(gen_);
}

QString JsonGen::buffer() const {
    const unsigned char* bytes = nullptr;
    size_t length = 0;
    yajl_gen_get_buf(gen_, &bytes, &length);
    return QString::fromUtf8(reinterpret_cast<const char*>(bytes), qsizetype(length));
}
