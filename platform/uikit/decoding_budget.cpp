#include "platform/uikit/decoding_budget.h"

#include <condition_variable>
#include <map>
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
    // The bytes of every share, those of pictures on show too; the decodes' shares alone.
    std::int64_t held = 0;
    int sharesHeld = 0;
    // Tickets in the order shares were asked for: the one served next is `serving`.
    std::uint64_t nextTicket = 0;
    std::uint64_t serving = 0;
    // The decoders kept between their decodes by their keys, the oldest first; each holds a
    // share.
    std::map<std::uint64_t, std::shared_ptr<void>> kept;
    std::uint64_t nextKey = 1;
    bool decodingRule = false;
};

Budget& budget() {
    // Never destroyed, nor the decoders it keeps: a decode still running as the process's
    // statics go gives its share back, or waits for one, on it.
    static auto* const shared = new Budget;
    return *shared;
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

// The allocator's rule for decodes while shares are held other than by kept decoders, else the
// rule between decodes. Called with the budget's mutex held.
void settleAllocatorRule(Budget& shared) {
    const bool decoding = shared.sharesHeld > int(shared.kept.size());
    if (decoding != shared.decodingRule) allocateWhileDecoding(shared.decodingRule = decoding);
}

}  // namespace

DecodingBudget::Share::Share(Share&& other) noexcept
    : bytes_(std::exchange(other.bytes_, 0)), decoding_(other.decoding_) {}

DecodingBudget::Share& DecodingBudget::Share::operator=(Share&& other) noexcept {
    if (this != &other) {
        giveBack();
        bytes_ = std::exchange(other.bytes_, 0);
        decoding_ = other.decoding_;
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
        if (decoding_) {
            --shared.sharesHeld;
            settleAllocatorRule(shared);
        }
    }
    shared.changed.notify_all();
}

DecodingBudget::Share DecodingBudget::take(std::int64_t bytes) {
    if (bytes < kSmallestShare) return {};
    Budget& shared = budget();
    std::unique_lock lock(shared.mutex);
    const std::uint64_t ticket = shared.nextTicket++;
    const auto fits = [&] { return shared.sharesHeld == 0 || shared.held + bytes <= kBytes; };
    for (;;) {
        shared.changed.wait(
            lock, [&] { return shared.serving == ticket && (fits() || !shared.kept.empty()); });
        if (fits()) break;
        // Its turn and no room: the decoders kept between their decodes go, the oldest first.
        // One goes outside the lock, which its share takes as it is given back.
        std::shared_ptr<void> oldest = std::move(shared.kept.begin()->second);
        shared.kept.erase(shared.kept.begin());
        lock.unlock();
        oldest.reset();
        lock.lock();
    }
    ++shared.serving;
    shared.held += bytes;
    ++shared.sharesHeld;
    settleAllocatorRule(shared);
    lock.unlock();
    // The next in line may fit beside this one.
    shared.changed.notify_all();
    return Share(bytes, true);
}

DecodingBudget::Share DecodingBudget::hold(std::int64_t bytes) {
    if (bytes <= 0) return {};
    {
        std::lock_guard lock(budget().mutex);
        budget().held += bytes;
    }
    return Share(bytes, false);
}

std::uint64_t DecodingBudget::keep(std::shared_ptr<void> holder) {
    Budget& shared = budget();
    std::uint64_t key = 0;
    {
        std::lock_guard lock(shared.mutex);
        key = shared.nextKey++;
        shared.kept.emplace(key, std::move(holder));
        settleAllocatorRule(shared);
    }
    // A decode whose turn it is may let go of it.
    shared.changed.notify_all();
    return key;
}

std::shared_ptr<void> DecodingBudget::takeBack(std::uint64_t key) {
    Budget& shared = budget();
    std::lock_guard lock(shared.mutex);
    const auto found = shared.kept.find(key);
    if (found == shared.kept.end()) return nullptr;
    std::shared_ptr<void> holder = std::move(found->second);
    shared.kept.erase(found);
    settleAllocatorRule(shared);
    return holder;
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
