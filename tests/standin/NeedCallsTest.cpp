// The stand-in's calls of the need form: the phone check, the SMS codes it sends and records,
// the published needs with the brokers of their districts, and the share's room choices.
#include "StandinClient.h"
#include "StandinFixture.h"

#include "standin/Geography.h"
#include "standin/NeedCalls.h"
#include "standin/NeedReplies.h"
#include "standin/StandinServer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QUrl>

#include <httplib.h>

namespace {

// The result of one method of "SearchHousingRequest" on the stand-in on `port`.
QJsonValue needCall(int port, const QString& method, const QJsonArray& arguments) {
    const QJsonObject body{{"SearchHousingRequest", QJsonObject{{method, arguments}}}};
    const QByteArray json = QJsonDocument(body).toJson(QJsonDocument::Compact);
    httplib::Client http = standinClient(port);
    const auto result = http.Post(standin::paths::kDataShare, {{"interface", "HousingRequestInfo"}},
                                  ("class=" + QUrl::toPercentEncoding(json)).toStdString(),
                                  "application/x-www-form-urlencoded");
    if (!result) return {};
    return QJsonDocument::fromJson(
        QByteArray::fromStdString(result->body))["data"]["SearchHousingRequest"][method];
}

QJsonObject codeSent(int port, const QString& phone, const QString& method = "GetCode") {
    auto http = standinClient(port);
    const auto result =
        http.Get(QStringLiteral("/users/UserPhoneAuth?phone=%1&method=%2&getCodeType=2")
                     .arg(phone, method)
                     .toStdString());
    if (!result) return {};
    return QJsonDocument::fromJson(QByteArray::fromStdString(result->body)).object();
}

// The arguments of guest 8000000001's need, with the validation's mobile and code if any.
QJsonArray need(const QJsonValue& place, const QString& location,
                const QJsonArray& validation = {}) {
    QJsonArray arguments{"1",          place, location, QJsonArray{1},
                         "8000000001", "",    "0",      QStringLiteral("找房"),
                         "-1",         "1"};
    for (const QJsonValue& value : validation) arguments.append(value);
    return arguments;
}

// Whether the need form asks the guest to check his number by SMS.
int checkAsked(int port, const char* user) {
    return needCall(port, "isVerifyPhoneCode", {"0", "1", "0", user, "1"})["status"].toInt();
}

class NeedCallsTest : public StandinFixture {
protected:
    QJsonValue call(const QString& method, const QJsonArray& arguments) {
        return needCall(server().port(), method, arguments);
    }
    QJsonObject sendCode(const QString& phone, const QString& method = "GetCode") {
        return codeSent(server().port(), phone, method);
    }
    QJsonArray codes(const QByteArray& phone = {}) {
        const auto reply = server().control("GET", phone.isEmpty() ? "sms" : "sms?phone=" + phone);
        return reply ? QJsonDocument::fromJson(*reply).object()["codes"].toArray() : QJsonArray();
    }
};

TEST_F(NeedCallsTest, AGuestIsCheckedUntilANeedWentWithACheckedNumber) {
    EXPECT_EQ(call("isVerifyPhoneCode", {"0", "1", "0", "8000000001", "1"}).toObject()["status"],
              1);
    EXPECT_EQ(call("isVerifyPhoneCode", {"0", "1", "0", "8000000001", "0"}).toObject()["status"],
              0);

    EXPECT_EQ(sendCode("13812345678")["status"], 0);
    EXPECT_EQ(sendCode("13812345678")["status"], 0);
    const QJsonArray sent = codes("13812345678");
    ASSERT_EQ(sent.size(), 2);
    EXPECT_EQ(sent[0]["code"].toString(), standin::NeedCalls::smsCode("13812345678", 1));
    const QString last = sent[1]["code"].toString();
    ASSERT_EQ(last.size(), 6);

    const QJsonObject area{{"cityScriptIndex", 0}, {"streetId", -1}, {"districtId", "310104"}};
    const QJsonObject refused =
        call("postHousingRequest", need(area, "", {13812345678LL, sent[0]["code"]})).toObject();
    EXPECT_EQ(refused["status"], -1) << "only the last code counts";
    EXPECT_FALSE(refused["msg"].toString().isEmpty());
    EXPECT_EQ(call("isVerifyPhoneCode", {"0", "1", "0", "8000000001", "1"}).toObject()["status"],
              1);

    const QJsonObject accepted =
        call("postHousingRequest", need(area, "", {13812345678LL, last})).toObject();
    EXPECT_EQ(accepted["postId"], "1");
    EXPECT_EQ(call("isVerifyPhoneCode", {"0", "1", "0", "8000000001", "1"}).toObject()["status"],
              0);

    server().reset();
    EXPECT_TRUE(codes().isEmpty());
    EXPECT_EQ(call("isVerifyPhoneCode", {"0", "1", "0", "8000000001", "1"}).toObject()["status"],
              1);
}

TEST_F(NeedCallsTest, ANeedIsAnsweredWithTheBrokersOfItsDistrict) {
    const QJsonObject area{{"cityScriptIndex", 0}, {"streetId", -1}, {"districtId", "310104"}};
    const QJsonObject byArea = call("postHousingRequest", need(area, "")).toObject();
    const QJsonArray brokers = byArea["agents"].toArray();
    EXPECT_FALSE(brokers.isEmpty());
    EXPECT_LE(brokers.size(), standin::NeedReplies::kAnsweringBrokers);
    EXPECT_FALSE(brokers.first()["name"].toString().isEmpty());

    const auto centre = standin::Geography::districtCentre(310104);
    ASSERT_TRUE(centre);
    const QString lngLat = QString::asprintf("%.5f,%.5f", centre->second, centre->first);
    const QJsonObject around{{"cityScriptIndex", 0}, {"streetId", -2}, {"districtId", -2}};
    const QJsonObject byPoint = call("postHousingRequest", need(around, lngLat)).toObject();
    EXPECT_EQ(byPoint["postId"], "2");
    EXPECT_EQ(byPoint["agents"].toArray(), brokers) << "the point lies in the same district";

    EXPECT_EQ(call("postHousingRequest", {"1"}).toObject()["status"], -1);
}

TEST_F(NeedCallsTest, ACodeGoesOnlyToAMobileNumber) {
    EXPECT_EQ(sendCode("1381234567")["status"], -1);
    EXPECT_EQ(sendCode("23812345678")["status"], -1);
    EXPECT_EQ(sendCode("13812345678", "Verify")["status"], -1);
    EXPECT_TRUE(codes().isEmpty());
}

// The numbers checked are kept with the needs: after a restart on the same file a guest
// who published a need with a checked number is not asked to check it again.
TEST(NeedCallsKeptTest, ANumberCheckedBeforeARestartIsNotCheckedAgain) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString file = folder.filePath("needs.json");
    const QJsonObject area{{"cityScriptIndex", 0}, {"streetId", -1}, {"districtId", "310104"}};
    {
        standin::StandinServer first;
        ASSERT_TRUE(first.endpoints().postedNeeds().keepIn(file));
        const int port = first.start();
        ASSERT_GT(port, 0);
        ASSERT_EQ(codeSent(port, "13812345678")["status"], 0);
        const QString code = standin::NeedCalls::smsCode("13812345678", 1);
        EXPECT_EQ(
            needCall(port, "postHousingRequest", need(area, "", {13812345678LL, code}))["postId"],
            "1");
        EXPECT_EQ(checkAsked(port, "8000000001"), 0);
        QJsonArray unchecked = need(area, "");
        unchecked[4] = "8000000002";
        EXPECT_EQ(needCall(port, "postHousingRequest", unchecked)["postId"], "2");
        first.stop();
    }
    standin::StandinServer again;
    ASSERT_TRUE(again.endpoints().postedNeeds().keepIn(file));
    const int port = again.start();
    ASSERT_GT(port, 0);
    EXPECT_EQ(checkAsked(port, "8000000001"), 0);
    EXPECT_EQ(checkAsked(port, "8000000002"), 1) << "his need went without a checked number";
    again.stop();
}

}  // namespace
