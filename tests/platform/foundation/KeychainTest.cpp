#include "platform/foundation/keychain.h"

#include "platform/foundation/file_manager.h"
#include "platform/foundation/sandbox.h"

#include "SandboxTest.h"

namespace {

using ns::Keychain;

class KeychainTest : public SandboxTest {
protected:
    // The device-id item as the app keeps it: found by its generic attribute.
    static Keychain::Item deviceIdItem(const QByteArray& id) {
        Keychain::Item item;
        item.description = QStringLiteral("UUID");
        item.generic = "UUID";
        item.data = id;
        return item;
    }
    static Keychain::Query byGeneric() { return {std::nullopt, std::nullopt, QByteArray("UUID")}; }
    static int permissions() {
        return ns::FileManager::attributesOfItemAtPath(Keychain::storePath())->posixPermissions;
    }
};

TEST_F(KeychainTest, AddFindUpdateAndDeleteAnItem) {
    EXPECT_FALSE(Keychain::find(byGeneric()));
    ASSERT_FALSE(Keychain::add(deviceIdItem("6F9619FF-8B86-D011-B42D-00C04FC964FF")));

    const auto found = Keychain::find(byGeneric());
    ASSERT_TRUE(found);
    EXPECT_EQ(*found, deviceIdItem("6F9619FF-8B86-D011-B42D-00C04FC964FF"));
    EXPECT_EQ(found->account, QString());

    const auto duplicate = Keychain::add(deviceIdItem("other"));
    ASSERT_TRUE(duplicate);
    EXPECT_EQ(duplicate->code(), Keychain::kDuplicateItem);
    EXPECT_EQ(duplicate->domain(), Keychain::kOSStatusErrorDomain);

    ASSERT_FALSE(Keychain::update(byGeneric(), deviceIdItem("replaced")));
    EXPECT_EQ(Keychain::find(byGeneric())->data, QByteArray("replaced"));

    ASSERT_FALSE(Keychain::remove(byGeneric()));
    EXPECT_FALSE(Keychain::find(byGeneric()));
    EXPECT_EQ(Keychain::remove(byGeneric())->code(), Keychain::kItemNotFound);
    EXPECT_EQ(Keychain::update(byGeneric(), deviceIdItem("x"))->code(), Keychain::kItemNotFound);
}

TEST_F(KeychainTest, AnUnreadableStoreIsKeptAsideAndANewOneStarts) {
    ASSERT_TRUE(ns::FileManager::createFileAtPath(Keychain::storePath(), "bplist00 damaged"));
    EXPECT_FALSE(Keychain::find(byGeneric()));
    EXPECT_EQ(ns::FileManager::contentsAtPath(Keychain::storePath() + ".unreadable"),
              QByteArray("bplist00 damaged"));
    ASSERT_FALSE(Keychain::add(deviceIdItem("new")));
    EXPECT_EQ(Keychain::find(byGeneric())->data, QByteArray("new"));
}

TEST_F(KeychainTest, PasswordsByServiceAndAccount) {
    ASSERT_FALSE(Keychain::setPasswordText("logon", "13800000000", QStringLiteral("密码 pass")));
    ASSERT_FALSE(Keychain::setPassword("logon", "13900000000", QByteArray("\x00\x01", 2)));
    ASSERT_FALSE(Keychain::setPasswordText("logon", "13800000000", QStringLiteral("新密码")));
    ASSERT_FALSE(Keychain::setPasswordText("im", "13800000000", QString()));

    EXPECT_EQ(Keychain::passwordText("logon", "13800000000"), QStringLiteral("新密码"));
    EXPECT_EQ(*Keychain::password("logon", "13900000000"), QByteArray("\x00\x01", 2));
    EXPECT_FALSE(Keychain::passwordText("im", "13800000000").isNull());
    EXPECT_TRUE(Keychain::passwordText("im", "13800000000").isEmpty());
    EXPECT_TRUE(Keychain::passwordText("logon", "nobody").isNull());
    EXPECT_FALSE(Keychain::password("other", "13800000000"));

    ASSERT_FALSE(Keychain::remove({QStringLiteral("logon"), std::nullopt, std::nullopt}));
    EXPECT_FALSE(Keychain::password("logon", "13900000000"));
    EXPECT_TRUE(Keychain::password("im", "13800000000"));
}

TEST_F(KeychainTest, TheStoreIsReadableByTheUserOnly) {
    ASSERT_FALSE(Keychain::add(deviceIdItem("id")));
    EXPECT_EQ(permissions(), 0600);
    EXPECT_EQ(Keychain::storePath(), sandboxPath() + QStringLiteral("/Library/keychain.plist"));

    // A store someone opened up is closed again by the next change.
    ASSERT_TRUE(QFile::setPermissions(Keychain::storePath(),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
    ASSERT_FALSE(Keychain::update(byGeneric(), deviceIdItem("id2")));
    EXPECT_EQ(permissions(), 0600);
    EXPECT_EQ(
        ns::FileManager::contentsOfDirectoryAtPath(ns::Sandbox::library())->filter("keychain"),
        QStringList{"keychain.plist"});
}

TEST_F(KeychainTest, EachSandboxHasItsOwnStore) {
    ASSERT_FALSE(Keychain::setPasswordText("UUID", "", QStringLiteral("first")));
    QTemporaryDir other;
    ns::Sandbox::setRoot(other.path());
    EXPECT_TRUE(Keychain::passwordText("UUID", "").isNull());
    ns::Sandbox::setRoot(sandboxPath());
    EXPECT_EQ(Keychain::passwordText("UUID", ""), QStringLiteral("first"));
}

}  // namespace
