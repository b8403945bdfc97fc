#include "IMChat/qximlib/QXFCIMReceiverParser.h"

#include "IMChat/qximlib/QXIMDatabase.h"
#include "IMChat/qximlib/QXIMService.h"

#include "MessagingStandin.h"

#include <algorithm>

#include "net/transport/Json.h"
#include "standin/Endpoints.h"

namespace {

constexpr qint64 kUser = 9000000000042;
const QString kUserText = QString::number(kUser);

class QXFCIMReceiverParserTest : public StandinFixture {
protected:
    void SetUp() override {
        StandinFixture::SetUp();
        MessagingStandin::signIn(kUser);
        ASSERT_TRUE(QXIMDatabase::shared().openDatabase(kUserText));
    }
    void TearDown() override {
        QXIMService::forceRelease();
        QXIMUser::shared().setUserId(QXIMUser::getDefaultUserid());
        StandinFixture::TearDown();
    }
    static void saveNeed(const QString& voiceUrl) {
        QXIMDatabase::NeedInfo need;
        need.userId = kUserText;
        need.needId = "n5_1_1009_1";
        need.voiceUrl = voiceUrl;
        need.voiceLength = 4;
        ASSERT_TRUE(QXIMDatabase::shared().saveNeedInfo(need));
    }
    static QXIMMessage reply() {
        QXIMMessage message;
        message.userId = kUserText;
        message.talkId = "880001-" + kUserText;
        message.fromId = "880001";
        message.toId = kUserText;
        message.needId = "n5_1_1009_1";
        message.messageId = 9;
        message.uTime = 5000;
        message.setContents(R"(["有房"])");
        return message;
    }
    static QString sentence(const QVariantMap& need) {
        return "求租 " + need.value("n_id").toString();
    }
};

TEST_F(QXFCIMReceiverParserTest, ANeedWithAVoiceNoteGoesInFrontAsTheUsersOwnMessages) {
    saveNeed("http://v/5.amr");
    QList<QXIMMessage> stored{reply()};
    QXFCIMReceiverParser::autoInsertNeedContent(stored.first(), stored, &sentence);
    ASSERT_EQ(stored.size(), 3);
    EXPECT_EQ(stored[0].messageId, 200);
    EXPECT_EQ(stored[0].uTime, 4998);
    EXPECT_EQ(stored[1].messageId, 100);
    EXPECT_EQ(stored[1].uTime, 4997);
    for (int n : {0, 1}) {
        EXPECT_EQ(stored[n].fromId, kUserText);
        EXPECT_EQ(stored[n].toId, "880001");
        EXPECT_EQ(stored[n].needId, "0_0_1009_0");
        EXPECT_GT(stored[n].m_sid, 0);
    }
    EXPECT_EQ(json_JSON(QVariant(stored[1].contents())),
              QVariant(QVariantList{"求租 n5_1_1009_1"}));
    EXPECT_EQ(json_JSON(QVariant(stored[0].contents())).toList().value(0).toList().value(0),
              "sound");
    // The contact with the broker is recorded with the need's own id.
    ASSERT_TRUE(
        runMainLoopUntil([&] { return !server().requests(standin::paths::kDataShare).empty(); }));
    const auto contact = server().requests(standin::paths::kDataShare).front();
    EXPECT_EQ(contact.header("interface"), "HousingRequestInfo");
    EXPECT_TRUE(QByteArray::fromPercentEncoding(contact.body).contains(R"("880001","agent","n5"])"))
        << contact.body.toStdString();
}

TEST_F(QXFCIMReceiverParserTest, ANeedWithoutVoiceGivesTheSentenceAloneAndOtherPostsNothing) {
    saveNeed("");
    QList<QXIMMessage> stored{reply()};
    QXFCIMReceiverParser::autoInsertNeedContent(stored.first(), stored, &sentence);
    ASSERT_EQ(stored.size(), 2);
    EXPECT_EQ(stored[0].messageId, 100);
    EXPECT_EQ(stored[0].uTime, 4999);
    QXIMMessage other = reply();
    other.needId = "not a need";
    QList<QXIMMessage> alone{other};
    QXFCIMReceiverParser::autoInsertNeedContent(other, alone, &sentence);
    EXPECT_EQ(alone.size(), 1);
}

TEST_F(QXFCIMReceiverParserTest, ATalkWhosePostComesBackToTheNeedOpensWithItOnce) {
    saveNeed("http://v/5.amr");
    QList<QXIMMessage> first{reply()};
    QXFCIMReceiverParser::autoInsertNeedContent(first.first(), first, &sentence);
    ASSERT_EQ(first.size(), 3);
    // The broker talks about another post, then about the need again.
    QXIMMessage again = reply();
    again.messageId = 11;
    again.uTime = 6000;
    QList<QXIMMessage> second{again};
    QXFCIMReceiverParser::autoInsertNeedContent(again, second, &sentence);
    EXPECT_EQ(second.size(), 1) << "the need is in the talk already";
    const auto rows =
        QXIMDatabase::shared().messagesListByTalkId("880001-" + kUserText, kUserText, 99999, 50);
    EXPECT_EQ(
        std::count_if(rows.begin(), rows.end(),
                      [](const QVariantMap& row) { return row.value("m_id").toInt() == 100; }),
        1);
    // Another need in the same talk still opens with its own sentence.
    QXIMDatabase::NeedInfo other;
    other.userId = kUserText;
    other.needId = "n6";
    ASSERT_TRUE(QXIMDatabase::shared().saveNeedInfo(other));
    QXIMMessage aboutOther = reply();
    aboutOther.needId = "n6";
    QList<QXIMMessage> third{aboutOther};
    QXFCIMReceiverParser::autoInsertNeedContent(aboutOther, third, &sentence);
    EXPECT_EQ(third.size(), 2);
}

TEST_F(QXFCIMReceiverParserTest, ItemsOfTypeOneStayOutAndForceOffStopsReconnecting) {
    auto service = QXIMService::shared();
    const auto plugIn = QXFCIMReceiverParser::install(*service, &sentence);
    EXPECT_TRUE(plugIn->parseMessage(QVariantMap{{"type", 1}}));
    EXPECT_FALSE(plugIn->parseMessage(QVariantMap{{"type", 0}}));
    QXFCIMReceiverParser::parserResult(*service, QVariantMap{{"command", "OTHER"}}, "command",
                                       std::nullopt);
    EXPECT_FALSE(service->noKeepOnline());
    QXFCIMReceiverParser::parserResult(*service, QVariantMap{{"command", "FORCEOFF"}}, "command",
                                       std::nullopt);
    EXPECT_TRUE(service->noKeepOnline());
}

}  // namespace
