#pragma once

#include <QString>
#include <QVariantMap>

// The favourites rule that every writer of the current user's saved houses follows: at most
// kLimit rows per user, one form of the puid for the test, the save and the delete (so that
// a puid that is not a number can be taken out again), and "kAddHistoryNotification" after
// every change. The rows live in the user's message store.
class HouseFavourites {
public:
    static constexpr int kLimit = 50;
    static inline const QString kAddHistoryNotification = QStringLiteral("kAddHistoryNotification");
    // Posted when a remark of a saved house changed.
    static inline const QString kSignChangedNotification =
        QStringLiteral("historySignChangedNotification");
    static inline const QString kLimitMessage =
        QStringLiteral("客官，您收藏的房源超出限制，请管理看房记中的房源后再做添加");
    static inline const QString kSavedMessage = QStringLiteral("收藏成功");
    static inline const QString kRemovedMessage = QStringLiteral("取消收藏成功");

    enum class Outcome { Done, Failed, LimitReached };

    // The puid of a post as the store keeps it: its text, a number written in decimal.
    [[nodiscard]] static QString puidOf(const QVariantMap& post);
    // The current user's id in decimal, the owner of the rows.
    [[nodiscard]] static QString userIdText();

    [[nodiscard]] static bool isSaved(const QVariantMap& post);
    // Saves the post (its compact JSON text) unless the user already has kLimit rows;
    // nothing for a post without a puid or one the JSON writer cannot write whole.
    [[nodiscard]] static Outcome add(const QVariantMap& post);
    [[nodiscard]] static Outcome remove(const QVariantMap& post);
    // add() and remove() as a saving button does them: the user is told of a save or a
    // removal by a floating message and of the limit by an alert.
    static Outcome addTellingUser(const QVariantMap& post);
    static Outcome removeTellingUser(const QVariantMap& post);
};
