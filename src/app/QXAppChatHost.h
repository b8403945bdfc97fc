#pragma once

#include "app/QXTabBarController.h"
#include "chat/ChatHost.h"

#include <memory>

class QXAppDelegate;

// What the chat screens ask of the app, answered by the application delegate: the network kind,
// the chat tab's badge, watching the network and the in-app web page.
class QXAppChatHost final : public ChatHost {
public:
    explicit QXAppChatHost(std::weak_ptr<QXAppDelegate> delegate)
        : delegate_(std::move(delegate)) {}

    [[nodiscard]] bool useWifi() const override;
    void setUnreadBadge(int count) override;
    [[nodiscard]] double tabBarHeight() const override { return QXTabBarController::kBarHeight; }
    void startListenNetWorkStatus() override;
    [[nodiscard]] std::shared_ptr<ui::ViewController> makeWebPage(const QString& title,
                                                                  const QString& url) override;

private:
    std::weak_ptr<QXAppDelegate> delegate_;
};
