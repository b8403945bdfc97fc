#include "AppShellFixture.h"
#include "MessagingStandin.h"

#include "IMChat/qximlib/QXIMDatabase.h"
#include "IMChat/qximlib/QXIMService.h"
#include "IMChat/qximlib/qximdata/db/JSSQLiteQueue.h"
#include "account/QXUCenterViewController.h"
#include "platform/foundation/notification_center.h"
#include "standin/Endpoints.h"

#include <QUrlQuery>

namespace {

constexpr qint64 kUser = 100007;
constexpr qint64 kOtherUser = 100009;

// The messaging service as the app runs it: started at launch for the logged-on user,
// offline while the app is not active, listening again when it is.
class QXAppDelegateMessagingTest : public AppShellFixture {
protected:
    void SetUp() override {
        AppShellFixture::SetUp();
        // Frequent heartbeats: the server finds a stream its client left at the next writes.
        server().setStream({.heartbeatMs = 30});
    }
    // A user logged on in an earlier launch, which also got the installation's id.
    void presetLoggedOnUser() {
        defaults().setObject("0F1E2D3C4B5A69788796A5B4C3D2E1F0", "userId");
        defaults().setBool(true, "lastLogonState");
        defaults().setInteger(kUser, "loginID");
    }

    // Streams the server was asked for by the user.
    int streamsAskedFor(qint64 user) {
        int count = 0;
        for (const auto& request : server().requests(standin::paths::kStreamReceive)) {
            const QUrlQuery query(QString::fromLatin1(request.query));
            if (query.queryItemValue("userid") == QString::number(user)) ++count;
        }
        return count;
    }
    // Stored rows of a kind ("d_string" text, "url" post card) made of the message the
    // sample broker wrote (its only id).
    int rowsOf(const QList<qint64>& written, const QString& kind) {
        if (written.size() != 1) return -1;
        return QXIMDatabase::shared().queue().inDatabase([&](JSSQLite& db) {
            return db
                .executeQuery(
                    "SELECT COUNT(*) AS c FROM msgs WHERE f_id = '880001' AND "
                    "m_id = ? AND c_type = ?",
                    {QString::number(written.first()), kind})
                ->value(0)
                .value("c")
                .toInt();
        });
    }
    bool stored(const QList<qint64>& written) { return rowsOf(written, "d_string") == 1; }
    // Launches and waits until the user's stream is being served.
    void launchListening() {
        presetLoggedOnUser();
        launchAfterGuide();
        ASSERT_TRUE(runMainLoopUntil([&] { return messaging.openStreams(kUser) == 1; }));
    }

    MessagingStandin messaging{server()};
};

TEST_F(QXAppDelegateMessagingTest, LaunchListensForTheUserAndABrokersMessageReachesTheStore) {
    launchListening();
    ASSERT_NE(app().imDelegate(), nullptr);
    EXPECT_EQ(app().imDelegate()->curListenUserid(), kUser);
    const QList<qint64> written = messaging.write({{"to", kUser}, {"text", "还在吗"}});
    ASSERT_TRUE(
        runMainLoopUntil([&] { return stored(written) && messaging.unacknowledged(kUser) == 0; }));
    EXPECT_EQ(streamsAskedFor(kUser), 1);
}

TEST_F(QXAppDelegateMessagingTest, ANewTalkAboutAPostOpensWithTheBrokersMessageAlone) {
    launchListening();
    // The packet opens a talk about a post with a title: only the app's own plug-in reads
    // it, and it adds no post card in front of the message.
    const QList<qint64> written = messaging.write({{"to", kUser}, {"text", "这套还在"}});
    ASSERT_TRUE(
        runMainLoopUntil([&] { return stored(written) && messaging.unacknowledged(kUser) == 0; }));
    // A later packet of the same talk comes after whatever the first one brought.
    const QList<qint64> later = messaging.write({{"to", kUser}, {"text", "看房吗"}});
    ASSERT_TRUE(runMainLoopUntil([&] { return stored(later); }));
    EXPECT_EQ(rowsOf(written, "url"), 0);
    const int cards = QXIMDatabase::shared().queue().inDatabase([&](JSSQLite& db) {
        return db.executeQuery("SELECT COUNT(*) AS c FROM msgs WHERE c_type = 'url'")
            ->value(0)
            .value("c")
            .toInt();
    });
    EXPECT_EQ(cards, 0);
}

TEST_F(QXAppDelegateMessagingTest, AGuestListensAgainAtTheNextLaunchUnderTheStoredAnonymousId) {
    launchAfterGuide();
    ASSERT_TRUE(runMainLoopUntil([&] { return app().hasUserId(); }));
    const qint64 guest = defaults().integerForKey("anonymousLoginId");
    ASSERT_GT(guest, 0);
    ASSERT_TRUE(runMainLoopUntil([&] { return messaging.openStreams(guest) == 1; }));

    // The same sandbox started again: the id is stored, so none is fetched this time.
    launch();
    ASSERT_TRUE(runMainLoopUntil([&] { return messaging.openStreams(guest) == 1; }));
    EXPECT_EQ(QXIMUser::shared().userId(), guest);
    EXPECT_EQ(app().imDelegate()->curListenUserid(), guest);
    EXPECT_EQ(calls("userRegister").size(), 1u);
    const QList<qint64> written = messaging.write({{"to", guest}, {"text", "第二次打开"}});
    ASSERT_TRUE(
        runMainLoopUntil([&] { return stored(written) && messaging.unacknowledged(guest) == 0; }));
    EXPECT_EQ(streamsAskedFor(guest), 2);
}

TEST_F(QXAppDelegateMessagingTest, AGuestListensUnderTheAnonymousIdTheServerGives) {
    // No user id stored: the launch listens for user 0 until the server's id arrives.
    launchAfterGuide();
    ASSERT_TRUE(runMainLoopUntil([&] { return app().hasUserId(); }));
    const qint64 guest = defaults().integerForKey("anonymousLoginId");
    ASSERT_GT(guest, 0);
    EXPECT_EQ(QXIMUser::shared().userId(), guest);
    ASSERT_TRUE(runMainLoopUntil([&] { return messaging.openStreams(guest) == 1; }));
    EXPECT_EQ(app().imDelegate()->curListenUserid(), guest);
    const QList<qint64> written = messaging.write({{"to", guest}, {"text", "欢迎"}});
    ASSERT_TRUE(
        runMainLoopUntil([&] { return stored(written) && messaging.unacknowledged(guest) == 0; }));
    EXPECT_EQ(streamsAskedFor(guest), 1);
}

TEST_F(QXAppDelegateMessagingTest, TheInstallationsIdArrivingWhileLoggedOnWaitsForTheLogoff) {
    // Logged on in an earlier launch that never reached the server: this launch fetches the
    // installation's id while the user's stream is open.
    defaults().setBool(true, "lastLogonState");
    defaults().setInteger(kUser, "loginID");
    launchAfterGuide();
    ASSERT_TRUE(runMainLoopUntil([&] { return app().hasUserId(); }));
    const qint64 guest = defaults().integerForKey("anonymousLoginId");
    ASSERT_GT(guest, 0);
    ASSERT_NE(guest, kUser);
    EXPECT_EQ(QXIMUser::shared().userId(), kUser);
    ASSERT_EQ(app().imDelegate()->curListenUserid(), kUser);

    clock().advance(6s);
    const QList<qint64> written = messaging.write({{"to", kUser}, {"text", "您好"}});
    ASSERT_TRUE(
        runMainLoopUntil([&] { return stored(written) && messaging.unacknowledged(kUser) == 0; }));
    EXPECT_EQ(streamsAskedFor(kUser), 1);
    EXPECT_EQ(streamsAskedFor(guest), 0);

    // Logged off, the installation's id is the messaging user.
    app().userInfo()->removeMemoryLogonInfo();
    ASSERT_TRUE(runMainLoopUntil(
        [&] { return messaging.openStreams(guest) == 1 && messaging.openStreams(kUser) == 0; }));
}

TEST_F(QXAppDelegateMessagingTest, ResigningActiveClosesTheStreamAndBecomingActiveOpensANewOne) {
    launchListening();
    ui::Application::sharedApplication().resignActive();
    ASSERT_TRUE(runMainLoopUntil([&] { return messaging.openStreams(kUser) == 0; }));
    EXPECT_TRUE(app().imDelegate()->noKeepOnline());
    // Held offline: the heartbeat's check reconnects nothing.
    clock().advance(120s);
    app().imDelegate()->heartbeat();

    // What the broker writes meanwhile is fetched when the app is active again.
    const QList<qint64> written = messaging.write({{"to", kUser}, {"text", "房子已经租出去了"}});
    ui::Application::sharedApplication().becomeActive();
    ASSERT_TRUE(
        runMainLoopUntil([&] { return messaging.openStreams(kUser) == 1 && stored(written); }));
    EXPECT_EQ(streamsAskedFor(kUser), 2);
    EXPECT_FALSE(app().imDelegate()->noKeepOnline());
}

TEST_F(QXAppDelegateMessagingTest, BecomingActiveRightAfterResigningStillListensAgain) {
    launchListening();
    // No waiting in between: the close and the reopening are both still under way.
    ui::Application::sharedApplication().resignActive();
    ui::Application::sharedApplication().becomeActive();
    ASSERT_TRUE(runMainLoopUntil([&] { return streamsAskedFor(kUser) == 2; }));
    EXPECT_FALSE(app().imDelegate()->noKeepOnline());
    const QList<qint64> written = messaging.write({{"to", kUser}, {"text", "明天可以看房"}});
    ASSERT_TRUE(runMainLoopUntil([&] { return stored(written); }));
}

TEST_F(QXAppDelegateMessagingTest, AnotherUserLoggingOnMovesTheStreamToThem) {
    launchListening();
    QXIMUser::shared().setUserId(kOtherUser);
    ns::NotificationCenter::defaultCenter().post(kUserChangedNotification);
    ASSERT_TRUE(runMainLoopUntil([&] {
        return messaging.openStreams(kOtherUser) == 1 && messaging.openStreams(kUser) == 0;
    }));
    const QList<qint64> written = messaging.write({{"to", kOtherUser}, {"text", "新用户您好"}});
    ASSERT_TRUE(runMainLoopUntil([&] { return stored(written); }));
}

}  // namespace
