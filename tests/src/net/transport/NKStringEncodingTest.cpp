#include "net/transport/NKStringEncoding.h"

#include <gtest/gtest.h>

namespace {

TEST(NKStringEncoding, NamesDecodingAndEncoding) {
    EXPECT_FALSE(NKStringEncoding().isValid());
    EXPECT_EQ(NKStringEncoding::fromIANAName("utf8"), NKStringEncoding::utf8());
    EXPECT_EQ(NKStringEncoding::fromIANAName(" Latin1 "), NKStringEncoding::isoLatin1());
    EXPECT_FALSE(NKStringEncoding::fromIANAName("no-such-charset").isValid());
    EXPECT_EQ(NKStringEncoding::utf8().IANACharSetName(), "utf-8");

    const auto gbk = NKStringEncoding::fromIANAName("gbk");
    ASSERT_TRUE(gbk.isValid());
    const auto bytes = gbk.encode(QString::fromUtf8("租房"));
    ASSERT_TRUE(bytes);
    EXPECT_EQ(bytes->size(), 4);
    EXPECT_EQ(gbk.decode(*bytes), QString::fromUtf8("租房"));

    EXPECT_FALSE(NKStringEncoding::utf8().decode("\xff\xfe"));
    EXPECT_FALSE(NKStringEncoding::utf8().decode("\xe6\x88"));  // stops inside a character
    EXPECT_EQ(NKStringEncoding::isoLatin1().decode("\xe9"), QString::fromUtf8("é"));
    EXPECT_EQ(NKStringEncoding::isoLatin1().encode(QString::fromUtf8("é")), QByteArray("\xe9"));
    EXPECT_FALSE(NKStringEncoding::isoLatin1().encode(QString::fromUtf8("房")));
    EXPECT_FALSE(NKStringEncoding().decode("x"));
}

}  // namespace
