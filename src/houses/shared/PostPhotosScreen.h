#pragma once

#include "houses/shared/GetPostListCellFormate.h"

#include <QVariantMap>

// A screen that shows one post with a strip of its photos (the post detail): a tap on the
// strip opens the photo pager with what the screen knows of the post when the tap comes.
class PostPhotosScreen {
public:
    virtual ~PostPhotosScreen() = default;
    [[nodiscard]] virtual const PostRecord& post() const = 0;
    // The poster's broker data ("creditRate", "userHead", ...); empty while not fetched.
    [[nodiscard]] virtual const QVariantMap& agentInfo() const = 0;
    // The broker bar of a chat started from the post stays hidden.
    [[nodiscard]] virtual bool hiddenChatAgentInfo() const = 0;
};
