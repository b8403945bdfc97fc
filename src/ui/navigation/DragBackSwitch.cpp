#include "ui/navigation/DragBackSwitch.h"

#include "platform/uikit/navigation_controller.h"

void DragBackPause::begin(ui::ViewController& screen) {
    ui::NavigationController* navigation = screen.navigationController();
    if (!navigation) return;
    const auto stack =
        std::dynamic_pointer_cast<DragBackSwitch>(navigation->weak_from_this().lock());
    if (!stack) return;
    stack->setCanDragBack(false);
    stack_ = stack;
}

void DragBackPause::end() {
    if (const auto stack = stack_.lock()) stack->setCanDragBack(true);
    stack_.reset();
}
