#include "RichTextTest.h"

#include "ui/richtext/RichTextParser.h"
#include "ui/richtext/RichTextTags.h"

#include "platform/uikit/image.h"

#include <QBuffer>

namespace {

class RichTextParserTest : public RichTextTest {
protected:
    void SetUp() override {
        RichTextTest::SetUp();
        view = std::make_shared<RichTextView>(ui::Rect(0, 0, 320, 200));
        view->setVerbose(false);
    }

    // Parses `markup` in the view; true when it parsed.
    bool parse(const QString& markup) {
        view->setText(markup);
        view->processText();
        return view->rootNode() != nullptr;
    }

    [[nodiscard]] std::vector<QString> styleNames() const {
        std::vector<QString> names;
        for (const auto& node : view->rootNode()->_allSubnodes())
            names.push_back(node->style().name());
        return names;
    }

    std::shared_ptr<RichTextView> view;
};

TEST_F(RichTextParserTest, TheTelephoneLinkOfAChatMessage) {
    ASSERT_TRUE(parse("Call <_link>tel://13800138000|13800138000</_link> now"));
    EXPECT_EQ(view->processedString(), "Call 13800138000 now");
    ASSERT_EQ(view->URLs().size(), 1);
    EXPECT_EQ(view->URLs().value("{5, 11}"), QUrl("tel://13800138000"));
    const auto link = view->rootNode()->subnodeAtIndex(0);
    EXPECT_TRUE(link->isLink());
    EXPECT_EQ(link->style().name(), "_link");
    EXPECT_EQ(link->styleRange(), (ui::Range{5, 11}));
    EXPECT_EQ(view->rootNode()->styleRange(), (ui::Range{0, 20}));
}

TEST_F(RichTextParserTest, TextWithoutTagsAndTagsThatAreNone) {
    ASSERT_TRUE(parse("plain text"));
    EXPECT_EQ(view->processedString(), "plain text");
    EXPECT_TRUE(view->rootNode()->subnodes().empty());
    EXPECT_EQ(view->rootNode()->styleRange(), (ui::Range{0, 10}));

    // A "<" with a ">" later on its line is a tag (here an element never closed);
    // without one it is text.
    EXPECT_FALSE(parse("1 < 2 and 3 > 2"));
    ASSERT_TRUE(parse("1 < 2 and 3 > 2</x>"));
    EXPECT_EQ(view->processedString(), "1  2");
    ASSERT_TRUE(parse("1 < 2\nand 3 > 2"));
    EXPECT_EQ(view->processedString(), "1 < 2\nand 3 > 2");
}

TEST_F(RichTextParserTest, NestedElementsCoverTheirRangesOfTheProcessedString) {
    view->addStyle(*RichTextStyle::styleWithName("b"));
    view->addStyle(*RichTextStyle::styleWithName("i"));
    ASSERT_TRUE(parse("x<b>ab<i>cd</i>e</b>y"));
    EXPECT_EQ(view->processedString(), "xabcdey");
    const auto outer = view->rootNode()->subnodeAtIndex(0);
    const auto inner = outer->subnodeAtIndex(0);
    EXPECT_EQ(outer->styleRange(), (ui::Range{1, 5}));
    EXPECT_EQ(inner->styleRange(), (ui::Range{3, 2}));
    EXPECT_EQ(inner->supernode(), outer);
    EXPECT_EQ(inner->numberOfParents(), 2);
    EXPECT_EQ(view->getIndexingForNode(*inner), "0/0/0");
}

TEST_F(RichTextParserTest, ABrokenTextFailsWholeAndClearsTheTextBefore) {
    ASSERT_TRUE(parse("Call <_link>tel://1|1</_link>"));
    ASSERT_FALSE(view->URLs().isEmpty());

    // An element left open.
    EXPECT_FALSE(parse("hello <b>world"));
    EXPECT_TRUE(view->processedString().isEmpty());
    EXPECT_TRUE(view->URLs().isEmpty());
    EXPECT_TRUE(view->images().empty());
    EXPECT_EQ(view->attributedString().length(), 0);

    // An opening tag inside a link.
    view->addStyle(*RichTextStyle::styleWithName("b"));
    EXPECT_FALSE(parse("<_link>tel://1|<b>1</b></_link>"));
    // A closing tag that matches nothing, at top level.
    EXPECT_FALSE(parse("text</b> more"));
    // A closing tag of another name than the open element's style.
    EXPECT_FALSE(parse("<b>text</_link>"));
    // ... unless the open element has the default style.
    EXPECT_TRUE(parse("<unknown>text</whatever> more"));
    EXPECT_EQ(view->processedString(), "text more");
    EXPECT_EQ(view->rootNode()->subnodeAtIndex(0)->style().name(), "_default");
}

TEST_F(RichTextParserTest, AnEmptyTextClearsTheTextBefore) {
    ASSERT_TRUE(parse("first message"));
    EXPECT_FALSE(parse(""));
    EXPECT_TRUE(view->processedString().isEmpty());
    EXPECT_EQ(view->attributedString().length(), 0);
}

TEST_F(RichTextParserTest, LinksWithoutAnAddressShowTheirContent) {
    ASSERT_TRUE(parse("a <_link>no bar here</_link> b"));
    EXPECT_EQ(view->processedString(), "a no bar here b");
    EXPECT_TRUE(view->URLs().isEmpty());
    ASSERT_TRUE(parse("<_link>http://[bad|shown</_link>"));
    EXPECT_EQ(view->processedString(), "shown");
    EXPECT_TRUE(view->URLs().isEmpty());
    // White space around the address is trimmed.
    ASSERT_TRUE(parse("<_link>\n http://x.test/ \t|go</_link>"));
    EXPECT_EQ(view->URLs().value("{0, 2}"), QUrl("http://x.test/"));
}

TEST_F(RichTextParserTest, SelfClosingTagsAndAppendedText) {
    auto marker = RichTextStyle::styleWithName("m");
    std::vector<RichTextStyle::SelfClosingTag> heard;
    marker->setBlock([&heard](const RichTextStyle::SelfClosingTag& tag) { heard.push_back(tag); });
    view->addStyle(*marker);
    ASSERT_TRUE(parse("ab<m id=1 />cd"));
    EXPECT_EQ(view->processedString(), "abcd");
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0].components, (QStringList{"<m", "id=1", "/>"}));
    EXPECT_EQ(heard[0].range, (ui::Range{2, 0}));

    // A callback that registers its style again replaces the style being parsed.
    marker->setBlock([this](const RichTextStyle::SelfClosingTag&) {
        view->addStyle(*RichTextStyle::styleWithName("m"));
    });
    view->addStyle(*marker);
    ASSERT_TRUE(parse("<m/><m/>"));

    auto line = RichTextStyle::styleWithName("p");
    line->setAppendedCharacter("\n");
    view->addStyle(*line);
    ASSERT_TRUE(parse("<p>one</p><p/>two"));
    EXPECT_EQ(view->processedString(), "one\n\ntwo");
    EXPECT_EQ(view->rootNode()->subnodeAtIndex(0)->styleRange(), (ui::Range{0, 4}));

    // Appended text that holds markup is parsed where it lands.
    auto nested = RichTextStyle::styleWithName("n");
    nested->setAppendedCharacter("<_link>tel://2|2</_link>");
    view->addStyle(*nested);
    ASSERT_TRUE(parse("x<n/>y"));
    EXPECT_EQ(view->processedString(), "x2y");
    EXPECT_EQ(view->URLs().value("{1, 1}"), QUrl("tel://2"));
    // Its range, the appended text as inserted, ends with the processed string.
    EXPECT_EQ(view->rootNode()->subnodeAtIndex(0)->styleRange(), (ui::Range{1, 2}));
}

TEST_F(RichTextParserTest, BulletItemsGetTheirBulletAndSpacersBetweenThem) {
    auto item = RichTextStyle::styleWithName("_bullet");
    item->setParagraphInset({6, 20, 0, 0});
    item->setBulletColor(ui::Color::redColor());
    view->addStyle(*item);
    ASSERT_TRUE(parse("<_bullet>one</_bullet><_bullet>two</_bullet>"));
    const QString bullet = QStringLiteral("\u2022\t");
    // The second item has a spacer line before it, the first none.
    EXPECT_EQ(view->processedString(), bullet + "one\n" + bullet + "two");
    EXPECT_EQ(styleNames(),
              (std::vector<QString>{"_bullet", "_FTBulletStyle", "_FTTopSpacingStyle__bullet",
                                    "_bullet", "_FTBulletStyle"}));
    const auto root = view->rootNode();
    const auto mark = root->subnodeAtIndex(0)->subnodeAtIndex(0);
    EXPECT_EQ(mark->styleRange(), (ui::Range{0, 2}));
    EXPECT_EQ(mark->style().paragraphInset().right, 20);
    EXPECT_EQ(mark->style().color().toQt(), QColor(Qt::red));
    EXPECT_EQ(root->subnodeAtIndex(1)->styleRange(), (ui::Range{5, 1}));
    EXPECT_EQ(root->subnodeAtIndex(1)->style().minLineHeight(), 6);
    // The spaced item and its bullet moved one place on.
    EXPECT_EQ(root->subnodeAtIndex(2)->styleRange(), (ui::Range{6, 5}));
    EXPECT_EQ(root->subnodeAtIndex(2)->subnodeAtIndex(0)->styleRange(), (ui::Range{6, 2}));
}

TEST_F(RichTextParserTest, ASpacerMovesTheLinksOfItsElement) {
    auto section = RichTextStyle::styleWithName("s");
    section->setParagraphInset({10, 0, 0, 0});
    view->addStyle(*section);
    ASSERT_TRUE(parse("a<s>b<_link>tel://1|c</_link></s>"));
    EXPECT_EQ(view->processedString(), "a\nbc");
    EXPECT_EQ(view->URLs().keys(), QStringList{"{3, 1}"});
}

TEST_F(RichTextParserTest, ImagesFromTheBundleAndFromBase64Data) {
    writeBundleImage("dot.png", solidImage(10, 8, Qt::red));
    const QString data = base64Picture(30, 20, Qt::green);
    ASSERT_TRUE(parse("a<_image>dot.png</_image>b<_image>" + data + "</_image>"));
    EXPECT_EQ(view->processedString(), "a\nb\n");
    ASSERT_EQ(view->images().size(), 2u);
    const auto& first = *view->images()[0];
    EXPECT_EQ(first.styleRange(), (ui::Range{1, 1}));
    EXPECT_EQ(first.imageName(), "dot.png");
    EXPECT_EQ(first.style().leading(), 8);
    ASSERT_TRUE(view->images()[1]->picture());
    EXPECT_EQ(view->images()[1]->picture()->size(), (ui::Size{30, 20}));
    EXPECT_EQ(view->images()[1]->style().leading(), 20);
}

TEST_F(RichTextParserTest, AnImageThatCannotBeMadeStaysAsText) {
    ASSERT_TRUE(parse("a<_image>missing.png</_image>b"));
    EXPECT_EQ(view->processedString(), "amissing.pngb");
    EXPECT_TRUE(view->images().empty());
    ASSERT_TRUE(parse("<_image>base64:notapicture</_image>"));
    EXPECT_EQ(view->processedString(), "base64:notapicture");
}

TEST_F(RichTextParserTest, HugeInlineImagesAreRefusedUndecoded) {
    // Small on the wire, enormous once decoded.
    QImage wide(RichTextParser::kMaximumImagePixels / 1000 + 1, 1000, QImage::Format_Mono);
    wide.fill(0);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(wide.save(&buffer, "PNG"));
    EXPECT_FALSE(RichTextParser::imageForName("base64:" + QString::fromLatin1(png.toBase64())));

    // Too much data to decode at all.
    const QString flood = "base64:" + QString(RichTextParser::kMaximumBase64Length + 1, u'A');
    EXPECT_FALSE(RichTextParser::imageForName(flood));
    EXPECT_TRUE(RichTextParser::imageForName(base64Picture(4, 4, Qt::blue)));
}

TEST_F(RichTextParserTest, PagesAreCutAtPageMarks) {
    EXPECT_EQ(RichTextView::pagesFromText("one<_page/>two<_page/>three"),
              (QStringList{"one", "two", "three"}));
    EXPECT_EQ(RichTextView::pagesFromText("one<_page />two"), (QStringList{"one", "two"}));
    EXPECT_EQ(RichTextView::pagesFromText("<b>all</b>"), QStringList{"<b>all</b>"});
    EXPECT_EQ(RichTextView::pagesFromText("end<_page/>"), (QStringList{"end", ""}));
    // A mark made by removing another one ends an empty page, never a wrong one.
    EXPECT_EQ(RichTextView::pagesFromText("a<_pa<_page/>ge/>b"), (QStringList{"a<_pa", "", "b"}));

    // Pages render like any self-closing tag: they vanish.
    EXPECT_EQ(RichTextView::stripTagsForString("one<_page/>two"), "onetwo");
    EXPECT_FALSE(RichTextView::stripTagsForString("<open>"));
    EXPECT_FALSE(RichTextView::stripTagsForString(""));
}

TEST_F(RichTextParserTest, NodeTreeOperations) {
    auto root = std::make_shared<RichTextNode>();
    auto a = std::make_shared<RichTextNode>();
    auto b = std::make_shared<RichTextNode>();
    auto c = std::make_shared<RichTextNode>();
    root->addSubnode(a);
    root->insertSubnode(c, 99);
    root->insertSubnodeBeforeNode(b, c.get());
    EXPECT_EQ(root->subnodes(), (std::vector<std::shared_ptr<RichTextNode>>{a, b, c}));
    EXPECT_EQ(b->nodeIndex(), 1u);
    EXPECT_EQ(b->previousNode(), a);
    EXPECT_EQ(b->nextNode(), c);
    EXPECT_FALSE(a->previousNode());
    EXPECT_FALSE(c->nextNode());
    EXPECT_FALSE(root->subnodeAtIndex(3));
    EXPECT_EQ(root->nodeIndex(), 0u);

    auto orphan = std::make_shared<RichTextNode>();
    root->insertSubnodeBeforeNode(orphan, nullptr);
    EXPECT_EQ(root->subnodes().back(), orphan);

    a->setStyleRange({0, 2});
    b->setStyleRange({2, 3});
    c->setStyleRange({6, 0});
    root->setStyleRange({0, 6});
    root->adjustStylesAndSubstylesRangesByRange({2, 1});
    EXPECT_EQ(a->styleRange(), (ui::Range{0, 2}));  // ends at 2: stays
    EXPECT_EQ(b->styleRange(), (ui::Range{3, 3}));
    EXPECT_EQ(c->styleRange(), (ui::Range{7, 0}));
    EXPECT_EQ(root->styleRange(), (ui::Range{1, 6}));

    EXPECT_TRUE(b->description().endsWith("\t-\t_default - \t{3, 3}"));
    EXPECT_EQ(b->descriptionToRoot(),
              "\n" + root->description() + "\n\t" + b->description() + "\n\n");
    EXPECT_EQ(root->descriptionOfTree().count('\n'), 5);
    EXPECT_EQ(root->allSubnodes().size(), 5u);
}

}  // namespace
