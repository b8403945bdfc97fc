#include "app/QXAppChatScreenOpener.h"

#include "chat/QXMessageController.h"

std::shared_ptr<ui::ViewController> QXAppChatScreenOpener::makeChatScreen(
    const QVariantMap& talkInfo, const QString& title, bool hiddenAgentView, bool agentTag) {
    // Whether the other party is a broker the chat learns from the shop data it fetches itself.
    (void)agentTag;
    auto chat = std::make_shared<QXMessageController>(talkInfo);
    chat->setHiddenAgentView(hiddenAgentView);
    chat->setTitle(title);
    return chat;
}

QString QXAppChatScreenOpener::talkIdShownBy(const ui::ViewController& screen) const {
    const auto* chat = dynamic_cast<const QXMessageController*>(&screen);
    return chat ? chat->talkInfo().value(QStringLiteral("t_id")).toString() : QString();
}
