#include "net/QXEncode.h"

#include <gtest/gtest.h>

namespace {

TEST(QXEncodeTest, MD5IsUpperCaseHexOfUtf8Bytes) {
    EXPECT_EQ(QXEncode::MD5Encode(""), "D41D8CD98F00B204E9800998ECF8427E");
    EXPECT_EQ(QXEncode::MD5Encode("abc"), "900150983CD24FB0D6963F7D28E17F72");
    // Digest of the UTF-8 bytes E4 BD A0 E5 A5 BD.
    EXPECT_EQ(QXEncode::MD5Encode(QString::fromUtf8("你好")), "7ECA689F0D3389D9DEA66AE112E5CFD7");
}

TEST(QXEncodeTest, URLEncodeEscapesSeparatorsAndNonAsciiBytes) {
    EXPECT_EQ(QXEncode::URLEncode(QString::fromUtf8("a b&c/d=é")), "a%20b%26c%2Fd%3D%C3%A9");
    EXPECT_EQ(QXEncode::URLEncode("AZaz09-._~"), "AZaz09-._~");
    EXPECT_EQ(QXEncode::URLEncode(",!$'()*+;@?\n\"<>#\t:"),
              "%2C%21%24%27%28%29%2A%2B%3B%40%3F%0A%22%3C%3E%23%09%3A");
    EXPECT_EQ(QXEncode::URLEncode(QString(QChar(0xFFFC))), "%EF%BF%BC");
    EXPECT_EQ(QXEncode::URLEncode("100%"), "100%25");
    EXPECT_EQ(QXEncode::URLEncode(""), "");
}

TEST(QXEncodeTest, URLDecodedUndoesURLEncode) {
    const QString text = QString::fromUtf8("a b&c/d=é 100% 北京");
    EXPECT_EQ(QXEncode::URLDecoded(QXEncode::URLEncode(text)), text);
    EXPECT_EQ(QXEncode::URLDecoded("50%zz"), "50%zz");
    EXPECT_TRUE(QXEncode::URLDecoded("%FF%FE").isNull());
    EXPECT_FALSE(QXEncode::URLDecoded("").isNull());
}

TEST(QXEncodeTest, HandleSpecialCharactorEscapesInOrder) {
    // Backslash first, so the backslash added before the quote is not doubled again.
    EXPECT_EQ(QXEncode::HandleSpecialCharactor("\\\""), "\\\\\\\"");
    EXPECT_EQ(QXEncode::HandleSpecialCharactor("\\\"").size(), 4);
    EXPECT_EQ(QXEncode::HandleSpecialCharactor("a\nb\tc"), "a\\nb\\tc");
    EXPECT_EQ(QXEncode::HandleSpecialCharactor("\r\b"), "\r\b");
}

TEST(QXEncodeTest, URLEncodeAndHandleSpecialCharactorEscapesForJsonThenForURL) {
    EXPECT_EQ(QXEncode::URLEncodeAndHandleSpecialCharactor("a\"b"), "a%5C%22b");
}

}  // namespace
