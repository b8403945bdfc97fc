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

    enum class Outcome { Done, Failed, LimitReached };

    // The puid of a post as the store keeps it: its text, a number written in decimal.
    [[nodiscard]] static QString puidOf(const QVariantMap& post);
    // The current user's id in decimal, the owner of the rows.
    [[nodiscard]] static QString userIdText();

    [[nodiscard]] static bool isSaved(const QVariantMap& post);
    // Saves the post (its compact JSON text) unless the user already has kLimit rows;
    // nothing for a post without a puid.
    [[nodiscard]] static Outcome add(const QVariantMap& post);
    [[nodiscard]] static Outcome remove(const QVariantMap& post);
};
