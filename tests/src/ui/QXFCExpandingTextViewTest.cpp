#include "WidgetTest.h"

#include "ui/widgets/QXFCExpandingTextView.h"

namespace {

using ui::Rect;

class Heights : public QXFCExpandingTextViewDelegate {
public:
    void expandingTextViewWillChangeHeight(QXFCExpandingTextView&, double height) override {
        log << QStringLiteral("will %1").arg(height);
    }
    void expandingTextViewDidChangeHeight(QXFCExpandingTextView&, double height) override {
        log << QStringLiteral("did %1").arg(height);
    }
    void expandingTextViewDidChange(QXFCExpandingTextView&) override { log << "changed"; }
    bool expandingTextViewShouldReturn(QXFCExpandingTextView&) override { return sendOnReturn; }
    QStringList log;
    bool sendOnReturn = false;
};

class QXFCExpandingTextViewTest : public WidgetTest {
protected:
    std::shared_ptr<QXFCExpandingTextView> input =
        QXFCExpandingTextView::initWithFrame(Rect(50, 9, 220, 40));
    std::shared_ptr<Heights> heights = std::make_shared<Heights>();

    void SetUp() override {
        WidgetTest::SetUp();
        input->setFont(ui::Font::systemFontOfSize(14));
        input->setDelegate(heights);
        window().addSubview(input);
        ASSERT_TRUE(input->becomeFirstResponder());
    }

    [[nodiscard]] double height() const { return input->frame().size.height; }
};

TEST_F(QXFCExpandingTextViewTest, GrowsLineByLineUpToTheMaximumThenScrollsInside) {
    const int minimum = input->minHeight();
    const int maximum = input->maxHeight();
    ASSERT_LT(minimum, maximum);
    EXPECT_EQ(height(), minimum);
    EXPECT_TRUE(input->isFirstResponder());

    ASSERT_TRUE(driver().type(QStringLiteral("一行")));
    EXPECT_EQ(height(), minimum);
    driver().pressReturn();
    driver().type(QStringLiteral("两行"));
    run(0.1);
    const double two = height();
    EXPECT_GT(two, minimum);
    driver().pressReturn();
    driver().type(QStringLiteral("三行"));
    run(0.1);
    EXPECT_GT(height(), two);
    EXPECT_LE(height(), maximum);
    for (int line = 4; line <= 6; ++line) {
        driver().pressReturn();
        driver().type(QStringLiteral("更多"));
    }
    run(0.1);
    EXPECT_EQ(height(), maximum);
    EXPECT_TRUE(input->internalTextView()->isScrollEnabled());
    EXPECT_GT(input->internalTextView()->contentSize().height, maximum);

    // Emptied, it goes back to the minimum however tall the content was.
    input->setText({});
    run(0.1);
    EXPECT_EQ(height(), minimum);
}

TEST_F(QXFCExpandingTextViewTest, TenPastedLinesReachTheMaximumInOneStep) {
    heights->log.clear();
    input->setAnimateHeightChange(false);
    input->setText(QStringLiteral("1\n2\n3\n4\n5\n6\n7\n8\n9\n10"));
    EXPECT_EQ(height(), input->maxHeight());
    EXPECT_EQ(heights->log,
              (QStringList{QStringLiteral("will %1").arg(input->maxHeight()),
                           QStringLiteral("did %1").arg(input->maxHeight()), "changed"}));
}

TEST_F(QXFCExpandingTextViewTest, AnimatedGrowthReportsItsEndAfterTheAnimation) {
    heights->log.clear();
    input->setText(QStringLiteral("1\n2"));
    EXPECT_EQ(heights->log.size(), 2);  // will, changed
    EXPECT_EQ(heights->log.last(), "changed");
    run(QXFCExpandingTextView::kGrowDuration);
    EXPECT_EQ(heights->log.last(), QStringLiteral("did %1").arg(height()));
}

TEST_F(QXFCExpandingTextViewTest, ChangingTheFontMeasuresBothLimitsAgain) {
    const int smallMax = input->maxHeight();
    const int smallMin = input->minHeight();
    input->setFont(ui::Font::systemFontOfSize(24));
    EXPECT_GT(input->maxHeight(), smallMax);
    EXPECT_GT(input->minHeight(), smallMin);
    EXPECT_EQ(height(), input->minHeight());
    input->setMaxNumberOfLines(5);
    EXPECT_EQ(input->maxNumberOfLines(), 5);
    EXPECT_GT(input->maxHeight(), input->minHeight() * 2);
}

TEST_F(QXFCExpandingTextViewTest, ReturnThatSendsInsertsNoLineBreak) {
    driver().type(QStringLiteral("你好"));
    heights->sendOnReturn = true;
    driver().pressReturn();
    EXPECT_EQ(input->text(), QStringLiteral("你好"));
    heights->sendOnReturn = false;
    driver().pressReturn();
    EXPECT_EQ(input->text(), QStringLiteral("你好\n"));
}

TEST(QXFCExpandingTextViewOlderSystemTest, ScrollsInsideOnlyOnceTheMaximumIsReached) {
    OlderSystem older;
    auto input = QXFCExpandingTextView::initWithFrame(Rect(50, 9, 220, 40));
    input->setAnimateHeightChange(false);
    ExpandingTextViewInternal* inner = input->internalTextView();
    EXPECT_FALSE(inner->isScrollEnabled());
    // Heights come from the inner view's own content height.
    inner->setText(QStringLiteral("-\n|W|\n|W|"));
    EXPECT_EQ(input->getTextViewContentHeight(), int(inner->contentSize().height));
    inner->setText({});
    EXPECT_FALSE(inner->isScrollEnabled());

    input->setText(QStringLiteral("1\n2"));
    EXPECT_FALSE(inner->isScrollEnabled());
    input->setText(QStringLiteral("1\n2\n3\n4\n5\n6"));
    EXPECT_EQ(input->frame().size.height, input->maxHeight());
    EXPECT_TRUE(inner->isScrollEnabled());
    input->setText(QStringLiteral("1"));
    EXPECT_FALSE(inner->isScrollEnabled());
}

}  // namespace
