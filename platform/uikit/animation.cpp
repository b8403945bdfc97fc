#include "platform/uikit/animation.h"

#include "platform/foundation/clock.h"
#include "platform/uikit/image.h"

#include <cmath>

namespace ui {

namespace {

template <class T>
const T* as(const AnimationValue& value) {
    return std::get_if<T>(&value);
}

double lerp(double a, double b, double f) {
    return a + (b - a) * f;
}

Transform3D lerp(const Transform3D& a, const Transform3D& b, double f) {
    return {
        lerp(a.m11, b.m11, f), lerp(a.m12, b.m12, f), lerp(a.m13, b.m13, f), lerp(a.m14, b.m14, f),
        lerp(a.m21, b.m21, f), lerp(a.m22, b.m22, f), lerp(a.m23, b.m23, f), lerp(a.m24, b.m24, f),
        lerp(a.m31, b.m31, f), lerp(a.m32, b.m32, f), lerp(a.m33, b.m33, f), lerp(a.m34, b.m34, f),
        lerp(a.m41, b.m41, f), lerp(a.m42, b.m42, f), lerp(a.m43, b.m43, f), lerp(a.m44, b.m44, f)};
}

}  // namespace

bool hasValue(const AnimationValue& value) {
    return !std::holds_alternative<std::monostate>(value);
}

AnimationValue interpolate(const AnimationValue& from, const AnimationValue& to, double f) {
    if (!hasValue(from)) return to;
    if (!hasValue(to)) return from;
    if (from.index() != to.index()) return f < 1 ? from : to;
    if (auto a = as<double>(from)) return lerp(*a, *as<double>(to), f);
    if (auto a = as<Point>(from)) {
        const Point b = *as<Point>(to);
        return Point{lerp(a->x, b.x, f), lerp(a->y, b.y, f)};
    }
    if (auto a = as<Size>(from)) {
        const Size b = *as<Size>(to);
        return Size{lerp(a->width, b.width, f), lerp(a->height, b.height, f)};
    }
    if (auto a = as<Rect>(from)) {
        const Rect b = *as<Rect>(to);
        return Rect{lerp(a->origin.x, b.origin.x, f), lerp(a->origin.y, b.origin.y, f),
                    lerp(a->size.width, b.size.width, f), lerp(a->size.height, b.size.height, f)};
    }
    if (auto a = as<Color>(from)) return a->interpolated(*as<Color>(to), f);
    if (auto a = as<Transform3D>(from)) return lerp(*a, *as<Transform3D>(to), f);
    return f < 1 ? from : to;
}

AnimationValue addValues(const AnimationValue& a, const AnimationValue& b) {
    if (!hasValue(a)) return b;
    if (!hasValue(b) || a.index() != b.index()) return a;
    if (auto x = as<double>(a)) return *x + *as<double>(b);
    if (auto x = as<Point>(a)) return *x + *as<Point>(b);
    if (auto x = as<Size>(a)) {
        const Size y = *as<Size>(b);
        return Size{x->width + y.width, x->height + y.height};
    }
    if (auto x = as<Rect>(a)) {
        const Rect y = *as<Rect>(b);
        return Rect{x->origin.x + y.origin.x, x->origin.y + y.origin.y,
                    x->size.width + y.size.width, x->size.height + y.size.height};
    }
    if (auto x = as<Transform3D>(a)) return x->concat(*as<Transform3D>(b));
    return b;
}

AnimationValue subtractValues(const AnimationValue& a, const AnimationValue& b) {
    if (!hasValue(b) || a.index() != b.index()) return a;
    if (auto x = as<double>(a)) return *x - *as<double>(b);
    if (auto x = as<Point>(a)) return *x - *as<Point>(b);
    if (auto x = as<Size>(a)) {
        const Size y = *as<Size>(b);
        return Size{x->width - y.width, x->height - y.height};
    }
    if (auto x = as<Rect>(a)) {
        const Rect y = *as<Rect>(b);
        return Rect{x->origin.x - y.origin.x, x->origin.y - y.origin.y,
                    x->size.width - y.size.width, x->size.height - y.size.height};
    }
    return a;
}

MediaTimingFunction MediaTimingFunction::linear() {
    return withControlPoints(0, 0, 1, 1);
}
MediaTimingFunction MediaTimingFunction::easeIn() {
    return withControlPoints(0.42, 0, 1, 1);
}
MediaTimingFunction MediaTimingFunction::easeOut() {
    return withControlPoints(0, 0, 0.58, 1);
}
MediaTimingFunction MediaTimingFunction::easeInEaseOut() {
    return withControlPoints(0.42, 0, 0.58, 1);
}
MediaTimingFunction MediaTimingFunction::defaultFunction() {
    return withControlPoints(0.25, 0.1, 0.25, 1);
}

MediaTimingFunction MediaTimingFunction::withControlPoints(double x1, double y1, double x2,
                                                           double y2) {
    MediaTimingFunction function;
    function.x1_ = std::clamp(x1, 0.0, 1.0);
    function.y1_ = y1;
    function.x2_ = std::clamp(x2, 0.0, 1.0);
    function.y2_ = y2;
    return function;
}

double MediaTimingFunction::evaluate(double t) const {
    if (t <= 0) return 0;
    if (t >= 1) return 1;
    auto bezier = [](double p1, double p2, double s) {
        const double u = 1 - s;
        return 3 * u * u * s * p1 + 3 * u * s * s * p2 + s * s * s;
    };
    // Find the curve parameter whose x is t, then read its y.
    double low = 0, high = 1, s = t;
    for (int i = 0; i < 40; ++i) {
        const double x = bezier(x1_, x2_, s);
        if (std::abs(x - t) < 1e-9) break;
        if (x < t) {
            low = s;
        } else {
            high = s;
        }
        s = (low + high) / 2;
    }
    return bezier(y1_, y2_, s);
}

Animation::~Animation() = default;

double Animation::activeDuration() const {
    const double d = duration_ > 0 ? duration_ : kDefaultDuration;
    const double cycle = autoreverses_ ? 2 * d : d;
    const double repeat = repeatCount_ > 0 ? repeatCount_ : 1;
    if (speed_ <= 0) return kForever;
    return (cycle * repeat - timeOffset_) / speed_;
}

std::optional<Animation::Progress> Animation::progressAt(double elapsed) const {
    const double d = duration_ > 0 ? duration_ : kDefaultDuration;
    const double cycle = autoreverses_ ? 2 * d : d;
    const double repeat = repeatCount_ > 0 ? repeatCount_ : 1;
    const double active = cycle * repeat;
    const double local = elapsed * speed_ + timeOffset_;
    double cycles = 0;
    double t = 0;
    if (local < 0) {
        if (fillMode_ != FillMode::Backwards && fillMode_ != FillMode::Both) return std::nullopt;
    } else if (local >= active) {
        if (fillMode_ != FillMode::Forwards && fillMode_ != FillMode::Both) return std::nullopt;
        cycles = std::max(0.0, std::ceil(repeat) - 1);
        t = active - cycles * cycle;
    } else {
        cycles = std::floor(local / cycle);
        t = local - cycles * cycle;
    }
    if (autoreverses_ && t > d) t = 2 * d - t;
    const double fraction = std::clamp(t / d, 0.0, 1.0);
    return Progress{timing_ ? timing_->evaluate(fraction) : fraction, cycles};
}

std::shared_ptr<BasicAnimation> BasicAnimation::animationWithKeyPath(const QString& keyPath) {
    auto animation = std::shared_ptr<BasicAnimation>(new BasicAnimation());
    animation->setKeyPath(keyPath);
    return animation;
}

std::shared_ptr<Animation> BasicAnimation::clone() const {
    return std::shared_ptr<BasicAnimation>(new BasicAnimation(*this));
}

std::shared_ptr<KeyframeAnimation> KeyframeAnimation::animationWithKeyPath(const QString& keyPath) {
    auto animation = std::shared_ptr<KeyframeAnimation>(new KeyframeAnimation());
    animation->setKeyPath(keyPath);
    return animation;
}

std::shared_ptr<Animation> KeyframeAnimation::clone() const {
    return std::shared_ptr<KeyframeAnimation>(new KeyframeAnimation(*this));
}

AnimationValue KeyframeAnimation::valueAt(double fraction) const {
    const std::size_t n = values_.size();
    if (n == 0) return {};
    if (n == 1) return values_.front();
    std::vector<double> times = keyTimes_;
    if (times.size() != n) {
        times.clear();
        // Discrete frames each hold for an equal share; linear ones meet at the ends.
        const double divisor = mode_ == CalculationMode::Discrete ? double(n) : double(n - 1);
        for (std::size_t i = 0; i < n; ++i) times.push_back(double(i) / divisor);
    }
    if (mode_ == CalculationMode::Discrete) {
        std::size_t index = 0;
        while (index + 1 < n && times[index + 1] <= fraction) ++index;
        return values_[index];
    }
    if (fraction <= times.front()) return values_.front();
    for (std::size_t i = 0; i + 1 < n; ++i) {
        if (fraction <= times[i + 1]) {
            const double span = times[i + 1] - times[i];
            double local = span > 0 ? (fraction - times[i]) / span : 1;
            if (i < timingFunctions_.size()) local = timingFunctions_[i].evaluate(local);
            return interpolate(values_[i], values_[i + 1], local);
        }
    }
    return values_.back();
}

std::shared_ptr<Transition> Transition::animation() {
    return std::shared_ptr<Transition>(new Transition());
}

std::shared_ptr<Animation> Transition::clone() const {
    return std::shared_ptr<Transition>(new Transition(*this));
}

double mediaTime() {
    return ns::toSeconds(ns::Clock::shared().uptime());
}

}  // namespace ui
