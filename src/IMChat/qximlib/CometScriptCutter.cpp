#include "IMChat/qximlib/CometScriptCutter.h"

#include <algorithm>

namespace {

constexpr QByteArrayView kScriptOpen = "<script>";
constexpr QByteArrayView kDomain = "document.domain";
constexpr QByteArrayView kCallPrefix = "window.parent.QX.webim.cometMgr.";
constexpr QByteArrayView kClose = ");</script>";
constexpr int kMinDomain = 5;
constexpr int kMaxDomain = 40;
constexpr int kMaxKey = 30;

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

}  // namespace

qsizetype CometScriptCutter::StartReader::read(QByteArrayView bytes, Step& step) {
    qsizetype at = 0;
    while (at < bytes.size()) {
        // The rest of a fixed text is compared at once; its last byte moves on to the next stage.
        const QByteArrayView text = stage_ == Stage::Open     ? kScriptOpen
                                    : stage_ == Stage::Domain ? kDomain
                                    : stage_ == Stage::Prefix ? kCallPrefix
                                                              : QByteArrayView();
        if (!text.isEmpty()) {
            const qsizetype count = std::min(text.size() - matched_, bytes.size() - at);
            if (bytes.sliced(at, count) == text.sliced(matched_, count)) {
                matched_ += int(count) - 1;
                at += count - 1;
            }
        }
        step = read(bytes[at]);
        if (step == Step::Failed) return at;
        ++at;
        if (step == Step::Done) return at;
    }
    step = Step::More;
    return at;
}

CometScriptCutter::StartReader::Step CometScriptCutter::StartReader::literal(QByteArrayView text,
                                                                             char c, Stage next) {
    if (c != text[matched_]) return Step::Failed;
    if (++matched_ == text.size()) {
        stage_ = next;
        matched_ = 0;
    }
    return Step::More;
}

CometScriptCutter::StartReader::Step CometScriptCutter::StartReader::read(char c) {
    switch (stage_) {
        case Stage::Open:
            return literal(kScriptOpen, c, Stage::AfterOpen);
        case Stage::AfterOpen:
            // The domain is optional; nothing else after "<script>" begins with its letter.
            if (c == kDomain[0]) {
                stage_ = Stage::Domain;
                matched_ = 1;
                return Step::More;
            }
            stage_ = Stage::BeforePrefix;
            return read(c);
        case Stage::Domain:
            return literal(kDomain, c, Stage::BeforeEquals);
        case Stage::BeforeEquals:
            if (isSpace(c)) return Step::More;
            if (c != '=') return Step::Failed;
            stage_ = Stage::BeforeQuote;
            return Step::More;
        case Stage::BeforeQuote:
            if (isSpace(c)) return Step::More;
            if (c != '"') return Step::Failed;
            stage_ = Stage::Name;
            return Step::More;
        case Stage::Name:
            if (isLetter(c) || c == '.') return ++matched_ > kMaxDomain ? Step::Failed : Step::More;
            if (c != '"' || matched_ < kMinDomain) return Step::Failed;
            stage_ = Stage::Semicolon;
            matched_ = 0;
            return Step::More;
        case Stage::Semicolon:
            if (c != ';') return Step::Failed;
            stage_ = Stage::BeforePrefix;
            return Step::More;
        case Stage::BeforePrefix:
            if (isSpace(c)) return Step::More;
            stage_ = Stage::Prefix;
            return read(c);
        case Stage::Prefix:
            return literal(kCallPrefix, c, Stage::Key);
        case Stage::Key:
            if (isLetter(c)) return ++matched_ > kMaxKey ? Step::Failed : Step::More;
            return c == '(' && matched_ > 0 ? Step::Done : Step::Failed;
    }
    return Step::Failed;
}

qsizetype CometScriptCutter::startLength(QByteArrayView text, qsizetype position) {
    StartReader reader;
    for (qsizetype at = position; at < text.size(); ++at) {
        switch (reader.read(text[at])) {
            case StartReader::Step::More:
                continue;
            case StartReader::Step::Done:
                return at + 1 - position;
            case StartReader::Step::Failed:
                return 0;
        }
    }
    return 0;
}

qsizetype CometScriptCutter::trailingSpace(QByteArrayView segment) {
    qsizetype end = segment.size();
    while (end > 0 && isSpace(segment[end - 1])) --end;
    return segment.size() - end;
}

void CometScriptCutter::clear() {
    if (inPieces_) pieces_({}, Piece::Abandoned);
    tail_.clear();
    begin_ = 0;
    inSegment_ = false;
    inPieces_ = false;
    start_.reset();
    startAt_ = 0;
    startInString_ = false;
    closeMatched_ = 0;
    closed_ = false;
    closedAt_ = 0;
    handed_ = 0;
    payload_.reset();
    candidate_ = false;
    candidateAt_ = 0;
    spaceRoom_ = 0;
    spaceCharge_ = 0;
}

void CometScriptCutter::reset() {
    clear();
    givenUp_ = false;
    undelivered_ = 0;
    charges_.clear();
    trailingSpace_ = 0;
    readAgain_ = 0;
}

qsizetype CometScriptCutter::pendingAt(qsizetype at) const {
    // Outside a segment `begin_` is where the start under way began.
    if (!inSegment_ && !start_) return 0;
    return (inPieces_ ? handed_ : 0) + at - begin_;
}

void CometScriptCutter::giveUpAt(qsizetype at, qsizetype size) {
    undelivered_ += pendingAt(at) + size - at;
    clear();
    givenUp_ = true;
}

void CometScriptCutter::chargeChunks(qint64 chunks, qsizetype bytes) {
    const qint64 least = chunks * kLeastChunkBytes;
    if (least > bytes) undelivered_ += least - bytes;
}

void CometScriptCutter::setAside(qsizetype bytes) {
    undelivered_ += bytes;
    spaceRoom_ = 0;
    spaceCharge_ = 0;
}

CometScriptCutter::Charge CometScriptCutter::charge(qsizetype bytes) {
    undelivered_ += bytes;
    charges_.push_back({.charge = ++lastCharge_, .bytes = bytes});
    // The white space that goes with the segment in the next chunks is charged with it.
    spaceCharge_ = lastCharge_;
    return lastCharge_;
}

void CometScriptCutter::settle(Charge charge, bool delivered) {
    const auto open = std::find_if(charges_.begin(), charges_.end(),
                                   [&](const OpenCharge& each) { return each.charge == charge; });
    if (open == charges_.end()) return;
    if (delivered) {
        undelivered_ -= open->bytes + open->space;
        trailingSpace_ += open->space;
    } else if (spaceCharge_ == charge) {
        // The white space still to come after it delivers nothing, as after a segment set aside.
        spaceRoom_ = 0;
    }
    if (spaceCharge_ == charge) spaceCharge_ = 0;
    charges_.erase(open);
}

void CometScriptCutter::spaceAfterSegment(qsizetype space) {
    if (spaceCharge_ == 0) {
        trailingSpace_ += space;
        return;
    }
    undelivered_ += space;
    charges_.back().space += space;
}

void CometScriptCutter::handPiece(qsizetype at, Piece piece) {
    if (piece == Piece::More && at == begin_) return;
    // The stream cannot be cut again where bytes were handed over.
    if (candidate_ && candidateAt_ < at) candidate_ = false;
    pieces_(QByteArrayView(tail_).sliced(begin_, at - begin_), piece);
    handed_ += at - begin_;
    begin_ = at;
}

void CometScriptCutter::goOnInPieces(qsizetype at) {
    inPieces_ = true;
    // A start being read inside the segment stays kept: it may begin the next one.
    handPiece(start_ ? startAt_ : at, Piece::First);
}

void CometScriptCutter::startSegmentAt(qsizetype at) {
    // The pending segment ends where the new one starts when its closing text was followed
    // by white space only; otherwise it never ended and is abandoned.
    if (inSegment_ && closed_) {
        endSegmentAt(at);
    } else if (inSegment_ && inPieces_) {
        undelivered_ += handed_ + at - begin_;
        pieces_({}, Piece::Abandoned);
    } else if (inSegment_) {
        undelivered_ += at - begin_;
    }
    begin_ = at;
    inSegment_ = true;
    inPieces_ = false;
    handed_ = 0;
    start_.reset();
    closeMatched_ = 0;
    closed_ = false;
    payload_.reset();
    candidate_ = false;
}

void CometScriptCutter::endSegmentAt(qsizetype at) {
    // The white space after it goes with it unless its reader charges it.
    spaceCharge_ = 0;
    if (inPieces_) {
        handPiece(at, Piece::Last);
    } else {
        handler_(QByteArrayView(tail_).sliced(begin_, at - begin_));
    }
    begin_ = at;
    inSegment_ = false;
    inPieces_ = false;
    handed_ = 0;
    closed_ = false;
    payload_.reset();
    candidate_ = false;
}

qsizetype CometScriptCutter::cutAgainAtCandidate(qsizetype at) {
    readAgain_ += at - candidateAt_;
    if (inPieces_) {
        undelivered_ += handed_;
        pieces_({}, Piece::Abandoned);
        inPieces_ = false;
        handed_ = 0;
    }
    undelivered_ += candidateAt_ - begin_;
    begin_ = candidateAt_;
    inSegment_ = false;
    start_.reset();
    closeMatched_ = 0;
    closed_ = false;
    payload_.reset();
    candidate_ = false;
    return candidateAt_;
}

qsizetype CometScriptCutter::limitAt(qsizetype size) const {
    qsizetype limit = size;
    if (start_) limit = std::min(limit, startAt_ + bounds_.segment);
    if (inSegment_ && !inPieces_) limit = std::min(limit, begin_ + bounds_.segment);
    // Past its bound a segment in pieces is read on only after its closing text.
    if (inPieces_ && !closed_) limit = std::min(limit, begin_ + bounds_.segmentRead - handed_);
    return limit;
}

void CometScriptCutter::feed(QByteArrayView chunk) {
    if (givenUp_) return;
    qsizetype at = tail_.size();
    tail_.append(chunk);
    const QByteArrayView bytes(tail_);
    // The payload as JSON takes the bytes from `from` up to `at`.
    const auto payloadTakes = [&](qsizetype from) { payload_.read(bytes.sliced(from, at - from)); };
    while (at < bytes.size()) {
        if (undelivered_ >= bounds_.undelivered ||
            (inPieces_ && !closed_ && handed_ + at - begin_ >= bounds_.segmentRead)) {
            giveUpAt(at, bytes.size());
            return;
        }
        // A start inside a string was the message's text only while the payload stays JSON.
        if (candidate_ && payload_.broken()) {
            at = cutAgainAtCandidate(at);
            continue;
        }
        if (inSegment_ && !inPieces_ && at - begin_ >= bounds_.segment) goOnInPieces(at);
        if (start_ && at - startAt_ >= bounds_.segment) {
            // No start is this long: its bytes are payload of the pending segment, or nothing.
            if (closedWhole()) endSegmentAt(startAt_);
            if (!inSegment_) {
                undelivered_ += at - startAt_;
                begin_ = at;
            }
            start_.reset();
            closed_ = false;
        }
        // The bytes of a start never go on with a closing text.
        if (start_) {
            StartReader::Step step = StartReader::Step::More;
            const qsizetype from = at;
            const qsizetype read = start_->read(bytes.sliced(at, limitAt(bytes.size()) - at), step);
            if (read > 0) closeMatched_ = 0;
            at += read;
            if (inSegment_) payloadTakes(from);
            if (step == StartReader::Step::Done) {
                // Inside a string of the payload a start is the message's text, as long as the
                // payload stays JSON; anywhere else it begins the next segment.
                if (inSegment_ && startInString_) {
                    if (!candidate_) {
                        candidate_ = true;
                        candidateAt_ = startAt_;
                    }
                    start_.reset();
                } else {
                    startSegmentAt(startAt_);
                }
                continue;
            }
            if (step == StartReader::Step::More) continue;
            // Not a start: its bytes are payload (or nothing), and this byte is read afresh.
            if (closedWhole()) endSegmentAt(startAt_);
            if (!inSegment_) undelivered_ += at - startAt_;
            start_.reset();
            closed_ = false;
        } else if (!inSegment_) {
            if (spaceRoom_ > 0) {
                // White space that goes on after the segment handed over as the last chunk ended.
                const qsizetype most = std::min(bytes.size(), at + spaceRoom_);
                const qsizetype from = at;
                while (at < most && isSpace(bytes[at])) ++at;
                spaceAfterSegment(at - from);
                spaceRoom_ = at == bytes.size() ? spaceRoom_ - (at - from) : 0;
                continue;
            }
            // Up to the next byte that may start a segment, as far as the bound allows.
            const qsizetype limit = std::min(bytes.size(), at + bounds_.undelivered - undelivered_);
            const qsizetype open = bytes.sliced(at, limit - at).indexOf('<');
            const qsizetype skipped = open < 0 ? limit - at : open;
            undelivered_ += skipped;
            at += skipped;
            if (open < 0) continue;
        } else if (closed_ && closeMatched_ == 0) {
            // White space after the closing text goes with the segment, up to what a server pads;
            // the segment ends where more of it would pass that.
            const qsizetype room = closedAt_ + bounds_.spaceAfterSegment;
            const qsizetype limit = std::min(limitAt(bytes.size()), room);
            while (at < limit && isSpace(bytes[at])) ++at;
            if (at == room) {
                endSegmentAt(at);
                continue;
            }
            if (at == limit) continue;
        } else if (closeMatched_ == 0) {
            // Payload: only a closing text outside its strings or a start can change anything.
            const qsizetype limit = limitAt(bytes.size());
            const JsonPrefixReader::State state = payload_.state();
            if (state == JsonPrefixReader::State::Reading ||
                state == JsonPrefixReader::State::InString) {
                at += payload_.readUntilMark(bytes.sliced(at, limit - at));
            } else {
                while (at < limit && bytes[at] != kClose[0] && bytes[at] != '<') ++at;
            }
            if (at == limit || (bytes[at] != kClose[0] && bytes[at] != '<')) continue;
            // A whole closing text at once.
            if (bytes.sliced(at).startsWith(kClose) && at + kClose.size() <= limit) {
                const qsizetype from = at;
                at += kClose.size();
                payloadTakes(from);
                closed_ = true;
                closedAt_ = at;
                continue;
            }
        }
        const char c = bytes[at];
        if (inSegment_ && !payload_.inString()) {
            closeMatched_ = c == kClose[closeMatched_] ? closeMatched_ + 1 : c == kClose[0] ? 1 : 0;
            if (closeMatched_ == kClose.size()) {
                payload_.read(c);
                closeMatched_ = 0;
                closed_ = true;
                closedAt_ = ++at;
                continue;
            }
        }
        if (c == '<') {
            start_.emplace();
            start_->read(c);
            startAt_ = at;
            startInString_ = inSegment_ && payload_.inString();
            if (!inSegment_) begin_ = at;
        } else if (!inSegment_) {
            // The byte that failed a start outside a segment.
            ++undelivered_;
        } else if (!isSpace(c)) {
            if (closedWhole()) {
                // The byte is none of the segment: it is read afresh after it.
                endSegmentAt(at);
                closeMatched_ = 0;
                continue;
            }
            closed_ = false;
        }
        if (inSegment_) payload_.read(c);
        ++at;
    }
    // A closing text followed by nothing but white space ends the segment with the text; the
    // white space that may follow in the next chunks goes with it too.
    if (inSegment_ && closed_ && !start_) {
        spaceRoom_ = closedAt_ + bounds_.spaceAfterSegment - bytes.size();
        endSegmentAt(bytes.size());
    } else if (inPieces_) {
        handPiece(start_ ? startAt_ : bytes.size(), Piece::More);
    }
    if (!inSegment_ && !start_) {
        tail_.clear();
    } else {
        tail_.remove(0, begin_);
        startAt_ -= begin_;
        closedAt_ -= begin_;
        candidateAt_ -= begin_;
    }
    begin_ = 0;
    // Segments handed over above may have been set aside.
    if (undelivered_ >= bounds_.undelivered) giveUpAt(tail_.size(), tail_.size());
}
