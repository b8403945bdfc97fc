// The texts made from a stored need: its sentence, the history card's names, the replies screen's
// header, and the bodies and records the replies screen builds from stored values.
#include "needs/QXAgentIconItem.h"
#include "needs/QXBrokerReplyViewController.h"
#include "needs/QXNeedHistoryItem.h"

#include "location/DocumentFolder.h"
#include "net/EndpointTable.h"
#include "net/QXNetContext.h"
#include "net/QXNetDefaultContext.h"
#include "net/transport/Json.h"
#include "util/categories/Tolerant.h"

#include "SandboxTest.h"

#include "platform/foundation/property_list.h"

#include <QUrlQuery>

namespace {

QVariantMap row(const QString& rentOrBuy, const QString& huxing, const QString& priceName,
                const QString& latlng = {}) {
    return {{"rentOrBuy", rentOrBuy}, {"huxing", huxing},     {"priceName", priceName},
            {"latlng", latlng},       {"location", "南山区"}, {"time", "1700000000"}};
}

// The class-call JSON of a body "class=...".
QVariant classCall(const QString& body) {
    const QString json = QUrlQuery(body).queryItemValue("class", QUrl::FullyDecoded);
    return json_JSON(QVariant(json));
}

}  // namespace

class NeedHistoryItemTest : public SandboxTest {
protected:
    void SetUp() override {
        SandboxTest::SetUp();
        auto context = std::make_shared<QXNetDefaultContext>();
        context->setCurrentCityScript_index(12);
        QXNetContext::install(context);
    }
    void TearDown() override {
        QXNetContext::install(nullptr);
        SandboxTest::TearDown();
    }
    // The city's filter list of a kind, as the need form keeps it.
    static void writeFilters(const QString& kind, const QString& key, const QVariantList& values) {
        const QVariantMap filters{
            {"fs", QVariantList{QVariantMap{{"f", "price"}, {"vs", QVariantList{}}},
                                QVariantMap{{"f", key}, {"vs", values}}}}};
        ASSERT_TRUE(ns::writeToFile(filters, DocumentFolder::filePath("12-" + kind), true));
    }
};

TEST_F(NeedHistoryItemTest, NamesHouseTypesFromTheCityListElseTheFormsNames) {
    // No list yet: the names the form offers.
    EXPECT_EQ(QXNeedHistoryItem::houseTypeNames("[1,2,4]", "1"), "一室两室四室以上");
    EXPECT_EQ(QXNeedHistoryItem::houseTypeNames("[1,2]", "3"), "合租单间合租床位");
    writeFilters("1", "huxing_shi",
                 {QVariantMap{{"v", "-1"}, {"n", "不限"}}, QVariantMap{{"v", "1"}, {"n", "一居"}},
                  QVariantMap{{"v", "2"}, {"n", "旧名"}}, QVariantMap{{"v", "2"}, {"n", "两居"}}});
    EXPECT_EQ(QXNeedHistoryItem::houseTypeNames("[1,2]", "1"), "一居两居")
        << "the last entry of a value names it";
    EXPECT_EQ(QXNeedHistoryItem::houseTypeNames("4", "1"), "四室以上");
    EXPECT_EQ(QXNeedHistoryItem::houseTypeNames("2", "1"), "两居") << "a bare code";
    EXPECT_EQ(QXNeedHistoryItem::houseTypeNames("[]", "1"), "");
    EXPECT_EQ(QXNeedHistoryItem::houseTypeNames("[1,", "1"), "") << "unreadable";
    EXPECT_EQ(QXNeedHistoryItem::houseTypeNames("", "1"), "");

    const QXNeedHistoryItem item(QVariantMap{{"rentOrBuy", "1"},
                                             {"huxing", "[1,2]"},
                                             {"location", "南山区"},
                                             {"priceName", "3000-5000元"},
                                             {"u_count", 3},
                                             {"voiceUrl", "http://x/v.amr"},
                                             {"time", 1}});
    EXPECT_EQ(item.needHouseDoorString, "一居两居");
    EXPECT_EQ(item.agentNum, "3");
    EXPECT_EQ(item.audioLength, "0") << "no length stored";
    EXPECT_EQ(item.needType, "1");
}

TEST_F(NeedHistoryItemTest, RemakesTheSentenceOfAStoredRow) {
    EXPECT_EQ(QXNeedHistoryItem::getInfoWithDic(row("3", "-1", "1000-1500")),
              "我要求租一套【1000-1500】合租房源,地点:【南山区】")
        << "a shared need of any room and with a price";
    EXPECT_EQ(QXNeedHistoryItem::getInfoWithDic(row("1", "[]", "不限")),
              "我要求租一套【】房源,地点:【南山区】")
        << "no house type at all is not 不限";
    EXPECT_EQ(QXNeedHistoryItem::getInfoWithDic(row("1", "[1,2]", "", "113.9,22.5")),
              "我要求租一套【一室两室】房源,地点:【南山区】附近三公里内")
        << "no price name reads 不限; a position need is near its place";
    EXPECT_EQ(QXNeedHistoryItem::getInfoWithDic(row("5", "[4]", "100万以下")),
              "我要求购一套【100万以下】【四室以上】房源,地点:【南山区】");
    EXPECT_EQ(QXNeedHistoryItem::getInfoWithDic(row("9", "[1]", "不限")), "");
    QVariantMap sent = row("1", "[2]", "不限");
    sent.insert("sentence", "我要求租一套【两室 】房源,地点:【南山区】。额外条件:近地铁,");
    EXPECT_EQ(QXNeedHistoryItem::getInfoWithDic(sent), sent.value("sentence"))
        << "a need kept with its sentence reads as the brokers got it, terms and all";
}

// One need reads alike on the replies screen and in the history: the form's names, or the
// city list's.
TEST_F(NeedHistoryItemTest, TheRepliesHeaderNamesHouseTypesAsTheHistoryCardDoes) {
    const auto texts = [](const QString& kind, const QString& huxing) {
        return QXBrokerReplyViewController::loadNeedInfoStringWithDictionary(
            {{"rentOrBuy", kind},
             {"huxing", huxing},
             {"location", "南山区"},
             {"priceName", "不限"}});
    };
    EXPECT_EQ(texts("1", "[1,2,4]")["houseDoor"], "一室两室四室以上");
    EXPECT_EQ(texts("3", "[1,2]")["houseDoor"], "合租单间合租床位");
    EXPECT_EQ(texts("5", "3")["houseDoor"], "三室") << "a bare code";
    EXPECT_EQ(texts("5", "[-1]")["houseDoor"], "不限");
    writeFilters("1", "huxing_shi",
                 {QVariantMap{{"v", "-1"}, {"n", "不限"}}, QVariantMap{{"v", "2"}, {"n", "两居"}}});
    EXPECT_EQ(texts("1", "[2]")["houseDoor"], "两居");
    EXPECT_EQ(texts("1", "[1]")["type"], "租房");
    EXPECT_EQ(texts("3", "[1]")["type"], "合租房");
    EXPECT_EQ(texts("5", "[1]")["type"], "买房");
    EXPECT_FALSE(texts("2", "[1]").contains("type"));
    EXPECT_EQ(texts("1", "[1]")["address"], "南山区");
}

TEST(NeedReplyTextsTest, NearbyAgentsAreAskedWithPriceBeforePriceTypeInBothShapes) {
    const QVariantMap area{
        {"rentOrBuy", "1"}, {"cityScriptIndex", "0"}, {"districtId", "310104"}, {"streetId", "-1"},
        {"latlng", "0"},    {"huxing", "[1,2]"},      {"price", "3000_5000"},   {"priceType", "1"}};
    const QVariantList byArea = Tolerant(classCall(QXBrokerReplyViewController::nearbyAgentBody(
        area, 42)))["SearchHousingRequest"]["getNearbyAgent"]
                                    .toList();
    ASSERT_EQ(byArea.size(), 7);
    EXPECT_EQ(byArea[0], "1");
    EXPECT_EQ(Tolerant(byArea[1])["districtId"].value().toLongLong(), 310104);
    EXPECT_EQ(byArea[2], "") << "a stored 0 is no position";
    EXPECT_EQ(byArea[3].toList().size(), 2);
    EXPECT_EQ(byArea[4].toLongLong(), 42);
    EXPECT_EQ(byArea[5], "3000_5000");
    EXPECT_EQ(byArea[6].toInt(), 1);

    QVariantMap position = area;
    position["districtId"] = "-";
    position["streetId"] = "-";
    position["latlng"] = "113.93,22.53";
    position["huxing"] = "2";
    const QVariantList byPosition = Tolerant(classCall(QXBrokerReplyViewController::nearbyAgentBody(
        position, 42)))["SearchHousingRequest"]["getNearbyAgent"]
                                        .toList();
    ASSERT_EQ(byPosition.size(), 7);
    EXPECT_EQ(byPosition[1], "") << "a position need names no area";
    EXPECT_EQ(byPosition[2], "113.93,22.53");
    EXPECT_EQ(byPosition[3].toInt(), 2);
    EXPECT_EQ(byPosition[5], "3000_5000") << "the price comes before its type here too";
    EXPECT_EQ(byPosition[6].toInt(), 1);

    // Stored values that are no numbers still make one valid body.
    QVariantMap odd = area;
    odd["huxing"] = "一室\"&";
    odd["cityScriptIndex"] = "";
    odd["price"] = "-1";
    const QVariantList readBack = Tolerant(classCall(QXBrokerReplyViewController::nearbyAgentBody(
        odd, 42)))["SearchHousingRequest"]["getNearbyAgent"]
                                      .toList();
    ASSERT_EQ(readBack.size(), 7);
    EXPECT_EQ(readBack[3], "一室\"&");
    EXPECT_EQ(readBack[5].toInt(), -1);
}

TEST(NeedReplyTextsTest, TheBrokersTalkRecordIsValidJsonWhateverTheServerSent) {
    const QVariantMap house{{"userId", "8000000001"},
                            {"person", "王\"小\\二"},
                            {"phone", "138"},
                            {"photo", "avatars/brokers/1.jpg"},
                            {"creditScore", "4"}};
    const QVariantMap talk = QXBrokerReplyViewController::talkInfoForHouse(house, "17", 42);
    EXPECT_EQ(talk["t_id"], "8000000001-42");
    EXPECT_EQ(talk["u_id"], "42");
    EXPECT_EQ(talk["r_id"], "17");
    const Tolerant other(json_JSON(talk["o_user"]));
    EXPECT_EQ(other["name"].toString(), "王\"小\\二");
    EXPECT_EQ(other["creditScore"].toString(), "4");
    EXPECT_EQ(other["companyName"].toString(), "") << "a missing field is empty";
    EXPECT_EQ(Tolerant(json_JSON(talk["p_post"]))["id"].toString(), "17");
}

TEST(AgentIconItemTest, ReadsABrokerOfTheService) {
    const QXAgentIconItem item(QVariantMap{{"name", "李梅"},
                                           {"image", "avatars/brokers/7.jpg"},
                                           {"CompanySimpleName", QVariant::fromValue(nullptr)},
                                           {"ucUserId", 8000000007LL},
                                           {"creditScore", 4}});
    EXPECT_EQ(item.agentImageUrlString, EndpointTable::imageHost() + "/avatars/brokers/7.jpg");
    EXPECT_TRUE(item.agentCompanyNameString.isNull()) << "null leaves the company unset";
    EXPECT_EQ(item.agentIdString, "8000000007");
    EXPECT_EQ(item.agentStartString, "4");
    const QXAgentIconItem whole(
        QVariantMap{{"image", "http://h/p.jpg"}, {"CompanySimpleName", ""}});
    EXPECT_EQ(whole.agentImageUrlString, "http://h/p.jpg");
    EXPECT_TRUE(whole.agentCompanyNameString.isNull());
}
