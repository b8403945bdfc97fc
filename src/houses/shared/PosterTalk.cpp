#include "houses/shared/PosterTalk.h"

#include "IMChat/qximlib/QXIMDatabase.h"
#include "houses/shared/ChatScreenOpener.h"
#include "houses/shared/HousesHost.h"
#include "net/BodyJson.h"
#include "net/QXNetContext.h"
#include "platform/foundation/notification_center.h"
#include "platform/uikit/navigation_controller.h"
#include "ui/widgets/AlertMessages.h"
#include "util/categories/Tolerant.h"

#include <QStringList>

namespace {

// The members of an object, with the spacing the talk records have always had: no blank
// after the first comma, one after each later one.
QString objectText(const BodyJson::Members& members) {
    QStringList parts;
    for (const auto& [name, value] : members) parts << BodyJson::string(name) + u':' + value;
    if (parts.isEmpty()) return QStringLiteral("{}");
    QString text = u'{' + parts.takeFirst();
    if (!parts.isEmpty()) text += u',' + parts.join(QStringLiteral(", "));
    return text + u'}';
}

}  // namespace

QVariantMap PosterTalk::talkInfo(qint64 ownUserId) const {
    const QString own = QString::number(ownUserId);
    QVariantMap talk;
    talk[QStringLiteral("u_id")] = own;
    talk[QStringLiteral("t_id")] = posterId + u'-' + own;
    talk[QStringLiteral("o_user")] = objectText({
        {QStringLiteral("id"), BodyJson::string(posterId)},
        {QStringLiteral("name"), BodyJson::string(name)},
        {QStringLiteral("phone"), BodyJson::string(phone)},
        {QStringLiteral("creditScore"), BodyJson::string(QString::number(creditScore))},
        {QStringLiteral("picUrl"), BodyJson::string(picUrl)},
        {QStringLiteral("streetName"), BodyJson::string(streetName)},
        {QStringLiteral("companyName"), BodyJson::string(companyName)},
        {QStringLiteral("districtName"), BodyJson::string(districtName)},
    });
    talk[QStringLiteral("p_post")] =
        BodyJson::object({{QStringLiteral("id"), BodyJson::string(postReference)},
                          {QStringLiteral("title"), BodyJson::string(QStringLiteral(" "))}});
    talk[QStringLiteral("r_id")] = postReference;
    return talk;
}

QString PosterTalk::talkPostId(const QVariantMap& post) {
    const Tolerant record{QVariant(post)};
    const qint64 id = record[QStringLiteral("id")].longLongValue();
    const qint64 postId = id > 0 ? id : record[QStringLiteral("puid")].longLongValue();
    const int cityIndex = HousesHost::shared()
                              ->cityIndexWithName(record[QStringLiteral("city")].toString())
                              .value_or(0);
    return QStringLiteral("%1_%2_1009_%3")
        .arg(postId)
        .arg(record[QStringLiteral("major_category")].intValue())
        .arg(cityIndex);
}

PosterTalk PosterTalk::ofPost(const QVariantMap& post, const QVariantMap& agentInfo,
                              const QString& phone) {
    const Tolerant shown{QVariant(post)};
    const Tolerant agent{QVariant(agentInfo)};
    PosterTalk talk;
    talk.posterId = shown[QStringLiteral("user_id")].toString();
    talk.name = shown[QStringLiteral("person")].toString();
    talk.phone = phone;
    talk.creditScore = agent[QStringLiteral("creditRate")].isNil()
                           ? -1
                           : agent[QStringLiteral("creditRate")].intValue();
    talk.picUrl = agent[QStringLiteral("userHead")].toString();
    talk.streetName = shown[QStringLiteral("street_name")].toString();
    talk.companyName = agent[QStringLiteral("companyName")].toString();
    talk.districtName = shown[QStringLiteral("district_name")].toString();
    talk.postReference = talkPostId(post);
    return talk;
}

bool PosterTalk::mayTalkTo(const QString& posterId) {
    const qint64 poster = Tolerant(QVariant(posterId)).longLongValue();
    if (poster == 0) {
        AlertMessages::showAlertViewWithAlertString(kNoTalk);
        return false;
    }
    if (poster == QXNetContext::shared()->logonState().userId) {
        AlertMessages::showAlertViewWithAlertString(kOwnTalk);
        return false;
    }
    return true;
}

PosterTalk::Opened PosterTalk::open(ui::NavigationController& navigation, const QString& title,
                                    bool hiddenAgentView, bool agentTag,
                                    const std::function<void()>& beforePush) const {
    if (!mayTalkTo(posterId)) return Opened::Refused;
    const QVariantMap talk = talkInfo(QXNetContext::shared()->logonState().userId);
    const QString talkId = talk.value(QStringLiteral("t_id")).toString();
    const auto opener = ChatScreenOpener::shared();
    for (const auto& screen : navigation.viewControllers()) {
        if (opener->talkIdShownBy(*screen) == talkId) {
            navigation.popToViewController(screen, true);
            return Opened::ShownAgain;
        }
    }
    return pushChat(navigation, title, hiddenAgentView, agentTag, beforePush)
               ? Opened::Pushed
               : Opened::NoChatScreen;
}

bool PosterTalk::pushChat(ui::NavigationController& navigation, const QString& title,
                          bool hiddenAgentView, bool agentTag,
                          const std::function<void()>& beforePush) const {
    const QVariantMap talk = talkInfo(QXNetContext::shared()->logonState().userId);
    auto chat = ChatScreenOpener::shared()->makeChatScreen(talk, title, hiddenAgentView, agentTag);
    if (!chat) return false;
    QXIMDatabase::shared().saveTalkInfoAndClearReadByTalkId(
        talk.value(QStringLiteral("t_id")).toString());
    ns::NotificationCenter::defaultCenter().post(QStringLiteral("refreshIcon"));
    chat->setHidesBottomBarWhenPushed(true);
    if (beforePush) beforePush();
    navigation.pushViewController(chat, true);
    return true;
}
