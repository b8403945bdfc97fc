#pragma once

#include "platform/uikit/view_controller.h"

#include <cstddef>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

namespace ui {

class TabBar;
class TabBarController;

// Hears taps on the tab bar. Both methods are optional.
class TabBarControllerDelegate {
public:
    virtual ~TabBarControllerDelegate() = default;
    virtual bool shouldSelectViewController(TabBarController& tabs, ViewController& controller) {
        (void)tabs, (void)controller;
        return true;
    }
    virtual void didSelectViewController(TabBarController& tabs, ViewController& controller) {
        (void)tabs, (void)controller;
    }
};

// Screens side by side, one shown at a time, chosen with the tab bar at the
// bottom. A tap on the bar asks the delegate, selects, and tells the delegate;
// a tap on the selected tab of a navigation stack pops it to its root.
// Selecting by program asks no one. The bar hides while a screen that hides
// the bottom bar is on the selected stack.
class TabBarController : public ViewController {
public:
    using BarFactory = std::function<std::shared_ptr<TabBar>()>;
    static constexpr std::size_t kNotFound = std::numeric_limits<std::size_t>::max();

    // A tab controller whose bar is made by `barFactory` (a custom bar class).
    explicit TabBarController(BarFactory barFactory = {});
    ~TabBarController() override;

    void setViewControllers(std::vector<std::shared_ptr<ViewController>> controllers,
                            bool animated = false);
    [[nodiscard]] const std::vector<std::shared_ptr<ViewController>>& viewControllers() const {
        return childViewControllers();
    }
    // kNotFound while there are no tabs.
    [[nodiscard]] std::size_t selectedIndex() const { return selected_; }
    // Out-of-range indexes are ignored.
    virtual void setSelectedIndex(std::size_t index);
    [[nodiscard]] std::shared_ptr<ViewController> selectedViewController() const;
    void setSelectedViewController(const std::shared_ptr<ViewController>& controller);

    [[nodiscard]] TabBar* tabBar();
    [[nodiscard]] std::shared_ptr<TabBarControllerDelegate> delegate() const {
        return delegate_.lock();
    }
    void setDelegate(std::weak_ptr<TabBarControllerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    // What a tap on the bar's item at `index` does.
    void selectFromTabBar(std::size_t index);

    void loadView() override;

protected:
    [[nodiscard]] std::vector<std::shared_ptr<ViewController>> childrenForAppearance()
        const override;
    void layoutChildViews() override;

private:
    friend class NavigationController;
    friend class ViewController;
    void ensureBar();
    void select(std::size_t index);
    void itemsChanged();
    void setBottomBarHidden(bool hidden, bool animated);
    void updateBottomBarForSelection();

    BarFactory barFactory_;
    std::shared_ptr<TabBar> bar_;
    std::weak_ptr<TabBarControllerDelegate> delegate_;
    std::size_t selected_ = kNotFound;
    bool bottomBarHidden_ = false;
};

}  // namespace ui
