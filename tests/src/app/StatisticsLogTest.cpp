#include "app/QXUtil.h"
#include "app/statistics/Statistics.h"
#include "net/QXEncode.h"
#include "platform/foundation/file_manager.h"
#include "platform/foundation/property_list.h"
#include "platform/foundation/user_defaults.h"
#include "standin/FormFields.h"

#include "StandinFixture.h"

namespace {

class StatisticsLogTest : public StandinFixture {
protected:
    void SetUp() override {
        StandinFixture::SetUp();
        Statistics::resetInstance();
    }
    void TearDown() override {
        Statistics::resetInstance();
        StandinFixture::TearDown();
    }
    static void addRecords(int count) {
        for (int i = 0; i < count; ++i) {
            Statistics::getInstance().AddLogWithAction(7, {QString::number(i), "x"});
        }
    }
    // The records an upload carried, as the server decoded its form.
    [[nodiscard]] QStringList uploaded(const QByteArray& path, const QByteArray& field) {
        const auto requests = server().requests(path);
        if (requests.empty()) return {};
        return QString::fromUtf8(standin::FormFields(requests.back().body).value(field)).split('|');
    }
};

TEST_F(StatisticsLogTest, FiftyRecordsGoUpWithTheDeviceIdAndLeaveOnSuccess) {
    addRecords(49);
    EXPECT_TRUE(server().requests("/log/").empty());
    addRecords(1);
    ASSERT_TRUE(runMainLoopUntil([&] { return Statistics::getInstance().logArray().isEmpty(); }));
    const QStringList records = uploaded("/log/ClientLog.ashx", "Log");
    ASSERT_EQ(records.size(), 50);
    EXPECT_EQ(records.front(),
              QStringLiteral("7,%1,0,x,%2").arg(Statistics::getTimeStamp(), QXUtil::macaddress()));
    EXPECT_EQ(Statistics::getInstance().lastQueryCount(), 0);
    EXPECT_FALSE(
        ns::FileManager::fileExistsAtPath(QXUtil::pathForDocumentWithFilename("statistics")));
}

TEST_F(StatisticsLogTest, AFailedUploadKeepsTheRecordsAndRecordsAddedMeanwhileStay) {
    server().setFault({.prefix = "/log/", .status = 500, .times = 1});
    addRecords(50);
    // A record arriving while the upload is out asks for no second upload.
    addRecords(1);
    EXPECT_EQ(Statistics::getInstance().GetLogData(), QString());
    ASSERT_TRUE(runMainLoopUntil([&] { return Statistics::getInstance().lastQueryCount() == 0; }));
    EXPECT_EQ(Statistics::getInstance().logArray().size(), 51);
    EXPECT_EQ(server().requests("/log/").size(), 1u);

    addRecords(1);
    ASSERT_TRUE(runMainLoopUntil([&] { return Statistics::getInstance().logArray().isEmpty(); }));
    EXPECT_EQ(uploaded("/log/ClientLog.ashx", "Log").size(), 52);
}

TEST_F(StatisticsLogTest, TheCountAsksForACommentAtTheFourHundredthRecord) {
    auto& defaults = ns::UserDefaults::standardUserDefaults();
    defaults.setInteger(398, "StatisticCount");
    addRecords(1);
    EXPECT_FALSE(defaults.boolForKey("ShouldAlertComment"));
    addRecords(1);
    EXPECT_TRUE(defaults.boolForKey("ShouldAlertComment"));
    EXPECT_EQ(defaults.integerForKey("StatisticCount"), 400);
    defaults.setInteger(1201, "StatisticCount");
    addRecords(1);
    EXPECT_EQ(defaults.integerForKey("StatisticCount"), 1201);
}

TEST_F(StatisticsLogTest, TheAdvertisingLogKeepsItsOwnFileAndGoesUpFromFiveRecords) {
    ASSERT_TRUE(ns::writeToFile(QVariantList{"left"},
                                QXUtil::pathForDocumentWithFilename("adStatistics"), true));
    ADStatistics& ads = ADStatistics::getInstance();
    EXPECT_EQ(ads.logArray(), QVariantList{"left"});
    for (int i = 0; i < 4; ++i) ads.AddLogForADWithAction(42, {"p"});
    ASSERT_TRUE(runMainLoopUntil([&] { return ads.logArray().isEmpty(); }));
    const QStringList records = uploaded("/log/clientcommerciallog.ashx", "log");
    ASSERT_EQ(records.size(), 5);
    EXPECT_TRUE(records[1].startsWith("00042,"));
    EXPECT_TRUE(Statistics::getInstance().logArray().isEmpty());
}

}  // namespace
