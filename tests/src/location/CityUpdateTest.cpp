#include "CityFixture.h"

#include "location/CityUpdateData.h"

#include "standin/Geography.h"

#include "net/EndpointTable.h"
#include "net/QXIMRequest.h"
#include "net/RequestHeaderSet.h"
#include "net/transport/NKHTTPClient.h"
#include "platform/foundation/operation_queue.h"
#include "platform/foundation/property_list.h"
#include "platform/foundation/sandbox.h"

#include <QFile>

namespace paths = standin::paths;

using CityUpdateTest = CityFixture;

TEST_F(CityUpdateTest, AHotCityStartsFromItsShippedListAndAnUnchangedReplyStillEnds) {
    const auto outcome = switchTo(401);
    EXPECT_EQ(outcome->succeeded, std::vector<int>{401});
    // The shipped list carries the server's version, so the server says "unchanged" ({}).
    EXPECT_EQ(sentVersions(), QStringList{standin::Geography::kDataVersion});
    const QStringList names = currentDistrictNames();
    ASSERT_GE(names.size(), 10);
    EXPECT_EQ(names.front(), "不限");
    EXPECT_TRUE(names.contains("南山区"));
    EXPECT_EQ(cityData().currentCity()->scriptIndex(), 401);
    EXPECT_TRUE(QFile::exists(CityUpdateData::currentCacheFile()));
}

TEST_F(CityUpdateTest, EachCitySendsItsOwnVersion) {
    EXPECT_EQ(switchTo(600)->succeeded, std::vector<int>{600});
    EXPECT_EQ(switchTo(601)->succeeded, std::vector<int>{601});
    EXPECT_EQ(switchTo(600)->succeeded, std::vector<int>{600});
    const QString v = standin::Geography::kDataVersion;
    EXPECT_EQ(sentVersions(), (QStringList{"0", "0", v}));
    EXPECT_EQ(cityData().currentCity()->scriptIndex(), 600);
    EXPECT_TRUE(cityData().cityWithScriptIndex(601)->Districts.empty()) << "the old city let go";

    // A version stored by another client version is not sent.
    defaults().setObject("2.2.0", "appVersionId");
    switchTo(601);
    EXPECT_EQ(sentVersions().last(), "0");
}

TEST_F(CityUpdateTest, AFailedSwitchLeavesTheCurrentCityWhole) {
    ASSERT_EQ(switchTo(600)->succeeded, std::vector<int>{600});
    const QStringList before = currentDistrictNames();
    for (const int status : {500, 404, 302}) {
        server().setFault({.prefix = paths::kDataShare, .status = status, .times = 1});
        EXPECT_EQ(switchTo(601)->failures, 1) << status;
        EXPECT_EQ(cityData().currentCity()->scriptIndex(), 600) << status;
        EXPECT_EQ(currentDistrictNames(), before) << status;
    }
    EXPECT_EQ(switchTo(601)->succeeded, std::vector<int>{601}) << "a retry goes through";
}

TEST_F(CityUpdateTest, AFallbackListIsNeverInstalledUnderAnotherCity) {
    ASSERT_EQ(switchTo(600)->succeeded, std::vector<int>{600});
    const QVariantMap installed =
        *ns::dictionaryWithContentsOfFile(CityUpdateData::currentCacheFile());
    server().setFault({.prefix = paths::kDataShare, .status = 503});
    QFile::remove(CityUpdateData::cacheFileOfCity(0));
    EXPECT_EQ(switchTo(0)->failures, 1);
    EXPECT_EQ(*ns::dictionaryWithContentsOfFile(CityUpdateData::currentCacheFile()), installed);
    EXPECT_TRUE(QFile::exists(CityUpdateData::cacheFileOfCity(0))) << "kept for the next try";
    EXPECT_EQ(cityData().currentCity()->scriptIndex(), 600);
}

TEST_F(CityUpdateTest, UnchangedOrUnreadableRepliesAlwaysEndInOneCallback) {
    // Without a list of the city to fall back on, an "unchanged" or broken reply fails.
    server().setFault({.prefix = paths::kDataShare, .body = QByteArray("{}")});
    EXPECT_EQ(switchTo(600)->failures, 1);
    server().setFault({.prefix = paths::kDataShare, .garbage = true});
    EXPECT_EQ(switchTo(600)->failures, 1);
    server().setFault({.prefix = paths::kDataShare, .body = QByteArray("[1,2]")});
    EXPECT_EQ(switchTo(600)->failures, 1);
    server().setFault({.prefix = paths::kDataShare, .body = QByteArray(R"({"v":"9"})")});
    EXPECT_EQ(switchTo(600)->failures, 1);

    server().setFaults({});
    ASSERT_EQ(switchTo(600)->succeeded, std::vector<int>{600});
    const QStringList names = currentDistrictNames();
    // With one, the same replies install it again, and replies without a list of districts
    // leave it as it was.
    for (const QByteArray& body :
         {QByteArray("{}"), QByteArray("null"), QByteArray("\"x\""),
          QByteArray(R"({"message":"busy"})"), QByteArray(R"({"v":"9","g":"none"})")}) {
        server().setFault({.prefix = paths::kDataShare, .body = body});
        EXPECT_EQ(switchTo(600)->succeeded, std::vector<int>{600}) << body.toStdString();
        EXPECT_EQ(currentDistrictNames(), names) << body.toStdString();
    }
    server().setFaults({});
    switchTo(600);
    EXPECT_EQ(sentVersions().last(), standin::Geography::kDataVersion)
        << "the city's own version was kept";
}

TEST_F(CityUpdateTest, AFailedUpdateKeepsAHotCitysNewerLists) {
    const QVariantMap newer{{"v", "99"},
                            {"g", QVariantList{QVariantMap{{"dsi", 1}, {"dn", "新区"}}}}};
    ASSERT_TRUE(ns::writeToFile(newer, CityUpdateData::cacheFileOfCity(0), true));
    defaults().setObject("99", "cityVersion");
    defaults().setObject(EndpointTable::versionId(), "appVersionId");
    server().setFault({.prefix = paths::kDataShare, .status = 503});
    EXPECT_EQ(switchTo(0)->failures, 1);
    EXPECT_EQ(*ns::dictionaryWithContentsOfFile(CityUpdateData::cacheFileOfCity(0)), newer)
        << "the shipped list is older than the city's own";
    server().setFault({.prefix = paths::kDataShare, .body = QByteArray("{}")});
    EXPECT_EQ(switchTo(0)->succeeded, std::vector<int>{0});
    EXPECT_EQ(sentVersions().last(), "99");
    EXPECT_EQ(currentDistrictNames(), (QStringList{"不限", "新区"}));
}

TEST_F(CityUpdateTest, AnUnknownCityEndsInFailure) {
    EXPECT_EQ(switchTo(9999)->failures, 1);
    server().setFault(
        {.prefix = paths::kDataShare, .body = QByteArray(R"({"v":"1","g":[{"dsi":1,"dn":"x"}]})")});
    EXPECT_EQ(switchTo(9999)->failures, 1) << "a reply for a city the tree lacks installs nothing";
}

TEST_F(CityUpdateTest, RepliesBuildTheAnyRowsInFrontOfEveryList) {
    CityUpdateData update({});
    update.parserLocalInfo(QVariantMap{{"g", QVariantList{}}, {"isxiaoqu", 1}});
    ASSERT_EQ(update.districtArray().size(), 1u);
    const auto any = update.districtArray().front();
    EXPECT_EQ(any->properties(), (QVariantMap{{"id", qint64(-1)},
                                              {"index", qint64(-1)},
                                              {"name", "不限"},
                                              {"sname", "不限"},
                                              {"pinyin", "buxian"}}));
    ASSERT_EQ(any->Streets.size(), 1u);
    EXPECT_EQ(any->Streets.front()->name(), "不限");
    EXPECT_EQ(any->Streets.front()->parent(), any);
    EXPECT_TRUE(update.citySupportLatlong());

    update.parserLocalInfo(QVariantMap{
        {"g", QVariantList{QVariantMap{{"dsi", 7}, {"dn", "南山区"}},
                           QVariantMap{{"dsi", 8}, {"dn", "福田区"}, {"ss", "not a list"}}}}});
    ASSERT_EQ(update.districtArray().size(), 3u);
    EXPECT_FALSE(update.citySupportLatlong());
    for (std::size_t i = 1; i < 3; ++i) {
        ASSERT_EQ(update.districtArray()[i]->Streets.size(), 1u) << i;
        EXPECT_EQ(update.districtArray()[i]->Streets.front()->nodeId(), -1);
    }
    update.parserLocalInfo(QVariant());
    EXPECT_EQ(update.districtArray().size(), 3u) << "nil changes nothing";
}

TEST_F(CityUpdateTest, ASwitchStartedOverAnotherEndsTheFirstAsFailed) {
    // The first switch's reply is held at the server until the second switch is done.
    server().setFault({.prefix = paths::kDataShare, .hold = true, .times = 1});
    auto first = std::make_shared<SwitchOutcome>();
    cityData().updateStreetInfo(600, first);
    ASSERT_TRUE(waitForRequests(paths::kDataShare, 1));
    const auto second = switchTo(601);
    EXPECT_EQ(first->failures, 1);
    EXPECT_TRUE(first->succeeded.empty());
    EXPECT_EQ(second->succeeded, std::vector<int>{601});
    ASSERT_TRUE(letHeldRepliesArrive());
    settle();
    EXPECT_EQ(first->calls(), 1) << "the first reply came last and was not heard";
    EXPECT_EQ(cityData().currentCity()->scriptIndex(), 601);
}

TEST_F(CityUpdateTest, AReplacedUpdatesReplyInBeforeItsSuccessorWentOutIsNotHeard) {
    auto first = std::make_shared<SwitchOutcome>();
    cityData().updateStreetInfo(600, first);
    // Its reply is in and waits for the main loop when the next switch goes out.
    QXIMRequest::shared().httpClient()->operationQueue()->waitUntilAllOperationsAreFinished();
    const auto second = switchTo(601);
    EXPECT_EQ(first->failures, 1);
    EXPECT_TRUE(first->succeeded.empty());
    EXPECT_EQ(second->succeeded, std::vector<int>{601});
    settle();
    EXPECT_EQ(first->calls(), 1);
    EXPECT_EQ(second->calls(), 1);
    EXPECT_EQ(cityData().currentCity()->scriptIndex(), 601);
}

TEST_F(CityUpdateTest, TheUpdateCarriesItsHeadersInOrder) {
    switchTo(600);
    auto outcome = std::make_shared<SwitchOutcome>();
    cityData().updateStreetInfoWithUserAction(601, outcome);
    ASSERT_TRUE(waitUntil([&] { return outcome->calls() == 1; }));
    const auto sent = server().requests(paths::kDataShare);
    ASSERT_EQ(sent.size(), 2u);
    const QStringList order{"customerId", "clientAgent",   "model",          "userId",
                            "versionId",  "contentformat", "agency",         "SeqId",
                            "interface",  "version",       "cityScriptIndex"};
    for (const auto& request : sent) {
        EXPECT_EQ(request.method, "GET");
        EXPECT_EQ(namesAmong(request, order), order);
    }
    EXPECT_TRUE(sent[0].header("SeqId").isEmpty()) << "no sequence id without a user's action";
    EXPECT_FALSE(sent[1].header("SeqId").isEmpty());
    EXPECT_EQ(sent[1].header("cityScriptIndex"), "601");
    // The update's headers do not stay for the calls after it.
    EXPECT_FALSE(QXIMRequest::shared().headOfHttp().contains("cityScriptIndex"));
}

TEST_F(CityUpdateTest, TheShippedListsAreWhatTheServerSendsForTheirCities) {
    for (const int index : CityUpdateData::kShippedCities) {
        const auto shipped = ns::dictionaryWithContentsOfFile(
            ns::Bundle::pathForResource(QStringLiteral("%1city").arg(index)));
        ASSERT_TRUE(shipped) << index;
        RequestHeaderSet headers;
        headers.set("interface", "GetLastGeography")
            .set("version", "0")
            .set("cityScriptIndex", QString::number(index));
        QXIMRequest::shared().addValuesFormDic(headers);
        const auto heard = std::make_shared<Heard>();
        QXIMRequest::shared().requestWithUrl(EndpointTable::dataShareEndpoint(), heard->success(),
                                             heard->failure());
        ASSERT_TRUE(waitFor(heard)) << index;
        ASSERT_EQ(heard->replies.size(), 1u) << index;
        const QVariantMap reply = heard->reply();
        EXPECT_EQ(reply.value("v"), shipped->value("v")) << index;
        EXPECT_EQ(reply.value("g"), shipped->value("g")) << index;
        EXPECT_FALSE(shipped->value("g").toList().isEmpty()) << index;
    }
}
