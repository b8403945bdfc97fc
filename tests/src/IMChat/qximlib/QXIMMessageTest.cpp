#include "IMChat/qximlib/QXIMMessage.h"

#include <gtest/gtest.h>

namespace {

TEST(QXIMMessageTest, TalkIdsNameTheOtherUserFirst) {
    EXPECT_EQ(QXIMMessage::talkIdOfPacket(5, 0, 5), "0-5");
    EXPECT_EQ(QXIMMessage::talkIdOfPacket(5, 9, 9), "5-9");
    EXPECT_EQ(QXIMMessage::talkIdOfPacket(5, 9, 5), "9-5");
    // Not this user's packet, a packet to nobody from another, a sender without an id.
    EXPECT_FALSE(QXIMMessage::talkIdOfPacket(5, 9, 7));
    EXPECT_FALSE(QXIMMessage::talkIdOfPacket(5, 0, 7));
    EXPECT_FALSE(QXIMMessage::talkIdOfPacket(std::nullopt, 9, 9));
    EXPECT_EQ(QXIMMessage::makeTalkId(9000000000001, 9000000000002), "9000000000001-9000000000002");
}

TEST(QXIMMessageTest, RowsWithoutAStateAreSentOnlyWithAServerId) {
    QVariantMap row{{"m_content", "[\"hi\"]"}, {"m_id", "0"}, {"_id", qint64(7)}};
    EXPECT_EQ(QXIMMessage::messageFromDictionary(row).sendingState, QXIMMessage::kFailed);
    row["m_id"] = "9000000000005";
    const QXIMMessage sent = QXIMMessage::messageFromDictionary(row);
    EXPECT_EQ(sent.sendingState, QXIMMessage::kSent);
    EXPECT_EQ(sent.messageId, 9000000000005);
    EXPECT_EQ(sent.contentsJson(), QVariant(QVariantList{"hi"}));
    row["m_state"] = 1;
    EXPECT_EQ(QXIMMessage::messageFromDictionary(row).sendingState, QXIMMessage::kSending);
}

TEST(QXIMMessageTest, ACopyIsANewRowAndTheTalkDictionaryHasItsFifteenKeys) {
    QXIMMessage message;
    EXPECT_EQ(message.dictionary().size(), 15);
    EXPECT_EQ(message.dictionary().value("t_id").toString(), "");
    EXPECT_EQ(message.dictionary().value("l_read").toInt(), 0);
    message.m_sid = 4;
    message.t_sid = 5;
    message.sendingState = QXIMMessage::kFailed;
    message.messageId = 3;
    message.setContents("[\"a\"]");
    const QXIMMessage copy = message.copy();
    EXPECT_EQ(copy.m_sid, 0);
    EXPECT_EQ(copy.t_sid, 0);
    EXPECT_EQ(copy.sendingState, 0);
    EXPECT_EQ(copy.messageId, 3);
    EXPECT_EQ(copy.contents(), "[\"a\"]");
    QXIMMessage malformed;
    malformed.setContents("[\"unterminated");
    EXPECT_FALSE(malformed.contentsJson().isValid());
}

}  // namespace
