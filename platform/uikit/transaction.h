#pragma once

#include "platform/uikit/animation.h"

#include <functional>

namespace ui {

// Groups changes of stand-alone layers: how long their implicit animations run,
// whether there are any, and what runs when they are all done. Without an
// explicit begin there is an implicit transaction with the defaults.
class Transaction {
public:
    static void begin();
    static void commit();

    [[nodiscard]] static double animationDuration();
    static void setAnimationDuration(double seconds);
    [[nodiscard]] static bool disableActions();
    static void setDisableActions(bool disable);
    [[nodiscard]] static MediaTimingFunction animationTimingFunction();
    static void setAnimationTimingFunction(MediaTimingFunction function);
    // Runs once the implicit animations of this transaction have all stopped.
    static void setCompletionBlock(std::function<void()> block);

    // Called by stand-alone layers for each implicit animation they start.
    static void animationStarted(Animation& animation);
};

}  // namespace ui
