#pragma once

#include <QString>

#include <memory>

namespace ui {
class ViewController;
}

// What the chat screens ask of the application above them: the network kind, the chat tab's
// unread badge, watching the network again, and the in-app web page. The application installs
// its implementation at launch; until then (and in the chat screens' own tests) this one answers.
class ChatHost {
public:
    virtual ~ChatHost();

    [[nodiscard]] static std::shared_ptr<ChatHost> shared();
    // nullptr brings back the host that does nothing.
    static void install(std::shared_ptr<ChatHost> host);

    // Whether the device is on Wi-Fi (pictures are fetched in their better rendition then).
    [[nodiscard]] virtual bool useWifi() const { return false; }
    // The chat tab's badge: the number of unread messages, hidden at 0.
    virtual void setUnreadBadge(int count) { (void)count; }
    // How high the tab bar stands over the bottom of the chat tab's screens: their lists end
    // above it.
    [[nodiscard]] virtual double tabBarHeight() const { return 49; }
    // Starts watching the default route again (the retry of the offline row).
    virtual void startListenNetWorkStatus() {}
    // The in-app web page titled `title` showing `url`; by default a titled page naming the
    // address.
    [[nodiscard]] virtual std::shared_ptr<ui::ViewController> makeWebPage(const QString& title,
                                                                          const QString& url);
};
