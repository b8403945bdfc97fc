#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <functional>
#include <optional>

// Cuts the streaming receive's bytes into whole script segments:
//
//   <script>[document.domain = "name";] window.parent.QX.webim.cometMgr.KEY(PAYLOAD);</script>
//
// Chunks may split a segment, or a character, anywhere: the cutter keeps the unfinished
// bytes and goes on with the next chunk, so a segment is handed over once, whole, as soon
// as its last byte has come. A closing ");</script>" ends a segment only when the text
// ends there or the next segment starts after it (white space between). A new segment
// that starts before the pending one has ended abandons the pending one.
//
// Every byte is read once, however the chunks fall: what a marker split over two chunks
// has matched so far is remembered, not searched for again. A segment may hold at most
// kMaxSegment bytes (its start, payload, closing text and the white space after it);
// a longer one, or a start that never finishes, is dropped with everything kept.
class CometScriptCutter {
public:
    // A packet is a few kilobytes; the longest text the input bar sends is 200 characters.
    static constexpr qsizetype kMaxSegment = 4 * 1024 * 1024;

    using SegmentHandler = std::function<void(QByteArrayView segment)>;

    explicit CometScriptCutter(SegmentHandler handler) : handler_(std::move(handler)) {}

    // Adds the next chunk and hands over every segment it completes, in order. False when
    // a segment grew past kMaxSegment: what was kept is dropped and the cutter starts
    // afresh, but a stream that sends such a thing is not to be read on.
    bool feed(QByteArrayView chunk);
    // Forgets the unfinished bytes (a new connection starts from nothing).
    void reset();
    // The unfinished bytes kept for the next chunk.
    [[nodiscard]] const QByteArray& tail() const { return tail_; }

    // The length of the segment start at `position` of `text`, or 0 when none starts there.
    [[nodiscard]] static qsizetype startLength(QByteArrayView text, qsizetype position);

private:
    // Reads a segment start byte by byte.
    class StartReader {
    public:
        enum class Step { More, Done, Failed };
        // A constructor of its own rather than member initialisers: `start_` below asks
        // whether a reader can be made while this class is still incomplete, and clang
        // cannot tell that of a nested class whose members have initialisers yet.
        StartReader() : stage_(Stage::Open), matched_(0) {}
        // Takes the next byte; after Failed the byte is not part of the start.
        Step read(char c);
        // Takes bytes until the start is read, fails or the bytes end: the bytes taken (the
        // one that failed is not), and how it went.
        qsizetype read(QByteArrayView bytes, Step& step);

    private:
        enum class Stage {
            Open,
            AfterOpen,
            Domain,
            BeforeEquals,
            BeforeQuote,
            Name,
            Semicolon,
            BeforePrefix,
            Prefix,
            Key,
        };
        Step literal(QByteArrayView text, char c, Stage next);

        Stage stage_;
        int matched_;
    };

    // A start was read whole at `at`: the pending segment ends there (or is abandoned), and
    // the new one begins.
    void startSegmentAt(qsizetype at);

    SegmentHandler handler_;
    QByteArray tail_;
    // Where the kept bytes begin in `tail_` during a feed: the pending segment's start, or
    // the start being read outside a segment.
    qsizetype begin_ = 0;
    // The pending segment starts at `begin_` (its start read whole).
    bool inSegment_ = false;
    // A start being read, from `startAt_`.
    std::optional<StartReader> start_;
    qsizetype startAt_ = 0;
    // The bytes of the closing text matched so far.
    qsizetype closeMatched_ = 0;
    // The end of the pending segment's last closing text while only white space followed.
    qsizetype closedAt_ = -1;
};
