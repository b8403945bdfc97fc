#include "houses/PostFavourites.h"

#include "IMChat/qximlib/QXIMDatabase.h"
#include "houses/PostChatHandOff.h"
#include "net/QXNetContext.h"
#include "net/transport/Json.h"
#include "platform/foundation/notification_center.h"

namespace {

void announce() {
    ns::NotificationCenter::defaultCenter().post(PostFavourites::kAddHistoryNotification);
}

}  // namespace

QString PostFavourites::userIdText() {
    return QString::number(QXNetContext::shared()->logonState().userId);
}

QString PostFavourites::puidOf(const PostRecord& post) {
    return PostChatHandOff::textOf(post.value(QStringLiteral("puid")));
}

bool PostFavourites::contains(const QString& puid) {
    return !puid.isEmpty() && QXIMDatabase::shared().historyExist(puid, userIdText());
}

int PostFavourites::count() {
    return QXIMDatabase::shared().historyCountByUserId(userIdText());
}

PostFavourites::Outcome PostFavourites::save(const PostRecord& post, int majorId) {
    const QString puid = puidOf(post);
    if (puid.isEmpty()) return Outcome::Failed;
    if (count() >= kLimit) return Outcome::LimitReached;
    if (!QXIMDatabase::shared().saveHistoryContent(json_JSONString(post), userIdText(), puid,
                                                   majorId)) {
        return Outcome::Failed;
    }
    announce();
    return Outcome::Saved;
}

PostFavourites::Outcome PostFavourites::remove(const QString& puid) {
    if (puid.isEmpty() || !QXIMDatabase::shared().deleteHistoryByUser(userIdText(), puid))
        return Outcome::Failed;
    announce();
    return Outcome::Removed;
}

PostFavourites::Outcome PostFavourites::toggle(const PostRecord& post, int majorId) {
    const QString puid = puidOf(post);
    return contains(puid) ? remove(puid) : save(post, majorId);
}
