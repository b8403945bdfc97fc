#include "AppShellFixture.h"

#include "analytics/StatClick.h"
#include "platform/uikit/alert_test_driver.h"
#include "platform/uikit/alert_view.h"

namespace {

QVariantMap optionalUpdate(const QString& version, const QString& description = {}) {
    return {{"Status", 1},
            {"Version", version},
            {"Description", description},
            {"Url", "http://example.test/new"}};
}

class VersionCheckReplyTest : public AppShellFixture {
protected:
    void SetUp() override {
        AppShellFixture::SetUp();
        launch();
        alerts_ = std::make_unique<ui::AlertTestDriver>(driver());
    }
    void TearDown() override {
        alerts_.reset();
        AppShellFixture::TearDown();
    }

    [[nodiscard]] ui::AlertView* alert() const { return alerts_->visibleAlert(); }
    void dismiss(const QString& button) {
        ASSERT_TRUE(alerts_->pressButton(button));
        ASSERT_EQ(alert(), nullptr);
    }
    [[nodiscard]] QStringList events() const {
        QStringList ids;
        for (const QVariant& record : StatClick::records())
            ids << record.toMap().value("id").toString();
        return ids;
    }

    std::unique_ptr<ui::AlertTestDriver> alerts_;
};

TEST_F(VersionCheckReplyTest, AForcedUpdateShowsAtEveryLaunchAndBothButtonsEndTheProcess) {
    const QByteArray forced =
        R"({"Status":2,"Url":"http://example.test/app","capichaUrl":"http://c"})";
    server().setFault({.prefix = "/datashare/", .body = forced});
    for (const QString button : {"确定", "取消"}) {
        launch();
        alerts_ = std::make_unique<ui::AlertTestDriver>(driver());
        ASSERT_TRUE(runMainLoopUntil([&] { return alert() != nullptr; }));
        EXPECT_EQ(alert()->title(), QStringLiteral("升级提示"));
        EXPECT_EQ(alert()->tag(), QXAppDelegate::kForcedUpdateTag);
        EXPECT_EQ(defaults().stringForKey("capichaUrl"), "http://c");
        dismiss(button);
        EXPECT_EQ(exitCode(), 0);
    }
    // Only "确定" opened the link and recorded the agreement.
    EXPECT_EQ(ui::Application::sharedApplication().openedURLs().size(), 0u);
    EXPECT_EQ(events().count("Agreed to obligedforcibly update"), 1);
}

TEST_F(VersionCheckReplyTest, ConfirmingTheForcedUpdateOpensTheLinkBeforeEnding) {
    app().handleVersionReply(QVariantMap{{"Status", 2}, {"Url", "http://example.test/app"}});
    dismiss(QStringLiteral("确定"));
    ASSERT_EQ(ui::Application::sharedApplication().openedURLs().size(), 1u);
    EXPECT_EQ(ui::Application::sharedApplication().openedURLs().front(),
              QUrl("http://example.test/app"));
    EXPECT_EQ(exitCode(), 0);
}

TEST_F(VersionCheckReplyTest, AnOptionalUpdateShowsOnceThenNotWithinSevenDays) {
    app().handleVersionReply(optionalUpdate("2.4.0", "更快"));
    ASSERT_NE(alert(), nullptr);
    EXPECT_EQ(alert()->message(),
              QStringLiteral("发现TovikNevoru找房最新版本2.4.0\n版本描述:\n更快"));
    EXPECT_EQ(alert()->tag(), QXAppDelegate::kOptionalUpdateTag);
    EXPECT_EQ(defaults().integerForKey("NewVersionPrompt"), 1);
    dismiss(QStringLiteral("忽略"));
    EXPECT_EQ(events().count("Do not update"), 1);

    // Exactly seven days after the offer (the alert's fade took a moment of them).
    const double shownAt = defaults().doubleForKey("lastIphoneDate");
    clock().advance(ns::seconds(shownAt + 604800 - ns::Clock::shared().timeIntervalSince1970()));
    app().handleVersionReply(optionalUpdate("2.4.0"));
    EXPECT_EQ(alert(), nullptr);

    clock().advance(ns::seconds(1));
    app().handleVersionReply(optionalUpdate("2.4.0"));
    ASSERT_NE(alert(), nullptr);
    EXPECT_EQ(alert()->message(), QStringLiteral("发现TovikNevoru找房最新版本2.4.0"));
    EXPECT_EQ(defaults().integerForKey("NewVersionPrompt"), 2);
}

TEST_F(VersionCheckReplyTest, AnOptionalUpdateAtLaunchIsOfferedOnceAWeekAcrossLaunches) {
    server().setFault({.prefix = "/datashare/",
                       .body = R"({"Status":1,"Version":"2.4.0","Url":"http://example.test/n"})"});
    const auto relaunchAndHear = [&] {
        launch();
        alerts_ = std::make_unique<ui::AlertTestDriver>(driver());
        ASSERT_TRUE(runMainLoopUntil(
            [&] { return app().checkVersionData().toMap().value("Status").toInt() == 1; }));
    };
    relaunchAndHear();
    ASSERT_NE(alert(), nullptr);
    EXPECT_EQ(alert()->tag(), QXAppDelegate::kOptionalUpdateTag);
    dismiss(QStringLiteral("忽略"));

    // The next launch, a day later, hears the same offer and shows nothing.
    clock().advance(ns::seconds(86400));
    relaunchAndHear();
    EXPECT_EQ(alert(), nullptr);
    EXPECT_EQ(defaults().integerForKey("NewVersionPrompt"), 1);

    // A launch more than seven days after the offer shows it again.
    clock().advance(ns::seconds(604800 - 86400 + 1));
    relaunchAndHear();
    ASSERT_NE(alert(), nullptr);
    EXPECT_EQ(defaults().integerForKey("NewVersionPrompt"), 2);
    EXPECT_EQ(events().count("Do not update"), 1);
}

TEST_F(VersionCheckReplyTest, ANewerVersionStartsThePromptCountAgain) {
    defaults().setObject("2.4.0", "NewVersionStr");
    defaults().setInteger(5, "NewVersionPrompt");
    app().handleVersionReply(optionalUpdate("2.10.0"));
    EXPECT_EQ(defaults().integerForKey("NewVersionPrompt"), 1);
    EXPECT_EQ(defaults().stringForKey("NewVersionStr"), "2.10.0");
}

TEST_F(VersionCheckReplyTest, UpgradingNowOpensTheLinkAndGoesOn) {
    app().handleVersionReply(optionalUpdate("2.4.0"));
    dismiss(QStringLiteral("立即升级"));
    EXPECT_EQ(events().count("Agreed to update"), 1);
    clock().advance(ns::seconds(0.2));
    ASSERT_EQ(ui::Application::sharedApplication().openedURLs().size(), 1u);
    EXPECT_FALSE(exitCode());
}

TEST_F(VersionCheckReplyTest, RepliesThatOfferNothingShowNothing) {
    app().handleVersionReply(QVariantList{1, 2});
    EXPECT_EQ(app().checkVersionData(), QVariant(QVariantList{1, 2}));
    app().handleVersionReply(QVariantMap{{"Status", 0}, {"capichaUrl", "http://c2"}});
    app().handleVersionReply(QVariant());
    EXPECT_EQ(alert(), nullptr);
    EXPECT_EQ(defaults().stringForKey("capichaUrl"), "http://c2");
    // A forced update without a link opens nothing.
    app().handleVersionReply(QVariantMap{{"Status", 2}});
    dismiss(QStringLiteral("确定"));
    EXPECT_TRUE(ui::Application::sharedApplication().openedURLs().empty());
}

}  // namespace
