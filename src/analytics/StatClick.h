#pragma once

#include <QString>
#include <QVariantList>
#include <QVariantMap>

// The usage analytics recorder in its least form: the session start and every event are
// written, one JSON object a line, to the log file "StatClick.log" in the sandbox's
// Library/Caches folder, where a person or a test can read them. Nothing is uploaded.
//
// Each line holds "time" (local "yyyy-MM-dd HH:mm:ss"), "kind" ("start", "event",
// "begin" or "end") and the values of that kind: "appKey", "policy" and "channel" for a
// start; "id" and, when given, "label" or "attributes" for events. Main thread only.
class StatClick {
public:
    static void startWithAppkey(const QString& appKey, int reportPolicy, const QString& channelId);
    static void event(const QString& eventId);
    static void event(const QString& eventId, const QString& label);
    static void event(const QString& eventId, const QVariantMap& attributes);
    static void beginEvent(const QString& eventId);
    static void endEvent(const QString& eventId);

    // The log file of the current sandbox.
    [[nodiscard]] static QString logPath();
    // The records of the log, oldest first; lines that are no JSON object are skipped.
    [[nodiscard]] static QVariantList records();

private:
    static void append(const QVariantMap& record);
};
