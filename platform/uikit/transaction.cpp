#include "platform/uikit/transaction.h"

#include "platform/uikit/animation_block.h"

#include <vector>

namespace ui {

namespace {

struct Frame {
    double duration = Animation::kDefaultDuration;
    bool disableActions = false;
    MediaTimingFunction timing = MediaTimingFunction::defaultFunction();
    std::function<void()> completion;
    std::shared_ptr<CompletionGroup> group;
};

std::vector<Frame>& frames() {
    static std::vector<Frame> stack;
    return stack;
}

// The implicit transaction: the defaults, no completion.
Frame& top() {
    static Frame implicit;
    return frames().empty() ? implicit : frames().back();
}

}  // namespace

void Transaction::begin() {
    frames().push_back(Frame{});
}

void Transaction::commit() {
    if (frames().empty()) return;
    Frame frame = std::move(frames().back());
    frames().pop_back();
    if (frame.group) {
        frame.group->close(0);
    } else if (frame.completion) {
        // Nothing animated: the completion still comes, on the next turn.
        auto completion = frame.completion;
        std::make_shared<CompletionGroup>([completion](bool) { completion(); })->close(0);
    }
}

double Transaction::animationDuration() {
    return top().duration;
}
void Transaction::setAnimationDuration(double seconds) {
    top().duration = seconds;
}
bool Transaction::disableActions() {
    return top().disableActions;
}
void Transaction::setDisableActions(bool disable) {
    top().disableActions = disable;
}
MediaTimingFunction Transaction::animationTimingFunction() {
    return top().timing;
}
void Transaction::setAnimationTimingFunction(MediaTimingFunction function) {
    top().timing = function;
}

void Transaction::setCompletionBlock(std::function<void()> block) {
    if (frames().empty()) return;
    frames().back().completion = std::move(block);
}

void Transaction::animationStarted(Animation& animation) {
    if (frames().empty() || !frames().back().completion) return;
    Frame& frame = frames().back();
    if (!frame.group) {
        auto completion = frame.completion;
        frame.group = std::make_shared<CompletionGroup>([completion](bool) { completion(); });
    }
    auto group = frame.group;
    group->animationAdded();
    animation.setDidStop([group](bool finished) { group->animationStopped(finished); });
}

}  // namespace ui
