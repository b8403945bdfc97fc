#include "chat/VoiceFolders.h"
#include "chat/VoiceLeftovers.h"

#include "IMChat/qximlib/qximdata/db/JSSQLite.h"
#include "platform/foundation/file_manager.h"
#include "platform/foundation/sandbox.h"

#include "SandboxTest.h"

namespace {

class VoiceLeftoversTest : public SandboxTest {
protected:
    static QString inTmp(const QString& name) {
        return VoiceFolders::wavCacheDirectory() + "/" + name;
    }
    static QString inAmrCache(const QString& name) {
        return VoiceFolders::amrCacheDirectory() + "/" + name;
    }
    static void make(const QString& path, const QByteArray& bytes = "RIFF") {
        ASSERT_TRUE(ns::FileManager::createFileAtPath(path, bytes));
    }
    static bool exists(const QString& path) { return ns::FileManager::fileExistsAtPath(path); }
    // A user's message store holding messages of these contents.
    static void storeOf(const QString& user, const QStringList& contents) {
        const QString folder = ns::Sandbox::documents() + "/" + user;
        ASSERT_TRUE(ns::FileManager::createDirectoryAtPath(folder, true));
        JSSQLite store;
        ASSERT_TRUE(store.open(folder + "/im.db"));
        ASSERT_TRUE(
            store.executeUpdate("CREATE TABLE msgs (_id INTEGER PRIMARY KEY, m_content TEXT)"));
        for (const QString& content : contents)
            ASSERT_TRUE(store.executeUpdate("INSERT INTO msgs (m_content) VALUES (?)", {content}));
    }
    static QStringList folders() {
        return {VoiceFolders::wavCacheDirectory(), VoiceFolders::amrCacheDirectory()};
    }
};

// What a recording leaves behind goes, unless a message not yet sent still plays or sends it;
// nothing that is not a recording's, and no recording of the run going on, is touched.
TEST_F(VoiceLeftoversTest, RecordingsNoStoredMessageNamesGoAndTheRestStays) {
    make(inTmp("1700000000"));       // a voice sent long ago: its AMR moved on
    make(inTmp("1700000100"), {});   // cut off by a kill while recording
    make(inTmp("1700000200"));       // a need's note never sent ...
    make(inAmrCache("1700000200"));  // ... and its encoded form
    make(inTmp("1700000300-2"));     // a voice still waiting to be sent ...
    make(inAmrCache("1700000300-2"));
    make(inTmp("1700000300-2.wav"));  // ... decoded for playing
    make(inTmp("1700000400.wav"));    // the decoded form of a voice of another user's
    make(inAmrCache("0123456789ABCDEF0123456789ABCDEF"));  // uploaded voices
    make(inTmp("0123456789ABCDEF0123456789ABCDEF.wav"));
    make(inTmp("image-1700000000.jpg"));
    make(inTmp("1800000000"));  // recorded in this run
    storeOf("42", {R"([["sound",{"src":"file://1700000300-2","duration":2.0}]])",
                   R"([["sound",{"src":"http://img.example/a.amr"}]])", R"(["text"])"});
    storeOf("43", {R"([["sound",{"src":"file://1700000400"}]])"});

    const auto kept = VoiceLeftovers::namesInStores(ns::Sandbox::documents());
    ASSERT_TRUE(kept);
    EXPECT_EQ(*kept, (QSet<QString>{"1700000300-2", "1700000400"}));
    EXPECT_EQ(VoiceLeftovers::removeUnused(*kept, 1750000000, folders()), 4);
    for (const QString& gone :
         {inTmp("1700000000"), inTmp("1700000100"), inTmp("1700000200"), inAmrCache("1700000200")})
        EXPECT_FALSE(exists(gone)) << gone.toStdString();
    for (const QString& stays :
         {inTmp("1700000300-2"), inAmrCache("1700000300-2"), inTmp("1700000300-2.wav"),
          inTmp("1700000400.wav"), inAmrCache("0123456789ABCDEF0123456789ABCDEF"),
          inTmp("0123456789ABCDEF0123456789ABCDEF.wav"), inTmp("image-1700000000.jpg"),
          inTmp("1800000000")})
        EXPECT_TRUE(exists(stays)) << stays.toStdString();

    // A store that cannot be read keeps everything where it is.
    ASSERT_TRUE(ns::FileManager::createDirectoryAtPath(ns::Sandbox::documents() + "/44", true));
    make(ns::Sandbox::documents() + "/44/im.db", "not a database at all, but long enough");
    EXPECT_FALSE(VoiceLeftovers::namesInStores(ns::Sandbox::documents()));
}

TEST_F(VoiceLeftoversTest, OneRecordingGoesFromBothFoldersWhicheverFileNamesIt) {
    for (const QString& path : {inTmp("1700000500"), inTmp("1700000500.wav"),
                                inAmrCache("1700000500"), inTmp("1700000600")})
        make(path);
    VoiceLeftovers::removeRecording(inAmrCache("1700000500"));
    EXPECT_FALSE(exists(inTmp("1700000500")));
    EXPECT_FALSE(exists(inTmp("1700000500.wav")));
    EXPECT_FALSE(exists(inAmrCache("1700000500")));
    EXPECT_TRUE(exists(inTmp("1700000600")));
    make(inAmrCache("0123456789ABCDEF0123456789ABCDEF"));
    VoiceLeftovers::removeRecording(inAmrCache("0123456789ABCDEF0123456789ABCDEF"));
    EXPECT_TRUE(exists(inAmrCache("0123456789ABCDEF0123456789ABCDEF")));
}

}  // namespace
