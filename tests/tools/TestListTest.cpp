// Every test that ctest lists carries a time-out, so that a hanging test ends on its own, and
// the project's environment, so that a test run from another folder finds this build's bundle,
// stand-in program and reference screenshots.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

const QStringList kEnvironment = {
    QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("HOUSING_TESTS_SOURCE_DIR"),
    QStringLiteral("HOUSING_BUNDLE"), QStringLiteral("HOUSING_STANDIN")};

}  // namespace

TEST(TestList, EveryTestCarriesATimeOutAndTheTestEnvironment) {
    QProcess ctest;
    ctest.setWorkingDirectory(QStringLiteral(HOUSING_BUILD_DIR));
    ctest.start(QStringLiteral(HOUSING_CTEST), {QStringLiteral("--show-only=json-v1")});
    ASSERT_TRUE(ctest.waitForFinished(-1));
    ASSERT_EQ(ctest.exitCode(), 0) << ctest.readAllStandardError().toStdString();
    const QJsonArray tests =
        QJsonDocument::fromJson(ctest.readAllStandardOutput()).object()["tests"].toArray();
    ASSERT_GT(tests.size(), 1000);
    QStringList lacking;
    for (const QJsonValue& test : tests) {
        bool timeOut = false;
        QStringList variables;
        for (const QJsonValue& property : test["properties"].toArray()) {
            if (property["name"] == QStringLiteral("TIMEOUT"))
                timeOut = property["value"].toDouble() > 0;
            if (property["name"] != QStringLiteral("ENVIRONMENT")) continue;
            for (const QJsonValue& entry : property["value"].toArray())
                variables << entry.toString().section('=', 0, 0);
        }
        for (const QString& variable : kEnvironment) {
            if (!variables.contains(variable)) lacking << test["name"].toString() + ": " + variable;
        }
        if (!timeOut) lacking << test["name"].toString() + ": a time-out";
    }
    EXPECT_TRUE(lacking.isEmpty()) << lacking.size() << " lacking, as "
                                   << lacking.mid(0, 10).join(QStringLiteral("\n  ")).toStdString();
}
