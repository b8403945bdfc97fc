#include "needs/NeedFilterFile.h"

#include "location/DocumentFolder.h"
#include "net/FormBody.h"
#include "net/QXNetContext.h"
#include "util/categories/Tolerant.h"

#include "platform/foundation/property_list.h"

namespace {

// The values of the last item whose key is one of `keys`; a "vs" that is no list has none.
QVariantList valuesOfLast(const QVariantMap& file, const QStringList& keys) {
    QVariantList values;
    for (const QVariant& item : Tolerant(file)[QStringLiteral("fs")].toList()) {
        if (!keys.contains(Tolerant(item)[QStringLiteral("f")].toString())) continue;
        const QVariant listed = Tolerant(item)[QStringLiteral("vs")].value();
        values = listed.typeId() == QMetaType::QVariantList ? listed.toList() : QVariantList();
    }
    return values;
}

}  // namespace

QString NeedFilterFile::path(int cityScriptIndex, const QString& major) {
    return DocumentFolder::filePath(QStringLiteral("%1-%2").arg(cityScriptIndex).arg(major));
}

std::optional<QVariantMap> NeedFilterFile::read(int cityScriptIndex, const QString& major) {
    return ns::dictionaryWithContentsOfFile(path(cityScriptIndex, major));
}

std::optional<QVariantMap> NeedFilterFile::readUsable(int cityScriptIndex, const QString& major) {
    auto file = read(cityScriptIndex, major);
    if (!file || !holdsHouseValues(*file)) return std::nullopt;
    return file;
}

bool NeedFilterFile::write(const QVariantMap& reply, int cityScriptIndex, int major) {
    if (!holdsHouseValues(reply)) return false;
    return ns::writeToFile(reply, path(cityScriptIndex, QString::number(major)), true);
}

bool NeedFilterFile::holdsHouseValues(const QVariantMap& file) {
    return !houseValues(file).isEmpty();
}

QVariantList NeedFilterFile::priceRows(const QVariantMap& file) {
    return valuesOfLast(file, {QStringLiteral("price")});
}

QVariantList NeedFilterFile::houseValues(const QVariantMap& file) {
    return valuesOfLast(file, {QStringLiteral("huxing_shi"), QStringLiteral("share_mode")});
}

QString NeedFilterFile::houseTypeName(const QString& value, const QString& major,
                                      int cityScriptIndex) {
    const auto file = read(cityScriptIndex, major);
    if (!file) return {};
    QString name;
    for (const QVariant& entry : houseValues(*file)) {
        if (Tolerant(entry)[QStringLiteral("v")].toString() == value)
            name = Tolerant(entry)[QStringLiteral("n")].toString();
    }
    return name;
}

RequestHeaderSet NeedFilterFile::downloadHeaders(int major, int cityScriptIndex) {
    RequestHeaderSet headers = RequestHeaderSet::clientIdentity();
    headers.set(QStringLiteral("categoryId"), QStringLiteral("7"))
        .set(QStringLiteral("cityScriptIndex"), QString::number(cityScriptIndex))
        .set(QStringLiteral("majorCategoryScriptIndex"), QString::number(major))
        .set(QStringLiteral("interface"), kInterface)
        .set(QStringLiteral("ClientTimeStamp"), QXNetContext::shared()->timeStamp())
        .set(QStringLiteral("Accept-Encoding"), QStringLiteral("gzip"))
        .set(QStringLiteral("version"), QStringLiteral("0"));
    return headers;
}

QString NeedFilterFile::downloadBody(int major, int cityScriptIndex) {
    return FormBody()
        .add(QStringLiteral("cityScriptIndex"), cityScriptIndex)
        .add(QStringLiteral("categoryId"), 7)
        .add(QStringLiteral("majorCategoryScriptIndex"), major)
        .text();
}
