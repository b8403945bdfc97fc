#pragma once

#include <QString>
#include <QVariantMap>
#include <QtGlobal>

// The talk a housing screen opens with the poster of a house: who the other party is, what
// the chat screen shows of them, and which post the talk is about. talkInfo() writes it as
// the talk record the chat screen is given.
struct PosterTalk {
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

    // The post reference of a post, "<post id>_<major category>_1009_<city index>": the
    // post's "id" when it is above 0, else its "puid"; the city index of its "city", 0 for
    // a city the app does not know.
    [[nodiscard]] static QString talkPostId(const QVariantMap& post);
};
