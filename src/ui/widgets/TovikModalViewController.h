#pragma once

#include "platform/foundation/notification_center.h"
#include "ui/widgets/ModalSheetViewController.h"

// The sheet built on plain presentation, for platform versions before 7: the
// parent presents it in its own context, so the parent shows through above the
// root. It also closes when the application enters the background.
class TovikModalViewController : public ModalSheetViewController {
public:
    // From version 7 on, the sheet of the platform's custom presentation instead.
    [[nodiscard]] static std::shared_ptr<ModalSheetViewController> initWithRootViewController(
        std::shared_ptr<ui::ViewController> root,
        const std::shared_ptr<ui::ViewController>& parent);
    TovikModalViewController(std::shared_ptr<ui::ViewController> root,
                             const std::shared_ptr<ui::ViewController>& parent);

    void viewDidLoad() override;
    void presentRootViewControllerWithPresentationStyle(int style,
                                                        std::function<void()> completion) override;
    void dismissRootViewControllerWithcompletion(std::function<void()> completion) override;
    void onTapGesture() override;
    void applicationWillResignActive();

    [[nodiscard]] bool isShown() const { return show_; }

protected:
    // The root view reaches 20 points below the visible part, under the screen's edge.
    [[nodiscard]] double rootViewExtraHeight() const override { return 20; }

private:
    bool show_ = false;
    std::shared_ptr<ns::NotificationCenter::Observation> backgroundObservation_;
};
