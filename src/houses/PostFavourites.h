#pragma once

#include "houses/GetPostListCellFormate.h"

#include <QString>

// The favourites rule every screen that saves a post keeps (the detail's button, the photo
// pager's toggle): a user keeps at most 50 posts, each puid once, in the `history` rows of
// the user's message store; the owner is the current user's id written as a decimal number;
// every add and every removal is announced with "kAddHistoryNotification" (no object), so
// the favourites tab reloads.
class PostFavourites {
public:
    static constexpr int kLimit = 50;
    static inline const QString kAddHistoryNotification = QStringLiteral("kAddHistoryNotification");
    static inline const QString kSignChangedNotification =
        QStringLiteral("historySignChangedNotification");
    static inline const QString kLimitMessage =
        QStringLiteral("客官，您收藏的房源超出限制，请管理看房记中的房源后再做添加");
    static inline const QString kSavedMessage = QStringLiteral("收藏成功");
    static inline const QString kRemovedMessage = QStringLiteral("取消收藏成功");

    enum class Outcome {
        Saved,         // the post is a favourite now (also when it already was)
        Removed,       // the post is a favourite no more
        LimitReached,  // 50 saved already: nothing was written
        Failed,        // the store refused: nothing changed
    };

    // The owner text of the current user's rows.
    [[nodiscard]] static QString userIdText();
    // The puid text of a post as every test, save and removal writes it: a number as its
    // decimal digits, a text as it stands.
    [[nodiscard]] static QString puidOf(const PostRecord& post);

    [[nodiscard]] static bool contains(const QString& puid);
    [[nodiscard]] static int count();
    // Saves the whole post as compact JSON under its major category, below the limit.
    static Outcome save(const PostRecord& post, int majorId);
    static Outcome remove(const QString& puid);
    // Removes a saved post, saves another.
    static Outcome toggle(const PostRecord& post, int majorId);
};
