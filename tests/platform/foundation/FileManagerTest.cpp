#include "platform/foundation/file_manager.h"

#include "platform/foundation/sandbox.h"

#include "AbandonedWrite.h"
#include "SandboxTest.h"

#include <csignal>

#include <sys/resource.h>

namespace {

using ns::FileManager;

class FileManagerTest : public SandboxTest {
protected:
    static QString docs(const QString& name) { return ns::Sandbox::documents() + '/' + name; }
    static QStringList names(const QString& folder) {
        return FileManager::contentsOfDirectoryAtPath(folder).value_or(QStringList{"<none>"});
    }
    static void write(const QString& path, const QByteArray& contents) {
        ASSERT_TRUE(FileManager::createFileAtPath(path, contents)) << path.toStdString();
    }
};

TEST_F(FileManagerTest, CreatesFoldersWithOrWithoutIntermediates) {
    ns::Error error;
    EXPECT_FALSE(FileManager::createDirectoryAtPath(docs("a/b/c"), false, &error));
    EXPECT_EQ(error.code(), FileManager::kFileNoSuchFileError);
    EXPECT_EQ(error.userInfo().value(FileManager::kFilePathKey).toString(), docs("a/b/c"));

    ASSERT_TRUE(FileManager::createDirectoryAtPath(docs("a/b/c"), true));
    bool isDirectory = false;
    EXPECT_TRUE(FileManager::fileExistsAtPath(docs("a/b/c"), &isDirectory));
    EXPECT_TRUE(isDirectory);
    // An existing folder is fine only when intermediates were asked for, as on the platform.
    EXPECT_TRUE(FileManager::createDirectoryAtPath(docs("a/b/c"), true));
    EXPECT_FALSE(FileManager::createDirectoryAtPath(docs("a/b/c"), false, &error));
    EXPECT_EQ(error.code(), FileManager::kFileWriteFileExistsError);

    write(docs("plain"), "x");
    EXPECT_FALSE(FileManager::createDirectoryAtPath(docs("plain"), true, &error));
    EXPECT_FALSE(FileManager::createDirectoryAtPath(docs("plain/below"), true));
    EXPECT_TRUE(FileManager::fileExistsAtPath(docs("plain"), &isDirectory));
    EXPECT_FALSE(isDirectory);
    EXPECT_FALSE(FileManager::fileExistsAtPath(docs("missing"), &isDirectory));
}

TEST_F(FileManagerTest, ListsFoldersSortedWithHiddenEntriesUnlessSkipped) {
    ASSERT_TRUE(FileManager::createDirectoryAtPath(docs("cache/sub"), true));
    ASSERT_TRUE(FileManager::createDirectoryAtPath(docs("cache/.hiddenDir"), true));
    for (const char* name : {"b", ".hidden", "a", "sub/x", ".hiddenDir/y"})
        write(docs("cache/") + name, name);

    EXPECT_EQ(names(docs("cache")), (QStringList{".hidden", ".hiddenDir", "a", "b", "sub"}));
    EXPECT_EQ(FileManager::subpathsOfDirectoryAtPath(docs("cache")),
              (QStringList{".hidden", ".hiddenDir", ".hiddenDir/y", "a", "b", "sub", "sub/x"}));
    EXPECT_EQ(FileManager::subpathsOfDirectoryAtPath(docs("cache"), true),
              (QStringList{"a", "b", "sub", "sub/x"}));

    ns::Error error;
    EXPECT_FALSE(FileManager::contentsOfDirectoryAtPath(docs("none"), &error));
    EXPECT_EQ(error.code(), FileManager::kFileReadNoSuchFileError);
    EXPECT_FALSE(FileManager::contentsOfDirectoryAtPath(docs("cache/a")));
    EXPECT_TRUE(FileManager::subpathsOfDirectoryAtPath(docs("none")).isEmpty());
}

TEST_F(FileManagerTest, CopiesAndMovesWithoutOverwriting) {
    ASSERT_TRUE(FileManager::createDirectoryAtPath(docs("needs/1"), true));
    write(docs("needs/1/terms"), "条款");
    write(docs("needs/top"), "top");

    ASSERT_TRUE(FileManager::copyItemAtPath(docs("needs"), docs("copy")));
    EXPECT_EQ(FileManager::subpathsOfDirectoryAtPath(docs("copy")),
              (QStringList{"1", "1/terms", "top"}));
    EXPECT_EQ(*FileManager::contentsAtPath(docs("copy/1/terms")), QByteArray("条款"));

    ns::Error error;
    EXPECT_FALSE(FileManager::copyItemAtPath(docs("needs/top"), docs("copy/1/terms"), &error));
    EXPECT_EQ(error.code(), FileManager::kFileWriteFileExistsError);
    EXPECT_EQ(*FileManager::contentsAtPath(docs("copy/1/terms")), QByteArray("条款"));

    EXPECT_FALSE(FileManager::moveItemAtPath(docs("needs/top"), docs("copy/top"), &error));
    EXPECT_EQ(error.code(), FileManager::kFileWriteFileExistsError);
    EXPECT_TRUE(FileManager::fileExistsAtPath(docs("needs/top")));

    ASSERT_TRUE(FileManager::moveItemAtPath(docs("needs/top"), docs("moved")));
    EXPECT_FALSE(FileManager::fileExistsAtPath(docs("needs/top")));
    EXPECT_EQ(*FileManager::contentsAtPath(docs("moved")), QByteArray("top"));

    EXPECT_FALSE(FileManager::moveItemAtPath(docs("needs/top"), docs("again"), &error));
    EXPECT_EQ(error.code(), FileManager::kFileReadNoSuchFileError);
    EXPECT_FALSE(FileManager::copyItemAtPath(docs("needs/top"), docs("again"), &error));
    EXPECT_EQ(error.code(), FileManager::kFileReadNoSuchFileError);
}

TEST_F(FileManagerTest, RemovesFilesAndWholeFolders) {
    ASSERT_TRUE(FileManager::createDirectoryAtPath(docs("audCache/deep/er"), true));
    write(docs("audCache/deep/er/voice.amr"), "#!AMR\n");
    write(docs("single"), "1");

    EXPECT_TRUE(FileManager::removeItemAtPath(docs("single")));
    EXPECT_TRUE(FileManager::removeItemAtPath(docs("audCache")));
    EXPECT_EQ(names(ns::Sandbox::documents()), QStringList());

    ns::Error error;
    EXPECT_FALSE(FileManager::removeItemAtPath(docs("audCache"), &error));
    EXPECT_EQ(error.code(), FileManager::kFileNoSuchFileError);
    EXPECT_EQ(error.domain(), ns::Error::kCocoaErrorDomain);
}

TEST_F(FileManagerTest, AttributesTellSizeDatesAndPermissions) {
    write(docs("image"), QByteArray(10000, 'x'));
    auto attributes = FileManager::attributesOfItemAtPath(docs("image"));
    ASSERT_TRUE(attributes);
    EXPECT_FALSE(attributes->isDirectory);
    EXPECT_EQ(attributes->size, 10000);
    EXPECT_GT(attributes->allocatedSize, 0);

    // The image cache ages its files by this date, so it must take dates in the past.
    const QDateTime eightDaysAgo = clock().currentDateTime().addDays(-8).addMSecs(123);
    ASSERT_TRUE(FileManager::setModificationDate(eightDaysAgo, docs("image")));
    EXPECT_EQ(FileManager::attributesOfItemAtPath(docs("image"))->modificationDate, eightDaysAgo);

    ASSERT_TRUE(FileManager::createFileAtPath(docs("secret"), "s", 0600));
    EXPECT_EQ(FileManager::attributesOfItemAtPath(docs("secret"))->posixPermissions, 0600);
    EXPECT_TRUE(FileManager::attributesOfItemAtPath(ns::Sandbox::documents())->isDirectory);

    ns::Error error;
    EXPECT_FALSE(FileManager::attributesOfItemAtPath(docs("none"), &error));
    EXPECT_EQ(error.code(), FileManager::kFileReadNoSuchFileError);
    EXPECT_FALSE(FileManager::contentsAtPath(docs("none")));
}

TEST_F(FileManagerTest, AtomicWriteReplacesTheWholeFileAndLeavesNothingElse) {
    write(docs("statistics"), QByteArray(100000, 'a'));
    write(docs("statistics"), "short");
    EXPECT_EQ(*FileManager::contentsAtPath(docs("statistics")), QByteArray("short"));
    write(docs("statistics"), QByteArray());
    EXPECT_EQ(*FileManager::contentsAtPath(docs("statistics")), QByteArray());
    EXPECT_EQ(names(ns::Sandbox::documents()), QStringList{"statistics"});
}

TEST_F(FileManagerTest, AWriteFailingHalfwayLeavesTheOldFileAndNoTemporaryFile) {
    write(docs("settings.plist"), "old settings");
    // A file size limit makes the write fail after its first 64 KiB, like a full disk.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit limited = saved;
    limited.rlim_cur = 64 * 1024;
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    ns::Error error;
    const bool written = FileManager::createFileAtPath(docs("settings.plist"),
                                                       QByteArray(1024 * 1024, 'n'), {}, &error);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(written);
    EXPECT_EQ(error.code(), FileManager::kFileWriteOutOfSpaceError);
    EXPECT_EQ(*FileManager::contentsAtPath(docs("settings.plist")), QByteArray("old settings"));
    EXPECT_EQ(names(ns::Sandbox::documents()), QStringList{"settings.plist"});
}

TEST_F(FileManagerTest, AFailedRenameLeavesTheTargetAndNoTemporaryFile) {
    // A folder in the target's place makes the final rename fail.
    ASSERT_TRUE(FileManager::createDirectoryAtPath(docs("cata.xml"), true));
    write(docs("cata.xml/inside"), "kept");
    ns::Error error;
    EXPECT_FALSE(FileManager::createFileAtPath(docs("cata.xml"), "new", {}, &error));
    EXPECT_EQ(error.code(), FileManager::kFileWriteFileExistsError);
    EXPECT_EQ(*FileManager::contentsAtPath(docs("cata.xml/inside")), QByteArray("kept"));
    EXPECT_EQ(names(ns::Sandbox::documents()), QStringList{"cata.xml"});

    // A missing folder fails before anything is written.
    EXPECT_FALSE(FileManager::createFileAtPath(docs("no/such/folder"), "x", {}, &error));
    EXPECT_EQ(error.code(), FileManager::kFileNoSuchFileError);
}

TEST_F(FileManagerTest, AbandonedTemporaryFilesOfEveryFileInAFolderGoAndNothingElse) {
    const QString folder = docs("cache");
    const QString gone = leaveAbandonedWrite(folder + "/streetInfo-401");
    const QString goneToo = leaveAbandonedWrite(folder + "/filters.tmp-3");
    // A writer still running (the first process never ends) may be about to rename its file.
    const QString running = leaveAbandonedWrite(folder + "/filters", 1);
    const QString below = leaveAbandonedWrite(folder + "/deeper/filters");
    write(folder + "/streetInfo-401", "kept");
    // Hidden files that only look like temporaries are someone else's.
    for (const char* name : {".tmp-1234567-1", ".a.tmp-x-1", ".a.tmp-99999999-", ".hidden"})
        write(folder + "/" + QString::fromLatin1(name), "kept");

    FileManager::removeAbandonedTemporaryFilesInFolder(folder);
    EXPECT_FALSE(QFileInfo::exists(gone));
    EXPECT_FALSE(QFileInfo::exists(goneToo));
    EXPECT_TRUE(QFileInfo::exists(running));
    EXPECT_TRUE(QFileInfo::exists(below)) << "only the folder itself is cleaned";
    EXPECT_EQ(names(folder),
              (QStringList{".a.tmp-99999999-", ".a.tmp-x-1", ".filters.tmp-1-7", ".hidden",
                           ".tmp-1234567-1", "deeper", "streetInfo-401"}));
    FileManager::removeAbandonedTemporaryFilesInFolder(docs("missing"));  // nothing to do
}

}  // namespace
