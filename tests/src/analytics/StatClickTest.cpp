#include "analytics/StatClick.h"

#include "platform/foundation/clock.h"

#include "SandboxTest.h"

#include <QFile>

namespace {

class StatClickTest : public SandboxTest {
protected:
    [[nodiscard]] static QStringList kindsAndIds() {
        QStringList seen;
        for (const QVariant& record : StatClick::records()) {
            const QVariantMap fields = record.toMap();
            seen << fields.value("kind").toString() + ":" + fields.value("id").toString();
        }
        return seen;
    }
};

TEST_F(StatClickTest, EveryKindOfRecordIsOneReadableLineWithItsTime) {
    StatClick::startWithAppkey("key", 0, "appstore");
    StatClick::event("a");
    StatClick::event("b", QStringLiteral("标签"));
    StatClick::event("c", QVariantMap{{"k", 1}});
    StatClick::beginEvent("d");
    StatClick::endEvent("d");
    EXPECT_EQ(kindsAndIds(),
              QStringList({"start:", "event:a", "event:b", "event:c", "begin:d", "end:d"}));
    const QVariantList records = StatClick::records();
    EXPECT_EQ(records[0].toMap().value("channel"), "appstore");
    EXPECT_EQ(records[2].toMap().value("label"), QStringLiteral("标签"));
    EXPECT_EQ(records[3].toMap().value("attributes").toMap(), (QVariantMap{{"k", 1}}));
    EXPECT_EQ(records[1].toMap().value("time"),
              ns::Clock::shared().currentDateTime().toLocalTime().toString("yyyy-MM-dd HH:mm:ss"));

    QFile file(StatClick::logPath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().count('\n'), 6);
}

TEST_F(StatClickTest, ALineCutShortByAnEarlierRunCostsOnlyItself) {
    StatClick::event("before");
    {
        QFile file(StatClick::logPath());
        ASSERT_TRUE(file.open(QIODevice::Append));
        file.write(R"({"kind":"event","id":"to)");
    }
    StatClick::event("after");
    StatClick::event("later");
    EXPECT_EQ(kindsAndIds(), QStringList({"event:before", "event:after", "event:later"}));
}

}  // namespace
