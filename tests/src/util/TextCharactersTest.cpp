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
