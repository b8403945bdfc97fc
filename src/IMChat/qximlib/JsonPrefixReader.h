#pragma once

#include <QByteArrayView>

#include <array>
#include <cstdint>

// Follows bytes as the beginning of one JSON value, the argument of a call, a byte at a time,
// so that a reader of a stream can tell the text of a value's strings from the bytes around
// them: a message's text may hold anything, the marks that cut the stream among them. It does
// not decode: it keeps only where it is (in a string, the kind of each open container, what
// may come next), and so costs the same however long the value grows.
//
// It is lenient where that cannot matter: any run of letters, digits and "+-." stands for a
// number or a literal. What it refuses, no argument of a call begins with: a string that ends
// where a name or a separator must come, a closer that closes nothing or the wrong container,
// a byte that no value begins with, and anything but white space and the call's ')' after the
// whole value.
class JsonPrefixReader {
public:
    enum class State {
        // Between the bytes of the value, outside its strings.
        Reading,
        // Inside a string (a name or a value).
        InString,
        // The value has ended and the call's ')' followed it: nothing more is read.
        Ended,
        // The value nests deeper than it is followed: nothing more is read, and what is inside
        // its strings is no longer known.
        TooDeep,
        // No argument of a call begins with the bytes read: nothing more is read.
        Broken,
    };
    // Containers followed at most; a deeper value is TooDeep.
    static constexpr int kMostDepth = 1024;

    void reset() { *this = JsonPrefixReader(); }
    void read(char c) { take(QByteArrayView(&c, 1), false); }
    // Reads every byte, marks too.
    void read(QByteArrayView bytes) { take(bytes, false); }
    // Reads bytes up to the first that is '<' or, outside a string, ')', and leaves it unread,
    // or until nothing more is read (Ended or Broken): the bytes taken.
    qsizetype readUntilMark(QByteArrayView bytes) { return take(bytes, true); }

    [[nodiscard]] State state() const { return state_; }
    [[nodiscard]] bool inString() const { return state_ == State::InString; }
    [[nodiscard]] bool broken() const { return state_ == State::Broken; }

private:
    // What may come next, outside a string.
    enum class Next : std::uint8_t {
        Value,
        ValueOrClose,
        Name,
        NameOrClose,
        Colon,
        CommaOrClose,
        // The value is whole: white space only, until the call's ')'.
        Nothing,
    };
    enum class Kind : std::uint8_t { Array, Object };

    // Reads `bytes`, stopping before a mark when `stopAtMarks`: the bytes taken.
    qsizetype take(QByteArrayView bytes, bool stopAtMarks);
    // Opens a container; false when it nests too deep to be followed (TooDeep).
    bool open(Kind kind);
    // Closes the innermost container; false when it is of the other kind.
    bool close(Kind kind);
    [[nodiscard]] Kind innermost() const {
        const int level = depth_ - 1;
        return (kinds_[level / 64] >> (level % 64)) & 1 ? Kind::Object : Kind::Array;
    }

    State state_ = State::Reading;
    Next next_ = Next::Value;
    bool inName_ = false;
    bool escaped_ = false;
    bool inWord_ = false;
    int depth_ = 0;
    // The kind of each open container, a bit each: 1 for an object.
    std::array<std::uint64_t, kMostDepth / 64> kinds_{};
};
