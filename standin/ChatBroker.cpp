#include "standin/ChatBroker.h"

#include "standin/MessagingServer.h"
#include "standin/Posts.h"
#include "standin/SamplePeople.h"

#include <QDateTime>
#include <QJsonArray>

namespace standin {

namespace {

// The first item of the packet's first message: a text, or a typed item's kind.
QJsonValue firstItem(const QJsonObject& packet) {
    return packet.value("msgs").toArray().at(0).toObject().value("contents").toArray().at(0);
}

}  // namespace

void ChatBroker::install(MessagingServer& server) {
    server.setSentHook([&server](const QJsonObject& packet, const QByteArray& root) {
        const QJsonObject order = answerTo(packet, QString::fromUtf8(root));
        if (!order.isEmpty()) server.write(order);
    });
}

QJsonObject ChatBroker::answerTo(const QJsonObject& packet, const QString& root) {
    const QString user = packet.value("fromUser").toObject().value("id").toVariant().toString();
    const QString broker = packet.value("toUser").toObject().value("id").toVariant().toString();
    if (user.toLongLong() <= 0 || broker.toLongLong() <= 0) return {};
    // The answer is a second younger than the message it answers, so that it follows it.
    QJsonObject order{{"to", user.toLongLong()},
                      {"from", broker.toLongLong()},
                      {"root", root},
                      {"updateTime", QDateTime::currentSecsSinceEpoch() + 1}};
    const QString postId = packet.value("talk").toObject().value("postId").toString();
    if (!postId.isEmpty()) order.insert("postId", postId);
    const QJsonValue first = firstItem(packet);
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
        order.insert("kind", "card");
    } else {
        order.insert("kind", "text");
        order.insert("text", greeting(broker.toLongLong()));
    }
    return order;
}

QJsonObject ChatBroker::profile(qint64 brokerId) {
    if (brokerId == kServiceAccount) {
        return QJsonObject{
            {"id", QString::number(brokerId)}, {"name", "Nevoru找房"}, {"picUrl", ""}};
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
    struct Sample {
        const char* name;
        const char* company;
        const char* district;
        const char* street;
    };
    static const Sample kSamples[] = {
        {"王先生", "安居房产", "浦东", "陆家嘴"},   {"李女士", "链家地产", "徐汇", "田林"},
        {"张先生", "我爱我家", "静安", "南京西路"}, {"陈小姐", "中原地产", "长宁", "虹桥"},
        {"刘先生", "太平洋房屋", "杨浦", "五角场"},
    };
    constexpr qint64 kFirst = 880001;
    constexpr qint64 kCount = qint64(std::size(kSamples));
    const Sample& sample = kSamples[std::size_t(((brokerId - kFirst) % kCount + kCount) % kCount)];
    return QJsonObject{
        {"id", QString::number(brokerId)},
        {"name", QString::fromUtf8(sample.name)},
        {"phone", QStringLiteral("138%1").arg(brokerId % 100000000, 8, 10, QLatin1Char('0'))},
        {"picUrl", QStringLiteral("avatars/brokers/%1.jpg").arg(brokerId)},
        {"companyName", QString::fromUtf8(sample.company)},
        {"districtName", QString::fromUtf8(sample.district)},
        {"streetName", QString::fromUtf8(sample.street)},
        {"creditScore", 4},
    };
}

QString ChatBroker::greeting(qint64 brokerId) {
    const QJsonObject broker = profile(brokerId);
    return QStringLiteral("您好，我是%1，这套房子还在，随时可以看房。着急的话打我电话%2。")
        .arg(broker.value("name").toString(), broker.value("phone").toString());
}

QJsonObject ChatBroker::cardData(const QString& root) {
    const std::vector<SamplePost>& posts = Posts::postsOf(kCardCity, kCardMajor);
    const QJsonObject post = std::size_t(kCardIndex) < posts.size()
                                 ? posts[std::size_t(kCardIndex)].record
                                 : QJsonObject();
    const QJsonObject price = post.value("price").toObject();
    const QJsonObject area = post.value("area").toObject();
    return QJsonObject{
        {"url", root + QStringLiteral("/news/1.html")},
        {"title", post.value("title").toString()},
        {"price", QStringLiteral("%1%2").arg(price.value("v").toVariant().toString(),
                                             price.value("u").toString())},
        {"area", QStringLiteral("%1%2 %3").arg(area.value("v").toVariant().toString(),
                                               area.value("u").toString(),
                                               post.value("district_name").toString())},
        {"img", post.value("thumb_img").toString()},
        {"puid", post.value("puid").toString()},
    };
}

}  // namespace standin
