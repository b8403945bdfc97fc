#pragma once

#include <QString>
#include <QVariantMap>
#include <QtGlobal>

#include <functional>

namespace ui {
class NavigationController;
}

// The talk a housing screen opens with the poster of a house: who the other party is, what
// the chat screen shows of them, and which post the talk is about. talkInfo() writes it as
// the talk record the chat screen is given.
struct PosterTalk {
    static inline const QString kOwnTalk = QStringLiteral("不能和自己对话!");
    static inline const QString kNoTalk =
        QStringLiteral("对方暂时不能接受你的消息哦，试试短信或者打电话吧~");

    // The other party's user id, as the post or the reply gives it.
    QString posterId;
    QString name;
    QString phone;
    // -1 when the broker data holds none.
    int creditScore = -1;
    QString picUrl;
    QString streetName;
    QString companyName;
    QString districtName;
    // The post reference: "r_id" and the id of "p_post".
    QString postReference;

    // "u_id", "t_id" (the talk id "<poster>-<own id>"), "o_user" and "p_post" (JSON texts,
    // every value escaped so that the texts stay valid JSON) and "r_id".
    [[nodiscard]] QVariantMap talkInfo(qint64 ownUserId) const;

    // The talk with the poster of a post: the poster's id and name and the place from the
    // post, the rating, picture and company from the broker data, and the number given.
    [[nodiscard]] static PosterTalk ofPost(const QVariantMap& post, const QVariantMap& agentInfo,
                                           const QString& phone);

    // Whether a chat with this poster may start; otherwise the user is told why. A poster
    // without an id is told first: a logged-off user's own id is 0 too, and that is no talk
    // with oneself.
    [[nodiscard]] static bool mayTalkTo(const QString& posterId);

    enum class Opened {
        Pushed,        // a new chat screen was pushed
        ShownAgain,    // a chat of this very talk was on the stack: the stack went back to it
        Refused,       // no talk with this poster (told)
        NoChatScreen,  // no chat screen could be made
    };
    // The chat of this talk from a housing screen on `navigation`, titled `title`: refused
    // as mayTalkTo() says; a chat screen of this very talk (never of another one) already on
    // the stack is shown again; otherwise the talk's messages are marked read, "refreshIcon"
    // is posted, `beforePush` runs (when given) and the new chat screen is pushed.
    Opened open(ui::NavigationController& navigation, const QString& title, bool hiddenAgentView,
                bool agentTag, const std::function<void()>& beforePush = {}) const;
    // Pushes a new chat screen of this talk without those checks: the talk's messages are
    // marked read, "refreshIcon" is posted and `beforePush` runs first. False when no chat
    // screen could be made.
    bool pushChat(ui::NavigationController& navigation, const QString& title, bool hiddenAgentView,
                  bool agentTag, const std::function<void()>& beforePush = {}) const;

    // The post reference of a post, "<post id>_<major category>_1009_<city index>": the
    // post's "id" when it is above 0, else its "puid"; the city index of its "city", 0 for
    // a city the app does not know.
    [[nodiscard]] static QString talkPostId(const QVariantMap& post);
};
