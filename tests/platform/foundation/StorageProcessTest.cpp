// Storage seen across processes: what one process stores, the next one reads, and a writer
// killed in the middle of a write never leaves a damaged file. The test program runs itself
// again as the other process, restricted to one of the helper cases at the end of this file;
// those are skipped unless the environment names the folder to work in.
#include "platform/foundation/file_manager.h"
#include "platform/foundation/keychain.h"
#include "platform/foundation/property_list.h"
#include "platform/foundation/sandbox.h"
#include "platform/foundation/user_defaults.h"

#include "ChildTestProcess.h"
#include "HangWait.h"
#include "SandboxTest.h"

#include <QProcess>
#include <QTimeZone>

#include <cstdio>
#include <limits>

namespace {

constexpr char kRestartSandbox[] = "HOUSING_TEST_RESTART_SANDBOX";
constexpr char kCrashTarget[] = "HOUSING_TEST_CRASH_TARGET";

const QDateTime kLastUpdate(QDate(2026, 5, 31), QTime(22, 15, 8), QTimeZone::utc());
const QByteArray kDeviceToken("\x00\x9c\xff\x10", 4);

QVariantList statisticsRecords() {
    return {QVariantMap{{"event", "start"}, {"time", kLastUpdate}, {"seq", qint64(1) << 40}},
            QVariantMap{{"event", QStringLiteral("首页_新闻")}, {"payload", kDeviceToken}}};
}

// The contents of one version of the file the crash child rewrites, telling its version in
// its first bytes. The child makes them all before it starts, so that it spends its time
// writing and a kill lands inside a write.
constexpr qsizetype kCrashFileSize = 4 * 1024 * 1024;
constexpr int kCrashVersions = 16;
QByteArray crashVersion(int version) {
    QByteArray contents = QByteArray::number(version).rightJustified(8, '0');
    contents.append(QByteArray(kCrashFileSize - contents.size(), char('a' + version)));
    return contents;
}

void startChild(QProcess& child, const char* filter, const char* variable, const QString& value) {
    startChildTest(child, QString::fromLatin1(filter), {{QString::fromLatin1(variable), value}});
}

class StorageProcessTest : public SandboxTest {};

TEST_F(StorageProcessTest, DefaultsPropertyListsAndKeychainSurviveARestart) {
    auto& defaults = ns::UserDefaults::standardUserDefaults();
    defaults.setObject(QStringLiteral("3A7F19C0B2D84E65A91C0F3B7D2E8A46"), "userId");
    defaults.setInteger(401, "cityId");
    defaults.setBool(true, "guideShown");
    defaults.setDouble(1780300800.25, "startLocTime");
    defaults.setObject(QVariantList{qint64(1780300800), qint64(1780300860)},
                       "kLatestLoadCaptchaTimes");
    defaults.setObject(QVariantMap{{QStringLiteral("整租"), QStringLiteral("111")}},
                       "searchHistoryDictionary");
    defaults.setObject(kDeviceToken, "describeDeviceToken");
    defaults.setObject(kLastUpdate, "PRRefreshHeaderView");
    defaults.setObject(std::numeric_limits<qint64>::min(), "anonymousLoginId");
    ASSERT_TRUE(defaults.synchronize());

    ASSERT_TRUE(ns::writeToFile(QVariantMap{{"93311", "1"}},
                                ns::Sandbox::documents() + "/hasReadPostId", true));
    ASSERT_TRUE(ns::PropertyList::writeFile(statisticsRecords(),
                                            ns::Sandbox::documents() + "/statistics", true,
                                            ns::PropertyList::Format::Binary));
    ASSERT_FALSE(ns::Keychain::setPasswordText("UUID", "", QStringLiteral("6F9619FF-设备")));

    QProcess child;
    startChild(child, "StorageRestartChild.*", kRestartSandbox, sandboxPath());
    ASSERT_TRUE(child.waitForFinished(kHangWaitMs));
    const QString output = QString::fromLocal8Bit(child.readAll());
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    // A skipped child would also exit with 0.
    EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] 1 test"))) << output.toStdString();

    // The child left values of its own without synchronizing: its exit wrote them.
    ns::Sandbox::setRoot(sandboxPath());
    EXPECT_EQ(defaults.stringForKey("writtenByChild"), QStringLiteral("子进程"));
    EXPECT_EQ(defaults.integerForKey("cityId"), 402);
}

TEST_F(StorageProcessTest, AWriterKilledInTheMiddleOfAWriteLeavesOneWholeVersion) {
    const QString target = ns::Sandbox::documents() + QStringLiteral("/streetInfonew");
    for (const int killAt : {2, 3, 5}) {
        SCOPED_TRACE(killAt);
        QProcess child;
        startChild(child, "StorageCrashChild.*", kCrashTarget, target);
        ASSERT_TRUE(child.waitForStarted(kHangWaitMs));
        // The child announces each write before it starts it; the kill follows that line at
        // once, while the child is most likely inside the write.
        const QByteArray announce = "writing " + QByteArray::number(killAt) + '\n';
        QByteArray output;
        while (!output.contains(announce)) {
            ASSERT_TRUE(child.waitForReadyRead(kHangWaitMs)) << output.toStdString();
            output += child.readAll();
        }
        child.kill();
        ASSERT_TRUE(child.waitForFinished(kHangWaitMs));

        const std::optional<QByteArray> contents = ns::FileManager::contentsAtPath(target);
        ASSERT_TRUE(contents);
        ASSERT_EQ(contents->size(), kCrashFileSize);
        const int version = contents->left(8).toInt();
        ASSERT_LT(version, kCrashVersions);
        EXPECT_TRUE(*contents == crashVersion(version)) << "the file mixes versions";
    }
    // Whatever the kills left behind, the next write still succeeds and is whole.
    ASSERT_TRUE(ns::FileManager::createFileAtPath(target, crashVersion(kCrashVersions - 1)));
    EXPECT_TRUE(*ns::FileManager::contentsAtPath(target) == crashVersion(kCrashVersions - 1));
    EXPECT_EQ(ns::FileManager::subpathsOfDirectoryAtPath(ns::Sandbox::documents(), true),
              QStringList{"streetInfonew"});
}

// --- The other process's side ---

TEST(StorageRestartChild, ReadsWhatThePreviousProcessStored) {
    const QString root = qEnvironmentVariable(kRestartSandbox);
    if (root.isEmpty()) GTEST_SKIP() << "runs as the child of StorageProcessTest only";
    ns::Sandbox::setRoot(root);
    auto& defaults = ns::UserDefaults::standardUserDefaults();
    EXPECT_EQ(defaults.stringForKey("userId"), QStringLiteral("3A7F19C0B2D84E65A91C0F3B7D2E8A46"));
    EXPECT_EQ(defaults.integerForKey("cityId"), 401);
    EXPECT_TRUE(defaults.boolForKey("guideShown"));
    EXPECT_DOUBLE_EQ(defaults.doubleForKey("startLocTime"), 1780300800.25);
    EXPECT_EQ(defaults.arrayForKey("kLatestLoadCaptchaTimes"),
              (QVariantList{qint64(1780300800), qint64(1780300860)}));
    EXPECT_EQ(defaults.dictionaryForKey("searchHistoryDictionary").value(QStringLiteral("整租")),
              QVariant(QStringLiteral("111")));
    EXPECT_EQ(defaults.dataForKey("describeDeviceToken"), kDeviceToken);
    EXPECT_EQ(defaults.objectForKey("PRRefreshHeaderView").toDateTime(), kLastUpdate);
    EXPECT_EQ(defaults.integerForKey("anonymousLoginId"), std::numeric_limits<qint64>::min());

    EXPECT_EQ(ns::dictionaryWithContentsOfFile(ns::Sandbox::documents() + "/hasReadPostId"),
              (QVariantMap{{"93311", "1"}}));
    EXPECT_EQ(ns::arrayWithContentsOfFile(ns::Sandbox::documents() + "/statistics"),
              ns::PropertyList::canonical(statisticsRecords()).toList());
    EXPECT_EQ(ns::Keychain::passwordText("UUID", ""), QStringLiteral("6F9619FF-设备"));

    defaults.setObject(QStringLiteral("子进程"), "writtenByChild");
    defaults.setInteger(402, "cityId");
}

TEST(StorageCrashChild, RewritesAFileUntilKilled) {
    const QString target = qEnvironmentVariable(kCrashTarget);
    if (target.isEmpty()) GTEST_SKIP() << "runs as the child of StorageProcessTest only";
    QList<QByteArray> versions;
    for (int version = 0; version < kCrashVersions; ++version)
        versions.append(crashVersion(version));
    for (int count = 1;; ++count) {
        std::printf("writing %d\n", count);
        std::fflush(stdout);
        ASSERT_TRUE(ns::FileManager::createFileAtPath(target, versions[count % kCrashVersions]));
    }
}

}  // namespace
