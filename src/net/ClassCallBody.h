#pragma once

#include "net/BodyJson.h"

// A request body "class=" followed by a JSON object that names server classes, each with
// the method to call and its positional arguments, optionally "_classArgs" (constructor
// arguments) or "_property"; several classes may be called in one body. For example
// class={"NevoruSubscribe":{"getSubscribeHouseList":["r1",2,9000000001]}}.
//
// Classes keep the order in which they were first named, and each class's members the
// order in which they were added. Any text makes valid JSON and valid form text (see
// BodyJson).
class ClassCallBody {
public:
    // Calls `method` of `className` with the arguments (JSON texts made with BodyJson).
    ClassCallBody& call(const QString& className, const QString& method,
                        const QStringList& arguments);
    // The constructor arguments of `className`.
    ClassCallBody& classArgs(const QString& className, const QStringList& arguments);
    // The "_property" list of `className`.
    ClassCallBody& property(const QString& className, const QStringList& values);
    // Any other member of the class's object, e.g. a method whose argument is not an array.
    ClassCallBody& member(const QString& className, const QString& name, const QString& json);

    // The JSON object alone.
    [[nodiscard]] QString json() const;
    // The body text.
    [[nodiscard]] QString text() const;

private:
    QList<QPair<QString, BodyJson::Members>> classes_;
};
