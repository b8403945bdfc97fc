#include "IMChat/qximlib/QXIMUser.h"
#include "IMChat/qximlib/QXIMUtil.h"

#include "SandboxTest.h"

#include <QRegularExpression>

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

class QXIMUtilTest : public SandboxTest {};

TEST_F(QXIMUtilTest, StampsHaveTheWireForms) {
    EXPECT_TRUE(QRegularExpression("^\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}$")
                    .match(QXIMUtil::getTimeStamp())
                    .hasMatch());
    const QRegularExpression uuid("^[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}$");
    EXPECT_TRUE(uuid.match(QXIMUtil::newSeqId()).hasMatch());
    EXPECT_TRUE(uuid.match(QXIMUtil::getGUID()).hasMatch());
    EXPECT_NE(QXIMUtil::getGUID(), QXIMUtil::getGUID());
    const QString before = QXIMUtil::getTimeStamp();
    clock().advance(std::chrono::seconds(1));
    EXPECT_NE(QXIMUtil::getTimeStamp(), before);
}

}  // namespace
