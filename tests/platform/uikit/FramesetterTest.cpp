#include "UIKitTest.h"

#include "platform/uikit/attributed_string.h"
#include "platform/uikit/bezier_path.h"
#include "platform/uikit/framesetter.h"
#include "platform/uikit/graphics_context.h"
#include "platform/uikit/image.h"

namespace {

using ui::AttributedString;
using ui::Font;
using ui::Framesetter;
using ui::ParagraphAlignment;
using ui::ParagraphStyle;
using ui::Range;
using ui::Rect;
using ui::StringAttributes;

class FramesetterTest : public UIKitTest {
protected:
    static StringAttributes fontOf(double size) {
        StringAttributes attributes;
        attributes.font = Font::systemFontOfSize(size);
        return attributes;
    }
    static StringAttributes paragraph(const ParagraphStyle& style, double size = 14) {
        StringAttributes attributes = fontOf(size);
        attributes.paragraphStyle = style;
        return attributes;
    }
    static std::vector<Range> rangesOf(const ui::TextFrame& frame) {
        std::vector<Range> ranges;
        for (const auto& line : frame.lines()) ranges.push_back(line.stringRange());
        return ranges;
    }
};

TEST_F(FramesetterTest, AttributesAddOverRangesAndKeepTheRest) {
    AttributedString string(QStringLiteral("abcdef"), fontOf(12));
    StringAttributes red;
    red.foregroundColor = ui::Color::redColor();
    string.addAttributes(red, {1, 2});
    string.addAttributes(fontOf(20), {2, 100});  // reaches past the end: stops there
    string.addCustomAttribute(QStringLiteral("name"), QStringLiteral("x"), {0, 1});
    string.addAttributes(red, {7, 1});   // outside: nothing
    string.addAttributes(red, {-1, 3});  // invalid: nothing

    ASSERT_EQ(string.runs().size(), 4u);
    EXPECT_EQ(string.runs()[0].range, (Range{0, 1}));
    EXPECT_EQ(string.runs()[0].attributes.custom.value("name").toString(), "x");
    EXPECT_FALSE(string.runAtIndex(0).attributes.foregroundColor);
    EXPECT_TRUE(string.runAtIndex(1).attributes.foregroundColor);
    EXPECT_EQ(string.runAtIndex(1).attributes.font->pointSize(), 12);
    // The later font replaced the earlier one; the colour stayed.
    EXPECT_EQ(string.runAtIndex(2).attributes.font->pointSize(), 20);
    EXPECT_TRUE(string.runAtIndex(2).attributes.foregroundColor);
    EXPECT_EQ(string.runAtIndex(5).range, (Range{3, 3}));
    // The runs sharing characters with a range, whichever run it starts in.
    EXPECT_EQ(string.runsInRange({2, 2}).size(), 2u);
    EXPECT_EQ(string.runsInRange({2, 2}).front().range, (Range{2, 1}));
    EXPECT_EQ(string.runsInRange({4, 1}).size(), 1u);
    EXPECT_EQ(string.runsInRange({0, 6}).size(), 4u);
    EXPECT_TRUE(AttributedString().runs().empty());
}

TEST_F(FramesetterTest, LinesCarryRangesOriginsAndMetrics) {
    // Seven characters of 14 points fit a line of 100.
    const QString text = QStringLiteral("一二三四五六七八九十\n\n一二");
    Framesetter framesetter(AttributedString(text, fontOf(14)));
    const auto frame = framesetter.createFrame(Rect(10, 20, 100, 400));
    EXPECT_EQ(rangesOf(*frame), (std::vector<Range>{{0, 7}, {7, 4}, {11, 1}, {12, 2}}));
    const Font font = Font::systemFontOfSize(14);
    const auto& lines = frame->lines();
    EXPECT_DOUBLE_EQ(lines[0].ascent(), font.ascender());
    EXPECT_DOUBLE_EQ(lines[0].descent(), -font.descender());
    EXPECT_DOUBLE_EQ(lines[0].origin().x, 10);
    EXPECT_DOUBLE_EQ(lines[0].origin().y, 20 + font.ascender());
    EXPECT_NEAR(lines[1].origin().y - lines[0].origin().y, font.lineHeight(), 1e-9);
    // The empty paragraph has a line of its own.
    EXPECT_NEAR(lines[3].origin().y - lines[0].origin().y, 3 * font.lineHeight(), 1e-9);
    EXPECT_DOUBLE_EQ(lines[0].width(), 98);
    EXPECT_EQ(frame->visibleStringRange(), (Range{0, 14}));
}

TEST_F(FramesetterTest, IndexesAndOffsetsConvertBothWays) {
    Framesetter framesetter(AttributedString(QStringLiteral("一二三四五六七八九十"), fontOf(14)));
    const auto frame = framesetter.createFrame(Rect(0, 0, 100, 100));
    const ui::TextLine& second = frame->lines()[1];
    EXPECT_DOUBLE_EQ(second.offsetForStringIndex(7), 0);
    EXPECT_DOUBLE_EQ(second.offsetForStringIndex(9), 28);
    // Indexes outside the line give its nearer end.
    EXPECT_DOUBLE_EQ(second.offsetForStringIndex(2), 0);
    EXPECT_DOUBLE_EQ(second.offsetForStringIndex(50), 42);
    EXPECT_EQ(second.characterIndexForPosition(20), 8);
    EXPECT_EQ(second.characterIndexForPosition(-5), 7);
    EXPECT_EQ(second.characterIndexForPosition(500), 9);
    EXPECT_EQ(second.stringIndexForPosition(20), 8);
    EXPECT_EQ(second.stringIndexForPosition(22), 9);
}

TEST_F(FramesetterTest, OnlyWholeLinesThatFitAreLaidOut) {
    Framesetter framesetter(AttributedString(QStringLiteral("一二三四五六七八九十"), fontOf(14)));
    EXPECT_EQ(framesetter.createFrame(Rect(0, 0, 100, 20))->lines().size(), 1u);
    EXPECT_TRUE(framesetter.createFrame(Rect(0, 0, 100, 10))->lines().empty());
    EXPECT_TRUE(Framesetter(AttributedString()).createFrame(Rect(0, 0, 100, 100))->lines().empty());
}

TEST_F(FramesetterTest, IndentsAndAlignmentPlaceLines) {
    ParagraphStyle style;
    style.firstLineHeadIndent = 30;
    style.headIndent = 10;
    style.tailIndent = -20;  // twenty points from the right edge
    Framesetter indented(
        AttributedString(QStringLiteral("一二三四五六七八九十"), paragraph(style)));
    auto frame = indented.createFrame(Rect(0, 0, 130, 100));
    // 130 - 30 - 20 = 80 points: five characters; then 100 points: seven.
    EXPECT_EQ(rangesOf(*frame), (std::vector<Range>{{0, 5}, {5, 5}}));
    EXPECT_DOUBLE_EQ(frame->lines()[0].origin().x, 30);
    EXPECT_DOUBLE_EQ(frame->lines()[1].origin().x, 10);

    style = {};
    style.tailIndent = 50;  // positive: the line ends fifty points from the leading edge
    frame = Framesetter(AttributedString(QStringLiteral("一二三四五"), paragraph(style)))
                .createFrame(Rect(0, 0, 300, 100));
    EXPECT_EQ(rangesOf(*frame), (std::vector<Range>{{0, 3}, {3, 2}}));

    style = {};
    style.alignment = ParagraphAlignment::Center;
    frame = Framesetter(AttributedString(QStringLiteral("一二"), paragraph(style)))
                .createFrame(Rect(0, 0, 100, 100));
    EXPECT_DOUBLE_EQ(frame->lines()[0].origin().x, 36);
    style.alignment = ParagraphAlignment::Right;
    frame = Framesetter(AttributedString(QStringLiteral("一二"), paragraph(style)))
                .createFrame(Rect(0, 0, 100, 100));
    EXPECT_DOUBLE_EQ(frame->lines()[0].origin().x, 72);
}

TEST_F(FramesetterTest, LineHeightsAndSpacingSetTheBaselines) {
    const Font font = Font::systemFontOfSize(14);
    ParagraphStyle style;
    style.minimumLineHeight = 30;
    style.lineSpacing = 5;
    style.paragraphSpacing = 7;
    Framesetter framesetter(
        AttributedString(QStringLiteral("一二三四五六七八九十\n一"), paragraph(style)));
    auto frame = framesetter.createFrame(Rect(0, 0, 100, 400));
    const auto& lines = frame->lines();
    ASSERT_EQ(lines.size(), 3u);
    // The extra height of a taller line goes above its text.
    EXPECT_DOUBLE_EQ(lines[0].origin().y, 30 + font.descender());
    EXPECT_DOUBLE_EQ(lines[1].origin().y - lines[0].origin().y, 35);
    EXPECT_DOUBLE_EQ(lines[2].origin().y - lines[1].origin().y, 35 + 7);
    EXPECT_DOUBLE_EQ(frame->textBottom(), 30 * 3 + 5 * 2 + 7);

    style = {};
    style.maximumLineHeight = 10;
    frame = Framesetter(AttributedString(QStringLiteral("一\n二"), paragraph(style)))
                .createFrame(Rect(0, 0, 100, 400));
    EXPECT_DOUBLE_EQ(frame->lines()[1].origin().y - frame->lines()[0].origin().y, 10);
}

TEST_F(FramesetterTest, LineSpacingOfAnyCharacterOfALineOpensTheGapBelowIt) {
    // An inline image's line break carries the spacing that makes room for it.
    AttributedString string(QStringLiteral("一\n二"), fontOf(14));
    ParagraphStyle gap;
    gap.lineSpacing = 40;
    StringAttributes spacing;
    spacing.paragraphStyle = gap;
    string.addAttributes(spacing, {1, 1});
    const auto frame = Framesetter(string).createFrame(Rect(0, 0, 100, 400));
    EXPECT_NEAR(frame->lines()[1].origin().y - frame->lines()[0].origin().y,
                Font::systemFontOfSize(14).lineHeight() + 40, 1e-9);
}

TEST_F(FramesetterTest, TabStopsAndBreakModes) {
    ParagraphStyle style;
    style.tabStops = {40};
    auto frame = Framesetter(AttributedString(QStringLiteral("a\t一"), paragraph(style)))
                     .createFrame(Rect(0, 0, 300, 100));
    EXPECT_DOUBLE_EQ(frame->lines()[0].offsetForStringIndex(2), 40);

    style = {};
    style.lineBreakMode = ui::LineBreakMode::Clip;
    frame = Framesetter(AttributedString(QStringLiteral("一二三四五六七八九十"), paragraph(style)))
                .createFrame(Rect(0, 0, 50, 100));
    EXPECT_EQ(rangesOf(*frame), (std::vector<Range>{{0, 10}}));

    style.lineBreakMode = ui::LineBreakMode::WordWrap;
    frame = Framesetter(AttributedString(QStringLiteral("hello world again"), paragraph(style)))
                .createFrame(Rect(0, 0, 50, 100));
    EXPECT_EQ(frame->lines()[0].stringRange(), (Range{0, 6}));
    style.lineBreakMode = ui::LineBreakMode::CharacterWrap;
    frame = Framesetter(AttributedString(QStringLiteral("hello world again"), paragraph(style)))
                .createFrame(Rect(0, 0, 50, 100));
    EXPECT_GT(frame->lines()[0].stringRange().length, 6);
    // Seven characters fill 100 points; the full stop after them goes down with the seventh.
    frame = Framesetter(AttributedString(QStringLiteral("一二三四五六七。八九"), paragraph(style)))
                .createFrame(Rect(0, 0, 100, 100));
    EXPECT_EQ(rangesOf(*frame), (std::vector<Range>{{0, 6}, {6, 4}}));
}

TEST_F(FramesetterTest, APathGivesEachLineTheWidthItHasThere) {
    // A triangle, narrow at the top and wide at the bottom.
    ui::BezierPath triangle;
    triangle.moveToPoint({100, 0});
    triangle.addLineToPoint({200, 200});
    triangle.addLineToPoint({0, 200});
    triangle.closePath();
    const auto frame =
        Framesetter(AttributedString(QString(60, QChar(0x4E00)), fontOf(14))).createFrame(triangle);
    const auto& lines = frame->lines();
    ASSERT_GT(lines.size(), 3u);
    EXPECT_LT(lines.front().stringRange().length, lines.back().stringRange().length);
    EXPECT_GT(lines.front().origin().x, lines.back().origin().x);
    for (const auto& line : lines) {
        EXPECT_LE(line.origin().y + line.descent(), 200 + 1e-6);
    }
}

TEST_F(FramesetterTest, SuggestedSizeIsTheWidestLineAndTheLastBottom) {
    Framesetter framesetter(
        AttributedString(QStringLiteral("一二三\n一二三四五六七八九十"), fontOf(14)));
    const ui::Size size = framesetter.suggestFrameSize({100, 1e30});
    EXPECT_DOUBLE_EQ(size.width, 98);
    EXPECT_NEAR(size.height, 3 * Font::systemFontOfSize(14).lineHeight(), 1e-9);
    EXPECT_NEAR(framesetter.suggestFrameSize({100, 20}).height,
                Font::systemFontOfSize(14).lineHeight(), 1e-9);
}

TEST_F(FramesetterTest, FramesForTheSameAreaAreMadeOnce) {
    Framesetter framesetter(AttributedString(QStringLiteral("abc"), fontOf(14)));
    const auto first = framesetter.createFrame(Rect(0, 0, 100, 100));
    EXPECT_EQ(framesetter.createFrame(Rect(0, 0, 100, 100)), first);
    const auto other = framesetter.createFrame(Rect(0, 0, 50, 100));
    EXPECT_NE(other, first);
    // A frame handed out stays whole when the framesetter lays out elsewhere.
    EXPECT_EQ(first->lines().size(), 1u);
}

TEST_F(FramesetterTest, DrawsColouredUnderlinedTextAtItsBaseline) {
    StringAttributes attributes = fontOf(20);
    attributes.foregroundColor = ui::Color::redColor();
    attributes.underline = true;
    Framesetter framesetter(AttributedString(QStringLiteral("Ag"), attributes));
    ui::GraphicsContext::beginImageContextWithOptions({40, 40}, true, 1);
    ui::GraphicsContext::current()->setFillColor(ui::Color::whiteColor());
    ui::GraphicsContext::current()->fillRect(Rect(0, 0, 40, 40));
    framesetter.createFrame(Rect(0, 0, 40, 40))->draw(*ui::GraphicsContext::current());
    const auto image = ui::GraphicsContext::imageFromCurrentImageContext();
    ui::GraphicsContext::endImageContext();
    int red = 0;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 40; ++x) {
            const QColor c = pixelAt(*image, x, y);
            if (c.red() > 200 && c.green() < 80) ++red;
        }
    }
    EXPECT_GT(red, 20);
    EXPECT_TRUE(
        matchesReference(image->uprightPixels(), QStringLiteral("framesetter_underlined.png")));
}

}  // namespace
