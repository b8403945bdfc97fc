#include "net/transport/JsonBundle.h"

#include "net/transport/Json.h"
#include "platform/foundation/sandbox.h"

#include <QFile>

QVariant json_JSONFromResource(const QString& name) {
    std::optional<ns::Error> error;
    QVariant tree = json_JSONFromResource(name, 0, &error);
    if (error) throw JsonParserException(error->description().toStdString());
    return tree;
}

QVariant json_JSONFromResource(const QString& name, ParserOptions /*options*/,
                               std::optional<ns::Error>* error) {
    // Resource files may be annotated: comments are always accepted.
    return json_JSONWithOptions(json_res_loadStringDataFromResource(name), ParserAllowComments,
                                error);
}

QByteArray json_res_loadDataFromResource(const QString& name) {
    const QString path = ns::Bundle::pathForResource(name);
    if (path.isEmpty()) {
        throw std::invalid_argument(
            QStringLiteral("Resource not found: %1").arg(name).toStdString());
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw std::invalid_argument(QStringLiteral("Error loading resource at path (%1): %2")
                                        .arg(path, file.errorString())
                                        .toStdString());
    }
    return file.readAll();
}

QString json_res_loadStringDataFromResource(const QString& name) {
    return QString::fromUtf8(json_res_loadDataFromResource(name));
}

QUrl json_res_URLForResource(const QString& name) {
    const QString path = ns::Bundle::pathForResource(name);
    return path.isEmpty() ? QUrl() : QUrl::fromLocalFile(path);
}
