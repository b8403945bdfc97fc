#pragma once

#include "houses/shared/ChatScreenOpener.h"

// The chat screens as the application makes them for the housing screens.
class QXAppChatScreenOpener final : public ChatScreenOpener {
public:
    [[nodiscard]] std::shared_ptr<ui::ViewController> makeChatScreen(const QVariantMap& talkInfo,
                                                                     const QString& title,
                                                                     bool hiddenAgentView,
                                                                     bool agentTag) override;
    [[nodiscard]] QString talkIdShownBy(const ui::ViewController& screen) const override;
};
