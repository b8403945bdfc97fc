#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class QueueAlertView;

// Told which button closed an alert, after it has gone.
class QxAlertViewDelegate {
public:
    virtual ~QxAlertViewDelegate() = default;
    virtual void alertViewClickedButtonAtIndex(QueueAlertView&, int buttonIndex) {
        (void)buttonIndex;
    }
};

// One alert of the app's own look, as a description: texts, button titles with a
// style each, a block to run after it is dismissed and a delegate. The shared
// QueueAlertViewManager shows it.
class QueueAlertView : public std::enable_shared_from_this<QueueAlertView> {
public:
    // Title colour styles: 1 turns the title pure green while pressed; anything
    // else (the default 2) gives the app's green at rest.
    enum ButtonStyle { kHighlightGreen = 1, kAppGreen = 2 };
    using AfterDismiss = std::function<void(int buttonIndex)>;

    [[nodiscard]] static std::shared_ptr<QueueAlertView> alertViewWithTitle(
        const QString& title, const QString& message, const QStringList& buttons,
        std::weak_ptr<QxAlertViewDelegate> delegate, AfterDismiss afterDismiss);
    QueueAlertView(const QString& title, const QString& message, const QStringList& buttons,
                   std::weak_ptr<QxAlertViewDelegate> delegate, AfterDismiss afterDismiss);

    [[nodiscard]] const QString& title() const { return title_; }
    void setTitle(const QString& title) { title_ = title; }
    [[nodiscard]] const QString& message() const { return message_; }
    void setMessage(const QString& message) { message_ = message; }
    [[nodiscard]] const QStringList& buttons() const { return buttons_; }
    // Every button gets the default style again.
    void setButtons(const QStringList& buttons);
    [[nodiscard]] const std::vector<int>& buttonsStyle() const { return buttonsStyle_; }
    // Out of range indexes are ignored.
    void setButtonStyle(int style, int index);
    [[nodiscard]] const AfterDismiss& blockAfterDismiss() const { return blockAfterDismiss_; }
    void setBlockAfterDismiss(AfterDismiss block) { blockAfterDismiss_ = std::move(block); }
    [[nodiscard]] std::shared_ptr<QxAlertViewDelegate> QxAlertDelegate() const {
        return delegate_.lock();
    }
    void setQxAlertDelegate(std::weak_ptr<QxAlertViewDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    [[nodiscard]] int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }

    void show();
    void dismiss(int buttonIndex);
    // Kept for callers of the platform alert's form; it does nothing.
    void dismissWithClickedButtonIndex(int buttonIndex, bool animated);

private:
    QString title_;
    QString message_;
    QStringList buttons_;
    std::vector<int> buttonsStyle_;
    AfterDismiss blockAfterDismiss_;
    std::weak_ptr<QxAlertViewDelegate> delegate_;
    int tag_ = 0;
};
