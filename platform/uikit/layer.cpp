#include "platform/uikit/layer.h"

#include "platform/foundation/timer.h"
#include "platform/uikit/animation_block.h"
#include "platform/uikit/graphics_context.h"
#include "platform/uikit/image.h"
#include "platform/uikit/renderer.h"
#include "platform/uikit/screen.h"
#include "platform/uikit/transaction.h"
#include "platform/uikit/window.h"

#include <QPainter>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>

namespace ui {

namespace {

std::atomic<quint64> gChangeCount{0};
std::atomic<int> gRunning{0};
std::uint64_t gNextSerial = 1;
constexpr double kTimeTolerance = 1e-6;
// Changes this recent belong to the present turn.
constexpr double kRecentChangeAge = 0.05;
quint64 gChangesAtFrame = ~quint64(0) >> 1;
double gFirstChangeAfterFrame = 0;
// The hosts that sleep until the next change, and whether there is any (read at every change).
std::mutex gWaitingMutex;
std::vector<std::pair<const void*, std::function<void()>>> gWaiting;
std::atomic<bool> gAnyWaiting{false};

void wakeWaiting() {
    std::vector<std::pair<const void*, std::function<void()>>> woken;
    {
        std::lock_guard lock(gWaitingMutex);
        woken.swap(gWaiting);
        gAnyWaiting = false;
    }
    for (const auto& waiting : woken) waiting.second();
}

// The parts of a 2-D transform, so that animating one part keeps the others.
struct Parts {
    double scaleX = 1, scaleY = 1, rotation = 0, tx = 0, ty = 0;
};

Parts partsOf(const Transform3D& t) {
    Parts parts;
    parts.scaleX = std::hypot(t.m11, t.m12);
    parts.scaleY = std::hypot(t.m21, t.m22);
    parts.rotation = std::atan2(t.m12, t.m11);
    parts.tx = t.m41;
    parts.ty = t.m42;
    return parts;
}

Transform3D fromParts(const Parts& parts) {
    return Transform3D::makeScale(parts.scaleX, parts.scaleY, 1)
        .concat(Transform3D::makeRotation(parts.rotation, 0, 0, 1))
        .concat(Transform3D::makeTranslation(parts.tx, parts.ty, 0));
}

AnimationValue scaled(const AnimationValue& value, double factor) {
    if (auto d = std::get_if<double>(&value)) return *d * factor;
    if (auto p = std::get_if<Point>(&value)) return *p * factor;
    if (auto s = std::get_if<Size>(&value)) return Size{s->width * factor, s->height * factor};
    return {};
}

double number(const AnimationValue& value, double fallback) {
    if (auto d = std::get_if<double>(&value)) return *d;
    return fallback;
}

}  // namespace

struct Layer::Running {
    QString key;
    std::shared_ptr<Animation> animation;
    std::uint64_t serial = 0;
    double begin = 0;
    AnimationValue from, to;
    QImage before;
    bool blocksInteraction = false;
    bool stopped = false;
    ns::DelayedCall startCall;
    ns::DelayedCall endCall;
};

Rect LayerState::frame() const {
    if (transform.isIdentity()) {
        return {position.x - anchorPoint.x * bounds.size.width,
                position.y - anchorPoint.y * bounds.size.height, bounds.size.width,
                bounds.size.height};
    }
    const QRectF own(bounds.origin.x, bounds.origin.y, bounds.size.width, bounds.size.height);
    return Rect::fromQt(toSuperlayer().mapRect(own));
}

QTransform LayerState::toSuperlayer() const {
    const QTransform toAnchor =
        QTransform::fromTranslate(-bounds.origin.x - anchorPoint.x * bounds.size.width,
                                  -bounds.origin.y - anchorPoint.y * bounds.size.height);
    const QTransform place = QTransform::fromTranslate(position.x, position.y);
    if (transform.isIdentity()) return toAnchor * place;
    return toAnchor * transform.toQt() * place;
}

std::shared_ptr<Layer> Layer::layer() {
    return std::make_shared<Layer>();
}

Layer::Layer() = default;

Layer::~Layer() {
    for (auto& sublayer : sublayers_) sublayer->superlayer_ = nullptr;
    for (Running& running : animations_) {
        if (!running.stopped && speed_ != 0) --gRunning;
        // Animations of a layer that goes away stop unfinished, as on the platform.
        if (!running.stopped && running.animation->didStop()) {
            auto handler = running.animation->didStop();
            ns::DelayedCall::schedule(ns::Duration::zero(), [handler] { handler(false); });
        }
    }
}

quint64 Layer::changeCount() {
    return gChangeCount.load();
}
int Layer::runningAnimationCount() {
    return gRunning.load();
}
void Layer::noteChange() {
    if (++gChangeCount == gChangesAtFrame + 1) gFirstChangeAfterFrame = mediaTime();
    if (gAnyWaiting.load()) wakeWaiting();
}

void Layer::waitForChange(const void* owner, std::function<void()> wake) {
    std::lock_guard lock(gWaitingMutex);
    std::erase_if(gWaiting, [owner](const auto& waiting) { return waiting.first == owner; });
    gWaiting.emplace_back(owner, std::move(wake));
    gAnyWaiting = true;
}

void Layer::stopWaitingForChange(const void* owner) {
    std::lock_guard lock(gWaitingMutex);
    std::erase_if(gWaiting, [owner](const auto& waiting) { return waiting.first == owner; });
    gAnyWaiting = !gWaiting.empty();
}

void Layer::noteFrameShown() {
    gChangesAtFrame = gChangeCount.load();
}

bool Layer::changesSinceFrameAreRecent() {
    return gChangeCount.load() == gChangesAtFrame ||
           mediaTime() - gFirstChangeAfterFrame <= kRecentChangeAge;
}

void Layer::change(const QString& keyPath, const std::function<void()>& apply) {
    const bool watched = view_ ? AnimationBlock::current() != nullptr : superlayer_ != nullptr;
    if (!watched) {
        apply();
        noteChange();
        return;
    }
    const AnimationValue old =
        animations_.empty() ? valueForKeyPath(model_, keyPath) : presentationValue(keyPath);
    apply();
    noteChange();
    didChangeValue(keyPath, old);
}

void Layer::didChangeValue(const QString& keyPath, const AnimationValue& oldValue) {
    if (view_) {
        AnimationBlock::record(*this, keyPath, oldValue);
        return;
    }
    if (Transaction::disableActions() || !AnimationBlock::areAnimationsEnabled()) return;
    const AnimationValue newValue = valueForKeyPath(model_, keyPath);
    if (oldValue == newValue) return;
    auto animation = BasicAnimation::animationWithKeyPath(keyPath);
    animation->setFromValue(oldValue);
    animation->setToValue(newValue);
    animation->setDuration(Transaction::animationDuration());
    animation->setTimingFunction(Transaction::animationTimingFunction());
    Transaction::animationStarted(*animation);
    addAnimation(animation, keyPath);
}

void Layer::setBounds(const Rect& bounds) {
    if (bounds == model_.bounds) return;
    change(QStringLiteral("bounds"), [&] { model_.bounds = bounds; });
}

void Layer::setPosition(Point position) {
    if (position == model_.position) return;
    change(QStringLiteral("position"), [&] { model_.position = position; });
}

void Layer::setAnchorPoint(Point anchorPoint) {
    model_.anchorPoint = anchorPoint;
    noteChange();
}

void Layer::setFrame(const Rect& frame) {
    const Rect f = frame.standardized();
    Size size = f.size;
    if (!model_.transform.isIdentity()) {
        // A scaled layer keeps its scale: the bounds are the frame unscaled.
        const Transform3D& t = model_.transform;
        if (t.isAffine() && t.m12 == 0 && t.m21 == 0 && t.m11 != 0 && t.m22 != 0) {
            size = {f.size.width / std::abs(t.m11), f.size.height / std::abs(t.m22)};
        } else {
            size = model_.bounds.size;
        }
    }
    setPosition({f.origin.x + model_.anchorPoint.x * f.size.width,
                 f.origin.y + model_.anchorPoint.y * f.size.height});
    setBounds({model_.bounds.origin, size});
}

void Layer::setTransform(const Transform3D& transform) {
    if (transform == model_.transform) return;
    change(QStringLiteral("transform"), [&] { model_.transform = transform; });
}

void Layer::setAffineTransform(const AffineTransform& transform) {
    setTransform(Transform3D::makeAffine(transform));
}

void Layer::setZPosition(double z) {
    if (z == model_.zPosition) return;
    change(QStringLiteral("zPosition"), [&] { model_.zPosition = z; });
}

void Layer::setOpacity(double opacity) {
    opacity = std::clamp(opacity, 0.0, 1.0);
    if (opacity == model_.opacity) return;
    change(QStringLiteral("opacity"), [&] { model_.opacity = opacity; });
}

void Layer::setHidden(bool hidden) {
    if (hidden == model_.hidden) return;
    model_.hidden = hidden;
    noteChange();
}

void Layer::setBackgroundColor(const Color& color) {
    if (color == model_.backgroundColor) return;
    change(QStringLiteral("backgroundColor"), [&] { model_.backgroundColor = color; });
}

void Layer::setCornerRadius(double radius) {
    if (radius == model_.cornerRadius) return;
    change(QStringLiteral("cornerRadius"), [&] { model_.cornerRadius = std::max(0.0, radius); });
}

void Layer::setMasksToBounds(bool masks) {
    masksToBounds_ = masks;
    noteChange();
}

void Layer::setBorderWidth(double width) {
    if (width == model_.borderWidth) return;
    change(QStringLiteral("borderWidth"), [&] { model_.borderWidth = std::max(0.0, width); });
}

void Layer::setBorderColor(const Color& color) {
    if (color == model_.borderColor) return;
    change(QStringLiteral("borderColor"), [&] { model_.borderColor = color; });
}

void Layer::setShadowColor(const Color& color) {
    if (color == model_.shadowColor) return;
    change(QStringLiteral("shadowColor"), [&] { model_.shadowColor = color; });
}

void Layer::setShadowOpacity(double opacity) {
    if (opacity == model_.shadowOpacity) return;
    change(QStringLiteral("shadowOpacity"),
           [&] { model_.shadowOpacity = std::clamp(opacity, 0.0, 1.0); });
}

void Layer::setShadowOffset(Size offset) {
    if (offset == model_.shadowOffset) return;
    change(QStringLiteral("shadowOffset"), [&] { model_.shadowOffset = offset; });
}

void Layer::setShadowRadius(double radius) {
    if (radius == model_.shadowRadius) return;
    change(QStringLiteral("shadowRadius"), [&] { model_.shadowRadius = std::max(0.0, radius); });
}

void Layer::setShadowPath(std::optional<BezierPath> path) {
    shadowPath_ = std::move(path);
    noteChange();
}

void Layer::setContents(std::shared_ptr<Image> contents) {
    if (contents == model_.contents) return;
    model_.contents = std::move(contents);
    noteChange();
}

void Layer::setContentsGravity(ContentsGravity gravity) {
    gravity_ = gravity;
    noteChange();
}

void Layer::setBackingStore(std::shared_ptr<Image> backing) {
    backing_ = std::move(backing);
    noteChange();
}

void Layer::addSublayer(std::shared_ptr<Layer> layer) {
    insertSublayerAtIndex(std::move(layer), sublayers_.size());
}

void Layer::insertSublayerAtIndex(std::shared_ptr<Layer> layer, std::size_t index) {
    if (!layer || layer.get() == this) return;
    if (layer->superlayer_ == this) {
        // Moving within this layer: find the index after taking it out.
        const auto at = std::find(sublayers_.begin(), sublayers_.end(), layer);
        const std::size_t old = std::size_t(at - sublayers_.begin());
        sublayers_.erase(at);
        if (old < index) --index;
    } else if (layer->superlayer_) {
        layer->superlayer_->detachSublayer(layer.get());
    }
    index = std::min(index, sublayers_.size());
    layer->superlayer_ = this;
    sublayers_.insert(sublayers_.begin() + std::ptrdiff_t(index), std::move(layer));
    noteChange();
}

void Layer::insertSublayerBelow(std::shared_ptr<Layer> layer, const Layer* sibling) {
    const auto at = std::find_if(sublayers_.begin(), sublayers_.end(),
                                 [&](const auto& l) { return l.get() == sibling; });
    const std::size_t index = at == sublayers_.end() ? 0 : std::size_t(at - sublayers_.begin());
    insertSublayerAtIndex(std::move(layer), index);
}

void Layer::insertSublayerAbove(std::shared_ptr<Layer> layer, const Layer* sibling) {
    const auto at = std::find_if(sublayers_.begin(), sublayers_.end(),
                                 [&](const auto& l) { return l.get() == sibling; });
    const std::size_t index =
        at == sublayers_.end() ? sublayers_.size() : std::size_t(at - sublayers_.begin()) + 1;
    insertSublayerAtIndex(std::move(layer), index);
}

void Layer::detachSublayer(Layer* layer) {
    const auto at = std::find_if(sublayers_.begin(), sublayers_.end(),
                                 [&](const auto& l) { return l.get() == layer; });
    if (at == sublayers_.end()) return;
    // Keep the layer alive until its back-reference is cleared.
    const auto keep = *at;
    sublayers_.erase(at);
    keep->superlayer_ = nullptr;
    noteChange();
}

void Layer::removeFromSuperlayer() {
    if (superlayer_) superlayer_->detachSublayer(this);
}

QTransform Layer::transformToRoot() const {
    QTransform total;
    for (const Layer* layer = this; layer->superlayer_; layer = layer->superlayer_) {
        total = total * layer->model_.toSuperlayer();
    }
    return total;
}

Point Layer::convertPointToLayer(Point point, const Layer* layer) const {
    const QPointF inRoot = transformToRoot().map(point.toQt());
    if (!layer) return Point::fromQt(inRoot);
    return Point::fromQt(layer->transformToRoot().inverted().map(inRoot));
}

Point Layer::convertPointFromLayer(Point point, const Layer* layer) const {
    const QPointF inRoot = layer ? layer->transformToRoot().map(point.toQt()) : point.toQt();
    return Point::fromQt(transformToRoot().inverted().map(inRoot));
}

void Layer::renderInContext(GraphicsContext& context) {
    QPainter& painter = context.painter();
    painter.save();
    Renderer::renderLayer(painter, *this, false);
    painter.restore();
}

bool Layer::hasAnimations() const {
    return !animations_.empty();
}

void Layer::addAnimation(const std::shared_ptr<Animation>& animation, const QString& key) {
    addAnimation(animation, key, false);
}

void Layer::addAnimation(const std::shared_ptr<Animation>& animation, const QString& key,
                         bool blocksInteraction) {
    if (!animation) return;
    if (!key.isEmpty()) {
        const auto found = std::find_if(animations_.begin(), animations_.end(),
                                        [&](const Running& r) { return r.key == key; });
        if (found != animations_.end()) stopAndDrop(found, false);
    }
    Running running;
    running.key = key;
    running.animation = animation->clone();
    running.serial = gNextSerial++;
    const double now = localTime();
    running.begin = running.animation->beginTime() != 0 ? running.animation->beginTime() : now;
    running.blocksInteraction = blocksInteraction;

    if (auto* basic = dynamic_cast<BasicAnimation*>(running.animation.get())) {
        const AnimationValue current = presentationValue(basic->keyPath());
        const AnimationValue& from = basic->fromValue();
        const AnimationValue& to = basic->toValue();
        const AnimationValue& by = basic->byValue();
        const AnimationValue model = valueForKeyPath(model_, basic->keyPath());
        if (hasValue(from) && hasValue(to)) {
            running.from = from, running.to = to;
        } else if (hasValue(from) && hasValue(by)) {
            running.from = from, running.to = addValues(from, by);
        } else if (hasValue(by) && hasValue(to)) {
            running.from = subtractValues(to, by), running.to = to;
        } else if (hasValue(from)) {
            running.from = from, running.to = model;
        } else if (hasValue(to)) {
            running.from = current, running.to = to;
        } else if (hasValue(by)) {
            running.from = current, running.to = addValues(current, by);
        } else {
            running.from = current, running.to = model;
        }
    } else if (dynamic_cast<Transition*>(running.animation.get())) {
        running.before = lookBeforeThisTurn();
    }

    if (speed_ != 0) ++gRunning;
    noteChange();
    animations_.push_back(std::move(running));
    Running& added = animations_.back();
    if (added.animation->didStart()) {
        const double delay = speed_ > 0 ? std::max(0.0, (added.begin - now) / speed_) : 0.0;
        auto weak = weak_from_this();
        const auto serial = added.serial;
        added.startCall = ns::DelayedCall::schedule(ns::seconds(delay), [weak, serial] {
            auto self = weak.lock();
            if (!self) return;
            for (const Running& r : self->animations_) {
                if (r.serial != serial) continue;
                if (auto handler = r.animation->didStart()) handler();
                return;
            }
        });
    }
    scheduleEnd(added);
}

QImage Layer::lookBeforeThisTurn() const {
    // What the screen showed a moment ago, when a frame was just shown: the
    // change may already have been made in this turn, before the transition
    // was added, as on the platform.
    const Layer* root = this;
    while (root->superlayer_) root = root->superlayer_;
    const auto* window = root->view_ ? dynamic_cast<const Window*>(root->view_) : nullptr;
    const QImage* frame = window ? window->frameBeforeThisTurn() : nullptr;
    const QTransform map = transformToRoot();
    if (frame && map.isAffine() && map.m12() == 0 && map.m21() == 0) {
        const QRectF own(model_.bounds.origin.x, model_.bounds.origin.y, model_.bounds.size.width,
                         model_.bounds.size.height);
        const double scale = frame->devicePixelRatio();
        const QRect pixels =
            QRectF(map.mapRect(own).topLeft() * scale, map.mapRect(own).size() * scale)
                .toAlignedRect();
        if (QRect(QPoint(), frame->size()).contains(pixels) && !pixels.isEmpty()) {
            QImage crop = frame->copy(pixels);
            crop.setDevicePixelRatio(scale);
            return crop;
        }
    }
    return Renderer::snapshot(const_cast<Layer&>(*this), Screen::mainScreen().scale(), true);
}

void Layer::scheduleEnd(Running& running) {
    running.endCall.cancel();
    if (running.stopped || speed_ <= 0) return;
    const double active = running.animation->activeDuration();
    if (!std::isfinite(active)) return;
    const double endMedia = (running.begin + active - timeOffset_) / speed_ + beginTime_;
    const double delay = std::max(0.0, endMedia - mediaTime());
    auto weak = weak_from_this();
    const auto serial = running.serial;
    running.endCall = ns::DelayedCall::schedule(ns::seconds(delay), [weak, serial] {
        if (auto self = weak.lock()) self->finish(serial);
    });
}

void Layer::scheduleAllEnds() {
    for (Running& running : animations_) scheduleEnd(running);
}

void Layer::finish(std::uint64_t serial) {
    const auto found = std::find_if(animations_.begin(), animations_.end(),
                                    [&](const Running& r) { return r.serial == serial; });
    if (found == animations_.end() || found->stopped) return;
    if (localTime() - found->begin < found->animation->activeDuration() - kTimeTolerance) {
        scheduleEnd(*found);  // the layer's timing changed meanwhile
        return;
    }
    auto handler = found->animation->didStop();
    if (found->animation->isRemovedOnCompletion()) {
        found->startCall.cancel();
        animations_.erase(found);
    } else {
        found->stopped = true;
    }
    if (speed_ != 0) --gRunning;
    noteChange();
    if (handler) handler(true);
}

void Layer::stopAndDrop(std::vector<Running>::iterator found, bool finished) {
    auto handler = found->stopped ? nullptr : found->animation->didStop();
    if (!found->stopped && speed_ != 0) --gRunning;
    found->startCall.cancel();
    found->endCall.cancel();
    animations_.erase(found);
    noteChange();
    // Told on the next turn, never from inside the call that removed it.
    if (handler) {
        ns::DelayedCall::schedule(ns::Duration::zero(), [handler, finished] { handler(finished); });
    }
}

std::shared_ptr<Animation> Layer::animationForKey(const QString& key) const {
    for (const Running& running : animations_) {
        if (running.key == key) return running.animation;
    }
    return nullptr;
}

QStringList Layer::animationKeys() const {
    QStringList keys;
    for (const Running& running : animations_) {
        if (!running.key.isEmpty()) keys << running.key;
    }
    return keys;
}

void Layer::removeAnimationForKey(const QString& key) {
    const auto found = std::find_if(animations_.begin(), animations_.end(),
                                    [&](const Running& r) { return r.key == key; });
    if (found != animations_.end()) stopAndDrop(found, false);
}

void Layer::removeAllAnimations() {
    while (!animations_.empty()) stopAndDrop(animations_.begin(), false);
}

bool Layer::blocksInteraction() const {
    for (const Running& running : animations_) {
        if (running.blocksInteraction && !running.stopped) return true;
    }
    return false;
}

void Layer::setSpeed(double speed) {
    // A paused layer's animations move nothing: hosts need not draw for them.
    if ((speed_ != 0) != (speed != 0)) {
        const auto unfinished = int(std::count_if(animations_.begin(), animations_.end(),
                                                  [](const Running& r) { return !r.stopped; }));
        gRunning += speed != 0 ? unfinished : -unfinished;
    }
    speed_ = speed;
    scheduleAllEnds();
    noteChange();
}

void Layer::setTimeOffset(double offset) {
    timeOffset_ = offset;
    scheduleAllEnds();
    noteChange();
}

void Layer::setBeginTime(double time) {
    beginTime_ = time;
    scheduleAllEnds();
    noteChange();
}

double Layer::convertTime(double time, const Layer*) const {
    return (time - beginTime_) * speed_ + timeOffset_;
}

std::optional<Layer::TransitionState> Layer::runningTransition() const {
    if (animations_.empty()) return std::nullopt;
    const double now = localTime();
    for (const Running& running : animations_) {
        const auto* transition = dynamic_cast<const Transition*>(running.animation.get());
        if (!transition || running.stopped) continue;
        const auto progress = transition->progressAt(now - running.begin);
        if (!progress) continue;
        return TransitionState{transition, progress->fraction, &running.before};
    }
    return std::nullopt;
}

LayerState Layer::presentation() const {
    LayerState state = model_;
    if (animations_.empty()) return state;
    const double now = localTime();
    for (const Running& running : animations_) {
        const auto* property = dynamic_cast<const PropertyAnimation*>(running.animation.get());
        if (!property) continue;
        const auto progress = running.animation->progressAt(now - running.begin);
        if (!progress) continue;
        AnimationValue value;
        AnimationValue cycleDelta;
        if (const auto* keyframes = dynamic_cast<const KeyframeAnimation*>(property)) {
            value = keyframes->valueAt(progress->fraction);
            if (!keyframes->values().empty()) {
                cycleDelta =
                    subtractValues(keyframes->values().back(), keyframes->values().front());
            }
        } else {
            value = interpolate(running.from, running.to, progress->fraction);
            cycleDelta = subtractValues(running.to, running.from);
        }
        if (property->isCumulative() && progress->cycles > 0) {
            value = addValues(value, scaled(cycleDelta, progress->cycles));
        }
        if (property->isAdditive())
            value = addValues(valueForKeyPath(model_, property->keyPath()), value);
        setValueForKeyPath(state, property->keyPath(), value);
    }
    return state;
}

AnimationValue Layer::presentationValue(const QString& keyPath) const {
    return valueForKeyPath(presentation(), keyPath);
}

AnimationValue Layer::valueForKeyPath(const LayerState& s, const QString& keyPath) {
    if (keyPath == QLatin1String("position")) return s.position;
    if (keyPath == QLatin1String("position.x")) return s.position.x;
    if (keyPath == QLatin1String("position.y")) return s.position.y;
    if (keyPath == QLatin1String("bounds")) return s.bounds;
    if (keyPath == QLatin1String("bounds.size")) return s.bounds.size;
    if (keyPath == QLatin1String("bounds.origin")) return s.bounds.origin;
    if (keyPath == QLatin1String("bounds.size.width")) return s.bounds.size.width;
    if (keyPath == QLatin1String("bounds.size.height")) return s.bounds.size.height;
    if (keyPath == QLatin1String("transform")) return s.transform;
    if (keyPath == QLatin1String("transform.rotation") ||
        keyPath == QLatin1String("transform.rotation.z")) {
        return partsOf(s.transform).rotation;
    }
    if (keyPath == QLatin1String("transform.rotation.x") ||
        keyPath == QLatin1String("transform.rotation.y")) {
        return 0.0;
    }
    if (keyPath == QLatin1String("transform.scale") ||
        keyPath == QLatin1String("transform.scale.x")) {
        return partsOf(s.transform).scaleX;
    }
    if (keyPath == QLatin1String("transform.scale.y")) return partsOf(s.transform).scaleY;
    if (keyPath == QLatin1String("transform.translation.x")) return s.transform.m41;
    if (keyPath == QLatin1String("transform.translation.y")) return s.transform.m42;
    if (keyPath == QLatin1String("opacity")) return s.opacity;
    if (keyPath == QLatin1String("zPosition")) return s.zPosition;
    if (keyPath == QLatin1String("cornerRadius")) return s.cornerRadius;
    if (keyPath == QLatin1String("borderWidth")) return s.borderWidth;
    if (keyPath == QLatin1String("shadowOpacity")) return s.shadowOpacity;
    if (keyPath == QLatin1String("shadowRadius")) return s.shadowRadius;
    if (keyPath == QLatin1String("shadowOffset")) return s.shadowOffset;
    if (keyPath == QLatin1String("backgroundColor")) return s.backgroundColor;
    if (keyPath == QLatin1String("borderColor")) return s.borderColor;
    if (keyPath == QLatin1String("shadowColor")) return s.shadowColor;
    if (keyPath == QLatin1String("contents")) return s.contents;
    return {};
}

void Layer::setValueForKeyPath(LayerState& s, const QString& keyPath, const AnimationValue& v) {
    if (!hasValue(v)) return;
    auto setNumber = [&](double& target) { target = number(v, target); };
    if (keyPath == QLatin1String("position")) {
        if (auto p = std::get_if<Point>(&v)) s.position = *p;
    } else if (keyPath == QLatin1String("position.x")) {
        setNumber(s.position.x);
    } else if (keyPath == QLatin1String("position.y")) {
        setNumber(s.position.y);
    } else if (keyPath == QLatin1String("bounds")) {
        if (auto r = std::get_if<Rect>(&v)) s.bounds = *r;
    } else if (keyPath == QLatin1String("bounds.size")) {
        if (auto z = std::get_if<Size>(&v)) s.bounds.size = *z;
    } else if (keyPath == QLatin1String("bounds.origin")) {
        if (auto p = std::get_if<Point>(&v)) s.bounds.origin = *p;
    } else if (keyPath == QLatin1String("bounds.size.width")) {
        setNumber(s.bounds.size.width);
    } else if (keyPath == QLatin1String("bounds.size.height")) {
        setNumber(s.bounds.size.height);
    } else if (keyPath == QLatin1String("transform")) {
        if (auto t = std::get_if<Transform3D>(&v)) s.transform = *t;
    } else if (keyPath == QLatin1String("transform.rotation") ||
               keyPath == QLatin1String("transform.rotation.z")) {
        Parts parts = partsOf(s.transform);
        parts.rotation = number(v, parts.rotation);
        s.transform = fromParts(parts);
    } else if (keyPath == QLatin1String("transform.rotation.x")) {
        s.transform = Transform3D::makeRotation(number(v, 0), 1, 0, 0).concat(s.transform);
    } else if (keyPath == QLatin1String("transform.rotation.y")) {
        s.transform = Transform3D::makeRotation(number(v, 0), 0, 1, 0).concat(s.transform);
    } else if (keyPath == QLatin1String("transform.scale")) {
        Parts parts = partsOf(s.transform);
        parts.scaleX = parts.scaleY = number(v, parts.scaleX);
        s.transform = fromParts(parts);
    } else if (keyPath == QLatin1String("transform.scale.x")) {
        Parts parts = partsOf(s.transform);
        parts.scaleX = number(v, parts.scaleX);
        s.transform = fromParts(parts);
    } else if (keyPath == QLatin1String("transform.scale.y")) {
        Parts parts = partsOf(s.transform);
        parts.scaleY = number(v, parts.scaleY);
        s.transform = fromParts(parts);
    } else if (keyPath == QLatin1String("transform.translation.x")) {
        setNumber(s.transform.m41);
    } else if (keyPath == QLatin1String("transform.translation.y")) {
        setNumber(s.transform.m42);
    } else if (keyPath == QLatin1String("opacity")) {
        setNumber(s.opacity);
    } else if (keyPath == QLatin1String("zPosition")) {
        setNumber(s.zPosition);
    } else if (keyPath == QLatin1String("cornerRadius")) {
        setNumber(s.cornerRadius);
    } else if (keyPath == QLatin1String("borderWidth")) {
        setNumber(s.borderWidth);
    } else if (keyPath == QLatin1String("shadowOpacity")) {
        setNumber(s.shadowOpacity);
    } else if (keyPath == QLatin1String("shadowRadius")) {
        setNumber(s.shadowRadius);
    } else if (keyPath == QLatin1String("shadowOffset")) {
        if (auto z = std::get_if<Size>(&v)) s.shadowOffset = *z;
    } else if (keyPath == QLatin1String("backgroundColor")) {
        if (auto c = std::get_if<Color>(&v)) s.backgroundColor = *c;
    } else if (keyPath == QLatin1String("borderColor")) {
        if (auto c = std::get_if<Color>(&v)) s.borderColor = *c;
    } else if (keyPath == QLatin1String("shadowColor")) {
        if (auto c = std::get_if<Color>(&v)) s.shadowColor = *c;
    } else if (keyPath == QLatin1String("contents")) {
        if (auto i = std::get_if<std::shared_ptr<Image>>(&v)) s.contents = *i;
    }
}

}  // namespace ui
