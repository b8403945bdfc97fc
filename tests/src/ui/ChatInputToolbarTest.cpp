#include "WidgetTest.h"

#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "ui/widgets/ChatInputToolbar.h"

namespace {

using ui::Rect;

class Bar : public ChatInputToolbarDelegate {
public:
    void inputButtonPressed(ChatInputToolbar&) override { log << "send"; }
    void plusButtonPressed(ChatInputToolbar&) override { log << "plus"; }
    void inputToolbarWillChangeHeight(ChatInputToolbar&, double height) override {
        log << QStringLiteral("will %1").arg(height);
    }
    void inputToolbarDidChangeHeight(ChatInputToolbar&, double height) override {
        log << QStringLiteral("did %1").arg(height);
    }
    QStringList log;
};

class ChatInputToolbarTest : public WidgetTest {
protected:
    std::shared_ptr<Bar> listener = std::make_shared<Bar>();

    std::shared_ptr<ChatInputToolbar> bar() {
        auto made = ChatInputToolbar::initWithFrame(Rect(0, 200, 320, 44), QStringLiteral("发送"));
        made->setInputDelegate(listener);
        window().addSubview(made);
        window().layoutIfNeeded();
        return made;
    }
};

TEST_F(ChatInputToolbarTest, SendIsEnabledOnlyWithTextAndTellsTheDelegate) {
    auto toolbar = bar();
    EXPECT_FALSE(toolbar->inputButton()->isEnabled());
    EXPECT_EQ(toolbar->inputButton()->frame().maxY(), 44 - 7);
    EXPECT_EQ(toolbar->edgeItemWidth(), -12);
    ASSERT_TRUE(toolbar->textView()->becomeFirstResponder());
    driver().type(QStringLiteral("你好"));
    EXPECT_TRUE(toolbar->inputButton()->isEnabled());
    window().layoutIfNeeded();
    EXPECT_TRUE(driver().tap(toolbar->inputButton()));
    EXPECT_EQ(listener->log.last(), "send");

    toolbar->setPlusButtonVisible(true);
    window().layoutIfNeeded();
    EXPECT_FALSE(toolbar->plusButtonItem()->isHidden());
    EXPECT_LT(toolbar->plusButtonItem()->frame().maxX(), toolbar->textView()->frame().minX());
    EXPECT_TRUE(driver().tap(toolbar->plusButtonItem()));
    EXPECT_EQ(listener->log.last(), "plus");
}

TEST_F(ChatInputToolbarTest, TheBarGrowsUpwardsWithItsInput) {
    auto toolbar = bar();
    ExpandingTextView* input = toolbar->textView();
    input->setMaximumNumberOfLines(4);
    const double before = input->frame().size.height;
    listener->log.clear();
    input->setText(QStringLiteral("一\n二\n三"));
    const double grown = input->frame().size.height - before;
    ASSERT_GT(grown, 0);
    EXPECT_EQ(toolbar->frame().maxY(), 244);
    EXPECT_EQ(toolbar->frame().size.height, 44 + grown);
    EXPECT_EQ(listener->log.first(), QStringLiteral("will %1").arg(44 + grown));
    run(0.2);
    EXPECT_EQ(listener->log.last(), QStringLiteral("did %1").arg(44 + grown));
}

// Grown to its most, the input scrolls; typing in the middle keeps the caret in view.
TEST_F(ChatInputToolbarTest, TypingInTheMiddleOfATallInputKeepsTheCaretInView) {
    auto toolbar = bar();
    ExpandingTextView* input = toolbar->textView();
    input->setMaximumNumberOfLines(3);
    input->setText(QStringLiteral("一\n二\n三\n四\n五\n六\n七"));
    run(0.2);
    ui::TextView* lines = input->internalTextView();
    ASSERT_TRUE(lines->becomeFirstResponder());
    for (int i = 0; i < 5; ++i) driver().pressCaretKey(ui::CaretMovement::Up);
    driver().pressCaretKey(ui::CaretMovement::LineStart);
    driver().type(QStringLiteral("第"));
    EXPECT_EQ(lines->text(), QStringLiteral("一\n第二\n三\n四\n五\n六\n七"));
    const Rect caret = lines->caretRectForPosition(lines->selectedRange().location);
    EXPECT_GE(caret.minY(), lines->contentOffset().y);
    EXPECT_LE(caret.maxY(), lines->contentOffset().y + lines->bounds().size.height);
}

TEST_F(ChatInputToolbarTest, TheOlderInputShowsItsPlaceholderAndRefusesDeletingNothing) {
    auto input = ExpandingTextView::initWithFrame(Rect(10, 10, 200, 36));
    window().addSubview(input);
    input->setPlaceholder(QStringLiteral("说点什么"));
    EXPECT_FALSE(input->placeholderLabel()->isHidden());
    EXPECT_FALSE(input->isOnPreIOS7());
    ASSERT_TRUE(input->becomeFirstResponder());
    driver().pressBackspace();
    EXPECT_EQ(input->text(), QString());
    driver().type(QStringLiteral("好"));
    EXPECT_TRUE(input->placeholderLabel()->isHidden());
    EXPECT_EQ(input->frame().size.height, input->minimumHeight() + 1);
    input->clearText();
    EXPECT_FALSE(input->placeholderLabel()->isHidden());
}

class Sender : public ExpandingTextViewDelegate {
public:
    bool expandingTextViewShouldReturn(ExpandingTextView&) override { return true; }
};

TEST_F(ChatInputToolbarTest, AReturnThatSendsPutsTheKeyboardAway) {
    auto input = ExpandingTextView::initWithFrame(Rect(10, 10, 200, 36));
    auto sender = std::make_shared<Sender>();
    input->setDelegate(sender);
    window().addSubview(input);
    ASSERT_TRUE(input->becomeFirstResponder());
    driver().type(QStringLiteral("在吗"));
    driver().pressReturn();
    EXPECT_EQ(input->text(), QStringLiteral("在吗"));
    EXPECT_EQ(window().firstResponder(), nullptr);
}

TEST_F(ChatInputToolbarTest, OlderSystemsGetTheirOwnPicturesAndInsets) {
    useAppBundle();
    OlderSystem older;
    auto toolbar = bar();
    EXPECT_EQ(toolbar->edgeItemWidth(), -6);
    ExpandingTextView* input = toolbar->textView();
    EXPECT_TRUE(input->isOnPreIOS7());
    EXPECT_EQ(input->internalTextView()->contentInset(), ui::EdgeInsets({-4, 0, 4, 0}));
    ASSERT_NE(input->textViewBackgroundImage()->image(), nullptr);
    EXPECT_EQ(input->textViewBackgroundImage()->image()->capInsets(),
              ui::EdgeInsets({10, 10, 10, 10}));
    EXPECT_NE(toolbar->inputButton()->backgroundImageForState(ui::kControlStateDisabled), nullptr);
    EXPECT_EQ(toolbar->inputButton()->titleColorForState(ui::kControlStateDisabled),
              ui::Color::colorWithWhite(1, 0.7));
}

}  // namespace
