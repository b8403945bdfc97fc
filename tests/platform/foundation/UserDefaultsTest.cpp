#include "platform/foundation/user_defaults.h"

#include "platform/foundation/file_manager.h"
#include "platform/foundation/property_list.h"
#include "platform/foundation/sandbox.h"

#include "AbandonedWrite.h"
#include "SandboxTest.h"

#include <QDir>
#include <QFileInfo>
#include <QTimeZone>

#include <thread>
#include <vector>

namespace {

class UserDefaultsTest : public SandboxTest {
protected:
    static ns::UserDefaults& defaults() { return ns::UserDefaults::standardUserDefaults(); }
    // What a fresh start would read: the file on disk.
    static QVariantMap stored() {
        return ns::dictionaryWithContentsOfFile(defaults().path()).value_or(QVariantMap());
    }
};

TEST_F(UserDefaultsTest, LivesInThePreferencesFolderOfTheSandbox) {
    EXPECT_EQ(defaults().path(),
              sandboxPath() + QStringLiteral("/Library/Preferences/com.housing.app.plist"));
}

// A test outside a sandbox fixture, and a program a test starts without naming a sandbox, keep
// the app's files in a folder of the test program's own temporary folder, never in the user's.
TEST(TestProgramSandboxTest, OutsideAFixtureTheSandboxLiesInTheProgramsTemporaryFolder) {
    const QString sandbox = qEnvironmentVariable("HOUSING_SANDBOX");
    EXPECT_TRUE(sandbox.startsWith(QDir::tempPath() + QLatin1Char('/'))) << sandbox.toStdString();
}

TEST_F(UserDefaultsTest, TypedReadsConvertNumbersAndTextsAsThePlatformDoes) {
    defaults().setObject(QStringLiteral("60"), "describeInterval");
    defaults().setObject(QStringLiteral("  -12abc"), "signedText");
    defaults().setObject(QStringLiteral("3.5e1 m"), "realText");
    defaults().setInteger(9, "startAlert");
    defaults().setDouble(2.75, "ratio");
    defaults().setBool(true, "describeNotice");
    defaults().setObject(QVariantList{1, 2}, "kLatestLoadCaptchaTimes");

    EXPECT_EQ(defaults().integerForKey("describeInterval"), 60);
    EXPECT_EQ(defaults().integerForKey("signedText"), -12);
    EXPECT_DOUBLE_EQ(defaults().doubleForKey("realText"), 35.0);
    EXPECT_EQ(defaults().integerForKey("ratio"), 2);
    EXPECT_EQ(defaults().integerForKey("describeNotice"), 1);
    EXPECT_EQ(defaults().stringForKey("startAlert"), QStringLiteral("9"));
    EXPECT_EQ(defaults().stringForKey("ratio"), QStringLiteral("2.75"));
    EXPECT_DOUBLE_EQ(defaults().doubleForKey("startAlert"), 9.0);
    EXPECT_FLOAT_EQ(defaults().floatForKey("ratio"), 2.75f);

    // Kinds that do not convert read as nothing.
    EXPECT_EQ(defaults().integerForKey("kLatestLoadCaptchaTimes"), 0);
    EXPECT_TRUE(defaults().stringForKey("kLatestLoadCaptchaTimes").isNull());
    EXPECT_TRUE(defaults().arrayForKey("describeInterval").isEmpty());
    EXPECT_TRUE(defaults().dictionaryForKey("kLatestLoadCaptchaTimes").isEmpty());
    EXPECT_TRUE(defaults().dataForKey("describeInterval").isNull());
    EXPECT_EQ(defaults().arrayForKey("kLatestLoadCaptchaTimes"),
              (QVariantList{qint64(1), qint64(2)}));

    // Missing keys.
    EXPECT_FALSE(defaults().objectForKey("userId").isValid());
    EXPECT_TRUE(defaults().stringForKey("userId").isNull());
    EXPECT_EQ(defaults().integerForKey("cityId"), 0);
    EXPECT_FALSE(defaults().boolForKey("guideShown"));
}

TEST_F(UserDefaultsTest, BooleanReadsOfTexts) {
    const QList<std::pair<QString, bool>> cases{
        {"YES", true},   {"yes", true}, {"true", true},   {"T", true},   {"1", true},
        {" +007", true}, {"NO", false}, {"false", false}, {"0", false},  {"000", false},
        {"", false},     {"-0", false}, {"abc", false},   {"  9", true},
    };
    for (const auto& [text, expected] : cases) {
        defaults().setObject(text, "flag");
        EXPECT_EQ(defaults().boolForKey("flag"), expected) << text.toStdString();
    }
    defaults().setDouble(0.1, "flag");
    EXPECT_TRUE(defaults().boolForKey("flag"));
}

TEST_F(UserDefaultsTest, RegisteredDefaultsShowUntilAValueIsStoredAndAreNeverWritten) {
    defaults().registerDefaults({{"xiaoxiPushNotice", true}, {"describeInterval", "60"}});
    EXPECT_TRUE(defaults().boolForKey("xiaoxiPushNotice"));
    defaults().setBool(false, "xiaoxiPushNotice");
    EXPECT_FALSE(defaults().boolForKey("xiaoxiPushNotice"));
    defaults().removeObjectForKey("xiaoxiPushNotice");
    EXPECT_TRUE(defaults().boolForKey("xiaoxiPushNotice"));

    ASSERT_TRUE(defaults().synchronize());
    EXPECT_FALSE(stored().contains("describeInterval"));
    EXPECT_FALSE(stored().contains("xiaoxiPushNotice"));
}

TEST_F(UserDefaultsTest, NilRemovesAndUnsupportedValuesAreRefused) {
    defaults().setObject(QStringLiteral("3A7F19C0B2D84E65A91C0F3B7D2E8A46"), "userId");
    EXPECT_FALSE(defaults().setObject(QVariant::fromValue(nullptr), "userId"));
    EXPECT_FALSE(
        defaults().setObject(QVariantMap{{"bad", QVariant::fromValue(nullptr)}}, "userId"));
    EXPECT_EQ(defaults().stringForKey("userId"),
              QStringLiteral("3A7F19C0B2D84E65A91C0F3B7D2E8A46"));

    EXPECT_TRUE(defaults().setObject(QVariant(), "userId"));
    EXPECT_FALSE(defaults().objectForKey("userId").isValid());
}

TEST_F(UserDefaultsTest, ValuesReadTheSameBeforeAndAfterAReload) {
    const QDateTime lastUpdate(QDate(2026, 6, 1), QTime(7, 59, 30), QTimeZone::utc());
    defaults().setObject(7, "TongZhiNoReadNum");
    defaults().setObject(QStringList{"整租", "合租"}, "history");
    defaults().setObject(QByteArray("\x00\xff", 2), "describeDeviceToken");
    defaults().setObject(lastUpdate, "PRRefreshHeaderView");
    const QVariant before = defaults().objectForKey("history");
    ASSERT_TRUE(defaults().synchronize());

    ns::Sandbox::setRoot(sandboxPath());  // the same sandbox, read afresh
    EXPECT_EQ(defaults().objectForKey("history"), before);
    EXPECT_EQ(defaults().objectForKey("TongZhiNoReadNum").typeId(), QMetaType::LongLong);
    EXPECT_EQ(defaults().dataForKey("describeDeviceToken"), QByteArray("\x00\xff", 2));
    EXPECT_EQ(defaults().objectForKey("PRRefreshHeaderView").toDateTime(), lastUpdate);
}

TEST_F(UserDefaultsTest, ChangesAreWrittenSoonAfterwardsAndBySynchronize) {
    defaults().setInteger(1, "StatisticCount");
    EXPECT_FALSE(ns::FileManager::fileExistsAtPath(defaults().path()));
    clock().advance(ns::UserDefaults::kAutosaveDelay);
    EXPECT_EQ(stored().value("StatisticCount"), QVariant(qint64(1)));

    // A burst of changes costs one write, made once the delay has passed.
    for (int count = 2; count <= 400; ++count) defaults().setInteger(count, "StatisticCount");
    EXPECT_EQ(clock().scheduledCount(), 1u);
    EXPECT_EQ(stored().value("StatisticCount"), QVariant(qint64(1)));
    clock().advance(ns::UserDefaults::kAutosaveDelay);
    EXPECT_EQ(stored().value("StatisticCount"), QVariant(qint64(400)));

    defaults().setBool(true, "ShouldAlertComment");
    ASSERT_TRUE(defaults().synchronize());
    EXPECT_EQ(stored().value("ShouldAlertComment"), QVariant(true));
    defaults().removeObjectForKey("ShouldAlertComment");
    ASSERT_TRUE(defaults().synchronize());
    EXPECT_FALSE(stored().contains("ShouldAlertComment"));
}

TEST_F(UserDefaultsTest, ANewSandboxStartsEmptyAndTheOldOneKeepsItsPendingChanges) {
    defaults().setObject(QStringLiteral("北京"), "cityName");  // pending, not synchronized
    const QString firstFile = defaults().path();

    QTemporaryDir other;
    ns::Sandbox::setRoot(other.path());
    EXPECT_FALSE(defaults().objectForKey("cityName").isValid());
    EXPECT_NE(defaults().path(), firstFile);
    EXPECT_EQ(ns::dictionaryWithContentsOfFile(firstFile)->value("cityName").toString(),
              QStringLiteral("北京"));

    ns::Sandbox::setRoot(sandboxPath());
    EXPECT_EQ(defaults().stringForKey("cityName"), QStringLiteral("北京"));
}

TEST_F(UserDefaultsTest, AnUnreadableFileIsKeptAsideAndTheAppStartsWithItsDefaults) {
    // Cut XML, and a binary file whose key holds a NUL byte (once an abort at every start).
    const QList<QByteArray> unreadable{
        "<plist><dict><key>", QByteArray("bplist00\xD1\x01\x02\x53k\0y\x51v\x08\x0B\x0F", 20) +
                                  QByteArray(6, '\0') + QByteArray("\x01\x01", 2) +
                                  QByteArray(7, '\0') + "\x03" + QByteArray(15, '\0') + "\x11"};
    for (const QByteArray& bytes : unreadable) {
        ASSERT_TRUE(ns::FileManager::createFileAtPath(defaults().path(), bytes));
        ns::FileManager::removeItemAtPath(defaults().path() + ".unreadable");
        ns::Sandbox::setRoot(sandboxPath());
        defaults().registerDefaults({{"pushOn", true}});
        EXPECT_FALSE(defaults().objectForKey("cityId").isValid());
        EXPECT_TRUE(defaults().boolForKey("pushOn"));
        EXPECT_EQ(ns::FileManager::contentsAtPath(defaults().path() + ".unreadable"), bytes);

        // Later changes are saved as ever.
        defaults().setInteger(101, "cityId");
        ASSERT_TRUE(defaults().synchronize());
        EXPECT_EQ(stored().value("cityId"), QVariant(qint64(101)));
    }
}

TEST_F(UserDefaultsTest, TemporaryFilesOfKilledWritersGoAtTheNextStart) {
    const QString abandoned = leaveAbandonedWrite(defaults().path());
    // A writer still running (the first process never ends) may be about to rename its own.
    const QString running = leaveAbandonedWrite(defaults().path(), 1);
    const QString other = leaveAbandonedWrite(QFileInfo(defaults().path()).absolutePath() +
                                              QStringLiteral("/other.plist"));

    ns::Sandbox::setRoot(sandboxPath());
    (void)defaults().objectForKey("cityId");
    EXPECT_FALSE(QFileInfo::exists(abandoned));
    EXPECT_TRUE(QFileInfo::exists(running));
    EXPECT_TRUE(QFileInfo::exists(other)) << "another file's temporaries are its own business";
}

TEST_F(UserDefaultsTest, ThreadsMayReadAndWriteAtOnce) {
    constexpr int kThreads = 4;
    constexpr int kKeysEach = 200;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kKeysEach; ++i) {
                const QString key = QStringLiteral("k%1-%2").arg(t).arg(i);
                defaults().setInteger(i, key);
                EXPECT_EQ(defaults().integerForKey(key), i);
                if (i % 50 == 0) defaults().synchronize();
            }
        });
    }
    for (auto& thread : threads) thread.join();
    ASSERT_TRUE(defaults().synchronize());
    EXPECT_EQ(stored().size(), kThreads * kKeysEach);
}

}  // namespace
