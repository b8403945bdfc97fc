#pragma once

#include "platform/foundation/operation.h"

#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

// The downloader's queue: at most `width` downloads at a time, the highest priority first
// and, among equals, in the order they came or newest first. A download that finishes
// starts the next one right on the thread it finished on (the network thread), so the next
// picture's request waits for no other thread.
class IKImageDownloadQueue : public std::enable_shared_from_this<IKImageDownloadQueue> {
public:
    [[nodiscard]] static std::shared_ptr<IKImageDownloadQueue> create(int width);
    IKImageDownloadQueue(const IKImageDownloadQueue&) = delete;
    IKImageDownloadQueue& operator=(const IKImageDownloadQueue&) = delete;

    // Starts it at once when there is room, on the calling thread.
    void addOperation(const std::shared_ptr<ns::Operation>& operation, bool newestFirst);
    [[nodiscard]] int maxConcurrentOperationCount() const;
    // A negative width means no limit.
    void setMaxConcurrentOperationCount(int width);
    // A suspended queue starts nothing; running downloads go on.
    void setSuspended(bool suspended);
    // Waiting and running.
    [[nodiscard]] std::size_t operationCount() const;
    void cancelAllOperations();

private:
    explicit IKImageDownloadQueue(int width) : width_(width) {}
    void startWhatHasRoom();
    void finished(const ns::Operation* operation);
    [[nodiscard]] bool hasRoomLocked() const;

    mutable std::mutex mutex_;
    std::deque<std::shared_ptr<ns::Operation>> waiting_;
    std::vector<std::shared_ptr<ns::Operation>> running_;
    int width_;
    bool suspended_ = false;
};
