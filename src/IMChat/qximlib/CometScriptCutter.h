#pragma once

#include "IMChat/qximlib/JsonPrefixReader.h"

#include <QByteArray>
#include <QByteArrayView>

#include <deque>
#include <functional>
#include <optional>

// Cuts the streaming receive's bytes into whole script segments:
//
//   <script>[document.domain = "name";] window.parent.QX.webim.cometMgr.KEY(PAYLOAD);</script>
//
// Chunks may split a segment, or a character, anywhere: the cutter keeps the unfinished
// bytes and goes on with the next chunk, so a segment is handed over once, whole, as soon
// as its last byte has come. A closing ");</script>" ends a segment when the text ends there
// or the next segment starts after it (white space between), and, when the payload was one
// JSON value and the call's ")" that followed it begins the closing text, whatever follows it:
// the server's segments have nothing more. A new segment that starts before the pending one
// has ended abandons the pending one.
//
// The payload is followed as JSON (JsonPrefixReader) so that a message's own text never cuts
// the stream, however the chunks fall: a start or a closing text inside one of its strings is
// text. A start inside a string is remembered, though: when the payload then stops being JSON
// (or its value is followed by anything but the call's ")"), its segment was torn off by the
// server, inside that string or after it, and the stream is cut again from that start: read
// from there, the segments after the tear come whole, wherever it fell. The bytes read again
// stay fewer than those fed (readAgainBytes()): read from the start, every string among the
// bytes read before is read as outside one and the other way round (the quote that opened the
// string the start lay in now opens none), so each start among them, which lay in a string
// before, begins a segment at once.
// The white space after a closing text goes with its segment, in the chunk that closes it or
// in the next ones, up to kMostSpaceAfterSegment bytes of it; after a segment that delivered
// nothing (setAside()) the white space in the next chunks delivers nothing too. A segment whose
// reader knows only later whether it delivered (a packet that waits to be stored) is charged
// (charge()): it and the white space after it count as delivering nothing until settle() says
// it delivered, so that the bound holds while its reader waits to know.
//
// No byte is read again for how the chunks fall: what a marker split over two chunks has
// matched so far is remembered, not searched for again. A segment is kept whole up to
// kMaxSegment bytes (its start, payload, closing text and the white space after it); one
// that grows longer is handed over in pieces as its bytes come instead, the first with
// everything kept so far, so that the cutter keeps no more of it. A start that grows
// longer (white space without end) is no start: its bytes are dropped, and the cutter reads
// on. A segment in pieces is read for at most kMostSegmentBytes: one that grows longer
// without its closing text is given up, and the cutter reads nothing more until it is
// reset: the stream that sends it is to be closed.
//
// The bytes that deliver no segment are counted, for the whole stream (until a reset): what
// lies between segments, starts that fail, segments left unfinished by the next start or
// given up, and segments their reader set aside (setAside()) or charged and did not settle as
// delivered (charge(), settle()). Past kMostUndeliveredBytes of
// them the cutter gives the stream up as it gives up a segment: a server whose segments
// never come cannot keep a core reading, however it splits what it sends.
class CometScriptCutter {
public:
    // A packet is a few kilobytes; the longest text the input bar sends is 200 characters.
    static constexpr qsizetype kMaxSegment = 4 * 1024 * 1024;
    // What a segment is read for at most, counted as kMaxSegment is: room for a text of
    // 20 MB, whose packet is stored with its text cut, while a segment that never ends (or
    // one set aside at once and read on for its ids without end) costs a second or so of
    // reading rather than a core for as long as the stream stays open.
    static constexpr qsizetype kMostSegmentBytes = 32 * 1024 * 1024;
    // The bytes of a stream that may deliver no segment. The server writes a segment a chunk,
    // with at most white space after its closing text (which goes with the segment), and
    // nothing between segments; a packet the app cannot read is rare and a few kilobytes. A
    // real stream never comes near the bound, while one that sends filler, failing starts or
    // segments it never ends reaches it within a fraction of a second at loopback speed.
    static constexpr qsizetype kMostUndeliveredBytes = 32 * 1024 * 1024;
    // The white space after a segment that goes with it: a server pads a segment with a few
    // kilobytes at most, so that what stands between it and the reader hands it on at once.
    static constexpr qsizetype kMostSpaceAfterSegment = 16 * 1024;
    // What a chunk of the stream's framing counts for at least, however few bytes it carries:
    // about what it costs to read (its framing, and a send of its own from a server that cuts
    // finely). The server writes a segment a chunk; heartbeats, the shortest, are longer.
    static constexpr qsizetype kLeastChunkBytes = 64;

    using SegmentHandler = std::function<void(QByteArrayView segment)>;
    // The pieces of a segment longer than kMaxSegment, in order: First (beginning with the
    // segment's start), any number of More, then Last (the piece that ends it, through its
    // closing text) or, when a new start abandons it, the cutter is reset or the segment is
    // given up, Abandoned (no bytes).
    enum class Piece { First, More, Last, Abandoned };
    using PieceHandler = std::function<void(QByteArrayView bytes, Piece piece)>;

    // The bounds a stream is read with: kMaxSegment, kMostSegmentBytes, kMostUndeliveredBytes
    // and kMostSpaceAfterSegment, or smaller ones for fuzzing, which then reaches them with
    // small inputs.
    struct Bounds {
        qsizetype segment;
        qsizetype segmentRead;
        qsizetype undelivered;
        qsizetype spaceAfterSegment;
    };

    CometScriptCutter(SegmentHandler handler, PieceHandler pieces)
        : CometScriptCutter(
              std::move(handler), std::move(pieces),
              {kMaxSegment, kMostSegmentBytes, kMostUndeliveredBytes, kMostSpaceAfterSegment}) {}
    CometScriptCutter(SegmentHandler handler, PieceHandler pieces, Bounds bounds)
        : handler_(std::move(handler)), pieces_(std::move(pieces)), bounds_(bounds) {}

    // Adds the next chunk and hands over every segment it completes, in order.
    void feed(QByteArrayView chunk);
    // The next `bytes` came in `chunks` chunks of the reply's framing: what they fall short of
    // kLeastChunkBytes a chunk counts with the bytes that deliver no segment, so that a stream
    // cut into tiny chunks reaches the bound after as many chunks as bytes would.
    void chargeChunks(qint64 chunks, qsizetype bytes);
    // Forgets the unfinished bytes (a new connection starts from nothing).
    void reset();
    // A segment handed over delivered nothing after all (its reader set it aside, or it stores
    // nothing): `bytes` count with those that deliver no segment, and so does the white space
    // after it in the next chunks. Past the bound the stream is given up.
    void setAside(qsizetype bytes);
    // What stands for a segment charged: its number in the stream, from 1 on. Numbers go on
    // across resets, so that a charge of a stream before the reset is never taken for a later one.
    using Charge = quint64;
    // A segment handed over whose reader knows only later whether it delivered: `bytes` count
    // with those that deliver no segment, and so does the white space that goes with it in the
    // next chunks, until settle().
    [[nodiscard]] Charge charge(qsizetype bytes);
    // The charged segment delivered, or did not: when it did, what it was charged, its white
    // space too, no longer counts, and the white space still to come after it goes with it;
    // when it did not, it stays counted, as one set aside. Nothing for a charge made before the
    // last reset, or settled already.
    void settle(Charge charge, bool delivered);
    // The segments charged and not yet settled.
    [[nodiscard]] qsizetype chargesOpen() const { return qsizetype(charges_.size()); }
    // A segment passed kMostSegmentBytes in pieces, or the stream kMostUndeliveredBytes that
    // deliver no segment: nothing is read until the next reset.
    [[nodiscard]] bool givenUp() const { return givenUp_; }
    // The unfinished bytes kept for the next chunk.
    [[nodiscard]] const QByteArray& tail() const { return tail_; }
    // The bytes of this stream that delivered no segment; once given up, with the rest of the
    // chunk that was being read. What was fed is what was handed over in segments and in
    // pieces of segments that ended, trailingSpaceBytes(), this, and pendingBytes().
    [[nodiscard]] qsizetype undeliveredBytes() const { return undelivered_; }
    // The white space that came after segments already handed over, in later chunks, and went
    // with them (not after one set aside).
    [[nodiscard]] qsizetype trailingSpaceBytes() const { return trailingSpace_; }
    // The bytes read again, from a start inside a string where the stream was cut again: fewer
    // than were fed.
    [[nodiscard]] qsizetype readAgainBytes() const { return readAgain_; }
    // The bytes of the segment or start under way: those kept in tail(), and those of a
    // segment in pieces handed over so far.
    [[nodiscard]] qsizetype pendingBytes() const {
        return tail_.size() + (inPieces_ ? handed_ : 0);
    }

    // The length of the segment start at `position` of `text`, or 0 when none starts there.
    [[nodiscard]] static qsizetype startLength(QByteArrayView text, qsizetype position);
    // The white space a segment handed over ends with, which went with it.
    [[nodiscard]] static qsizetype trailingSpace(QByteArrayView segment);

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
    // The pending segment, closed, ends at `at`: it is handed over whole or by its last piece.
    void endSegmentAt(qsizetype at);
    // The pending segment's payload stopped being JSON at `at`, after a start inside one of
    // its strings: the segment was torn off before that start, which the stream is read again
    // from. Returns where reading goes on.
    qsizetype cutAgainAtCandidate(qsizetype at);
    // The pending segment has passed kMaxSegment at `at`: from now on it is handed over in
    // pieces.
    void goOnInPieces(qsizetype at);
    // Hands the pending segment's bytes from `begin_` up to `at` over as a piece.
    void handPiece(qsizetype at, Piece piece);
    // Forgets the segment or start under way, its pieces abandoned.
    void clear();
    // `space` bytes of white space went with the segment handed over last.
    void spaceAfterSegment(qsizetype space);
    // Gives the stream up at `at` of a feed of `size` bytes: what is under way and the rest of
    // the feed deliver nothing, and nothing more is read.
    void giveUpAt(qsizetype at, qsizetype size);
    // The bytes of the segment or start under way at `at` of a feed.
    [[nodiscard]] qsizetype pendingAt(qsizetype at) const;
    // How far the bytes of the text (`size` long) may be read at once: to the bound of the
    // start being read or of the segment kept whole.
    [[nodiscard]] qsizetype limitAt(qsizetype size) const;
    // The pending segment's payload was one value, ended by the call's ")" of the closing text
    // that came last: what follows it but white space is none of it.
    [[nodiscard]] bool closedWhole() const {
        return closed_ && payload_.state() == JsonPrefixReader::State::Ended;
    }

    SegmentHandler handler_;
    PieceHandler pieces_;
    Bounds bounds_;
    QByteArray tail_;
    // Where the kept bytes begin in `tail_` during a feed: the pending segment's start (or
    // the first of its bytes not yet handed over in a piece), or the start being read
    // outside a segment.
    qsizetype begin_ = 0;
    // The pending segment starts at `begin_` (its start read whole).
    bool inSegment_ = false;
    // The pending segment is handed over in pieces.
    bool inPieces_ = false;
    // The bytes of the pending segment handed over in pieces so far.
    qsizetype handed_ = 0;
    bool givenUp_ = false;
    qsizetype undelivered_ = 0;
    // A start being read, from `startAt_`.
    std::optional<StartReader> start_;
    qsizetype startAt_ = 0;
    // The start being read began inside a string of the pending segment's payload.
    bool startInString_ = false;
    // The bytes of the closing text matched so far.
    qsizetype closeMatched_ = 0;
    // The pending segment's last closing text was followed by white space only so far; it
    // ended before `closedAt_`.
    bool closed_ = false;
    qsizetype closedAt_ = 0;
    // The pending segment's payload as JSON.
    JsonPrefixReader payload_;
    // The first start read whole inside a string of the pending segment's payload, at
    // `candidateAt_`, while its bytes are kept: a segment in pieces hands them over as each
    // chunk ends.
    bool candidate_ = false;
    qsizetype candidateAt_ = 0;
    // The white space that may still go with the segment handed over as the last chunk ended.
    qsizetype spaceRoom_ = 0;
    // The charge, not yet settled, of the segment that white space goes with (0: none): the
    // white space then counts as delivering nothing, and is added to that charge.
    Charge spaceCharge_ = 0;
    // A segment charged and not yet settled, and what it was charged so far; the white space
    // that went with it among them.
    struct OpenCharge {
        Charge charge = 0;
        qsizetype bytes = 0;
        qsizetype space = 0;
    };
    // In the order they were charged: a reader settles them in about that order.
    std::deque<OpenCharge> charges_;
    Charge lastCharge_ = 0;
    qsizetype trailingSpace_ = 0;
    qsizetype readAgain_ = 0;
};
