#include "platform/foundation/property_list.h"

#include "platform/foundation/binary_property_list.h"
#include "platform/foundation/file_manager.h"

#include <QDateTime>
#include <QFile>
#include <QStringList>
#include <QTimeZone>
#include <QtEndian>

#include <plist/plist.h>

#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>

namespace ns {

namespace {

struct PlistFree {
    void operator()(void* node) const { plist_free(node); }
};
using Node = std::unique_ptr<void, PlistFree>;

// 2001-01-01 00:00:00 UTC, where property-list dates count from, in ms since 1970.
constexpr qint64 kReferenceDateMsecs = 978307200000;

// Markers of the binary format's objects used below.
constexpr quint8 kBinaryDate = 0x33;
constexpr quint8 kBinaryInt128 = 0x14;
constexpr int kBinaryHeaderSize = 8;
constexpr int kBinaryTrailerSize = 32;

Error readError(const QString& reason) {
    return Error::withDescription(
        Error::kCocoaErrorDomain, PropertyList::kReadCorruptError,
        QStringLiteral("The data couldn\u2019t be read: %1.").arg(reason));
}

Error writeError(const QString& reason) {
    return Error::withDescription(
        Error::kCocoaErrorDomain, PropertyList::kWriteInvalidError,
        QStringLiteral("Property list invalid for format: %1.").arg(reason));
}

// libplist's scalar accessors are narrower than its formats: dates travel as 32-bit whole
// seconds plus microseconds (wrong before 2001 and outside 1933-2069), and integers do not
// tell -1 from 2^64-1. Its binary form of a single node is exact, so those values go
// through one-object binary documents, built and taken apart here.
Node nodeFromBinaryObject(const QByteArray& object) {
    QByteArray document("bplist00");
    document += object;
    const int offsetTable = int(document.size());
    document += char(kBinaryHeaderSize);  // the one object's offset
    QByteArray trailer(kBinaryTrailerSize, '\0');
    trailer[6] = 1;                   // bytes per offset
    trailer[7] = 1;                   // bytes per object reference
    trailer[15] = 1;                  // object count; the top object is object 0
    trailer[31] = char(offsetTable);  // where the offset table starts
    document += trailer;
    plist_t node = nullptr;
    plist_from_bin(document.constData(), uint32_t(document.size()), &node);
    return Node(node);
}

// The encoded bytes of a scalar node's object in the binary format.
QByteArray binaryObjectOf(plist_t node) {
    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(node, &bytes, &length);
    const QByteArray document(bytes, qsizetype(length));
    plist_to_bin_free(bytes);
    if (document.size() < kBinaryHeaderSize + kBinaryTrailerSize) return {};
    const char* trailer = document.constData() + document.size() - kBinaryTrailerSize;
    const int offsetSize = quint8(trailer[6]);
    const auto topObject = qFromBigEndian<quint64>(trailer + 16);
    const auto offsetTable = qFromBigEndian<quint64>(trailer + 24);
    if (offsetSize < 1 || offsetSize > 8) return {};
    const quint64 entry = offsetTable + topObject * quint64(offsetSize);
    if (entry + quint64(offsetSize) > quint64(document.size())) return {};
    quint64 offset = 0;
    for (int i = 0; i < offsetSize; ++i)
        offset = (offset << 8) | quint8(document[qsizetype(entry) + i]);
    if (offset >= offsetTable) return {};
    return document.mid(qsizetype(offset), qsizetype(offsetTable - offset));
}

Node dateNode(double secondsSinceReference) {
    QByteArray object(1, char(kBinaryDate));
    object.resize(9);
    qToBigEndian(std::bit_cast<quint64>(secondsSinceReference), object.data() + 1);
    return nodeFromBinaryObject(object);
}

Node bigUnsignedNode(quint64 value) {
    QByteArray object(17, '\0');
    object[0] = char(kBinaryInt128);
    qToBigEndian(value, object.data() + 9);
    return nodeFromBinaryObject(object);
}

QVariant dateValue(plist_t node) {
    double seconds = 0;
    const QByteArray object = binaryObjectOf(node);
    if (object.size() >= 9 && quint8(object[0]) == kBinaryDate) {
        seconds = std::bit_cast<double>(qFromBigEndian<quint64>(object.constData() + 1));
    } else {
        int32_t whole = 0;
        int32_t micro = 0;
        plist_get_date_val(node, &whole, &micro);
        seconds = whole + micro / 1e6;
    }
    // Beyond some million years the date does not fit a QDateTime.
    if (!std::isfinite(seconds) || std::abs(seconds) > 1e14) return {};
    return QDateTime::fromMSecsSinceEpoch(kReferenceDateMsecs + qRound64(seconds * 1000.0),
                                          QTimeZone::utc());
}

QVariant integerValue(plist_t node) {
    uint64_t value = 0;
    plist_get_uint_val(node, &value);
    if (value <= uint64_t(std::numeric_limits<qint64>::max())) return qint64(value);
    const QByteArray object = binaryObjectOf(node);
    if (!object.isEmpty() && quint8(object[0]) == kBinaryInt128) return quint64(value);
    return qint64(value);  // a negative number, kept in two's complement
}

// XML has no UID element: a UID is written as a dictionary with the one key "CF$UID".
std::optional<quint64> xmlUID(plist_t dict) {
    if (plist_dict_get_size(dict) != 1) return std::nullopt;
    plist_t number = plist_dict_get_item(dict, "CF$UID");
    if (!number || plist_get_node_type(number) != PLIST_UINT) return std::nullopt;
    uint64_t value = 0;
    plist_get_uint_val(number, &value);
    if (value > PropertyList::kMaximumUID) return std::nullopt;  // stays a dictionary
    return value;
}

QVariant fromNode(plist_t node, bool fromXml) {
    switch (plist_get_node_type(node)) {
        case PLIST_BOOLEAN: {
            uint8_t value = 0;
            plist_get_bool_val(node, &value);
            return bool(value);
        }
        case PLIST_UINT:
            return integerValue(node);
        case PLIST_REAL: {
            double value = 0;
            plist_get_real_val(node, &value);
            return value;
        }
        case PLIST_STRING:
        case PLIST_KEY: {
            uint64_t length = 0;
            const char* text = plist_get_string_ptr(node, &length);
            // A text holding U+0000 could not be written back; refused like the binary form.
            if (std::memchr(text, 0, std::size_t(length))) return {};
            return QString::fromUtf8(text, qsizetype(length));
        }
        case PLIST_DATA: {
            uint64_t length = 0;
            const char* bytes = plist_get_data_ptr(node, &length);
            return QByteArray(bytes, qsizetype(length));
        }
        case PLIST_DATE:
            return dateValue(node);
        case PLIST_UID: {
            uint64_t value = 0;
            plist_get_uid_val(node, &value);
            return QVariant::fromValue(PropertyListUID{value});
        }
        case PLIST_ARRAY: {
            QVariantList list;
            const uint32_t count = plist_array_get_size(node);
            list.reserve(count);
            for (uint32_t i = 0; i < count; ++i) {
                QVariant item = fromNode(plist_array_get_item(node, i), fromXml);
                if (!item.isValid()) return {};  // a collection never holds nil
                list.append(std::move(item));
            }
            return list;
        }
        case PLIST_DICT: {
            if (fromXml) {
                if (const auto uid = xmlUID(node))
                    return QVariant::fromValue(PropertyListUID{*uid});
            }
            QVariantMap map;
            plist_dict_iter iterator = nullptr;
            plist_dict_new_iter(node, &iterator);
            bool complete = true;
            while (complete) {
                char* key = nullptr;
                plist_t item = nullptr;
                plist_dict_next_item(node, iterator, &key, &item);
                if (item) {
                    QVariant value = fromNode(item, fromXml);
                    complete = value.isValid();
                    map.insert(QString::fromUtf8(key), std::move(value));
                }
                std::free(key);
                if (!item) break;
            }
            std::free(iterator);
            if (!complete) return {};
            return map;
        }
        default:
            return {};
    }
}

// Builds the node of `value`, or nothing with the reason in `error`. `where` names the
// value's place in the tree for that reason.
Node toNode(const QVariant& value, PropertyList::Format format, const QString& where,
            QString& error) {
    switch (value.typeId()) {
        case QMetaType::Bool:
            return Node(plist_new_bool(value.toBool() ? 1 : 0));
        case QMetaType::Int:
        case QMetaType::Short:
        case QMetaType::Long:
        case QMetaType::LongLong:
        case QMetaType::SChar:
            return Node(plist_new_uint(uint64_t(value.toLongLong())));
        case QMetaType::UInt:
        case QMetaType::UShort:
        case QMetaType::ULong:
        case QMetaType::ULongLong:
        case QMetaType::UChar: {
            const quint64 number = value.toULongLong();
            if (number > quint64(std::numeric_limits<qint64>::max()))
                return bigUnsignedNode(number);
            return Node(plist_new_uint(number));
        }
        case QMetaType::Double:
        case QMetaType::Float:
            return Node(plist_new_real(value.toDouble()));
        case QMetaType::QString: {
            const QString text = value.toString();
            if (text.contains(QChar(0))) {
                error = QStringLiteral("the text at %1 holds a NUL character").arg(where);
                return {};
            }
            return Node(plist_new_string(text.toUtf8().constData()));
        }
        case QMetaType::QByteArray: {
            const QByteArray bytes = value.toByteArray();
            return Node(plist_new_data(bytes.constData(), uint64_t(bytes.size())));
        }
        case QMetaType::QDateTime: {
            const QDateTime date = value.toDateTime();
            if (!date.isValid()) {
                error = QStringLiteral("the date at %1 is invalid").arg(where);
                return {};
            }
            double seconds = double(date.toMSecsSinceEpoch() - kReferenceDateMsecs) / 1000.0;
            // XML keeps whole seconds and libplist truncates them toward zero, which would
            // put a date before 2001 one second late.
            if (format == PropertyList::Format::Xml) seconds = std::floor(seconds);
            return dateNode(seconds);
        }
        case QMetaType::QVariantMap:
        case QMetaType::QVariantHash: {
            // A hash goes through a map so that its keys come out in a stable order.
            const QVariantMap map = value.toMap();
            Node dict(plist_new_dict());
            for (auto it = map.cbegin(); it != map.cend(); ++it) {
                if (it.key().contains(QChar(0))) {
                    error = QStringLiteral("a key in %1 holds a NUL character").arg(where);
                    return {};
                }
                Node item = toNode(it.value(), format, where + QLatin1Char('.') + it.key(), error);
                if (!item) return {};
                plist_dict_set_item(dict.get(), it.key().toUtf8().constData(), item.release());
            }
            return dict;
        }
        case QMetaType::QVariantList:
        case QMetaType::QStringList: {
            const QVariantList list = value.toList();
            Node array(plist_new_array());
            for (qsizetype i = 0; i < list.size(); ++i) {
                Node item =
                    toNode(list[i], format, QStringLiteral("%1[%2]").arg(where).arg(i), error);
                if (!item) return {};
                plist_array_append_item(array.get(), item.release());
            }
            return array;
        }
        default:
            if (value.metaType() == QMetaType::fromType<PropertyListUID>()) {
                const quint64 uid = value.value<PropertyListUID>().value;
                if (uid > PropertyList::kMaximumUID) {
                    error = QStringLiteral("the reference at %1 is beyond 32 bits").arg(where);
                    return {};
                }
                return Node(plist_new_uid(uid));
            }
            if (!value.isValid()) {
                error = QStringLiteral("the value at %1 is nil").arg(where);
            } else {
                error = QStringLiteral("the value at %1 is a %2, which a property list cannot hold")
                            .arg(where, QString::fromLatin1(value.typeName()));
            }
            return {};
    }
}

}  // namespace

QVariant PropertyList::propertyListWithData(const QByteArray& data, Format* format, Error* error) {
    const auto fail = [&](const QString& reason) {
        if (error) *error = readError(reason);
        return QVariant();
    };
    if (data.isEmpty()) return fail(QStringLiteral("it is empty"));
    if (data.size() > qsizetype(std::numeric_limits<uint32_t>::max())) {
        return fail(QStringLiteral("it is too large"));
    }
    if (data.startsWith("bplist")) {
        // Read by our own checking reader: the library's own one asserts on some damage.
        QString reason;
        QVariant value = BinaryPropertyList::read(data, &reason);
        if (!value.isValid()) return fail(reason);
        if (format) *format = Format::Binary;
        return value;
    }
    plist_t root = nullptr;
    plist_from_xml(data.constData(), uint32_t(data.size()), &root);
    const Node owner(root);
    if (!root) return fail(QStringLiteral("it is not in the correct format"));
    QVariant value = fromNode(root, true);
    if (!value.isValid()) return fail(QStringLiteral("it holds a value it cannot keep"));
    if (format) *format = Format::Xml;
    return value;
}

QByteArray PropertyList::dataWithPropertyList(const QVariant& value, Format format, Error* error) {
    QString reason;
    const Node root = toNode(value, format, QStringLiteral("root"), reason);
    if (!root) {
        if (error) *error = writeError(reason);
        return {};
    }
    char* bytes = nullptr;
    uint32_t length = 0;
    QByteArray data;
    if (format == Format::Binary) {
        plist_to_bin(root.get(), &bytes, &length);
        data = QByteArray(bytes, qsizetype(length));
        plist_to_bin_free(bytes);
    } else {
        plist_to_xml(root.get(), &bytes, &length);
        data = QByteArray(bytes, qsizetype(length));
        plist_to_xml_free(bytes);
    }
    if (data.isEmpty() && error) *error = writeError(QStringLiteral("it could not be encoded"));
    return data;
}

QVariant PropertyList::canonical(const QVariant& value, Error* error) {
    QString reason;
    const Node root = toNode(value, Format::Binary, QStringLiteral("root"), reason);
    if (!root) {
        if (error) *error = writeError(reason);
        return {};
    }
    return fromNode(root.get(), false);
}

QVariant PropertyList::readFile(const QString& path, Format* format, Error* error) {
    const std::optional<QByteArray> contents = FileManager::contentsAtPath(path, error);
    if (!contents) return {};
    return propertyListWithData(*contents, format, error);
}

bool PropertyList::writeFile(const QVariant& value, const QString& path, bool atomically,
                             Format format, Error* error) {
    const QByteArray data = dataWithPropertyList(value, format, error);
    if (data.isEmpty()) return false;
    if (atomically) return FileManager::createFileAtPath(path, data, {}, error);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size() &&
        file.flush()) {
        return true;
    }
    if (error) {
        *error = Error::withDescription(Error::kCocoaErrorDomain,
                                        FileManager::kFileWriteUnknownError, file.errorString());
    }
    return false;
}

std::optional<QVariantMap> dictionaryWithContentsOfFile(const QString& path) {
    const QVariant value = PropertyList::readFile(path);
    if (value.typeId() != QMetaType::QVariantMap) return std::nullopt;
    return value.toMap();
}

std::optional<QVariantList> arrayWithContentsOfFile(const QString& path) {
    const QVariant value = PropertyList::readFile(path);
    if (value.typeId() != QMetaType::QVariantList) return std::nullopt;
    return value.toList();
}

bool writeToFile(const QVariant& collection, const QString& path, bool atomically) {
    switch (collection.typeId()) {
        case QMetaType::QVariantMap:
        case QMetaType::QVariantHash:
        case QMetaType::QVariantList:
        case QMetaType::QStringList:
            break;
        default:
            return false;
    }
    return PropertyList::writeFile(collection, path, atomically);
}

}  // namespace ns
