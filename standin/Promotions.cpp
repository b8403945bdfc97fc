#include "standin/Promotions.h"

#include "standin/FormFields.h"
#include "standin/Posts.h"

#include <QRegularExpression>
#include <QUrlQuery>

#include <algorithm>

namespace standin {

namespace {

Reply refusal(int code, const QString& message) {
    return Reply::json(QJsonObject{{"errCode", code}, {"errMsg", message}});
}

// The number of posts a user posted, of every kind.
int postsOf(qint64 userId) {
    std::size_t posts = 0;
    for (const int kind : Posts::kKinds) posts += Posts::ofPoster(userId, kind).size();
    return int(posts);
}

}  // namespace

void Promotions::install(Endpoints& endpoints, const std::shared_ptr<Promotions>& promotions) {
    endpoints.addRoute(paths::kUsers,
                       [promotions](const RecordedRequest& request, const QByteArray&) {
                           return promotions->update(request);
                       });
    endpoints.onReset([promotions] { promotions->reset(); });
}

Promotions::Counts& Promotions::countsOf(qint64 brokerId) {
    const auto found = counts_.find(brokerId);
    if (found != counts_.end()) return found->second;
    return counts_[brokerId] = Counts{std::min(postsOf(brokerId), kMaxLiveCount), 0};
}

QJsonObject Promotions::toJson(const Counts& counts) {
    return QJsonObject{{"maxLiveCount", kMaxLiveCount},
                       {"liveCount", counts.live},
                       {"premieredCount", counts.premiered}};
}

QJsonObject Promotions::premier(qint64 brokerId) {
    const std::lock_guard lock(mutex_);
    return toJson(countsOf(brokerId));
}

std::optional<Reply> Promotions::update(const RecordedRequest& request) {
    static const QRegularExpression kPath(
        QStringLiteral("^/users/(\\d+)/posts/(-?\\d+)/(\\d+)/([^/]+)/update$"));
    const auto match = kPath.match(QString::fromLatin1(request.path));
    if (!match.hasMatch()) return std::nullopt;
    const qint64 brokerId = match.captured(1).toLongLong();
    const qint64 houseId = match.captured(4).toLongLong();
    const QUrlQuery query(QString::fromLatin1(request.query));
    if (query.queryItemValue(QStringLiteral("post_session_id")).isEmpty())
        return refusal(-1, QStringLiteral("未登录"));
    const SamplePost* post = Posts::byPuid(houseId);
    if (!post || post->posterId != brokerId) return refusal(-4, QStringLiteral("没有这个房源"));
    const qint64 operation = FormFields(request.body).number("operationType");
    const std::lock_guard lock(mutex_);
    Counts& counts = countsOf(brokerId);
    if (operation == 1) {
        if (counts.live >= kMaxLiveCount) return refusal(-2, QStringLiteral("今日推广位已用完"));
        ++counts.live;
        ++counts.premiered;
    } else if (operation == 2) {
        if (counts.live <= 0) return refusal(-3, QStringLiteral("没有推广中的房源"));
        --counts.live;
    } else {
        return refusal(-5, QStringLiteral("未知的操作"));
    }
    return Reply::json(QJsonObject{{"errCode", 0}, {"currentInfo", toJson(counts)}});
}

void Promotions::reset() {
    const std::lock_guard lock(mutex_);
    counts_.clear();
}

}  // namespace standin
