#include "net/QXDESCode.h"

#include <gtest/gtest.h>

namespace {

TEST(QXDESCodeTest, DecryptsCiphertextOfTheSharedKeyAndVector) {
    // Made once with the command-line cipher tool: DES-CBC, key "Kd,pWmta",
    // initialisation vector 6A3F92C51DB4E078, PKCS#7 padding.
    EXPECT_EQ(QXDESCode::decryptStr("B9URq0COGx0e3G6Zxr8hOQ=="), "13800138000");
    EXPECT_EQ(QXDESCode::decryptStr("vBY3hBZ9K7ACzC8xgliZ83BPEdy8GgFz"),
              QString::fromUtf8("联系电话13912345678"));
    EXPECT_EQ(QXDESCode::encryptStr("1234567"), "6WNHZNHTQ4I=");
    EXPECT_EQ(QXDESCode::decryptStr("6WNHZN\nHTQ4I="), "1234567");
}

TEST(QXDESCodeTest, RoundTripsTextsAroundTheBlockSize) {
    for (const char* utf8 : {"1234567", "12345678", "123456789", "北京", "北京朝阳区", ""}) {
        const QString text = QString::fromUtf8(utf8);
        const QString cipherText = QXDESCode::encryptStr(text);
        ASSERT_FALSE(cipherText.isEmpty()) << utf8;
        EXPECT_EQ(QXDESCode::decryptStr(cipherText), text) << utf8;
    }
    // A whole extra block of padding when the text fills its blocks exactly.
    EXPECT_EQ(QXDESCode::decodeBase64WithString(QXDESCode::encryptStr("12345678"))->size(), 16);
    EXPECT_EQ(QXDESCode::decodeBase64WithString(QXDESCode::encryptStr("1234567"))->size(), 8);
}

TEST(QXDESCodeTest, KeyIsCutOrFilledToEightBytes) {
    const QString text = "13800138000";
    EXPECT_EQ(QXDESCode::doCipher(text, "Kd,pWmta-and-more", QXDESCode::kEncrypt),
              QXDESCode::encryptStr(text));
    const QString shortKey = QXDESCode::doCipher(text, "Kd", QXDESCode::kEncrypt);
    EXPECT_EQ(
        QXDESCode::doCipher(shortKey, QString::fromUtf8("Kd\0\0\0\0\0\0", 8), QXDESCode::kDecrypt),
        text);
}

TEST(QXDESCodeTest, GarbageDecryptsToNothingOrEmpty) {
    EXPECT_TRUE(QXDESCode::decryptStr("not base64!").isNull());
    EXPECT_TRUE(QXDESCode::decryptStr(QString::fromUtf8("电话")).isNull());
    EXPECT_TRUE(QXDESCode::decryptStr("").isEmpty());
    // Valid Base64, but not a whole number of cipher blocks.
    EXPECT_TRUE(QXDESCode::decryptStr("YWJj").isEmpty());
    // Whole blocks whose padding does not check out under this key: the cipher rejects
    // them (or, rarely, the bytes are not UTF-8); either way no text comes out.
    EXPECT_TRUE(QXDESCode::decryptStr("AAAAAAAAAAAAAAAAAAAAAA==").isEmpty());
}

TEST(QXDESCodeTest, EncodeBase64OfEmptyBytesIsNothing) {
    EXPECT_TRUE(QXDESCode::encodeBase64WithData({}).isNull());
    EXPECT_TRUE(QXDESCode::encodeBase64WithString("").isNull());
    EXPECT_EQ(QXDESCode::encodeBase64WithData(QByteArray("\xFB\xFF", 2)), "+/8=");
    EXPECT_EQ(QXDESCode::encodeBase64WithString(QString::fromUtf8("é")), "w6k=");
}

TEST(QXDESCodeTest, StrictBase64Decoding) {
    EXPECT_EQ(QXDESCode::decodeBase64WithString("YWJj"), QByteArray("abc"));
    EXPECT_EQ(QXDESCode::decodeBase64WithString("YWI="), QByteArray("ab"));
    EXPECT_EQ(QXDESCode::decodeBase64WithString("YQ=="), QByteArray("a"));
    EXPECT_EQ(QXDESCode::decodeBase64WithString(" Y W\tJ\r\nj\f"), QByteArray("abc"));
    EXPECT_EQ(QXDESCode::decodeBase64WithString("YQ==YWI="), QByteArray("aab"));
    // Trailing characters without padding still give their complete bytes.
    EXPECT_EQ(QXDESCode::decodeBase64WithString("YWJjZA"), QByteArray("abcd"));
    EXPECT_EQ(QXDESCode::decodeBase64WithString(""), QByteArray());
    EXPECT_EQ(QXDESCode::decodeBase64WithString(" \n"), QByteArray());

    EXPECT_EQ(QXDESCode::decodeBase64WithString("Y=Jj"), std::nullopt);
    EXPECT_EQ(QXDESCode::decodeBase64WithString("YWJjY==="), std::nullopt);
    EXPECT_EQ(QXDESCode::decodeBase64WithString("YW#j"), std::nullopt);
    EXPECT_EQ(QXDESCode::decodeBase64WithString("YW-j"), std::nullopt);
    EXPECT_EQ(QXDESCode::decodeBase64WithString(QString::fromUtf8("YWJé")), std::nullopt);
}

}  // namespace
