#pragma once

#include "IMChat/qximlib/QXIMService.h"
#include "IMChat/qximlib/QXIMUser.h"
#include "account/QXUserInfo.h"
#include "app/QXAppDelegate.h"
#include "app/QXAppState.h"
#include "app/QXTabBarController.h"
#include "app/QXUIViewController.h"
#include "app/statistics/Statistics.h"
#include "location/LocationManager.h"
#include "net/QXNetContext.h"
#include "platform/foundation/user_defaults.h"
#include "platform/uikit/application.h"
#include "platform/uikit/navigation_item.h"
#include "platform/uikit/test_driver.h"
#include "platform/uikit/window.h"

#include "StandinFixture.h"

#include <memory>
#include <optional>

// A plain screen of the app, titled, for a stack that needs one more screen.
inline std::shared_ptr<QXUIViewController> plainScreen(const QString& title) {
    auto screen = std::make_shared<QXUIViewController>();
    screen->setTitle(title);
    return screen;
}

// The app launched as the program launches it, on the test's own sandbox and stand-in
// server. The process-wide objects (the application, the delegate, the application state,
// the statistics buffer, the location manager) start afresh for every launch.
class AppShellFixture : public StandinFixture {
protected:
    void SetUp() override {
        StandinFixture::SetUp();
        forgetProcessState();
        QXAppDelegate::setProcessExit([this](int code) { exitCode_ = code; });
    }

    void TearDown() override {
        // The tab shell lets its screens go: one kept alive past its launch (a first launch's
        // city chooser keeps the shell) would still answer the next launch's activation.
        if (ui::Application::sharedApplication().hasLaunched()) {
            if (const auto tabs = QXAppDelegate::sharedAppDelegate().tabBarController()) {
                tabs->setViewControllers({});
            }
        }
        ui::Application::sharedApplication().terminate();
        driver_.reset();
        forgetProcessState();
        QXNetContext::install(nullptr);
        ui::NavigationItem::setItemsRule({});
        QXAppDelegate::setProcessExit({});
        StandinFixture::TearDown();
    }

    // Launches the app (again, as a new process would, on the same sandbox), with the
    // launch options a tapped push would give.
    void launch(const QVariantMap& options = {}) {
        if (ui::Application::sharedApplication().hasLaunched()) {
            ui::Application::sharedApplication().terminate();
            driver_.reset();
            ns::UserDefaults::standardUserDefaults().synchronize();
            forgetProcessState();
        }
        ui::Application::sharedApplication().setDelegate(QXAppDelegate::sharedPointer());
        ui::Application::sharedApplication().launch(options);
        driver_ = std::make_unique<ui::TestDriver>(QXAppDelegate::sharedAppDelegate().window());
    }

    // A city of the shipped city tree, stored as chosen before the launch.
    static constexpr int kCity = 601;
    void presetCity() { defaults().setInteger(kCity + 1, QStringLiteral("cityId")); }

    // Launches as after an earlier launch of this version, whose guide was seen and whose
    // city was chosen.
    void launchAfterGuide() {
        defaults().setObject(QStringLiteral("2.3.0"), QStringLiteral("lastVersion"));
        defaults().setBool(true, QStringLiteral("guideShown"));
        presetCity();
        launch();
    }

    [[nodiscard]] QXAppDelegate& app() { return QXAppDelegate::sharedAppDelegate(); }
    [[nodiscard]] ui::TestDriver& driver() { return *driver_; }
    [[nodiscard]] ns::UserDefaults& defaults() { return ns::UserDefaults::standardUserDefaults(); }
    [[nodiscard]] std::optional<int> exitCode() const { return exitCode_; }

    // The requests of one data-share interface the server received, oldest first.
    [[nodiscard]] std::vector<standin::RecordedRequest> calls(const QByteArray& interface) {
        std::vector<standin::RecordedRequest> found;
        for (auto& request : server().requests()) {
            if (request.header("interface") == interface) found.push_back(std::move(request));
        }
        return found;
    }

private:
    static void forgetProcessState() {
        QXIMService::forceRelease();
        ui::Application::reset();
        QXAppDelegate::resetShared();
        Statistics::resetInstance();
        LocationManager::forceRelease();
        auto state = QXAppState::shared();
        state->setUserId(QString());
        state->setCurrentCityScript_index(-1);
        state->setCurrentCityId(0);
        state->setConnectionReachabil(false);
        state->userInfo()->removeMemoryLogonInfo();
        QXIMUser::shared().setUserKey(QString());
        QXIMUser::shared().setUserId(0);
        QXIMUser::shared().setToken(std::nullopt);
    }

    std::unique_ptr<ui::TestDriver> driver_;
    std::optional<int> exitCode_;
};
