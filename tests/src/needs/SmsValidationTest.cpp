// The SMS validation: the device's limit of code requests, the countdown on the clock, the
// typing rules, the server's refusals and sending through the delegate.
#include "NeedFormFixture.h"

#include "platform/uikit/keyboard.h"
#include "platform/uikit/navigation_bar.h"

#include <cmath>

namespace {

class RecordingValidationDelegate : public QXMessageValidationProtocol {
public:
    void messageValidation(QXMessageValidationController&, const QString& mobile,
                           const QString& captcha) override {
        sent << mobile + "/" + captcha;
    }
    QStringList sent;
};

class SmsValidationTest : public NeedFormFixture {
protected:
    void SetUp() override {
        NeedFormFixture::SetUp();
        delegate_ = std::make_shared<RecordingValidationDelegate>();
        screen_ = std::make_shared<QXMessageValidationController>();
        screen_->setDelegate(delegate_);
        navigation_->pushViewController(screen_, false);
        settle();
    }
    void TearDown() override {
        screen_.reset();
        NeedFormFixture::TearDown();
    }

    [[nodiscard]] qint64 now() { return qint64(std::floor(clock().timeIntervalSince1970())); }
    void storeRequestTimes(const QList<qint64>& agesInSeconds) {
        QVariantList times;
        for (const qint64 age : agesInSeconds) times << now() - age;
        ns::UserDefaults::standardUserDefaults().setObject(
            times, QXMessageValidationController::kRequestTimesKey);
    }
    [[nodiscard]] QVariantList requestTimes() {
        return ns::UserDefaults::standardUserDefaults().arrayForKey(
            QXMessageValidationController::kRequestTimesKey);
    }
    void typeMobile(const QString& number) {
        ASSERT_TRUE(driver_->tap(screen_->mobileTextField()));
        ASSERT_TRUE(driver_->type(number));
    }
    std::vector<standin::RecordedRequest> codeRequests() {
        return server().requests("/users/UserPhoneAuth");
    }
    [[nodiscard]] QString captchaTitle() { return screen_->getCaptchaButton()->currentTitle(); }
    // The countdown is over: the button asks for a code again, and the next one starts at 300.
    void expectCountdownEnded() {
        EXPECT_EQ(captchaTitle(), "获取验证码");
        EXPECT_TRUE(screen_->getCaptchaButton()->isEnabled());
        EXPECT_FALSE(screen_->isCountingDown());
        EXPECT_EQ(QXMessageValidationController::remainingSeconds(), 300);
    }
    // Asks for a code and waits for the server's answer.
    void askForCode() {
        const auto before = codeRequests().size();
        ASSERT_TRUE(driver_->tap(screen_->getCaptchaButton()));
        ASSERT_TRUE(settleUntil(
            [&] {
                return codeRequests().size() > before && screen_->getCaptchaButton() &&
                       (alerts_->visibleAlert() ||
                        driver_->findByText(QStringLiteral("验证码获取失败，请重试")) ||
                        screen_->getCaptchaButton()->isEnabled());
            },
            0.1));
    }

    std::shared_ptr<RecordingValidationDelegate> delegate_;
    std::shared_ptr<QXMessageValidationController> screen_;
};

TEST_F(SmsValidationTest, TypingKeepsTheNumberToElevenAndTheCodeEnablesSending) {
    EXPECT_EQ(screen_->title(), QStringLiteral("验证并发送"));
    EXPECT_FALSE(screen_->getCaptchaButton()->isEnabled());
    EXPECT_FALSE(screen_->sendButton()->isEnabled());
    typeMobile(QStringLiteral("1381234567"));
    EXPECT_FALSE(screen_->getCaptchaButton()->isEnabled());
    EXPECT_LT(screen_->getCaptchaButton()->alpha(), 1.0) << "and looks it";
    ASSERT_TRUE(driver_->type(QStringLiteral("8")));
    EXPECT_TRUE(screen_->getCaptchaButton()->isEnabled());
    EXPECT_EQ(screen_->getCaptchaButton()->alpha(), 1.0);
    driver_->type(QStringLiteral("9"));
    EXPECT_EQ(screen_->mobileTextField()->text(), "13812345678") << "a twelfth digit is refused";

    ASSERT_TRUE(driver_->tap(screen_->captchaTextField()));
    ASSERT_TRUE(driver_->type(QStringLiteral("1")));
    EXPECT_FALSE(screen_->sendButton()->isEnabled());
    ASSERT_TRUE(driver_->type(QStringLiteral("2")));
    EXPECT_TRUE(screen_->sendButton()->isEnabled());
    EXPECT_FALSE(screen_->mobileTextField()->canPerformAction(QStringLiteral("paste:")));
}

// The number pad would cover the send button: the form moves up while it shows, never taking
// the intro under the bar, and a tap beside the fields puts it away.
TEST_F(SmsValidationTest, TheKeyboardLeavesTheSendButtonInSightAndATapBesideTheFieldsCloses) {
    const auto inWindow = [](const ui::View& view) {
        return view.convertRectToView(view.bounds(), nullptr);
    };
    const auto sendButtonBottom = [&] { return inWindow(*screen_->sendButton()).maxY(); };
    const double barBottom = inWindow(*navigation_->navigationBar()).maxY();
    const double resting = sendButtonBottom();
    ASSERT_TRUE(driver_->tap(screen_->captchaTextField()));
    settle(0.5);
    ASSERT_TRUE(ui::Keyboard::shared().isVisible());
    EXPECT_LE(sendButtonBottom(), ui::Keyboard::shared().frame().origin.y);
    EXPECT_GE(inWindow(*screen_->introLabel()).origin.y,
              barBottom + QXMessageValidationController::kIntroMargin);
    // An input method's candidates make the keyboard taller: the intro still stays whole.
    ui::Keyboard::shared().setHeight(ui::Keyboard::kHeight + 36);
    settle(0.5);
    EXPECT_GE(inWindow(*screen_->introLabel()).origin.y,
              barBottom + QXMessageValidationController::kIntroMargin);
    ui::Keyboard::shared().setHeight(ui::Keyboard::kHeight);
    settle(0.5);

    // Between the code field and the send button.
    const ui::Rect code = screen_->captchaTextField()->frame();
    const ui::Point beside = screen_->formView()->convertPointToView(
        {code.origin.x + code.size.width / 2, code.maxY() + 6}, nullptr);
    driver_->tapAt(beside);
    settle(0.5);
    EXPECT_FALSE(screen_->captchaTextField()->isFirstResponder());
    EXPECT_FALSE(ui::Keyboard::shared().isVisible());
    EXPECT_DOUBLE_EQ(sendButtonBottom(), resting);
}

TEST_F(SmsValidationTest, FiveRequestsInADayAreTheLimitCountingOnlyTheLast86400Seconds) {
    // 86401 seconds old is gone, 86400 still counts: five in the day refuse a sixth.
    storeRequestTimes({86401, 86400, 40, 30, 20, 10});
    const QVariantList stored = requestTimes();
    typeMobile(QStringLiteral("13812345678"));
    ASSERT_TRUE(driver_->tap(screen_->getCaptchaButton()));
    settle(0.3);
    EXPECT_NE(driver_->findByText("验证码获取次数达到上限, 请24小时后重试"), nullptr);
    EXPECT_TRUE(codeRequests().empty());
    EXPECT_EQ(requestTimes(), stored) << "a refused request changes nothing";

    // Four in the day allow one more, which the list then keeps in place of the old ones.
    clock().advance(2s);
    const qint64 storedAt = now();
    storeRequestTimes({25 * 3600, 4 * 3600, 3 * 3600, 2 * 3600, 60});
    askForCode();
    ASSERT_NE(alerts_->visibleAlert(), nullptr);
    EXPECT_EQ(alerts_->visibleAlert()->message(),
              QStringLiteral("验证码已发送，300秒后未收到请重试"));
    const QVariantList kept = requestTimes();
    ASSERT_EQ(kept.size(), 5);
    EXPECT_EQ(kept.front().toLongLong(), storedAt - 4 * 3600);
    // The time of the answer, which came while the test waited on the clock.
    EXPECT_GE(kept.back().toLongLong(), storedAt);
    EXPECT_LE(kept.back().toLongLong(), now());
    const QByteArray query = codeRequests().front().query;
    EXPECT_EQ(query, "phone=13812345678&method=GetCode&getCodeType=2");
    EXPECT_EQ(codeRequests().front().header("interface"), "UserPhoneAuth");
}

TEST_F(SmsValidationTest, TheCountdownRunsFrom300To1AndGivesTheButtonBackOnTheNextTick) {
    typeMobile(QStringLiteral("13812345678"));
    askForCode();
    ASSERT_TRUE(alerts_->pressButton(QStringLiteral("确定")));
    EXPECT_TRUE(screen_->isCountingDown());
    EXPECT_FALSE(screen_->getCaptchaButton()->isEnabled());
    clock().advance(1s);
    EXPECT_EQ(captchaTitle(), QStringLiteral("(300)重新获取"));
    clock().advance(299s);
    EXPECT_EQ(captchaTitle(), QStringLiteral("(1)重新获取"));
    EXPECT_FALSE(screen_->getCaptchaButton()->isEnabled());
    // Typing during the countdown does not give the button back.
    ASSERT_TRUE(driver_->tap(screen_->mobileTextField()));
    driver_->pressBackspace();
    driver_->type(QStringLiteral("8"));
    EXPECT_FALSE(screen_->getCaptchaButton()->isEnabled());
    clock().advance(1s);
    expectCountdownEnded();
}

// Beneath another screen (the replies a published need opens) the countdown runs nothing on
// the clock; shown again, it says the seconds that passed meanwhile and ticks on in step.
TEST_F(SmsValidationTest, TheCountdownRunsNothingBeneathAnotherScreenAndCatchesUpOnReturn) {
    typeMobile(QStringLiteral("13812345678"));
    askForCode();
    ASSERT_TRUE(alerts_->pressButton(QStringLiteral("确定")));
    clock().advance(10s);
    ASSERT_EQ(captchaTitle(), QStringLiteral("(291)重新获取"));
    navigation_->pushViewController(std::make_shared<ui::ViewController>(), false);
    settle(1);
    const std::uint64_t actions = clock().actionsRun();
    clock().advance(100s);
    EXPECT_EQ(clock().actionsRun(), actions) << "nothing ran while covered";
    EXPECT_EQ(captchaTitle(), QStringLiteral("(291)重新获取"));
    navigation_->popViewControllerAnimated(false);
    EXPECT_EQ(captchaTitle(), QStringLiteral("(190)重新获取"));
    EXPECT_TRUE(screen_->isCountingDown());
    clock().advance(1s);
    EXPECT_EQ(captchaTitle(), QStringLiteral("(189)重新获取"));

    // Covered past its end, it gives the button back as it shows again.
    navigation_->pushViewController(std::make_shared<ui::ViewController>(), false);
    clock().advance(200s);
    navigation_->popViewControllerAnimated(false);
    expectCountdownEnded();
}

// Shown again exactly on a tick, the countdown says that tick's count at once; shown again
// between two ticks, it ticks on at the next one, not a whole second after it shows.
TEST_F(SmsValidationTest, ShownAgainOnATickItCountsThatTickAndBetweenTicksItTicksOnAtTheNext) {
    typeMobile(QStringLiteral("13812345678"));
    // The answer is taken while the clock stands still: the ticks fall on whole seconds after
    // `started`.
    ASSERT_TRUE(driver_->tap(screen_->getCaptchaButton()));
    ASSERT_TRUE(runMainLoopUntil([&] {
        drainMainLoop();
        return alerts_->visibleAlert() != nullptr;
    }));
    const ns::Duration started = clock().uptime();
    ASSERT_TRUE(alerts_->pressButton(QStringLiteral("确定")));
    const auto coveredUntil = [&](ns::Duration shown) {
        navigation_->pushViewController(std::make_shared<ui::ViewController>(), false);
        drainMainLoop();
        const QString title = captchaTitle();
        clock().advance(started + shown - clock().uptime());
        EXPECT_EQ(captchaTitle(), title) << "no tick while covered";
        navigation_->popViewControllerAnimated(false);
    };

    coveredUntil(5s);
    EXPECT_EQ(captchaTitle(), QStringLiteral("(296)重新获取")) << "the ticks of 1 s to 5 s";
    clock().advance(1s);
    EXPECT_EQ(captchaTitle(), QStringLiteral("(295)重新获取"));

    coveredUntil(7400ms);
    EXPECT_EQ(captchaTitle(), QStringLiteral("(294)重新获取"));
    clock().advance(599ms);
    EXPECT_EQ(captchaTitle(), QStringLiteral("(294)重新获取"));
    clock().advance(1ms);
    EXPECT_EQ(captchaTitle(), QStringLiteral("(293)重新获取")) << "the tick of 8 s";
    clock().advance(1s);
    EXPECT_EQ(captchaTitle(), QStringLiteral("(292)重新获取"));
}

// The code's answer may come once another screen covers this one: its countdown starts held
// back, and counts from the answer once the screen shows again.
TEST_F(SmsValidationTest, ACountdownStartedBeneathAnotherScreenWaitsToBeShown) {
    typeMobile(QStringLiteral("13812345678"));
    server().setFault({.prefix = "/users/", .hold = true, .times = 1});
    ASSERT_TRUE(driver_->tap(screen_->getCaptchaButton()));
    ASSERT_TRUE(waitForRequests("/users/", 1));
    navigation_->pushViewController(std::make_shared<ui::ViewController>(), false);
    settle(1);
    ASSERT_TRUE(letHeldRepliesArrive());
    // The reply the server has written reaches the screen when it reaches it: the clock stands
    // still meanwhile.
    ASSERT_TRUE(runMainLoopUntil([&] {
        drainMainLoop();
        return alerts_->visibleAlert() != nullptr;
    }));
    ASSERT_TRUE(alerts_->pressButton(QStringLiteral("确定")));
    ASSERT_TRUE(screen_->isCountingDown());
    settle(1);
    const std::uint64_t actions = clock().actionsRun();
    clock().advance(20s);
    EXPECT_EQ(clock().actionsRun(), actions) << "nothing ran while covered";
    navigation_->popViewControllerAnimated(false);
    EXPECT_EQ(captchaTitle(), QStringLiteral("(280)重新获取"));
}

TEST_F(SmsValidationTest, RefusalsAndFailuresSayWhyAndGiveTheButtonBack) {
    typeMobile(QStringLiteral("13812345678"));
    server().setFault(
        {.prefix = "/users/",
         .body = QByteArray(R"({"status":-3,"errDetail":"该号码今日已获取过验证码"})"),
         .times = 1});
    askForCode();
    EXPECT_NE(driver_->findByText(QStringLiteral("该号码今日已获取过验证码")), nullptr);
    EXPECT_TRUE(screen_->getCaptchaButton()->isEnabled());
    EXPECT_FALSE(screen_->isCountingDown());

    settle(4);
    server().setFault({.prefix = "/users/", .body = QByteArray(R"({"status":2})"), .times = 1});
    askForCode();
    EXPECT_NE(driver_->findByText("验证码获取失败，请重试"), nullptr);

    settle(4);
    server().setFault({.prefix = "/users/", .status = 500, .times = 1});
    askForCode();
    EXPECT_NE(driver_->findByText("验证码获取失败，请重试"), nullptr);
    EXPECT_TRUE(screen_->getCaptchaButton()->isEnabled());
    EXPECT_TRUE(requestTimes().isEmpty()) << "only accepted requests count";
}

TEST_F(SmsValidationTest, ANumberOfTheWrongFormIsNeverSent) {
    // A letter never reaches the number's pad; eleven digits not beginning with 1 do, and are
    // no mobile number of the service.
    typeMobile(QStringLiteral("1381234567x"));
    EXPECT_EQ(screen_->mobileTextField()->text(), "1381234567");
    EXPECT_FALSE(screen_->getCaptchaButton()->isEnabled());
    screen_->mobileTextField()->setText({});
    ASSERT_TRUE(driver_->type(QStringLiteral("23812345678")));
    ASSERT_TRUE(screen_->getCaptchaButton()->isEnabled());
    ASSERT_TRUE(driver_->tap(screen_->getCaptchaButton()));
    settle(0.3);
    EXPECT_NE(driver_->findByText("请输入正确的11位手机号码"), nullptr);
    EXPECT_TRUE(codeRequests().empty());
    screen_->captchaTextField()->setText(QStringLiteral("1234"));
    screen_->sendRequirement();
    EXPECT_TRUE(delegate_->sent.isEmpty());
    EXPECT_TRUE(screen_->sendStateLabel()->isHidden());
}

TEST_F(SmsValidationTest, SendingWaitsForTheFormAndLeavingAsksFirst) {
    screen_->mobileTextField()->setText(QStringLiteral("13812345678"));
    screen_->captchaTextField()->setText(QStringLiteral("0123"));
    screen_->sendRequirement();
    EXPECT_EQ(delegate_->sent, QStringList{"13812345678/0123"});
    EXPECT_FALSE(screen_->sendStateLabel()->isHidden());
    screen_->sendRequirement();
    screen_->goBack();
    settle(0.3);
    EXPECT_EQ(delegate_->sent.size(), 1) << "one send at a time";
    EXPECT_EQ(alerts_->visibleAlert(), nullptr) << "no leaving while sending";

    screen_->finishedSendRequirement();
    screen_->goBack();
    settle(0.3);
    ASSERT_NE(alerts_->visibleAlert(), nullptr);
    EXPECT_EQ(alerts_->visibleAlert()->message(),
              QStringLiteral("只差一步就能享受经纪人的专业服务。\n真的要放弃么？"));
    ASSERT_TRUE(alerts_->pressButton(QStringLiteral("继续发布")));
    settle(0.3);
    EXPECT_EQ(top(), screen_.get());
    screen_->goBack();
    settle(0.3);
    ASSERT_TRUE(alerts_->pressButton(QStringLiteral("放弃")));
    settle(0.5);
    EXPECT_NE(top(), screen_.get());
    screen_->sendRequirement();
    EXPECT_EQ(delegate_->sent.size(), 1) << "the delegate was let go";
}

}  // namespace
