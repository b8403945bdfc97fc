#include "chat/VoiceFolders.h"
#include "chat/VoiceLeftovers.h"

#include "IMChat/qximlib/qximdata/db/JSSQLite.h"
#include "IMChat/qximlib/qximdata/util/QXIMUtil.h"
#include "net/EndpointTable.h"
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
    // A user's message store holding messages of these contents and, when any are given,
    // needs with these voice notes.
    static void storeOf(const QString& user, const QStringList& contents,
                        const QStringList& needNotes = {}) {
        const QString folder = ns::Sandbox::documents() + "/" + user;
        ASSERT_TRUE(ns::FileManager::createDirectoryAtPath(folder, true));
        JSSQLite store;
        ASSERT_TRUE(store.open(folder + "/im.db"));
        ASSERT_TRUE(
            store.executeUpdate("CREATE TABLE msgs (_id INTEGER PRIMARY KEY, m_content TEXT)"));
        for (const QString& content : contents)
            ASSERT_TRUE(store.executeUpdate("INSERT INTO msgs (m_content) VALUES (?)", {content}));
        if (needNotes.isEmpty()) return;
        ASSERT_TRUE(store.executeUpdate("CREATE TABLE need_list (n_id TEXT, voiceUrl TEXT)"));
        for (const QString& note : needNotes)
            ASSERT_TRUE(store.executeUpdate("INSERT INTO need_list VALUES ('', ?)", {note}));
    }
    static QStringList folders() {
        return {VoiceFolders::wavCacheDirectory(), VoiceFolders::amrCacheDirectory()};
    }
};

// What a recording leaves behind goes, unless a message not yet sent still plays or sends it;
// so does a voice kept by its URL that no message or need names. Nothing that is not a voice's,
// and no recording of the run going on, is touched.
TEST_F(VoiceLeftoversTest, RecordingsNoStoredMessageNamesGoAndTheRestStays) {
    const QString sent = QXIMUtil::MD5Encode("http://img.example/a.amr");
    const QString relative = QXIMUtil::MD5Encode(EndpointTable::imageHost() + "/uploads/7.amr");
    const QString needNote = QXIMUtil::MD5Encode("http://img.example/need.amr");
    const QString orphan = QXIMUtil::MD5Encode("http://img.example/never-kept.amr");
    make(inTmp("1700000000"));       // a voice sent long ago: its AMR moved on
    make(inTmp("1700000100"), {});   // cut off by a kill while recording
    make(inTmp("1700000200"));       // a need's note never sent ...
    make(inAmrCache("1700000200"));  // ... and its encoded form
    make(inTmp("1700000300-2"));     // a voice still waiting to be sent ...
    make(inAmrCache("1700000300-2"));
    make(inTmp("1700000300-2.wav"));  // ... decoded for playing
    make(inTmp("1700000500-2"));      // a second recording of its second, given up
    make(inTmp("1700000400.wav"));    // the decoded form of a voice of another user's
    make(inAmrCache(sent));           // voices kept by URL: of a message, by the host's path ...
    make(inAmrCache(relative));
    make(inAmrCache(needNote));  // ... of a need (one still being sent counts) ...
    make(inAmrCache(orphan));    // ... and of a need the app never kept
    make(inTmp(orphan + ".wav"));
    make(inTmp("image-1700000000.jpg"));
    make(inTmp("1750000000"));  // begun in the very second of the launch
    make(inTmp("1800000000"));  // recorded in this run
    storeOf("42", {R"([["sound",{"src":"file://1700000300-2","duration":2.0}]])",
                   R"([["sound",{"src":"http://img.example/a.amr"}]])", R"(["text"])"});
    storeOf(
        "43",
        {R"([["sound",{"src":"file://1700000400"}]])", R"([["sound",{"src":"uploads/7.amr"}]])"},
        {"http://img.example/need.amr", ""});

    const auto kept = VoiceLeftovers::namesInStores(ns::Sandbox::documents());
    ASSERT_TRUE(kept);
    EXPECT_EQ(*kept, (QSet<QString>{"1700000300-2", "1700000400", sent, relative, needNote}));
    EXPECT_EQ(VoiceLeftovers::removeUnused(*kept, 1750000000, folders()), 6);
    for (const QString& gone :
         {inTmp("1700000000"), inTmp("1700000100"), inTmp("1700000200"), inAmrCache("1700000200"),
          inTmp("1700000500-2"), inAmrCache(orphan)})
        EXPECT_FALSE(exists(gone)) << gone.toStdString();
    for (const QString& stays :
         {inTmp("1700000300-2"), inAmrCache("1700000300-2"), inTmp("1700000300-2.wav"),
          inTmp("1700000400.wav"), inAmrCache(sent), inAmrCache(relative), inAmrCache(needNote),
          inTmp(orphan + ".wav"), inTmp("image-1700000000.jpg"), inTmp("1750000000"),
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
