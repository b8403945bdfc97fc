// The category catalog: its lookups, its request with the file it writes, the bounded
// repeats of a failing request, and the near-by and list catalogs.
#include "../HousesFixture.h"

#include "houses/catalog/tovikCatalog.h"
#include "net/EndpointTable.h"
#include "net/QXIMRequest.h"
#include "platform/foundation/notification_center.h"
#include "platform/foundation/property_list.h"

#include <QFile>

namespace paths = standin::paths;

namespace {

QVariantMap major(const char* name, int scriptIndex, bool nearby = true, bool list = true,
                  bool communities = false) {
    return {{"n", QString::fromUtf8(name)},
            {"msi", scriptIndex},
            {"mii", scriptIndex + 100},
            {"nb", nearby},
            {"l", list},
            {"xq", communities}};
}

// Housing (two kinds), jobs (one kind, only in lists) and a master of no near-by kind.
QVariantList sampleCatalog() {
    return {QVariantMap{{"n", "房产"},
                        {"cid", 7},
                        {"cidx", 7},
                        {"nb", true},
                        {"l", true},
                        {"ms", QVariantList{major("租房", 1, true, true, true),
                                            major("合租房", 3, false, true)}}},
            QVariantMap{{"n", "招聘"},
                        {"cid", 2},
                        {"cidx", 2},
                        {"nb", false},
                        {"l", true},
                        {"ms", QVariantList{major("销售", 1, false, true)}}},
            QVariantMap{{"n", "二手车"},
                        {"cid", 4},
                        {"cidx", 4},
                        {"nb", true},
                        {"l", false},
                        {"ms", QVariantList{major("轿车", 1, false, false)}}}};
}

class Refreshed final : public tovikCatalogDelegate {
public:
    int calls = 0;
    void newNetWorkSuccessDeletgate(const QVariantList&) override { ++calls; }
};

}  // namespace

class CatalogTest : public HousesFixture {};

TEST_F(CatalogTest, LookupsFindByPositionIdScriptIndexAndName) {
    tovikCatalog empty;
    EXPECT_FALSE(empty.data());
    EXPECT_EQ(empty.getMasterCatalogNum(), 0);
    EXPECT_EQ(empty.getMasterCatalogIDWithScriptIndex(6), 13) << "fixed even without a catalog";
    EXPECT_EQ(empty.getMasterCatalogScriptIndexWithID(13), 6);
    EXPECT_FALSE(empty.getMajorListArrayWithMasterId(7));

    ASSERT_TRUE(ns::writeToFile(sampleCatalog(), tovikCatalog::filePath(), true));
    tovikCatalog catalog;
    EXPECT_EQ(catalog.getMasterCatalogNum(), 3);
    EXPECT_EQ(catalog.getMasterCatalogNameWithIndex(1), "招聘");
    EXPECT_EQ(catalog.getMasterCatalogIDWithIndex(-1), 0);
    EXPECT_EQ(catalog.getMasterCatalogIDWithIndex(3), 0);
    EXPECT_EQ(catalog.getMasterCatalogIndexWithID(2), 1);
    EXPECT_EQ(catalog.getMasterCatalogIndexWithID(99), 3) << "the count when no master has it";
    EXPECT_EQ(catalog.getMajorCatalogNumWithMasterIndex(0), 2);
    EXPECT_EQ(catalog.getMajorCatalogIDWithMasterIndex(0, 1), 3);
    EXPECT_EQ(catalog.getMiiIDWithMasterIndex(0, 1), 103);
    EXPECT_EQ(catalog.getMajorCatalogNameWithMasterIndex(0, 5), QString());
    EXPECT_EQ(*catalog.getMajorListArrayWithMasterId(7), (QStringList{"不限", "租房", "合租房"}));
    EXPECT_EQ(*catalog.getMajorIdArrayWithMasterId(7), (QList<int>{-1, 1, 3}));
    EXPECT_EQ(catalog.getMajorNameWithMasterId(7, 3), "合租房");
    EXPECT_EQ(catalog.getMasterNameWithMasterId(4), "二手车");
    EXPECT_EQ(catalog.getMasterCatalogIDWithScriptIndex(2), 2);
    EXPECT_EQ(catalog.getMasterCatalogScriptIndexWithID(99), 0);
    EXPECT_EQ(catalog.getTagDictionaryWithMasterID(2)->value("n"), "招聘");
    const auto matches = catalog.getMajorListWithMasterIndex(-1, "租");
    ASSERT_EQ(matches.size(), 2u);
    EXPECT_EQ(matches[1].majorIndex, 1);
    const auto cars = catalog.getMajorListWithMasterIndex(-1, "轿");
    ASSERT_EQ(cars.size(), 1u) << "the last master is searched too";
    EXPECT_EQ(cars[0].masterIndex, 2);
    EXPECT_EQ(cars[0].majorIndex, 0);
    EXPECT_TRUE(catalog.getMajorListWithMasterIndex(1, "租").empty());
}

TEST_F(CatalogTest, TheRequestKeepsTheCatalogInItsFileAndTellsItsOwner) {
    tovikCatalog catalog;
    auto owner = std::make_shared<Refreshed>();
    catalog.setResponseVc(owner);
    catalog.updateWithCityIndex(100);
    ASSERT_TRUE(runMainLoopUntil([&] { return owner->calls == 1; }));
    const auto sent = calls("GetLastCategories");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].method, "GET");
    EXPECT_EQ(sent[0].header("cityScriptIndex"), "100");
    EXPECT_FALSE(sent[0].header("userId").isEmpty());
    EXPECT_GE(catalog.getMasterCatalogNum(), 2);
    ASSERT_TRUE(runMainLoopUntil([] { return QFile::exists(tovikCatalog::filePath()); }));
    ASSERT_TRUE(runMainLoopUntil(
        [&] { return ns::arrayWithContentsOfFile(tovikCatalog::filePath()) == catalog.data(); }));
}

TEST_F(CatalogTest, AFailingRequestIsRepeatedLaterAndLaterThenNoMore) {
    server().setFault({.prefix = paths::kDataShare, .status = 500});
    tovikCatalog catalog;
    catalog.starthttpRequest();
    const auto sent = [&] { return int(calls("GetLastCategories").size()); };
    double delay = tovikCatalog::kFirstRetryDelay;
    for (int repeat = 1; repeat <= tovikCatalog::kMaxRetries; ++repeat) {
        ASSERT_TRUE(runMainLoopUntil([&] { return !catalog.isRequesting(); }));
        EXPECT_EQ(sent(), repeat);
        clock().advance(ns::seconds(delay - 0.5));
        drainMainLoop();
        EXPECT_EQ(sent(), repeat) << "not before its delay";
        clock().advance(ns::seconds(0.5));
        ASSERT_TRUE(runMainLoopUntil([&] { return sent() == repeat + 1; }));
        delay *= 2;
    }
    ASSERT_TRUE(runMainLoopUntil([&] { return !catalog.isRequesting(); }));
    clock().advance(ns::seconds(3600));
    drainMainLoop();
    EXPECT_EQ(sent(), tovikCatalog::kMaxRetries + 1) << "a few repeats end it";
    EXPECT_FALSE(catalog.data());

    // A status of no server at all (a cancel, a refused connection) is not repeated.
    server().setFaults({});
    tovikCatalog other;
    other.starthttpRequest();
    QXIMRequest::shared().cancelToVikRequestByInterface(tovikCatalog::kInterface,
                                                        EndpointTable::dataShareEndpoint());
    drainMainLoop();
    clock().advance(ns::seconds(60));
    drainMainLoop();
    EXPECT_EQ(other.retries(), 0);
}

TEST_F(CatalogTest, TheNearByAndListCatalogsKeepTheirFlaggedKinds) {
    ASSERT_TRUE(ns::writeToFile(sampleCatalog(), tovikCatalog::filePath(), true));
    const tovikCatalog_list& list = tovikCatalog_list::instance();
    EXPECT_EQ(list.getMasterCatalogNum(), 2) << "the master without list kinds goes";
    EXPECT_EQ(list.getMajorCatalogNumWithMasterIndex(0), 2);

    tovikCatalog_nb& nearby = tovikCatalog_nb::instance();
    ASSERT_EQ(nearby.getMasterCatalogNum(), 1) << "only housing has a near-by kind";
    EXPECT_EQ(nearby.getMajorCatalogNumWithMasterIndex(0), 1);
    EXPECT_TRUE(nearby.isSupportXiaoquWithMasterIndex(0, 0));
    EXPECT_FALSE(nearby.isSupportXiaoquWithMasterIndex(0, 1));
    int posted = 0;
    const auto observation = ns::NotificationCenter::defaultCenter().addObserver(
        tovikCatalog_nb::kLoadedNotification, [&](const ns::Notification&) { ++posted; });
    nearby.starthttpRequest();
    EXPECT_EQ(posted, 1) << "a catalog at hand is announced at once";
    drainMainLoop();
    EXPECT_TRUE(calls("GetLastCategories").empty());
}
