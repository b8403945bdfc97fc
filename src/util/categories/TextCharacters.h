#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>

// Texts counted and cut by the characters a reader sees (grapheme clusters), not by UTF-16
// units: an emoji, a flag or a letter with its combining marks is one character and is never
// split in two. Limits the user meets ("at most 200 characters") and every cut of a shown
// text go through here.
class TextCharacters {
public:
    // The number of characters of the text.
    [[nodiscard]] static qsizetype count(const QString& text);
    // The characters of the text once `replacement` took the place of the `length` units from
    // `from` (a selection, or nothing at the caret), counted in the whole text as it then reads:
    // a mark, a skin tone or a joiner typed after a character belongs to it and adds none. Every
    // limit the user meets counts this way.
    [[nodiscard]] static qsizetype countAfterEdit(const QString& text, qsizetype from,
                                                  qsizetype length, const QString& replacement);
    // What of `replacement` may take that place while the text holds at most `limit` characters
    // after the edit: all of it when it fits, else the longest start of it that ends between two
    // characters of the text and fits (empty when none does).
    [[nodiscard]] static QString fittingReplacement(const QString& text, qsizetype from,
                                                    qsizetype length, const QString& replacement,
                                                    qsizetype limit);
    // The first `n` characters (the whole text when it has no more; empty for n <= 0).
    [[nodiscard]] static QString left(const QString& text, qsizetype n);
    // The characters one by one, in order.
    [[nodiscard]] static QStringList split(const QString& text);
    // Hands `each` the characters of the text one by one from its start until it answers
    // false. Only the characters handed over (and a few past them) are looked at: a text of
    // millions of characters costs what is walked of it.
    static void walk(QStringView text, const std::function<bool(QStringView character)>& each);
    // The characters in runs that a line never breaks inside, by the Unicode line-breaking
    // rules as the platform's text library finds them: a line may break between two runs
    // only. Closing punctuation ("，", "。", "】") stays in the run of what it closes, an
    // opening bracket in the run of what it opens (a blank before closing punctuation is left
    // to the caller: ui::TextLayout::bindClosingPunctuation).
    [[nodiscard]] static QList<QStringList> lineRuns(const QString& text);
};
