#pragma once

#include <QtGlobal>

#include <chrono>

namespace ns {

// Decides when an exchange is read at a pace: after a run of small reads, for the rest of the
// exchange. Paced, the socket is read again once kPacedLowWaterBytes wait in it, or once kPause
// after the last read has passed: a trickle of bytes a send would otherwise cost a read a send,
// and every read wakes the threads the reply goes on to.
class ReadPacing {
public:
    // A read that brings less than this is small. A server that writes a reply at once fills
    // reads of many kilobytes; small reads come from pieces far apart in time (a stream's
    // segments) or from a server that cuts what it sends finely, a byte a send at worst.
    static constexpr qsizetype kSmallReadBytes = 1024;
    // After this many small reads in a row the exchange is read at a pace. An ordinary reply
    // takes a read or three.
    static constexpr int kSmallReadsBeforePacing = 8;
    // The mark stays well below the socket's receive buffer, which the system would otherwise
    // widen for it, and hold its window at.
    static constexpr int kPacedLowWaterBytes = 16 * 1024;
    // How late a piece that follows a small read comes at most: a chat line in a stream waits
    // no longer than this for the reading.
    static constexpr std::chrono::milliseconds kPause{20};

    // Counts a read of `bytes`: whether the exchange is read at a pace from now on. A large
    // read ends a run of small ones; once paced, an exchange stays paced, so that a trickle
    // that pauses for a moment is not read a byte at a time again.
    bool read(qsizetype bytes);
    // A new exchange starts unpaced, without small reads.
    void reset();
    [[nodiscard]] bool isPaced() const { return paced_; }

private:
    int smallReadsInARow_ = 0;
    bool paced_ = false;
};

}  // namespace ns
