#include "net/transport/JsonBundle.h"

#include "platform/foundation/sandbox.h"

#include "SandboxTest.h"

#include <QDir>
#include <QFile>

namespace {

class JsonBundleTest : public SandboxTest {
protected:
    void SetUp() override {
        SandboxTest::SetUp();
        savedBundle_ = ns::Bundle::resourcePath();
        const QString folder = sandboxPath() + "/bundle";
        QDir().mkpath(folder);
        ns::Bundle::setResourcePath(folder);
        write("filters.json", "// filter definitions\n{\"rent\": [1, 2] /* ids */}");
        write("broken.json", "{\"rent\": [1, 2");
    }
    void TearDown() override {
        ns::Bundle::setResourcePath(savedBundle_);
        SandboxTest::TearDown();
    }
    static void write(const QString& name, const QByteArray& bytes) {
        QFile file(ns::Bundle::resourcePath() + "/" + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

private:
    QString savedBundle_;
};

TEST_F(JsonBundleTest, ResourcesParseWithCommentsAllowed) {
    EXPECT_EQ(json_JSONFromResource("filters.json"),
              (QVariantMap{{"rent", QVariantList{1LL, 2LL}}}));
    std::optional<ns::Error> error;
    EXPECT_EQ(json_JSONFromResource("filters.json", 0, &error).toMap().size(), 1);
    EXPECT_FALSE(error);
    EXPECT_TRUE(json_res_URLForResource("filters.json").isLocalFile());
    EXPECT_TRUE(json_res_URLForResource("nothing.json").isEmpty());
}

TEST_F(JsonBundleTest, BadOrMissingResourcesRaise) {
    std::optional<ns::Error> error;
    EXPECT_FALSE(json_JSONFromResource("broken.json", 0, &error).isValid());
    EXPECT_TRUE(error);
    EXPECT_THROW((void)json_JSONFromResource("broken.json"), JsonParserException);
    try {
        (void)json_res_loadDataFromResource("nothing.json");
        FAIL() << "a missing resource must raise";
    } catch (const std::invalid_argument& raised) {
        EXPECT_STREQ(raised.what(), "Resource not found: nothing.json");
    }
    EXPECT_THROW((void)json_JSONFromResource("nothing.json", 0, &error), std::invalid_argument);
}

}  // namespace
