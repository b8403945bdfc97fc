#pragma once

#include "net/BodyJson.h"

// A request body "jsonArgs=" followed by one JSON object of named arguments, members in
// the order they were added, for example jsonArgs={"userids":"12","mobiletype":"710"}.
// Any text makes valid JSON and valid form text (see BodyJson).
class JsonArgsBody {
public:
    // An argument as a JSON string (the usual kind, numbers included as decimal text).
    JsonArgsBody& add(const QString& name, const QString& text);
    // An argument as a JSON number.
    JsonArgsBody& add(const QString& name, qint64 number);
    // An argument that is a JSON array or object made with BodyJson.
    JsonArgsBody& addJson(const QString& name, const QString& json);

    // The JSON object alone.
    [[nodiscard]] QString json() const;
    // The body text.
    [[nodiscard]] QString text() const;

private:
    BodyJson::Members members_;
};
