#include "WidgetTest.h"

#include "platform/uikit/image.h"
#include "platform/uikit/offscreen_host.h"
#include "platform/uikit/scroll_view.h"
#include "platform/uikit/tab_bar_controller.h"
#include "ui/widgets/PRRefreshHeaderView.h"
#include "ui/widgets/QXCycleScrollView.h"
#include "ui/widgets/QXFCExpandingTextView.h"
#include "ui/widgets/QueueAlertViewManager.h"
#include "ui/widgets/WidgetSamples.h"

namespace {

class WidgetSamplesTest : public WidgetTest {
protected:
    std::shared_ptr<ui::Window> samples;
    std::unique_ptr<ui::TestDriver> drive;

    void SetUp() override {
        WidgetTest::SetUp();
        useAppBundle();
        samples = WidgetSamples::sampleWindow();
        drive = std::make_unique<ui::TestDriver>(samples);
        ASSERT_TRUE(drive->tapText(QStringLiteral("控件")));
    }
    void TearDown() override {
        QueueAlertViewManager::sharedAlertViewManager().cleanupAllViews();
        drive.reset();
        samples.reset();
        WidgetTest::TearDown();
    }

    void open(const QString& sample) {
        ASSERT_TRUE(drive->tapText(sample));
        drive->wait(0.5);
    }

    ::testing::AssertionResult looksLike(const QString& name) {
        return matchesReference(ui::OffscreenHost(samples).render()->pixels(), name);
    }
};

TEST_F(WidgetSamplesTest, CarouselMidPage) {
    open(QStringLiteral("轮播图"));
    auto* carousel = drive->find<QXCycleScrollView>();
    ASSERT_NE(carousel, nullptr);
    carousel->scrollView()->setContentOffset({480, 0});
    EXPECT_TRUE(looksLike(QStringLiteral("carousel_mid_page.png")));
}

TEST_F(WidgetSamplesTest, RefreshHeaderPulledThenLoading) {
    open(QStringLiteral("下拉刷新"));
    samples->touchDown({160, 150});
    samples->touchMove({160, 170});
    samples->touchMove({160, 330});
    auto* header = drive->find<PRRefreshHeaderView>();
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->state(), PRRefreshStatePulling);
    EXPECT_TRUE(looksLike(QStringLiteral("refresh_pulled.png")));
    samples->touchUp({160, 330});
    drive->wait(0.5);
    EXPECT_TRUE(header->isRefreshing());
    EXPECT_TRUE(looksLike(QStringLiteral("refresh_loading.png")));
}

TEST_F(WidgetSamplesTest, SheetOpen) {
    open(QStringLiteral("弹出层"));
    ASSERT_TRUE(drive->tapText(QStringLiteral("选择区域")));
    drive->wait(1);
    EXPECT_TRUE(looksLike(QStringLiteral("sheet_open.png")));
    // A district closes it.
    ASSERT_TRUE(drive->tapText(QStringLiteral("海淀")));
    drive->wait(1);
    EXPECT_EQ(drive->findByText(QStringLiteral("海淀")), nullptr);
}

TEST_F(WidgetSamplesTest, AlertQueueWithTwoAlerts) {
    open(QStringLiteral("提示框"));
    ASSERT_TRUE(drive->tapText(QStringLiteral("取消推送")));
    drive->wait(0.3);
    EXPECT_EQ(QueueAlertViewManager::sharedAlertViewManager().alertViewQueue().size(), 2u);
    EXPECT_TRUE(looksLike(QStringLiteral("alert_queue_two.png")));
}

TEST_F(WidgetSamplesTest, IconMenuOpen) {
    open(QStringLiteral("图标菜单"));
    ASSERT_TRUE(drive->tapText(QStringLiteral("发布需求")));
    drive->wait(1.5);
    EXPECT_TRUE(looksLike(QStringLiteral("icon_menu_open.png")));
}

TEST_F(WidgetSamplesTest, ExpandingTextViewAtOneAndFourLines) {
    open(QStringLiteral("输入框"));
    auto* input = drive->find<QXFCExpandingTextView>();
    ASSERT_NE(input, nullptr);
    ASSERT_TRUE(input->becomeFirstResponder());
    drive->type(QStringLiteral("这套房子还在吗？"));
    drive->wait(0.5);
    EXPECT_TRUE(looksLike(QStringLiteral("input_one_line.png")));
    for (const QString& line :
         {QStringLiteral("想周末看房"), QStringLiteral("能便宜点吗"), QStringLiteral("谢谢")}) {
        drive->pressReturn();
        drive->type(line);
    }
    drive->wait(0.5);
    EXPECT_EQ(input->frame().size.height, input->maxHeight());
    EXPECT_TRUE(looksLike(QStringLiteral("input_four_lines.png")));
}

TEST_F(WidgetSamplesTest, Sliders) {
    open(QStringLiteral("滑块"));
    drive->wait(2);
    EXPECT_TRUE(looksLike(QStringLiteral("sliders.png")));
}

}  // namespace
