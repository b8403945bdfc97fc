#include "net/QXUID.h"

#include "platform/foundation/keychain.h"
#include "platform/foundation/network_interface.h"
#include "platform/foundation/sandbox.h"

#include "SandboxTest.h"

#include <QFile>
#include <QRegularExpression>

namespace {

using ns::Keychain;

const QRegularExpression kUUIDForm(
    "^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$");

class QXUIDTest : public SandboxTest {
protected:
    static std::optional<Keychain::Item> storedItem() {
        return Keychain::find({std::nullopt, std::nullopt, QByteArray("UUID")});
    }
};

TEST_F(QXUIDTest, BelowVersionSevenThereIsNoIdAndNoKeychainItem) {
    EXPECT_EQ(QXUID::qxuid("6.1.3"), QString(""));
    EXPECT_FALSE(QXUID::qxuid("6.1.3").isNull());
    EXPECT_EQ(QXUID::qxuid("junk"), QString(""));
    EXPECT_FALSE(storedItem());
    EXPECT_FALSE(QFile::exists(Keychain::storePath()));
}

TEST_F(QXUIDTest, TheFirstIdIsStoredAndStaysAcrossCallsAndRestarts) {
    const QString id = QXUID::qxuid("7.0");
    EXPECT_TRUE(kUUIDForm.match(id).hasMatch()) << id.toStdString();
    EXPECT_EQ(QXUID::qxuid("7.1.2"), id);
    EXPECT_EQ(QXUID::qxuid("8"), id);

    const std::optional<Keychain::Item> item = storedItem();
    ASSERT_TRUE(item);
    EXPECT_EQ(item->description, "UUID");
    EXPECT_EQ(item->generic, QByteArray("UUID"));
    EXPECT_EQ(item->account, "");
    EXPECT_EQ(item->label, "");
    EXPECT_EQ(item->data, id.toUtf8());

    // The app starts again over the same sandbox: the stored id is read back.
    ns::Sandbox::setRoot(sandboxPath());
    EXPECT_EQ(QXUID::qxuid("7.0"), id);
}

TEST_F(QXUIDTest, AStoredIdWinsOverTheVendorId) {
    // An id kept from an earlier installation of the app.
    ASSERT_TRUE(QXUID::settqxidToKeyChain("6F9619FF-8B86-D011-B42D-00C04FC964FF"));
    EXPECT_EQ(QXUID::qxuid("7.0"), "6F9619FF-8B86-D011-B42D-00C04FC964FF");
    EXPECT_EQ(QXUID::getqxidFromKeyChain(), "6F9619FF-8B86-D011-B42D-00C04FC964FF");

    // Setting again rewrites the one item.
    EXPECT_TRUE(QXUID::settqxidToKeyChain("second"));
    EXPECT_EQ(QXUID::qxuid("7.0"), "second");
    EXPECT_EQ(Keychain::find({})->data, QByteArray("second"));
}

TEST_F(QXUIDTest, ADeletedOrEmptyItemIsMadeAgain) {
    const QString id = QXUID::qxuid("7.0");
    EXPECT_TRUE(QXUID::removeqxidFromKeyChain());
    EXPECT_FALSE(QXUID::removeqxidFromKeyChain());
    EXPECT_TRUE(QXUID::getqxidFromKeyChain().isNull());

    const QString again = QXUID::qxuid("7.0");
    EXPECT_TRUE(kUUIDForm.match(again).hasMatch());
    EXPECT_EQ(QXUID::getqxidFromKeyChain(), again);

    // An item without data counts as none, and is rewritten in place.
    ASSERT_TRUE(QXUID::updateqxidInKeyChain(""));
    EXPECT_TRUE(QXUID::getqxidFromKeyChain().isNull());
    EXPECT_EQ(QXUID::qxuid("7.0"), again);
    EXPECT_EQ(storedItem()->data, again.toUtf8());
}

TEST_F(QXUIDTest, UpdateNeedsAnItem) {
    EXPECT_FALSE(QXUID::updateqxidInKeyChain("X"));
    EXPECT_FALSE(storedItem());
    EXPECT_TRUE(QXUID::settqxidToKeyChain("X"));
    EXPECT_TRUE(QXUID::updateqxidInKeyChain("Y"));
    EXPECT_EQ(QXUID::getqxidFromKeyChain(), "Y");
}

TEST_F(QXUIDTest, NoAdvertisingId) {
    EXPECT_TRUE(QXUID::QXIDFA().isNull());
}

TEST_F(QXUIDTest, HardwareAddressOrTheFailureTexts) {
    EXPECT_EQ(QXUID::getMacAddress("no-such-if9"), "if_nametoindex failure");
    const QString address = QXUID::getMacAddress();
    if (!ns::NetworkInterface::primary()) {
        EXPECT_EQ(address, "if_nametoindex failure");
        return;
    }
    EXPECT_TRUE(QRegularExpression("^([0-9A-F]{2}:){5}[0-9A-F]{2}$").match(address).hasMatch())
        << address.toStdString();
    EXPECT_EQ(QString(address).remove(QLatin1Char(':')),
              ns::NetworkInterface::primary()->hardwareAddressText());
}

}  // namespace
