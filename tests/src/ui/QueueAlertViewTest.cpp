#include "WidgetTest.h"

#include "platform/uikit/application.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image_view.h"
#include "platform/uikit/label.h"
#include "ui/widgets/QueueAlertView.h"
#include "ui/widgets/QueueAlertViewManager.h"

namespace {

using ui::Rect;

class Listener : public QxAlertViewDelegate {
public:
    explicit Listener(QStringList& events) : events_(events) {}
    void alertViewClickedButtonAtIndex(QueueAlertView& alert, int index) override {
        events_ << QStringLiteral("%1 delegate %2").arg(alert.title()).arg(index);
        auto& manager = QueueAlertViewManager::sharedAlertViewManager();
        const auto& stack = manager.alertViewQueue();
        events_ << QStringLiteral("beneath: %1")
                       .arg(stack.empty() ? QStringLiteral("none") : stack.back()->title());
    }

private:
    QStringList& events_;
};

class QueueAlertViewTest : public WidgetTest {
protected:
    QueueAlertViewManager& manager = QueueAlertViewManager::sharedAlertViewManager();
    QStringList events;
    std::shared_ptr<Listener> listener = std::make_shared<Listener>(events);

    void SetUp() override {
        WidgetTest::SetUp();
        (void)window();
        manager.cleanupAllViews();
    }
    void TearDown() override {
        manager.cleanupAllViews();
        WidgetTest::TearDown();
    }

    std::shared_ptr<QueueAlertView> alert(const QString& title, const QStringList& buttons) {
        return QueueAlertView::alertViewWithTitle(
            title, title + QStringLiteral("的内容"), buttons, listener, [this, title](int index) {
                events << QStringLiteral("%1 block %2").arg(title).arg(index);
            });
    }

    // The title the box on screen shows, or nothing.
    QString shownTitle() {
        ui::ImageView* box = manager.alertView();
        if (!box || !box->superview()) return {};
        return static_cast<ui::Label*>(box->subviews()[0].get())->text();
    }

    std::vector<ui::Button*> buttons() {
        std::vector<ui::Button*> found;
        for (const auto& view : manager.alertView()->subviews()) {
            if (auto* button = dynamic_cast<ui::Button*>(view.get())) found.push_back(button);
        }
        return found;
    }
};

TEST_F(QueueAlertViewTest, ButtonsSitSideBySideAndAThirdStaysInsideTheBox) {
    alert("一", {"确定"})->show();
    ASSERT_EQ(buttons().size(), 1u);
    EXPECT_EQ(buttons()[0]->frame(), Rect(67.25, 96, 131.5, 36));
    EXPECT_EQ(buttons()[0]->titleColorForState(ui::kControlStateNormal),
              ui::Color::rgb(83, 188, 44));

    auto two = alert("二", {"取消", "确定"});
    two->setButtonStyle(QueueAlertView::kHighlightGreen, 1);
    two->setButtonStyle(1, 5);
    two->show();
    ASSERT_EQ(buttons().size(), 2u);
    EXPECT_EQ(buttons()[0]->frame().origin.x, 3);
    EXPECT_EQ(buttons()[1]->frame().origin.x, 134.5);
    EXPECT_EQ(buttons()[1]->titleColorForState(ui::kControlStateHighlighted),
              ui::Color::rgb(0, 255, 0));
    bool lineBetween = false;
    for (const auto& view : manager.alertView()->subviews()) {
        lineBetween |= view->frame() == Rect(132.5, 96, 1, 36);
    }
    EXPECT_TRUE(lineBetween);

    alert("三", {"甲", "乙", "丙"})->show();
    ASSERT_EQ(buttons().size(), 3u);
    for (ui::Button* button : buttons()) {
        EXPECT_GE(button->frame().minX(), 0);
        EXPECT_LE(button->frame().maxX(), QueueAlertViewManager::kBoxWidth);
    }
}

TEST_F(QueueAlertViewTest, AnAlertShownOverAnotherReturnsItAfterItsBlockAndDelegate) {
    auto a = alert("A", {"取消", "确定"});
    a->show();
    run(0.2);
    EXPECT_EQ(shownTitle(), "A");
    alert("B", {"好"})->show();
    EXPECT_EQ(shownTitle(), "B");
    EXPECT_EQ(manager.alertViewQueue().size(), 2u);
    run(0.2);
    ASSERT_TRUE(driver().tapText("好"));
    EXPECT_TRUE(manager.isDismissing());
    run(0.2);
    EXPECT_EQ(events, (QStringList{"B block 0", "B delegate 0", "beneath: A"}));
    EXPECT_EQ(shownTitle(), "A");
    EXPECT_NE(driver().findByText("A的内容"), nullptr);

    // The push-cancel confirmation reports the second button as 1.
    run(0.2);
    ASSERT_TRUE(driver().tapText("确定"));
    run(0.2);
    EXPECT_EQ(events.mid(3), (QStringList{"A block 1", "A delegate 1", "beneath: none"}));
    EXPECT_TRUE(manager.alertViewQueue().empty());
    EXPECT_EQ(shownTitle(), QString());
    EXPECT_EQ(manager.blackBG()->superview(), nullptr);
}

TEST_F(QueueAlertViewTest, AnAlertShownDuringASlideOutComesRightAfterIt) {
    auto a = alert("A", {"确定"});
    a->show();
    run(0.2);
    a->dismiss(0);
    alert("B", {"确定"})->show();
    EXPECT_EQ(manager.alertViewQueue().front()->title(), "B");
    run(0.1);
    EXPECT_TRUE(manager.isDismissing());
    run(0.1);
    EXPECT_EQ(shownTitle(), "B");
    EXPECT_FALSE(manager.isDismissing());
}

TEST_F(QueueAlertViewTest, AnInterruptedDismissalNeverBuriesANewAlert) {
    auto a = alert("A", {"确定"});
    a->show();
    run(0.2);
    a->dismiss(0);
    manager.cleanupAllViews();
    EXPECT_FALSE(manager.isDismissing());
    alert("C", {"确定"})->show();
    alert("D", {"确定"})->show();
    EXPECT_EQ(shownTitle(), "D");
    run(0.3);
    // A's slide-out ended: its block ran, D stays on screen above C.
    EXPECT_TRUE(events.contains("A block 0"));
    EXPECT_EQ(shownTitle(), "D");
    EXPECT_EQ(manager.alertViewQueue().size(), 2u);
    EXPECT_EQ(manager.blackBG()->superview(), &window());
}

TEST_F(QueueAlertViewTest, DismissingALowerAlertLeavesNothingHalfDone) {
    auto a = alert("A", {"确定"});
    a->show();
    alert("B", {"确定"})->show();
    a->dismiss(3);
    EXPECT_EQ(events, QStringList{"A block 3"});
    EXPECT_FALSE(manager.isDismissing());
    alert("C", {"确定"})->show();
    EXPECT_EQ(shownTitle(), "C");

    // Alerts no longer in the stack and empty stacks are ignored.
    a->dismiss(0);
    manager.cleanupAllViews();
    a->dismiss(0);
    manager.show(nullptr);
    EXPECT_EQ(events.size(), 1);
}

TEST_F(QueueAlertViewTest, AFailedLoadingNoticeBecomesAWarningAndTheQueueMovesOn) {
    auto loading = alert("加载", {});
    loading->show();
    manager.dismissLoadingView(alert("别的", {}), QStringLiteral("不是它"));
    EXPECT_EQ(shownTitle(), "加载");
    manager.dismissLoadingView(loading, QStringLiteral("网络不给力"));
    EXPECT_EQ(shownTitle(), QStringLiteral("注意"));
    EXPECT_NE(driver().findByText("网络不给力"), nullptr);
    EXPECT_FALSE(manager.isDismissing());
    manager.showAlertView(QStringLiteral("已发送"));
    EXPECT_EQ(shownTitle(), QStringLiteral("提示"));
}

TEST_F(QueueAlertViewTest, TheCoverTakesTouchesAndTheMessageKeepsToThreeLines) {
    bool tapped = false;
    auto behind = std::make_shared<ui::Button>(Rect(0, 0, 320, 60));
    behind->setTitle("后面", ui::kControlStateNormal);
    behind->addTarget(this, ui::kControlEventTouchUpInside,
                      [&](ui::Control&, const ui::Event*) { tapped = true; });
    window().addSubview(behind);
    auto a = alert("A", {"确定"});
    a->setMessage(QString(200, QChar(0x623F)));
    a->show();
    run(0.2);
    driver().tapAt({160, 30});
    EXPECT_FALSE(tapped);
    auto* message = static_cast<ui::Label*>(manager.alertView()->subviews()[1].get());
    EXPECT_EQ(message->displayedLines().size(), 3);

    a->dismissWithClickedButtonIndex(0, true);
    run(0.2);
    EXPECT_EQ(shownTitle(), "A");
    EXPECT_TRUE(events.isEmpty());
}

TEST_F(QueueAlertViewTest, LandscapeCentresOnTheSwappedScreenAndTheCoverKeepsItsFirstSize) {
    auto& application = ui::Application::sharedApplication();
    alert("A", {"确定"})->show();
    run(0.2);
    application.setStatusBarOrientation(3);
    alert("B", {"确定"})->show();
    run(0.2);
    EXPECT_EQ(manager.alertView()->center(), ui::Point(240, 160));
    EXPECT_EQ(manager.blackBG()->frame(), Rect(0, 0, 320, 480));
    application.setStatusBarOrientation(1);
}

}  // namespace
