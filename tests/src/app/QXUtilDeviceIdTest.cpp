#include "app/QXAppDelegate.h"
#include "app/QXUtil.h"

#include "net/QXUID.h"
#include "platform/foundation/sandbox.h"

#include "SandboxTest.h"

namespace {

class QXUtilDeviceIdTest : public SandboxTest {};

TEST_F(QXUtilDeviceIdTest, TheDeviceIdIsTheOneInTheKeychain) {
    ASSERT_TRUE(QXUtil::DeviceSystemVersionIsiOS7());
    const QString id = QXUtil::macaddress();
    EXPECT_EQ(QXUID::getqxidFromKeyChain(), id);

    // Another installation's id, found in the keychain of a new sandbox, is the one sent.
    QTemporaryDir other;
    ns::Sandbox::setRoot(other.path());
    ASSERT_TRUE(QXUID::settqxidToKeyChain("6F9619FF-8B86-D011-B42D-00C04FC964FF"));
    EXPECT_EQ(QXUtil::macaddress(), "6F9619FF-8B86-D011-B42D-00C04FC964FF");
    ns::Sandbox::setRoot(sandboxPath());
    EXPECT_EQ(QXUtil::macaddress(), id);
}

TEST(MacStringTest, OnlyASixByteLinkAddressIsAMacAddress) {
    ns::NetworkInterface ethernet;
    ethernet.name = QStringLiteral("en0");
    ethernet.hardwareAddress = QByteArray::fromHex("02fc0000a10b");
    EXPECT_EQ(QXAppDelegate::macStringOf(ethernet), "02:FC:00:00:A1:0B");

    // No interface, a link without an address, and a longer (InfiniBand-like) one: none.
    EXPECT_TRUE(QXAppDelegate::macStringOf(std::nullopt).isNull());
    ns::NetworkInterface bare;
    EXPECT_TRUE(QXAppDelegate::macStringOf(bare).isNull());
    ns::NetworkInterface wide;
    wide.hardwareAddress = QByteArray(20, '\x11');
    EXPECT_TRUE(QXAppDelegate::macStringOf(wide).isNull());
}

}  // namespace
