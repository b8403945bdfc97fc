#include "chat/ChatHost.h"

#include "chat/ChatNeighbourScreens.h"

namespace {

std::shared_ptr<ChatHost>& installed() {
    static std::shared_ptr<ChatHost> host = std::make_shared<ChatHost>();
    return host;
}

}  // namespace

ChatHost::~ChatHost() = default;

std::shared_ptr<ChatHost> ChatHost::shared() {
    return installed();
}

void ChatHost::install(std::shared_ptr<ChatHost> host) {
    installed() = host ? std::move(host) : std::make_shared<ChatHost>();
}

std::shared_ptr<ui::ViewController> ChatHost::makeWebPage(const QString& title,
                                                          const QString& url) {
    return ChatNeighbourScreens::titledPage(title, url);
}
