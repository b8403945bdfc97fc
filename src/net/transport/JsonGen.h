#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <stdexcept>

struct yajl_gen_t;

// Generator option bits (`genOptions`).
enum GenOption : unsigned {
    GenBeautify = 1,                 // line breaks and indentation
    GenIgnoreUnknownTypes = 2,       // unsupported values are written as null
    GenIncludeUnsupportedTypes = 4,  // dates, data and URLs are written (see object())
};
using GenOptions = unsigned;

// Raised by JsonGen::object() for a value it cannot write.
class JsonGenInvalidObjectException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes QVariant trees as JSON text through the yajl generator. Without GenBeautify
// there is no white space between tokens; strings escape only the quotation mark, the
// backslash and control characters (\b \f \n \r \t, others as \u00XX), so "/" and
// non-ASCII characters stay as they are.
//
// The generator refuses a container nested deeper than kMaxDepth levels, and any value
// after a complete top-level value. After a refusal it writes nothing more until clear():
// isValid() turns false and the buffer holds an unfinished text, never to be kept.
class JsonGen {
public:
    // The deepest nesting of objects and arrays the generator writes.
    static constexpr int kMaxDepth = 127;

    JsonGen();
    JsonGen(GenOptions options, const QString& indentString);
    ~JsonGen();
    JsonGen(const JsonGen&) = delete;
    JsonGen& operator=(const JsonGen&) = delete;

    // Writes a tree: QVariantList and QStringList as arrays; QVariantMap and
    // QVariantHash as objects in their own key order; bool as true or false; other
    // numbers as their text; QString as a string; the null value (and nil) as null.
    // With GenIncludeUnsupportedTypes a QDateTime is written as milliseconds since
    // 1970, a QByteArray as padded Base64 and a QUrl as its absolute text; anything
    // else is null with GenIgnoreUnknownTypes and otherwise raises
    // JsonGenInvalidObjectException.
    void object(const QVariant& value);
    void null();
    void boolean(bool value);
    void number(const QVariant& value);
    void string(const QString& value);
    void startDictionary();
    void endDictionary();
    void startArray();
    void endArray();
    // Empties the output; after a refusal it also starts a new text, taking values again.
    void clear();
    // Whether every value given since the start (or clear()) was written.
    [[nodiscard]] bool isValid() const { return valid_; }
    // The output so far.
    [[nodiscard]] QString buffer() const;
    [[nodiscard]] GenOptions genOptions() const { return genOptions_; }

private:
    void unsupported(const QVariant& value);
    // Keeps the outcome of a yajl call; false once any call failed.
    bool accept(int status);

    // yajl keeps a pointer to the indent string: it lives as long as the generator.
    QByteArray indent_;
    yajl_gen_t* gen_ = nullptr;
    GenOptions genOptions_ = 0;
    bool valid_ = true;
};
