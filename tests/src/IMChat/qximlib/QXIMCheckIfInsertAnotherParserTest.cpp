#include "IMChat/qximlib/QXIMCheckIfInsertAnotherParser.h"

#include "IMChat/qximlib/QXIMDatabase.h"

#include "SandboxTest.h"

#include <limits>

namespace {

class QXIMCheckIfInsertAnotherParserTest : public SandboxTest {
protected:
    void SetUp() override {
        SandboxTest::SetUp();
        ASSERT_TRUE(QXIMDatabase::shared().openDatabase("42"));
    }
    static QXIMMessage received(const QString& complete, int type = 0) {
        QXIMMessage message;
        message.userId = "42";
        message.talkId = "880001-42";
        message.fromId = "880001";
        message.toId = "42";
        message.messageId = 9;
        message.type = type;
        message.uTime = 5000;
        message.completeMessage = complete;
        message.setContents(R"(["在吗"])");
        return message;
    }
};

TEST_F(QXIMCheckIfInsertAnotherParserTest, APostWithATitleGoesInFrontAsACard) {
    const QXIMMessage last =
        received(R"({"post":{"id":"p7","title":" 两室一厅 ","url":"http://p/7","price":"4500"}})");
    QList<QXIMMessage> stored{last};
    QXIMCheckIfInsertAnotherParser::receivedDifferentPostMessage(last, stored);
    ASSERT_EQ(stored.size(), 2);
    EXPECT_EQ(stored[0].uTime, 4999);
    EXPECT_GT(stored[0].m_sid, 0);
    const auto row = QXIMDatabase::shared().getMessageByKey(stored[0].m_sid, "42");
    ASSERT_TRUE(row);
    EXPECT_EQ(row->value("c_type").toString(), "url");
}

TEST_F(QXIMCheckIfInsertAnotherParserTest, ACardBeforeTheFirstTimeThereIsTakesThatTime) {
    QXIMMessage last = received(R"({"post":{"id":"p7","title":"两室","url":"http://p/7"}})");
    last.uTime = std::numeric_limits<qint64>::min();
    QList<QXIMMessage> stored{last};
    QXIMCheckIfInsertAnotherParser::receivedDifferentPostMessage(last, stored);
    ASSERT_EQ(stored.size(), 2);
    EXPECT_EQ(stored[0].uTime, std::numeric_limits<qint64>::min()) << "not wrapped to the end";
}

TEST_F(QXIMCheckIfInsertAnotherParserTest, NoCardWithoutATitleOrForSystemMessages) {
    for (const auto& [complete, type] :
         QList<std::pair<QString, int>>{{R"({"post":{"id":"p7","title":"  "}})", 0},
                                        {R"({"post":{"title":"两室"}})", 0},
                                        {R"({"post":{"id":"p7","title":"两室"}})", 2},
                                        {"not json", 0}}) {
        QList<QXIMMessage> stored{received(complete, type)};
        QXIMCheckIfInsertAnotherParser::receivedDifferentPostMessage(stored.first(), stored);
        EXPECT_EQ(stored.size(), 1) << qPrintable(complete);
    }
}

}  // namespace
