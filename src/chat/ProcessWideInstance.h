#pragma once

#include <QDebug>

#include <memory>
#include <mutex>

// The one instance of a class for the whole process, made on first use under a lock, that
// lives until released by name.
template <class T>
class ProcessWideInstance {
public:
    template <class Make>
    static T& get(Make make) {
        std::lock_guard lock(mutex_);
        if (!instance_) instance_ = make();
        return *instance_;
    }

    // Logs the release; the instance goes outside the lock, as it may stop work of its own.
    static void release(const char* className) {
        qInfo().noquote() << "Force release" << className;
        std::shared_ptr<T> released;
        std::lock_guard lock(mutex_);
        released = std::move(instance_);
    }

private:
    static inline std::mutex mutex_;
    static inline std::shared_ptr<T> instance_;
};
