#include "RichTextTest.h"

#include "ui/richtext/NSData+RichTextAdditions.h"
#include "ui/richtext/NSString+RichText.h"
#include "ui/richtext/RichTextMarkup.h"
#include "ui/richtext/RichTextTags.h"

#include <QRandomGenerator>

#include <stdexcept>

namespace {

class RichTextMarkupTest : public RichTextTest {};

QByteArray decoded(const QString& text) {
    return rt_dataWithBase64EncodedString(text).value_or(QByteArray("<nothing>"));
}

TEST_F(RichTextMarkupTest, LenientBase64SkipsWhatIsNotInTheAlphabet) {
    EXPECT_EQ(decoded("QU=JD"), "ABC");
    EXPECT_EQ(decoded("QUJD"), "ABC");
    EXPECT_EQ(decoded(" Q U\nJ\tD== "), "ABC");
    EXPECT_EQ(decoded("QUI"), "AB");
    EXPECT_EQ(decoded("QQ=="), "A");
    // Characters beyond ASCII are skipped like any other stranger.
    EXPECT_EQ(decoded(QStringLiteral("QU\u00e9JD\u4e00")), "ABC");
    // A single leftover character gives nothing.
    EXPECT_EQ(decoded("QUJDR"), "ABC");
    // No byte at all: nothing, not empty bytes.
    EXPECT_FALSE(rt_dataWithBase64EncodedString("R"));
    EXPECT_FALSE(rt_dataWithBase64EncodedString(""));
    EXPECT_FALSE(rt_dataWithBase64EncodedString("==\n \t"));
}

TEST_F(RichTextMarkupTest, LenientBase64ReadsWhatTheStrictFormWrites) {
    QRandomGenerator random(13);
    for (int length : {1, 2, 3, 4, 57, 58, 1000}) {
        QByteArray bytes(length, Qt::Uninitialized);
        for (char& b : bytes) b = char(random.bounded(256));
        QString text = QString::fromLatin1(bytes.toBase64());
        // Mail-style line breaks every 76 characters.
        for (qsizetype at = 76; at < text.size(); at += 78) text.insert(at, QStringLiteral("\r\n"));
        EXPECT_EQ(decoded(text), bytes) << length;
    }
}

TEST_F(RichTextMarkupTest, StyleCopiesAreIndependent) {
    RichTextStyle style;
    EXPECT_EQ(style.name(), "_default");
    EXPECT_EQ(style.font().pointSize(), 12);
    EXPECT_EQ(style.bulletCharacter(), QStringLiteral("\u2022"));
    // Without their own, bullets take the text's font and colour.
    EXPECT_EQ(style.bulletFont(), style.font());
    style.setColor(ui::Color::redColor());
    EXPECT_EQ(style.bulletColor().toQt(), QColor(Qt::red));

    style.setFont(ui::Font::boldSystemFontOfSize(15));
    style.setParagraphInset({1, 2, 3, 4});
    style.setSpaceBetweenParagraphs(9);
    EXPECT_EQ(style.paragraphInset(), (ui::EdgeInsets{1, 2, 9, 4}));
    int calls = 0;
    style.setBlock([&calls](const RichTextStyle::SelfClosingTag&) { ++calls; });

    const auto copy = style.copy();
    style.setColor(ui::Color::greenColor());
    style.setName("changed");
    // The copy keeps the bullet colour its source had when copied.
    EXPECT_EQ(copy->bulletColor().toQt(), QColor(Qt::red));
    EXPECT_EQ(copy->color().toQt(), QColor(Qt::red));
    EXPECT_EQ(copy->name(), "_default");
    EXPECT_TRUE(copy->font().isBold());
    EXPECT_EQ(copy->font().pointSize(), 15);
    EXPECT_EQ(copy->spaceBetweenParagraphs(), 9);
    copy->block()({});
    EXPECT_EQ(calls, 1);
}

TEST_F(RichTextMarkupTest, TheViewKeepsCopiesOfItsStyles) {
    RichTextView view;
    ASSERT_TRUE(view.styleForName("_default"));
    ASSERT_TRUE(view.styleForName("_link"));
    EXPECT_EQ(view.styleForName("_link")->color().toQt(), QColor(Qt::blue));
    EXPECT_EQ(view.styles().size(), 2u);

    const auto bold = RichTextStyle::styleWithName("b");
    view.addStyle(*bold);
    bold->setColor(ui::Color::redColor());
    EXPECT_NE(view.styleForName("b")->color().toQt(), QColor(Qt::red));
    // The registered object itself is handed out.
    view.styleForName("b")->setUnderlined(true);
    EXPECT_TRUE(view.styleForName("b")->isUnderLined());

    auto first = RichTextStyle::styleWithName("x");
    auto second = RichTextStyle::styleWithName("x");
    second->setLeading(3);
    view.addStyles({first, second, nullptr});
    EXPECT_EQ(view.styleForName("x")->leading(), 3);

    view.removeAllStyles();
    EXPECT_TRUE(view.styles().empty());
    // With no style at all the text still shows, in the defaults.
    view.setText("<b>bold</b> plain");
    view.processText();
    EXPECT_EQ(view.processedString(), "bold plain");
}

TEST_F(RichTextMarkupTest, OnlyReservedKeysCanBeRemapped) {
    RichTextView view;
    view.setVerbose(false);
    EXPECT_THROW(view.changeDefaultTag("_bold", "b"), std::invalid_argument);
    EXPECT_FALSE(view.defaultTagNameForKey("_bold"));

    view.changeDefaultTag(RichTextTags::kLink, "a");
    EXPECT_EQ(view.defaultTagNameForKey(RichTextTags::kLink), "a");
    view.setText("see <a>http://x.test/ |here</a>");
    view.processText();
    EXPECT_EQ(view.processedString(), "see here");
    EXPECT_EQ(view.URLs().value("{4, 4}"), QUrl("http://x.test/"));
}

TEST_F(RichTextMarkupTest, EscapedOutsideTextShowsAsWrittenAndNeverBecomesMarkup) {
    const QString message =
        QStringLiteral("a<b>c</b> <_link>javascript:x|y</_link> <_image>big.png</_image> <x");
    RichTextView view;
    view.setVerbose(false);
    view.setText(RichTextMarkup::escaped(message));
    view.processText();
    EXPECT_EQ(view.processedString(), message);
    EXPECT_TRUE(view.URLs().isEmpty());
    EXPECT_TRUE(view.images().empty());
    EXPECT_TRUE(view.rootNode()->subnodes().empty());

    // A link the app writes around outside text: the address cannot move the split,
    // the shown text cannot open tags.
    view.setText("call " + RichTextMarkup::linkElement("http://x.test/a|b<c", "<b>me</b>"));
    view.processText();
    EXPECT_EQ(view.processedString(), "call <b>me</b>");
    EXPECT_EQ(view.URLs().value("{5, 9}").toString(), "http://x.test/a%7Cb%3Cc");
}

TEST_F(RichTextMarkupTest, WrappingInATag) {
    EXPECT_EQ(stringByAppendingTagName("text", "b"), "<b>text</b>");
    EXPECT_EQ(stringByAppendingTagName("", "_default"), "<_default></_default>");
}

}  // namespace
