#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace ui {

class BarButtonItem;
class View;

// What a navigation bar shows while a screen is on top of its stack: a title
// (or a view in its place), items on the left and the right, and the back item
// the screen above it shows to come back here.
class NavigationItem {
public:
    NavigationItem() = default;
    explicit NavigationItem(const QString& title) : title_(title) {}

    [[nodiscard]] const QString& title() const { return title_; }
    void setTitle(const QString& title);
    [[nodiscard]] const std::shared_ptr<View>& titleView() const { return titleView_; }
    void setTitleView(std::shared_ptr<View> view);
    [[nodiscard]] const QString& prompt() const { return prompt_; }
    void setPrompt(const QString& prompt);

    // The first item of each side is the outermost.
    [[nodiscard]] std::shared_ptr<BarButtonItem> leftBarButtonItem() const;
    void setLeftBarButtonItem(std::shared_ptr<BarButtonItem> item, bool animated = false);
    [[nodiscard]] const std::vector<std::shared_ptr<BarButtonItem>>& leftBarButtonItems() const {
        return left_;
    }
    void setLeftBarButtonItems(std::vector<std::shared_ptr<BarButtonItem>> items,
                               bool animated = false);
    [[nodiscard]] std::shared_ptr<BarButtonItem> rightBarButtonItem() const;
    void setRightBarButtonItem(std::shared_ptr<BarButtonItem> item, bool animated = false);
    [[nodiscard]] const std::vector<std::shared_ptr<BarButtonItem>>& rightBarButtonItems() const {
        return right_;
    }
    void setRightBarButtonItems(std::vector<std::shared_ptr<BarButtonItem>> items,
                                bool animated = false);
    // The item shown on the bar of the screen above this one; none: a back
    // button titled with this item's title.
    [[nodiscard]] const std::shared_ptr<BarButtonItem>& backBarButtonItem() const { return back_; }
    void setBackBarButtonItem(std::shared_ptr<BarButtonItem> item);
    [[nodiscard]] bool hidesBackButton() const { return hidesBackButton_; }
    void setHidesBackButton(bool hides, bool animated = false);

    // A process-wide rule that every bar-item setter of every navigation item applies
    // before storing: it is given the items and whether they came through a single-item
    // setter, and answers the items to store (an app's bar spacing, set once at start-up).
    using ItemsRule = std::function<std::vector<std::shared_ptr<BarButtonItem>>(
        std::vector<std::shared_ptr<BarButtonItem>> items, bool single)>;
    static void setItemsRule(ItemsRule rule);

    // Set by the bar showing the item; called after every change.
    void setChangeHandler(std::function<void()> handler) { changed_ = std::move(handler); }

private:
    void storeLeft(std::vector<std::shared_ptr<BarButtonItem>> items, bool single);
    void storeRight(std::vector<std::shared_ptr<BarButtonItem>> items, bool single);
    void notifyChange() const {
        if (changed_) changed_();
    }

    QString title_;
    QString prompt_;
    std::shared_ptr<View> titleView_;
    std::vector<std::shared_ptr<BarButtonItem>> left_;
    std::vector<std::shared_ptr<BarButtonItem>> right_;
    std::shared_ptr<BarButtonItem> back_;
    std::function<void()> changed_;
    bool hidesBackButton_ = false;
};

}  // namespace ui
