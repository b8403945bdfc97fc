#pragma once

#include <cstdint>
#include <memory>

namespace ui {

// Bounds what the pictures being decoded hold at once across the process. A decode that holds
// kSmallestShare or more (a picture of a million pixels) takes a share of kBytes for as long
// as its decoder lives, and waits while the shares already given leave too little for it.
// Shares are given in the order they are asked for, so that a large one is not passed by
// smaller ones for ever; one larger than the whole budget is given once no other is held, and
// decodes alone. Smaller decodes (thumbnails, icons) take no share and never wait.
//
// While decodes hold shares, buffers of kOwnPagesFromBytes or more get pages of their own, so
// that the decoders' buffers and the pictures they make go back to the system as soon as they
// go.
//
// Pictures the app keeps on show (a list's thumbnails, held by its rows) are counted too, as
// shares held (hold) for as long as they are shown, of any size: a decode waits for the room
// they and the other decodes leave, rather than taking the process past the budget beside them.
// They never wait themselves, and one decode with no other beside it is given its share however
// many are shown, as the rows that show them may stay for as long as the app runs.
//
// A share is taken and given back within one call chain of a decoder (ImageReader), or held
// between calls only by a decoder that the budget keeps (keep: an animation's decoder between
// its frames), which it lets go of as soon as a decode waits for room; so no thread ever waits
// for a share that it holds itself, nor for one that nobody will give back.
class DecodingBudget {
public:
    // As much as one read may allocate (ImageReader::kAllocationLimitMB): a picture of 2,048 x
    // 2,048 pixels decoded as it is read takes 16 MB of it, so eight decode at once.
    static constexpr std::int64_t kBytes = 128 * 1024 * 1024;
    static constexpr std::int64_t kSmallestShare = 4 * 1024 * 1024;
    // Decoded pictures of a million pixels and more.
    static constexpr std::int64_t kOwnPagesFromBytes = 4 * 1024 * 1024;
    // Between decodes: the figure the allocator settles at by itself once large buffers have
    // gone, with a heap's top trimmed past twice it.
    static constexpr std::int64_t kSettledOwnPagesFromBytes = 32 * 1024 * 1024;

    // A share of the budget, given back when it goes.
    class Share {
    public:
        Share() = default;
        Share(Share&& other) noexcept;
        Share& operator=(Share&& other) noexcept;
        Share(const Share&) = delete;
        Share& operator=(const Share&) = delete;
        ~Share();

        [[nodiscard]] std::int64_t bytes() const { return bytes_; }

    private:
        friend class DecodingBudget;
        Share(std::int64_t bytes, bool decoding) : bytes_(bytes), decoding_(decoding) {}
        void giveBack();

        std::int64_t bytes_ = 0;
        // A decode's share, rather than pictures on show.
        bool decoding_ = false;
    };

    // A share of `bytes`, once its turn has come; an empty share, at once, below
    // kSmallestShare.
    [[nodiscard]] static Share take(std::int64_t bytes);
    // A share of `bytes` of decoded pictures kept on show, at once, whatever their size (none
    // for nothing).
    [[nodiscard]] static Share hold(std::int64_t bytes);

    // Keeps `holder`, a decoder that holds one share, between two of its decodes, until its
    // owner takes it back with the key returned. A decode that waits for room meanwhile lets go
    // of it (the oldest kept first), which gives its share back and frees what it holds. While
    // only kept decoders hold shares, the allocator has the rule of the time between decodes.
    [[nodiscard]] static std::uint64_t keep(std::shared_ptr<void> holder);
    // The decoder kept under `key`, or nothing when the budget has let go of it.
    [[nodiscard]] static std::shared_ptr<void> takeBack(std::uint64_t key);

    // Sets the allocator's rule between decodes, once, where the process starts (app/main.cpp).
    static void setAllocatorRule();

    // The bytes the shares given hold now (kept decoders' and pictures on show too), and how
    // many decodes wait for theirs.
    [[nodiscard]] static std::int64_t heldBytes();
    [[nodiscard]] static int waitingCount();
};

}  // namespace ui
