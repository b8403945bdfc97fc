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

TEST(QXIMUserTest, AReleasedSharedUserIsTheGuestAgain) {
    QXIMUser& user = QXIMUser::shared();
    user.setUserId(9000000001);
    user.setUserName("王");
    user.setUserKey("K");
    user.setToken(QString("T"));
    QXIMUser::forceRelease();
    EXPECT_EQ(user.userId(), QXIMUser::getDefaultUserid());
    EXPECT_FALSE(QXIMUser::isSignedInId(user.userId()));
    EXPECT_EQ(user.userName(), "游客");
    EXPECT_EQ(user.userKey(), "");
    EXPECT_FALSE(user.token().has_value());
}

}  // namespace
