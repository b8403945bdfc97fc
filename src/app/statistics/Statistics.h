#pragma once

#include "app/statistics/LogInfoUploader.h"
#include "platform/foundation/notification_center.h"

#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QtGlobal>

#include <memory>

namespace ns {
class Timer;
}  // namespace ns

// The usage statistics service: the stamps of the request headers (sequence ids and time
// stamps) and the statistics log buffer, kept in the document file "statistics".
//
// The buffer starts with what an earlier run left in its file, saves itself every 30 s and
// when the application terminates (an empty buffer writes nothing), and uploads its records
// once 50 have gathered; records stay until an upload of them succeeded. Main thread only.
class Statistics : public LogInfoUploaderOwner, public std::enable_shared_from_this<Statistics> {
public:
    static constexpr double kSaveInterval = 30;  // seconds
    static constexpr int kUploadAt = 50;
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
    // Forgets the shared buffers (this one and the advertising one), so that the next
    // getInstance() reads the current sandbox.
    static void resetInstance();

    Statistics();
    ~Statistics() override;
    Statistics(const Statistics&) = delete;
    Statistics& operator=(const Statistics&) = delete;

    [[nodiscard]] const QVariantList& logArray() const { return logArray_; }
    void setLogArray(QVariantList records) { logArray_ = std::move(records); }
    [[nodiscard]] int lastQueryCount() const { return lastQueryCount_; }

    // "<action>,<time stamp>,<para>,..." handed to AddLog.
    void AddLogWithAction(int action, const QStringList& paras);
    // Counts the record under "StatisticCount" (asking for a comment at the 400th, 800th and
    // 1200th), keeps it and uploads once kUploadAt records are held.
    void AddLog(const QString& record);
    // The upload payload: the records joined by "|", each followed by "," and the device id;
    // nothing while another upload of a different count is in flight, or with no records.
    [[nodiscard]] QString GetLogData();
    virtual void uploadLog();
    // After a successful upload: drops the uploaded records and the buffer's file.
    void flush();
    // After a failed upload: the records stay for the next attempt.
    void failedUpload() { lastQueryCount_ = 0; }

    // Saves the buffer (the application resigns active or terminates).
    void applicationWillTerminate();
    void timeToSave();

    void newNetWorkForLogInfoUploader(LogInfoUploader&) override { flush(); }
    void newNetWorkForLogInfoUploaderError(LogInfoUploader&) override { failedUpload(); }

protected:
    // A buffer kept in the document file `fileName`.
    explicit Statistics(const QString& fileName);
    [[nodiscard]] QString filePath() const;
    std::shared_ptr<LogInfoUploader> uploader_;

private:
    QString fileName_;
    QVariantList logArray_;
    int lastQueryCount_ = 0;
    std::shared_ptr<ns::Timer> saveTimer_;
    std::shared_ptr<ns::NotificationCenter::Observation> terminateObservation_;
};

// The advertising log: the same buffer in the document file "adStatistics", records with a
// five-digit action, uploaded to the commercial-log endpoint from 5 records on.
class ADStatistics : public Statistics {
public:
    static constexpr int kUploadAt = 5;
    static inline const QString kFileName = QStringLiteral("adStatistics");

    static ADStatistics& getInstance();
    ADStatistics();

    void AddLogForADWithAction(int action, const QStringList& paras);
    void AddADLog(const QString& record);
    void uploadLog() override;
};
