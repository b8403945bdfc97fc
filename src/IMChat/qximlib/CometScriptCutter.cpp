#include "IMChat/qximlib/CometScriptCutter.h"

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

qsizetype skipSpaces(QByteArrayView text, qsizetype position) {
    while (position < text.size() && isSpace(text[position])) ++position;
    return position;
}

// `document.domain = "name";` at `position`: the position after it, or -1.
qsizetype skipDomain(QByteArrayView text, qsizetype position) {
    if (!text.sliced(position).startsWith(kDomain)) return -1;
    position = skipSpaces(text, position + kDomain.size());
    if (position >= text.size() || text[position] != '=') return -1;
    position = skipSpaces(text, position + 1);
    if (position >= text.size() || text[position] != '"') return -1;
    const qsizetype nameStart = ++position;
    while (position < text.size() && (isLetter(text[position]) || text[position] == '.')) {
        ++position;
    }
    const qsizetype nameLength = position - nameStart;
    if (nameLength < kMinDomain || nameLength > kMaxDomain) return -1;
    if (position + 1 >= text.size() || text[position] != '"' || text[position + 1] != ';') {
        return -1;
    }
    return position + 2;
}

}  // namespace

qsizetype CometScriptCutter::startLength(QByteArrayView text, qsizetype position) {
    if (!text.sliced(position).startsWith(kScriptOpen)) return 0;
    qsizetype at = position + kScriptOpen.size();
    if (const qsizetype afterDomain = skipDomain(text, at); afterDomain >= 0) at = afterDomain;
    at = skipSpaces(text, at);
    if (!text.sliced(at).startsWith(kCallPrefix)) return 0;
    at += kCallPrefix.size();
    const qsizetype keyStart = at;
    while (at < text.size() && isLetter(text[at]) && at - keyStart < kMaxKey) ++at;
    if (at == keyStart || at >= text.size() || text[at] != '(') return 0;
    return at + 1 - position;
}

std::pair<qsizetype, qsizetype> CometScriptCutter::findStart(QByteArrayView text, qsizetype from) {
    for (qsizetype at = text.indexOf(kScriptOpen, from); at >= 0;
         at = text.indexOf(kScriptOpen, at + 1)) {
        if (const qsizetype length = startLength(text, at); length > 0) return {at, length};
    }
    return {-1, 0};
}

void CometScriptCutter::feed(QByteArrayView chunk) {
    tail_.append(chunk);
    const QByteArrayView text(tail_);
    qsizetype consumed = 0;
    auto [start, startSize] = findStart(text, 0);
    while (start >= 0) {
        const auto [next, nextSize] = findStart(text, start + startSize);
        const qsizetype limit = next >= 0 ? next : text.size();
        // The first closing text that ends the segment: followed by the end or the next start.
        qsizetype end = -1;
        for (qsizetype close = text.indexOf(kClose, start + startSize);
             close >= 0 && close + kClose.size() <= limit;
             close = text.indexOf(kClose, close + 1)) {
            const qsizetype after = skipSpaces(text, close + kClose.size());
            if (after == text.size() || after == next) {
                end = after;
                break;
            }
        }
        if (end < 0 && next < 0) {
            consumed = start;  // unfinished: waits for the next chunk
            break;
        }
        if (end >= 0) handler_(text.sliced(start, end - start));
        // Without an end before the next start the pending segment is abandoned.
        consumed = next >= 0 ? next : text.size();
        start = next;
        startSize = nextSize;
    }
    if (start < 0) {
        // No segment start left: keep only what could still become one ("<" onwards).
        const qsizetype open = text.lastIndexOf('<');
        consumed = open >= consumed ? open : text.size();
    }
    tail_.remove(0, consumed);
}
