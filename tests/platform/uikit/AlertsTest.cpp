#include "UIKitTest.h"

#include "platform/uikit/action_sheet.h"
#include "platform/uikit/alert_test_driver.h"
#include "platform/uikit/alert_view.h"
#include "platform/uikit/application.h"
#include "platform/uikit/button.h"
#include "platform/uikit/test_driver.h"
#include "platform/uikit/view_controller.h"
#include "platform/uikit/web_view.h"
#include "platform/uikit/window.h"

#include <QStringList>

namespace {

class Recorder : public ui::AlertViewDelegate, public ui::ActionSheetDelegate {
public:
    using ui::ActionSheetDelegate::willDismissWithButtonIndex;
    void clickedButtonAtIndex(ui::AlertView&, int index) override {
        log << QString("click %1").arg(index);
    }
    void willDismissWithButtonIndex(ui::AlertView&, int index) override {
        log << QString("will %1").arg(index);
    }
    void didDismissWithButtonIndex(ui::AlertView& alert, int index) override {
        log << QString("did %1").arg(index);
        shownWhenDismissed = alert.isVisible();
    }
    void didPresentAlertView(ui::AlertView&) override { log << "presented"; }
    void clickedButtonAtIndex(ui::ActionSheet&, int index) override {
        log << QString("sheet click %1").arg(index);
    }
    void didDismissWithButtonIndex(ui::ActionSheet&, int index) override {
        log << QString("sheet did %1").arg(index);
    }

    std::string take() { return std::exchange(log, {}).join(", ").toStdString(); }
    QStringList log;
    bool shownWhenDismissed = true;
};

class AlertsTest : public UIKitTest {
protected:
    void SetUp() override {
        UIKitTest::SetUp();
        window_ = std::make_shared<ui::Window>();
        window_->makeKeyAndVisible();
        window_->setRootViewController(std::make_shared<ui::ViewController>());
        driver_ = std::make_unique<ui::TestDriver>(window_);
        alerts_ = std::make_unique<ui::AlertTestDriver>(*driver_);
    }

    std::shared_ptr<ui::Window> window_;
    std::unique_ptr<ui::TestDriver> driver_;
    std::unique_ptr<ui::AlertTestDriver> alerts_;
    std::shared_ptr<Recorder> recorder_ = std::make_shared<Recorder>();
};

TEST_F(AlertsTest, PressingAButtonTellsTheDelegateAndRemovesTheAlert) {
    std::weak_ptr<ui::AlertView> weak;
    {
        auto alert = std::make_shared<ui::AlertView>("提示", "您的登陆已失效，请重新登录！",
                                                     recorder_, "取消", QStringList{"确定"});
        EXPECT_EQ(alert->cancelButtonIndex(), 0);
        EXPECT_EQ(alert->firstOtherButtonIndex(), 1);
        alert->setTag(12);
        alert->show();
        weak = alert;
    }
    ASSERT_FALSE(weak.expired()) << "the window holds a shown alert";
    clock().advance(200ms);
    EXPECT_EQ(recorder_->take(), "presented");
    EXPECT_NE(driver_->findByText("您的登陆已失效，请重新登录！"), nullptr);
    EXPECT_EQ(alerts_->visibleAlert()->tag(), 12);

    EXPECT_TRUE(alerts_->pressButton("确定"));
    EXPECT_EQ(recorder_->take(), "click 1, will 1, did 1");
    EXPECT_FALSE(recorder_->shownWhenDismissed);
    EXPECT_TRUE(weak.expired()) << "removed from the window and released";
    EXPECT_EQ(alerts_->topOverlay(), nullptr);
    EXPECT_FALSE(alerts_->pressButton("确定"));
}

TEST_F(AlertsTest, ProgrammaticDismissSkipsTheClickAndNeverRunsTwice) {
    auto alert = std::make_shared<ui::AlertView>("", "正在加载", recorder_);
    alert->addButtonWithTitle("好");
    alert->show();
    alert->dismissWithClickedButtonIndex(0, true);
    alert->dismissWithClickedButtonIndex(0, true);
    EXPECT_FALSE(alert->pressButtonAtIndex(0)) << "no presses while it fades";
    EXPECT_EQ(recorder_->take(), "will 0");
    clock().advance(200ms);
    EXPECT_EQ(recorder_->take(), "did 0");
    EXPECT_EQ(alert->superview(), nullptr);
    alert->dismissWithClickedButtonIndex(0, false);  // no longer shown: nothing
    EXPECT_EQ(recorder_->take(), "");
}

TEST_F(AlertsTest, AlertsStayAboveLaterScreensAndStackOverEachOther) {
    auto first = std::make_shared<ui::AlertView>("一", "", recorder_, "好");
    auto second = std::make_shared<ui::AlertView>("二", "", recorder_, "好");
    first->show();
    window_->rootViewController()->presentViewController(std::make_shared<ui::ViewController>(),
                                                         false);
    EXPECT_EQ(window_->subviews().back(), first) << "a screen presented later goes below";
    second->show();
    EXPECT_TRUE(first->isHidden());
    EXPECT_EQ(driver_->findByText("一"), nullptr);
    EXPECT_TRUE(alerts_->pressButton("好"));
    EXPECT_EQ(second->superview(), nullptr);
    EXPECT_FALSE(first->isHidden()) << "the older alert shows again";
    EXPECT_EQ(alerts_->visibleAlert(), first.get());
}

TEST_F(AlertsTest, ACallShowsTheNumberOnASheetThatEitherButtonCloses) {
    auto& application = ui::Application::sharedApplication();
    ui::Application::reset();
    EXPECT_TRUE(application.openURL(QUrl("tel://13912345678")));
    ASSERT_NE(alerts_->visibleAlert(), nullptr);
    EXPECT_EQ(alerts_->visibleAlert()->title(), "13912345678");
    EXPECT_EQ(alerts_->visibleAlert()->buttonTitleAtIndex(0), "取消");
    EXPECT_EQ(alerts_->visibleAlert()->buttonTitleAtIndex(1), "呼叫");
    EXPECT_TRUE(alerts_->pressButton("取消"));
    EXPECT_EQ(alerts_->topOverlay(), nullptr);

    // A web view handed a call (as the screens place theirs) shows the same sheet.
    auto web = std::make_shared<ui::WebView>();
    web->loadRequest(ns::URLRequest(QUrl("tel:021-5555 6666")));
    ASSERT_NE(alerts_->visibleAlert(), nullptr);
    EXPECT_EQ(alerts_->visibleAlert()->title(), "021-5555 6666");
    EXPECT_TRUE(alerts_->pressButton("呼叫"));
    EXPECT_EQ(alerts_->topOverlay(), nullptr);

    // Other addresses, and any address a handler takes, show nothing.
    EXPECT_TRUE(application.openURL(QUrl("http://example.org/")));
    application.setOpenURLHandler([](const QUrl&) { return true; });
    EXPECT_TRUE(application.openURL(QUrl("tel://10086")));
    EXPECT_EQ(alerts_->topOverlay(), nullptr);
    EXPECT_EQ(application.openedURLs().size(), 4u);
    ui::Application::reset();
}

TEST_F(AlertsTest, ActionSheetOrdersDestructiveOthersAndCancel) {
    auto sheet = std::make_shared<ui::ActionSheet>("选择图片", recorder_, "取消", "删除",
                                                   QStringList{"拍照", "从相册选择"});
    EXPECT_EQ(sheet->destructiveButtonIndex(), 0);
    EXPECT_EQ(sheet->firstOtherButtonIndex(), 1);
    EXPECT_EQ(sheet->cancelButtonIndex(), 3);
    sheet->showInView(window_->rootViewController()->view().get());
    clock().advance(200ms);
    // The cancel button sits in its own box at the bottom of the screen.
    ui::Button* cancel = sheet->buttonAtIndex(3);
    ASSERT_NE(cancel, nullptr);
    const ui::Rect inWindow = cancel->convertRectToView(cancel->bounds(), nullptr);
    EXPECT_EQ(inWindow.maxY(), 480 - ui::ActionSheet::kMargin);
    EXPECT_TRUE(alerts_->pressButton("从相册选择"));
    EXPECT_EQ(recorder_->take(), "sheet click 2, sheet did 2");
    EXPECT_EQ(alerts_->visibleSheet(), nullptr);
}

}  // namespace
