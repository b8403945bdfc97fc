// Reference screenshots of the need screens: the form placed in an area and around the
// current position, the map point picker (also in the selected city when the position is
// refused), the area and price pickers, the voice note and the SMS validation (with the
// number pad up).
#include "NeedFormFixture.h"

#include "needs/QXAddressLabel.h"
#include "needs/QXFBAgentAddress.h"

namespace {

class NeedScreenshotTest : public NeedFormFixture {
protected:
    ::testing::AssertionResult matches(const QString& name) {
        return matchesReferenceImage(driver_->screenshot()->pixels(), "src/needs/reference", name);
    }
    void chooseInForm() {
        chooseHouseType(0);
        chooseHouseType(1);
        ASSERT_TRUE(driver_->tap(form_->selectedTerm()->buttons().at(0).get()));
        settle();
    }
};

TEST_F(NeedScreenshotTest, TheFormInAnAreaAndItsPickers) {
    storeDistricts();
    locate();
    openForm(1, {QStringLiteral("近地铁"), QStringLiteral("精装修"), QStringLiteral("家电齐全"),
                 QStringLiteral("可短租")});
    ASSERT_TRUE(driver_->tap(form_->areaButton()));
    settle(1.0);
    EXPECT_TRUE(matches("need_area_picker.png"));
    ASSERT_TRUE(driver_->tapText(QStringLiteral("徐汇区")));
    settle(1.0);
    ASSERT_TRUE(driver_->tapText(QStringLiteral("天平路街道")));
    settle(1.0);
    ASSERT_TRUE(driver_->tap(form_->priceButton()));
    settle(1.0);
    EXPECT_TRUE(matches("need_price_picker.png"));
    ASSERT_TRUE(driver_->tapText(QStringLiteral("3000-5000元")));
    settle(1.0);
    chooseInForm();
    EXPECT_TRUE(matches("need_form_area.png"));
}

TEST_F(NeedScreenshotTest, TheFormAroundThePositionWithAVoiceNote) {
    locate();
    openForm(3, {QStringLiteral("限女生"), QStringLiteral("独立卫生间"), QStringLiteral("朝南"),
                 QStringLiteral("可做饭")});
    ASSERT_TRUE(driver_->tap(form_->voiceButton()));
    settle(0.5);
    EXPECT_TRUE(matches("need_voice_overlay.png"));
    ui::View* record = driver_->findByText(QStringLiteral("开始录音"));
    ASSERT_NE(record, nullptr);
    const ui::Point at = centreInWindow(*record);
    window_->touchDown(at);
    clock().advance(7350ms);
    window_->touchUp(at);
    settle();
    chooseHouseType(0);
    settle();
    EXPECT_EQ(form_->voiceButton()->currentTitle(), QStringLiteral("    8\""));
    EXPECT_TRUE(matches("need_form_position_voice.png"));
}

TEST_F(NeedScreenshotTest, TheMapPointPicker) {
    locate();
    auto picker = std::make_shared<QXFBAgentAddress>();
    picker->setPreAddress(QStringLiteral("天平路街道"));
    navigation_->pushViewController(picker, false);
    // The lookup and the tiles come over the network: the wait leaves the clock alone, so that
    // a slow answer on a busy machine is not taken for a lookup that timed out.
    ASSERT_TRUE(runMainLoopUntil([&] {
        drainMainLoop();
        window_->layoutIfNeeded();
        return picker->isDoneEnabled() && !picker->mapView()->isLoadingTiles();
    }));
    settle(1.0);
    EXPECT_TRUE(matches("need_map_point.png"));
}

TEST_F(NeedScreenshotTest, TheMapPointPickerWithThePositionRefused) {
    host_->denied = true;
    host_->cityName = QStringLiteral("北京");
    auto picker = std::make_shared<QXFBAgentAddress>();
    picker->setPreAddress("暂无地址,请拖动地图选择。");
    navigation_->pushViewController(picker, false);
    settle();
    ASSERT_TRUE(alerts_->pressButtonAtIndex(0));
    ASSERT_TRUE(runMainLoopUntil([&] {
        drainMainLoop();
        window_->layoutIfNeeded();
        return !picker->isGeocoding() && picker->mapView()->centerCoordinate().latitude > 39 &&
               !picker->mapView()->isLoadingTiles();
    }));
    settle(1.0);
    ASSERT_TRUE(runMainLoopUntil([&] {
        drainMainLoop();
        window_->layoutIfNeeded();
        return !picker->mapView()->isLoadingTiles();
    }));
    EXPECT_TRUE(matches("need_map_point_position_refused.png"));
}

TEST_F(NeedScreenshotTest, TheSmsValidationCountingDown) {
    auto screen = std::make_shared<QXMessageValidationController>();
    navigation_->pushViewController(screen, false);
    settle();
    ASSERT_TRUE(driver_->tap(screen->mobileTextField()));
    ASSERT_TRUE(driver_->type(QStringLiteral("1381234")));
    settle(0.5);
    // A number too short for a code: the button looks it; the number pad leaves the send
    // button in sight.
    EXPECT_TRUE(matches("need_sms_validation_keyboard.png"));
    ASSERT_TRUE(driver_->type(QStringLiteral("5678")));
    ASSERT_TRUE(driver_->tap(screen->getCaptchaButton()));
    ASSERT_TRUE(settleUntil([&] { return alerts_->visibleAlert() != nullptr; }, 0.1));
    ASSERT_TRUE(alerts_->pressButton(QStringLiteral("确定")));
    clock().advance(13s);
    ASSERT_TRUE(driver_->tap(screen->captchaTextField()));
    ASSERT_TRUE(driver_->type(QStringLiteral("2468")));
    screen->captchaTextField()->resignFirstResponder();
    settle(0.5);
    EXPECT_TRUE(matches("need_sms_validation.png"));
}

}  // namespace
