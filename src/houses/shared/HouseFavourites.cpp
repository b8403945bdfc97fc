#include "houses/shared/HouseFavourites.h"

#include "IMChat/qximlib/QXIMDatabase.h"
#include "net/QXNetContext.h"
#include "net/transport/Json.h"
#include "platform/foundation/notification_center.h"
#include "ui/widgets/AlertMessages.h"
#include "ui/widgets/FloatView.h"
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
    // A post the writer cannot take whole is not saved: its text would never read back.
    const QString content = json_JSONString(post);
    if (content.isNull()) return Outcome::Failed;
    if (!store.saveHistoryContent(content, user, puid, major)) return Outcome::Failed;
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

HouseFavourites::Outcome HouseFavourites::addTellingUser(const QVariantMap& post) {
    const Outcome outcome = add(post);
    if (outcome == Outcome::Done) FloatView::showMessageInKeyWindow(kSavedMessage);
    if (outcome == Outcome::LimitReached)
        AlertMessages::showAlertViewWithAlertString(kLimitMessage);
    return outcome;
}

HouseFavourites::Outcome HouseFavourites::removeTellingUser(const QVariantMap& post) {
    const Outcome outcome = remove(post);
    if (outcome == Outcome::Done) FloatView::showMessageInKeyWindow(kRemovedMessage);
    return outcome;
}
