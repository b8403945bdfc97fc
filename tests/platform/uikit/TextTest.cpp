#include "UIKitTest.h"

#include "platform/uikit/font.h"
#include "platform/uikit/graphics_context.h"
#include "platform/uikit/image.h"
#include "platform/uikit/string_drawing.h"
#include "platform/uikit/text_layout.h"

namespace {

using ui::Font;
using ui::GraphicsContext;
using ui::LineBreakMode;
using ui::Size;
using ui::StringDrawing;

class TextTest : public UIKitTest {};

TEST_F(TextTest, EveryFontIsTheBundledFaceWithFixedMetrics) {
    ASSERT_EQ(Font::bundledFamily(), "WenQuanYi Micro Hei");
    const Font system = Font::systemFontOfSize(14);
    EXPECT_EQ(system.familyName(), "WenQuanYi Micro Hei");
    EXPECT_EQ(Font::fontWithName("Helvetica", 14).familyName(), system.familyName());
    EXPECT_TRUE(Font::fontWithName("Helvetica-Bold", 14).isBold());
    EXPECT_TRUE(Font::boldSystemFontOfSize(12).isBold());
    EXPECT_EQ(Font().pointSize(), 17);
    // The face's own metrics: the same on every machine.
    EXPECT_DOUBLE_EQ(system.ascender(), 13.109375);
    EXPECT_DOUBLE_EQ(system.descender(), -3.296875);
    EXPECT_DOUBLE_EQ(system.lineHeight(), 16.40625);
    EXPECT_NEAR(Font::systemFontOfSize(28).lineHeight(), 2 * system.lineHeight(), 0.05);
}

TEST_F(TextTest, MeasuringIsExactAndRoundedUp) {
    const Font font = Font::systemFontOfSize(14);
    // Chinese characters are one em wide.
    EXPECT_EQ(StringDrawing::sizeWithFont(QStringLiteral("租房"), font), (Size{28, 17}));
    EXPECT_EQ(StringDrawing::sizeWithFont(QStringLiteral("Hello"), font), (Size{33, 17}));
    EXPECT_EQ(StringDrawing::sizeWithFont(QString(), font), (Size{0, 17}));
    // Measuring twice gives the same.
    const QString text = QStringLiteral("该信息是放心房，经纪人承诺房源真实有效！");
    EXPECT_EQ(StringDrawing::sizeWithFont(text, font, Size{200, 1000}),
              StringDrawing::sizeWithFont(text, font, Size{200, 1000}));
}

TEST_F(TextTest, WrappingBreaksAtTheWidthGivenAndStopsAtTheHeight) {
    const Font font = Font::systemFontOfSize(14);
    const QString text =
        QStringLiteral("一二三四五六七八九十一二三四五六七八九十");  // 20 characters
    ui::TextLayout::Options options;
    options.width = 100;  // seven characters a line
    options.mode = LineBreakMode::CharacterWrap;
    const ui::TextLayout layout(text, font, options);
    EXPECT_EQ(layout.lineTexts(),
              (QStringList{"一二三四五六七", "八九十一二三四", "五六七八九十"}));
    EXPECT_EQ(layout.size(), (Size{98, 50}));

    // Only whole lines that fit the height count (at least one).
    EXPECT_EQ(StringDrawing::sizeWithFont(text, font, Size{100, 40}, LineBreakMode::CharacterWrap),
              (Size{98, 33}));
    EXPECT_EQ(StringDrawing::sizeWithFont(text, font, Size{100, 5}, LineBreakMode::CharacterWrap),
              (Size{98, 17}));
    // A height beyond any count of lines limits nothing.
    EXPECT_EQ(
        StringDrawing::sizeWithFont(text, font, Size{100, 1e300}, LineBreakMode::CharacterWrap),
        (Size{98, 50}));
    // Line feeds always break.
    ui::TextLayout::Options wide;
    EXPECT_EQ(ui::TextLayout(QStringLiteral("加载失败\n点击屏幕重新加载"), font, wide).lineCount(),
              2);
}

// Word wrapping breaks Chinese text by the Unicode rules, and character wrapping between any
// two characters but the same: at whatever width, no line starts with closing punctuation or
// a trailing comma, none ends with an opening bracket, and no character is lost.
TEST_F(TextTest, WrappingNeverStartsALineWithClosingPunctuation) {
    const Font font = Font::systemFontOfSize(14);
    const QString text = QStringLiteral(
        "我要求租一套【3000-5000元】【两室 】房源,地点:【上海市黄浦区】附近三公里内。额外条件:"
        "近地铁,精装修,家电齐全,");
    for (const LineBreakMode mode : {LineBreakMode::WordWrap, LineBreakMode::CharacterWrap}) {
        for (double width = 80; width <= 260; width += 3) {
            ui::TextLayout::Options options;
            options.width = width;
            options.mode = mode;
            const QStringList lines = ui::TextLayout(text, font, options).lineTexts();
            for (const QString& line : lines.mid(1)) {
                EXPECT_FALSE(QStringLiteral("，。】）,:、").contains(line.front()))
                    << line.toStdString() << " at width " << width;
            }
            for (const QString& line : lines) {
                EXPECT_FALSE(line.endsWith(QStringLiteral("【")))
                    << line.toStdString() << " at width " << width;
            }
            EXPECT_EQ(lines.join(QString()).remove(QChar(0x00A0)),
                      QString(text).remove(QLatin1Char(' ')));
        }
    }
    // Character wrapping still breaks inside a word, and the rich text's does the same.
    ui::TextLayout::Options narrow;
    narrow.width = 50;
    narrow.mode = LineBreakMode::CharacterWrap;
    EXPECT_GT(ui::TextLayout(QStringLiteral("hello world again"), font, narrow)
                  .lineTexts()
                  .first()
                  .size(),
              6);
}

// Each line's range is the part of the text it shows, the blanks where it wrapped included:
// the ranges follow one another through the text, with nothing between them but one line
// break, whichever way it is written, and a line cut short runs to its paragraph's end.
TEST_F(TextTest, LineRangesTakeTheWholeTextButItsLineBreaks) {
    const Font font = Font::systemFontOfSize(14);
    const QString text = QStringLiteral(
        "近地铁  精装修 flat for rent\r\n\r\n家电齐全\r拎包入住\u2028可以看房\u2029"
        "周末 有空\n\n");
    for (double width = 20; width <= 200; width += 7) {
        SCOPED_TRACE("width " + std::to_string(width));
        const ui::TextLayout layout(text, font, {.width = width});
        const std::vector<ui::Range> ranges = layout.lineRanges();
        const QStringList shown = layout.lineTexts();
        ASSERT_EQ(ranges.size(), std::size_t(shown.size()));
        qsizetype at = 0;
        for (std::size_t i = 0; i < ranges.size(); ++i) {
            const QString between = text.mid(at, ranges[i].location - at);
            EXPECT_TRUE(
                between.isEmpty() || between == "\r\n" ||
                (between.size() == 1 && QStringLiteral("\n\r\u2028\u2029").contains(between)))
                << "line " << i;
            EXPECT_EQ(text.mid(ranges[i].location, ranges[i].length).trimmed(), shown[int(i)])
                << "line " << i;
            at = ranges[i].end();
        }
        EXPECT_EQ(at, text.size());
    }
    const ui::TextLayout cut(text, font,
                             {.width = 60, .maximumLines = 1, .mode = LineBreakMode::TruncateTail});
    EXPECT_EQ(cut.lineRanges(), (std::vector<ui::Range>{{0, text.indexOf('\r')}}));
    EXPECT_EQ(ui::TextLayout(QStringLiteral("一\r\n二"), font, {}).lineRanges(),
              (std::vector<ui::Range>{{0, 1}, {3, 1}}))
        << "one line break";
}

// A label of a line or two lays out the start of a text of millions of characters only, and
// shows what it would of the whole.
TEST_F(TextTest, ALayoutOfFewLinesShowsOfAHugeTextWhatItShowsOfItsStart) {
    const Font font = Font::systemFontOfSize(14);
    const std::vector<ui::TextLayout::Options> cases{
        {.width = 70, .mode = LineBreakMode::TruncateTail, .singleLine = true},
        {.width = 70, .maximumLines = 2, .mode = LineBreakMode::TruncateTail},
        {.width = 70, .height = 40, .mode = LineBreakMode::CharacterWrap},
        {.width = 100, .maximumLines = 3, .mode = LineBreakMode::WordWrap}};
    for (const QString& unit :
         {QStringLiteral("一二三四五六七八九十"), QStringLiteral("iiiiiiiiii"),
          QStringLiteral("拎包入住。\n"), QStringLiteral("ab cd ef，")}) {
        // The start alone is laid out whole; the huge text past a few hundred characters not.
        const QString start = unit.repeated(20);
        const QString huge = unit.repeated(300'000);
        for (std::size_t c = 0; c < cases.size(); ++c) {
            const ui::TextLayout whole(start, font, cases[c]);
            const ui::TextLayout cut(huge, font, cases[c]);
            EXPECT_EQ(cut.lineTexts(), whole.lineTexts()) << unit.toStdString() << " case " << c;
            EXPECT_EQ(cut.size(), whole.size()) << unit.toStdString() << " case " << c;
            EXPECT_TRUE(cut.isTruncated()) << unit.toStdString() << " case " << c;
        }
    }
    // Characters of no width take a longer start than any first try: the line still shows as
    // many of the others as fit.
    const QChar one(0x4E00);
    const QString thin = (QString(99, QChar(0x200B)) + one).repeated(100'000);
    EXPECT_EQ(ui::TextLayout(thin, font, cases[0]).lineTexts().first().count(one),
              ui::TextLayout(QString(10, one), font, cases[0]).lineTexts().first().count(one));

    // Cut at the head or in the middle, the last line shows the text's end: a long text is
    // laid out whole.
    const QString ending = QStringLiteral("一二三四五六七八九十").repeated(1'000) + "拎包入住";
    for (const LineBreakMode mode : {LineBreakMode::TruncateHead, LineBreakMode::TruncateMiddle}) {
        for (const bool singleLine : {false, true}) {
            const ui::TextLayout cut(
                ending, font,
                {.width = 100, .maximumLines = 2, .mode = mode, .singleLine = singleLine});
            ASSERT_EQ(cut.lineCount(), singleLine ? 1 : 2) << int(mode);
            EXPECT_TRUE(cut.lineTexts().last().endsWith(QStringLiteral("入住")))
                << int(mode) << " " << cut.lineTexts().last().toStdString();
            EXPECT_TRUE(cut.isTruncated()) << int(mode);
        }
    }
}

TEST_F(TextTest, TruncationModesCutWhereTheyName) {
    const Font font = Font::systemFontOfSize(14);
    const QString text = QStringLiteral("一二三四五六七八九十");
    ui::TextLayout::Options options;
    options.width = 70;
    options.singleLine = true;
    options.mode = LineBreakMode::TruncateTail;
    const ui::TextLayout tail(text, font, options);
    ASSERT_EQ(tail.lineCount(), 1);
    EXPECT_TRUE(tail.lineTexts().first().endsWith(QStringLiteral("…")));
    EXPECT_TRUE(tail.lineTexts().first().startsWith(QStringLiteral("一二")));
    EXPECT_LE(tail.exactSize().width, 70);
    options.mode = LineBreakMode::TruncateHead;
    EXPECT_TRUE(
        ui::TextLayout(text, font, options).lineTexts().first().startsWith(QStringLiteral("…")));
    options.mode = LineBreakMode::Clip;
    const ui::TextLayout clipped(text, font, options);
    EXPECT_EQ(clipped.lineTexts().first(), text);
    EXPECT_TRUE(clipped.isTruncated());

    // Several lines: the last one shown carries the ellipsis.
    ui::TextLayout::Options two;
    two.width = 70;
    two.maximumLines = 2;
    two.mode = LineBreakMode::TruncateTail;
    const ui::TextLayout cut(text + text, font, two);
    ASSERT_EQ(cut.lineCount(), 2);
    EXPECT_EQ(cut.lineTexts().first(), QStringLiteral("一二三四五"));
    EXPECT_TRUE(cut.lineTexts().last().endsWith(QStringLiteral("…")));
}

TEST_F(TextTest, DrawingUsesTheContextsFillColourFromTheTopOfTheRect) {
    GraphicsContext::beginImageContextWithOptions({60, 20}, false, 1);
    auto* context = GraphicsContext::current();
    context->setFillColor(ui::Color::redColor());
    const Size drawn = StringDrawing::drawInRect(QStringLiteral("租房"), {0, 0, 60, 20},
                                                 Font::systemFontOfSize(14),
                                                 LineBreakMode::WordWrap, ui::TextAlignment::Right);
    auto image = GraphicsContext::imageFromCurrentImageContext();
    GraphicsContext::endImageContext();
    EXPECT_EQ(drawn, (Size{28, 17}));
    int inked = 0;
    int leftInk = 0;
    const QImage pixels = image->pixels().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 60; ++x) {
            const QColor c = QColor::fromRgba(pixels.pixel(x, y));
            if (c.alpha() > 128) {
                ++inked;
                EXPECT_GT(c.red(), 200);
                EXPECT_LT(c.green(), 60);
                if (x < 30) ++leftInk;
            }
        }
    }
    EXPECT_GT(inked, 40);
    EXPECT_EQ(leftInk, 0);  // right-aligned: nothing in the left half
}

// Layouts are kept and shared by text, font and options: any of them changed must give a layout
// of its own, and a layout drawn after many others must still draw its own text.
TEST_F(TextTest, KeptLayoutsAreSharedOnlyByTheSameTextFontAndOptions) {
    using ui::TextLayout;
    const Font font = Font::systemFontOfSize(14);
    const QString text = QStringLiteral("这套房子周末可以看吗？到了打我电话");
    TextLayout::Options wrapped;
    wrapped.width = 100;
    wrapped.mode = LineBreakMode::CharacterWrap;
    const TextLayout first(text, font, wrapped);
    ASSERT_GT(first.lineCount(), 1);
    EXPECT_EQ(TextLayout(text, font, wrapped).lineTexts(), first.lineTexts());

    const QString edited = text + QStringLiteral("谢谢");
    EXPECT_NE(TextLayout(edited, font, wrapped).lineTexts(), first.lineTexts());
    EXPECT_EQ(TextLayout(edited, font, wrapped).lineTexts().join(QString()), edited);
    EXPECT_GT(TextLayout(text, Font::systemFontOfSize(17), wrapped).lineCount(), first.lineCount());
    TextLayout::Options wider = wrapped;
    wider.width = 200;
    EXPECT_LT(TextLayout(text, font, wider).lineCount(), first.lineCount());
    TextLayout::Options cut = wrapped;
    cut.maximumLines = 1;
    cut.mode = LineBreakMode::TruncateTail;
    EXPECT_TRUE(TextLayout(text, font, cut).isTruncated());
    EXPECT_FALSE(first.isTruncated());
    TextLayout::Options oneLine = wrapped;
    oneLine.singleLine = true;
    EXPECT_EQ(TextLayout(text, font, oneLine).lineCount(), 1);

    // Far more layouts than are kept, then the first again: the same lines, drawn the same.
    const auto drawn = [&](const TextLayout& layout) {
        GraphicsContext::beginImageContextWithOptions({100, 80}, false, 2);
        StringDrawing::drawLayout(layout, {0, 0, 100, 80}, ui::TextAlignment::Left);
        auto image = GraphicsContext::imageFromCurrentImageContext();
        GraphicsContext::endImageContext();
        return image->pixels();
    };
    const QImage before = drawn(first);
    for (int n = 0; n < 1000; ++n) (void)TextLayout(QStringLiteral("第%1条").arg(n), font, wrapped);
    const TextLayout again(text, font, wrapped);
    EXPECT_EQ(again.lineTexts(), first.lineTexts());
    EXPECT_EQ(drawn(again), before);
    EXPECT_EQ(drawn(first), before);
}

}  // namespace
