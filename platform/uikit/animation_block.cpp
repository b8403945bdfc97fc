#include "platform/uikit/animation_block.h"

#include "platform/foundation/timer.h"
#include "platform/uikit/layer.h"

#include <vector>

namespace ui {

namespace {

struct Change {
    std::weak_ptr<Layer> layer;
    QString keyPath;
    AnimationValue from;
};

struct OpenBlock {
    AnimationBlock::Parameters parameters;
    std::vector<Change> changes;
};

std::vector<OpenBlock> gBlocks;
bool gEnabled = true;

}  // namespace

void CompletionGroup::animationStopped(bool finished) {
    finished_ = finished_ && finished;
    --pending_;
    if (closed_ && pending_ == 0) report();
}

void CompletionGroup::close(double delay) {
    closed_ = true;
    if (pending_ > 0) return;
    // Nothing moved: the completion still comes when the animation would have ended.
    ns::DelayedCall::schedule(ns::seconds(std::max(0.0, delay)),
                              [self = shared_from_this()] { self->report(); });
}

void CompletionGroup::report() {
    if (reported_) return;
    reported_ = true;
    auto done = std::move(done_);
    if (done) done(finished_);
}

MediaTimingFunction AnimationBlock::timingFor(ViewAnimationCurve curve) {
    switch (curve) {
        case ViewAnimationCurve::EaseIn:
            return MediaTimingFunction::easeIn();
        case ViewAnimationCurve::EaseOut:
            return MediaTimingFunction::easeOut();
        case ViewAnimationCurve::Linear:
            return MediaTimingFunction::linear();
        case ViewAnimationCurve::EaseInOut:
            break;
    }
    return MediaTimingFunction::easeInEaseOut();
}

void AnimationBlock::open(Parameters parameters) {
    gBlocks.push_back(OpenBlock{std::move(parameters), {}});
}

AnimationBlock::Parameters* AnimationBlock::current() {
    if (gBlocks.empty() || !gEnabled) return nullptr;
    return &gBlocks.back().parameters;
}

bool AnimationBlock::areAnimationsEnabled() {
    return gEnabled;
}
void AnimationBlock::setAnimationsEnabled(bool enabled) {
    gEnabled = enabled;
}

void AnimationBlock::record(Layer& layer, const QString& keyPath, const AnimationValue& oldValue) {
    if (gBlocks.empty() || !gEnabled) return;
    auto& changes = gBlocks.back().changes;
    for (const Change& change : changes) {
        // The first value seen in a block is where its animation starts.
        if (change.keyPath == keyPath && change.layer.lock().get() == &layer) return;
    }
    changes.push_back(Change{layer.weak_from_this(), keyPath, oldValue});
}

void AnimationBlock::commit() {
    if (gBlocks.empty()) return;
    OpenBlock block = std::move(gBlocks.back());
    gBlocks.pop_back();
    const Parameters& p = block.parameters;

    const QString identifier = p.identifier;
    auto completion = p.completion;
    auto didStop = p.didStop;
    auto group =
        std::make_shared<CompletionGroup>([completion, didStop, identifier](bool finished) {
            if (completion) completion(finished);
            if (didStop) didStop(identifier, finished);
        });

    for (const Change& change : block.changes) {
        auto layer = change.layer.lock();
        if (!layer) continue;
        const AnimationValue to = Layer::valueForKeyPath(layer->model(), change.keyPath);
        if (to == change.from) continue;
        auto animation = BasicAnimation::animationWithKeyPath(change.keyPath);
        animation->setFromValue(change.from);
        animation->setToValue(to);
        animation->setDuration(p.duration > 0 ? p.duration : 1e-6);
        animation->setTimingFunction(timingFor(p.curve));
        animation->setRepeatCount(p.repeatCount);
        animation->setAutoreverses(p.autoreverses);
        if (p.delay > 0) {
            animation->setBeginTime(layer->localTime() + p.delay);
            animation->setFillMode(FillMode::Backwards);
        }
        group->animationAdded();
        animation->setDidStop([group](bool finished) { group->animationStopped(finished); });
        layer->addAnimation(animation, change.keyPath, !p.allowsUserInteraction);
    }
    if (p.willStart) {
        auto willStart = p.willStart;
        ns::DelayedCall::schedule(ns::seconds(p.delay),
                                  [willStart, identifier] { willStart(identifier); });
    }
    const double repeat = p.repeatCount > 0 ? p.repeatCount : 1;
    group->close(p.delay + p.duration * repeat * (p.autoreverses ? 2 : 1));
}

}  // namespace ui
