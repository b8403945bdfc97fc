#pragma once

#include "standin/RecordedRequest.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <functional>
#include <map>
#include <optional>
#include <tuple>

namespace standin {

// The class calls of the data-share server. A class call is a form body
// class={"<Class>":{"<method>":[arguments...], "_classArgs":[...], "_property":...}, ...}
// under an interface header such as "HousingRequestInfo" or "HousingAppCInfo"; the reply is
// {"status":0,"data":{"<Class>":{"<method>":result}}} with one result per method called.
//
// Methods are added per interface, class and method name before the server starts; an
// interface that has methods here is answered by them. A called method that nobody added
// answers null and is said on stderr.
class ClassCalls {
public:
    // The method's result from its arguments and the whole class object it was called in
    // (for "_classArgs" and "_property").
    using Method =
        std::function<QJsonValue(const QJsonArray& arguments, const QJsonObject& classObject,
                                 const RecordedRequest& request, const QByteArray& rootUrl)>;

    void add(const QByteArray& interface, const QString& className, const QString& method,
             Method handler);
    [[nodiscard]] bool answers(const QByteArray& interface) const;

    // The reply to a call of an interface that has methods here; nullopt for other
    // interfaces. A body that is no class call answers {"status":-1,"errDetail":...}.
    [[nodiscard]] std::optional<QJsonObject> answer(const RecordedRequest& request,
                                                    const QByteArray& rootUrl) const;

    // The JSON object of a class-call body; nullopt when the body holds none.
    [[nodiscard]] static std::optional<QJsonObject> parse(const QByteArray& body);

private:
    using Key = std::tuple<QByteArray, QString, QString>;
    std::map<Key, Method> methods_;
};

}  // namespace standin
