#pragma once

#include "net/transport/JsonParser.h"

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <QVariant>

#include <optional>
#include <stdexcept>

// JSON resources of the application bundle (ns::Bundle). Resource names carry their
// extension ("filters.json").

// Raised by json_JSONFromResource(name) when the resource does not parse.
class JsonParserException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The tree of the named resource; raises JsonParserException with the error's
// description when it does not parse, and std::invalid_argument when it cannot be read.
[[nodiscard]] QVariant json_JSONFromResource(const QString& name);
// The tree of the named resource, read with comments allowed (whatever `options` say),
// the parse error reported through `error`; raises std::invalid_argument when the
// resource cannot be read.
[[nodiscard]] QVariant json_JSONFromResource(const QString& name, ParserOptions options,
                                             std::optional<ns::Error>* error);

// The resource's bytes; raises std::invalid_argument "Resource not found: <name>" or
// "Error loading resource at path (<path>): <reason>".
[[nodiscard]] QByteArray json_res_loadDataFromResource(const QString& name);
// The same bytes read as UTF-8 text.
[[nodiscard]] QString json_res_loadStringDataFromResource(const QString& name);
// The resource's file URL, or an empty QUrl when there is no such resource.
[[nodiscard]] QUrl json_res_URLForResource(const QString& name);
