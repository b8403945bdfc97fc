#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <functional>

// Cuts the streaming receive's bytes into whole script segments:
//
//   <script>[document.domain = "name";] window.parent.QX.webim.cometMgr.KEY(PAYLOAD);</script>
//
// Chunks may split a segment, or a character, anywhere: the cutter keeps the unfinished
// bytes and goes on with the next chunk, so a segment is handed over once, whole, as soon
// as its last byte has come. A closing ");</script>" ends a segment only when the text
// ends there or the next segment starts after it (white space between). A new segment
// that starts before the pending one has ended abandons the pending one.
class CometScriptCutter {
public:
    using SegmentHandler = std::function<void(QByteArrayView segment)>;

    explicit CometScriptCutter(SegmentHandler handler) : handler_(std::move(handler)) {}

    // Adds the next chunk and hands over every segment it completes, in order.
    void feed(QByteArrayView chunk);
    // Forgets the unfinished bytes (a new connection starts from nothing).
    void reset() { tail_.clear(); }
    // The unfinished bytes kept for the next chunk.
    [[nodiscard]] const QByteArray& tail() const { return tail_; }

    // The length of the segment start at `position` of `text`, or 0 when none starts there.
    [[nodiscard]] static qsizetype startLength(QByteArrayView text, qsizetype position);

private:
    // The first segment start at or after `from`: its position and length, or -1.
    [[nodiscard]] static std::pair<qsizetype, qsizetype> findStart(QByteArrayView text,
                                                                   qsizetype from);

    SegmentHandler handler_;
    QByteArray tail_;
};
