#include "houses/PostChatHandOff.h"

#include "IMChat/qximlib/QXIMDatabase.h"
#include "houses/ChatScreenOpener.h"
#include "houses/HousesHost.h"
#include "houses/HousesNotices.h"
#include "net/BodyJson.h"
#include "net/QXNetContext.h"
#include "platform/foundation/notification_center.h"
#include "platform/uikit/navigation_controller.h"

namespace {

qint64 wholeNumber(const QVariant& value) {
    if (value.typeId() == QMetaType::Double) return qint64(value.toDouble());
    return value.toString().trimmed().toLongLong();
}

}  // namespace

QString PostChatHandOff::textOf(const QVariant& value) {
    switch (value.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::ULongLong:
            return QString::number(value.toLongLong());
        case QMetaType::Double:
            return QString::number(qint64(value.toDouble()));
        default:
            return value.toString();
    }
}

QString PostChatHandOff::talkPostId(const PostRecord& post) {
    const qint64 id = wholeNumber(post.value(QStringLiteral("id")));
    const qint64 postId = id > 0 ? id : wholeNumber(post.value(QStringLiteral("puid")));
    const int city = HousesHost::shared()
                         ->cityIndexWithName(post.value(QStringLiteral("city")).toString())
                         .value_or(0);
    return QStringLiteral("%1_%2_1009_%3")
        .arg(postId)
        .arg(int(wholeNumber(post.value(QStringLiteral("major_category")))))
        .arg(city);
}

QVariantMap PostChatHandOff::talkInfo(const PostRecord& post, const QVariantMap& agentInfo,
                                      const QString& phone, qint64 ownUserId) {
    const QString own = QString::number(ownUserId);
    const QString poster = textOf(post.value(QStringLiteral("user_id")));
    const QString reference = talkPostId(post);
    const QString creditScore =
        agentInfo.contains(QStringLiteral("creditRate"))
            ? QString::number(int(wholeNumber(agentInfo.value(QStringLiteral("creditRate")))))
            : QStringLiteral("-1");
    const auto text = [](const QVariantMap& from, const char* key) {
        return BodyJson::string(from.value(QString::fromLatin1(key)).toString());
    };
    QVariantMap talk;
    talk[QStringLiteral("u_id")] = own;
    talk[QStringLiteral("t_id")] = poster + u'-' + own;
    talk[QStringLiteral("o_user")] = BodyJson::object({
        {QStringLiteral("id"), BodyJson::string(poster)},
        {QStringLiteral("name"), text(post, "person")},
        {QStringLiteral("phone"), BodyJson::string(phone)},
        {QStringLiteral("creditScore"), BodyJson::string(creditScore)},
        {QStringLiteral("picUrl"), text(agentInfo, "userHead")},
        {QStringLiteral("streetName"), text(post, "street_name")},
        {QStringLiteral("companyName"), text(agentInfo, "companyName")},
        {QStringLiteral("districtName"), text(post, "district_name")},
    });
    talk[QStringLiteral("p_post")] =
        BodyJson::object({{QStringLiteral("id"), BodyJson::string(reference)},
                          {QStringLiteral("title"), BodyJson::string(QStringLiteral(" "))}});
    talk[QStringLiteral("r_id")] = reference;
    return talk;
}

PostChatHandOff::Outcome PostChatHandOff::open(ui::NavigationController& navigation,
                                               const PostRecord& post, const QVariantMap& agentInfo,
                                               const QString& phone, bool hiddenAgentView) {
    const qint64 poster = wholeNumber(post.value(QStringLiteral("user_id")));
    // The missing poster is told first: a logged-off user's id is 0 too, and that is no
    // talk with oneself.
    if (poster == 0) {
        HousesNotices::showAlert(kNoPosterMessage);
        return Outcome::NoPoster;
    }
    const qint64 own = QXNetContext::shared()->logonState().userId;
    if (poster == own) {
        HousesNotices::showAlert(kOwnPostMessage);
        return Outcome::OwnPost;
    }
    const QVariantMap talk = talkInfo(post, agentInfo, phone, own);
    const QString talkId = talk.value(QStringLiteral("t_id")).toString();
    const auto opener = ChatScreenOpener::shared();
    for (const auto& screen : navigation.viewControllers()) {
        if (opener->talkIdShownBy(*screen) == talkId) {
            navigation.popToViewController(screen, true);
            return Outcome::ReturnedToChat;
        }
    }
    QXIMDatabase::shared().saveTalkInfoAndClearReadByTalkId(talkId);
    ns::NotificationCenter::defaultCenter().post(QStringLiteral("refreshIcon"));
    const QString person = post.value(QStringLiteral("person")).toString();
    auto chat = opener->makeChatScreen(
        talk, person.isNull() ? QStringLiteral("") : person, hiddenAgentView,
        post.value(QStringLiteral("agent")).toString() == QStringLiteral("经纪人"));
    if (!chat) return Outcome::NoChatScreen;
    chat->setHidesBottomBarWhenPushed(true);
    navigation.pushViewController(chat, true);
    return Outcome::Opened;
}
