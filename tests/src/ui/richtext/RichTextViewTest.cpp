#include "RichTextTest.h"

#include "ui/richtext/RichTextMarkup.h"
#include "ui/richtext/RichTextTags.h"

#include "platform/uikit/image.h"
#include "platform/uikit/window.h"

namespace {

class RecordingDelegate : public RichTextViewDelegate {
public:
    void coreTextViewReceivedTouchOnData(RichTextView&, const RichTextTouchData& data) override {
        touches.push_back(data);
    }
    void coreTextViewfinishedRendering(RichTextView&) override { ++renderings; }

    std::vector<RichTextTouchData> touches;
    int renderings = 0;
};

class RichTextViewTest : public RichTextTest {
protected:
    // The chat bubble's styles: grey 14-point text and an underlined blue link.
    static void addChatStyles(RichTextView& view) {
        auto text = RichTextStyle::styleWithName("_default");
        text->setFont(ui::Font::systemFontOfSize(14));
        text->setColor(ui::Color::rgb(64, 64, 64));
        text->setMinLineHeight(ui::Font::systemFontOfSize(14).lineHeight());
        text->setParagraphInset({0, 2, 0, 0});
        view.addStyle(*text);
        auto link = view.styleForName("_link");
        link->setFont(ui::Font::systemFontOfSize(14));
        link->setUnderlined(true);
        view.addStyle(*link);
    }

    // Where the character at `index` lies on its line, in the view's coordinates.
    static ui::Point pointOfCharacter(RichTextView& view, qsizetype index) {
        view.updateFramesetterIfNeeded();
        const auto frame = view.framesetter()->createFrame(
            ui::Rect(0, 0, view.bounds().size.width, view.bounds().size.height));
        for (const auto& line : frame->lines()) {
            const ui::Range range = line.stringRange();
            if (index < range.location || index >= range.end()) continue;
            const double x =
                line.origin().x +
                (line.offsetForStringIndex(index) + line.offsetForStringIndex(index + 1)) / 2;
            return {view.frame().origin.x + x, view.frame().origin.y + line.origin().y - 4};
        }
        return {-1, -1};
    }

    void tap(ui::Point point) {
        window->touchDown(point);
        window->touchUp(point);
    }
};

TEST_F(RichTextViewTest, ATapOnALinkReportsItAndOneBesideItOnlyTheLinksRun) {
    auto view =
        showView({10, 10, 300, 40}, "Call <_link>tel://13800138000|13800138000</_link> now");
    addChatStyles(*view);
    auto delegate = std::make_shared<RecordingDelegate>();
    view->setDelegate(delegate);
    view->updateFramesetterIfNeeded();
    ASSERT_EQ(view->processedString(), "Call 13800138000 now");

    for (qsizetype index : {5, 10, 15}) {
        tap(pointOfCharacter(*view, index));
        ASSERT_EQ(delegate->touches.size(), 1u) << index;
        EXPECT_EQ(delegate->touches[0].url, QUrl("tel://13800138000"));
        EXPECT_EQ(delegate->touches[0].dataName, "_link");
        delegate->touches.clear();
    }
    // Plain text of the same line: the link's run without its address, heard on lift,
    // and no highlight.
    for (qsizetype index : {0, 4, 16, 19}) {
        window->touchDown(pointOfCharacter(*view, index));
        EXPECT_TRUE(view->selectionsViews().empty()) << index;
        EXPECT_TRUE(delegate->touches.empty()) << "not before the finger lifts";
        window->touchUp(pointOfCharacter(*view, index));
        ASSERT_EQ(delegate->touches.size(), 1u) << index;
        const RichTextTouchData& beside = delegate->touches[0];
        EXPECT_FALSE(beside.url);
        EXPECT_EQ(beside.dataName, "_link");
        ASSERT_TRUE(beside.dataAttributes);
        EXPECT_EQ(beside.dataAttributes->custom.value("RichTextDataName"), "_link");
        EXPECT_EQ(ui::rectFromString(beside.dataFrame).size.width,
                  ui::rectFromString(delegate->touches.front().dataFrame).size.width);
        delegate->touches.clear();
    }
    // Below the text: nothing either.
    tap({100, 45});
    EXPECT_TRUE(delegate->touches.empty());

    // A one-line message is centred: characters are found from the line's own origin.
    for (const QString& name : {QStringLiteral("_default"), QStringLiteral("_link")}) {
        auto style = view->styleForName(name);
        style->setTextAlignment(ui::ParagraphAlignment::Center);
        view->addStyle(*style);
    }
    const ui::Point firstDigit = pointOfCharacter(*view, 5);
    EXPECT_GT(firstDigit.x, 60);
    tap(firstDigit);
    ASSERT_EQ(delegate->touches.size(), 1u);
    EXPECT_EQ(delegate->touches[0].url, QUrl("tel://13800138000"));
    tap(pointOfCharacter(*view, 4));
    ASSERT_EQ(delegate->touches.size(), 2u);
    EXPECT_FALSE(delegate->touches[1].url);

    // A line without a link reports nothing.
    view->setText("Call <_link>tel://1|me</_link>\nlater");
    delegate->touches.clear();
    tap(pointOfCharacter(*view, 9));
    EXPECT_TRUE(delegate->touches.empty());
}

TEST_F(RichTextViewTest, ALinkWhoseShownTextHoldsABarKeepsAllOfIt) {
    auto view = showView({0, 0, 300, 40}, "see <_link>tel://10086 | 租|售 | 合租</_link>!");
    view->updateFramesetterIfNeeded();
    EXPECT_EQ(view->processedString(), "see  租|售 | 合租!") << "split at the first bar only";
    ASSERT_EQ(view->URLs().size(), 1);
    EXPECT_EQ(view->URLs().firstKey(), ui::stringFromRange({4, 9}));
    EXPECT_EQ(view->URLs().first(), QUrl("tel://10086"));
    const RichTextTouchData data = view->dataForPoint(pointOfCharacter(*view, 11));
    EXPECT_EQ(data.url, QUrl("tel://10086")) << "the part after the second bar is the link's";
    EXPECT_FALSE(view->dataForPoint(pointOfCharacter(*view, 13)).url);
}

TEST_F(RichTextViewTest, TheTouchedLinkIsHighlightedUntilTheFingerLiftsOrMoves) {
    auto view = showView({0, 0, 320, 40}, "Call <_link>tel://1|13800138000</_link> now");
    auto delegate = std::make_shared<RecordingDelegate>();
    view->setDelegate(delegate);
    view->updateFramesetterIfNeeded();
    const ui::Point onLink = pointOfCharacter(*view, 8);

    window->touchDown(onLink);
    ASSERT_EQ(view->selectionsViews().size(), 1u);
    const auto highlight = view->selectionsViews()[0];  // the lift empties the list
    EXPECT_EQ(highlight->superview(), view.get());
    EXPECT_EQ(highlight->layer()->cornerRadius(), 3);
    EXPECT_NEAR(highlight->frame().origin.x, pointOfCharacter(*view, 5).x - 3.5, 4);
    window->touchUp(onLink);
    EXPECT_EQ(delegate->touches.size(), 1u);
    EXPECT_TRUE(view->selectionsViews().empty());
    EXPECT_EQ(highlight->superview(), nullptr);

    // A finger that moves before lifting taps nothing.
    window->touchDown(onLink);
    window->touchMove({onLink.x + 1, onLink.y});
    window->touchUp({onLink.x + 1, onLink.y});
    EXPECT_EQ(delegate->touches.size(), 1u);
    EXPECT_TRUE(view->selectionsViews().empty());

    // Without highlighting the delegate still hears the tap.
    view->setHighlightTouch(false);
    window->touchDown(onLink);
    EXPECT_TRUE(view->selectionsViews().empty());
    window->touchUp(onLink);
    EXPECT_EQ(delegate->touches.size(), 2u);
}

TEST_F(RichTextViewTest, ALinkOverTwoLinesHasARectangleOnEach) {
    auto view = showView({0, 0, 100, 100}, "一二三四<_link>tel://1|五六七八九十</_link>");
    view->updateFramesetterIfNeeded();
    QStringList rects;
    const RichTextTouchData data = view->dataForPoint(pointOfCharacter(*view, 5), &rects);
    EXPECT_EQ(data.url, QUrl("tel://1"));
    ASSERT_EQ(rects.size(), 2);
    const ui::Rect first = ui::rectFromString(rects[0]);
    const ui::Rect second = ui::rectFromString(rects[1]);
    // From the link's start to the end of the first line, then from the second
    // line's start to the link's end, each 2 points taller than its line.
    EXPECT_DOUBLE_EQ(first.origin.x, 48);
    EXPECT_DOUBLE_EQ(first.size.width, 48);
    EXPECT_DOUBLE_EQ(second.origin.x, 0);
    EXPECT_DOUBLE_EQ(second.size.width, 24);
    EXPECT_NEAR(first.size.height, ui::Font::systemFontOfSize(12).lineHeight() + 2, 1e-9);
    EXPECT_GT(second.origin.y, first.origin.y);
}

TEST_F(RichTextViewTest, AReusedViewNeverShowsTheMessageBefore) {
    auto view = showView({0, 0, 200, 40}, "first <_link>tel://1|message</_link>");
    const QImage blank = [&] {
        auto empty = std::make_shared<RichTextView>(ui::Rect(0, 0, 200, 40));
        window->addSubview(empty);
        view->setHidden(true);
        const QImage image = render();
        empty->removeFromSuperview();
        view->setHidden(false);
        return image;
    }();
    EXPECT_NE(render(), blank);
    view->setText("<b>broken");
    EXPECT_EQ(render(), blank);
    EXPECT_TRUE(view->dataForPoint({20, 10}).isEmpty());
    view->setText("second");
    EXPECT_NE(render(), blank);
    view->setText("");
    EXPECT_EQ(render(), blank);
}

TEST_F(RichTextViewTest, TheLayoutFollowsEveryChangeAndIsSharedSafely) {
    auto view = showView({0, 0, 200, 40}, "one");
    view->updateFramesetterIfNeeded();
    const auto held = view->framesetter();
    ASSERT_TRUE(held);
    // Building the attributed string first never leaves the old layout in place.
    view->setText("two words");
    EXPECT_EQ(view->attributedString().string(), "two words");
    view->updateFramesetterIfNeeded();
    EXPECT_EQ(view->framesetter()->attributedString().string(), "two words");
    // The layout handed out before stays whole.
    EXPECT_EQ(held->attributedString().string(), "one");

    // A changed style registered again shows at the next build.
    auto plain = view->styleForName("_default");
    plain->setColor(ui::Color::redColor());
    view->addStyle(*plain);
    EXPECT_EQ(view->attributedString().runAtIndex(0).attributes.foregroundColor->toQt(),
              QColor(Qt::red));
    EXPECT_EQ(view->attributedString().runAtIndex(0).attributes.custom.value("RichTextDataName"),
              "_default");
}

TEST_F(RichTextViewTest, TheSameTextAgainKeepsItsDrawingUntilATagOrStyleChanges) {
    const QString text = "Call <_link>tel://1|13800138000</_link>";
    auto view = showView({0, 0, 200, 40}, text);
    auto delegate = std::make_shared<RecordingDelegate>();
    view->setDelegate(delegate);
    const QImage drawn = render();
    view->updateFramesetterIfNeeded();
    const auto layout = view->framesetter();
    // A reused row given its message again neither lays it out nor draws it again.
    view->setText(text);
    EXPECT_EQ(render(), drawn);
    EXPECT_EQ(delegate->renderings, 1);
    view->updateFramesetterIfNeeded();
    EXPECT_EQ(view->framesetter(), layout);

    // A style or a default tag changed in between is applied to the same text.
    auto link = view->styleForName("_link");
    link->setColor(ui::Color::redColor());
    view->addStyle(*link);
    view->setText(text);
    (void)render();
    EXPECT_EQ(delegate->renderings, 2);
    EXPECT_EQ(view->attributedString().runAtIndex(6).attributes.foregroundColor->toQt(),
              QColor(Qt::red));
    EXPECT_EQ(view->URLs().size(), 1);
    view->changeDefaultTag(RichTextTags::kLink, "a");
    view->setText(text);
    (void)render();
    EXPECT_EQ(delegate->renderings, 3);
    EXPECT_TRUE(view->URLs().empty());
}

TEST_F(RichTextViewTest, AViewMadeWithAnAttributedStringShowsItUntilItsFirstText) {
    auto view =
        std::make_shared<RichTextView>(ui::Rect(0, 0, 100, 40), ui::AttributedString("given"));
    EXPECT_EQ(view->attributedString().string(), "given");
    view->addStyle(RichTextStyle());
    EXPECT_EQ(view->attributedString().string(), "given");
    // A first text replaces it, an empty one too.
    view->setText("");
    EXPECT_TRUE(view->attributedString().string().isEmpty());
}

TEST_F(RichTextViewTest, ParagraphStylingFollowsTheStyleName) {
    auto view = std::make_shared<RichTextView>(ui::Rect(0, 0, 200, 100));
    view->setVerbose(false);
    auto loose = RichTextStyle::styleWithName("loose");
    loose->setApplyParagraphStyling(false);
    loose->setLeading(9);
    view->addStyle(*loose);
    auto item = RichTextStyle::styleWithName("_bullet");
    item->setParagraphInset({0, 24, 5, 0});
    item->setApplyParagraphStyling(false);
    view->addStyle(*item);
    view->setText("<loose>a</loose><_bullet>b</_bullet>");
    const ui::AttributedString& string = view->attributedString();
    ASSERT_EQ(string.string(), QStringLiteral("a\u2022\tb"));
    // "loose" keeps the paragraph style of the text around it.
    EXPECT_EQ(string.runAtIndex(0).attributes.paragraphStyle->lineSpacing, 0);
    // The bullet's own style carries the tab stop at the item's inset, without indents.
    const auto bullet = *string.runAtIndex(1).attributes.paragraphStyle;
    EXPECT_EQ(bullet.tabStops, std::vector<double>{24});
    EXPECT_EQ(bullet.firstLineHeadIndent, 0);
    EXPECT_EQ(bullet.paragraphSpacing, 0);
    // Bullet items are styled whatever their flag says.
    EXPECT_EQ(string.runAtIndex(3).attributes.paragraphStyle->headIndent, 24);
    EXPECT_EQ(string.runAtIndex(3).attributes.paragraphStyle->paragraphSpacing, 5);
}

TEST_F(RichTextViewTest, SizingMeasuresTheWholeText) {
    auto view = showView({5, 5, 100, 10}, "一二三四五六七八九十");
    EXPECT_EQ(view->suggestedSizeConstrainedToSize({100, 1000}),
              (ui::Size{96, std::ceil(2 * ui::Font::systemFontOfSize(12).lineHeight())}));
    view->fitToSuggestedHeight();
    EXPECT_EQ(view->frame(), (ui::Rect{5, 5, 100, 29}));
}

TEST_F(RichTextViewTest, LineLookups) {
    auto view = showView({0, 0, 100, 100}, "一二三四五六七八<_link>tel://1|九十</_link>");
    view->updateFramesetterIfNeeded();
    const double lineHeight = ui::Font::systemFontOfSize(12).lineHeight();
    EXPECT_EQ(view->getLineRangeForYCoordinate(1), (ui::Range{0, 8}));
    // The bottom edge belongs to the line for the range, to the next for the node.
    EXPECT_EQ(view->getLineRangeForYCoordinate(lineHeight), (ui::Range{0, 8}));
    EXPECT_EQ(view->getNodeIndexYCoordinate(lineHeight), "0/0");
    EXPECT_EQ(view->getNodeIndexYCoordinate(1), "0");
    EXPECT_FALSE(view->getNodeIndexYCoordinate(90));
    EXPECT_EQ(view->getLineRangeForYCoordinate(90).location, ui::Range::kNotFound);

    EXPECT_EQ(view->getLineRectFromNSRange({2, 3}), (ui::Rect{0, -1, 96, lineHeight + 1}));
    EXPECT_EQ(view->getLineRectFromNSRange({6, 4}), (ui::Rect{-1, -1, -1, -1}));
    EXPECT_EQ(view->getTextInLineByRange({8, 1}), QStringLiteral("九十"));
    EXPECT_EQ(view->getTextInLineByRange({6, 4}), "");
    EXPECT_EQ(view->getNodeIndexThatContainLocationFormNSRange({9, 1}), "0/0");
    EXPECT_EQ(view->getCorrectLocationFromNSRange({9, 1}), 1);
    // An empty range at the start of an element counts as inside it.
    EXPECT_EQ(view->getNodeIndexThatContainLocationFormNSRange({8, 0}), "0/0");
}

TEST_F(RichTextViewTest, TheFinishedRenderingCallComesAfterEveryPass) {
    auto view = showView({0, 0, 100, 2}, "too tall to fit");
    auto delegate = std::make_shared<RecordingDelegate>();
    view->setDelegate(delegate);
    (void)render();
    EXPECT_EQ(delegate->renderings, 1);
    view->setText("again");
    (void)render();
    EXPECT_EQ(delegate->renderings, 2);
}

TEST_F(RichTextViewTest, InlinePicturesAreMadeOnceAndDrawnFromThen) {
    auto view =
        showView({0, 0, 100, 100}, "a<_image>" + base64Picture(20, 10, Qt::green) + "</_image>b");
    view->updateFramesetterIfNeeded();
    ASSERT_EQ(view->images().size(), 1u);
    // Swapping the kept picture shows that drawing never decodes the data again.
    view->images()[0]->setPicture(ui::Image::imageWithQImage(solidImage(20, 10, Qt::red)));
    view->setNeedsDisplay();
    const QImage shown = render();
    const auto frame = view->framesetter()->createFrame(ui::Rect(0, 0, 100, 100));
    const auto& below = frame->lines()[1];
    const int y = int(2 * (below.origin().y - below.ascent() - 5));
    EXPECT_EQ(QColor(shown.pixel(2 * 5, y)), QColor(Qt::red));
}

TEST_F(RichTextViewTest, StyledTextLooksRight) {
    auto view = showView({10, 10, 300, 200}, {});
    auto title = RichTextStyle::styleWithName("title");
    title->setFont(ui::Font::boldSystemFontOfSize(18));
    title->setTextAlignment(ui::ParagraphAlignment::Center);
    title->setAppendedCharacter("\n");
    auto red = RichTextStyle::styleWithName("red");
    red->setColor(ui::Color::redColor());
    red->setFont(ui::Font::systemFontOfSize(14));
    auto underline = RichTextStyle::styleWithName("u");
    underline->setUnderlined(true);
    underline->setFont(ui::Font::systemFontOfSize(14));
    auto item = RichTextStyle::styleWithName("_bullet");
    item->setFont(ui::Font::systemFontOfSize(14));
    item->setParagraphInset({4, 20, 0, 0});
    item->setBulletColor(ui::Color::blueColor());
    item->setAppendedCharacter("\n");
    auto right = RichTextStyle::styleWithName("right");
    right->setTextAlignment(ui::ParagraphAlignment::Right);
    right->setParagraphInset({0, 0, 0, -10});
    view->addStyles({title, red, underline, item, right});
    view->setShadowColor(ui::Color::lightGrayColor());
    view->setShadowOffset({1, 1});
    view->setText(
        QStringLiteral("<title>整租 两室一厅</title>Plain, <red>red</red> and <u>underlined</u> "
                       "text that wraps onto a second line.\n<_bullet>近地铁</_bullet>"
                       "<_bullet>押一付三</_bullet><right>right aligned</right>"));
    EXPECT_TRUE(matchesReference(render(), "richtext_styled.png"));
}

TEST_F(RichTextViewTest, LinksLookRight) {
    auto view = showView({10, 10, 200, 80}, {});
    addChatStyles(*view);
    // Links are highlighted while a finger is down on them, for a delegate.
    auto delegate = std::make_shared<RecordingDelegate>();
    view->setDelegate(delegate);
    view->setText("Call " + RichTextMarkup::linkElement("tel://13800138000", "13800138000") +
                  " now or see " +
                  RichTextMarkup::linkElement("http://x.test/", "x.test/a/long/page"));
    window->touchDown(pointOfCharacter(*view, 8));
    EXPECT_TRUE(matchesReference(render(), "richtext_links.png"));
    window->touchUp(pointOfCharacter(*view, 8));
    EXPECT_EQ(delegate->touches.size(), 1u);
}

TEST_F(RichTextViewTest, InlineImagesLookRight) {
    writeBundleImage("red.png", solidImage(40, 20, Qt::red));
    auto view = showView({10, 10, 200, 200}, {});
    auto centred = RichTextStyle::styleWithName("_image");
    centred->setTextAlignment(ui::ParagraphAlignment::Center);
    view->addStyle(*centred);
    // Two in a row, one centred wider than the view, and one at the very end, which
    // has no line to stand above and is not drawn.
    view->setText("Above<_image>red.png</_image><_image>" + base64Picture(30, 30, Qt::green) +
                  "</_image>between\n<_image>" + base64Picture(260, 16, Qt::blue) +
                  "</_image>below<_image>red.png</_image>");
    EXPECT_TRUE(matchesReference(render(), "richtext_images.png"));
}

}  // namespace
