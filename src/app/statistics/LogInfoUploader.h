#pragma once

#include <QString>

#include <memory>

class LogInfoUploader;

// Hears how an upload of log records ended. Both methods are optional.
class LogInfoUploaderOwner {
public:
    virtual ~LogInfoUploaderOwner() = default;
    virtual void newNetWorkForLogInfoUploader(LogInfoUploader&) {}
    virtual void newNetWorkForLogInfoUploaderError(LogInfoUploader&) {}
};

// Posts a payload of log records to the client-log endpoint ("Log=...") or the commercial-log
// endpoint ("log=...") with the log header set, and tells its owner, held weakly, how it ended.
class LogInfoUploader : public std::enable_shared_from_this<LogInfoUploader> {
public:
    explicit LogInfoUploader(std::weak_ptr<LogInfoUploaderOwner> owner)
        : owner_(std::move(owner)) {}

    // An empty payload sends nothing.
    void uploadLogInfo(const QString& payload);
    void uploadADLogInfo(const QString& payload);

private:
    void upload(const QString& url, const QString& field, const QString& payload);
    std::weak_ptr<LogInfoUploaderOwner> owner_;
};
