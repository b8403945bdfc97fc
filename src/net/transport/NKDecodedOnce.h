#pragma once

#include <condition_variable>
#include <mutex>
#include <optional>
#include <utility>

// What an operation's body decodes to, made at most once and never under the operation's lock:
// the lock guards only taking what the decode needs and keeping its result. The first reader
// decodes; readers that come while it does wait for its result with the lock let go, and later
// ones take the kept one. So whatever takes the lock meanwhile (a cancel or a progress report
// on the main thread, the connection's finish on the network thread) never waits for a decode,
// nor for the share of the decoding budget a picture's decode waits for.
//
// The caller must not hold the lock already: a recursive hold would stay through the decode.
template <class T>
class NKDecodedOnce {
public:
    // The kept result; else `decode(input)` for what `take()` gives under `lock`, kept. When
    // `take()` gives nothing (no body yet), T{} and nothing kept.
    template <class Take, class Decode>
    T get(std::recursive_mutex& lock, Take take, Decode decode) {
        std::unique_lock guard(lock);
        decodedChanged_.wait(guard, [this] { return !decoding_; });
        if (kept_) return *kept_;
        auto input = take();
        if (!input) return T{};
        decoding_ = true;
        guard.unlock();
        T result = decode(std::move(*input));
        guard.lock();
        kept_ = result;
        decoding_ = false;
        guard.unlock();
        decodedChanged_.notify_all();
        return result;
    }

    // The result once made; read under the operation's lock.
    [[nodiscard]] const std::optional<T>& kept() const { return kept_; }

private:
    std::optional<T> kept_;
    bool decoding_ = false;
    std::condition_variable_any decodedChanged_;
};
