#include "standin/BrokerCalls.h"

#include "standin/Communities.h"
#include "standin/FormFields.h"
#include "standin/SamplePeople.h"

#include <QJsonArray>

#include <algorithm>
#include <set>

namespace standin {

namespace {

constexpr int kBrokerKinds[] = {5, 1, 3};

bool knowsUser(qint64 userId) {
    return SamplePeople::broker(userId).has_value() || SamplePeople::poster(userId).has_value();
}

Reply unknownUser() {
    return Reply::json(QJsonObject{{"errCode", -1}, {"errMsg", QStringLiteral("用户不存在")}});
}

// The posts of the kind the body asks for, or of every kind without one.
std::vector<const SamplePost*> postsAsked(const FormFields& fields, qint64 userId) {
    const qint64 major = fields.number("majorCategoryScriptIndex");
    std::vector<const SamplePost*> posts;
    for (const int kind : kBrokerKinds) {
        if (major != 0 && major != kind) continue;
        for (const SamplePost* post : Posts::ofPoster(userId, kind)) posts.push_back(post);
    }
    return posts;
}

Reply relatedBiotopes(const RecordedRequest& request) {
    const FormFields fields(request.body);
    const qint64 userId = fields.number("ucUserId");
    if (!knowsUser(userId)) return unknownUser();
    QJsonArray biotopes;
    std::set<qint64> listed;
    for (const SamplePost* post : postsAsked(fields, userId)) {
        const SampleCommunity* community = Communities::byId(post->communityId);
        if (!community || !listed.insert(community->id).second) continue;
        biotopes.append(QJsonObject{{"id", community->id}, {"name", community->name}});
    }
    return Reply::json(QJsonObject{{"errCode", 0}, {"biotopes", biotopes}});
}

Reply postList(const RecordedRequest& request) {
    const FormFields fields(request.body);
    const qint64 userId = fields.number("ucUserId");
    if (!knowsUser(userId)) return unknownUser();
    const qint64 biotope = fields.number("biotopeId");
    const qint64 page = std::max<qint64>(1, fields.number("page", 1));
    const qint64 size = std::clamp<qint64>(fields.number("pageSize", 10), 1, 100);
    QJsonArray posts;
    qint64 count = 0;
    for (const SamplePost* post : postsAsked(fields, userId)) {
        if (biotope != 0 && post->communityId != biotope) continue;
        if (count >= (page - 1) * size && count < page * size)
            posts.append(BrokerCalls::listRecord(*post));
        ++count;
    }
    return Reply::json(
        QJsonObject{{"errCode", 0}, {"page", QJsonObject{{"count", count}, {"posts", posts}}}});
}

}  // namespace

QJsonObject BrokerCalls::listRecord(const SamplePost& post) {
    QJsonObject record = post.record;
    const bool sale = post.major == 5;
    record["price"] = Posts::priceText(post.record);
    record["price_format"] = QJsonObject{
        {"v", post.price}, {"u", sale ? QStringLiteral("万") : QStringLiteral("元/月")}};
    // The time the post was posted, as the list and the detail read it: a post is as old on
    // its broker's list as anywhere else.
    record["post_at"] = post.record.value("postunixtime");
    // The broker's own id of the house, which a promotion names.
    record["house_id"] = QString::number(post.puid);
    record["type"] = post.major;
    record["huxing_ting"] = post.rooms > 1 ? 1 : 0;
    if (post.major == 3) {
        record["house_type_format"] =
            QJsonObject{{"t", QStringLiteral("%1居%2")
                                  .arg(post.rooms)
                                  .arg(post.record.value("share_type").toString())}};
    }
    return record;
}

void BrokerCalls::install(Endpoints& endpoints) {
    endpoints.addInterface(
        "GetRelatedBiotope",
        [](const RecordedRequest& request, const QByteArray&) { return relatedBiotopes(request); });
    endpoints.addInterface("GetPostList", [](const RecordedRequest& request, const QByteArray&) {
        return postList(request);
    });
}

}  // namespace standin
