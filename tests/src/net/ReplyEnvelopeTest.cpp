#include "net/ReplyEnvelope.h"

#include <gtest/gtest.h>

namespace {

TEST(ReplyEnvelopeTest, ClassCallResultsByClassAndMethod) {
    const QVariantMap reply{
        {"data",
         QVariantMap{{"XiaoquPriceModel", QVariantMap{{"getXiaoquPrice", QVariantList{1, 2}}}},
                     {"HousingVars", QVariantMap{{"getUrlPriceRange", "x"}}}}}};
    EXPECT_EQ(ReplyEnvelope::classResult(reply, "XiaoquPriceModel", "getXiaoquPrice"),
              QVariant(QVariantList{1, 2}));
    EXPECT_EQ(ReplyEnvelope::classResult(reply, "HousingVars", "getUrlPriceRange"), "x");
    EXPECT_FALSE(ReplyEnvelope::classResult(reply, "HousingVars", "other").isValid());
    EXPECT_FALSE(ReplyEnvelope::classResult(QVariantList{}, "HousingVars", "x").isValid());
}

TEST(ReplyEnvelopeTest, BackendErrorNumberIsNothingWhenMissing) {
    const QVariantMap good{
        {"params", QVariantMap{{"errorno", 0}, {"data", QVariantMap{{"7", 1}}}}}};
    EXPECT_EQ(ReplyEnvelope::backendErrorNo(good), 0);
    EXPECT_EQ(ReplyEnvelope::backendData(good), QVariant(QVariantMap{{"7", 1}}));
    EXPECT_EQ(ReplyEnvelope::backendErrorNo(QVariantMap{{"params", QVariantMap{{"errorno", "1"}}}}),
              1);
    // A reply without its status must not read as success.
    EXPECT_FALSE(ReplyEnvelope::backendErrorNo(QVariantMap{{"params", QVariantMap{}}}));
    EXPECT_FALSE(ReplyEnvelope::backendErrorNo(QVariantMap{{"params", "garbage"}}));
    EXPECT_FALSE(ReplyEnvelope::backendErrorNo(QVariant()));
    EXPECT_FALSE(
        ReplyEnvelope::backendErrorNo(QVariantMap{{"params", QVariantMap{{"errorno", "zero"}}}}));
}

TEST(ReplyEnvelopeTest, UsersEndpointStatusAndLoginHeaders) {
    const QVariantMap refused{{"status", -3}, {"errDetail", QString::fromUtf8("密码错误")}};
    EXPECT_EQ(ReplyEnvelope::usersStatus(refused), -3);
    EXPECT_EQ(ReplyEnvelope::usersErrDetail(refused), QString::fromUtf8("密码错误"));
    EXPECT_FALSE(ReplyEnvelope::usersStatus(QVariantMap{{"errDetail", "x"}}));
    EXPECT_TRUE(ReplyEnvelope::usersErrDetail(QVariantMap{{"errDetail", 5}}).isNull());

    const auto headers = ReplyEnvelope::loginHeaders(
        {{"token", "T"}, {"SessionId", "S"}, {"LoginId", "9000000001"}, {"WAPSESSIONID", "W"}});
    EXPECT_EQ(headers.token, "T");
    EXPECT_EQ(headers.sessionId, "S");
    EXPECT_EQ(headers.loginId, "9000000001");
    EXPECT_EQ(headers.wapSessionId, "W");
    EXPECT_TRUE(headers.loginName.isNull());
}

TEST(ReplyEnvelopeTest, UploadRejectedOnlyByANegativeStatus) {
    EXPECT_TRUE(ReplyEnvelope::uploadRejected(QVariantMap{{"status", -1}}));
    EXPECT_FALSE(ReplyEnvelope::uploadRejected(QVariantMap{{"status", 0}, {"data", "a.jpg"}}));
    EXPECT_FALSE(ReplyEnvelope::uploadRejected(QVariantMap{}));
    EXPECT_EQ(ReplyEnvelope::uploadStatus(QVariantMap{{"status", 2.0}}), 2);
}

TEST(ReplyEnvelopeTest, PostListPostsAndTotal) {
    const QVariantMap reply{{"posts", QVariantList{QVariantMap{{"puid", "1"}}}}, {"total", 31}};
    EXPECT_EQ(ReplyEnvelope::posts(reply).size(), 1);
    EXPECT_EQ(ReplyEnvelope::total(reply), 31);
    EXPECT_TRUE(ReplyEnvelope::posts(QVariantMap{{"posts", "none"}}).isEmpty());
    EXPECT_FALSE(ReplyEnvelope::total(QVariantMap{}));
}

}  // namespace
