#include "platform/uikit/decoding_budget.h"

#include <condition_variable>
#include <mutex>
#include <utility>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace ui {

namespace {

struct Budget {
    std::mutex mutex;
    std::condition_variable changed;
    std::int64_t held = 0;
    int sharesHeld = 0;
    // Tickets in the order shares were asked for: the one served next is `serving`.
    std::uint64_t nextTicket = 0;
    std::uint64_t serving = 0;
};

Budget& budget() {
    static Budget shared;
    return shared;
}

// While large pictures decode, every buffer of kOwnPagesFromBytes or more gets pages of its
// own, which go back to the system as soon as it goes. Left to itself the allocator serves
// such buffers, once the first has gone, from the heap of the thread that asks, and each
// decoding thread's heap keeps what it once held: scrolling a list of 16 MB thumbnails held
// 466 MB where 150 MB were in use. Between decodes the rest of the app has the rule set at its
// start (setAllocatorRule) back: set for the whole process, pages of their own for every 4 MB
// buffer opened a chat whose last message is 20 MB half as slowly again.
void allocateWhileDecoding(bool decoding) {
#ifdef __GLIBC__
    mallopt(M_MMAP_THRESHOLD, int(decoding ? DecodingBudget::kOwnPagesFromBytes
                                           : DecodingBudget::kSettledOwnPagesFromBytes));
    mallopt(M_TRIM_THRESHOLD, int(2 * (decoding ? DecodingBudget::kOwnPagesFromBytes
                                                : DecodingBudget::kSettledOwnPagesFromBytes)));
#else
    (void)decoding;
#endif
}

}  // namespace

DecodingBudget::Share::Share(Share&& other) noexcept : bytes_(std::exchange(other.bytes_, 0)) {}

DecodingBudget::Share& DecodingBudget::Share::operator=(Share&& other) noexcept {
    if (this != &other) {
        giveBack();
        bytes_ = std::exchange(other.bytes_, 0);
    }
    return *this;
}

DecodingBudget::Share::~Share() {
    giveBack();
}

void DecodingBudget::Share::giveBack() {
    if (bytes_ == 0) return;
    Budget& shared = budget();
    {
        std::lock_guard lock(shared.mutex);
        shared.held -= std::exchange(bytes_, 0);
        if (--shared.sharesHeld == 0) allocateWhileDecoding(false);
    }
    shared.changed.notify_all();
}

DecodingBudget::Share DecodingBudget::take(std::int64_t bytes) {
    if (bytes < kSmallestShare) return {};
    Budget& shared = budget();
    std::unique_lock lock(shared.mutex);
    const std::uint64_t ticket = shared.nextTicket++;
    shared.changed.wait(lock, [&] {
        return shared.serving == ticket &&
               (shared.sharesHeld == 0 || shared.held + bytes <= kBytes);
    });
    ++shared.serving;
    shared.held += bytes;
    if (shared.sharesHeld++ == 0) allocateWhileDecoding(true);
    lock.unlock();
    // The next in line may fit beside this one.
    shared.changed.notify_all();
    return Share(bytes);
}

void DecodingBudget::setAllocatorRule() {
    allocateWhileDecoding(false);
}

std::int64_t DecodingBudget::heldBytes() {
    Budget& shared = budget();
    std::lock_guard lock(shared.mutex);
    return shared.held;
}

int DecodingBudget::waitingCount() {
    Budget& shared = budget();
    std::lock_guard lock(shared.mutex);
    return int(shared.nextTicket - shared.serving);
}

}  // namespace ui
