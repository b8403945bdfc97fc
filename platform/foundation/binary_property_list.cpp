#include "platform/foundation/binary_property_list.h"

#include "platform/foundation/property_list.h"

#include <QDateTime>
#include <QTimeZone>
#include <QVariantList>
#include <QVariantMap>
#include <QtEndian>

#include <bit>
#include <cmath>
#include <limits>
#include <optional>
#include <vector>

namespace ns {

namespace {

constexpr qsizetype kHeaderSize = 8;
constexpr qsizetype kTrailerSize = 32;
// 2001-01-01 00:00:00 UTC, where property-list dates count from, in ms since 1970.
constexpr qint64 kBinaryReferenceDateMsecs = 978307200000;

class Reader {
public:
    explicit Reader(const QByteArray& data) : data_(data) {}

    QVariant read() {
        if (data_.size() < kHeaderSize + kTrailerSize || !data_.startsWith("bplist00"))
            return refuse(QStringLiteral("it is no binary property list"));
        const char* trailer = data_.constData() + data_.size() - kTrailerSize;
        offsetSize_ = quint8(trailer[6]);
        referenceSize_ = quint8(trailer[7]);
        const auto objects = qFromBigEndian<quint64>(trailer + 8);
        const auto top = qFromBigEndian<quint64>(trailer + 16);
        const auto table = qFromBigEndian<quint64>(trailer + 24);
        const auto end = quint64(data_.size() - kTrailerSize);
        if (offsetSize_ < 1 || offsetSize_ > 8 || referenceSize_ < 1 || referenceSize_ > 8)
            return refuse(QStringLiteral("its trailer is damaged"));
        if (objects == 0 || top >= objects || table < quint64(kHeaderSize) || table > end ||
            objects > (end - table) / offsetSize_) {
            return refuse(QStringLiteral("its object table is damaged"));
        }
        objectCount_ = objects;
        table_ = table;
        objectsEnd_ = table;
        decoded_.assign(objects, {});
        state_.assign(objects, State::Unread);
        return object(top, 0);
    }

    QString reason;

private:
    enum class State : quint8 { Unread, Reading, Read };

    QVariant refuse(const QString& why) {
        if (reason.isEmpty()) reason = why;
        return {};
    }

    // `count` bytes at `at` as a big-endian unsigned number; nothing when they are not there.
    std::optional<quint64> unsignedAt(quint64 at, int count) const {
        if (at > objectsEnd_ || quint64(count) > objectsEnd_ - at) return std::nullopt;
        quint64 value = 0;
        for (int i = 0; i < count; ++i) value = (value << 8) | quint8(data_[qsizetype(at) + i]);
        return value;
    }

    std::optional<quint64> offsetOf(quint64 index) const {
        quint64 value = 0;
        const quint64 at = table_ + index * offsetSize_;
        for (int i = 0; i < offsetSize_; ++i)
            value = (value << 8) | quint8(data_[qsizetype(at) + i]);
        if (value < quint64(kHeaderSize) || value >= objectsEnd_) return std::nullopt;
        return value;
    }

    // The length of a collection, string or data object whose marker is at `at`; `next`
    // receives where its contents start.
    std::optional<quint64> lengthOf(quint64 at, quint64& next) const {
        const auto marker = quint8(data_[qsizetype(at)]);
        next = at + 1;
        if ((marker & 0x0F) != 0x0F) return marker & 0x0F;
        const auto sizeMarker = unsignedAt(next, 1);
        if (!sizeMarker || (*sizeMarker & 0xF0) != 0x10 || (*sizeMarker & 0x0F) > 3)
            return std::nullopt;
        const int bytes = 1 << (*sizeMarker & 0x0F);
        const auto length = unsignedAt(next + 1, bytes);
        if (!length) return std::nullopt;
        next += 1 + quint64(bytes);
        return length;
    }

    // Whether `count` items of `size` bytes fit between `at` and the object table.
    bool fits(quint64 at, quint64 count, quint64 size) const {
        return at <= objectsEnd_ && count <= (objectsEnd_ - at) / size;
    }

    QVariant object(quint64 index, int depth) {
        if (index >= objectCount_) return refuse(QStringLiteral("a reference points nowhere"));
        if (state_[index] == State::Read) return decoded_[index];
        if (state_[index] == State::Reading) return refuse(QStringLiteral("its references loop"));
        if (depth > BinaryPropertyList::kMaximumDepth)
            return refuse(QStringLiteral("it nests too deeply"));
        const auto offset = offsetOf(index);
        if (!offset) return refuse(QStringLiteral("an object offset is out of bounds"));
        state_[index] = State::Reading;
        QVariant value = objectAt(*offset, depth);
        state_[index] = State::Read;
        decoded_[index] = value;
        return value;
    }

    QVariant objectAt(quint64 at, int depth) {
        const auto marker = quint8(data_[qsizetype(at)]);
        const int low = marker & 0x0F;
        switch (marker >> 4) {
            case 0x0:
                if (marker == 0x08) return false;
                if (marker == 0x09) return true;
                return refuse(QStringLiteral("it holds a null"));
            case 0x1:
                return integerAt(at, low);
            case 0x2: {
                if (low == 2) {
                    const auto bits = unsignedAt(at + 1, 4);
                    if (!bits) return refuse(QStringLiteral("a number is cut short"));
                    return double(std::bit_cast<float>(quint32(*bits)));
                }
                if (low == 3) {
                    const auto bits = unsignedAt(at + 1, 8);
                    if (!bits) return refuse(QStringLiteral("a number is cut short"));
                    return std::bit_cast<double>(*bits);
                }
                return refuse(QStringLiteral("a real has an unknown size"));
            }
            case 0x3: {
                const auto bits = marker == 0x33 ? unsignedAt(at + 1, 8) : std::nullopt;
                if (!bits) return refuse(QStringLiteral("a date is damaged"));
                const double seconds = std::bit_cast<double>(*bits);
                // Beyond some million years the date does not fit a QDateTime.
                if (!std::isfinite(seconds) || std::abs(seconds) > 1e14)
                    return refuse(QStringLiteral("a date is out of range"));
                return QDateTime::fromMSecsSinceEpoch(
                    kBinaryReferenceDateMsecs + qRound64(seconds * 1000.0), QTimeZone::utc());
            }
            case 0x4:
            case 0x5:
            case 0x6:
                return bytesAt(at, marker >> 4);
            case 0x8: {
                const auto value = unsignedAt(at + 1, low + 1);
                if (!value || low > 7) return refuse(QStringLiteral("a reference is damaged"));
                if (*value > PropertyList::kMaximumUID)
                    return refuse(QStringLiteral("a reference is beyond 32 bits"));
                return QVariant::fromValue(PropertyListUID{*value});
            }
            case 0xA:
            case 0xD:
                return collectionAt(at, marker >> 4 == 0xD, depth);
            default:
                return refuse(QStringLiteral("it holds an object of an unknown kind"));
        }
    }

    QVariant integerAt(quint64 at, int sizeCode) {
        if (sizeCode > 4) return refuse(QStringLiteral("an integer has an unknown size"));
        const int bytes = 1 << sizeCode;
        if (bytes == 16) {
            // 128 bits: the writer uses them for unsigned numbers above the signed range.
            const auto low = unsignedAt(at + 9, 8);
            if (!low || !unsignedAt(at + 1, 8))
                return refuse(QStringLiteral("an integer is cut short"));
            if (*low <= quint64(std::numeric_limits<qint64>::max())) return qint64(*low);
            return *low;
        }
        const auto value = unsignedAt(at + 1, bytes);
        if (!value) return refuse(QStringLiteral("an integer is cut short"));
        return qint64(*value);  // eight bytes are signed, fewer always positive
    }

    QVariant bytesAt(quint64 at, int kind) {
        quint64 start = 0;
        const auto length = lengthOf(at, start);
        const quint64 unit = kind == 0x6 ? 2 : 1;
        if (!length || !fits(start, *length, unit))
            return refuse(QStringLiteral("a text or data object runs past its end"));
        const char* bytes = data_.constData() + start;
        const auto size = qsizetype(*length * unit);
        if (kind == 0x4) return QByteArray(bytes, size);
        QString text;
        if (kind == 0x5) {
            text = QString::fromLatin1(bytes, size);
        } else {
            text.resize(qsizetype(*length));
            for (qsizetype i = 0; i < qsizetype(*length); ++i)
                text[i] = QChar(qFromBigEndian<quint16>(bytes + 2 * i));
        }
        // The writer cannot write such a text back: one that it holds would make every
        // later save of the document fail.
        if (text.contains(QChar(0))) return refuse(QStringLiteral("a text holds a NUL character"));
        // Nor a half of a surrogate pair, which has no UTF-8 form.
        if (!text.isValidUtf16()) return refuse(QStringLiteral("a text is no valid UTF-16"));
        return text;
    }

    QVariant collectionAt(quint64 at, bool isDictionary, int depth) {
        quint64 start = 0;
        const auto count = lengthOf(at, start);
        const quint64 references = count ? *count * (isDictionary ? 2 : 1) : 0;
        if (!count || (isDictionary && *count > std::numeric_limits<quint64>::max() / 2) ||
            !fits(start, references, referenceSize_)) {
            return refuse(QStringLiteral("a collection runs past its end"));
        }
        const auto reference = [&](quint64 i) {
            return *unsignedAt(start + i * referenceSize_, referenceSize_);
        };
        if (!isDictionary) {
            QVariantList list;
            list.reserve(qsizetype(std::min<quint64>(*count, objectCount_)));
            for (quint64 i = 0; i < *count; ++i) {
                QVariant item = object(reference(i), depth + 1);
                if (!item.isValid()) return {};
                list.append(std::move(item));
            }
            return list;
        }
        QVariantMap map;
        for (quint64 i = 0; i < *count; ++i) {
            const QVariant key = object(reference(i), depth + 1);
            if (!key.isValid()) return {};
            if (key.typeId() != QMetaType::QString)
                return refuse(QStringLiteral("a dictionary key is no text"));
            QVariant value = object(reference(*count + i), depth + 1);
            if (!value.isValid()) return {};
            map.insert(key.toString(), std::move(value));
        }
        return map;
    }

    const QByteArray& data_;
    int offsetSize_ = 0;
    int referenceSize_ = 0;
    quint64 objectCount_ = 0;
    quint64 table_ = 0;
    quint64 objectsEnd_ = 0;
    // Each object is read once: shared ones are handed out again, loops are caught.
    std::vector<QVariant> decoded_;
    std::vector<State> state_;
};

}  // namespace

QVariant BinaryPropertyList::read(const QByteArray& data, QString* reason) {
    Reader reader(data);
    QVariant value = reader.read();
    if (!value.isValid() && reason) *reason = reader.reason;
    return value;
}

}  // namespace ns
