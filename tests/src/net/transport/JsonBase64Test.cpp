#include "net/transport/JsonBase64.h"

#include "SandboxTest.h"

#include <QRandomGenerator>

namespace {

class JsonBase64Test : public SandboxTest {};

TEST_F(JsonBase64Test, EncodesInBothAlphabets) {
    EXPECT_EQ(JsonBase64::encodeData("abc"), "YWJj");
    EXPECT_EQ(JsonBase64::stringByEncodingData("ab"), "YWI=");
    EXPECT_EQ(JsonBase64::encodeData("a"), "YQ==");
    EXPECT_EQ(JsonBase64::encodeData("\xfb\xff"), "+/8=");
    EXPECT_EQ(JsonBase64::webSafeEncodeData("\xfb\xff", false), "-_8");
    EXPECT_EQ(JsonBase64::stringByWebSafeEncodingData("\xfb\xff", true), "-_8=");
    EXPECT_TRUE(JsonBase64::encodeData(QByteArray()).isNull());
}

TEST_F(JsonBase64Test, DecodingSkipsWhiteSpaceAndChecksPadding) {
    EXPECT_EQ(JsonBase64::decodeString("YW Jj"), "abc");
    EXPECT_EQ(JsonBase64::decodeData("\tY\nW\xa0J\xffj\r"), "abc");
    EXPECT_TRUE(JsonBase64::decodeString("YWI").isNull());
    EXPECT_EQ(JsonBase64::webSafeDecodeString("YWI"), "ab");
    EXPECT_EQ(JsonBase64::decodeString("YWI="), "ab");
    EXPECT_EQ(JsonBase64::decodeString("YQ= =  "), "a");
    EXPECT_EQ(JsonBase64::webSafeDecodeString("-_8"), "\xfb\xff");
}

TEST_F(JsonBase64Test, MalformedTextDecodesToNil) {
    for (const char* text : {"YWJ",     // leftover bits
                             "Y",       // lone character
                             "YQ=",     // one "=" after two characters
                             "YWJj=",   // "=" at the start of a group
                             "YWI==",   // two "=" after three characters
                             "YQ==YQ",  // text after the padding
                             "YW*j",    // outside the alphabet
                             "", "  "}) {
        EXPECT_TRUE(JsonBase64::webSafeDecodeString(text).isNull()) << text;
        EXPECT_TRUE(JsonBase64::decodeString(text).isNull()) << text;
    }
    EXPECT_TRUE(JsonBase64::decodeString("-_8=").isNull());
    EXPECT_TRUE(JsonBase64::webSafeDecodeString("+/8=").isNull());
}

TEST_F(JsonBase64Test, EveryLengthSurvivesARoundTrip) {
    QRandomGenerator random(7);
    for (int length = 1; length <= 40; ++length) {
        QByteArray bytes(length, Qt::Uninitialized);
        for (char& byte : bytes) byte = char(random.bounded(256));
        const QByteArray padded = JsonBase64::encodeData(bytes);
        EXPECT_EQ(size_t(padded.size()), JsonBase64::encodedLength(size_t(length), true));
        EXPECT_EQ(JsonBase64::decodeData(padded), bytes);
        const QByteArray bare = JsonBase64::webSafeEncodeData(bytes, false);
        EXPECT_EQ(size_t(bare.size()), JsonBase64::encodedLength(size_t(length), false));
        EXPECT_EQ(JsonBase64::webSafeDecodeData(bare), bytes);
    }
}

TEST_F(JsonBase64Test, BufferFormsRefuseASmallDestination) {
    char out[4];
    EXPECT_EQ(
        JsonBase64::baseEncode("abcd", 4, out, sizeof out, JsonBase64::kStandardCharset, true), 0u);
    EXPECT_EQ(JsonBase64::baseEncode("abc", 3, out, sizeof out, JsonBase64::kStandardCharset, true),
              4u);
    char one[1];
    EXPECT_EQ(
        JsonBase64::baseDecode("YWI=", 4, one, sizeof one, JsonBase64::kStandardCharset, true), 0u);
}

}  // namespace
