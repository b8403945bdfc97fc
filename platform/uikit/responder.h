#pragma once

#include <QString>

#include <memory>
#include <set>

namespace ui {

class Event;
class Touch;
class Window;

using TouchSet = std::set<std::shared_ptr<Touch>>;

// An object in the responder chain: views, and (through the controller hook of
// View) view controllers. Touches a responder does not handle go to its next
// responder; text input goes to the window's first responder.
class Responder : public std::enable_shared_from_this<Responder> {
public:
    Responder() = default;
    virtual ~Responder();
    Responder(const Responder&) = delete;
    Responder& operator=(const Responder&) = delete;

    [[nodiscard]] virtual Responder* nextResponder() const { return nullptr; }
    // The class name, without namespace ("Button", "QXPostListCell"), for the few places
    // that test an object's class by name.
    [[nodiscard]] QString className() const;
    // The window the responder is shown in; first responders live per window.
    [[nodiscard]] virtual Window* responderWindow() const { return nullptr; }

    [[nodiscard]] virtual bool canBecomeFirstResponder() const { return false; }
    [[nodiscard]] virtual bool canResignFirstResponder() const { return true; }
    // Fails when the responder cannot become first responder, has no window, or
    // the current first responder refuses to resign.
    virtual bool becomeFirstResponder();
    virtual bool resignFirstResponder();
    [[nodiscard]] bool isFirstResponder() const;

    // Touch delivery; by default each passes the touches on to the next responder.
    virtual void touchesBegan(const TouchSet& touches, const Event* event);
    virtual void touchesMoved(const TouchSet& touches, const Event* event);
    virtual void touchesEnded(const TouchSet& touches, const Event* event);
    virtual void touchesCancelled(const TouchSet& touches, const Event* event);

    // Edit-menu actions ("copy", "cut", "paste", "select", "selectAll", "delete"):
    // whether this responder offers one, and performing it.
    [[nodiscard]] virtual bool canPerformAction(const QString& action) const;
    virtual void performAction(const QString& action);

    // Shared and weak pointers of the most derived type.
    template <class T>
    [[nodiscard]] std::shared_ptr<T> sharedAs() {
        return std::static_pointer_cast<T>(shared_from_this());
    }
    template <class T>
    [[nodiscard]] std::weak_ptr<T> weakAs() {
        return std::static_pointer_cast<T>(weak_from_this().lock());
    }
};

}  // namespace ui
