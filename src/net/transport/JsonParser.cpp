#include "net/transport/JsonParser.h"

#include <QUtf8StringView>

#include <yajl/yajl_parse.h>

#include <locale.h>
#include <array>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

namespace {

// Longer keys are converted each time.
constexpr size_t kMaxCachedKeyLength = 48;

// A JSON null reaches callers as the empty string.
const QString& emptyString() {
    static const QString empty = QStringLiteral("");
    return empty;
}

// Most strings of a reply (URLs, numbers, dates) are ASCII, which needs no decoding.
bool isAscii(const char* bytes, size_t length) {
    size_t index = 0;
    for (; index + 8 <= length; index += 8) {
        quint64 word;
        std::memcpy(&word, bytes + index, 8);
        if (word & 0x8080808080808080ull) return false;
    }
    unsigned char high = 0;
    for (; index < length; ++index) high |= static_cast<unsigned char>(bytes[index]);
    return !(high & 0x80);
}

// Hash of a short key: its length and its first and last (up to) eight bytes.
quint32 keyHash(const char* bytes, size_t length) {
    quint64 head = 0;
    quint64 tail = 0;
    const size_t part = length < 8 ? length : 8;
    std::memcpy(&head, bytes, part);
    std::memcpy(&tail, bytes + length - part, part);
    const quint64 mixed = (head * 0x9E3779B97F4A7C15ull) ^ (tail * 0xC2B2AE3D27D4EB4Full) ^ length;
    return quint32(mixed >> 32) ^ quint32(mixed);
}

// Replies repeat the same few keys in every record and every reply: converting each
// once and sharing the QString saves a conversion and an allocation per member. One
// cache per thread outlives the parsers, so a small reply finds its keys made by the
// last one. It is direct-mapped by hash, so a text with many distinct keys cannot grow
// it; its entries keep the key's bytes for a plain comparison.
struct CachedKey {
    quint32 hash = 0;
    quint32 length = 0;
    std::array<char, kMaxCachedKeyLength> bytes{};
    QString key;
};

std::array<CachedKey, 256>& keyCache() {
    thread_local std::array<CachedKey, 256> cache;
    return cache;
}

// yajl allocates its handle, lexer, buffers and stack afresh for every parse, some of them
// a kilobyte or more, which is where the allocator stops to consolidate the small blocks
// freed by the last tree. Each thread keeps a few of the blocks freed instead and hands
// them out again; a block may be freed on any thread, which then keeps it.
class RecycledBlocks {
public:
    ~RecycledBlocks() {
        for (std::size_t i = 0; i < count_; ++i) std::free(kept_[i]);
    }

    static void* take(void*, size_t size) { return blocks().takeBlock(size); }
    static void give(void*, void* block) {
        if (block) blocks().keep(headerOf(block));
    }
    static void* resize(void*, void* block, size_t size) {
        if (!block) return blocks().takeBlock(size);
        Header* header = headerOf(block);
        if (header->capacity >= size) return block;
        void* larger = blocks().takeBlock(size);
        if (larger) {
            std::memcpy(larger, block, header->capacity);
            blocks().keep(header);
        }
        return larger;
    }

private:
    struct alignas(std::max_align_t) Header {
        size_t capacity;
    };
    static constexpr std::size_t kKept = 16;

    static RecycledBlocks& blocks() {
        thread_local RecycledBlocks blocks;
        return blocks;
    }
    static Header* headerOf(void* block) { return static_cast<Header*>(block) - 1; }

    void* takeBlock(size_t size) {
        for (std::size_t i = 0; i < count_; ++i) {
            if (kept_[i]->capacity >= size) {
                Header* header = kept_[i];
                kept_[i] = kept_[--count_];
                return header + 1;
            }
        }
        auto* header = static_cast<Header*>(std::malloc(sizeof(Header) + size));
        if (!header) return nullptr;
        header->capacity = size;
        return header + 1;
    }
    void keep(Header* header) {
        if (count_ < kKept) {
            kept_[count_++] = header;
        } else {
            std::free(header);
        }
    }

    std::array<Header*, kKept> kept_{};
    std::size_t count_ = 0;
};

yajl_alloc_funcs recycledBlocks{&RecycledBlocks::take, &RecycledBlocks::resize,
                                &RecycledBlocks::give, nullptr};

// The process locale may use a decimal comma; numbers are always read the C way.
locale_t cLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return locale;
}

}  // namespace

// yajl calls these with the parser as context; returning 0 stops the parse.
struct JsonParser::Events {
    static JsonParser& parser(void* context) { return *static_cast<JsonParser*>(context); }

    static int null(void* context) {
        parser(context).valueParsed(QVariant(emptyString()));
        return 1;
    }

    static int boolean(void* context, int value) {
        parser(context).valueParsed(QVariant(value != 0));
        return 1;
    }

    static int number(void* context, const char* text, size_t length) {
        JsonParser& self = parser(context);
        if (std::exchange(self.numberCut_, false)) {
            self.leaveOut(
                QStringLiteral("number longer than %1 characters").arg(kJsonLongestNumber));
            return 1;
        }
        const char* end = text + length;
        const std::string_view literal(text, length);
        if (literal.find_first_of(".eE") == std::string_view::npos) {
            qint64 integer = 0;
            const auto [stop, error] = std::from_chars(text, end, integer);
            if (error == std::errc() && stop == end) {
                self.valueParsed(QVariant(integer));
                return 1;
            }
            if (self.parserOptions_ & ParserStrictPrecision) {
                const QString value = QString::fromLatin1(text, qsizetype(length));
                self.fail(kJsonErrorIntegerOverflow,
                          QStringLiteral("integer overflow on '%1'").arg(value), value);
                return 0;
            }
        }
        double real = 0;
        const auto [stop, error] = std::from_chars(text, end, real);
        if (error == std::errc::result_out_of_range || stop != end) {
            // Out of range is either overflow (an error) or underflow (a value near 0):
            // strtod tells them apart. yajl's text is not terminated, hence the copy.
            const std::string terminated(literal);
            real = strtod_l(terminated.c_str(), nullptr, cLocale());
            if (std::isinf(real)) {
                const QString value = QString::fromLatin1(text, qsizetype(length));
                const QString message = QStringLiteral("double overflow on '%1'").arg(value);
                if (self.leavesOutNumbers_) {
                    self.leaveOut(message);
                    return 1;
                }
                self.fail(kJsonErrorDoubleOverflow, message, value);
                return 0;
            }
        }
        self.valueParsed(QVariant(real));
        return 1;
    }

    static int string(void* context, const unsigned char* bytes, size_t length) {
        JsonParser& self = parser(context);
        const auto* text = reinterpret_cast<const char*>(bytes);
        const auto size = qsizetype(length);
        if (isAscii(text, length)) {
            self.valueParsed(QVariant(QString::fromLatin1(text, size)));
        } else if (!(self.parserOptions_ & ParserCheckUTF8) &&
                   !QUtf8StringView(text, size).isValidUtf8()) {
            self.valueParsed(QVariant());
        } else {
            self.valueParsed(QVariant(QString::fromUtf8(text, size)));
        }
        return 1;
    }

    static int mapKey(void* context, const unsigned char* bytes, size_t length) {
        JsonParser& self = parser(context);
        const QString& key = self.keyFromBytes(reinterpret_cast<const char*>(bytes), length);
        if (self.delegate_) self.delegate_->parserDidMapKey(self, key);
        return 1;
    }

    using Event = void (JsonParserDelegate::*)(JsonParser&);

    static int opened(void* context, Event event) {
        JsonParser& self = parser(context);
        if (++self.depth_ > kJsonMaxDepth) {
            self.fail(kJsonErrorTooDeep,
                      QStringLiteral("nesting deeper than %1 levels").arg(kJsonMaxDepth));
            return 0;
        }
        if (self.delegate_) (self.delegate_->*event)(self);
        return 1;
    }

    static int closed(void* context, Event event) {
        JsonParser& self = parser(context);
        if (--self.depth_ == 0) self.complete_ = true;
        if (self.delegate_) (self.delegate_->*event)(self);
        return 1;
    }

    static int startMap(void* context) {
        return opened(context, &JsonParserDelegate::parserDidStartDictionary);
    }
    static int endMap(void* context) {
        return closed(context, &JsonParserDelegate::parserDidEndDictionary);
    }
    static int startArray(void* context) {
        return opened(context, &JsonParserDelegate::parserDidStartArray);
    }
    static int endArray(void* context) {
        return closed(context, &JsonParserDelegate::parserDidEndArray);
    }

    static constexpr yajl_callbacks kCallbacks = {
        null,     boolean, nullptr, nullptr,    number,   string,
        startMap, mapKey,  endMap,  startArray, endArray,
    };
};

JsonParser::JsonParser(ParserOptions options) : parserOptions_(options) {}

JsonParser::~JsonParser() {
    if (handle_) yajl_free(handle_);
}

bool JsonParser::makeHandle(bool ignoreTrailingText) {
    if (handle_) return true;
    handle_ = yajl_alloc(&Events::kCallbacks, &recycledBlocks, this);
    if (!handle_) {
        fail(kJsonErrorNoHandle, QStringLiteral("Unable to allocate Json handle"));
        status_ = ParserStatusError;
        return false;
    }
    yajl_config(handle_, yajl_allow_comments, (parserOptions_ & ParserAllowComments) ? 1 : 0);
    yajl_config(handle_, yajl_dont_validate_strings, (parserOptions_ & ParserCheckUTF8) ? 0 : 1);
    yajl_config(handle_, yajl_allow_trailing_garbage, ignoreTrailingText ? 1 : 0);
    return true;
}

ParserStatus JsonParser::parse(QByteArrayView chunk) {
    if (status_ == ParserStatusOK || status_ == ParserStatusError) return status_;
    if (!makeHandle(true)) return status_;
    if (longestString_ > 0) return parseCutting(chunk);
    return parsePart(chunk);
}

ParserStatus JsonParser::parsePart(QByteArrayView part) {
    partStart_ = keptBytes_;
    keptBytes_ += part.size();
    const auto status = yajl_parse(handle_, reinterpret_cast<const unsigned char*>(part.data()),
                                   size_t(part.size()));
    partStart_.reset();
    return finishChunk(status, part);
}

qint64 JsonParser::keptBytes() const {
    // yajl counts what it has read of the part as it goes.
    return partStart_ ? *partStart_ + qint64(yajl_get_bytes_consumed(handle_)) : keptBytes_;
}

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isNumberByte(char c) {
    return isDigit(c) || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E';
}

int hexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool isFirstHalfOfPair(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

}  // namespace

ParserStatus JsonParser::parseCutting(QByteArrayView chunk) {
    Cutting& cut = cutting_;
    qsizetype from = 0;  // the first byte not yet passed on or skipped
    // Passes the bytes up to `to` on to yajl; false when the parse stopped there.
    const auto passOn = [&](qsizetype to) {
        if (to <= from) return true;
        const QByteArrayView part = chunk.sliced(from, to - from);
        from = to;
        return parsePart(part) == ParserStatusInsufficientData;
    };
    for (qsizetype at = 0; at < chunk.size(); ++at) {
        const char c = chunk[at];
        if (!cut.inString) {
            if (cut.skippingNumber) {
                if (isNumberByte(c)) continue;
                cut.skippingNumber = false;
                from = at;  // what follows the literal is read
            }
            if (c == '"') {
                cut.inString = true;
                cut.stringBytes = 0;
                cut.numberBytes = 0;
                cut.pairOpen = false;
            } else if (!isNumberByte(c)) {
                cut.numberBytes = 0;
            } else if (++cut.numberBytes > kJsonLongestNumber) {
                if (!leavesOutNumbers_) {
                    // Read up to here first: after the top-level value, it is text never read.
                    if (!passOn(at)) return status_;
                    fail(
                        kJsonErrorTooLong,
                        QStringLiteral("number longer than %1 characters").arg(kJsonLongestNumber));
                    status_ = ParserStatusError;
                    return status_;
                }
                // Cut after a digit, so that what yajl reads of the literal is a number;
                // the rest is skipped and the number left out.
                if (cut.afterDigit) {
                    if (!passOn(at)) return status_;
                    cut.skippingNumber = true;
                    numberCut_ = true;
                    continue;
                }
            }
            cut.afterDigit = isDigit(c);
            continue;
        }
        // A string: a character or escape may be cut off before its first byte only, and a
        // pair's second half not at all.
        bool startsCharacter = false;
        bool secondHalf = false;
        if (cut.escaped) {
            cut.escaped = false;
            if (c == 'u') {
                cut.hexLeft = 4;
                cut.hexValue = 0;
            }
        } else if (cut.hexLeft > 0 && hexDigitValue(c) >= 0) {
            // (A \u escape cut short, which yajl refuses, ends at the byte that is no digit.)
            cut.hexValue = cut.hexValue * 16 + char32_t(hexDigitValue(c));
            if (--cut.hexLeft == 0) cut.pairOpen = isFirstHalfOfPair(cut.hexValue);
        } else if (c == '"') {
            cut.hexLeft = 0;
            cut.inString = false;
            if (cut.skipping) {
                cut.skipping = false;
                from = at;  // the closing quote is read
            }
            continue;
        } else {
            cut.hexLeft = 0;
            cut.escaped = c == '\\';
            startsCharacter = (static_cast<unsigned char>(c) & 0xC0) != 0x80;
            secondHalf = cut.pairOpen && cut.escaped;
            cut.pairOpen = false;
        }
        if (cut.skipping) continue;
        if (startsCharacter && !secondHalf && cut.stringBytes >= longestString_) {
            if (!passOn(at)) return status_;
            cut.skipping = true;
            continue;
        }
        ++cut.stringBytes;
    }
    if (cut.skipping || cut.skippingNumber) {
        from = chunk.size();
        return status_ == ParserStatusNone ? ParserStatusInsufficientData : status_;
    }
    passOn(chunk.size());
    return status_;
}

ParserStatus JsonParser::parseWhole(QByteArrayView text) {
    if (status_ == ParserStatusOK || status_ == ParserStatusError) return status_;
    if (!makeHandle(false)) return status_;
    const auto status = yajl_parse(handle_, reinterpret_cast<const unsigned char*>(text.data()),
                                   size_t(text.size()));
    if (status != yajl_status_ok) return finishChunk(status, text);
    // Telling yajl the text has ended delivers a pending top-level number; any error
    // it reports now can only mean that the text stopped inside a value.
    switch (yajl_complete_parse(handle_)) {
        case yajl_status_ok:
            status_ = ParserStatusOK;
            break;
        case yajl_status_client_canceled:
            status_ = ParserStatusError;
            break;
        default:
            fail(kJsonErrorSyntax, QStringLiteral("unexpected end of input"));
            status_ = ParserStatusError;
            break;
    }
    return status_;
}

ParserStatus JsonParser::finishChunk(int yajlStatus, QByteArrayView chunk) {
    switch (yajlStatus) {
        case yajl_status_ok:
            // yajl 2 reports plain success for a chunk that ends inside the value.
            status_ = complete_ ? ParserStatusOK : ParserStatusInsufficientData;
            break;
        case yajl_status_client_canceled:
            // The callback that stopped the parse has stored its error.
            status_ = ParserStatusError;
            break;
        case yajl_status_error: {
            unsigned char* text =
                yajl_get_error(handle_, 1, reinterpret_cast<const unsigned char*>(chunk.data()),
                               size_t(chunk.size()));
            fail(kJsonErrorSyntax, QString::fromUtf8(reinterpret_cast<const char*>(text)));
            yajl_free_error(handle_, text);
            status_ = ParserStatusError;
            break;
        }
        default:
            fail(yajlStatus, QStringLiteral("Unexpected status %1").arg(yajlStatus));
            status_ = ParserStatusError;
            break;
    }
    return status_;
}

void JsonParser::fail(qint64 code, const QString& message, const QString& literal) {
    QVariantMap userInfo{{ns::Error::kLocalizedDescriptionKey, message}};
    if (!literal.isEmpty()) userInfo.insert(kJsonParserValueKey, literal);
    parserError_ = ns::Error(kJsonErrorDomain, code, std::move(userInfo));
}

const QString& JsonParser::keyFromBytes(const char* bytes, size_t length) {
    if (length == 0) return emptyString();  // never the null QString, which means undecodable
    if (length <= kMaxCachedKeyLength) {
        const quint32 hash = keyHash(bytes, length);
        auto& cache = keyCache();
        CachedKey& slot = cache[(hash >> 7) % cache.size()];
        if (slot.hash == hash && slot.length == length &&
            std::memcmp(slot.bytes.data(), bytes, length) == 0) {
            return slot.key;
        }
        if (isAscii(bytes, length)) {
            slot.hash = hash;
            slot.length = quint32(length);
            std::memcpy(slot.bytes.data(), bytes, length);
            slot.key = QString::fromLatin1(bytes, qsizetype(length));
            return slot.key;
        }
    }
    if (!(parserOptions_ & ParserCheckUTF8) &&
        !QUtf8StringView(bytes, qsizetype(length)).isValidUtf8()) {
        lastKey_ = QString();
    } else {
        lastKey_ = QString::fromUtf8(bytes, qsizetype(length));
    }
    return lastKey_;
}

void JsonParser::leaveOut(const QString& why) {
    ++leftOutNumbers_;
    lastLeftOut_ = why;
    valueParsed(QVariant());
}

void JsonParser::valueParsed(QVariant&& value) {
    if (depth_ == 0) complete_ = true;
    if (delegate_) delegate_->parserDidAdd(*this, std::move(value));
}
