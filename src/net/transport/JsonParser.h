#pragma once

#include "platform/foundation/error.h"

#include <QByteArrayView>
#include <QString>
#include <QVariant>

#include <optional>

struct yajl_handle_t;

// Parser option bits (`parserOptions`).
enum ParserOption : unsigned {
    ParserAllowComments = 1,    // comments in the text are accepted
    ParserCheckUTF8 = 2,        // string bytes are checked to be UTF-8 by the lexer
    ParserStrictPrecision = 4,  // an integer beyond 64 bits is an error instead of a double
};
using ParserOptions = unsigned;

enum ParserStatus : unsigned {
    ParserStatusNone = 0,              // nothing parsed yet
    ParserStatusOK = 1,                // the top-level value is complete
    ParserStatusInsufficientData = 2,  // the text so far stopped inside the top-level value
    ParserStatusError = 3,
};

// Errors of the JSON layer.
inline const QString kJsonErrorDomain = QStringLiteral("JsonErrorDomain");
// User-info key of the overflow errors: the literal text of the number.
inline const QString kJsonParserValueKey = QStringLiteral("JsonParserValueKey");
constexpr qint64 kJsonErrorSyntax = 3;
constexpr qint64 kJsonErrorNoHandle = -1000;
constexpr qint64 kJsonErrorDoubleOverflow = -1001;
constexpr qint64 kJsonErrorIntegerOverflow = -1002;
constexpr qint64 kJsonErrorTooDeep = -1003;
constexpr qint64 kJsonErrorTooLong = -1004;

// The deepest nesting of objects and arrays a text may have. Real replies and packets nest
// fewer than ten levels; a deeper text is malformed. The bound keeps every tree the layer
// hands out shallow enough that walking, copying or releasing it by recursion (as QVariant
// does) needs only a few tens of kilobytes of stack on any thread.
constexpr qsizetype kJsonMaxDepth = 512;

// The longest number literal a parser that cuts long strings reads (JsonParser::
// setLongestString): yajl holds a literal whole until it ends, and no number needs more
// than a few dozen characters. Number literals in a row count each on its own.
constexpr qsizetype kJsonLongestNumber = 1024;

class JsonParser;

// Receives the parse events in text order.
class JsonParserDelegate {
public:
    virtual ~JsonParserDelegate() = default;
    virtual void parserDidStartDictionary(JsonParser& parser) = 0;
    virtual void parserDidEndDictionary(JsonParser& parser) = 0;
    virtual void parserDidStartArray(JsonParser& parser) = 0;
    virtual void parserDidEndArray(JsonParser& parser) = 0;
    // `key` is a null QString when its bytes are not UTF-8 (only possible without
    // ParserCheckUTF8); the member it names cannot be kept.
    virtual void parserDidMapKey(JsonParser& parser, const QString& key) = 0;
    // A scalar: QString (JSON null arrives as the empty string), qint64, double or
    // bool; an invalid QVariant for a string whose bytes are not UTF-8. The delegate
    // may take the value.
    virtual void parserDidAdd(JsonParser& parser, QVariant&& value) = 0;
};

// Event parser over yajl. One parser reads one text, in one or several chunks. A container
// opened deeper than kJsonMaxDepth stops the parse with the error kJsonErrorTooDeep.
class JsonParser {
public:
    explicit JsonParser(ParserOptions options = 0);
    ~JsonParser();
    JsonParser(const JsonParser&) = delete;
    JsonParser& operator=(const JsonParser&) = delete;

    // Parses the next chunk of the text. A chunk that stops inside the top-level value
    // gives ParserStatusInsufficientData and the next chunk continues it; once the
    // value has closed the status is ParserStatusOK and any text after it is ignored.
    // ParserStatusOK and ParserStatusError are final.
    ParserStatus parse(QByteArrayView chunk);

    // Parses `text` as the entire input, on a parser that has not parsed yet. Unlike
    // parse(), a text that stops inside its value ("unexpected end of input") and
    // anything but white space after the value are errors, and a top-level number at
    // the very end is delivered: whole replies are read this way.
    ParserStatus parseWhole(QByteArrayView text);

    // Cuts every string and key whose text (as written, escapes included) runs past `bytes`
    // bytes, as it comes: its first `bytes` bytes are read, up to the end of the character
    // or escape under way (a surrogate pair written as two \u escapes is one character), and
    // the rest is skipped up to its closing quote, so that neither this parser nor yajl ever
    // holds more of it, however the chunks fall. A number literal longer than
    // kJsonLongestNumber is then an error (kJsonErrorTooLong). 0, the default, cuts nothing.
    // Set before the first chunk; parse() only.
    void setLongestString(qsizetype bytes) { longestString_ = bytes; }
    // Leaves out a number that cannot be read (one that overflows a double, or one longer
    // than kJsonLongestNumber while strings are cut, whose rest is then skipped as a long
    // string's is) instead of stopping the parse: the delegate gets an invalid QVariant in
    // its place, as for a string that is not UTF-8, and leftOutNumbers() counts it. A reader
    // of many records can then set aside the one that holds it and read on. Set before the
    // first chunk.
    void setLeavesOutUnreadableNumbers(bool leaves) { leavesOutNumbers_ = leaves; }
    [[nodiscard]] qint64 leftOutNumbers() const { return leftOutNumbers_; }
    // Why the last number was left out; empty before any was.
    [[nodiscard]] const QString& lastLeftOut() const { return lastLeftOut_; }
    // The bytes of the text read so far, less what was cut away; inside a delegate call,
    // those up to the end of the event's token.
    [[nodiscard]] qint64 keptBytes() const;

    [[nodiscard]] const std::optional<ns::Error>& parserError() const { return parserError_; }
    [[nodiscard]] JsonParserDelegate* delegate() const { return delegate_; }
    // The delegate is not owned.
    void setDelegate(JsonParserDelegate* delegate) { delegate_ = delegate; }
    [[nodiscard]] ParserOptions parserOptions() const { return parserOptions_; }

private:
    struct Events;

    // Where a parser that cuts long strings stands in the text.
    struct Cutting {
        bool inString = false;
        bool escaped = false;         // right after a backslash
        int hexLeft = 0;              // digits of a \u escape still to come
        char32_t hexValue = 0;        // of the \u escape under way
        bool pairOpen = false;        // right after the \u escape of a pair's first half
        bool skipping = false;        // the rest of a string past the bound
        qsizetype stringBytes = 0;    // of the string under way, read so far
        qsizetype numberBytes = 0;    // of the number literal under way
        bool afterDigit = false;      // the last byte read of that literal is a digit
        bool skippingNumber = false;  // the rest of a literal past the bound
    };

    bool makeHandle(bool ignoreTrailingText);
    // parse() with long strings cut.
    ParserStatus parseCutting(QByteArrayView chunk);
    // Hands one part of the text to yajl.
    ParserStatus parsePart(QByteArrayView part);
    ParserStatus finishChunk(int yajlStatus, QByteArrayView chunk);
    void fail(qint64 code, const QString& message, const QString& literal = {});
    // Hands over an invalid value in place of a number that cannot be read.
    void leaveOut(const QString& why);
    // The key for these bytes; a null QString when they are not UTF-8.
    [[nodiscard]] const QString& keyFromBytes(const char* bytes, size_t length);
    void valueParsed(QVariant&& value);

    yajl_handle_t* handle_ = nullptr;
    JsonParserDelegate* delegate_ = nullptr;
    ParserOptions parserOptions_;
    std::optional<ns::Error> parserError_;
    ParserStatus status_ = ParserStatusNone;
    // Open containers; the top-level value is complete when it drops back to 0.
    qsizetype depth_ = 0;
    bool complete_ = false;
    QString lastKey_;
    qsizetype longestString_ = 0;
    qint64 keptBytes_ = 0;
    // While yajl reads a part: the kept bytes before it.
    std::optional<qint64> partStart_;
    bool leavesOutNumbers_ = false;
    qint64 leftOutNumbers_ = 0;
    QString lastLeftOut_;
    // The literal yajl is reading was cut at the bound.
    bool numberCut_ = false;
    Cutting cutting_;
};
