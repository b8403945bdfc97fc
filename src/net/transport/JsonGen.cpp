#include "net/transport/JsonGen.h"

#include "net/transport/JsonBase64.h"

#include <QDateTime>
#include <QUrl>

#include <yajl/yajl_gen.h>

#include <array>
#include <charconv>
#include <cmath>

namespace {

template <typename Integer>
yajl_gen_status writeInteger(yajl_gen gen, Integer value) {
    std::array<char, 24> text{};
    const auto result = std::to_chars(text.data(), text.data() + text.size(), value);
    return yajl_gen_number(gen, text.data(), size_t(result.ptr - text.data()));
}

template <typename Real>
yajl_gen_status writeReal(yajl_gen gen, Real value) {
    // Infinity and NaN have no JSON form: written as text they would spoil the output.
    if (!std::isfinite(value)) return yajl_gen_null(gen);
    std::array<char, 32> text{};
    const auto result = std::to_chars(text.data(), text.data() + text.size(), value);
    return yajl_gen_number(gen, text.data(), size_t(result.ptr - text.data()));
}

yajl_gen_status writeString(yajl_gen gen, const QString& value) {
    const QByteArray bytes = value.toUtf8();
    return yajl_gen_string(gen, reinterpret_cast<const unsigned char*>(bytes.constData()),
                           size_t(bytes.size()));
}

// Members in the dictionary's own iteration order.
template <typename Dictionary>
void writeDictionary(JsonGen& generator, const Dictionary& dictionary) {
    generator.startDictionary();
    for (auto it = dictionary.cbegin(); it != dictionary.cend() && generator.isValid(); ++it) {
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

bool JsonGen::accept(int status) {
    if (status != yajl_gen_status_ok) valid_ = false;
    return valid_;
}

void JsonGen::object(const QVariant& value) {
    // A refused generator goes no deeper: a tree of any depth is walked at most kMaxDepth
    // levels down.
    if (!valid_) return;
    const int type = value.typeId();
    switch (type) {
        case QMetaType::QVariantList:
            startArray();
            for (const QVariant& element : value.toList()) {
                if (!valid_) break;
                object(element);
            }
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
                if (valid_) accept(writeInteger(gen_, value.toDateTime().toMSecsSinceEpoch()));
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

// Each call below leaves the generator alone once it has refused a value: yajl's state past
// a refusal (its depth one beyond its table) must not be written to.

void JsonGen::null() {
    if (valid_) accept(yajl_gen_null(gen_));
}

void JsonGen::boolean(bool value) {
    if (valid_) accept(yajl_gen_bool(gen_, value ? 1 : 0));
}

void JsonGen::number(const QVariant& value) {
    if (!valid_) return;
    switch (value.typeId()) {
        case QMetaType::Bool:
            boolean(value.toBool());
            return;
        case QMetaType::Double:
            accept(writeReal(gen_, value.toDouble()));
            return;
        case QMetaType::Float:
            accept(writeReal(gen_, value.toFloat()));
            return;
        case QMetaType::ULongLong:
        case QMetaType::ULong:
            accept(writeInteger(gen_, value.toULongLong()));
            return;
        default:
            accept(writeInteger(gen_, value.toLongLong()));
            return;
    }
}

void JsonGen::string(const QString& value) {
    if (valid_) accept(writeString(gen_, value));
}

void JsonGen::startDictionary() {
    if (valid_) accept(yajl_gen_map_open(gen_));
}
void JsonGen::endDictionary() {
    if (valid_) accept(yajl_gen_map_close(gen_));
}
void JsonGen::startArray() {
    if (valid_) accept(yajl_gen_array_open(gen_));
}
void JsonGen::endArray() {
    if (valid_) accept(yajl_gen_array_close(gen_));
}
void JsonGen::clear() {
    yajl_gen_clear(gen_);
    // A refusal spends the generator's state: a new text starts.
    if (!valid_) {
        yajl_gen_reset(gen_, nullptr);
        valid_ = true;
    }
}

QString JsonGen::buffer() const {
    const unsigned char* bytes = nullptr;
    size_t length = 0;
    yajl_gen_get_buf(gen_, &bytes, &length);
    return QString::fromUtf8(reinterpret_cast<const char*>(bytes), qsizetype(length));
}
