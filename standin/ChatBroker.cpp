#include "standin/ChatBroker.h"

#include "standin/MessagingServer.h"
#include "standin/NeedReplies.h"
#include "standin/PostedNeeds.h"
#include "standin/Posts.h"
#include "standin/SamplePeople.h"

#include <QDateTime>
#include <QJsonArray>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <mutex>

namespace standin {

namespace {

// The first item of the packet's first message: a text, or a typed item's kind.
QJsonValue firstItem(const QJsonObject& packet) {
    return packet.value("msgs").toArray().at(0).toObject().value("contents").toArray().at(0);
}

// The need a talk is about: the post it names is one of the needs' ids.
std::optional<PostedNeed> needAbout(const QString& postId, const PostedNeeds* needs) {
    bool isNumber = false;
    const qint64 needId = postId.toLongLong(&isNumber);
    return needs && isNumber ? needs->byId(needId) : std::nullopt;
}

// The sample post a talk is about ("id_major_1009_city"); nullptr when it names none.
const SamplePost* postAbout(const QString& postId) {
    const QStringList talkPost = postId.split(u'_');
    if (talkPost.size() != 4) return nullptr;
    // The app names the post by its record's id, or by its puid when it has none.
    const qint64 id = talkPost[0].toLongLong();
    const SamplePost* post = Posts::byPuid(id - Posts::kFirstPostId);
    return post ? post : Posts::byPuid(id);
}

// The first sample post of a user (a personal user posts one); nullptr for an id that
// posted none.
const SamplePost* postOfPoster(qint64 userId) {
    for (const int kind : Posts::kKinds) {
        const std::vector<const SamplePost*> posts = Posts::ofPoster(userId, kind);
        if (!posts.empty()) return posts.front();
    }
    return nullptr;
}

}  // namespace

void ChatBroker::install(MessagingServer& server, const PostedNeeds& needs) {
    // How many houses each broker offered each user ("user-broker"), on the server's threads.
    struct Offers {
        std::mutex mutex;
        std::map<QString, int> counts;
    };
    const auto offers = std::make_shared<Offers>();
    server.setSentHook(
        [&server, &needs, offers](const QJsonObject& packet, const QByteArray& root) {
            const QString pair =
                packet.value("fromUser").toObject().value("id").toVariant().toString() + u'-' +
                packet.value("toUser").toObject().value("id").toVariant().toString();
            int asked = 0;
            {
                const std::lock_guard lock(offers->mutex);
                asked = offers->counts[pair];
            }
            const QJsonObject order = answerTo(packet, QString::fromUtf8(root), &needs, asked);
            if (order.value("contents").isArray()) {
                const std::lock_guard lock(offers->mutex);
                ++offers->counts[pair];
            }
            if (!order.isEmpty()) server.write(order);
        });
}

std::vector<const SamplePost*> ChatBroker::housesOffered(qint64 brokerId, const QString& postId,
                                                         const PostedNeeds* needs) {
    std::vector<const SamplePost*> houses;
    if (const auto need = needAbout(postId, needs)) {
        for (const SamplePost* house : NeedReplies::housesListed(*need)) {
            if (house->posterId == brokerId) houses.push_back(house);
        }
        return houses;
    }
    const auto broker = SamplePeople::broker(brokerId);
    if (!broker) return houses;
    if (const SamplePost* talked = postAbout(postId)) {
        // His houses first, then his agency's: two lists filled in one pass.
        std::vector<const SamplePost*> agency;
        for (const SamplePost& post : Posts::postsOf(talked->cityIndex, talked->major)) {
            if (&post == talked || post.districtId != talked->districtId ||
                std::abs(post.price - talked->price) > talked->price * kNearPrice) {
                continue;
            }
            if (post.posterId == brokerId) {
                houses.push_back(&post);
            } else if (const auto poster = SamplePeople::broker(post.posterId);
                       poster && poster->company == broker->company) {
                agency.push_back(&post);
            }
        }
        houses.insert(houses.end(), agency.begin(), agency.end());
        return houses;
    }
    for (const int kind : Posts::kKinds) {
        for (const SamplePost* post : Posts::ofPoster(brokerId, kind)) houses.push_back(post);
    }
    return houses;
}

QJsonObject ChatBroker::answerTo(const QJsonObject& packet, const QString& root,
                                 const PostedNeeds* needs, int asked) {
    const QString user = packet.value("fromUser").toObject().value("id").toVariant().toString();
    const QString broker = packet.value("toUser").toObject().value("id").toVariant().toString();
    if (user.toLongLong() <= 0 || broker.toLongLong() <= 0) return {};
    // The answer is a second younger than the message it answers, so that it follows it.
    QJsonObject order{{"to", user.toLongLong()},
                      {"from", broker.toLongLong()},
                      {"root", root},
                      {"updateTime", QDateTime::currentSecsSinceEpoch() + 1}};
    // What the talk is about: the sent packet names it as its post (its talk names none).
    const QString postId = packet.value("post").toObject().value("id").toVariant().toString();
    if (!postId.isEmpty()) order.insert("postId", postId);
    const QJsonValue first = firstItem(packet);
    const TalkSubject subject = needAbout(postId, needs) ? TalkSubject::Need
                                : postAbout(postId)      ? TalkSubject::House
                                                         : TalkSubject::Nothing;
    if (broker.toLongLong() == kServiceAccount) {
        order.insert("kind", "text");
        order.insert(
            "text", QStringLiteral("您好，这里是Nevoru找房客服，您的留言我们已收到，会尽快回复。"));
        return order;
    }
    if (first.isArray()) {
        const QString kind = first.toArray().at(0).toString();
        order.insert("kind", "text");
        order.insert("text", kind == "sound" ? QStringLiteral("语音收到了，我这就帮您约看房时间。")
                                             : QStringLiteral("图片收到了，谢谢！"));
        return order;
    }
    const QString text = first.toString();
    if (text.contains(QStringLiteral("屏蔽"))) {
        order.insert("kind", "notice");
        order.insert("text", "block");
    } else if (text.contains(QStringLiteral("语音"))) {
        order.insert("kind", "voice");
    } else if (text.contains(QStringLiteral("图")) || text.contains(QStringLiteral("照片"))) {
        order.insert("kind", "picture");
    } else if (text.contains(QStringLiteral("房源")) || text.contains(QStringLiteral("推荐"))) {
        const auto houses = housesOffered(broker.toLongLong(), postId, needs);
        if (!houses.empty()) {
            const QJsonObject card =
                cardOf(houses[std::size_t(asked) % houses.size()]->record, root);
            order.insert("kind", "card");
            // Through a value: a braced list of one array may copy that array instead.
            order.insert(
                "contents",
                QJsonArray{QJsonValue(QJsonArray{"url", card, card.value("title").toString()})});
        } else {
            order.insert("kind", "text");
            order.insert("text", QStringLiteral("暂时还没有合适的房源，有了我马上推荐给您。"));
        }
    } else {
        order.insert("kind", "text");
        order.insert("text", greeting(broker.toLongLong(), subject));
    }
    return order;
}

QJsonObject ChatBroker::profile(qint64 brokerId) {
    if (brokerId == kServiceAccount) {
        // The team the app's welcome messages introduce, under its name and with its picture:
        // a packet of the team's renames the app's talk with it.
        return QJsonObject{{"id", QString::number(brokerId)},
                           {"name", QStringLiteral("Nevoru找房团队")},
                           {"picUrl", QStringLiteral("file://Nevoru官方2.2.1@2x.png")}};
    }
    // A broker of the sample's shops is the same person here as on the shop's and post's pages.
    if (const std::optional<SampleBroker> broker = SamplePeople::broker(brokerId)) {
        return QJsonObject{
            {"id", QString::number(brokerId)},
            {"name", broker->name},
            {"phone", broker->phone},
            {"picUrl", QStringLiteral("avatars/brokers/%1.jpg").arg(brokerId)},
            {"companyName", broker->company},
            {"districtName", broker->districtName},
            {"streetName", QString()},
            {"creditScore", broker->creditScore},
        };
    }
    // A personal user is who his post says: he has no shop, and the app's talk with him,
    // opened from the post, shows no picture of him.
    if (const SamplePost* post = postOfPoster(brokerId)) {
        return QJsonObject{
            {"id", QString::number(brokerId)},
            {"name", post->record.value("person")},
            {"phone", post->record.value("phone")},
            {"picUrl", QString()},
            {"companyName", QString()},
            {"districtName", post->record.value("district_name")},
            {"streetName", post->record.value("street_name")},
        };
    }
    struct Sample {
        const char* name;
        const char* company;
        const char* district;
        const char* street;
    };
    static const Sample kSamples[] = {
        {"王先生", "安居房产", "浦东", "陆家嘴"},   {"李女士", "和顺地产", "徐汇", "田林"},
        {"张先生", "盛达置业", "静安", "南京西路"}, {"陈小姐", "宏泰房产", "长宁", "虹桥"},
        {"刘先生", "安平房屋", "杨浦", "五角场"},
    };
    constexpr qint64 kFirst = 880001;
    constexpr qint64 kCount = qint64(std::size(kSamples));
    const Sample& sample = kSamples[std::size_t(((brokerId - kFirst) % kCount + kCount) % kCount)];
    return QJsonObject{
        {"id", QString::number(brokerId)},
        {"name", QString::fromUtf8(sample.name)},
        {"phone", SamplePeople::mobileOf(brokerId)},
        {"picUrl", QStringLiteral("avatars/brokers/%1.jpg").arg(brokerId)},
        {"companyName", QString::fromUtf8(sample.company)},
        {"districtName", QString::fromUtf8(sample.district)},
        {"streetName", QString::fromUtf8(sample.street)},
        {"creditScore", SamplePeople::creditScoreOf(brokerId)},
    };
}

QString ChatBroker::greeting(qint64 brokerId, TalkSubject about) {
    const QJsonObject broker = profile(brokerId);
    const QString middle =
        about == TalkSubject::House  ? QStringLiteral("这套房子还在，随时可以看房。")
        : about == TalkSubject::Need ? QStringLiteral(
                                           "您的找房意向我看到了，想看哪套跟我说，"
                                           "我陪您去看。")
                                     : QStringLiteral(
                                           "请问您想找什么样的房子？说说区域和预算，"
                                           "我帮您找。");
    return QStringLiteral("您好，我是%1，%2着急的话打我电话%3。")
        .arg(broker.value("name").toString(), middle, broker.value("phone").toString());
}

QJsonObject ChatBroker::cardData(const QString& root) {
    const std::vector<SamplePost>& posts = Posts::postsOf(kCardCity, kCardMajor);
    return cardOf(std::size_t(kCardIndex) < posts.size() ? posts[std::size_t(kCardIndex)].record
                                                         : QJsonObject(),
                  root);
}

QJsonObject ChatBroker::cardOf(const QJsonObject& post, const QString& root) {
    const QJsonObject area = post.value("area").toObject();
    return QJsonObject{
        {"url", root + QStringLiteral("/news/1.html")},
        {"title", post.value("title").toString()},
        {"price", Posts::priceText(post)},
        {"area", QStringLiteral("%1%2 %3").arg(area.value("v").toVariant().toString(),
                                               area.value("u").toString(),
                                               post.value("district_name").toString())},
        {"img", post.value("thumb_img").toString()},
        {"puid", post.value("puid").toString()},
    };
}

}  // namespace standin
