#include "standin/StreamSettings.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QString>

namespace standin {

QByteArray StreamSettings::chunk(int index) const {
    if (repeat && !segments.isEmpty()) {
        QByteArray numbered = segments.at(index % segments.size());
        return numbered.replace(kNumberMark, QByteArray::number(index + 1));
    }
    if (index < segments.size()) return segments.at(index);
    return segment("recvHeartbeatMsg", QByteArray::number(index + 1));
}

double StreamSettings::pauseBefore(int index) const {
    if (index == 0) return 0;
    return index < segments.size() || repeat ? intervalMs : heartbeatMs;
}

QByteArray StreamSettings::segment(const QByteArray& key, const QByteArray& payload) {
    return "<script>window.parent.QX.webim.cometMgr." + key + '(' + payload + ");</script>";
}

std::optional<StreamSettings> StreamSettings::fromJson(const QByteArray& json) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) return std::nullopt;
    const QJsonObject object = document.object();
    StreamSettings settings;
    for (const auto& entry : object.value("segments").toArray()) {
        if (entry.isString()) {
            settings.segments.append(entry.toString().toUtf8());
            continue;
        }
        const QJsonObject call = entry.toObject();
        const QJsonValue payload = call.value("payload");
        QByteArray payloadText;
        if (payload.isString()) {
            payloadText = payload.toString().toUtf8();
        } else if (payload.isObject()) {
            payloadText = QJsonDocument(payload.toObject()).toJson(QJsonDocument::Compact);
        } else if (payload.isArray()) {
            payloadText = QJsonDocument(payload.toArray()).toJson(QJsonDocument::Compact);
        } else if (!payload.isUndefined() && !payload.isNull()) {
            // A bare number or boolean: wrap and unwrap to get its JSON text.
            payloadText = QJsonDocument(QJsonArray{payload}).toJson(QJsonDocument::Compact);
            payloadText = payloadText.mid(1, payloadText.size() - 2);
        }
        settings.segments.append(segment(call.value("key").toString().toUtf8(), payloadText));
    }
    settings.count = object.value("count").toInt(settings.count);
    settings.intervalMs = object.value("intervalMs").toDouble(settings.intervalMs);
    settings.heartbeatMs = object.value("heartbeatMs").toDouble(settings.heartbeatMs);
    settings.repeat = object.value("repeat").toBool(settings.repeat);
    return settings;
}

QJsonObject StreamSettings::toJson() const {
    QJsonArray list;
    for (const auto& text : segments) list.append(QString::fromUtf8(text));
    return QJsonObject{{"segments", list},
                       {"count", count},
                       {"intervalMs", intervalMs},
                       {"heartbeatMs", heartbeatMs},
                       {"repeat", repeat}};
}

}  // namespace standin
