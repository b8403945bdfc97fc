// The needs the app published, as the stand-in keeps them for the brokers who answer.
#include "standin/PostedNeeds.h"

#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using standin::PostedNeed;
using standin::PostedNeeds;

namespace {

QJsonArray arguments(const char* json) {
    return QJsonDocument::fromJson(json).array();
}

}  // namespace

TEST(PostedNeedsTest, ReadsBothShapesOfTheArgumentsAndRefusesOthers) {
    const auto area = PostedNeed::fromArguments(arguments(
        R"(["1",{"cityScriptIndex":"100","streetId":"-1","districtId":"1101"},"朝阳区",[1,2],)"
        R"("8000000001","http://h/a.amr","7","在朝阳区找两室一厅","5000","1","13912345678","1234"])"));
    ASSERT_TRUE(area);
    EXPECT_EQ(area->rentOrBuy, "1");
    EXPECT_EQ(area->cityScriptIndex, 100);
    EXPECT_EQ(area->districtId, 1101);
    EXPECT_EQ(area->streetId, -1);
    EXPECT_EQ(area->houseTypes.size(), 2);
    EXPECT_EQ(area->userId, "8000000001");
    EXPECT_EQ(area->voiceSeconds, 7);
    EXPECT_EQ(area->sentence, QStringLiteral("在朝阳区找两室一厅"));
    EXPECT_EQ(area->mobile, "13912345678");

    const auto around = PostedNeed::fromArguments(arguments(
        R"(["5",{"cityScriptIndex":100,"streetId":-2,"districtId":-2},"116.40000,39.90000",[],)"
        R"(8000000001,"",0,"在S附近3km内找房","-1","1"])"));
    ASSERT_TRUE(around);
    EXPECT_EQ(around->districtId, -2);
    EXPECT_EQ(around->userId, "8000000001");
    EXPECT_TRUE(around->mobile.isEmpty());

    EXPECT_FALSE(PostedNeed::fromArguments(arguments(R"(["1"])")));
    EXPECT_FALSE(PostedNeed::fromArguments(arguments(R"(["1","x","","[]","","","","","",""])")));
}

TEST(PostedNeedsTest, GivesIdsTellsListenersOutsideTheLockAndForgetsOnReset) {
    PostedNeeds needs;
    std::vector<qint64> heard;
    needs.onPosted([&](const PostedNeed& need) {
        heard.push_back(need.id);
        EXPECT_TRUE(needs.byId(need.id)) << "a listener may read the needs";
    });
    PostedNeed need;
    need.sentence = QStringLiteral("找房");
    EXPECT_EQ(needs.add(need), 1);
    EXPECT_EQ(needs.add(need), 2);
    EXPECT_EQ(heard, (std::vector<qint64>{1, 2}));
    EXPECT_TRUE(needs.byId(1)->answersQueued) << "this run answers the needs it takes";
    EXPECT_TRUE(needs.remove(1));
    EXPECT_FALSE(needs.remove(1));
    ASSERT_EQ(needs.all().size(), 1u);
    EXPECT_EQ(needs.all().front().id, 2);
    needs.reset();
    EXPECT_TRUE(needs.all().empty());
    EXPECT_EQ(needs.add(need), 3) << "ids are never given twice in one run";
    EXPECT_EQ(heard.size(), 3u) << "listeners stay after a reset";
}

TEST(PostedNeedsTest, NotesEachPersonWhoAnsweredANeedOnceInTheOrderTheyCame) {
    PostedNeeds needs;
    PostedNeed need;
    const qint64 id = needs.add(need);
    EXPECT_TRUE(needs.noteAnswered(id, 8001000102));
    EXPECT_TRUE(needs.noteAnswered(id, 8001000100));
    EXPECT_FALSE(needs.noteAnswered(id, 8001000102)) << "his second message";
    EXPECT_FALSE(needs.noteAnswered(id + 1, 8001000101)) << "no such need";
    EXPECT_FALSE(needs.noteAnswered(0, 8001000101)) << "a talk about no need";
    EXPECT_EQ(needs.byId(id)->answeredBy, (std::vector<qint64>{8001000102, 8001000100}));
}

TEST(PostedNeedsTest, KeptInAFileTheyOutliveTheServerAndTheirIdsGoOn) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString file = folder.filePath("needs.json");
    auto need = PostedNeed::fromArguments(
        arguments(R"(["3",{"cityScriptIndex":"100","streetId":"-1","districtId":"1101"},"",[1],)"
                  R"("8000000001","","0","合租","-1","1"])"));
    ASSERT_TRUE(need);
    need->postedAt = 1700000000;
    {
        PostedNeeds first;
        ASSERT_TRUE(first.keepIn(file)) << "no file yet: none kept";
        EXPECT_EQ(first.add(*need), 1);
        EXPECT_EQ(first.add(*need), 2);
        EXPECT_EQ(first.add(*need), 3);
        EXPECT_TRUE(first.remove(3));
        EXPECT_TRUE(first.remove(1));
        EXPECT_TRUE(first.noteAnswered(2, 8001000102));
    }
    PostedNeeds again;
    std::vector<qint64> heard;
    again.onPosted([&](const PostedNeed& posted) { heard.push_back(posted.id); });
    ASSERT_TRUE(again.keepIn(file));
    ASSERT_EQ(again.all().size(), 1u);
    const auto kept = again.byId(2);
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->rentOrBuy, "3");
    EXPECT_EQ(kept->districtId, 1101);
    EXPECT_EQ(kept->sentence, QStringLiteral("合租"));
    EXPECT_EQ(kept->postedAt, 1700000000);
    EXPECT_EQ(kept->answeredBy, std::vector<qint64>{8001000102});
    EXPECT_FALSE(kept->answersQueued) << "the answers not carried went with the server";
    EXPECT_TRUE(heard.empty()) << "a kept need is not posted again";
    EXPECT_EQ(again.add(*need), 4) << "an id given before the restart is not given again";

    // A need an older stand-in kept noted nobody, and stays so when written again.
    QFile older(folder.filePath("older.json"));
    ASSERT_TRUE(older.open(QIODevice::WriteOnly));
    older.write(R"({"lastId":"5","needs":[{"id":"5","postedAt":"1","arguments":)" +
                QJsonDocument(need->arguments).toJson(QJsonDocument::Compact) + "}]}");
    older.close();
    for (int round = 0; round < 2; ++round) {
        PostedNeeds kept;
        ASSERT_TRUE(kept.keepIn(older.fileName()));
        ASSERT_TRUE(kept.byId(5));
        EXPECT_FALSE(kept.byId(5)->answeredByNoted) << "round " << round;
        if (round == 0) {
            EXPECT_EQ(kept.add(*need), 6);
        }
        EXPECT_TRUE(kept.byId(6)->answeredByNoted);
    }

    QFile broken(folder.filePath("broken.json"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("[1,2");
    broken.close();
    PostedNeeds refused;
    EXPECT_FALSE(refused.keepIn(broken.fileName()));
}
