#include "analytics/StatClick.h"

#include "platform/foundation/clock.h"
#include "platform/foundation/sandbox.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

namespace {
const QString kLogName = QStringLiteral("StatClick.log");
}  // namespace

QString StatClick::logPath() {
    return ns::Sandbox::caches() + QLatin1Char('/') + kLogName;
}

void StatClick::append(const QVariantMap& record) {
    QVariantMap stamped = record;
    stamped.insert(QStringLiteral("time"),
                   ns::Clock::shared().currentDateTime().toLocalTime().toString(
                       QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    QDir().mkpath(ns::Sandbox::caches());
    QFile file(logPath());
    // Appending whole lines keeps earlier records readable even when a write is cut short.
    if (!file.open(QIODevice::ReadWrite | QIODevice::Append)) return;
    QByteArray line =
        QJsonDocument(QJsonObject::fromVariantMap(stamped)).toJson(QJsonDocument::Compact) + '\n';
    // A line cut short by an earlier run is closed first, so that it costs only itself and
    // not this record as well.
    char last = '\n';
    if (file.size() > 0 && file.seek(file.size() - 1)) file.getChar(&last);
    if (last != '\n') line.prepend('\n');
    file.write(line);
}

void StatClick::startWithAppkey(const QString& appKey, int reportPolicy, const QString& channelId) {
    append({{QStringLiteral("kind"), QStringLiteral("start")},
            {QStringLiteral("appKey"), appKey},
            {QStringLiteral("policy"), reportPolicy},
            {QStringLiteral("channel"), channelId}});
}

void StatClick::event(const QString& eventId) {
    append({{QStringLiteral("kind"), QStringLiteral("event")}, {QStringLiteral("id"), eventId}});
}

void StatClick::event(const QString& eventId, const QString& label) {
    append({{QStringLiteral("kind"), QStringLiteral("event")},
            {QStringLiteral("id"), eventId},
            {QStringLiteral("label"), label}});
}

void StatClick::event(const QString& eventId, const QVariantMap& attributes) {
    append({{QStringLiteral("kind"), QStringLiteral("event")},
            {QStringLiteral("id"), eventId},
            {QStringLiteral("attributes"), attributes}});
}

void StatClick::beginEvent(const QString& eventId) {
    append({{QStringLiteral("kind"), QStringLiteral("begin")}, {QStringLiteral("id"), eventId}});
}

void StatClick::endEvent(const QString& eventId) {
    append({{QStringLiteral("kind"), QStringLiteral("end")}, {QStringLiteral("id"), eventId}});
}

QVariantList StatClick::records() {
    QVariantList result;
    QFile file(logPath());
    if (!file.open(QIODevice::ReadOnly)) return result;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QJsonDocument document = QJsonDocument::fromJson(line);
        if (document.isObject()) result.append(document.object().toVariantMap());
    }
    return result;
}
