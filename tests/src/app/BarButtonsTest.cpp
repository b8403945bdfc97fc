// The bar buttons of the screens that the chat, the housing needs, the housing lists, the shop
// map, the news list and the city chooser build, as the launched app shows them on its own
// bar: the image back button or the "取消" text button of the app's look (never a plain title
// item in the platform's colour), and a tap on it leaves the screen the way the screen leaves.
#include "AppShellFixture.h"

#include "account/QXHouseNewsViewController.h"
#include "app/QXTabBarController.h"
#include "app/ShopMapEntry.h"
#include "app/home/QXMainViewController.h"
#include "chat/QXInputTelPhoneNumberViewController.h"
#include "chat/QXMessageController.h"
#include "houses/HousesNavigation.h"
#include "houses/list/DistrictSelect1.h"
#include "houses/list/FilterMainViewControl.h"
#include "houses/list/FilterSelectList.h"
#include "houses/query/tovikFilters2.h"
#include "houses/shared/HousesHost.h"
#include "map/QXMapViewController.h"
#include "needs/DistrictSelect.h"
#include "needs/QXFBAgentAddress.h"
#include "needs/QXMessageValidationController.h"
#include "needs/QXPublishHouseInfoViewController.h"
#include "needs/QXTempTableViewController.h"
#include "needs/StreetSelect.h"
#include "platform/uikit/alert_test_driver.h"
#include "platform/uikit/button.h"
#include "platform/uikit/navigation_bar.h"
#include "platform/uikit/navigation_controller.h"
#include "ui/navigation/UIViewController+Navigation.h"
#include "ui/widgets/TovikModalViewController.h"

#include <functional>

namespace {

enum class BarButton { Back, Cancel };

enum class Opening {
    // Pushed onto the home tab's stack above a plain screen.
    Pushed,
    // The root of a stack of the app's in the sheet that rises from the bottom.
    InSheet,
    // The city chooser as the home screen's city button presents it.
    CityChooser,
};

struct ScreenCase {
    const char* name;
    BarButton button;
    Opening opening;
    std::function<std::shared_ptr<ui::ViewController>()> make;
    // The button of the alert the screen asks before it goes, if it asks.
    QString confirm;
};

std::shared_ptr<ui::ViewController> districtChooser(bool isCancel) {
    auto chooser = std::make_shared<DistrictSelect1>(std::make_shared<QVariantMap>());
    chooser->setIsCancel(isCancel);
    return chooser;
}

const std::vector<ScreenCase>& screenCases() {
    static const std::vector<ScreenCase> cases = {
        {"chat", BarButton::Back, Opening::Pushed,
         [] {
             return std::make_shared<QXMessageController>(
                 QVariantMap{{"t_id", "880001-1"},
                             {"u_id", "1"},
                             {"o_user", R"({"id":"880001","name":"王先生"})"}});
         }},
        {"deal-record phone", BarButton::Back, Opening::Pushed,
         [] { return std::make_shared<QXInputTelPhoneNumberViewController>(); }},
        {"need form", BarButton::Back, Opening::Pushed,
         [] {
             auto form = std::make_shared<QXPublishHouseInfoViewController>();
             form->qxInfoModel().publishInfoRentOrBuyString = QStringLiteral("1");
             return form;
         }},
        {"map point picker", BarButton::Back, Opening::Pushed,
         [] { return std::make_shared<QXFBAgentAddress>(); }},
        {"need street list", BarButton::Back, Opening::Pushed,
         [] { return std::make_shared<StreetSelect>(); }},
        {"need district chooser", BarButton::Cancel, Opening::InSheet,
         [] { return std::make_shared<DistrictSelect>(); }},
        {"need price list", BarButton::Cancel, Opening::InSheet,
         [] { return std::make_shared<QXTempTableViewController>(); }},
        {"SMS validation", BarButton::Cancel, Opening::Pushed,
         [] { return std::make_shared<QXMessageValidationController>(); }, "放弃"},
        {"filter screen", BarButton::Back, Opening::Pushed,
         [] { return std::make_shared<FilterMainViewControl>(std::make_shared<tovikFilters2>()); }},
        {"filter value list", BarButton::Cancel, Opening::InSheet,
         [] {
             return std::make_shared<FilterSelectList>(
                 std::make_shared<QVariantMap>(QVariantMap{{"n", "租金"}}));
         }},
        {"filter district chooser", BarButton::Back, Opening::Pushed,
         [] { return districtChooser(false); }},
        {"filter district chooser with cancel", BarButton::Cancel, Opening::InSheet,
         [] { return districtChooser(true); }},
        {"filter street list", BarButton::Back, Opening::Pushed,
         [] { return std::make_shared<StreetSelect1>(std::make_shared<QVariantMap>()); }},
        {"city chooser", BarButton::Cancel, Opening::CityChooser, {}},
        {"rent list", BarButton::Back, Opening::Pushed,
         [] { return HousesNavigation::postList(7, 1, QString()); }},
        {"shared-rent list", BarButton::Back, Opening::Pushed,
         [] { return HousesNavigation::postList(7, 3, QString()); }},
        {"second-hand list", BarButton::Back, Opening::Pushed,
         [] { return HousesNavigation::postList(7, 5, QString()); }},
        {"shop map", BarButton::Back, Opening::Pushed,
         [] { return ShopMapEntry::makeScreen(QXAppDelegate::sharedAppDelegate()); }},
        {"news list", BarButton::Back, Opening::Pushed,
         [] { return std::make_shared<QXHouseNewsViewController>(); }},
    };
    return cases;
}

class BarButtonsTest : public AppShellFixture {
protected:
    [[nodiscard]] ui::NavigationController& homeStack() {
        return static_cast<ui::NavigationController&>(
            *app().tabBarController()->viewControllers().at(0));
    }

    // The app's button of `kind` on the bar of `stack`, or nullptr.
    [[nodiscard]] ui::Button* barButton(ui::NavigationController& stack, BarButton kind) {
        ui::NavigationBar* bar = stack.navigationBar();
        if (kind == BarButton::Back) {
            return dynamic_cast<ui::Button*>(
                bar->viewWithTag(UIViewControllerNavigation::kBackButtonTag));
        }
        // The app's text button draws its picture behind the title; a plain item has none.
        return driver().find<ui::Button>([&](ui::Button& button) {
            return button.isDescendantOfView(bar) &&
                   button.titleForState(ui::kControlStateNormal) == QStringLiteral("取消") &&
                   button.backgroundImageForState(ui::kControlStateNormal);
        });
    }

    // Opens the screen of `screenCase`; the stack whose bar shows its buttons.
    std::shared_ptr<ui::NavigationController> open(const ScreenCase& screenCase,
                                                   std::shared_ptr<ui::ViewController>& screen) {
        switch (screenCase.opening) {
            case Opening::Pushed:
                screen = screenCase.make();
                homeStack().pushViewController(screen, false);
                return std::static_pointer_cast<ui::NavigationController>(
                    app().tabBarController()->viewControllers().at(0));
            case Opening::InSheet: {
                screen = screenCase.make();
                auto stack = HousesHost::shared()->makeNavigationController(screen);
                sheet_ = TovikModalViewController::initWithRootViewController(
                    stack, app().window()->rootViewController());
                sheet_->presentRootViewControllerWithPresentationStyle(1, [] {});
                return stack;
            }
            case Opening::CityChooser: {
                auto& home =
                    static_cast<QXMainViewController&>(*homeStack().viewControllers().at(0));
                home.selectCity();
                auto stack = std::dynamic_pointer_cast<ui::NavigationController>(
                    app().tabBarController()->presentedViewController());
                if (stack) screen = stack->viewControllers().at(0);
                return stack;
            }
        }
        return nullptr;
    }

    // Lets the transitions end and lays the window out, bars and all.
    void settle() {
        driver().wait(1);
        app().window()->layoutIfNeeded();
    }

    std::shared_ptr<ModalSheetViewController> sheet_;
};

TEST_F(BarButtonsTest, ScreensShowTheAppsBackOrCancelButtonWhoseTapLeavesThem) {
    launchAfterGuide();
    ui::AlertTestDriver alerts(driver());
    auto base = plainScreen(QStringLiteral("基础"));
    homeStack().pushViewController(base, false);
    settle();

    for (const ScreenCase& screenCase : screenCases()) {
        SCOPED_TRACE(screenCase.name);
        std::shared_ptr<ui::ViewController> screen;
        const auto stack = open(screenCase, screen);
        ASSERT_NE(stack, nullptr);
        ASSERT_NE(screen, nullptr);
        settle();
        ASSERT_NE(screen->view()->window(), nullptr) << "the screen shows";

        ui::Button* button = barButton(*stack, screenCase.button);
        if (!button) {
            ADD_FAILURE() << "no button of the app's look on the bar";
        } else {
            if (screenCase.button == BarButton::Back) {
                EXPECT_EQ(button->frame().size, ui::Size(48, 32));
                EXPECT_NE(button->imageForState(ui::kControlStateNormal), nullptr);
            } else {
                EXPECT_TRUE(button->titleColorForState(ui::kControlStateNormal) ==
                            ui::Color::whiteColor())
                    << "a white title";
            }
            EXPECT_TRUE(driver().tap(button));
            settle();
            if (!screenCase.confirm.isEmpty()) {
                EXPECT_TRUE(alerts.pressButton(screenCase.confirm));
                settle();
            }
            EXPECT_EQ(screen->view()->window(), nullptr) << "the tap leaves the screen";
            if (screenCase.opening == Opening::Pushed) {
                EXPECT_EQ(homeStack().topViewController().get(), base.get()) << "popped back";
            }
        }
        // A screen that stayed is closed, so that the next one opens over the plain screen.
        if (screen->view()->window()) {
            (void)homeStack().popToViewController(base, false);
            if (app().tabBarController()->presentedViewController())
                app().tabBarController()->dismissViewControllerAnimated(false);
            if (sheet_) sheet_->dismissRootViewControllerWithcompletion([] {});
            settle();
        }
        sheet_.reset();
    }
}

}  // namespace
