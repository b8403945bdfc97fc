#include "app/QXAppChatScreenOpener.h"

#include "app/QXPlaceholderController.h"

namespace {

// Stands in for the chat screen of one talk until the chat screens exist.
class ChatPlaceholder final : public QXPlaceholderController {
public:
    ChatPlaceholder(const QVariantMap& talkInfo, const QString& title)
        : QXPlaceholderController(title, QStringLiteral("这里将是与对方的对话。")),
          talkId_(talkInfo.value(QStringLiteral("t_id")).toString()) {
        setHidesBottomBarWhenPushed(true);
    }
    [[nodiscard]] const QString& talkId() const { return talkId_; }

private:
    QString talkId_;
};

}  // namespace

std::shared_ptr<ui::ViewController> QXAppChatScreenOpener::makeChatScreen(
    const QVariantMap& talkInfo, const QString& title, bool hiddenAgentView, bool agentTag) {
    (void)hiddenAgentView;
    (void)agentTag;
    return std::make_shared<ChatPlaceholder>(talkInfo, title);
}

QString QXAppChatScreenOpener::talkIdShownBy(const ui::ViewController& screen) const {
    const auto* chat = dynamic_cast<const ChatPlaceholder*>(&screen);
    return chat ? chat->talkId() : QString();
}
