#include "houses/HouseFavourites.h"

#include "IMChat/qximlib/QXIMDatabase.h"
#include "net/QXNetContext.h"
#include "net/transport/Json.h"
#include "platform/foundation/notification_center.h"
#include "util/categories/Tolerant.h"

namespace {

void announceChange() {
    ns::NotificationCenter::defaultCenter().post(HouseFavourites::kAddHistoryNotification);
}

}  // namespace

QString HouseFavourites::puidOf(const QVariantMap& post) {
    return Tolerant(QVariant(post))[QStringLiteral("puid")].toString();
}

QString HouseFavourites::userIdText() {
    return QString::number(QXNetContext::shared()->logonState().userId);
}

bool HouseFavourites::isSaved(const QVariantMap& post) {
    const QString puid = puidOf(post);
    return !puid.isEmpty() && QXIMDatabase::shared().historyExist(puid, userIdText());
}

HouseFavourites::Outcome HouseFavourites::add(const QVariantMap& post) {
    const QString puid = puidOf(post);
    if (puid.isEmpty()) return Outcome::Failed;
    QXIMDatabase& store = QXIMDatabase::shared();
    const QString user = userIdText();
    if (store.historyCountByUserId(user) >= kLimit) return Outcome::LimitReached;
    const int major = Tolerant(QVariant(post))[QStringLiteral("major_category")].intValue();
    if (!store.saveHistoryContent(json_JSONString(post), user, puid, major)) return Outcome::Failed;
    announceChange();
    return Outcome::Done;
}

HouseFavourites::Outcome HouseFavourites::remove(const QVariantMap& post) {
    const QString puid = puidOf(post);
    if (puid.isEmpty() || !QXIMDatabase::shared().deleteHistoryByUser(userIdText(), puid)) {
        return Outcome::Failed;
    }
    announceChange();
    return Outcome::Done;
}
