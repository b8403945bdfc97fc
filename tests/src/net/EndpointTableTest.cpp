#include "net/EndpointTable.h"
#include "net/QXIMConstantManager.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

class EndpointTableTest : public ::testing::Test {
protected:
    void TearDown() override {
        EndpointTable::setServerRoot({});
        qunsetenv(EndpointTable::kServerRootVariable);
    }
};

TEST_F(EndpointTableTest, ClientIdentityValues) {
    EXPECT_EQ(EndpointTable::customerId(), "710");
    EXPECT_EQ(EndpointTable::clientAgent(), "iphone#320*480");
    EXPECT_EQ(EndpointTable::model(), "Generic/iphone");
    EXPECT_EQ(EndpointTable::agency(), "appstore");
    EXPECT_EQ(EndpointTable::versionId(), "2.3.0");
    EXPECT_EQ(EndpointTable::contentFormat(), "json2");
    EXPECT_EQ(EndpointTable::dataVersion(), "1.0");
    EXPECT_EQ(EndpointTable::nearbyRadius(), "3000");
    EXPECT_EQ(EndpointTable::hotCities().size(), 7);
    EXPECT_EQ(EndpointTable::hotCities().first(), QString::fromUtf8("上海"));
    EXPECT_EQ(EndpointTable::cipherKey(), "Kd,pWmta");
    EXPECT_EQ(EndpointTable::fallbackUserId(), "3A7F19C0B2D84E65A91C0F3B7D2E8A46");
}

TEST_F(EndpointTableTest, EveryRootHangsUnderTheOneServerRoot) {
    qunsetenv(EndpointTable::kServerRootVariable);
    EXPECT_EQ(EndpointTable::serverRoot(), "http://127.0.0.1:8600");

    qputenv(EndpointTable::kServerRootVariable, "http://127.0.0.1:4711/");
    EXPECT_EQ(EndpointTable::serverRoot(), "http://127.0.0.1:4711");

    // The setter wins over the environment; an empty text gives the environment back.
    EndpointTable::setServerRoot("http://localhost:9000//");
    EXPECT_EQ(EndpointTable::dataShareEndpoint(), "http://localhost:9000/datashare/");
    EXPECT_EQ(EndpointTable::usersEndpoint(), "http://localhost:9000/users/");
    EXPECT_EQ(EndpointTable::pushEndpoint(), "http://localhost:9000/push/");
    EXPECT_EQ(EndpointTable::apiHost(), "http://localhost:9000");
    EXPECT_EQ(EndpointTable::webIMPost(), "http://localhost:9000/im/index.php");
    EXPECT_EQ(EndpointTable::webIMGet(), "http://localhost:9000/comet");
    EXPECT_EQ(EndpointTable::imageHost(), "http://localhost:9000/img");
    EXPECT_EQ(EndpointTable::logURL(), "http://localhost:9000/log/ClientLog.ashx");
    EXPECT_EQ(EndpointTable::adLogURL(), "http://localhost:9000/log/clientcommerciallog.ashx");
    EXPECT_EQ(EndpointTable::backend(), "http://localhost:9000/backend/");
    // Picture paths join the picture host with one slash; whole addresses stay as they are.
    EXPECT_EQ(EndpointTable::imageURL("posts/1.jpg"), "http://localhost:9000/img/posts/1.jpg");
    EXPECT_EQ(EndpointTable::imageURL("/posts/1.jpg"), "http://localhost:9000/img/posts/1.jpg");
    EXPECT_EQ(EndpointTable::imageURL("https://pics/a.png"), "https://pics/a.png");

    EndpointTable::setServerRoot({});
    EXPECT_EQ(EndpointTable::backend(), "http://127.0.0.1:4711/backend/");
}

TEST(QXIMConstantManagerTest, GettersAnswerTheirDefaultsUntilSet) {
    QXIMConstantManager manager;
    EXPECT_EQ(manager.qximdataVersion(), "2.0");
    EXPECT_EQ(manager.qximmodel(), "Generic/iphone");
    EXPECT_EQ(manager.qximagency(), "appstore");
    EXPECT_EQ(manager.qximnewServerURL(), EndpointTable::dataShareEndpoint());
    EXPECT_EQ(manager.qximwebimServer(), EndpointTable::webIMPost());
    EXPECT_EQ(manager.qximwebimgetServer(), EndpointTable::webIMGet());
    EXPECT_EQ(manager.qximIMweb6ServerUrl(), EndpointTable::backend());
    EXPECT_EQ(manager.qximserverDomain(), EndpointTable::imageHost());
    EXPECT_TRUE(manager.qximcustomId().isNull());
    EXPECT_TRUE(manager.qximclientAgent().isNull());
    EXPECT_TRUE(manager.qximIsShowHead());
    EXPECT_TRUE(manager.qximIsShowQuickReply());

    manager.setQximdataVersion("1.0");
    manager.setQximnewServerURL("http://elsewhere/datashare/");
    EXPECT_EQ(manager.qximdataVersion(), "1.0");
    EXPECT_EQ(manager.qximnewServerURL(), "http://elsewhere/datashare/");
}

TEST(QXIMConstantManagerTest, RequiredParametersRaiseUntilAllThreeAreSet) {
    QXIMConstantManager manager;
    manager.setQximclientTest("false");
    manager.setQximcustomId("710");
    try {
        manager.isRequireParamNoNull();
        FAIL() << "no exception without the version id";
    } catch (const std::invalid_argument& error) {
        EXPECT_EQ(QString::fromUtf8(error.what()),
                  QString::fromUtf8(" qximclientTest， qximcustomId ，qximversionId， "
                                    "qximclientTest 必须赋值"));
    }
    manager.setQximversionId("2.3.0");
    EXPECT_NO_THROW(manager.isRequireParamNoNull());
}

}  // namespace
