#include "standin/ClassCalls.h"

#include "standin/FormFields.h"

#include <QJsonDocument>

#include <cstdio>

namespace standin {

void ClassCalls::add(const QByteArray& interface, const QString& className, const QString& method,
                     Method handler) {
    methods_[{interface, className, method}] = std::move(handler);
}

bool ClassCalls::answers(const QByteArray& interface) const {
    const auto found = methods_.lower_bound({interface, QString(), QString()});
    return found != methods_.end() && std::get<0>(found->first) == interface;
}

std::optional<QJsonObject> ClassCalls::parse(const QByteArray& body) {
    const FormFields fields(body);
    if (!fields.contains("class")) return std::nullopt;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(fields.value("class"), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) return std::nullopt;
    return document.object();
}

std::optional<QJsonObject> ClassCalls::answer(const RecordedRequest& request,
                                              const QByteArray& rootUrl) const {
    const QByteArray interface = request.header("interface");
    if (!answers(interface)) return std::nullopt;
    const auto call = parse(request.body);
    if (!call) {
        return QJsonObject{{"status", -1}, {"errDetail", QStringLiteral("no class call")}};
    }
    QJsonObject data;
    for (auto klass = call->begin(); klass != call->end(); ++klass) {
        const QJsonObject classObject = klass.value().toObject();
        QJsonObject results;
        for (auto member = classObject.begin(); member != classObject.end(); ++member) {
            if (member.key().startsWith('_')) continue;  // "_classArgs", "_property"
            const auto found = methods_.find({interface, klass.key(), member.key()});
            if (found == methods_.end()) {
                std::fprintf(stderr, "standin: unknown class call %s.%s on \"%s\"\n",
                             qPrintable(klass.key()), qPrintable(member.key()),
                             interface.constData());
                results.insert(member.key(), QJsonValue::Null);
                continue;
            }
            results.insert(member.key(),
                           found->second(member.value().toArray(), classObject, request, rootUrl));
        }
        data.insert(klass.key(), results);
    }
    return QJsonObject{{"status", 0}, {"data", data}};
}

}  // namespace standin
