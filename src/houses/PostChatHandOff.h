#pragma once

#include "houses/GetPostListCellFormate.h"

#include <QString>
#include <QVariantMap>

namespace ui {
class NavigationController;
}

// Starting a chat with the poster of a post, as the post detail and the photo pager do: the
// talk of this post with this poster (the poster's id, a hyphen, the own id), its record for
// the chat screen and the post reference that goes with it. The chat screen comes from the
// installed ChatScreenOpener.
class PostChatHandOff {
public:
    static inline const QString kNoPosterMessage =
        QStringLiteral("对方暂时不能接受你的消息哦，试试短信或者打电话吧~");
    static inline const QString kOwnPostMessage = QStringLiteral("不能和自己对话!");

    enum class Outcome {
        Opened,          // a new chat screen was pushed
        ReturnedToChat,  // the stack already showed this talk: it went back to it
        NoPoster,        // the post names no poster: told, nothing opened
        OwnPost,         // the user's own post: told, nothing opened
        NoChatScreen,    // no chat screen could be made
    };

    // The post reference of a talk, "<post id>_<major>_1009_<city index>": the post's "id"
    // when it is above 0, else its "puid"; the index of its "city" (0 for a name no city has).
    [[nodiscard]] static QString talkPostId(const PostRecord& post);
    // The talk record ("u_id", "t_id", "o_user", "p_post", "r_id") of the post with the
    // poster's data `agentInfo` ("creditRate", "userHead", "companyName") and the contact
    // number `phone`, for the user `ownUserId`. Texts are written as JSON strings, so any
    // value keeps the records valid JSON.
    [[nodiscard]] static QVariantMap talkInfo(const PostRecord& post, const QVariantMap& agentInfo,
                                              const QString& phone, qint64 ownUserId);
    // The hand-off: a post without poster and the user's own post are told and stop; a chat
    // of the same talk already on the stack is shown again; otherwise the talk's messages are
    // marked read, "refreshIcon" is posted and the chat screen titled with the poster's name
    // is pushed.
    static Outcome open(ui::NavigationController& navigation, const PostRecord& post,
                        const QVariantMap& agentInfo, const QString& phone, bool hiddenAgentView);

    // A number or text of a post as the records write it ("%@"): whole numbers as digits.
    [[nodiscard]] static QString textOf(const QVariant& value);
};
