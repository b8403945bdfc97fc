#pragma once

#include "platform/uikit/animation.h"

#include <QString>

#include <functional>
#include <memory>

namespace ui {

class Layer;

// The curves view animations choose from, as the platform numbers them.
enum class ViewAnimationCurve { EaseInOut = 0, EaseIn = 1, EaseOut = 2, Linear = 3 };

// Options of block animations, as the platform's bits.
enum ViewAnimationOptions : unsigned {
    kViewAnimationOptionLayoutSubviews = 1u << 0,
    kViewAnimationOptionAllowUserInteraction = 1u << 1,
    kViewAnimationOptionBeginFromCurrentState = 1u << 2,
    kViewAnimationOptionRepeat = 1u << 3,
    kViewAnimationOptionAutoreverse = 1u << 4,
    kViewAnimationOptionCurveEaseInOut = 0u << 16,
    kViewAnimationOptionCurveEaseIn = 1u << 16,
    kViewAnimationOptionCurveEaseOut = 2u << 16,
    kViewAnimationOptionCurveLinear = 3u << 16,
};

// Counts the animations one block (or transaction) started and reports once
// when all have stopped: finished only if every one ran to its end. The
// animations' stop handlers hold it; it goes when the last of them does.
class CompletionGroup : public std::enable_shared_from_this<CompletionGroup> {
public:
    explicit CompletionGroup(std::function<void(bool finished)> done) : done_(std::move(done)) {}
    void animationAdded() { ++pending_; }
    void animationStopped(bool finished);
    // No more animations will join; with none at all, `done` runs after `delay`.
    void close(double delay);

private:
    void report();
    std::function<void(bool)> done_;
    int pending_ = 0;
    bool finished_ = true;
    bool closed_ = false;
    bool reported_ = false;
};

// The view animations being described: the block form and the older begin /
// commit form both open one, change view properties, and commit it. Changes of
// view layers are recorded while one is open and become animations at commit.
class AnimationBlock {
public:
    struct Parameters {
        double duration = 0.2;
        double delay = 0;
        ViewAnimationCurve curve = ViewAnimationCurve::EaseInOut;
        double repeatCount = 0;
        bool autoreverses = false;
        bool allowsUserInteraction = false;
        QString identifier;
        std::function<void(bool finished)> completion;
        std::function<void(const QString& identifier)> willStart;
        std::function<void(const QString& identifier, bool finished)> didStop;
    };

    static void open(Parameters parameters);
    // The innermost open block, or nullptr.
    [[nodiscard]] static Parameters* current();
    static void commit();
    // Called by view layers as their properties change.
    static void record(Layer& layer, const QString& keyPath, const AnimationValue& oldValue);

    [[nodiscard]] static bool areAnimationsEnabled();
    static void setAnimationsEnabled(bool enabled);

    [[nodiscard]] static MediaTimingFunction timingFor(ViewAnimationCurve curve);
};

}  // namespace ui
