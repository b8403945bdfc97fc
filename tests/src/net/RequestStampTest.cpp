#include "net/RequestStamp.h"

#include "SandboxTest.h"

#include <QDateTime>
#include <QRegularExpression>

#include <cstdlib>
#include <ctime>
#include <limits>

namespace {

ns::TimePoint utc(int year, int month, int day, int hour, int minute, int second) {
    const QDateTime date(QDate(year, month, day), QTime(hour, minute, second), Qt::UTC);
    return ns::TimePoint(std::chrono::milliseconds(date.toMSecsSinceEpoch()));
}

// Runs the test in a fixed time zone, so that local time stamps are known.
class RequestStampTest : public SandboxTest {
protected:
    void SetUp() override {
        SandboxTest::SetUp();
        savedZone_ = qgetenv("TZ");
        qputenv("TZ", "Asia/Shanghai");
        tzset();
    }
    void TearDown() override {
        if (savedZone_.isNull())
            qunsetenv("TZ");
        else
            qputenv("TZ", savedZone_);
        tzset();
        SandboxTest::TearDown();
    }

private:
    QByteArray savedZone_;
};

TEST_F(RequestStampTest, TimeStampIsLocalTimeOfTheClock) {
    // The manual clock starts at 08:00 UTC, 16:00 in a UTC+8 zone.
    EXPECT_EQ(RequestStamp::timeStamp(), "2026-06-01 16:00:00");
    clock().advance(std::chrono::seconds(8 * 3600 + 61));
    EXPECT_EQ(RequestStamp::timeStamp(), "2026-06-02 00:01:01");
}

TEST_F(RequestStampTest, TimeIntervalCountsWholeSecondsSince2001) {
    EXPECT_EQ(RequestStamp::timeInterval(), 801993600);
    clock().advance(std::chrono::milliseconds(1900));
    EXPECT_EQ(RequestStamp::timeInterval(), 801993601);

    // Cut toward zero before the reference date too.
    clock().setNow(utc(2000, 12, 31, 23, 59, 58) + std::chrono::milliseconds(500));
    EXPECT_EQ(RequestStamp::timeInterval(), -1);

    // Past the 32-bit range it stays at the largest value instead of wrapping.
    clock().setNow(utc(2070, 1, 1, 0, 0, 0));
    EXPECT_EQ(RequestStamp::timeInterval(), std::numeric_limits<qint32>::max());
}

TEST_F(RequestStampTest, UUIDsAreUpperCaseHyphenatedAndNew) {
    const QRegularExpression form("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$");
    const QString first = RequestStamp::newUUID();
    EXPECT_TRUE(form.match(first).hasMatch()) << first.toStdString();
    EXPECT_NE(RequestStamp::newUUID(), first);
}

}  // namespace
