#include "util/categories/TextCharacters.h"

#include <QTextBoundaryFinder>

#include <algorithm>
#include <vector>

namespace {

// A regional indicator letter alone: two of them in a row make one flag.
bool isRegionalIndicator(const QString& text, qsizetype start, qsizetype end) {
    if (end - start != 2 || !text[start].isHighSurrogate()) return false;
    const char32_t code = QChar::surrogateToUcs4(text[start], text[start + 1]);
    return code >= 0x1F1E6 && code <= 0x1F1FF;
}

// Calls `each(start, end)` for every character of the text until it answers false. The text
// boundaries of the platform's text library split a flag into its two letters; they are put
// back together here.
template <class Each>
void forEachCharacter(const QString& text, Each each) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    bool pendingLetter = false;
    qsizetype letterStart = 0;
    for (qsizetype end = finder.toNextBoundary(); end > 0 && end <= text.size();
         end = finder.toNextBoundary()) {
        if (isRegionalIndicator(text, start, end)) {
            if (!pendingLetter) {
                pendingLetter = true;
                letterStart = start;
                start = end;
                continue;
            }
            pendingLetter = false;
            if (!each(letterStart, end)) return;
            start = end;
            continue;
        }
        if (pendingLetter) {
            pendingLetter = false;
            if (!each(letterStart, start)) return;
        }
        if (!each(start, end)) return;
        start = end;
    }
    if (pendingLetter) each(letterStart, start);
}

}  // namespace

qsizetype TextCharacters::count(const QString& text) {
    qsizetype characters = 0;
    forEachCharacter(text, [&characters](qsizetype, qsizetype) {
        ++characters;
        return true;
    });
    return characters;
}

qsizetype TextCharacters::countAfterEdit(const QString& text, qsizetype from, qsizetype length,
                                         const QString& replacement) {
    from = std::clamp<qsizetype>(from, 0, text.size());
    length = std::clamp<qsizetype>(length, 0, text.size() - from);
    return count(text.left(from) + replacement + text.mid(from + length));
}

QString TextCharacters::fittingReplacement(const QString& text, qsizetype from, qsizetype length,
                                           const QString& replacement, qsizetype limit) {
    if (countAfterEdit(text, from, length, replacement) <= limit) return replacement;
    from = std::clamp<qsizetype>(from, 0, text.size());
    // The text after the edit holds at least the characters that end before a cut (what follows
    // a character never takes one away), so only the ends of the first `limit` characters may
    // fit; a character the replacement's start joins to the one before it ends in the
    // replacement too. Whatever follows may join the last character kept, so each cut is counted
    // whole, the longest first.
    const QString lead = text.left(from) + replacement;
    std::vector<qsizetype> cuts;
    qsizetype characters = 0;
    forEachCharacter(lead, [&](qsizetype, qsizetype end) {
        if (++characters > limit) return false;
        if (end > from) cuts.push_back(end - from);
        return true;
    });
    for (auto cut = cuts.rbegin(); cut != cuts.rend(); ++cut) {
        const QString kept = replacement.left(*cut);
        if (countAfterEdit(text, from, length, kept) <= limit) return kept;
    }
    return QString();
}

QString TextCharacters::left(const QString& text, qsizetype n) {
    if (n <= 0) return QString();
    qsizetype taken = 0;
    qsizetype cut = text.size();
    forEachCharacter(text, [&](qsizetype start, qsizetype) {
        if (taken == n) {
            cut = start;
            return false;
        }
        ++taken;
        return true;
    });
    return text.left(cut);
}

QStringList TextCharacters::split(const QString& text) {
    QStringList characters;
    forEachCharacter(text, [&](qsizetype start, qsizetype end) {
        characters << text.mid(start, end - start);
        return true;
    });
    return characters;
}

void TextCharacters::walk(QStringView text,
                          const std::function<bool(QStringView character)>& each) {
    // A piece at a time: the last character of a piece may go on in the next, so it is taken
    // again at the start of the next piece. Every other character of a piece is whole, as
    // long as the piece ends between two code points: a boundary depends on the code points
    // before it and the one after it. A piece that holds that one character only (a letter
    // with more marks than the piece has room for) is made longer until the character ends
    // inside it.
    constexpr qsizetype kPiece = 1024;
    qsizetype from = 0;
    qsizetype length = kPiece;
    while (from < text.size()) {
        qsizetype pieceEnd = std::min(text.size(), from + length);
        if (pieceEnd < text.size() && text[pieceEnd].isLowSurrogate()) ++pieceEnd;
        const bool last = pieceEnd == text.size();
        const QString piece = text.mid(from, pieceEnd - from).toString();
        QList<std::pair<qsizetype, qsizetype>> characters;
        forEachCharacter(piece, [&](qsizetype start, qsizetype end) {
            characters.append({start, end});
            return true;
        });
        if (characters.isEmpty()) return;
        if (!last && characters.size() == 1) {
            length *= 2;
            continue;
        }
        const qsizetype whole = last ? characters.size() : characters.size() - 1;
        for (qsizetype i = 0; i < whole; ++i) {
            const auto [start, end] = characters[i];
            if (!each(text.mid(from + start, end - start))) return;
        }
        from += characters[whole - 1].second;
        length = kPiece;
    }
}

QList<QStringList> TextCharacters::lineRuns(const QString& text) {
    QList<QStringList> runs;
    QTextBoundaryFinder breaks(QTextBoundaryFinder::Line, text);
    qsizetype runEnd = breaks.toNextBoundary();
    QStringList run;
    forEachCharacter(text, [&](qsizetype start, qsizetype end) {
        // A break that falls inside a character (never, for sound text) waits for its end.
        while (runEnd >= 0 && runEnd <= start) {
            if (!run.isEmpty()) runs << run;
            run.clear();
            runEnd = breaks.toNextBoundary();
        }
        run << text.mid(start, end - start);
        return true;
    });
    if (!run.isEmpty()) runs << run;
    return runs;
}
