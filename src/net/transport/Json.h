#pragma once

#include "net/transport/JsonGen.h"
#include "net/transport/JsonParser.h"

#include <QString>
#include <QVariant>

#include <optional>

// Conversions between JSON text and QVariant trees, for any value.
//
// Decoding never throws: these are the tolerant forms every caller in the app uses
// (server replies, stored message contents). The receiver is used as bytes when it
// holds a QByteArray and as its UTF-8 bytes when it holds a QString; any other value
// gives nil. The text is read whole: a syntax error, a text that stops inside its
// value and anything but white space after the value are errors, and an error always
// gives nil, never a partial tree. A text whose top level is a scalar gives nil
// without an error.

// The tree, or nil on an error.
[[nodiscard]] QVariant json_JSON(const QVariant& receiver);
// The same with options 0, the error (or nothing) reported through `error`.
[[nodiscard]] QVariant json_JSON(const QVariant& receiver, std::optional<ns::Error>* error);
[[nodiscard]] QVariant json_JSONWithOptions(const QVariant& receiver, ParserOptions options,
                                            std::optional<ns::Error>* error);

// The JSON text of a tree, compact and with the indent "  " should beautifying be asked
// for; throws JsonGenInvalidObjectException for a value JsonGen cannot write. Nil, and a
// tree the generator refuses (nested deeper than JsonGen::kMaxDepth), give a null QString:
// a caller that keeps the text must test for it, since a partial text never reads back.
[[nodiscard]] QString json_JSONString(const QVariant& object);
[[nodiscard]] QString json_JSONStringWithOptions(const QVariant& object, GenOptions options,
                                                 const QString& indentString);
