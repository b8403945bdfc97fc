#include "houses/shared/ChatScreenOpener.h"

#include "platform/uikit/view_controller.h"

namespace {

std::shared_ptr<ChatScreenOpener>& installed() {
    static std::shared_ptr<ChatScreenOpener> opener = std::make_shared<ChatScreenOpener>();
    return opener;
}

}  // namespace

ChatScreenOpener::~ChatScreenOpener() = default;

std::shared_ptr<ChatScreenOpener> ChatScreenOpener::shared() {
    return installed();
}

void ChatScreenOpener::install(std::shared_ptr<ChatScreenOpener> opener) {
    installed() = opener ? std::move(opener) : std::make_shared<ChatScreenOpener>();
}

std::shared_ptr<ui::ViewController> ChatScreenOpener::makeChatScreen(const QVariantMap& talkInfo,
                                                                     const QString& title,
                                                                     bool hiddenAgentView,
                                                                     bool agentTag) {
    (void)talkInfo;
    (void)title;
    (void)hiddenAgentView;
    (void)agentTag;
    return nullptr;
}

QString ChatScreenOpener::talkIdShownBy(const ui::ViewController& screen) const {
    (void)screen;
    return {};
}
