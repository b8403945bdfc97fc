#pragma once

#include <QString>
#include <QVariantMap>

#include <memory>

namespace ui {
class ViewController;
}

// The chat screen as the housing screens reach it. The chat screens stand above the housing
// screens (a chat's post card opens a post's detail), so the application installs the opener
// that makes them; without one no chat screen is made.
class ChatScreenOpener {
public:
    virtual ~ChatScreenOpener();

    [[nodiscard]] static std::shared_ptr<ChatScreenOpener> shared();
    // nullptr brings back the opener that makes nothing.
    static void install(std::shared_ptr<ChatScreenOpener> opener);

    // A chat screen over the talk record `talkInfo` ("u_id", "t_id", "o_user", "p_post",
    // "r_id"), titled with the other party's name. `hiddenAgentView` hides the screen's broker
    // bar; `agentTag` says the other party is a broker. The screen hides the tab bar when
    // pushed. nullptr when no chat screen can be made.
    [[nodiscard]] virtual std::shared_ptr<ui::ViewController> makeChatScreen(
        const QVariantMap& talkInfo, const QString& title, bool hiddenAgentView, bool agentTag);
    // The talk id ("t_id") that `screen` shows when it is a chat screen; empty otherwise.
    [[nodiscard]] virtual QString talkIdShownBy(const ui::ViewController& screen) const;
};
