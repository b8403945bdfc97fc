#include "UIKitTest.h"

#include "platform/uikit/alert_test_driver.h"
#include "platform/uikit/button.h"
#include "platform/uikit/image.h"
#include "platform/uikit/interactive_host.h"
#include "platform/uikit/navigation_bar.h"
#include "platform/uikit/navigation_controller.h"
#include "platform/uikit/offscreen_host.h"
#include "platform/uikit/sample_window.h"
#include "platform/uikit/tab_bar.h"
#include "platform/uikit/tab_bar_controller.h"
#include "platform/uikit/test_driver.h"
#include "platform/uikit/window.h"

#include <QWindow>

namespace {

class SampleWindowTest : public UIKitTest {};

TEST_F(SampleWindowTest, SampleWindowWorksThroughTheDriverAndBothHosts) {
    auto window = ui::SampleWindow::create();
    ui::TestDriver driver(window);
    EXPECT_TRUE(matchesReference(ui::OffscreenHost(window).render()->pixels(),
                                 QStringLiteral("controllers_sample.png")));
    auto* tabs = dynamic_cast<ui::TabBarController*>(window->rootViewController().get());
    ASSERT_NE(tabs, nullptr);
    auto* houses = dynamic_cast<ui::NavigationController*>(tabs->selectedViewController().get());
    ASSERT_NE(houses, nullptr);

    // A row opens the house's screen, which hides the tab bar; its button asks by alert.
    EXPECT_TRUE(driver.tapText("天通苑 东三区 3室一厅"));
    driver.wait(0.5);
    EXPECT_EQ(houses->viewControllers().size(), 2u);
    EXPECT_TRUE(tabs->tabBar()->isHidden());
    EXPECT_NE(driver.findByText("1600元/月"), nullptr);
    EXPECT_TRUE(driver.tapText("联系经纪人"));
    ui::AlertTestDriver alerts(driver);
    driver.wait(0.2);
    ASSERT_NE(alerts.visibleAlert(), nullptr);
    EXPECT_TRUE(alerts.pressButton("取消"));
    EXPECT_TRUE(driver.tap(houses->navigationBar()->backButton()));
    driver.wait(0.5);
    EXPECT_FALSE(tabs->tabBar()->isHidden());

    EXPECT_TRUE(driver.tapText("设置"));
    EXPECT_EQ(tabs->selectedIndex(), 1u);
    EXPECT_NE(driver.findByText("清除缓存"), nullptr);

    // The same window in a desktop window.
    ui::InteractiveHost host(window);
    host.show();
    ASSERT_NE(host.nativeWindow(), nullptr);
    EXPECT_TRUE(driver.tapText("房源"));
    clock().advance(50ms);
    EXPECT_TRUE(runMainLoopUntil([&] { return host.frameCount() > 0; }, 2s));
    host.close();
}

}  // namespace
