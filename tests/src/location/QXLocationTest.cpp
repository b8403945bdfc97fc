#include "location/QXLocation.h"

#include "platform/location/driven_position_source.h"

#include "SandboxTest.h"

class QXLocationTest : public SandboxTest {
protected:
    void SetUp() override {
        SandboxTest::SetUp();
        loc::PositionSource::install(source_);
    }
    void TearDown() override {
        locator_.reset();
        loc::PositionSource::install(nullptr);
        SandboxTest::TearDown();
    }

    std::shared_ptr<loc::DrivenPositionSource> source_ =
        std::make_shared<loc::DrivenPositionSource>("");
    std::shared_ptr<QXLocation> locator_ = std::make_shared<QXLocation>();
};

TEST_F(QXLocationTest, APreciseFixEndsTheUpdates) {
    EXPECT_EQ(locator_->getLatitude(), "0.0000");
    locator_->startStandardUpdates();
    locator_->startStandardUpdates();
    EXPECT_EQ(source_->starts(), 1) << "once while updates run";
    ASSERT_TRUE(source_->deliver({22.5, 113.9}, 500));
    EXPECT_TRUE(locator_->isGPSing()) << "not precise enough yet";
    ASSERT_TRUE(source_->deliver({22.54, 113.93}, 100));
    EXPECT_FALSE(locator_->isGPSing());
    EXPECT_FALSE(source_->isUpdating());
    EXPECT_EQ(locator_->getLatitude(), "22.540000");
    EXPECT_EQ(locator_->getLongitude(), "113.930000");
    EXPECT_EQ(locator_->lastStopReason(), "Acquired Location, 完成定位.");
    clock().advance(QXLocation::kTimeout);
    EXPECT_EQ(locator_->lastStopReason(), "Acquired Location, 完成定位.") << "no time-out after";
}

TEST_F(QXLocationTest, StaleCoarserOrUnknownFixesAreNotTaken) {
    locator_->startStandardUpdates();
    ASSERT_TRUE(source_->deliver({30, 120}, 300));
    clock().advance(20s);
    ASSERT_TRUE(source_->deliver({31, 121}, 150, clock().now() - 11s));
    ASSERT_TRUE(source_->deliver({31, 121}, -1));
    ASSERT_TRUE(source_->deliver({31, 121}, 800));
    EXPECT_EQ(locator_->getLatitude(), "30.000000") << "the more precise fix stays";
    EXPECT_TRUE(locator_->isGPSing());
    clock().advance(QXLocation::kTimeout - 20s);
    EXPECT_FALSE(locator_->isGPSing());
    EXPECT_EQ(locator_->lastStopReason(), "Time out, 定位超时");
    EXPECT_EQ(locator_->getLatitude(), "30.000000") << "the best fix is kept";
}

TEST_F(QXLocationTest, FailuresStopAndSayWhy) {
    locator_->startStandardUpdates();
    ASSERT_TRUE(source_->fail(loc::kErrorDenied));
    EXPECT_EQ(locator_->getLocationFailError(), QXLocation::FailDenied);
    EXPECT_FALSE(locator_->isGPSing());
    locator_->startStandardUpdates();
    ASSERT_TRUE(source_->fail(loc::kErrorLocationUnknown));
    EXPECT_EQ(locator_->getLocationFailError(), QXLocation::FailNotFound);
    locator_->startStandardUpdates();
    ASSERT_TRUE(source_->deliver({1, 2}, 50));
    EXPECT_EQ(locator_->getLocationFailError(), QXLocation::FailNone);

    const auto shared = QXLocation::shared();
    EXPECT_EQ(QXLocation::shared(), shared);
    QXLocation::forceRelease();
    EXPECT_NE(QXLocation::shared(), shared);
    QXLocation::forceRelease();
}
