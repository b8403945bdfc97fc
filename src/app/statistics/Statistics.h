#pragma once

#include <QString>
#include <QVariantList>
#include <QtGlobal>

#include <memory>

#include "platform/foundation/notification_center.h"

namespace ns {
class Timer;
}  // namespace ns

// The usage statistics service: the stamps of the request headers (sequence ids and time
// stamps) and the statistics log buffer, kept in the document file "statistics".
//
// The buffer starts with what an earlier run left in the file, saves itself every 30 s and
// when the application terminates; an empty buffer writes nothing. Main thread only.
class Statistics {
public:
    static constexpr double kSaveInterval = 30;  // seconds
    static inline const QString kFileName = QStringLiteral("statistics");

    // A new UUID as upper-case hyphenated text; sent as "SeqId".
    [[nodiscard]] static QString NewSeqId();
    // The current local time as "yyyy-MM-dd HH:mm:ss"; sent as "ClientTimeStamp".
    [[nodiscard]] static QString getTimeStamp();
    // Whole seconds since 2001-01-01 00:00 UTC as a signed 32-bit integer; the uploads'
    // "ClientTimeStamp".
    [[nodiscard]] static qint32 getTimeInterval();

    // The shared buffer, made on first use.
    static Statistics& getInstance();
    // Forgets the shared buffer, so that the next getInstance() reads the current sandbox.
    static void resetInstance();

    Statistics();
    ~Statistics();
    Statistics(const Statistics&) = delete;
    Statistics& operator=(const Statistics&) = delete;

    [[nodiscard]] const QVariantList& logArray() const { return logArray_; }
    void setLogArray(QVariantList records) { logArray_ = std::move(records); }
    // Saves the buffer (the application resigns active or terminates).
    void applicationWillTerminate();
    void timeToSave();

private:
    QVariantList logArray_;
    std::shared_ptr<ns::Timer> saveTimer_;
    std::shared_ptr<ns::NotificationCenter::Observation> terminateObservation_;
};
