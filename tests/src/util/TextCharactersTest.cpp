#include "util/categories/TextCharacters.h"

#include <gtest/gtest.h>

// An emoji outside the basic plane, a flag of two regional letters, a letter with a combining
// mark and a family joined by zero-width joiners: each one character, however many UTF-16
// units it takes.
TEST(TextCharactersTest, CharactersAreWhatTheReaderSeesNeverHalves) {
    const QString house = QString::fromUtf8("\xF0\x9F\x8F\xA0");                 // 🏠
    const QString flag = QString::fromUtf8("\xF0\x9F\x87\xA8\xF0\x9F\x87\xB3");  // 🇨🇳
    const QString accented = QStringLiteral("e\u0301");                          // é
    const QString family = QString::fromUtf8(
        "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7");  // 👨‍👩‍👧
    const QString text =
        QStringLiteral("租") + house + flag + accented + family + QStringLiteral("房");
    EXPECT_EQ(TextCharacters::count(text), 6);
    EXPECT_EQ(TextCharacters::split(text), QStringList({QStringLiteral("租"), house, flag, accented,
                                                        family, QStringLiteral("房")}));
    EXPECT_EQ(TextCharacters::left(text, 2), QStringLiteral("租") + house);
    EXPECT_EQ(TextCharacters::left(text, 5),
              QStringLiteral("租") + house + flag + accented + family);
    EXPECT_EQ(TextCharacters::left(text, 6), text);
    EXPECT_EQ(TextCharacters::left(text, 60), text);
    EXPECT_TRUE(TextCharacters::left(text, 0).isEmpty());
    EXPECT_EQ(TextCharacters::count(QString()), 0);
    EXPECT_TRUE(TextCharacters::split(QString()).isEmpty());
}

// Walked in pieces of 1,024 units, a text hands over the characters split finds, wherever a
// piece ends: inside a surrogate pair, a flag, a family or a letter's marks, or inside one
// character longer than a piece.
TEST(TextCharactersTest, WalkingHandsOverWholeCharactersWhereverAPieceEndsAndStopsWhenTold) {
    const auto walked = [](const QString& text) {
        QStringList characters;
        TextCharacters::walk(text, [&](QStringView character) {
            characters << character.toString();
            return true;
        });
        return characters;
    };
    const QStringList samples{QString::fromUtf8("\xF0\x9F\x8F\xA0"),                  // 🏠
                              QString::fromUtf8("\xF0\x9F\x87\xA8\xF0\x9F\x87\xB3"),  // 🇨🇳
                              QStringLiteral("e\u0301\u0302"),
                              QString::fromUtf8("\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2"
                                                "\x80\x8D\xF0\x9F\x91\xA7")};  // 👨‍👩‍👧
    for (const QString& sample : samples) {
        for (qsizetype before = 1024 - sample.size() - 1; before <= 1024; ++before) {
            const QString text = QString(before, u'a') + sample.repeated(3) + QStringLiteral("房");
            EXPECT_EQ(walked(text), TextCharacters::split(text)) << before;
        }
    }
    const QString marked = QStringLiteral("z") + QString(1500, QChar(0x0301));
    const QString longest = QString(1000, u'a') + marked + QStringLiteral("房") + marked;
    EXPECT_EQ(walked(longest), TextCharacters::split(longest));
    EXPECT_TRUE(walked(QString()).isEmpty());

    int handed = 0;
    TextCharacters::walk(QString(5000, u'a'), [&](QStringView) { return ++handed < 3; });
    EXPECT_EQ(handed, 3);
}

// A limit counts the characters of the whole text after an edit: what the replacement's start
// joins to the character before it (a skin tone, an accent, the rest of a family, a flag's
// second letter) adds none, and what a selection held gives its place.
TEST(TextCharactersTest, AnEditCountsTheCharactersOfTheTextItLeaves) {
    const QString thumb = QString::fromUtf8("\xF0\x9F\x91\x8D");    // 👍
    const QString tone = QString::fromUtf8("\xF0\x9F\x8F\xBD");     // 🏽
    const QString man = QString::fromUtf8("\xF0\x9F\x91\xA8");      // 👨
    const QString woman = QString::fromUtf8("\xF0\x9F\x91\xA9");    // 👩
    const QString letterC = QString::fromUtf8("\xF0\x9F\x87\xA8");  // a flag's first letter
    const QString letterN = QString::fromUtf8("\xF0\x9F\x87\xB3");  // and its second
    const QString joiner = QStringLiteral("\u200D");
    const QString full = QString(3, u'好');
    const auto atEnd = [](const QString& text, const QString& typed) {
        return TextCharacters::countAfterEdit(text, text.size(), 0, typed);
    };
    EXPECT_EQ(atEnd(full + thumb, tone), 4);
    EXPECT_EQ(atEnd(full + "e", QStringLiteral("\u0301")), 4);
    EXPECT_EQ(atEnd(full + man, joiner), 4);
    EXPECT_EQ(atEnd(full + man + joiner, woman), 4);
    EXPECT_EQ(atEnd(full + letterC, letterN), 4);
    EXPECT_EQ(atEnd(full + letterC + letterN, letterC), 5) << "a new flag's first letter";
    EXPECT_EQ(atEnd(full + thumb, "a"), 5);
    // Two emoji selected (four units) give their place to three letters.
    EXPECT_EQ(TextCharacters::countAfterEdit(full + thumb + thumb, 3, 4, "abc"), 6);
    EXPECT_EQ(TextCharacters::countAfterEdit(full + thumb + thumb, 3, 4, "ab"), 5);
    // A range past the text counts what the text has.
    EXPECT_EQ(TextCharacters::countAfterEdit(full, 10, 4, "a"), 4);
    EXPECT_EQ(TextCharacters::countAfterEdit(full, -2, 1, QString()), 2);
}

// What of a replacement fits a limit: all of it when the text after the edit fits, else its
// longest start that ends between two characters of that text and fits, counted with what
// follows the edit (which may join the last character kept).
TEST(TextCharactersTest, AReplacementIsCutToItsLongestStartThatFitsBetweenTwoCharacters) {
    const QString thumb = QString::fromUtf8("\xF0\x9F\x91\x8D");  // 👍
    const QString tone = QString::fromUtf8("\xF0\x9F\x8F\xBD");   // 🏽
    const QString grin = QString::fromUtf8("\xF0\x9F\x98\x80");   // 😀
    const QString full = QString(4, u'好') + thumb;
    const auto fitting = [](const QString& text, qsizetype from, qsizetype length,
                            const QString& replacement) {
        return TextCharacters::fittingReplacement(text, from, length, replacement, 5);
    };
    EXPECT_EQ(fitting(full, full.size(), 0, tone), tone) << "joins the last character";
    EXPECT_EQ(fitting(full, full.size(), 0, tone + "ab"), tone) << "then a new one does not fit";
    EXPECT_EQ(fitting(full, full.size(), 0, "ab"), QString());
    EXPECT_EQ(fitting(QString(3, u'好'), 3, 0, grin + grin + grin), grin + grin) << "never half";
    EXPECT_EQ(fitting(QString(3, u'好'), 3, 0, "e\u0301e\u0301e\u0301"), "e\u0301e\u0301");
    EXPECT_EQ(fitting(QString(3, u'好'), 3, 0, "ab"), "ab") << "exactly the limit";
    // Over a selection, in the middle: what follows counts too.
    EXPECT_EQ(fitting("xy", 1, 0, "123"), "123");
    EXPECT_EQ(fitting("xyz", 1, 0, "1234"), "12");
    EXPECT_EQ(fitting(full, 0, 4, "abcdef"), "abcd");
    // A mark that follows the edit goes with the last character put in, and is counted there.
    const QString marked = QStringLiteral("abc") + QChar(0x0301);
    EXPECT_EQ(fitting(marked, 3, 0, "xyz"), "xy");
    // A text past the limit takes nothing more, yet a deletion fits.
    EXPECT_EQ(fitting(full + "a", 0, 0, "b"), QString());
    EXPECT_EQ(fitting(full + "a", 0, 1, QString()), QString());
}
