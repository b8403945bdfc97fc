#pragma once

#include "platform/uikit/color.h"
#include "platform/uikit/geometry.h"
#include "platform/uikit/transform3d.h"

#include <QString>

#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

namespace ui {

class Image;

// A value an animation moves a layer property through.
using AnimationValue = std::variant<std::monostate, double, Point, Size, Rect, Color, Transform3D,
                                    std::shared_ptr<Image>>;

[[nodiscard]] bool hasValue(const AnimationValue& value);
// Straight interpolation between two values of one kind; values of other kinds
// switch at the end.
[[nodiscard]] AnimationValue interpolate(const AnimationValue& from, const AnimationValue& to,
                                         double fraction);
// The sum of two values of one kind (transforms are concatenated).
[[nodiscard]] AnimationValue addValues(const AnimationValue& a, const AnimationValue& b);
[[nodiscard]] AnimationValue subtractValues(const AnimationValue& a, const AnimationValue& b);

// The pace of an animation: a cubic curve from (0, 0) to (1, 1).
class MediaTimingFunction {
public:
    [[nodiscard]] static MediaTimingFunction linear();
    [[nodiscard]] static MediaTimingFunction easeIn();
    [[nodiscard]] static MediaTimingFunction easeOut();
    [[nodiscard]] static MediaTimingFunction easeInEaseOut();
    // The platform's default curve for implicit and view animations.
    [[nodiscard]] static MediaTimingFunction defaultFunction();
    [[nodiscard]] static MediaTimingFunction withControlPoints(double x1, double y1, double x2,
                                                               double y2);

    // The eased fraction for a time fraction from 0 to 1.
    [[nodiscard]] double evaluate(double t) const;

private:
    double x1_ = 0, y1_ = 0, x2_ = 1, y2_ = 1;
};

enum class FillMode { Removed, Forwards, Backwards, Both };

// What an animation leaves behind and how its time runs. Layers keep their own
// copies of the animations added to them, as the platform does.
class Animation {
public:
    static constexpr double kDefaultDuration = 0.25;
    static constexpr double kForever = std::numeric_limits<double>::infinity();

    virtual ~Animation();
    [[nodiscard]] virtual std::shared_ptr<Animation> clone() const = 0;

    // 0 stands for the default 0.25 s.
    [[nodiscard]] double duration() const { return duration_; }
    void setDuration(double seconds) { duration_ = seconds; }
    // In the layer's time; 0 means "when added". Media time of now is mediaTime().
    [[nodiscard]] double beginTime() const { return beginTime_; }
    void setBeginTime(double time) { beginTime_ = time; }
    [[nodiscard]] double timeOffset() const { return timeOffset_; }
    void setTimeOffset(double offset) { timeOffset_ = offset; }
    [[nodiscard]] double speed() const { return speed_; }
    void setSpeed(double speed) { speed_ = speed; }
    // Cycles to play (fractions allowed, kForever for ever); 0 means one.
    [[nodiscard]] double repeatCount() const { return repeatCount_; }
    void setRepeatCount(double count) { repeatCount_ = count; }
    [[nodiscard]] bool autoreverses() const { return autoreverses_; }
    void setAutoreverses(bool autoreverses) { autoreverses_ = autoreverses; }
    [[nodiscard]] FillMode fillMode() const { return fillMode_; }
    void setFillMode(FillMode mode) { fillMode_ = mode; }
    [[nodiscard]] bool isRemovedOnCompletion() const { return removedOnCompletion_; }
    void setRemovedOnCompletion(bool removed) { removedOnCompletion_ = removed; }
    [[nodiscard]] const std::optional<MediaTimingFunction>& timingFunction() const {
        return timing_;
    }
    void setTimingFunction(MediaTimingFunction function) { timing_ = function; }

    // Told when the animation starts and when it stops (finished: it ran to its
    // end rather than being removed). Both come on the main thread, through the clock.
    void setDidStart(std::function<void()> handler) { didStart_ = std::move(handler); }
    void setDidStop(std::function<void(bool finished)> handler) { didStop_ = std::move(handler); }
    [[nodiscard]] const std::function<void()>& didStart() const { return didStart_; }
    [[nodiscard]] const std::function<void(bool)>& didStop() const { return didStop_; }

    // Seconds from begin (in the layer's time) to the end of the last cycle.
    [[nodiscard]] double activeDuration() const;
    // Where the animation stands `elapsed` seconds after its begin: the eased
    // fraction of the current cycle and the number of cycles already done.
    // Nothing while it does not apply (before begin or after its end, unless filled).
    struct Progress {
        double fraction = 0;
        double cycles = 0;
    };
    [[nodiscard]] std::optional<Progress> progressAt(double elapsed) const;

protected:
    Animation() = default;
    Animation(const Animation&) = default;

private:
    double duration_ = 0;
    double beginTime_ = 0;
    double timeOffset_ = 0;
    double speed_ = 1;
    double repeatCount_ = 0;
    bool autoreverses_ = false;
    FillMode fillMode_ = FillMode::Removed;
    bool removedOnCompletion_ = true;
    std::optional<MediaTimingFunction> timing_;
    std::function<void()> didStart_;
    std::function<void(bool)> didStop_;
};

// An animation of one layer property named by a key path: "position",
// "position.x", "position.y", "bounds", "bounds.size", "opacity", "transform",
// "transform.rotation" (".z", ".x", ".y"), "transform.scale" (".x", ".y"),
// "transform.translation.x" (".y"), "backgroundColor", "cornerRadius",
// "borderWidth", "borderColor", "shadowOpacity", "zPosition", "contents".
class PropertyAnimation : public Animation {
public:
    [[nodiscard]] const QString& keyPath() const { return keyPath_; }
    void setKeyPath(const QString& keyPath) { keyPath_ = keyPath; }
    // Each cycle continues from where the last ended.
    [[nodiscard]] bool isCumulative() const { return cumulative_; }
    void setCumulative(bool cumulative) { cumulative_ = cumulative; }
    // The value is added to the property's own value.
    [[nodiscard]] bool isAdditive() const { return additive_; }
    void setAdditive(bool additive) { additive_ = additive; }

protected:
    PropertyAnimation() = default;
    PropertyAnimation(const PropertyAnimation&) = default;

private:
    QString keyPath_;
    bool cumulative_ = false;
    bool additive_ = false;
};

// From one value to another. A missing end is the layer's value when the
// animation is added (from / to / by combine as on the platform).
class BasicAnimation : public PropertyAnimation {
public:
    [[nodiscard]] static std::shared_ptr<BasicAnimation> animationWithKeyPath(
        const QString& keyPath);
    [[nodiscard]] std::shared_ptr<Animation> clone() const override;

    [[nodiscard]] const AnimationValue& fromValue() const { return from_; }
    void setFromValue(AnimationValue value) { from_ = std::move(value); }
    [[nodiscard]] const AnimationValue& toValue() const { return to_; }
    void setToValue(AnimationValue value) { to_ = std::move(value); }
    [[nodiscard]] const AnimationValue& byValue() const { return by_; }
    void setByValue(AnimationValue value) { by_ = std::move(value); }

private:
    AnimationValue from_, to_, by_;
};

// Through a list of values at key times (fractions of the duration; spread
// evenly when absent), interpolated or held until the next.
class KeyframeAnimation : public PropertyAnimation {
public:
    enum class CalculationMode { Linear, Discrete };

    [[nodiscard]] static std::shared_ptr<KeyframeAnimation> animationWithKeyPath(
        const QString& keyPath);
    [[nodiscard]] std::shared_ptr<Animation> clone() const override;

    [[nodiscard]] const std::vector<AnimationValue>& values() const { return values_; }
    void setValues(std::vector<AnimationValue> values) { values_ = std::move(values); }
    [[nodiscard]] const std::vector<double>& keyTimes() const { return keyTimes_; }
    void setKeyTimes(std::vector<double> keyTimes) { keyTimes_ = std::move(keyTimes); }
    // One curve per segment between values.
    void setTimingFunctions(std::vector<MediaTimingFunction> functions) {
        timingFunctions_ = std::move(functions);
    }
    [[nodiscard]] CalculationMode calculationMode() const { return mode_; }
    void setCalculationMode(CalculationMode mode) { mode_ = mode; }

    [[nodiscard]] AnimationValue valueAt(double fraction) const;

private:
    std::vector<AnimationValue> values_;
    std::vector<double> keyTimes_;
    std::vector<MediaTimingFunction> timingFunctions_;
    CalculationMode mode_ = CalculationMode::Linear;
};

// A change of a layer's whole look, shown by moving or fading the old look away.
class Transition : public Animation {
public:
    static inline const QString kFade = QStringLiteral("fade");
    static inline const QString kMoveIn = QStringLiteral("moveIn");
    static inline const QString kPush = QStringLiteral("push");
    static inline const QString kReveal = QStringLiteral("reveal");
    static inline const QString kFromRight = QStringLiteral("fromRight");
    static inline const QString kFromLeft = QStringLiteral("fromLeft");
    static inline const QString kFromTop = QStringLiteral("fromTop");
    static inline const QString kFromBottom = QStringLiteral("fromBottom");

    [[nodiscard]] static std::shared_ptr<Transition> animation();
    [[nodiscard]] std::shared_ptr<Animation> clone() const override;

    [[nodiscard]] const QString& type() const { return type_; }
    void setType(const QString& type) { type_ = type; }
    // The side the movement comes from; empty means from the left, as on the platform.
    [[nodiscard]] const QString& subtype() const { return subtype_; }
    void setSubtype(const QString& subtype) { subtype_ = subtype; }

private:
    QString type_ = kFade;
    QString subtype_;
};

// The platform's media time: seconds of the one clock's uptime.
[[nodiscard]] double mediaTime();

}  // namespace ui
