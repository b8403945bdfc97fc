#include "standin/FaultRule.h"

#include <QJsonDocument>
#include <QString>

#include <algorithm>

namespace standin {

QJsonObject FaultRule::toJson() const {
    QJsonObject json{{"prefix", QString::fromLatin1(prefix)}};
    if (delayMs != 0) json.insert("delayMs", delayMs);
    if (hold) json.insert("hold", true);
    if (status != 0) json.insert("status", status);
    if (body) json.insert("body", QString::fromUtf8(*body));
    if (contentType) json.insert("contentType", QString::fromLatin1(*contentType));
    if (garbage) json.insert("garbage", true);
    if (truncate) json.insert("truncate", true);
    if (gzip) json.insert("gzip", true);
    if (inflatesTo != 0) json.insert("inflatesTo", inflatesTo);
    if (endless) json.insert("endless", true);
    if (!endlessText.isEmpty()) json.insert("endlessText", QString::fromUtf8(endlessText));
    if (endlessSpaces > 0) json.insert("endlessSpaces", endlessSpaces);
    if (trickleMs != 0) json.insert("trickleMs", trickleMs);
    if (chunkBytes > 0) json.insert("chunkBytes", chunkBytes);
    if (dropAfterChunks) json.insert("dropAfterChunks", *dropAfterChunks);
    if (!picture.isEmpty()) json.insert("picture", QJsonArray{picture.width(), picture.height()});
    if (interlaced) json.insert("interlaced", true);
    if (jpeg) json.insert("jpeg", true);
    if (!pixels.isEmpty()) json.insert("pixels", QString::fromLatin1(pixels));
    if (gifFrames != 0) json.insert("gifFrames", gifFrames);
    if (gifFrame != QSize(2, 2))
        json.insert("gifFrame", QJsonArray{gifFrame.width(), gifFrame.height()});
    if (gifCut) json.insert("gifCut", true);
    if (times != 0) json.insert("times", times);
    return json;
}

FaultRule FaultRule::fromJson(const QJsonObject& json) {
    FaultRule rule;
    rule.prefix = json.value("prefix").toString().toLatin1();
    rule.delayMs = json.value("delayMs").toInt();
    rule.hold = json.value("hold").toBool();
    rule.status = json.value("status").toInt();
    if (json.contains("body")) rule.body = json.value("body").toString().toUtf8();
    if (json.contains("contentType")) {
        rule.contentType = json.value("contentType").toString().toLatin1();
    }
    rule.garbage = json.value("garbage").toBool();
    rule.truncate = json.value("truncate").toBool();
    rule.gzip = json.value("gzip").toBool();
    rule.inflatesTo = json.value("inflatesTo").toInteger();
    rule.endless = json.value("endless").toBool();
    rule.endlessText = json.value("endlessText").toString().toUtf8();
    rule.endlessSpaces = std::max<qint64>(0, json.value("endlessSpaces").toInteger());
    rule.trickleMs = json.value("trickleMs").toInt();
    rule.chunkBytes = std::max<qint64>(0, json.value("chunkBytes").toInteger());
    if (json.contains("dropAfterChunks"))
        rule.dropAfterChunks = json.value("dropAfterChunks").toInt();
    const QJsonArray picture = json.value("picture").toArray();
    if (picture.size() == 2) rule.picture = QSize(picture[0].toInt(), picture[1].toInt());
    rule.interlaced = json.value("interlaced").toBool();
    rule.jpeg = json.value("jpeg").toBool();
    rule.pixels = json.value("pixels").toString().toLatin1();
    rule.gifFrames = json.value("gifFrames").toInt();
    const QJsonArray gifFrame = json.value("gifFrame").toArray();
    if (gifFrame.size() == 2) rule.gifFrame = QSize(gifFrame[0].toInt(), gifFrame[1].toInt());
    rule.gifCut = json.value("gifCut").toBool();
    rule.times = json.value("times").toInt();
    return rule;
}

void FaultSwitches::set(std::vector<FaultRule> rules) {
    std::lock_guard lock(mutex_);
    entries_.clear();
    for (auto& rule : rules) entries_.push_back({std::move(rule), 0});
}

void FaultSwitches::clear() {
    set({});
}

std::vector<FaultRule> FaultSwitches::rules() const {
    std::lock_guard lock(mutex_);
    std::vector<FaultRule> rules;
    for (const auto& entry : entries_) rules.push_back(entry.rule);
    return rules;
}

std::optional<FaultRule> FaultSwitches::take(const QByteArray& target) {
    std::lock_guard lock(mutex_);
    Entry* chosen = nullptr;
    for (auto& entry : entries_) {
        const bool spent = entry.rule.times > 0 && entry.used >= entry.rule.times;
        if (spent || !entry.rule.matches(target)) continue;
        if (!chosen || entry.rule.prefix.size() > chosen->rule.prefix.size()) chosen = &entry;
    }
    if (!chosen) return std::nullopt;
    ++chosen->used;
    return chosen->rule;
}

std::optional<std::vector<FaultRule>> FaultSwitches::rulesFromJson(const QByteArray& json) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError) return std::nullopt;
    std::vector<FaultRule> rules;
    if (document.isObject()) {
        rules.push_back(FaultRule::fromJson(document.object()));
    } else if (document.isArray()) {
        for (const auto& entry : document.array()) {
            if (!entry.isObject()) return std::nullopt;
            rules.push_back(FaultRule::fromJson(entry.toObject()));
        }
    } else {
        return std::nullopt;
    }
    return rules;
}

QJsonArray FaultSwitches::toJson(const std::vector<FaultRule>& rules) {
    QJsonArray list;
    for (const auto& rule : rules) list.append(rule.toJson());
    return list;
}

}  // namespace standin
