#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

// Lets at most `width` loads run at once, from the start of their download until their picture
// is decoded (or they fail, or are cancelled); the others wait in the order they came. A list
// of large photos so keeps one body decoding and the next ones downloading rather than every
// row's body in memory, waiting for the decode one at a time.
//
// A load's place is its pass: the gate starts it once a place is free, and the place is free
// again once the pass is left (leave()) or goes, whichever comes first. Made shared
// (std::make_shared), as passes find their gate through it. Any thread.
class NKLoadGate : public std::enable_shared_from_this<NKLoadGate> {
public:
    class Pass {
    public:
        Pass(const Pass&) = delete;
        Pass& operator=(const Pass&) = delete;
        ~Pass();

        // Gives the place back; nothing the second time.
        void leave();

    private:
        friend class NKLoadGate;
        explicit Pass(std::weak_ptr<NKLoadGate> gate) : gate_(std::move(gate)) {}

        std::weak_ptr<NKLoadGate> gate_;
        std::once_flag left_;
    };
    using Start = std::function<void(const std::shared_ptr<Pass>& pass)>;

    // At least one place.
    explicit NKLoadGate(int width);

    // Runs `start` with the load's pass now when a place is free, else once one is, outside
    // the gate's lock: on this thread, or on the one whose pass made the room.
    void enter(Start start);

    [[nodiscard]] int running() const;
    [[nodiscard]] std::size_t waiting() const;

private:
    void release();

    const int width_;
    mutable std::mutex mutex_;
    int running_ = 0;
    std::deque<Start> waiting_;
};
