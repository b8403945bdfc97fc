// The stand-in's detail calls: the same posts the list serves, completed; the views counted;
// the reports checked.
#include "StandinClient.h"
#include "StandinFixture.h"

#include "standin/Communities.h"
#include "standin/CommunityCalls.h"
#include "standin/PostDetailCalls.h"
#include "standin/Posts.h"
#include "standin/SamplePeople.h"
#include "standin/SamplePictures.h"
#include "standin/StandinServer.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QUrl>

#include <httplib.h>

namespace paths = standin::paths;

namespace {

// A detail call to the stand-in on `port`: a GET without a body, else a POST of it.
QJsonObject detailCall(int port, const char* interface, const QString& puid,
                       const QByteArray& body = {}) {
    httplib::Client http = standinClient(port);
    httplib::Headers headers{{"interface", interface}};
    if (!puid.isEmpty()) headers.emplace("puid", puid.toStdString());
    const auto result = body.isNull() ? http.Get(paths::kDataShare, headers)
                                      : http.Post(paths::kDataShare, headers, body.toStdString(),
                                                  "application/x-www-form-urlencoded");
    return result ? QJsonDocument::fromJson(QByteArray::fromStdString(result->body)).object()
                  : QJsonObject();
}

QByteArray viewCounted(const QString& puid) {
    return "jsonArgs=" + QUrl::toPercentEncoding(QString(R"({"puid":"%1","city":"1"})").arg(puid));
}

int viewTimes(int port, const QString& puid) {
    const QJsonObject data = detailCall(port, "GetPostByPuid", puid, "")["data"].toObject();
    return data["view_times"].toString().toInt();
}

}  // namespace

class PostDetailCallsTest : public StandinFixture {
protected:
    QJsonObject call(const char* interface, const QString& puid, const QByteArray& body = {}) {
        return detailCall(server().port(), interface, puid, body);
    }
    static const standin::SamplePost& post(int major, bool broker) {
        for (const standin::SamplePost& each : standin::Posts::postsOf(100, major)) {
            if (standin::SamplePeople::broker(each.posterId).has_value() == broker) return each;
        }
        return standin::Posts::postsOf(100, major).front();
    }
};

TEST_F(PostDetailCallsTest, ThePostReadsAsInTheListWithItsDetailsAdded) {
    for (const int major : {1, 3, 5}) {
        const standin::SamplePost& listed = post(major, true);
        const QString puid = QString::number(listed.puid);
        const QJsonObject reply = call("GetPost", puid);
        ASSERT_EQ(reply["posts"].toArray().size(), 1);
        const QJsonObject full = reply["posts"][0].toObject();
        for (const QString& key : listed.record.keys()) {
            if (key == "phone") continue;
            EXPECT_EQ(full[key], listed.record[key]) << key.toStdString();
        }
        EXPECT_EQ(full["phone"].toString(), standin::PostDetailCalls::wirePhone(
                                                listed.puid, listed.record["phone"].toString()));
        // No sentence of the description said twice.
        const QStringList sentences =
            full["description"].toString().split(QStringLiteral("。"), Qt::SkipEmptyParts);
        EXPECT_FALSE(sentences.isEmpty());
        EXPECT_EQ(QSet<QString>(sentences.begin(), sentences.end()).size(), sentences.size());
        EXPECT_EQ(full.contains("peizhi"), major != 5);
        EXPECT_EQ(full.contains("fukuan"), major != 5);
        EXPECT_EQ(full.contains("ThumbImageUrls"), listed.hasImage);
        if (listed.hasImage) {
            const QStringList photos = full["ThumbImageUrls"].toString().split(',');
            EXPECT_GE(photos.size(), 3);
            EXPECT_LE(photos.size(), standin::PostDetailCalls::kMaxPhotos);
            EXPECT_TRUE(photos.front().startsWith(server().root() + "/img/posts/"));
            EXPECT_TRUE(photos.front().endsWith("_640-480_7-0.jpg"))
                << "a size the client rewrites";
        }
        EXPECT_EQ(call("GetPost", puid), reply) << "the same every time";

        const QJsonObject data = call("GetPostByPuid", puid, "d_sign=")["data"].toObject();
        EXPECT_EQ(data["title"], full["title"]);
        // The community's average as its own page tells it.
        const standin::SampleCommunity* community = standin::Communities::byId(listed.communityId);
        ASSERT_NE(community, nullptr);
        EXPECT_EQ(data["avg_price"], standin::CommunityCalls::baseInfo(*community)["avg_price"]);
        const QJsonObject owner = data["commentOwnerInfo"].toObject();
        EXPECT_EQ(owner["userId"].toString(), QString::number(listed.posterId));
        EXPECT_TRUE(owner["userHead"].toString().contains("/img/avatars/brokers/"));
    }
    const QJsonObject personal =
        call("GetPostByPuid", QString::number(post(3, false).puid), "")["data"].toObject();
    EXPECT_FALSE(personal.contains("commentOwnerInfo"));
    EXPECT_TRUE(call("GetPost", "12")["posts"].toArray().isEmpty());
    EXPECT_TRUE(call("GetPost", "")["posts"].toArray().isEmpty());
    EXPECT_EQ(call("GetPostByPuid", "12", "")["status"].toInt(), -1);
}

TEST_F(PostDetailCallsTest, TextsAndThumbnailsAgreeWithTheirPosts) {
    for (const int city : {0, 100}) {
        for (const int major : {1, 3, 5}) {
            for (const standin::SamplePost& post : standin::Posts::postsOf(city, major)) {
                const QJsonObject full = standin::PostDetailCalls::detailRecord(post.puid, "R");
                // The thumbnail the lists and cards show is one of the post's own photos.
                const QString thumbnail = post.record["thumb_img"].toString();
                if (post.hasImage) {
                    const QString photo = thumbnail.section('_', 0, 0);
                    EXPECT_TRUE(thumbnail.startsWith("posts/")) << thumbnail.toStdString();
                    EXPECT_TRUE(full["ThumbImageUrls"].toString().contains("/img/" + photo +
                                                                           "_640-480_7-0.jpg"))
                        << thumbnail.toStdString();
                    EXPECT_TRUE(standin::SamplePictures::render(thumbnail)) << "the host draws it";
                } else {
                    EXPECT_TRUE(thumbnail.isEmpty());
                }
                const QString description = full["description"].toString();
                EXPECT_FALSE(
                    QRegularExpression(QStringLiteral("朝.朝向")).match(description).hasMatch())
                    << description.toStdString();
                // A house near the underground names its station, not only a bus stop.
                if (post.title.contains(QStringLiteral("近地铁"))) {
                    EXPECT_TRUE(description.contains(QStringLiteral("地铁站")))
                        << description.toStdString();
                }
                if (major == 5) {
                    EXPECT_TRUE(description.contains(QStringLiteral("出售")));
                    for (const char* renting : {"房东", "出租", "入住", "押"}) {
                        EXPECT_FALSE(description.contains(QString::fromUtf8(renting)))
                            << description.toStdString();
                    }
                    for (const char* renting : {"入住", "家电齐全", "租"}) {
                        EXPECT_FALSE(post.title.contains(QString::fromUtf8(renting)))
                            << post.title.toStdString();
                    }
                }
            }
        }
    }
}

TEST_F(PostDetailCallsTest, ViewsAreCountedAndReportsChecked) {
    const QString puid = QString::number(post(1, true).puid);
    const int before = viewTimes(server().port(), puid);
    EXPECT_EQ(call("PostPvStat", {}, viewCounted(puid))["status"].toInt(), 0);
    EXPECT_EQ(call("PostPvStat", {}, viewCounted(puid))["status"].toInt(), 0);
    EXPECT_EQ(viewTimes(server().port(), puid), before + 2);

    const auto report = [&](const QString& content, const QString& postId) {
        const QByteArray body =
            "content=" + QUrl::toPercentEncoding(content) + "&postId=" + postId.toLatin1();
        return call("VotePost", {}, body);
    };
    EXPECT_EQ(report("假房源，实际没有这套房", puid)["status"].toInt(), 0);
    EXPECT_EQ(report("四个字啊", puid)["status"].toInt(), -1);
    EXPECT_EQ(report(QString(201, u'假'), puid)["status"].toInt(), -1);
    EXPECT_EQ(report("假房源，实际没有这套房", "12")["status"].toInt(), -1);
    EXPECT_EQ(report("四个字啊", puid)["errDetail"].toString(), "情况说明必须为5-200字");
}

// Kept in a file, a post's views go on after a restart from where they stood: a relaunched
// demo never shows a post seen fewer times than before.
TEST(PostViewsKeptTest, ViewsGoOnAfterARestart) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString file = folder.filePath("views.json");
    const QString puid = QString::number(standin::Posts::postsOf(100, 1).front().puid);
    int seen = 0;
    {
        standin::StandinServer first;
        ASSERT_TRUE(first.endpoints().postViews().keepIn(file)) << "no file yet: none counted";
        const int port = first.start();
        ASSERT_GT(port, 0);
        const int before = viewTimes(port, puid);
        EXPECT_EQ(detailCall(port, "PostPvStat", {}, viewCounted(puid))["status"].toInt(), 0);
        seen = viewTimes(port, puid);
        EXPECT_EQ(seen, before + 1);
        first.stop();
    }
    standin::StandinServer again;
    ASSERT_TRUE(again.endpoints().postViews().keepIn(file));
    const int port = again.start();
    ASSERT_GT(port, 0);
    EXPECT_EQ(viewTimes(port, puid), seen);
    EXPECT_EQ(detailCall(port, "PostPvStat", {}, viewCounted(puid))["status"].toInt(), 0);
    EXPECT_EQ(viewTimes(port, puid), seen + 1);
    again.stop();

    QFile broken(folder.filePath("broken.json"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("[1");
    broken.close();
    EXPECT_FALSE(standin::PostViews().keepIn(broken.fileName()));
}
