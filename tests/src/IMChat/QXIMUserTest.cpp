#include "IMChat/qximlib/QXIMUser.h"

#include "SandboxTest.h"

namespace {

TEST(QXIMUserTest, KeyIsNeverAbsentAndTokenIsOptional) {
    QXIMUser user;
    EXPECT_FALSE(user.userKey().isNull());
    EXPECT_EQ(user.userKey(), "");
    EXPECT_FALSE(user.token().has_value());

    user.setUserKey("K");
    user.setToken(QString("T"));
    user.setUserId(9000000001);
    EXPECT_EQ(user.userKey(), "K");
    EXPECT_EQ(user.token(), QString("T"));
    EXPECT_EQ(user.userId(), 9000000001);

    user.setUserKey(QString());
    EXPECT_FALSE(user.userKey().isNull());
    user.setToken(std::nullopt);
    EXPECT_FALSE(user.token().has_value());
}

}  // namespace
