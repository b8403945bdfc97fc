#pragma once

// What the tests of the decoding budget watch: whether a buffer gets pages of its own, how far a
// decode raises the process's resident peak, and work on a thread of its own that ends or waits
// for a share.

#include "platform/uikit/decoding_budget.h"

#include <QByteArray>
#include <QFile>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#ifdef __GLIBC__
#include <malloc.h>
#endif

// The address sanitizer's allocator takes no rule and tells nothing of its pages.
#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__)
#define HOUSING_GLIBC_ALLOCATOR 1
#endif

#ifdef HOUSING_GLIBC_ALLOCATOR
inline void* volatile gKeptBuffer;

// Whether a buffer of `bytes` gets pages of its own now. What the heap's top keeps free goes
// back first, so that no buffer let go of before serves it.
inline bool getsPagesOfItsOwn(std::size_t bytes) {
    malloc_trim(0);
    const auto before = mallinfo2().hblkhd;
    gKeptBuffer = std::malloc(bytes);
    const bool own = mallinfo2().hblkhd >= before + bytes;
    std::free(gKeptBuffer);
    malloc_trim(0);
    return own;
}
#endif

// A field of the process's status in bytes ("VmHWM:", "VmRSS:"); nothing where the system
// does not tell it.
inline std::optional<qint64> statusBytes(const QByteArray& field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return std::nullopt;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field)) {
            return line.mid(field.size()).trimmed().split(' ').value(0).toLongLong() * 1024;
        }
    }
    return std::nullopt;
}

// How far the process's resident peak rises above what it holds now while `work` runs.
inline std::optional<qint64> residentPeakGrowthWhile(const std::function<void()>& work) {
#ifdef HOUSING_GLIBC_ALLOCATOR
    malloc_trim(0);
#endif
    QFile references(QStringLiteral("/proc/self/clear_refs"));
    if (!references.open(QIODevice::WriteOnly) || references.write("5") != 1) return std::nullopt;
    references.close();
    const auto start = statusBytes("VmHWM:");
    work();
    const auto peak = statusBytes("VmHWM:");
    if (!start || !peak) return std::nullopt;
    return *peak - *start;
}

// Work on a thread of its own, which the test sees end or wait for a share of the budget. A
// wait for either that lasts kLimit fails the test with a message and ends the program: the
// work is stuck, in the budget's line if anywhere, and every share asked for after it would
// wait behind it.
class OnAThread {
public:
    static constexpr auto kLimit = std::chrono::seconds(60);

    explicit OnAThread(std::function<void()> work)
        : thread_([this, work = std::move(work)] {
              work();
              {
                  const std::lock_guard lock(mutex_);
                  done_ = true;
              }
              ended_.notify_all();
          }) {}
    ~OnAThread() { thread_.join(); }
    // Waits until the work has ended (true) or waits for its share behind `before` others
    // (false).
    bool endsWithoutWaiting(int before = 0) {
        const auto limit = std::chrono::steady_clock::now() + kLimit;
        while (!done_ && ui::DecodingBudget::waitingCount() == before) {
            if (std::chrono::steady_clock::now() > limit) stuck("neither ended nor waited");
            std::this_thread::yield();
        }
        return done_;
    }
    void waitForTheEnd() {
        std::unique_lock lock(mutex_);
        if (!ended_.wait_for(lock, kLimit, [this] { return done_.load(); })) {
            stuck("did not end: no share given back or taken woke its wait");
        }
    }

private:
    [[noreturn]] static void stuck(const char* what) {
        ADD_FAILURE() << "work on a thread " << what << " within " << kLimit.count() << " s";
        std::fprintf(stderr, "work on a thread %s within %lld s\n", what,
                     static_cast<long long>(kLimit.count()));
        std::fflush(stdout);
        std::abort();
    }

    std::mutex mutex_;
    std::condition_variable ended_;
    std::atomic<bool> done_ = false;
    std::thread thread_;
};
